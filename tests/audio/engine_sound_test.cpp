// A car's engine sound: the cross-fade table, the listener-relative position, and the values
// that reach the audio module (run on its loopback device) from start and update.
#include "audio/audio_device.h"
#include "cars/car.h"
#include "cars/engine_sound.h"
#include "tests/audio/audio_test_support.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
using namespace qm;
using namespace qm::test;

struct MixRow {
    int32_t v;
    int32_t volume[3];          // low, middle, high, 0..100
    int32_t rateOffset[3];      // from a base of 0
};

// Volumes and rates of the cross-fade table at the engine values the table's edges care about.
const MixRow MIX_TABLE[] = {
    {0, {100, 0, 0}, {-20000 + 1707, -20000, -10000}},        // 70000 x 10 / 410 = 1707.3
    {400, {0, 100, 42}, {50000, -20000 + 33333, -10000 + 16363}},
    {420, {0, 100, 48}, {50000, -20000 + 35000, -10000 + 18545}},
    {1750, {0, 0, 50}, {50000, 30000, 50000}},
    {2000, {0, 0, 0}, {50000, 30000, 50000}},
};

int32_t band(int k, int32_t v)
{
    static const int32_t B[3][4] = {{-100, -100, 200, 400}, {0, 400, 450, 600}, {250, 600, 1700, 1800}};
    return engineBand(v, B[k][0], B[k][1], B[k][2], B[k][3]);
}

int32_t ramp(int k, int32_t v, int32_t base)
{
    static const int32_t R[3][4] = {{-20000, 50000, -10, 400}, {-20000, 30000, 0, 600}, {-10000, 50000, 250, 800}};
    return engineRamp(v, base + R[k][0], base + R[k][1], R[k][2], R[k][3]);
}

TEST(EngineMixTest, CrossFadeTable)
{
    for (const MixRow& row : MIX_TABLE) {
        SCOPED_TRACE(row.v);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(band(k, row.v), row.volume[k]) << k;
            EXPECT_EQ(ramp(k, row.v, 44100), 44100 + row.rateOffset[k]) << k;
        }
    }
    // Band edges: full from c up to (not including) d, zero outside b..e.
    EXPECT_EQ(band(1, 449), 100);
    EXPECT_EQ(band(1, 450), 100);
    EXPECT_EQ(band(1, 601), 0);
    EXPECT_EQ(band(2, 249), 0);
    EXPECT_EQ(band(0, -101), 0);
}

TEST(EngineMixTest, CarTenUnitsAheadIsAHundredUnitsAhead)
{
    EngineSound engine;
    ListenerPose camera;   // at the origin, looking along +y, +z up
    engine.update(Vec3(0, 10, 0), Vec3(0, 2, 0), camera);
    EXPECT_FLOAT_EQ(engine.position.x, 0);
    EXPECT_FLOAT_EQ(engine.position.y, 0);
    EXPECT_FLOAT_EQ(engine.position.z, 100);
    EXPECT_FLOAT_EQ(engine.velocity.z, 2);
    EXPECT_EQ(engine.engineValue(), 210);
    // Three units to the right of a camera that looks down -x from (5, 5, 0): x = 3 x 3.
    camera.eye = Vec3(5, 5, 0);
    camera.viewDir = Vec3(-1, 0, 0);
    engine.update(Vec3(5, 8, 0), Vec3(0, 0, 0), camera);
    EXPECT_NEAR(engine.position.x, 9, 1e-5);
    EXPECT_NEAR(engine.position.z, 0, 1e-5);
    EXPECT_EQ(engine.engineValue(), 0);
}

class EngineSoundModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(audioDevice().loadFile(builtAudioModule()));
        ASSERT_TRUE(audioDevice().initLoopback(44100));
        ASSERT_TRUE(audioDevice().set3DFactors(0.0035f, 1.0f, 1.0f));
        static const std::vector<uint8_t> tone = sineOgg(441.0, 44100, 1.0);
        for (int k = 0; k < 3; ++k)
            engine.samples[k] = audioDevice().sampleLoad(true, tone.data(), 0, uint32_t(tone.size()), 1,
                                                         QM_AUDIO_SAMPLE_LOOP | QM_AUDIO_SAMPLE_3D);
        engine.start();
    }
    void TearDown() override
    {
        audioDevice().free();
        resetAudioDevice();
    }
    EngineSound engine;
};

