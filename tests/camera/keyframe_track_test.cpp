// Scene files read into keyframe tracks, their preparation and their sampling.
#include "assets/asset_stream.h"
#include "camera/keyframe_track.h"
#include "render/quat.h"
#include "tests/camera/camera_test_support.h"
#include "tests/support/data_rar.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>
#include <cmath>
#include <string>

namespace qm {
namespace {


KeyframeTrack trackFrom(const std::string& text, bool prepare = true)
{
    AssetStream stream;
    test::adoptCopy(stream, test::bytesOf(text));
    KeyframeTrack track;
    track.load(stream);
    if (prepare) track.prepare();
    return track;
}

std::string block(float time, Vec3 p, const std::string& extra = "")
{
    char text[256];
    std::snprintf(text, sizeof text, "keyframe\ntime %g\nposition V(%g %g %g)\n%send\n", time, p.x, p.y,
                  p.z, extra.c_str());
    return text;
}

const Quat IDENTITY(0, 0, 0, 1);
const float S45 = std::sin(float(M_PI) / 4.0f);
const Quat TURN_90_Z(0, 0, S45, S45);

TEST(SceneFile, HeaderIsIgnoredAndFieldsAreRead)
{
    const KeyframeTrack track = trackFrom(
        "Camera scene: chase, written by hand\n"
        "keyframe\n"
        "  time 0\n"
        "position V(1 -2 3.5)\r\n"
        "quaternion Q(0 0 0.70710677 0.70710677)\n"
        "end\n"
        "keyframe\n"
        "freeze\n"
        "time 12.5\n"
        "position V(1.5e1 -2 +.5)\n"
        "end\n"
        "ENDKEYS\n", false);
    ASSERT_EQ(track.size(), 2u);
    const Keyframe& a = track.keyframes()[0];
    const Keyframe& b = track.keyframes()[1];
    EXPECT_EQ(a.time, 0.0f);
    EXPECT_FALSE(a.frozen);
    EXPECT_VEC_NEAR(a.position, Vec3(1, -2, 3.5f), 0);
    EXPECT_QUAT_NEAR(a.orientation, Quat(0, 0, 0.70710677f, 0.70710677f), 0);
    EXPECT_EQ(b.time, 12.5f);
    EXPECT_TRUE(b.frozen);
    EXPECT_VEC_NEAR(b.position, Vec3(15, -2, 0.5f), 0);
    EXPECT_QUAT_NEAR(b.orientation, Quat(0, 0, 0, 0), 0) << "no quaternion line: construction value";
    const KeyframeTrack noPosition = trackFrom("keyframe\ntime 1\nend\nkeyframe\ntime 2\nend\n", false);
    ASSERT_EQ(noPosition.size(), 2u);
    EXPECT_VEC_NEAR(noPosition.keyframes()[0].position, Vec3(0, 0, 0), 0);
}

TEST(SceneFile, KeywordsAreCaseSensitiveAndEndkeysInsideABlockIsIgnored)
{
    const KeyframeTrack track = trackFrom(
        "keyframe\n"
        "time 0\n"
        "END\n"                       // not "end": the block goes on
        "ENDKEYS\n"                   // inside a block: an ignored line
        "position V(1 2 3)\n"
        "Time 7\n"
        "end\n"
        "keyframe\n"
        "time 5\n"
        "end of the second key\n"     // begins with "end": closes
        "ENDKEYS\n"
        "keyframe\n"
        "time 9\n"
        "end\n", false);
    ASSERT_EQ(track.size(), 2u);
    EXPECT_EQ(track.keyframes()[0].time, 0.0f);
    EXPECT_VEC_NEAR(track.keyframes()[0].position, Vec3(1, 2, 3), 0);
    EXPECT_EQ(track.keyframes()[1].time, 5.0f);
}

TEST(SceneFile, TheStreamEndStopsReadingAndDropsAnUnfinishedKey)
{
    struct Case {
        const char* what;
        const char* text;
        size_t keys;
    } cases[] = {
        {"no ENDKEYS", "keyframe\ntime 0\nend\nkeyframe\ntime 4\nend\n", 2},
        {"cut inside a block", "keyframe\ntime 0\nend\nkeyframe\ntime 4\nposition V(1 2 3)\n", 1},
        {"last end without a line feed", "keyframe\ntime 0\nend\nkeyframe\ntime 4\nend", 2},
        {"keyframe as the last line", "keyframe\ntime 0\nend\nkeyframe", 1},
        {"ENDKEYS without a line feed", "keyframe\ntime 0\nend\nENDKEYS", 1},
        {"empty", "", 0},
        {"only blanks and carriage returns", "   \r\n\r\n  \n", 0},
    };
    for (const Case& c : cases) {
        const KeyframeTrack track = trackFrom(c.text);
        EXPECT_EQ(track.size(), c.keys) << c.what;
    }
}

TEST(SceneFile, LinesThatDoNotMatchTheirPatternChangeNothing)
{
    struct Case {
        const char* line;
        float time;
        Vec3 position;
    } cases[] = {
        {"time 12 and some words", 12, {0, 0, 0}},
        {"time\t-3.25e1", -32.5f, {0, 0, 0}},
        {"time abc", 0, {0, 0, 0}},
        {"timer 3", 0, {0, 0, 0}},
        {"time nan", 0, {0, 0, 0}},
        {"time inf", 0, {0, 0, 0}},
        {"time 1e99", 0, {0, 0, 0}},
        {"time 0x10", 0, {0, 0, 0}},   // the number is 0; "x10" is text after the pattern
        {"position V(1 2)", 0, {0, 0, 0}},
        {"position V(1 2 3", 0, {0, 0, 0}},
        {"position (1 2 3)", 0, {0, 0, 0}},
        {"position V(1 2 3 )", 0, {0, 0, 0}},
        {"positionV(4 5 6)", 0, {4, 5, 6}},
        {"position V( 4\t5   6)", 0, {4, 5, 6}},
        {"position V(-.5 7. 1E2)", 0, {-0.5f, 7, 100}},
    };
    for (const auto& c : cases) {
        const KeyframeTrack track = trackFrom("keyframe\n" + std::string(c.line) + "\nend\n", false);
        ASSERT_EQ(track.size(), 1u) << c.line;
        EXPECT_EQ(track.keyframes()[0].time, c.time) << c.line;
        EXPECT_VEC_NEAR(track.keyframes()[0].position, c.position, 0) << c.line;
    }
    const KeyframeTrack longLine = trackFrom("keyframe\ntime 3" + std::string(300, '0') + "\nend\n", false);
    ASSERT_EQ(longLine.size(), 1u);
    EXPECT_TRUE(std::isfinite(longLine.keyframes()[0].time));
}

TEST(KeyframeTrack, GradientsAreHalfTheNeighbourDifferenceWithOneSidedEnds)
{
    // A "gradient" line is read and then replaced.
    const KeyframeTrack track = trackFrom(block(0, {0, 0, 0}, "gradient V(99 99 99)\n") +
                                          block(6, {10, 0, 0}, "gradient V(-4 -4 -4)\n") + block(12, {10, 10, 0}));
    ASSERT_EQ(track.size(), 3u);
    EXPECT_VEC_NEAR(track.keyframes()[0].gradient, Vec3(10, 0, 0), 0);
    EXPECT_VEC_NEAR(track.keyframes()[1].gradient, Vec3(5, 5, 0), 0);
    EXPECT_VEC_NEAR(track.keyframes()[2].gradient, Vec3(0, 10, 0), 0);
    const KeyframeTrack plain = trackFrom(block(0, {0, 0, 0}) + block(6, {10, 0, 0}) + block(12, {10, 10, 0}));
    for (float t = 0; t < 12; t += 0.7f)
        EXPECT_VEC_NEAR(track.sample(t).position, plain.sample(t).position, 0) << t;
}

TEST(KeyframeTrack, TwoKeysGiveTheStraightLineAndThePlainSlerp)
{
    const std::string q0 = "quaternion Q(0 0 0 1)\n";
    const std::string q1 = "quaternion Q(0 0 0.70710677 0.70710677)\n";
    const KeyframeTrack track = trackFrom(block(6, {2, 4, 8}, q0) + block(18, {12, -6, 8}, q1));
    EXPECT_VEC_NEAR(track.keyframes()[0].gradient, Vec3(10, -10, 0), 0);
    EXPECT_VEC_NEAR(track.keyframes()[1].gradient, Vec3(10, -10, 0), 0);
    for (float u = 0; u < 1.0f; u += 0.125f) {
        const KeyframeSample s = track.sample(6 + 12 * u);
        EXPECT_FALSE(s.ended) << u;
        EXPECT_VEC_NEAR(s.position, Vec3(2 + 10 * u, 4 - 10 * u, 8), 1e-5f) << u;
        EXPECT_QUAT_NEAR(s.orientation, slerp(IDENTITY, TURN_90_Z, u), 1e-5f) << u;
    }
}

TEST(KeyframeTrack, SamplingAtBeforeAndAfterTheKeyTimes)
{
    const std::string qa = "quaternion Q(0 0 0 1)\n";
    const std::string qb = "quaternion Q(0 0 0.70710677 0.70710677)\n";
    const std::string qc = "quaternion Q(0.5 0.5 0.5 0.5)\n";
    const KeyframeTrack track = trackFrom(block(3, {0, 0, 0}, qa) + block(9, {10, 0, 0}, qb) + block(15, {10, 10, 0}, qc));
    const Keyframe& first = track.keyframes()[0];
    const Keyframe& middle = track.keyframes()[1];
    const Keyframe& last = track.keyframes()[2];
    struct Case {
        float time;
        const Keyframe& expected;
        bool ended;
    } cases[] = {
        {3, first, false},      // u = 0 of the first segment
        {9, middle, false},     // u = 0 of the segment it starts
        {15, last, true},       // the last key's time: over
        {40, last, true},
        {0, last, true},        // before the first key: the last key, over
        {-1, last, true},
        {NAN, last, true},
    };
    for (const Case& c : cases) {
        const KeyframeSample s = track.sample(c.time);
        EXPECT_EQ(s.ended, c.ended) << c.time;
        EXPECT_VEC_NEAR(s.position, c.expected.position, 1e-6f) << c.time;
        EXPECT_QUAT_NEAR(s.orientation, c.expected.orientation, 1e-6f) << c.time;
    }
}

// The orientation curve is C1 at the inner keys: the rate of turn just before and just after a
// key agree, which the control points from the neighbours are for.
TEST(KeyframeTrack, OrientationTurnsSmoothlyThroughInnerKeys)
{
    const KeyframeTrack track = trackFrom(block(0, {0, 0, 0}, "quaternion Q(0 0 0 1)\n") +
                                          block(6, {1, 0, 0}, "quaternion Q(0 0 0.38268343 0.92387953)\n") +
                                          block(12, {2, 0, 0}, "quaternion Q(0.5 0.5 0.5 0.5)\n") +
                                          block(18, {3, 0, 0}, "quaternion Q(0 0.70710677 0 0.70710677)\n"));
    const float h = 0.01f;
    for (float key : {6.0f, 12.0f}) {
        const Quat before = track.sample(key - h).orientation;
        const Quat at = track.sample(key).orientation;
        const Quat after = track.sample(key + h).orientation;
        const float left[4] = {at.x - before.x, at.y - before.y, at.z - before.z, at.w - before.w};
        const float right[4] = {after.x - at.x, after.y - at.y, after.z - at.z, after.w - at.w};
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(left[i] / h, right[i] / h, 2e-3f) << key << " component " << i;
    }
}

TEST(KeyframeTrack, TracksWithFewerThanTwoKeysAreNeverPrepared)
{
    KeyframeTrack one = trackFrom(block(0, {4, 5, 6}, "gradient V(1 2 3)\n"));
    EXPECT_FALSE(one.usable());
    EXPECT_VEC_NEAR(one.keyframes()[0].gradient, Vec3(1, 2, 3), 0) << "prepare left it alone";
    const KeyframeSample s = one.sample(0);
    EXPECT_TRUE(s.ended);
    EXPECT_VEC_NEAR(s.position, Vec3(4, 5, 6), 0);
    const KeyframeTrack none = trackFrom("header only\nENDKEYS\n");
    EXPECT_FALSE(none.usable());
    EXPECT_TRUE(none.sample(0).ended);
}

// Times that do not increase leave segments that hold no time: sampling finds no pair there and
// reports the move over, in a bounded walk.
TEST(KeyframeTrack, TimesThatDoNotIncreaseNeverHang)
{
    const KeyframeTrack equal = trackFrom(block(5, {0, 0, 0}) + block(5, {1, 0, 0}));
    for (float t : {0.0f, 5.0f, 6.0f}) EXPECT_TRUE(equal.sample(t).ended) << t;
    const KeyframeTrack backwards = trackFrom(block(20, {0, 0, 0}) + block(10, {1, 0, 0}) + block(0, {2, 0, 0}));
    for (float t = -5; t < 30; t += 0.5f) {
        const KeyframeSample s = backwards.sample(t);
        EXPECT_TRUE(s.ended) << t;
        EXPECT_TRUE(std::isfinite(s.position.x)) << t;
    }
    const KeyframeTrack dip = trackFrom(block(0, {0, 0, 0}) + block(10, {1, 0, 0}) + block(5, {2, 0, 0}) + block(20, {3, 0, 0}));
    EXPECT_FALSE(dip.sample(2).ended);
    EXPECT_FALSE(dip.sample(12).ended) << "the pair (5, 20) holds 12";
    EXPECT_TRUE(dip.sample(25).ended);
}

TEST(SceneTracks, SeventeenMembersAreReadInOrderAndMissingOnesStayEmpty)
{
    test::ScratchFolder folder;
    std::vector<RarEntry> entries;
    for (int i = 0; i < SCENE_COUNT; ++i) {
        if (i == 11) continue;
        std::string text = "scene " + std::to_string(i) + "\n";
        for (int k = 0; k <= i % 3 + 1; ++k) text += block(float(6 * k), {float(i), float(k), 0});
        entries.push_back({"scene" + std::to_string(i) + ".txt", test::bytesOf(text + "ENDKEYS\n")});
    }
    test::packDataRar(entries);
    resetSceneTracks();
    loadSceneTracks();
    for (int i = 0; i < SCENE_COUNT; ++i) {
        const KeyframeTrack& track = sceneTracks()[size_t(i)];
        if (i == 11) {
            EXPECT_EQ(track.size(), 0u);
            continue;
        }
        ASSERT_EQ(track.size(), size_t(i % 3 + 2)) << i;
        EXPECT_EQ(track.keyframes()[0].position.x, float(i));
        EXPECT_VEC_NEAR(track.keyframes()[0].gradient, Vec3(0, 1, 0), 0) << "prepared " << i;
    }
    resetSceneTracks();
    EXPECT_EQ(sceneTracks()[0].size(), 0u);
}

} // namespace
} // namespace qm
