// The audio module bass.so through the binding, mixing on OpenAL Soft's loopback device: pitch
// from the frequency attribute, channel and master volume, 3D placement, playback counts, the
// content cache, pan, and bad input.
#include "audio/audio_device.h"
#include "tests/audio/audio_test_support.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {
using namespace qm;
using namespace qm::test;

constexpr uint32_t RATE = 44100;

class AudioModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(audio().loadFile(builtAudioModule())) << builtAudioModule();
        ASSERT_TRUE(audio().initLoopback(RATE));
    }
    void TearDown() override
    {
        audio().free();
        resetAudioDevice();
    }
    static AudioDevice& audio() { return audioDevice(); }

    // A looping sample of a 441 Hz sine (one second, whole cycles).
    uint32_t loadSine(uint32_t flags, uint32_t maxPlaybacks = 1)
    {
        static const std::vector<uint8_t> ogg = sineOgg(441.0, RATE, 1.0);
        return audio().sampleLoad(true, ogg.data(), 0, uint32_t(ogg.size()), maxPlaybacks, flags);
    }
    std::vector<int16_t> render(double seconds)
    {
        std::vector<int16_t> out(size_t(seconds * RATE) * 2);
        EXPECT_TRUE(audio().renderLoopback(out.data(), uint32_t(out.size() / 2)));
        return out;
    }
};

TEST_F(AudioModuleTest, FrequencyAttributeSetsThePitch)
{
    const uint32_t sample = loadSine(QM_AUDIO_SAMPLE_LOOP);
    ASSERT_NE(sample, 0u);
    const uint32_t channel = audio().samplePlay(sample);
    ASSERT_NE(channel, 0u);
    uint32_t frequency = 0, volume = 0;
    int32_t pan = 7;
    ASSERT_TRUE(audio().channelGetAttributes(channel, &frequency, &volume, &pan));
    EXPECT_EQ(frequency, RATE);
    EXPECT_EQ(volume, 100u);
    EXPECT_EQ(pan, 0);
    EXPECT_NEAR(zeroCrossingFrequency(channelOf(render(0.5), 0), RATE), 441.0, 1.0);
    struct Case {
        int32_t rate;
        double hz;
    };
    for (Case c : {Case{66150, 661.5}, Case{24100, 241.0}, Case{94100, 941.0}}) {
        SCOPED_TRACE(c.rate);
        ASSERT_TRUE(audio().channelSetAttributes(channel, c.rate, 100, QM_AUDIO_KEEP_PAN));
        render(0.05);   // let the change settle
        EXPECT_NEAR(zeroCrossingFrequency(channelOf(render(0.5), 1), RATE), c.hz, c.hz * 0.003);
        ASSERT_TRUE(audio().channelGetAttributes(channel, &frequency, nullptr, nullptr));
        EXPECT_EQ(frequency, uint32_t(c.rate));
    }
}

TEST_F(AudioModuleTest, ChannelVolumeZeroIsSilentAndMasterVolumeScales)
{
    const uint32_t channel = audio().samplePlay(loadSine(QM_AUDIO_SAMPLE_LOOP));
    ASSERT_NE(channel, 0u);
    render(0.05);
    const double full = rms(channelOf(render(0.5), 0));
    EXPECT_GT(full, 0.1);

    ASSERT_TRUE(audio().setVolume(50));
    EXPECT_EQ(audio().getVolume(), 50);
    render(0.05);
    EXPECT_NEAR(rms(channelOf(render(0.5), 0)) / full, 0.5, 0.02);
    ASSERT_TRUE(audio().setVolume(0));
    render(0.05);
    EXPECT_LT(rms(channelOf(render(0.5), 0)), 1e-4);
    ASSERT_TRUE(audio().setVolume(100));
    EXPECT_FALSE(audio().setVolume(101));
    EXPECT_EQ(audio().getVolume(), 100);

    // Channel volume 0 silences it; -101 leaves the pan alone, -1 the volume.
    ASSERT_TRUE(audio().channelSetAttributes(channel, QM_AUDIO_KEEP_FREQUENCY, 0, QM_AUDIO_KEEP_PAN));
    render(0.05);
    const std::vector<int16_t> quiet = render(0.5);
    EXPECT_LT(rms(channelOf(quiet, 0)), 1e-4);
    EXPECT_LT(rms(channelOf(quiet, 1)), 1e-4);
    ASSERT_TRUE(audio().channelSetAttributes(channel, QM_AUDIO_KEEP_FREQUENCY, 20, QM_AUDIO_KEEP_PAN));
    render(0.05);
    EXPECT_NEAR(rms(channelOf(render(0.5), 0)) / full, 0.2, 0.01);
    uint32_t volume = 0;
    ASSERT_TRUE(audio().channelSetAttributes(channel, 30000, QM_AUDIO_KEEP_VOLUME, QM_AUDIO_KEEP_PAN));
    ASSERT_TRUE(audio().channelGetAttributes(channel, nullptr, &volume, nullptr));
    EXPECT_EQ(volume, 20u);
}

