// Trackside furniture close to the road: the start gantry with its lights over the main straight,
// banner bridges over two other straights, and rows of tall poplars on the sides the light throws
// their shadows from, so the cars drive through shade. Light is baked per face, as on the buildings.
#include "tools/mkdata/artwork.h"
#include "tools/mkdata/circuit.h"
#include "tools/mkdata/ground_textures.h"
#include "tools/mkdata/landscape.h"
#include "tools/mkdata/light_map.h"
#include "tools/mkdata/mesh_builder.h"
#include "tools/mkdata/noise.h"
#include "tools/mkdata/scenery_layout.h"
#include "tools/mkdata/sky_artwork.h"
#include "tools/mkdata/trackside.h"

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

constexpr float FOOT_DEPTH = 1.2f;   // pillars reach this far below the road, so slopes never gap

enum class OverheadKind { START_GANTRY, BANNER_BRIDGE };

struct OverheadPlacement {
    const char* name;
    OverheadKind kind;
    float distance;   // along the lap
};

// The gantry stands just past the start line, facing the grid; the bridges span the back
// straight and the long left-hand sweep down the west side.
constexpr OverheadPlacement OVERHEADS[] = {
    {"gantry", OverheadKind::START_GANTRY, 5.0f},
    {"bridge1", OverheadKind::BANNER_BRIDGE, 792.0f},
    {"bridge2", OverheadKind::BANNER_BRIDGE, 1040.0f},
};

// A stretch of the lap lined with poplars; side +1 is right of the direction of travel.
struct TreeRow {
    float from, to, side;
};

// Where the road runs across the light's fall, on the side the shadows come from.
constexpr TreeRow TREE_ROWS[] = {
    {752.0f, 764.0f, 1.0f},
    {1108.0f, 1120.0f, -1.0f},
    {328.0f, 340.0f, 1.0f},
};
constexpr float ROW_OFFSET = 4.3f;        // trunk to centreline
constexpr float ROW_SPACING = 2.2f;
constexpr float ROW_CLEARANCE = 2.3f;     // every corner of a tree's quads stays this far from the centreline
constexpr float POPLAR_WIDTH = 0.22f;     // half width of the quads per unit of height

float faceLight(Vec3 a, Vec3 b, Vec3 c)
{
    float toSun = dot(normalized(cross(b - a, c - a)), normalized(SUN_OFFSET));
    return std::clamp(0.7f + 0.3f * toSun, 0.5f, 1.0f);
}

// A frame across the road: x along the direction of travel, y to its left, z up from the road.
class Span {
public:
    Span(const Circuit& circuit, float distance)
    {
        CircuitPoint p = circuit.at(distance);
        origin_ = p.position;
        along_ = p.forward;
        left_ = -p.right;
    }

    Vec3 place(Vec3 local) const
    {
        Vec3 p = origin_ + along_ * local.x + left_ * local.y;
        p.z = Circuit::ROAD_HEIGHT + local.z;
        return p;
    }

    // Corners anticlockwise seen from the side the quad faces; uv per corner.
    void quad(const std::array<Vec3, 4>& c, const std::array<UvPair, 4>& uv)
    {
        std::array<Vec3, 4> w = {place(c[0]), place(c[1]), place(c[2]), place(c[3])};
        float light = faceLight(w[0], w[1], w[2]);
        mesh_.addQuad(w, uv, {light, light, light});
    }

    // A quad showing a band of the picture, u from 0 to uSpan along its first edge.
    void quad(const std::array<Vec3, 4>& c, TracksideBand band, float uSpan)
    {
        quad(c, {UvPair{0.0f, band.v0}, UvPair{uSpan, band.v0}, UvPair{uSpan, band.v1}, UvPair{0.0f, band.v1}});
    }

    // A painted steel box, the steel picture repeating every two units along each face.
    void box(Vec3 lo, Vec3 hi)
    {
        constexpr float PER_UNIT = 0.5f;
        Vec3 c[8];
        for (int i = 0; i < 8; ++i)
            c[i] = {(i & 1) ? hi.x : lo.x, (i & 2) ? hi.y : lo.y, (i & 4) ? hi.z : lo.z};
        float lx = (hi.x - lo.x) * PER_UNIT, ly = (hi.y - lo.y) * PER_UNIT;
        quad({c[0], c[1], c[5], c[4]}, TRACKSIDE_STEEL, lx);
        quad({c[3], c[2], c[6], c[7]}, TRACKSIDE_STEEL, lx);
        quad({c[2], c[0], c[4], c[6]}, TRACKSIDE_STEEL, ly);
        quad({c[1], c[3], c[7], c[5]}, TRACKSIDE_STEEL, ly);
        quad({c[4], c[5], c[7], c[6]}, TRACKSIDE_STEEL, lx);
        quad({c[2], c[3], c[1], c[0]}, TRACKSIDE_STEEL, lx);
    }

