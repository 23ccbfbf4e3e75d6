// The cars' light map, "textures\lmap.jpg": how much light reaches the ground over the circuit's
// light-map window, with the soft shadows of the buildings and the trees, so a car darkens as it
// drives through them. Shadows are cast from the scenery meshes already in the set.
#include "tools/mkdata/artwork.h"
#include "tools/mkdata/circuit.h"
#include "tools/mkdata/image.h"
#include "tools/mkdata/landscape.h"
#include "tools/mkdata/light_map.h"
#include "tools/mkdata/noise.h"
#include "tools/mkdata/scenery_layout.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace qm {

namespace {

// A mesh member's vertices and faces (the mesh layout starts with them after a 48-byte header).
bool readGeometry(const std::vector<uint8_t>& bytes, std::vector<Vec3>* vertices, std::vector<uint32_t>* faces)
{
    auto u32 = [&](size_t at) {
        uint32_t v = 0;
        std::memcpy(&v, bytes.data() + at, 4);
        return v;
    };
    if (bytes.size() < 48)
        return false;
    uint64_t v = u32(28), f = u32(32);
    if (48 + v * 12 + f * 12 > bytes.size())
        return false;
    vertices->resize(size_t(v));
    std::memcpy(vertices->data(), bytes.data() + 48, size_t(v) * 12);
    faces->resize(size_t(f) * 3);
    std::memcpy(faces->data(), bytes.data() + 48 + size_t(v) * 12, size_t(f) * 12);
    for (uint32_t i : *faces)
        if (i >= v)
            return false;
    return true;
}

class ShadowMask {
public:
    ShadowMask() : cover_(size_t(LIGHT_MAP_PIXELS) * LIGHT_MAP_PIXELS, 0.0f) {}

    // Map pixel (column, row from the bottom) of a world point.
    static Point2 pixel(float x, float y)
    {
        return {(x - LIGHT_MAP_X0) / LIGHT_MAP_WIDTH * LIGHT_MAP_PIXELS,
                (y - LIGHT_MAP_Y0) / LIGHT_MAP_HEIGHT * LIGHT_MAP_PIXELS};
    }

    // Where a point's shadow falls on the ground under it.
    static Point2 shadowOf(Vec3 p, float ground)
    {
        Vec3 toLight = normalized(LIGHT_MAP_LIGHT - p);
        float h = std::max(0.0f, p.z - ground);
        return pixel(p.x - toLight.x / toLight.z * h, p.y - toLight.y / toLight.z * h);
    }

    void triangle(Point2 a, Point2 b, Point2 c, float opacity)
    {
        float det = (b.y - c.y) * (a.x - c.x) + (c.x - b.x) * (a.y - c.y);
        if (std::fabs(det) < 1e-6f)
            return;
        int x0 = std::max(0, int(std::floor(std::min({a.x, b.x, c.x}))));
        int x1 = std::min(LIGHT_MAP_PIXELS - 1, int(std::ceil(std::max({a.x, b.x, c.x}))));
        int y0 = std::max(0, int(std::floor(std::min({a.y, b.y, c.y}))));
        int y1 = std::min(LIGHT_MAP_PIXELS - 1, int(std::ceil(std::max({a.y, b.y, c.y}))));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                float px = float(x) + 0.5f, py = float(y) + 0.5f;
                float l1 = ((b.y - c.y) * (px - c.x) + (c.x - b.x) * (py - c.y)) / det;
                float l2 = ((c.y - a.y) * (px - c.x) + (a.x - c.x) * (py - c.y)) / det;
                if (l1 >= 0.0f && l2 >= 0.0f && l1 + l2 <= 1.0f)
                    mark(x, y, opacity);
            }
    }

    // An ellipse with radii in world units, stretched along the light's fall.
    void blob(Point2 centre, float radius, float opacity)
    {
        float rx = radius / LIGHT_MAP_WIDTH * LIGHT_MAP_PIXELS, ry = radius / LIGHT_MAP_HEIGHT * LIGHT_MAP_PIXELS;
        int x0 = std::max(0, int(centre.x - rx) - 1), x1 = std::min(LIGHT_MAP_PIXELS - 1, int(centre.x + rx) + 1);
        int y0 = std::max(0, int(centre.y - ry) - 1), y1 = std::min(LIGHT_MAP_PIXELS - 1, int(centre.y + ry) + 1);
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                float dx = (float(x) + 0.5f - centre.x) / rx, dy = (float(y) + 0.5f - centre.y) / ry;
                if (dx * dx + dy * dy <= 1.0f)
                    mark(x, y, opacity);
            }
    }

    // Box blur, a few passes each way: the penumbra.
    void soften(int radius, int passes)
    {
        const int n = LIGHT_MAP_PIXELS;
        std::vector<float> line(static_cast<size_t>(n));
        for (int pass = 0; pass < passes; ++pass)
            for (int horizontal = 0; horizontal < 2; ++horizontal)
                for (int k = 0; k < n; ++k) {
                    auto at = [&](int i) -> float& {
                        return horizontal ? cover_[size_t(k) * n + size_t(i)] : cover_[size_t(i) * n + size_t(k)];
                    };
                    for (int i = 0; i < n; ++i) line[size_t(i)] = at(i);
                    float sum = 0.0f;
                    for (int i = -radius; i <= radius; ++i) sum += line[size_t(std::clamp(i, 0, n - 1))];
                    for (int i = 0; i < n; ++i) {
                        at(i) = sum / float(2 * radius + 1);
                        sum += line[size_t(std::min(i + radius + 1, n - 1))] - line[size_t(std::max(i - radius, 0))];
                    }
                }
    }

    float at(int x, int row) const { return cover_[size_t(row) * LIGHT_MAP_PIXELS + size_t(x)]; }