TEST_F(AudioModuleTest, SourceToTheRightIsLouderOnTheRight)
{
    ASSERT_TRUE(audio().set3DFactors(1.0f, 1.0f, 1.0f));
    const uint32_t sample = loadSine(QM_AUDIO_SAMPLE_LOOP | QM_AUDIO_SAMPLE_3D);
    const QmAudioVector right{3, 0, 0};
    const uint32_t channel = audio().samplePlay3D(sample, &right, nullptr, nullptr);
    ASSERT_NE(channel, 0u);
    audio().apply3D();
    render(0.05);
    std::vector<int16_t> out = render(0.5);
    const double rightLevel = rms(channelOf(out, 1)), leftLevel = rms(channelOf(out, 0));
    EXPECT_GT(rightLevel, 0.02);
    EXPECT_GT(rightLevel, 2.0 * leftLevel);

    const QmAudioVector left{-3, 0, 0};
    ASSERT_TRUE(audio().channelSet3DPosition(channel, &left, nullptr, nullptr));
    audio().apply3D();
    render(0.05);
    out = render(0.5);
    EXPECT_NEAR(rms(channelOf(out, 0)), rightLevel, rightLevel * 0.02);
    EXPECT_GT(rms(channelOf(out, 0)), 2.0 * rms(channelOf(out, 1)));
}

TEST_F(AudioModuleTest, DistanceFactorScalesTheFallOff)
{
    const uint32_t channel =
        audio().samplePlay3D(loadSine(QM_AUDIO_SAMPLE_LOOP | QM_AUDIO_SAMPLE_3D), nullptr, nullptr, nullptr);
    ASSERT_NE(channel, 0u);
    auto levelAt = [&](float ahead) {
        const QmAudioVector p{0, 0, ahead};
        audio().channelSet3DPosition(channel, &p, nullptr, nullptr);
        audio().apply3D();
        render(0.05);
        const std::vector<int16_t> out = render(0.3);
        return rms(channelOf(out, 0)) + rms(channelOf(out, 1));
    };
    // Within one metre at full level; beyond, 1 / distance. 0.0035 metres a unit puts
    // 100 units (a car 10 world units away) well inside the metre.
    ASSERT_TRUE(audio().set3DFactors(0.0035f, 1.0f, 1.0f));
    const double near = levelAt(100);
    EXPECT_NEAR(levelAt(250), near, near * 0.01);
    EXPECT_NEAR(levelAt(4000) / near, 1.0 / 14.0, 0.01);
    ASSERT_TRUE(audio().set3DFactors(1.0f, -1.0f, -1.0f));
    EXPECT_NEAR(levelAt(4) / near, 0.25, 0.01);
    // Set3DFactors takes effect on the next Apply3D even without a new position.
    ASSERT_TRUE(audio().set3DFactors(0.0035f, -1.0f, -1.0f));
    audio().apply3D();
    render(0.05);
    const std::vector<int16_t> out = render(0.3);
    EXPECT_NEAR(rms(channelOf(out, 0)) + rms(channelOf(out, 1)), near, near * 0.01);
}

TEST_F(AudioModuleTest, PlaybackCountIsPerSampleEvenWhenSoundsAreShared)
{
    const uint32_t a = loadSine(QM_AUDIO_SAMPLE_LOOP | QM_AUDIO_SAMPLE_3D);
    const uint32_t b = loadSine(QM_AUDIO_SAMPLE_LOOP | QM_AUDIO_SAMPLE_3D);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    EXPECT_NE(a, b);
    const uint32_t first = audio().samplePlay3D(a, nullptr, nullptr, nullptr);
    EXPECT_NE(first, 0u);
    EXPECT_EQ(audio().samplePlay3D(a, nullptr, nullptr, nullptr), 0u);
    EXPECT_EQ(audio().errorGetCode(), QM_AUDIO_ERROR_NOCHAN);
    EXPECT_NE(audio().samplePlay3D(b, nullptr, nullptr, nullptr), 0u);
    // A sample that allows three plays three at once.
    const uint32_t c = loadSine(QM_AUDIO_SAMPLE_LOOP, 3);
    for (int i = 0; i < 3; ++i) EXPECT_NE(audio().samplePlay(c), 0u) << i;
    EXPECT_EQ(audio().samplePlay(c), 0u);
    // 18 x 3 engine samples from the same bytes all load and play.
    for (int i = 0; i < 54; ++i) {
        const uint32_t s = loadSine(QM_AUDIO_SAMPLE_LOOP | QM_AUDIO_SAMPLE_3D);
        ASSERT_NE(s, 0u) << i;
        ASSERT_NE(audio().samplePlay3D(s, nullptr, nullptr, nullptr), 0u) << i;
    }
}

