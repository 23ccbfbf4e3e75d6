// The wheel and the helmet, centred on their own origin in the cars' model units. A wheel's axle
// runs along x with its outer face towards -x (a left-hand wheel; the right-hand ones are the same
// meshes turned about the vertical). The tyre is drawn first; the rim is a disc in front of the
// recessed hub that the alpha of "wheel.tga" cuts into spokes.
#include "tools/mkdata/artwork.h"
#include "tools/mkdata/car_artwork.h"
#include "tools/mkdata/mesh_writer.h"

#include <cmath>

namespace qm {

namespace {

constexpr float PI = 3.14159265358979f;
constexpr float RIM_RADIUS = 46.0f;
constexpr float HUB_X = 36.0f;   // the hub discs sit this far in from either face

// Corners that each carry their own position, normal and texture coordinate.
class PartBuilder {
public:
    uint32_t vertex(Vec3 p, Vec3 n, UvPair uv)
    {
        positions_.push_back(p);
        normals_.push_back(normalized(n));
        uvs_.push_back(uv);
        return uint32_t(positions_.size() - 1);
    }
    // Winds the triangle so that it faces the way its corners' normals point.
    void triangle(uint32_t a, uint32_t b, uint32_t c)
    {
        Vec3 face = cross(positions_[b] - positions_[a], positions_[c] - positions_[a]);
        if (length(face) <= 1e-6f)
            return;
        if (dot(face, normals_[a] + normals_[b] + normals_[c]) < 0.0f)
            std::swap(b, c);
        faces_.push_back({a, b, c});
    }
    void quad(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
    {
        triangle(a, b, c);
        triangle(a, c, d);
    }
    MeshData build(int uvSets) const
    {
        MeshData m;
        m.vertices = positions_;
        m.faces = faces_;
        for (int s = 0; s < uvSets; ++s)
            m.uvSets.push_back({uvs_, faces_});
        m.hasNormals = true;
        for (const Triangle& t : faces_)
            m.normals.push_back({normals_[t[0]], normals_[t[1]], normals_[t[2]]});
        return m;
    }

private:
    std::vector<Vec3> positions_, normals_;
    std::vector<UvPair> uvs_;
    std::vector<Triangle> faces_;
};

struct ProfilePoint {
    float x, r;   // along the axle, from the axle
    float v;      // texture row
};

// Revolves a profile about the x axis; normals from the profile's direction, outward to the left
// of travel when the profile runs from the outer face over the tread to the inner face.
void lathe(PartBuilder& b, const std::vector<ProfilePoint>& profile, int segments, float uTurns)
{
    std::vector<std::vector<uint32_t>> rows;
    for (size_t i = 0; i < profile.size(); ++i) {
        const ProfilePoint& prev = profile[i == 0 ? 0 : i - 1];
        const ProfilePoint& next = profile[std::min(i + 1, profile.size() - 1)];
        float dx = next.x - prev.x, dr = next.r - prev.r;
        std::vector<uint32_t> row;
        for (int s = 0; s <= segments; ++s) {
            float a = 2.0f * PI * float(s) / float(segments);
            float c = std::cos(a), sn = std::sin(a);
            Vec3 p(profile[i].x, profile[i].r * c, profile[i].r * sn);
            Vec3 n(-dr, dx * c, dx * sn);
            row.push_back(b.vertex(p, n, {uTurns * float(s) / float(segments), profile[i].v}));
        }
        rows.push_back(row);
    }
    for (size_t i = 0; i + 1 < rows.size(); ++i)
        for (int s = 0; s < segments; ++s)
            b.quad(rows[i][size_t(s)], rows[i][size_t(s) + 1], rows[i + 1][size_t(s) + 1], rows[i + 1][size_t(s)]);
}

// A flat disc across the axle at x, facing the side of its normal's sign.
void disc(PartBuilder& b, float x, float radius, float facing, int segments, bool rimPicture)
{
    Vec3 n(facing, 0.0f, 0.0f);
    auto uv = [&](float y, float z) {
        return rimPicture ? UvPair{0.5f + 0.5f * y / radius, 0.5f + 0.5f * z / radius} : UvPair{0.25f, 0.985f};
    };
    uint32_t centre = b.vertex({x, 0.0f, 0.0f}, n, uv(0.0f, 0.0f));
    std::vector<uint32_t> ring;
    for (int s = 0; s <= segments; ++s) {
        float a = 2.0f * PI * float(s) / float(segments);
        float y = radius * std::cos(a), z = radius * std::sin(a);
        ring.push_back(b.vertex({x, y, z}, n, uv(y, z)));
    }
    for (int s = 0; s < segments; ++s)
        b.triangle(centre, ring[size_t(s)], ring[size_t(s) + 1]);
}

MeshData tyre()
{
    const float w = TYRE_HALF_WIDTH, r = TYRE_RADIUS;
    // The sidewall rows run 0 (rim) to 0.45 (shoulder); the tread 0.5 to 0.95.
    std::vector<ProfilePoint> profile = {
        {-w, RIM_RADIUS, 0.02f}, {-w, 56.0f, 0.22f}, {-w + 2.0f, r - 6.0f, 0.42f}, {-w + 7.0f, r - 1.2f, 0.5f},
        {-w + 14.0f, r, 0.55f},  {w - 14.0f, r, 0.9f}, {w - 7.0f, r - 1.2f, 0.94f}, {w - 2.0f, r - 6.0f, 0.42f},
        {w, 56.0f, 0.22f},       {w, RIM_RADIUS, 0.02f},
    };
    PartBuilder b;
    lathe(b, profile, 24, 1.0f);
    // The rim wells, facing the axle so they show through the rims, and the hubs closing them.
    std::vector<ProfilePoint> outerWell = {{-HUB_X, RIM_RADIUS, 0.985f}, {-w, RIM_RADIUS, 0.985f}};
    std::vector<ProfilePoint> innerWell = {{w, RIM_RADIUS, 0.985f}, {HUB_X, RIM_RADIUS, 0.985f}};
    lathe(b, outerWell, 32, 1.0f);
    lathe(b, innerWell, 32, 1.0f);
    disc(b, -HUB_X, RIM_RADIUS, -1.0f, 32, false);
    disc(b, HUB_X, RIM_RADIUS, 1.0f, 32, false);
    return b.build(1);
}

MeshData rim()
{
    PartBuilder b;
    disc(b, -TYRE_HALF_WIDTH + 7.0f, RIM_RADIUS + 1.0f, -1.0f, 32, true);
    return b.build(1);
}

// An egg of a helmet, a little longer than wide, cut off flat below the chin.
MeshData helmet()
{
    constexpr int AROUND = 24, UP = 12;
    constexpr float RX = 30.0f, RY = 33.0f, RZ = 31.0f, LOWEST = -35.0f * PI / 180.0f;
    PartBuilder b;
    std::vector<std::vector<uint32_t>> rows;
    for (int j = 0; j <= UP; ++j) {
        float phi = LOWEST + (0.5f * PI - LOWEST) * float(j) / float(UP);
        std::vector<uint32_t> row;
        for (int i = 0; i <= AROUND; ++i) {
            // u = 0 straight behind, 0.5 straight ahead.
            float theta = 2.0f * PI * float(i) / float(AROUND);
            Vec3 d(std::sin(theta) * std::cos(phi), -std::cos(theta) * std::cos(phi), std::sin(phi));
            Vec3 p(d.x * RX, d.y * RY, d.z * RZ);
            Vec3 n(d.x / RX, d.y / RY, d.z / RZ);
            row.push_back(b.vertex(p, n, {float(i) / float(AROUND), float(j) / float(UP)}));
        }
        rows.push_back(row);
    }
    for (int j = 0; j < UP; ++j)
        for (int i = 0; i < AROUND; ++i)
            b.quad(rows[size_t(j)][size_t(i)], rows[size_t(j)][size_t(i) + 1], rows[size_t(j) + 1][size_t(i) + 1],
                   rows[size_t(j) + 1][size_t(i)]);
    // The open bottom, closed by a dark collar.
    float z = RZ * std::sin(LOWEST), ring = std::cos(LOWEST);
    Vec3 down(0.0f, 0.0f, -1.0f);
    uint32_t centre = b.vertex({0.0f, 0.0f, z}, down, {0.5f, 0.01f});
    std::vector<uint32_t> edge;
    for (int i = 0; i <= AROUND; ++i) {
        float theta = 2.0f * PI * float(i) / float(AROUND);
        edge.push_back(b.vertex({std::sin(theta) * ring * RX, -std::cos(theta) * ring * RY, z}, down,
                                {float(i) / float(AROUND), 0.01f}));
    }
    for (int i = 0; i < AROUND; ++i)
        b.triangle(centre, edge[size_t(i)], edge[size_t(i) + 1]);
    // Two coordinate sets: the paint, and the gloss map of the chrome pass in the same layout.
    return b.build(2);
}

} // namespace

void addCarParts(DataSet& set)
{
    set.add(meshMember("wheel_pass0"), encodeMesh(tyre()));
    set.add(meshMember("wheel_pass1"), encodeMesh(rim()));
    set.add(meshMember("helm"), encodeMesh(helmet()));
}

} // namespace qm