    // A banner on the plane x = at, facing -x (front) or +x (back), reading left to right for
    // whoever faces it; copies is how many times the banner repeats across.
    void banner(float at, bool front, float halfWidth, float z0, float z1, TracksideBand band, float copies)
    {
        float a = front ? halfWidth : -halfWidth, b = -a;
        quad({Vec3{at, a, z0}, Vec3{at, b, z0}, Vec3{at, b, z1}, Vec3{at, a, z1}}, band, copies);
    }

    MeshData build() const { return mesh_.build(); }

private:
    Vec3 origin_, along_, left_;
    MeshBuilder mesh_;
};

void pillar(Span& s, float y, float half, float top)
{
    s.box({-half - 0.25f, y - half - 0.25f, -FOOT_DEPTH}, {half + 0.25f, y + half + 0.25f, 0.4f});   // footing
    s.box({-half, y - half, 0.4f}, {half, y + half, top});
}

// Two pillars beside the road, a beam across with a sponsor banner each way and the start
// lights hanging under it towards the grid.
MeshData startGantry(const Circuit& circuit, float distance)
{
    constexpr float PILLAR_Y = 3.4f, BEAM_HALF = 3.75f, BEAM_LOW = 5.0f, BEAM_HIGH = 6.7f, BEAM_DEPTH = 0.4f;
    Span s(circuit, distance);
    for (float side : {-1.0f, 1.0f})
        pillar(s, side * PILLAR_Y, 0.3f, BEAM_HIGH + 0.25f);
    s.box({-BEAM_DEPTH, -BEAM_HALF, BEAM_LOW}, {BEAM_DEPTH, BEAM_HALF, BEAM_HIGH});
    s.banner(-BEAM_DEPTH - 0.02f, true, BEAM_HALF - 0.12f, BEAM_LOW + 0.12f, BEAM_HIGH - 0.12f, TRACKSIDE_BANNER_A, 2.0f);
    s.banner(BEAM_DEPTH + 0.02f, false, BEAM_HALF - 0.12f, BEAM_LOW + 0.12f, BEAM_HIGH - 0.12f, TRACKSIDE_BANNER_B, 2.0f);
    // Lights box: its face towards the grid shows the lamps.
    constexpr float LIGHTS_HALF = 1.5f, LIGHTS_LOW = OVERHEAD_CLEARANCE + 0.08f;
    s.box({-BEAM_DEPTH - 0.3f, -LIGHTS_HALF, LIGHTS_LOW}, {-0.05f, LIGHTS_HALF, BEAM_LOW + 0.3f});
    s.banner(-BEAM_DEPTH - 0.32f, true, LIGHTS_HALF - 0.04f, LIGHTS_LOW + 0.04f, BEAM_LOW + 0.26f, TRACKSIDE_LIGHTS, 1.0f);
    return s.build();
}

// A footbridge: pillars, a deck, and banner walls along both edges of the deck.
MeshData bannerBridge(const Circuit& circuit, float distance, bool swapBanners)
{
    constexpr float PILLAR_Y = 3.6f, DECK_HALF = 3.95f, DECK_LOW = 5.0f, DECK_HIGH = 5.3f, DECK_DEPTH = 0.75f;
    constexpr float WALL_TOP = 6.45f, WALL = 0.1f;
    Span s(circuit, distance);
    for (float side : {-1.0f, 1.0f})
        pillar(s, side * PILLAR_Y, 0.3f, DECK_LOW);
    s.box({-DECK_DEPTH, -DECK_HALF, DECK_LOW}, {DECK_DEPTH, DECK_HALF, DECK_HIGH});
    s.box({-DECK_DEPTH, -DECK_HALF, DECK_HIGH}, {-DECK_DEPTH + WALL, DECK_HALF, WALL_TOP});
    s.box({DECK_DEPTH - WALL, -DECK_HALF, DECK_HIGH}, {DECK_DEPTH, DECK_HALF, WALL_TOP});
    TracksideBand front = swapBanners ? TRACKSIDE_BANNER_B : TRACKSIDE_BANNER_A;
    TracksideBand back = swapBanners ? TRACKSIDE_BANNER_A : TRACKSIDE_BANNER_B;
    s.banner(-DECK_DEPTH - 0.02f, true, DECK_HALF - 0.1f, DECK_HIGH + 0.05f, WALL_TOP - 0.08f, front, 2.0f);
    s.banner(DECK_DEPTH + 0.02f, false, DECK_HALF - 0.1f, DECK_HIGH + 0.05f, WALL_TOP - 0.08f, back, 2.0f);
    return s.build();
}