private:
    std::vector<float> cover_;

    void mark(int x, int y, float opacity)
    {
        float& c = cover_[size_t(y) * LIGHT_MAP_PIXELS + size_t(x)];
        c = std::max(c, opacity);
    }
};

// A solid mesh's shadow, cast onto the ground under its centre (a building on level ground) or
// onto the road at height 0 (the gantry and bridges, whose shadows fall where the cars are).
void castSolid(const DataSet& set, const std::string& name, bool onLand, ShadowMask& mask)
{
    const RarEntry* e = set.find(meshMember(name));
    std::vector<Vec3> vertices;
    std::vector<uint32_t> faces;
    if (!e || !readGeometry(e->data, &vertices, &faces))
        return;
    float ground = 0.0f;
    if (onLand) {
        Vec3 centre(0, 0, 0);
        for (const Vec3& v : vertices) centre += v;
        centre = centre / float(vertices.size());
        ground = Landscape::standard().height(centre.x, centre.y);
    }
    std::vector<Point2> shadow;
    for (const Vec3& v : vertices) shadow.push_back(ShadowMask::shadowOf(v, ground));
    for (size_t i = 0; i + 2 < faces.size(); i += 3)
        mask.triangle(shadow[faces[i]], shadow[faces[i + 1]], shadow[faces[i + 2]], 1.0f);
}

// Trees are two crossed upright quads of four corners each, eight corners a tree, in the order
// foot left, foot right, top right, top left; the crown's shadow is a column of discs.
void castTrees(const DataSet& set, ShadowMask& mask)
{
    for (int k = 1;; ++k) {
        const RarEntry* e = set.find(meshMember(seriesName("trees", k)));
        if (!e)
            break;
        std::vector<Vec3> v;
        std::vector<uint32_t> faces;
        if (!readGeometry(e->data, &v, &faces) || v.size() % 8 != 0)
            continue;
        for (size_t t = 0; t < v.size(); t += 8) {
            Vec3 foot = (v[t] + v[t + 1]) * 0.5f;
            float height = v[t + 2].z - v[t + 1].z, halfWidth = 0.5f * length(v[t + 1] - v[t]);
            if (height <= 0.0f)
                continue;
            bool fir = halfWidth < 0.36f * height;
            for (int s = 0; s < 8; ++s) {
                float f = 0.25f + 0.1f * float(s);   // share of the height
                float r = fir ? halfWidth * 0.9f * std::max(0.0f, 1.0f - (f - 0.2f) / 0.85f)
                              : halfWidth * 0.9f * std::sqrt(std::max(0.0f, 1.0f - (f - 0.6f) * (f - 0.6f) / 0.16f));
                if (r > 0.05f)
                    mask.blob(ShadowMask::shadowOf(foot + Vec3(0, 0, f * height), foot.z), r, 0.8f);
            }
        }
    }
}

// A roadside poplar's crown fills the narrowed broad-leaved picture: an upright ellipsoid from
// about a third of the height to the top, its shadow a column of discs.
void castRoadsideTrees(ShadowMask& mask)
{
    for (const RoadsideTree& t : roadsideTrees()) {
        float centre = 0.625f * t.height, half = 0.31f * t.height, radius = 0.85f * t.halfWidth;
        for (int s = 0; s <= 12; ++s) {
            float f = -0.9f + 1.8f * float(s) / 12.0f;   // share of the crown's half height
            float r = radius * std::sqrt(std::max(0.0f, 1.0f - f * f));
            if (r > 0.05f)
                mask.blob(ShadowMask::shadowOf(t.base + Vec3(0, 0, centre + f * half), Circuit::ROAD_HEIGHT), r, 0.92f);
        }
    }
}

} // namespace

Image bakeLightMap(const DataSet& set)
{
    ShadowMask mask;
    for (const BuildingPlacement& b : buildingPlacements())
        castSolid(set, b.name, true, mask);
    castTrees(set, mask);
    castRoadsideTrees(mask);
    mask.soften(2, 3);
    // The structures over the road throw narrow shadows: a lighter blur keeps them dark inside.
    ShadowMask overhead;
    for (const std::string& name : overheadStructures())
        castSolid(set, name, false, overhead);
    overhead.soften(1, 2);
    Image image(LIGHT_MAP_PIXELS, LIGHT_MAP_PIXELS, 3);
    for (int row = 0; row < LIGHT_MAP_PIXELS; ++row)
        for (int x = 0; x < LIGHT_MAP_PIXELS; ++x) {
            float open = 0.9f + 0.08f * (fractalNoise(float(x) / 96.0f, float(row) / 96.0f, 3, 131) - 0.5f);
            float cover = std::max(mask.at(x, row), overhead.at(x, row));
            float g = open * (1.0f - LIGHT_MAP_SHADOW_DEPTH * cover);
            // The picture's bottom row is row 0 of the map once decoded.
            image.set(x, LIGHT_MAP_PIXELS - 1 - row, {g, g, g, 1.0f});
        }
    return image;
}

void addLightMap(DataSet& set)
{
    Image map = bakeLightMap(set);
    addJpegTexture(set, "lmap.jpg", map);
    addRoadShade(set, map);
}

} // namespace qm