TEST_F(EngineSoundModuleTest, UpdateHandsRateVolumeAndPlaceToTheModule)
{
    for (int k = 0; k < 3; ++k) {
        EXPECT_NE(engine.channels[k], 0u) << k;
        EXPECT_EQ(engine.baseFrequencies[k], 44100) << k;
        uint32_t volume = 1;
        ASSERT_TRUE(audioDevice().channelGetAttributes(engine.channels[k], nullptr, &volume, nullptr));
        EXPECT_EQ(volume, 0u) << k;   // silent until the first update
    }
    ListenerPose camera;
    for (const MixRow& row : MIX_TABLE) {
        if (row.v == 0) continue;   // a standing car has no direction to run in
        SCOPED_TRACE(row.v);
        // v = trunc(105 x speed): speeds a hair above v / 105 give exactly v.
        engine.update(Vec3(0, 10, 0), Vec3(0, (float(row.v) + 0.5f) / 105.0f, 0), camera);
        ASSERT_EQ(engine.engineValue(), row.v);
        for (int k = 0; k < 3; ++k) {
            uint32_t frequency = 0, volume = 0;
            int32_t pan = 1;
            ASSERT_TRUE(audioDevice().channelGetAttributes(engine.channels[k], &frequency, &volume, &pan));
            EXPECT_EQ(volume, uint32_t(row.volume[k] / 5)) << k;
            EXPECT_EQ(int32_t(frequency), 44100 + row.rateOffset[k]) << k;
            EXPECT_EQ(pan, 0) << k;
        }
    }
}

TEST_F(EngineSoundModuleTest, CarOnTheRightIsHeardOnTheRight)
{
    ListenerPose camera;
    // Slow enough for the low sound at full volume: v = 105.
    engine.update(Vec3(4, 1, 0), Vec3(0, 1.001f, 0), camera);
    std::vector<int16_t> out(44100 * 2 / 4);
    ASSERT_TRUE(audioDevice().renderLoopback(out.data(), uint32_t(out.size() / 2)));
    ASSERT_TRUE(audioDevice().renderLoopback(out.data(), uint32_t(out.size() / 2)));
    const double left = rms(channelOf(out, 0)), right = rms(channelOf(out, 1));
    EXPECT_GT(right, 0.01);
    EXPECT_GT(right, 1.5 * left);
    // A car far away is much quieter: 100 units ahead is 35 m at this scale.
    engine.update(Vec3(0, 100, 0), Vec3(0, 1.001f, 0), camera);
    ASSERT_TRUE(audioDevice().renderLoopback(out.data(), uint32_t(out.size() / 2)));
    ASSERT_TRUE(audioDevice().renderLoopback(out.data(), uint32_t(out.size() / 2)));
    EXPECT_LT(rms(channelOf(out, 1)), right / 10);
}

// A car on a corridor whose points lie close on one half and far apart on the other: where they
// lie far apart the car is fast, the high sound takes over and the rates rise.
TEST_F(EngineSoundModuleTest, PitchAndMixFollowTheCorridorSpacing)
{
    Track corridor;
    Vec3 points[SECTION_COUNT];
    float steer[SECTION_COUNT] = {};
    constexpr int DENSE = SECTION_COUNT / 2;
    const float denseStep = 6.2831853f / (DENSE + (SECTION_COUNT - DENSE) * 2.7f);
    float angle = 0;
    for (int i = 0; i < SECTION_COUNT; ++i) {
        points[i] = Vec3(300 * std::cos(angle), 300 * std::sin(angle), 0);
        angle += i < DENSE ? denseStep : 2.7f * denseStep;
    }
    corridor.setPoints(points, steer);
    Car car;
    car.track = &corridor;
    car.engine = engine;   // the channels started on the loopback device
    struct Heard {
        int32_t v;
        uint32_t frequency[3], volume[3];
    };
    auto hearAt = [&](int section) {
        car.section = section;
        car.fraction = 0.5f;
        ListenerPose camera;
        camera.eye = Vec3(0, 0, 5);
        car.update(0.0f, camera);
        Heard h{car.engine.engineValue(), {}, {}};
        for (int k = 0; k < 3; ++k)
            audioDevice().channelGetAttributes(car.engine.channels[k], &h.frequency[k], &h.volume[k], nullptr);
        return h;
    };
    const Heard slow = hearAt(DENSE / 2), fast = hearAt(DENSE + (SECTION_COUNT - DENSE) / 2);
    EXPECT_GT(fast.v, 2 * slow.v);
    EXPECT_GT(slow.volume[1], 0u);             // the middle sound carries the slow half
    EXPECT_EQ(fast.volume[1], 0u);
    EXPECT_GT(fast.volume[2], slow.volume[2]);  // the high sound the fast one
    for (int k = 0; k < 3; ++k) EXPECT_GE(fast.frequency[k], slow.frequency[k]) << k;
    EXPECT_GT(fast.frequency[2], slow.frequency[2]);
}

TEST(EngineSoundUnboundTest, UpdateWithoutModuleOrChannelsStillComputesTheMix)
{
    resetAudioDevice();
    EngineSound engine;
    engine.start();   // no module: no channels, nothing breaks
    ListenerPose camera;
    engine.update(Vec3(0, 10, 0), Vec3(0, 4.001f, 0), camera);
    EXPECT_EQ(engine.engineValue(), 420);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(engine.channels[k], 0u);
}

} // namespace
