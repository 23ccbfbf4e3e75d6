#include "cars/car_resources.h"
#include "assets/body_mesh.h"
#include "assets/image_buffer.h"
#include "assets/mesh.h"

namespace qm {
namespace {

constexpr const char* BODY_NAMES[BODY_COUNT] = {"car.ase", "car2.ase", "car3.ase"};
constexpr const char* REFLECTION_NAMES[BODY_COUNT] = {"rf.ase", "rf2.ase", "rf3.ase"};

const Vec3 HELMET_OFFSET_LOW{0.0388f, 21.9106f, 129.1917f};
const Vec3 HELMET_OFFSET_HIGH{0.0388f, 25.9106f, 133.1917f};

void loadLightMap()
{
    ImageBuffer image;
    if (loadJpeg("textures\\lmap.jpg", image) && convertToRgb(image))
        setLightMap(image.pixels.data(), image.width, image.height, image.components());
    else
        setLightMap(nullptr, 0, 0, 0);
}

} // namespace

const WheelLayout WHEEL_LAYOUT_A = {Vec3(165.022f, 331.336f, 71.487f),
                                    Vec3(-168.752f, 331.336f, 71.487f),
                                    Vec3(162.779f, -345.997f, 73.917f),
                                    Vec3(-161.661f, -345.997f, 73.917f)};
const WheelLayout WHEEL_LAYOUT_B = {Vec3(158.922f, 337.240f, 72.724f),
                                    Vec3(-159.850f, 337.240f, 72.724f),
                                    Vec3(156.956f, -349.112f, 73.103f),
                                    Vec3(-156.062f, -349.112f, 73.103f)};

CarResources& carResources()
{
    static CarResources resources;
    return resources;
}

std::array<GLuint, BODY_COUNT>& bodyMeshes()
{
    static std::array<GLuint, BODY_COUNT> lists{};
    return lists;
}

std::array<GLuint, BODY_COUNT>& reflectionMeshes()
{
    static std::array<GLuint, BODY_COUNT> lists{};
    return lists;
}

const WheelLayout& wheelLayoutFor(int bodyNumber)
{
    return bodyNumber == 1 ? WHEEL_LAYOUT_B : WHEEL_LAYOUT_A;
}

Vec3 helmetOffsetFor(int bodyNumber)
{
    return bodyNumber == 1 ? HELMET_OFFSET_HIGH : HELMET_OFFSET_LOW;
}

void setLightMap(const uint8_t* rows, int width, int height, int components)
{
    std::vector<uint8_t>& map = carResources().lightMap;
    map.assign(size_t(LIGHT_MAP_SIZE) * LIGHT_MAP_SIZE * 3, 0);
    if (!rows || width <= 0 || height <= 0 || components < 3) return;
    // Nearest-pixel resampling; the common 1024 x 1024 case copies straight through.
    for (int j = 0; j < LIGHT_MAP_SIZE; ++j) {
        const int sy = int(int64_t(j) * height / LIGHT_MAP_SIZE);
        for (int i = 0; i < LIGHT_MAP_SIZE; ++i) {
            const int sx = int(int64_t(i) * width / LIGHT_MAP_SIZE);
            const uint8_t* source = rows + (size_t(sy) * width + sx) * components;
            uint8_t* target = &map[(size_t(j) * LIGHT_MAP_SIZE + i) * 3];
            target[0] = source[0];
            target[1] = source[1];
            target[2] = source[2];
        }
    }
}

void loadCarResources()
{
    CarResources& r = carResources();
    loadLightMap();
    r.skyboxCube.load("skybox");
    r.chromeTexture.load("chrome.jpg");
    r.specularLevelTexture.load("spec_level.jpg");
    r.illuminationTexture.load("illum.jpg");
    r.shadowTexture.load("sh.tga");
    r.tyreTexture.load("tr.jpg");
    r.wheelTexture.load("wheel.tga");
    Mesh mesh;
    mesh.load("wheel_pass0");
    r.wheelPass0List = mesh.displayList;
    mesh.load("wheel_pass1");
    r.wheelPass1List = mesh.displayList;
    mesh.load("helm");
    r.helmetList = mesh.displayList;
    for (int n = 0; n < BODY_COUNT; ++n) {
        BodyMesh body;
        body.load(BODY_NAMES[n], true);
        bodyMeshes()[n] = body.displayList;
        BodyMesh shell;
        shell.load(REFLECTION_NAMES[n], true);
        reflectionMeshes()[n] = shell.displayList;
    }
}

void resetCarResources()
{
    carResources() = CarResources();
    bodyMeshes() = {};
    reflectionMeshes() = {};
}

} // namespace qm