// The quads' corners at the foot, as addPoplar lays them out.
std::array<Vec3, 4> footCorners(const RoadsideTree& t)
{
    std::array<Vec3, 4> out;
    for (int q = 0; q < 2; ++q) {
        float a = t.turn + float(q) * 1.5707963f;
        Vec3 side(std::cos(a) * t.halfWidth, std::sin(a) * t.halfWidth, 0.0f);
        out[size_t(2 * q)] = t.base - side;
        out[size_t(2 * q + 1)] = t.base + side;
    }
    return out;
}

std::vector<RoadsideTree> plantRow(int index)
{
    const TreeRow& row = TREE_ROWS[index];
    const Circuit& circuit = Circuit::standard();
    const Landscape& land = Landscape::standard();
    std::vector<RoadsideTree> trees;
    int k = 0;
    for (float d = row.from; d <= row.to; d += ROW_SPACING, ++k) {
        int seed = index * 100 + k;
        CircuitPoint p = circuit.at(d + 0.6f * (hashUnit(seed, 1, 301) - 0.5f));
        float offset = ROW_OFFSET + 0.3f * hashUnit(seed, 2, 301);
        Vec3 at = p.position + p.right * (row.side * offset);
        RoadsideTree t;
        t.height = 10.0f + 1.5f * hashUnit(seed, 3, 301);
        t.halfWidth = POPLAR_WIDTH * t.height;
        // Both quads diagonal to the road, so neither reaches far towards it.
        t.turn = std::atan2(p.forward.y, p.forward.x) + 0.785398f + 0.2f * (hashUnit(seed, 4, 301) - 0.5f);
        float roadDistance = circuit.distanceFrom(at.x, at.y);
        t.base = {at.x, at.y, land.heightAt(at.x, at.y, roadDistance) - 0.2f};
        bool clear = !nearBuilding(at.x, at.y, 1.5f);
        for (const Vec3& c : footCorners(t))
            clear = clear && circuit.distanceFrom(c.x, c.y) >= ROW_CLEARANCE;
        if (clear)
            trees.push_back(t);
    }
    return trees;
}

// The broad-leaved picture drawn narrow: a columnar poplar.
void addPoplar(MeshBuilder& mesh, const RoadsideTree& t, float tone)
{
    std::array<Vec3, 4> foot = footCorners(t);
    Vec3 top(0.0f, 0.0f, t.height);
    float u0 = TREE_BROADLEAF_U, u1 = u0 + 0.5f;
    for (size_t q = 0; q < 2; ++q)
        mesh.addQuad({foot[2 * q], foot[2 * q + 1], foot[2 * q + 1] + top, foot[2 * q] + top},
                     {UvPair{u0, 0.0f}, UvPair{u1, 0.0f}, UvPair{u1, 1.0f}, UvPair{u0, 1.0f}}, {tone, tone, tone});
}

// Stretches of the lap whose asphalt lies in the shade of the furniture above, one a structure or row.
std::vector<std::pair<float, float>> shadedStretches()
{
    constexpr float REACH = 9.0f;   // shadows fall up to this far along the lap from what casts them
    std::vector<std::pair<float, float>> out;
    for (const OverheadPlacement& o : OVERHEADS)
        out.push_back({o.distance - REACH, o.distance + REACH});
    for (const TreeRow& row : TREE_ROWS)
        out.push_back({row.from - REACH, row.to + REACH});
    return out;
}

// The light map's brightness at a world point, bilinear between texel centres.
float mapBrightness(const Image& map, float x, float y)
{
    float fx = (x - LIGHT_MAP_X0) / LIGHT_MAP_WIDTH * LIGHT_MAP_PIXELS - 0.5f;
    float fy = (y - LIGHT_MAP_Y0) / LIGHT_MAP_HEIGHT * LIGHT_MAP_PIXELS - 0.5f;
    int x0 = int(std::floor(fx)), y0 = int(std::floor(fy));
    float tx = fx - float(x0), ty = fy - float(y0);
    auto at = [&](int i, int j) {
        i = std::clamp(i, 0, LIGHT_MAP_PIXELS - 1);
        j = std::clamp(j, 0, LIGHT_MAP_PIXELS - 1);
        return map.get(i, LIGHT_MAP_PIXELS - 1 - j).r;   // the picture's top row is the far y edge
    };
    float a = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * tx;
    float b = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * tx;
    return a + (b - a) * ty;
}