// Across the loop point the mixer plays the decoded sound's last samples and then its first ones,
// sample for sample (a loop of whole cycles; a gap or a jump would show at once).
TEST_F(AudioModuleTest, LoopPointJoinsTheEndToTheStart)
{
    const std::vector<uint8_t> ogg = sineOgg(441.0, RATE, 1.0);
    const std::vector<float> decoded = decodeOgg(ogg);
    ASSERT_EQ(decoded.size(), size_t(RATE));
    const uint32_t sample = audio().sampleLoad(true, ogg.data(), 0, uint32_t(ogg.size()), 1, QM_AUDIO_SAMPLE_LOOP);
    ASSERT_NE(audio().samplePlay(sample), 0u);
    const std::vector<float> left = channelOf(render(2.2), 0);
    // The centred mono source reaches each side with one fixed gain.
    double gain = 0;
    for (size_t i = 1000; i < 1100; ++i)
        if (std::abs(decoded[i]) > 0.3) gain = double(left[i]) / decoded[i];
    ASSERT_GT(gain, 0.3);
    for (size_t loop : {size_t(RATE), size_t(2 * RATE)})
        for (size_t k = 0; k < 200; ++k) {
            EXPECT_NEAR(left[loop + k], gain * decoded[k], 2e-4) << loop << " + " << k;
            EXPECT_NEAR(left[loop - 1 - k], gain * decoded[RATE - 1 - k], 2e-4) << loop << " - " << k;
        }
}

TEST_F(AudioModuleTest, SampleWithoutLoopEndsAndFreesItsPlayback)
{
    const std::vector<uint8_t> ogg = sineOgg(441.0, RATE, 0.2);
    const uint32_t sample = audio().sampleLoad(true, ogg.data(), 0, uint32_t(ogg.size()), 1, 0);
    ASSERT_NE(audio().samplePlay(sample), 0u);
    const std::vector<float> left = channelOf(render(0.4), 0);
    EXPECT_GT(rms(left, 0, size_t(0.15 * RATE)), 0.1);
    EXPECT_LT(rms(left, size_t(0.25 * RATE)), 1e-4);
    EXPECT_NE(audio().samplePlay(sample), 0u);   // the finished playback gave its place back
}

TEST_F(AudioModuleTest, PanMovesAPlainMonoChannel)
{
    const uint32_t channel = audio().samplePlay(loadSine(QM_AUDIO_SAMPLE_LOOP));
    ASSERT_TRUE(audio().channelSetAttributes(channel, QM_AUDIO_KEEP_FREQUENCY, QM_AUDIO_KEEP_VOLUME, -100));
    render(0.05);
    std::vector<int16_t> out = render(0.3);
    EXPECT_GT(rms(channelOf(out, 0)), 10 * rms(channelOf(out, 1)));
    int32_t pan = 0;
    ASSERT_TRUE(audio().channelSetAttributes(channel, 50000, 80, QM_AUDIO_KEEP_PAN));
    ASSERT_TRUE(audio().channelGetAttributes(channel, nullptr, nullptr, &pan));
    EXPECT_EQ(pan, -100);
}

