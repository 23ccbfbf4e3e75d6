// Trackside buildings: grandstands full of spectators on the outside of the main straight and of
// the first bend, and the pit building on the inside of the straight. Their light is baked per face.
#include "tools/mkdata/artwork.h"
#include "tools/mkdata/circuit.h"
#include "tools/mkdata/ground_textures.h"
#include "tools/mkdata/landscape.h"
#include "tools/mkdata/mesh_builder.h"
#include "tools/mkdata/scenery_layout.h"
#include "tools/mkdata/sky_artwork.h"

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

constexpr float BASE_DEPTH = 1.2f;   // walls reach this far below the ground, so slopes never gap
constexpr float GRANDSTAND_DEPTH = 6.5f;
constexpr float PIT_DEPTH = 5.0f;
constexpr float TURN_ONE_DISTANCE = 262.0f;   // the outside of the first bend

// A frame standing beside the road: x along the road, y away from it, z up.
struct Site {
    Vec3 origin, along, away;

    Vec3 place(float x, float y, float z) const
    {
        Vec3 p = origin + along * x + away * y;
        p.z = origin.z + z;
        return p;
    }
};

// side +1 puts the building to the right of the direction of travel, -1 to the left; x runs
// against the direction of travel on the right, with it on the left.
Site siteAt(const Circuit& circuit, const BuildingPlacement& b)
{
    float side = b.side, offset = b.offset;
    CircuitPoint p = circuit.at(b.distance + (side > 0.0f ? b.length : 0.0f));
    Site s;
    s.along = p.forward * -side;   // keeps x, y, z right-handed on both sides
    s.away = p.right * side;
    s.origin = p.position + s.away * offset;
    s.origin.z = Landscape::standard().height(s.origin.x, s.origin.y);
    return s;
}

// Softer than the ground's light, so walls turned from the sun still show their colours.
float faceLight(Vec3 a, Vec3 b, Vec3 c)
{
    float toSun = dot(normalized(cross(b - a, c - a)), normalized(SUN_OFFSET));
    return std::clamp(0.68f + 0.32f * toSun, 0.5f, 1.0f);
}

class BuildingMesh {
public:
    explicit BuildingMesh(const Site& site) : site_(site) {}

    // Corners in local coordinates, anticlockwise seen from outside; the band picks the picture,
    // uSpan how many times it repeats across the quad.
    void quad(Vec3 a, Vec3 b, Vec3 c, Vec3 d, BuildingBand band, float uSpan)
    {
        Vec3 wa = site_.place(a.x, a.y, a.z), wb = site_.place(b.x, b.y, b.z);
        Vec3 wc = site_.place(c.x, c.y, c.z), wd = site_.place(d.x, d.y, d.z);
        float light = faceLight(wa, wb, wc);
        float v0 = bandBottom(band), v1 = bandTop(band);
        mesh_.addQuad({wa, wb, wc, wd}, {UvPair{0.0f, v0}, UvPair{uSpan, v0}, UvPair{uSpan, v1}, UvPair{0.0f, v1}},
                      {light, light, light});
    }

    // An axis-aligned box in local coordinates: four walls and a top.
    void box(Vec3 lo, Vec3 hi, BuildingBand walls, BuildingBand top, float uPerUnit)
    {
        Vec3 c[8];
        for (int i = 0; i < 8; ++i)
            c[i] = {(i & 1) ? hi.x : lo.x, (i & 2) ? hi.y : lo.y, (i & 4) ? hi.z : lo.z};
        float lx = (hi.x - lo.x) * uPerUnit, ly = (hi.y - lo.y) * uPerUnit;
        quad(c[0], c[1], c[5], c[4], walls, lx);   // facing -y (the road)
        quad(c[3], c[2], c[6], c[7], walls, lx);   // facing +y
        quad(c[2], c[0], c[4], c[6], walls, ly);   // facing -x
        quad(c[1], c[3], c[7], c[5], walls, ly);   // facing +x
        quad(c[4], c[5], c[7], c[6], top, lx);
    }

    MeshData build() const { return mesh_.build(); }

private:
    Site site_;
    MeshBuilder mesh_;
};

