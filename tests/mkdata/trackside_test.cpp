// The trackside scenery close to the road: the cars' four lanes pass through real shade (the
// start gantry, the banner bridges, the poplar rows) at several places around the lap, with soft
// edges; and nothing the scripts draw stands over the road and its verges below the clearance
// that cars and low cameras need.
#include "mkdata_test_support.h"

#include "assets/image_buffer.h"
#include "tools/mkdata/circuit.h"
#include "tools/mkdata/corridors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <set>

namespace qm::test {
namespace {

constexpr float LANE_STEP = 0.5f;
constexpr float CLEARANCE = 4.5f;

// The light map as the cars sample it: column from x, row from y, row 0 the picture's bottom.
class CarLight {
public:
    CarLight()
    {
        const RarEntry* e = dataSet().find("textures\\lmap.jpg");
        EXPECT_NE(e, nullptr);
        if (e) {
            EXPECT_TRUE(decodeJpeg(e->data.data(), uint32_t(e->data.size()), image_));
        }
    }
    bool ok() const { return image_.width == 1024 && image_.height == 1024 && image_.components() == 3; }
    float at(Vec3 p) const
    {
        float u = (p.x - (36.631f - 467.673f / 2)) / 467.673f, v = (p.y - (0.895f - 306.049f / 2)) / 306.049f;
        int i = std::clamp(int(u * 1024), 0, 1023), j = std::clamp(int(v * 1024), 0, 1023);
        return image_.pixels[size_t(j) * size_t(image_.rowBytes) + size_t(i) * 3] / 255.0f;
    }

private:
    ImageBuffer image_;
};

// Brightness along each lane, every LANE_STEP units of the centreline.
std::vector<std::vector<float>> laneBrightness(const CarLight& light)
{
    const Circuit& c = Circuit::standard();
    std::vector<std::vector<float>> lanes(LANE_OFFSETS.size());
    for (float d = 0.0f; d < c.length(); d += LANE_STEP) {
        CircuitPoint p = c.at(d);
        for (size_t l = 0; l < LANE_OFFSETS.size(); ++l)
            lanes[l].push_back(light.at(p.position + p.right * LANE_OFFSETS[l]));
    }
    return lanes;
}

float median(std::vector<float> v)
{
    std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(v.size() / 2), v.end());
    return v[v.size() / 2];
}

TEST(TracksideShade, LanesPassThroughSoftShadeAtSeveralPlaces)
{
    CarLight light;
    ASSERT_TRUE(light.ok());
    std::vector<std::vector<float>> lanes = laneBrightness(light);
    std::vector<float> all;
    for (const auto& lane : lanes) all.insert(all.end(), lane.begin(), lane.end());
    const float open = median(all);
    EXPECT_GT(open, 0.8f);
    const float dark = 0.6f * open;

    size_t darkSamples = 0;
    std::set<int> places;   // dark samples, 20 units of lap to a place
    for (size_t l = 0; l < lanes.size(); ++l) {
        SCOPED_TRACE(l);
        const std::vector<float>& lane = lanes[l];
        int lanePlaces = 0;
        for (size_t i = 0; i < lane.size(); ++i) {
            if (lane[i] >= dark)
                continue;
            ++darkSamples;
            places.insert(int(float(i) * LANE_STEP / 20.0f));
            size_t before = (i + lane.size() - 1) % lane.size();
            if (lane[before] < dark)
                continue;
            ++lanePlaces;
            // A run of shade begins: the light fades over the samples before it, not in one step.
            bool penumbra = false;
            for (size_t k = 1; k <= 6; ++k) {
                float b = lane[(i + lane.size() - k) % lane.size()];
                penumbra |= b > dark && b < 0.92f * open;
            }
            EXPECT_TRUE(penumbra) << "hard shadow edge at " << float(i) * LANE_STEP;
        }
        EXPECT_GE(lanePlaces, 3);
    }
    // A few percent of the lanes lie in clear shade, spread round the lap.
    EXPECT_GT(darkSamples, all.size() * 2 / 100);
    EXPECT_GE(places.size(), 5u);
}

// Which meshes the render scripts draw with which technique.
std::vector<std::pair<std::string, std::string>> scriptMeshes()
{
    std::vector<std::pair<std::string, std::string>> out;
    for (const char* script : {"land.txt", "test.txt"}) {
        const RarEntry* e = dataSet().find(script);
        EXPECT_NE(e, nullptr) << script;
        std::string technique;
        for (const std::string& l : lines(e ? e->data : std::vector<uint8_t>{})) {
            char name[128];
            int count = 0;
            if (std::sscanf(l.c_str(), "technique %127s", name) == 1) {
                technique = name;
            } else if (std::sscanf(l.c_str(), "mesh %127s", name) == 1) {
                out.push_back({technique, name});
            } else if (std::sscanf(l.c_str(), "collect %127s %d", name, &count) == 2) {
                for (int k = 1; k <= count; ++k) {
                    char member[160];
                    std::snprintf(member, sizeof member, k < 10 ? "%s0%d" : "%s%d", name, k);
                    out.push_back({technique, member});
                }
            }
        }
    }
    return out;
}

// Triangles of a mesh member, expanded from its index list.
std::vector<std::array<Vec3, 3>> triangles(const std::vector<uint8_t>& bytes)
{
    std::vector<std::array<Vec3, 3>> out;
    if (bytes.size() < 48)
        return out;
    uint32_t v = 0, f = 0;
    std::memcpy(&v, bytes.data() + 28, 4);
    std::memcpy(&f, bytes.data() + 32, 4);
    if (48 + (uint64_t(v) + f) * 12 > bytes.size())
        return out;
    for (uint32_t t = 0; t < f; ++t) {
        std::array<Vec3, 3> tri;
        for (int k = 0; k < 3; ++k) {
            uint32_t index = 0;
            std::memcpy(&index, bytes.data() + 48 + size_t(v) * 12 + (size_t(t) * 3 + size_t(k)) * 4, 4);
            if (index >= v)
                return {};
            std::memcpy(&tri[size_t(k)], bytes.data() + 48 + size_t(index) * 12, 12);
        }
        out.push_back(tri);
    }
    return out;
}

// Centreline points in 4-unit cells, for quick "how near the road" questions.
class RoadIndex {
public:
    RoadIndex()
    {
        const Circuit& c = Circuit::standard();
        for (float d = 0.0f; d < c.length(); d += 0.2f) {
            Vec3 p = c.at(d).position;
            cells_[key(p.x, p.y)].push_back(p);
        }
    }
    // Horizontal distance to the centreline, exact to about 0.01 within `limit`, else `limit`.
    float distance(float x, float y, float limit) const
    {
        float best = limit;
        int reach = int(std::ceil(limit / CELL));
        auto [cx, cy] = key(x, y);
        for (int i = -reach; i <= reach; ++i)
            for (int j = -reach; j <= reach; ++j) {
                auto it = cells_.find({cx + i, cy + j});
                if (it == cells_.end())
                    continue;
                for (const Vec3& p : it->second)
                    best = std::min(best, std::hypot(p.x - x, p.y - y));
            }
        return best;
    }

private:
    static constexpr float CELL = 4.0f;
    std::map<std::pair<int, int>, std::vector<Vec3>> cells_;
    static std::pair<int, int> key(float x, float y)
    {
        return {int(std::floor(x / CELL)), int(std::floor(y / CELL))};
    }
};

// Surfaces lie on the road by design; everything else drawn by the scripts keeps clear of it
// (the road and its verges) below the clearance, the structures that span it included.
TEST(TracksideClearance, NothingStandsOverTheRoadBelowTheClearance)
{
    const std::set<std::string> surfaces = {"grass", "road", "startline", "kerb", "shade"};
    const float corridor = Circuit::ROAD_HALF_WIDTH + Circuit::VERGE_WIDTH;
    RoadIndex road;
    std::set<std::string> spanning;
    int checked = 0;
    for (const auto& [technique, name] : scriptMeshes()) {
        if (surfaces.count(technique))
            continue;
        const RarEntry* e = dataSet().find("meshes\\" + name + ".dat");
        ASSERT_NE(e, nullptr) << name;
        for (const std::array<Vec3, 3>& t : triangles(e->data)) {
            ++checked;
            constexpr int N = 12;
            for (int a = 0; a <= N; ++a)
                for (int b = 0; a + b <= N; ++b) {
                    float wa = float(a) / N, wb = float(b) / N;
                    Vec3 p = t[0] * wa + t[1] * wb + t[2] * (1.0f - wa - wb);
                    float away = road.distance(p.x, p.y, corridor + 0.5f);
                    if (away >= corridor)
                        continue;
                    ASSERT_GE(p.z, CLEARANCE) << name << " at " << p.x << ", " << p.y << ", " << p.z;
                    if (away < 0.2f)
                        spanning.insert(name);
                }
        }
    }
    EXPECT_GT(checked, 1000);
    // The start gantry and two banner bridges span the road.
    EXPECT_GE(spanning.size(), 3u);
    EXPECT_TRUE(spanning.count("gantry"));
}

// The road shows the shade the cars drive through: meshes just above the asphalt and verges
// whose colours, multiplied into the road, match the light map where the lanes are dark.
TEST(TracksideShade, RoadShowsTheShadeOfTheLightMap)
{
    const RarEntry* shade = dataSet().find("technique\\shade");
    ASSERT_NE(shade, nullptr);
    std::vector<std::string> ls = lines(shade->data);
    EXPECT_TRUE(std::count(ls.begin(), ls.end(), "multblend"));
    EXPECT_TRUE(std::count(ls.begin(), ls.end(), "depth write"));   // never hides what comes later

    CarLight light;
    ASSERT_TRUE(light.ok());
    RoadIndex road;
    int meshes = 0, darkMatched = 0, darkVertices = 0;
    for (const auto& [technique, member] : scriptMeshes()) {
        if (technique != "shade")
            continue;
        ++meshes;
        const RarEntry* e = dataSet().find("meshes\\" + member + ".dat");
        ASSERT_NE(e, nullptr) << member;
        uint32_t v = 0, f = 0;
        std::memcpy(&v, e->data.data() + 28, 4);
        std::memcpy(&f, e->data.data() + 32, 4);
        // Vertices, faces, one coordinate set (count, coordinates, indices), then the colours.
        size_t at = 48 + size_t(v) * 12 + size_t(f) * 12;
        uint32_t coords = 0, colours = 0;
        std::memcpy(&coords, e->data.data() + at, 4);
        at += 4 + size_t(coords) * 8 + size_t(f) * 12;
        std::memcpy(&colours, e->data.data() + at, 4);
        ASSERT_EQ(colours, v) << member;
        for (uint32_t i = 0; i < v; ++i) {
            Vec3 p, c;
            std::memcpy(&p, e->data.data() + 48 + size_t(i) * 12, 12);
            std::memcpy(&c, e->data.data() + at + 4 + size_t(i) * 12, 12);
            float away = road.distance(p.x, p.y, 5.0f);
            EXPECT_LE(away, Circuit::ROAD_HALF_WIDTH + Circuit::VERGE_WIDTH + 0.01f) << member;
            EXPECT_GT(p.z, Circuit::ROAD_HEIGHT - Circuit::VERGE_DROP) << member;
            EXPECT_LT(p.z, Circuit::ROAD_HEIGHT + 0.1f) << member;
            ASSERT_GE(c.x, 0.0f);
            ASSERT_LE(c.x, 1.0f);
            if (away < Circuit::ROAD_HALF_WIDTH && light.at(p) < 0.5f) {
                ++darkVertices;
                darkMatched += c.x < 0.65f;
            }
        }
    }
    EXPECT_GE(meshes, 4);
    EXPECT_GT(darkVertices, 100);
    EXPECT_GT(darkMatched, darkVertices * 9 / 10);
}

// The start gantry stands over the main straight a few units past the start line.
TEST(TracksideClearance, StartGantryStandsAtTheStartLine)
{
    const RarEntry* e = dataSet().find("meshes\\gantry.dat");
    ASSERT_NE(e, nullptr);
    std::vector<std::array<Vec3, 3>> tris = triangles(e->data);
    ASSERT_FALSE(tris.empty());
    Vec3 lo = tris[0][0], hi = lo;
    for (const auto& t : tris)
        for (const Vec3& p : t) {
            lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
            hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
        }
    Vec3 start = Circuit::standard().at(0.0f).position;
    EXPECT_GT(lo.x, start.x);
    EXPECT_LT(hi.x, start.x + 12.0f);
    // Across the whole road and its verges, and up to about 5 units.
    EXPECT_LT(lo.y, start.y - 3.0f);
    EXPECT_GT(hi.y, start.y + 3.0f);
    EXPECT_GT(hi.z, 5.5f);
    EXPECT_LT(hi.z, 8.0f);
}

} // namespace
} // namespace qm::test
