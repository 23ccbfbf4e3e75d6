// Trees as pairs of crossed upright quads cut out by the alpha test, gathered into woods and
// scattered singly, grouped by area so each group is culled on its own.
#include "tools/mkdata/artwork.h"
#include "tools/mkdata/ground_textures.h"
#include "tools/mkdata/landscape.h"
#include "tools/mkdata/mesh_builder.h"
#include "tools/mkdata/noise.h"
#include "tools/mkdata/scenery_layout.h"

#include <cmath>
#include <map>

namespace qm {

namespace {

constexpr float TREE_SPACING = 5.0f;        // candidate places, jittered
constexpr float ROAD_CLEARANCE = 16.0f;     // no tree nearer the centreline
constexpr float FARTHEST = 160.0f;          // beyond this from the road nobody sees a tree
constexpr float BUILDING_CLEARANCE = 6.0f;
constexpr float AREA_SIZE = 100.0f;         // side of the square areas that group the trees

struct TreeSpot {
    Vec3 base;
    float height, turn, tone;
    bool fir;
};

bool wantTree(float x, float y, float roadDistance)
{
    if (roadDistance < ROAD_CLEARANCE || roadDistance > FARTHEST)
        return false;
    float woods = fractalNoise(x / 110.0f + 7.0f, y / 110.0f - 3.0f, 4, 201);
    float chance = woods > 0.56f ? 0.7f : 0.02f;
    int ix = int(std::floor(x / TREE_SPACING)), iy = int(std::floor(y / TREE_SPACING));
    return hashUnit(ix, iy, 202) < chance;
}

std::vector<TreeSpot> placeTrees(const Landscape& land)
{
    std::vector<TreeSpot> trees;
    for (float y = Landscape::MIN_Y; y < Landscape::MAX_Y; y += TREE_SPACING)
        for (float x = Landscape::MIN_X; x < Landscape::MAX_X; x += TREE_SPACING) {
            int ix = int(std::floor(x / TREE_SPACING)), iy = int(std::floor(y / TREE_SPACING));
            float px = x + TREE_SPACING * hashUnit(ix, iy, 203), py = y + TREE_SPACING * hashUnit(ix, iy, 204);
            float d = land.circuit().distanceFrom(px, py);
            if (!wantTree(px, py, d) || nearBuilding(px, py, BUILDING_CLEARANCE))
                continue;
            TreeSpot t;
            t.base = {px, py, land.heightAt(px, py, d) - 0.2f};
            t.fir = hashUnit(ix, iy, 205) < 0.45f;
            t.height = (t.fir ? 4.0f : 3.2f) + 2.2f * hashUnit(ix, iy, 206);
            t.turn = 3.14159265f * hashUnit(ix, iy, 207);
            t.tone = 0.78f + 0.22f * hashUnit(ix, iy, 208);
            trees.push_back(t);
        }
    return trees;
}

void addTree(MeshBuilder& mesh, const TreeSpot& t)
{
    float halfWidth = t.height * (t.fir ? 0.3f : 0.42f);
    float u0 = t.fir ? TREE_FIR_U : TREE_BROADLEAF_U, u1 = u0 + 0.5f;
    Vec3 tone(t.tone, t.tone, t.tone);
    for (int q = 0; q < 2; ++q) {
        float a = t.turn + float(q) * 1.5707963f;
        Vec3 side(std::cos(a) * halfWidth, std::sin(a) * halfWidth, 0.0f);
        Vec3 top(0.0f, 0.0f, t.height);
        mesh.addQuad({t.base - side, t.base + side, t.base + side + top, t.base - side + top},
                     {UvPair{u0, 0.0f}, UvPair{u1, 0.0f}, UvPair{u1, 1.0f}, UvPair{u0, 1.0f}}, tone);
    }
}

} // namespace

int addTrees(DataSet& set)
{
    std::map<std::pair<int, int>, MeshBuilder> areas;   // ordered: the same numbering every run
    for (const TreeSpot& t : placeTrees(Landscape::standard()))
        addTree(areas[{int(std::floor(t.base.y / AREA_SIZE)), int(std::floor(t.base.x / AREA_SIZE))}], t);
    int count = 0;
    for (const auto& [area, mesh] : areas)
        set.add(meshMember(seriesName("trees", ++count)), encodeMesh(mesh.build()));
    return count;
}

} // namespace qm