// Stepped terraces rising away from the road, a back wall, a roof on posts.
MeshData grandstand(const Site& site, float length)
{
    constexpr int STEPS = 6;
    constexpr float STEP_DEPTH = 1.0f, STEP_RISE = 0.6f, FRONT = 0.8f, ROOF = 5.6f;
    BuildingMesh b(site);
    float h = -BASE_DEPTH;
    b.box({0.0f, 0.0f, h}, {length, 0.3f, FRONT}, BuildingBand::CONCRETE, BuildingBand::CONCRETE, 0.25f);
    for (int s = 0; s < STEPS; ++s) {
        float y0 = 0.3f + float(s) * STEP_DEPTH, y1 = y0 + STEP_DEPTH;
        float z0 = FRONT + float(s) * STEP_RISE, z1 = z0 + STEP_RISE;
        // Riser and tread: the crowd picture shows people sitting on the treads.
        b.quad({0.0f, y0, z0}, {length, y0, z0}, {length, y0, z1}, {0.0f, y0, z1}, BuildingBand::CROWD, length / 8.0f);
        b.quad({0.0f, y0, z1}, {length, y0, z1}, {length, y1, z1}, {0.0f, y1, z1}, BuildingBand::CROWD, length / 8.0f);
        // Side walls, one slice per step.
        b.quad({0.0f, y1, h}, {0.0f, y0, h}, {0.0f, y0, z1}, {0.0f, y1, z1}, BuildingBand::CONCRETE, 0.25f);
        b.quad({length, y0, h}, {length, y1, h}, {length, y1, z1}, {length, y0, z1}, BuildingBand::CONCRETE, 0.25f);
    }
    float back = 0.3f + STEPS * STEP_DEPTH, top = FRONT + STEPS * STEP_RISE;
    b.quad({length, back, h}, {0.0f, back, h}, {0.0f, back, ROOF}, {length, back, ROOF}, BuildingBand::CONCRETE,
           length / 4.0f);
    b.quad({0.0f, back, top}, {length, back, top}, {length, back, ROOF}, {0.0f, back, ROOF}, BuildingBand::CONCRETE,
           length / 4.0f);
    // Roof sloping down towards the road, seen from above and (two-sided) from below.
    b.quad({-0.5f, -0.6f, ROOF - 0.5f}, {length + 0.5f, -0.6f, ROOF - 0.5f}, {length + 0.5f, back + 0.2f, ROOF + 0.2f},
           {-0.5f, back + 0.2f, ROOF + 0.2f}, BuildingBand::ROOF, length / 6.0f);
    for (float x = 0.0f; x <= length + 0.01f; x += length / 4.0f)
        b.box({x - 0.12f, -0.1f, h}, {x + 0.12f, 0.14f, ROOF - 0.45f}, BuildingBand::CONCRETE, BuildingBand::CONCRETE,
              0.25f);
    return b.build();
}

// A long low block with garages facing the road and offices above them.
MeshData pitBuilding(const Site& site, float length)
{
    constexpr float DEPTH = PIT_DEPTH, HEIGHT = 3.2f;
    BuildingMesh b(site);
    float h = -BASE_DEPTH;
    b.quad({0.0f, 0.0f, 0.0f}, {length, 0.0f, 0.0f}, {length, 0.0f, HEIGHT}, {0.0f, 0.0f, HEIGHT},
           BuildingBand::PIT_FRONT, length / 16.0f);
    b.quad({0.0f, 0.0f, h}, {length, 0.0f, h}, {length, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, BuildingBand::CONCRETE, 1.0f);
    b.quad({length, DEPTH, h}, {0.0f, DEPTH, h}, {0.0f, DEPTH, HEIGHT}, {length, DEPTH, HEIGHT},
           BuildingBand::CONCRETE, length / 4.0f);
    b.quad({0.0f, DEPTH, h}, {0.0f, 0.0f, h}, {0.0f, 0.0f, HEIGHT}, {0.0f, DEPTH, HEIGHT}, BuildingBand::CONCRETE, 1.0f);
    b.quad({length, 0.0f, h}, {length, DEPTH, h}, {length, DEPTH, HEIGHT}, {length, 0.0f, HEIGHT},
           BuildingBand::CONCRETE, 1.0f);
    b.quad({0.0f, 0.0f, HEIGHT}, {length, 0.0f, HEIGHT}, {length, DEPTH, HEIGHT}, {0.0f, DEPTH, HEIGHT},
           BuildingBand::ROOF, length / 6.0f);
    // The race control tower at the start line's end of the block.
    b.box({length - 6.0f, 1.0f, HEIGHT}, {length - 1.0f, 4.5f, HEIGHT + 2.6f}, BuildingBand::PIT_FRONT,
          BuildingBand::ROOF, 0.2f);
    return b.build();
}

} // namespace

const std::vector<BuildingPlacement>& buildingPlacements()
{
    static const std::vector<BuildingPlacement> placements = {
        {"stand1", BuildingKind::GRANDSTAND, -36.0f, 1.0f, 9.0f, 30.0f, GRANDSTAND_DEPTH},
        {"stand2", BuildingKind::GRANDSTAND, 8.0f, 1.0f, 9.0f, 30.0f, GRANDSTAND_DEPTH},
        {"stand3", BuildingKind::GRANDSTAND, TURN_ONE_DISTANCE, 1.0f, 11.0f, 26.0f, GRANDSTAND_DEPTH},
        {"pits", BuildingKind::PIT_BUILDING, -40.0f, -1.0f, 9.0f, 60.0f, PIT_DEPTH},
    };
    return placements;
}

bool nearBuilding(float x, float y, float margin)
{
    for (const BuildingPlacement& b : buildingPlacements()) {
        Site site = siteAt(Circuit::standard(), b);
        Vec3 rel(x - site.origin.x, y - site.origin.y, 0.0f);
        float along = dot(rel, site.along), away = dot(rel, site.away);
        if (along > -margin && along < b.length + margin && away > -margin && away < b.depth + margin)
            return true;
    }
    return false;
}

void addBuildings(DataSet& set, SceneryCounts& counts)
{
    const Circuit& circuit = Circuit::standard();
    for (const BuildingPlacement& b : buildingPlacements()) {
        Site site = siteAt(circuit, b);
        MeshData mesh = b.kind == BuildingKind::GRANDSTAND ? grandstand(site, b.length) : pitBuilding(site, b.length);
        set.add(meshMember(b.name), encodeMesh(mesh));
        counts.buildings.push_back(b.name);
    }
}

} // namespace qm
