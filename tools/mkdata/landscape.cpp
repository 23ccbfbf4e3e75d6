#include "tools/mkdata/landscape.h"
#include "tools/mkdata/artwork.h"
#include "tools/mkdata/mesh_builder.h"
#include "tools/mkdata/noise.h"
#include "tools/mkdata/sky_artwork.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace qm {

namespace {

struct Hill {
    float x, y, height, radius;
};

// Outside the circuit, where they frame the views; one low mound in the infield.
constexpr Hill HILLS[] = {
    {-290.0f, 150.0f, 44.0f, 55.0f}, {330.0f, -150.0f, 38.0f, 50.0f}, {80.0f, 262.0f, 30.0f, 60.0f},
    {-160.0f, -235.0f, 26.0f, 45.0f}, {300.0f, 210.0f, 34.0f, 50.0f}, {-340.0f, -120.0f, 30.0f, 60.0f},
    {120.0f, -215.0f, 16.0f, 35.0f},  {40.0f, 25.0f, 5.0f, 28.0f},    {-250.0f, 330.0f, 40.0f, 70.0f},
    {420.0f, 40.0f, 36.0f, 60.0f},
};

constexpr float INNER_MIN_X = -215.0f, INNER_MAX_X = 285.0f;
constexpr float INNER_MIN_Y = -170.0f, INNER_MAX_Y = 180.0f;
constexpr float INNER_STEP = 5.0f;
constexpr int TILES_X = 8, TILES_Y = 8;
constexpr float GRASS_UV_SCALE = 1.0f / 512.0f;   // the "tiled" factor repeats it every 8 units

float naturalHeight(float x, float y, float roadDistance)
{
    float rolling = 2.4f * (fractalNoise(x / 90.0f + 50.0f, y / 90.0f + 50.0f, 4, 101) - 0.5f);
    rolling *= smoothStep(10.0f, 90.0f, roadDistance);
    float hills = 0.0f;
    for (const Hill& h : HILLS) {
        float d2 = (x - h.x) * (x - h.x) + (y - h.y) * (y - h.y);
        float bumps = 0.75f + 0.5f * fractalNoise(x / 30.0f, y / 30.0f, 3, 102);
        hills += h.height * std::exp(-d2 / (2.0f * h.radius * h.radius)) * bumps;
    }
    return rolling + hills;
}

} // namespace

float Landscape::heightAt(float x, float y, float roadDistance) const
{
    float low = Circuit::ROAD_HEIGHT - GROUND_BELOW_ROAD;
    if (roadDistance <= FLAT_DISTANCE)
        return low;
    float t = smoothStep(FLAT_DISTANCE, BLEND_DISTANCE, roadDistance);
    return low + (naturalHeight(x, y, roadDistance) - low) * t;
}

float Landscape::height(float x, float y) const { return heightAt(x, y, circuit_.distanceFrom(x, y)); }

Vec3 Landscape::normal(float x, float y) const
{
    const float e = 1.0f;
    float dx = height(x + e, y) - height(x - e, y), dy = height(x, y + e) - height(x, y - e);
    return normalized(Vec3(-dx, -dy, 2.0f * e));
}

float Landscape::sunlight(Vec3 normal)
{
    Vec3 sun = normalized(SUN_OFFSET);
    float level = sun.z;
    return std::clamp(0.5f + 0.35f * dot(normal, sun) / level, 0.3f, 1.0f);
}

const Landscape& Landscape::standard()
{
    static const Landscape landscape(Circuit::standard());
    return landscape;
}

namespace {

// Terrain grid lines: 5 units apart near the circuit, ever wider towards the edges.
std::vector<float> terrainGridLines(float lo, float innerLo, float innerHi, float hi)
{
    std::vector<float> lines;
    for (float step = INNER_STEP * 1.4f, at = innerLo - step; at > lo; step *= 1.4f, at -= step)
        lines.push_back(at);
    lines.push_back(lo);
    std::reverse(lines.begin(), lines.end());
    int inner = int(std::lround((innerHi - innerLo) / INNER_STEP));
    for (int i = 0; i <= inner; ++i)
        lines.push_back(innerLo + float(i) * INNER_STEP);
    for (float step = INNER_STEP * 1.4f, at = innerHi + step; at < hi; step *= 1.4f, at += step)
        lines.push_back(at);
    lines.push_back(hi);
    return lines;
}

struct TerrainGrid {
    std::vector<float> xs, ys;
    std::vector<Vec3> points;      // xs.size() * ys.size(), row by row
    std::vector<Vec3> colours;

