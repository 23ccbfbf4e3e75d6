// The default corridors: four lanes abreast, spacing set by the speed profile, steering into bends.
#include "tools/mkdata/circuit.h"
#include "tools/mkdata/corridors.h"
#include "world/track.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>

namespace qm {
namespace {

Track trackOf(int lane)
{
    std::vector<CorridorPoint> points = corridorLane(lane);
    std::vector<Vec3> positions;
    std::vector<float> steer;
    for (const CorridorPoint& p : points) {
        positions.push_back(p.position);
        steer.push_back(p.fileSteer);
    }
    Track track;
    track.setPoints(positions.data(), steer.data());
    return track;
}

TEST(DefaultCorridors, FourLanesOfRecordsAbreast)
{
    for (int lane = 0; lane < CORRIDOR_LANES; ++lane) {
        EXPECT_EQ(corridorLane(lane).size(), size_t(SECTION_COUNT));
        EXPECT_EQ(encodeCorridor(corridorLane(lane)).size(), 3728u);
    }
    // Neighbouring lanes stay about 0.7 units apart everywhere: room for two cars 0.5 wide.
    const Track inner = trackOf(1), outer = trackOf(2);
    const Circuit& circuit = Circuit::standard();
    for (int i = 0; i < SECTION_COUNT; i += 7) {
        const Vec3 p = inner.points[size_t(i)];
        const float d = circuit.distanceFrom(p.x, p.y);
        EXPECT_NEAR(d, 0.35f, 0.05f) << "point " << i;
        float nearest = 1e9f;
        for (int k = 0; k < SECTION_COUNT; ++k) {
            TrackFrame f;
            for (int step = 0; step < 50; ++step) {
                outer.evaluate(k, float(step) / 50.0f, f);
                nearest = std::min(nearest, length(f.position - p));
            }
        }
        EXPECT_NEAR(nearest, 0.7f, 0.05f) << "point " << i;
    }
}

TEST(DefaultCorridors, SpacingSweepsTheEngineBands)
{
    const Track track = trackOf(0);
    float slowest = 1e9f, fastest = 0;
    for (int i = 0; i < SECTION_COUNT; ++i) {
        const float spacing = length(track.points[size_t(i) + 1] - track.points[size_t(i)]);
        slowest = std::min(slowest, spacing);
        fastest = std::max(fastest, spacing);
    }
    // 105 x |tangent|: low band under 400, middle 400..600, high above.
    EXPECT_GT(slowest, 1.8f);
    EXPECT_LT(slowest, 2.8f);
    EXPECT_GT(fastest, 7.0f);
    EXPECT_LT(fastest, 8.0f);
}

TEST(DefaultCorridors, SteeringTurnsIntoTheBend)
{
    const Track track = trackOf(3);
    int checked = 0;
    for (int i = 0; i < SECTION_COUNT; ++i) {
        TrackFrame a, b;
        track.evaluate(i, 0.0f, a);
        track.evaluate(i, 0.5f, b);
        // Positive turn of forward about +Z is a left bend; the wheels turn left (positive steer).
        const float turn = cross(a.forward, b.forward).z;
        if (std::fabs(turn) < 0.01f) continue;
        EXPECT_GT(track.steerValues[size_t(i)] * turn, 0.0f) << "section " << i;
        ++checked;
    }
    EXPECT_GT(checked, 20);
}

} // namespace
} // namespace qm