TEST_F(AudioModuleTest, BadDataAndHandlesFailCleanly)
{
    std::vector<uint8_t> junk(5000);
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = uint8_t(i * 37 + 11);
    EXPECT_EQ(audio().sampleLoad(true, junk.data(), 0, uint32_t(junk.size()), 1, 4), 0u);
    EXPECT_EQ(audio().errorGetCode(), QM_AUDIO_ERROR_FORMAT);
    // A real stream cut short: either refused or decoded as far as it goes, never a crash.
    std::vector<uint8_t> ogg = sineOgg(441.0, RATE, 1.0);
    for (size_t cut : {size_t(10), size_t(200), ogg.size() / 2, ogg.size() - 1}) {
        const uint32_t s = audio().sampleLoad(true, ogg.data(), 0, uint32_t(cut), 1, 4);
        if (s) {
            EXPECT_NE(audio().samplePlay(s), 0u);
        }
    }
    EXPECT_EQ(audio().sampleLoad(true, nullptr, 0, 0, 1, 4), 0u);
    EXPECT_EQ(audio().sampleLoad(true, ogg.data(), 0, uint32_t(ogg.size()), 0, 4), 0u);
    EXPECT_EQ(audio().samplePlay(12345), 0u);
    EXPECT_EQ(audio().errorGetCode(), QM_AUDIO_ERROR_HANDLE);
    EXPECT_FALSE(audio().channelSetAttributes(0, 44100, 20, QM_AUDIO_KEEP_PAN));
    EXPECT_FALSE(audio().channelSet3DPosition(0x80000005u, nullptr, nullptr, nullptr));
    uint32_t frequency = 0;
    EXPECT_FALSE(audio().channelGetAttributes(0, &frequency, nullptr, nullptr));
    // A plain channel has no 3D position.
    const uint32_t plain = audio().samplePlay(loadSine(QM_AUDIO_SAMPLE_LOOP));
    EXPECT_FALSE(audio().channelSet3DPosition(plain, nullptr, nullptr, nullptr));
    // Initialising twice fails; after Free every call fails until the next initialisation.
    EXPECT_FALSE(audio().initLoopback(RATE));
    EXPECT_EQ(audio().errorGetCode(), QM_AUDIO_ERROR_ALREADY);
    ASSERT_TRUE(audio().free());
    EXPECT_EQ(audio().getVolume(), -1);
    EXPECT_FALSE(audio().setVolume(50));
    EXPECT_EQ(loadSine(QM_AUDIO_SAMPLE_LOOP), 0u);
    EXPECT_EQ(audio().errorGetCode(), QM_AUDIO_ERROR_INIT);
    EXPECT_FALSE(audio().init(0, RATE, QM_AUDIO_INIT_3D, nullptr));
    EXPECT_EQ(audio().errorGetCode(), QM_AUDIO_ERROR_DEVICE);
    ASSERT_TRUE(audio().initLoopback(RATE));
    EXPECT_EQ(audio().getVolume(), 100);
}

TEST_F(AudioModuleTest, SameCallsRenderTheSameSamples)
{
    auto run = [&]() {
        const uint32_t channel =
            audio().samplePlay3D(loadSine(QM_AUDIO_SAMPLE_LOOP | QM_AUDIO_SAMPLE_3D), nullptr, nullptr, nullptr);
        std::vector<int16_t> all;
        for (int frame = 0; frame < 20; ++frame) {
            const QmAudioVector p{float(frame - 10), 0, 2};
            audio().channelSetAttributes(channel, 40000 + 1000 * frame, 50, QM_AUDIO_KEEP_PAN);
            audio().channelSet3DPosition(channel, &p, nullptr, nullptr);
            audio().apply3D();
            const std::vector<int16_t> part = render(1.0 / 60.0);
            all.insert(all.end(), part.begin(), part.end());
        }
        return all;
    };
    const std::vector<int16_t> first = run();
    audio().free();
    ASSERT_TRUE(audio().initLoopback(RATE));
    EXPECT_EQ(run(), first);
}

// On the system's own output: a machine without a sound card (as here) fails with the device
// error; one with a card succeeds. Either way nothing is printed on standard error.
TEST(AudioModuleDeviceTest, SystemDeviceOpensOrFailsQuietly)
{
    AudioDevice& audio = audioDevice();
    ASSERT_TRUE(audio.loadFile(builtAudioModule()));
    char path[] = "/tmp/qm-audio-stderr-XXXXXX";
    const int capture = mkstemp(path);
    ASSERT_GE(capture, 0);
    std::fflush(stderr);
    const int saved = dup(2);
    dup2(capture, 2);
    const bool opened = audio.init(1, 44100, QM_AUDIO_INIT_3D, nullptr);
    const int32_t error = audio.errorGetCode();
    if (opened) audio.free();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    close(capture);
    const std::string printed = readText(path);
    unlink(path);
    EXPECT_EQ(printed, "");
    if (opened) {
        EXPECT_EQ(error, QM_AUDIO_OK);
    } else {
        EXPECT_EQ(error, QM_AUDIO_ERROR_DEVICE);
        EXPECT_EQ(audio.getVolume(), -1);   // and every later call fails
    }
    resetAudioDevice();
}

} // namespace