    size_t at(size_t i, size_t j) const { return j * xs.size() + i; }
};

// Greens that drift from lush to dry over a few hundred units; mown lighter by the road.
Vec3 grassTint(float x, float y, float roadDistance)
{
    float drift = fractalNoise(x / 160.0f, y / 160.0f, 3, 103);
    Vec3 lush(0.86f, 0.98f, 0.82f), dry(1.0f, 0.94f, 0.7f);
    Vec3 tint = lush + (dry - lush) * smoothStep(0.35f, 0.75f, drift);
    float mown = 1.0f + 0.06f * (1.0f - smoothStep(4.0f, 20.0f, roadDistance));
    return tint * mown;
}

TerrainGrid sampleTerrain(const Landscape& land)
{
    TerrainGrid g;
    g.xs = terrainGridLines(Landscape::MIN_X, INNER_MIN_X, INNER_MAX_X, Landscape::MAX_X);
    g.ys = terrainGridLines(Landscape::MIN_Y, INNER_MIN_Y, INNER_MAX_Y, Landscape::MAX_Y);
    std::vector<float> distances;
    for (float y : g.ys)
        for (float x : g.xs) {
            float d = land.circuit().distanceFrom(x, y);
            distances.push_back(d);
            g.points.push_back({x, y, land.heightAt(x, y, d)});
        }
    for (size_t j = 0; j < g.ys.size(); ++j)
        for (size_t i = 0; i < g.xs.size(); ++i) {
            size_t i0 = i > 0 ? i - 1 : i, i1 = std::min(i + 1, g.xs.size() - 1);
            size_t j0 = j > 0 ? j - 1 : j, j1 = std::min(j + 1, g.ys.size() - 1);
            Vec3 n = normalized(cross(g.points[g.at(i1, j)] - g.points[g.at(i0, j)],
                                      g.points[g.at(i, j1)] - g.points[g.at(i, j0)]));
            const Vec3& p = g.points[g.at(i, j)];
            Vec3 tint = grassTint(p.x, p.y, distances[g.at(i, j)]);
            float light = Landscape::sunlight(n);
            g.colours.push_back({std::min(1.0f, tint.x * light), std::min(1.0f, tint.y * light),
                                 std::min(1.0f, tint.z * light)});
        }
    return g;
}

// Cells [i0, i1) x [j0, j1) as one mesh; shared edges repeat the same points, so tiles meet exactly.
MeshData terrainTile(const TerrainGrid& g, size_t i0, size_t i1, size_t j0, size_t j1)
{
    MeshBuilder mesh;
    std::vector<uint32_t> index;
    for (size_t j = j0; j <= j1; ++j)
        for (size_t i = i0; i <= i1; ++i) {
            const Vec3& p = g.points[g.at(i, j)];
            index.push_back(mesh.addVertex(p, {p.x * GRASS_UV_SCALE, p.y * GRASS_UV_SCALE}, g.colours[g.at(i, j)]));
        }
    size_t w = i1 - i0 + 1;
    for (size_t j = 0; j < j1 - j0; ++j)
        for (size_t i = 0; i < i1 - i0; ++i) {
            uint32_t a = index[j * w + i], b = index[j * w + i + 1];
            uint32_t c = index[(j + 1) * w + i + 1], d = index[(j + 1) * w + i];
            // Split along the diagonal whose ends are closer in height: fewer folds on slopes.
            const Vec3 &pa = g.points[g.at(i0 + i, j0 + j)], &pc = g.points[g.at(i0 + i + 1, j0 + j + 1)];
            const Vec3 &pb = g.points[g.at(i0 + i + 1, j0 + j)], &pd = g.points[g.at(i0 + i, j0 + j + 1)];
            if (std::fabs(pa.z - pc.z) <= std::fabs(pb.z - pd.z))
                mesh.addQuad(a, b, c, d);
            else
                mesh.addQuad(b, c, d, a);
        }
    return mesh.build();
}

size_t tileEdge(size_t cells, int tile, int tiles) { return cells * size_t(tile) / size_t(tiles); }

} // namespace

int addLandscape(DataSet& set)
{
    TerrainGrid grid = sampleTerrain(Landscape::standard());
    size_t cellsX = grid.xs.size() - 1, cellsY = grid.ys.size() - 1;
    int count = 0;
    for (int ty = 0; ty < TILES_Y; ++ty)
        for (int tx = 0; tx < TILES_X; ++tx)
            set.add(meshMember(seriesName("land", ++count)),
                    encodeMesh(terrainTile(grid, tileEdge(cellsX, tx, TILES_X), tileEdge(cellsX, tx + 1, TILES_X),
                                           tileEdge(cellsY, ty, TILES_Y), tileEdge(cellsY, ty + 1, TILES_Y))));
    return count;
}

} // namespace qm
