#include "tools/mkdata/car_artwork.h"
#include "tools/mkdata/artwork.h"

namespace qm {

const std::array<const char*, CAR_BODY_COUNT> CAR_BODY_NAMES = {"car.ase", "car2.ase", "car3.ase"};
const std::array<const char*, CAR_BODY_COUNT> CAR_SHELL_NAMES = {"rf.ase", "rf2.ase", "rf3.ase"};

const std::vector<CarLivery>& carLiveries()
{
    // Six teams a viewer tells apart at a glance; each body is worn by two of them.
    static const std::vector<CarLivery> liveries = {
        {"vcl\\f.txt", 0, "carf.jpg", "helmf.jpg", "shf.ase", 1, "FERRO",
         {0.80f, 0.05f, 0.04f}, {0.97f, 0.97f, 0.95f}, {0.95f, 0.80f, 0.10f},
         {0.95f, 0.85f, 0.10f}, {0.80f, 0.05f, 0.04f}},
        {"vcl\\b.txt", 1, "carb.jpg", "helmb.jpg", "shb.ase", 5, "BLACKWOOD",
         {0.10f, 0.10f, 0.11f}, {0.90f, 0.72f, 0.22f}, {0.85f, 0.85f, 0.85f},
         {0.92f, 0.92f, 0.90f}, {0.12f, 0.12f, 0.12f}},
        {"vcl\\green.txt", 2, "cargreen.jpg", "helmgreen.jpg", "shgreen.ase", 8, "VERDANT",
         {0.05f, 0.38f, 0.18f}, {0.98f, 0.86f, 0.15f}, {0.96f, 0.96f, 0.94f},
         {0.96f, 0.96f, 0.94f}, {0.05f, 0.38f, 0.18f}},
        {"vcl\\blue.txt", 0, "carblue.jpg", "helmblue.jpg", "shblue.ase", 12, "AZURA",
         {0.08f, 0.25f, 0.78f}, {0.97f, 0.97f, 0.97f}, {0.85f, 0.10f, 0.12f},
         {0.85f, 0.10f, 0.12f}, {0.97f, 0.97f, 0.97f}},
        {"vcl\\orange.txt", 1, "carorange.jpg", "helmorange.jpg", "shorange.ase", 27, "ORANJE",
         {0.98f, 0.45f, 0.05f}, {0.06f, 0.12f, 0.35f}, {0.97f, 0.97f, 0.97f},
         {0.06f, 0.12f, 0.35f}, {0.98f, 0.45f, 0.05f}},
        {"vcl\\yellow.txt", 2, "caryellow.jpg", "helmyellow.jpg", "shyellow.ase", 3, "SOLARIS",
         {0.98f, 0.84f, 0.08f}, {0.08f, 0.08f, 0.10f}, {0.10f, 0.45f, 0.85f},
         {0.10f, 0.45f, 0.85f}, {0.98f, 0.84f, 0.08f}},
    };
    return liveries;
}

std::string bodyMeshMember(const std::string& name)
{
    return "meshes\\" + name.substr(0, name.size() >= 3 ? name.size() - 3 : 0) + "dat";
}

bool isBodyMeshMember(const std::string& member)
{
    for (int n = 0; n < CAR_BODY_COUNT; ++n)
        if (member == bodyMeshMember(CAR_BODY_NAMES[size_t(n)]) || member == bodyMeshMember(CAR_SHELL_NAMES[size_t(n)]))
            return true;
    for (const CarLivery& l : carLiveries())
        if (member == bodyMeshMember(l.shadow))
            return true;
    return false;
}

std::array<Vec3, 4> carWheelCentres(int body)
{
    if (body == 1)
        return {Vec3(158.922f, 337.240f, 72.724f), Vec3(-159.850f, 337.240f, 72.724f),
                Vec3(156.956f, -349.112f, 73.103f), Vec3(-156.062f, -349.112f, 73.103f)};
    return {Vec3(165.022f, 331.336f, 71.487f), Vec3(-168.752f, 331.336f, 71.487f),
            Vec3(162.779f, -345.997f, 73.917f), Vec3(-161.661f, -345.997f, 73.917f)};
}

void addCarArtwork(DataSet& set)
{
    addCarTextures(set);
    addCarParts(set);
    addCarBodies(set);
    // Four lines, read one by one with a formatted scan each; nothing follows them.
    for (const CarLivery& l : carLiveries())
        set.addText(l.member, "bodymesh " + std::to_string(l.body) + "\ntexture " + l.paint + "\nhelmet " +
                                  l.helmet + "\nshadow " + l.shadow + "\n");
}

} // namespace qm
