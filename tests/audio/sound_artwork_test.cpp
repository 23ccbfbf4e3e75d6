// The default sounds of quillmark-mkdata, decoded as the module decodes them: exact loop lengths,
// seams that join without a click, engine fundamentals rising low -> med -> max, a music loop of
// at least a minute with bass, melody and drums, and the same bytes on every run.
#include "tests/audio/audio_test_support.h"
#include "tools/mkdata/artwork.h"
#include "tools/mkdata/sound_artwork.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace {
using namespace qm;
using namespace qm::test;

const std::map<std::string, std::vector<uint8_t>>& members()
{
    static const std::map<std::string, std::vector<uint8_t>> all = [] {
        DataSet set;
        addSoundArtwork(set);
        std::map<std::string, std::vector<uint8_t>> m;
        for (const RarEntry& e : set.members()) m[e.name] = e.data;
        return m;
    }();
    return all;
}

// Sample-to-sample steps at the seam (last -> first, and its neighbours) against the steps
// inside the loop: a click is a step far beyond what the sound does anywhere else.
void expectSeamless(const std::vector<float>& s)
{
    ASSERT_GT(s.size(), 1000u);
    std::vector<double> steps;
    for (size_t i = 1; i < s.size(); ++i) steps.push_back(std::abs(double(s[i]) - s[i - 1]));
    std::sort(steps.begin(), steps.end());
    const double typicalTop = steps[size_t(double(steps.size()) * 0.999)];
    const size_t n = s.size();
    for (size_t k = 0; k < 4; ++k) {
        const double seam = std::abs(double(s[k]) - s[(k + n - 1) % n]);
        EXPECT_LE(seam, typicalTop) << "step into sample " << k;
    }
    // The wave goes on across the seam: the last milliseconds predict the first ones about as
    // well as any stretch predicts the next (second differences stay in range).
    const double seamCurve = std::abs(double(s[0]) - 2.0 * s[n - 1] + s[n - 2]);
    double curveTop = 0;
    for (size_t i = 2; i < n; ++i) curveTop = std::max(curveTop, std::abs(double(s[i]) - 2.0 * s[i - 1] + s[i - 2]));
    EXPECT_LE(seamCurve, curveTop);
}

TEST(SoundArtworkTest, EngineLoopsAreSeamlessAndRiseInPitch)
{
    const char* names[3] = {"low.ogg", "med.ogg", "max.ogg"};
    double previous = 0;
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(names[i]);
        ASSERT_TRUE(members().count(names[i]));
        uint32_t rate = 0;
        const std::vector<float> s = decodeOgg(members().at(names[i]), &rate);
        EXPECT_EQ(rate, ENGINE_SOUND_RATE);
        const std::vector<float> source = synthesizeEngineLoop(i);
        EXPECT_EQ(s.size(), source.size());
        EXPECT_EQ(s.size() % size_t(ENGINE_FIRING_PERIODS[i] * 4), 0u);   // whole engine cycles
        EXPECT_GT(s.size(), size_t(rate));                                // at least a second
        expectSeamless(s);
        // The firing period dominates the repetition: 45, 75, 120 Hz.
        const double period = autocorrelationPeriod(s, 100, 1500);
        const double fundamental = rate / period;
        EXPECT_NEAR(period, ENGINE_FIRING_PERIODS[i], ENGINE_FIRING_PERIODS[i] * 0.02);
        EXPECT_GT(fundamental, previous * 1.3);
        previous = fundamental;
        // A full engine sound, not a whisper, and no clipping.
        EXPECT_GT(rms(s), 0.1);
        EXPECT_LE(*std::max_element(s.begin(), s.end()), 1.0f);
        // Not a pure tone: firing pulses through the exhaust carry a rich set of harmonics.
        const double fine = [&] {
            double sum = 0;
            for (size_t k = 1; k < s.size(); ++k) sum += (double(s[k]) - s[k - 1]) * (double(s[k]) - s[k - 1]);
            return std::sqrt(sum / double(s.size()));
        }();
        EXPECT_GT(fine / rms(s), 2.0 * std::sin(3.14159 * fundamental / rate) * 2.0);
    }
}

TEST(SoundArtworkTest, MusicIsAMinuteLongLoopWithBassMelodyAndDrums)
{
    ASSERT_TRUE(members().count("music.ogg"));
    uint32_t rate = 0;
    const std::vector<float> s = decodeOgg(members().at("music.ogg"), &rate);
    EXPECT_EQ(rate, MUSIC_SOUND_RATE);
    ASSERT_EQ(s.size(), size_t(MUSIC_BEATS) * size_t(MUSIC_SAMPLES_PER_BEAT));
    EXPECT_GE(double(s.size()) / rate, 60.0);
    expectSeamless(s);
    // Every bar sounds (no silent gaps), and the level stays within a sensible range.
    const size_t bar = size_t(4 * MUSIC_SAMPLES_PER_BEAT);
    for (size_t b = 0; b < s.size() / bar; ++b) {
        const double level = rms(s, b * bar, (b + 1) * bar);
        EXPECT_GT(level, 0.05) << "bar " << b;
        EXPECT_LT(level, 0.6) << "bar " << b;
    }
    // Three bands carry energy: bass (below 200 Hz), melody (300..2000 Hz) and drums' top
    // (above 5 kHz), measured with simple one-pole splits.
    double low = 0, mid = 0, high = 0;
    double lp200 = 0, lp300 = 0, lp2000 = 0, lp5000 = 0;
    auto k = [&](double f) { return 1.0 - std::exp(-2.0 * 3.14159265 * f / rate); };
    const double k200 = k(200), k300 = k(300), k2000 = k(2000), k5000 = k(5000);
    for (float x : s) {
        lp200 += k200 * (x - lp200);
        lp300 += k300 * (x - lp300);
        lp2000 += k2000 * (x - lp2000);
        lp5000 += k5000 * (x - lp5000);
        low += lp200 * lp200;
        mid += (lp2000 - lp300) * (lp2000 - lp300);
        high += (x - lp5000) * (x - lp5000);
    }
    const double total = low + mid + high;
    EXPECT_GT(low / total, 0.15);
    EXPECT_GT(mid / total, 0.1);
    EXPECT_GT(high / total, 0.01);
    // Beats: the level in the first sixteenth of each beat (kick and snare) beats its last.
    int accented = 0;
    const size_t beat = MUSIC_SAMPLES_PER_BEAT;
    for (size_t b = 0; b < size_t(MUSIC_BEATS); ++b)
        accented += rms(s, b * beat, b * beat + beat / 8) > rms(s, b * beat + beat * 5 / 8, b * beat + beat * 6 / 8);
    EXPECT_GT(accented, MUSIC_BEATS * 3 / 4);
}

TEST(SoundArtworkTest, EncodingIsDeterministic)
{
    DataSet again;
    addSoundArtwork(again);
    for (const RarEntry& e : again.members()) {
        SCOPED_TRACE(e.name);
        ASSERT_TRUE(members().count(e.name));
        EXPECT_EQ(e.data, members().at(e.name));
    }
    EXPECT_EQ(again.members().size(), 4u);
}

} // namespace
