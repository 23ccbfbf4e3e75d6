// Corridors: loading the binary records, tangents and slopes, evaluation and its frame.
#include "world/track.h"
#include "tests/support/byte_writer.h"
#include "tests/support/data_rar.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>
#include <cmath>

namespace qm {
namespace {

constexpr float PI = 3.14159265f;

struct Corridor {
    Vec3 points[SECTION_COUNT];
    float steer[SECTION_COUNT];
};

Corridor circle(float radius, float z = 0.0f)
{
    Corridor c{};
    for (int i = 0; i < SECTION_COUNT; ++i) {
        const float a = 2 * PI * float(i) / SECTION_COUNT;
        c.points[i] = Vec3(radius * std::cos(a), radius * std::sin(a), z);
        c.steer[i] = float(i % 7) - 3.0f;
    }
    return c;
}

std::vector<uint8_t> encode(const Corridor& c, int records = SECTION_COUNT)
{
    test::ByteWriter w;
    for (int i = 0; i < records; ++i)
        w.floats({c.points[i].x, c.points[i].y, c.points[i].z, c.steer[i]});
    return w.data;
}

void expectNear(Vec3 a, Vec3 b, float tolerance = 1e-4f)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

TEST(Track, CircleTangentsFollowTheCircleAcrossTheSeam)
{
    Track track;
    Corridor c = circle(50.0f);
    track.setPoints(c.points, c.steer);
    for (int i : {0, 1, 116, 231, 232, 233}) {
        const Vec3 p = track.points[size_t(i)];
        const Vec3 t = track.pointTangents[size_t(i)];
        EXPECT_NEAR(dot(normalized(p), normalized(t)), 0.0f, 1e-4f) << "point " << i;
        EXPECT_GT(length(t), 1.0f);
        // Anticlockwise: the tangent turns left of the radius.
        EXPECT_GT(cross(p, t).z, 0.0f);
    }
    TrackFrame end, start;
    track.evaluate(232, 1.0f, end);
    track.evaluate(0, 0.0f, start);
    expectNear(end.position, start.position);
    expectNear(end.tangent, start.tangent);
}

TEST(Track, EndsOfASectionAreItsPoints)
{
    Track track;
    Corridor c = circle(30.0f, 2.0f);
    track.setPoints(c.points, c.steer);
    TrackFrame f;
    track.evaluate(10, 0.0f, f);
    expectNear(f.position, c.points[10], 0.0f);
    EXPECT_EQ(f.steer, -c.steer[10]);
    track.evaluate(10, 1.0f, f);
    expectNear(f.position, c.points[11], 1e-5f);
    EXPECT_NEAR(f.steer, -c.steer[11], 1e-5f);
}

TEST(Track, LevelCorridorFrameIsUprightWithRightToTheRight)
{
    Track track;
    Corridor c = circle(40.0f, 1.5f);
    track.setPoints(c.points, c.steer);
    for (float t : {0.0f, 0.3f, 0.9f}) {
        TrackFrame f;
        track.evaluate(77, t, f);
        expectNear(f.up, Vec3(0, 0, 1), 1e-5f);
        // forward rotated by -90 degrees about Z
        expectNear(f.right, Vec3(f.forward.y, -f.forward.x, 0), 1e-5f);
        EXPECT_NEAR(length(f.forward), 1.0f, 1e-5f);
    }
}

TEST(Track, LoadsRecordsNegatesSteeringAndZeroFillsAShortMember)
{
    test::ScratchFolder scratch;
    Corridor c = circle(20.0f);
    c.steer[0] = 5.0f;
    c.steer[3] = -2.5f;
    test::packDataRar({{"corr.ase", encode(c)}, {"corr2.ase", encode(c, 10)}});

    Track full;
    full.load("corr.ase");
    EXPECT_EQ(full.steerValues[0], -5.0f);
    EXPECT_EQ(full.steerValues[233], -5.0f);
    EXPECT_EQ(full.steerValues[3], 2.5f);
    expectNear(full.points[232], c.points[232], 0.0f);
    expectNear(full.points[233], c.points[0], 0.0f);

    Track shortOne;
    shortOne.load("corr2.ase");
    expectNear(shortOne.points[9], c.points[9], 0.0f);
    expectNear(shortOne.points[10], Vec3(0, 0, 0), 0.0f);
    Track missing;
    missing.load("corr4.ase");
    expectNear(missing.points[100], Vec3(0, 0, 0), 0.0f);
}

TEST(Track, ZeroTangentKeepsAUsableFrame)
{
    Track track;
    Corridor c{};   // every point at the origin: no direction anywhere
    track.setPoints(c.points, c.steer);
    TrackFrame f;
    track.evaluate(5, 0.5f, f);
    for (Vec3 v : {f.forward, f.right, f.up}) {
        EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
        EXPECT_NEAR(length(v), 1.0f, 1e-5f);
    }
    // Out-of-range sections never index outside the arrays.
    track.evaluate(-3, 0.5f, f);
    track.evaluate(400, 0.5f, f);
}

} // namespace
} // namespace qm