// A grid just above the asphalt whose colour multiplies the road: white in the open, grey in
// the shade, so the road shows the shadows the cars drive through.
MeshData roadShade(const Image& map, float from, float to)
{
    constexpr float STEP = 0.4f, LIFT = 0.05f, OPEN = 0.9f;   // lifted clear of the kerbs
    // Across the asphalt in eight columns, and down the verges on either side.
    std::vector<std::pair<float, float>> across;   // offset, height
    const float w = Circuit::ROAD_HALF_WIDTH, verge = w + Circuit::VERGE_WIDTH;
    across.push_back({-verge, Circuit::ROAD_HEIGHT - Circuit::VERGE_DROP});
    for (int k = 0; k <= 8; ++k)
        across.push_back({w * (float(k) / 4.0f - 1.0f), Circuit::ROAD_HEIGHT});
    across.push_back({verge, Circuit::ROAD_HEIGHT - Circuit::VERGE_DROP});
    const Circuit& circuit = Circuit::standard();
    MeshBuilder mesh;
    std::vector<uint32_t> previous;
    std::vector<float> previousShade;
    for (float d = from; d <= to + 0.001f; d += STEP) {
        CircuitPoint p = circuit.at(d);
        std::vector<uint32_t> current;
        std::vector<float> shade;
        for (const auto& [offset, height] : across) {
            Vec3 q = p.position + p.right * offset;
            q.z = height + LIFT;
            float f = std::clamp(mapBrightness(map, q.x, q.y) / OPEN, 0.0f, 1.0f);   // light that gets there
            shade.push_back(f);
            current.push_back(mesh.addVertex(q, {0.0f, 0.0f}, {f, f, f}));
        }
        if (!previous.empty())
            for (size_t k = 0; k + 1 < current.size(); ++k) {
                // Open road needs no cover. Rightwards then forwards winds anticlockwise from above.
                float darkest = std::min({previousShade[k], previousShade[k + 1], shade[k], shade[k + 1]});
                if (darkest < 0.985f)
                    mesh.addQuad(previous[k], previous[k + 1], current[k + 1], current[k]);
            }
        previous = current;
        previousShade = shade;
    }
    return mesh.build();
}

} // namespace

const std::vector<std::string>& overheadStructures()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (const OverheadPlacement& o : OVERHEADS)
            out.push_back(o.name);
        return out;
    }();
    return names;
}

const std::vector<RoadsideTree>& roadsideTrees()
{
    static const std::vector<RoadsideTree> trees = [] {
        std::vector<RoadsideTree> out;
        for (int r = 0; r < int(std::size(TREE_ROWS)); ++r)
            for (const RoadsideTree& t : plantRow(r))
                out.push_back(t);
        return out;
    }();
    return trees;
}

void addTrackside(DataSet& set, SceneryCounts& counts)
{
    const Circuit& circuit = Circuit::standard();
    bool swap = false;
    for (const OverheadPlacement& o : OVERHEADS) {
        MeshData mesh = o.kind == OverheadKind::START_GANTRY ? startGantry(circuit, o.distance)
                                                             : bannerBridge(circuit, o.distance, swap = !swap);
        set.add(meshMember(o.name), encodeMesh(mesh));
        counts.overheads.push_back(o.name);
    }
    // One mesh per row, so each row is culled on its own.
    counts.poplarRows = 0;
    for (int r = 0; r < int(std::size(TREE_ROWS)); ++r) {
        MeshBuilder mesh;
        int k = 0;
        for (const RoadsideTree& t : plantRow(r))
            addPoplar(mesh, t, 0.8f + 0.2f * hashUnit(r, k++, 302));
        if (!mesh.empty())
            set.add(meshMember(seriesName("poplars", ++counts.poplarRows)), encodeMesh(mesh.build()));
    }
    addJpegTexture(set, "gantry.jpg", paintTrackside());
    counts.roadShades = int(shadedStretches().size());
}

void addRoadShade(DataSet& set, const Image& lightMap)
{
    int k = 0;
    for (const auto& [from, to] : shadedStretches())
        set.add(meshMember(seriesName("shade", ++k)), encodeMesh(roadShade(lightMap, from, to)));
}

} // namespace qm
