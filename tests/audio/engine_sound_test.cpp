// A car's engine sound: the cross-fade table, the listener-relative position, and the values
// that reach the audio module (run on its loopback device) from start and update.
#include "audio/audio_device.h"
#include "cars/engine_sound.h"
#include "tests/audio/audio_test_support.h"

#include <gtest/gtest.h>

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
