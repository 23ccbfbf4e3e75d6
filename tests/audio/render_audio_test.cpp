// End to end: quillmark-render --audio over a few seconds of the default artwork writes a 16-bit
// 44.1 kHz stereo WAV of exactly dt x 44,100 frames per frame, with music and engines in it, the
// same samples on every run, and music that goes on past its loop point without a click; and the
// engines' pitch in that WAV rises and falls with the cars' speed along the corridors.
#include "tests/audio/audio_test_support.h"
#include "tests/support/scratch_folder.h"
#include "tools/mkdata/data_set.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <string>

namespace {
using namespace qm::test;

std::string binaryDir()
{
    const char* dir = std::getenv("QM_BINARY_DIR");
    return dir ? dir : ".";
}

int runQuiet(const std::string& command)
{
    const int status = std::system((command + " >/dev/null 2>tool.err").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

uint32_t le32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

std::vector<int16_t> wavSamples(const std::vector<uint8_t>& wav)
{
    std::vector<int16_t> out((wav.size() - 44) / 2);
    for (size_t i = 0; i < out.size(); ++i) out[i] = int16_t(wav[44 + 2 * i] | wav[45 + 2 * i] << 8);
    return out;
}

TEST(RenderAudioTest, DefaultArtworkSoundsThroughTheLoopback)
{
    ScratchFolder folder;
    ASSERT_EQ(runQuiet(binaryDir() + "/bin/quillmark-mkdata data.rar"), 0) << readText("tool.err");
    const std::string render = binaryDir() + "/bin/quillmark-render --size 64x48 --seed 3 --dt 0.0166666";
    ASSERT_EQ(runQuiet(render + " --frames 150 --audio long.wav"), 0) << readText("tool.err");
    const std::vector<uint8_t> wav = readFile("long.wav");
    ASSERT_GE(wav.size(), 44u);
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(le32(wav, 24), 44100u);                 // rate
    EXPECT_EQ(le32(wav, 22) & 0xFFFF, 2u);            // channels
    EXPECT_EQ(le32(wav, 34) & 0xFFFF, 16u);           // bits
    const uint32_t frames = uint32_t(150 * 0.0166666 * 44100 + 0.5);
    EXPECT_EQ(le32(wav, 40), frames * 4);
    ASSERT_EQ(wav.size(), 44 + size_t(frames) * 4);

    // SoX, an independent reader, sees the same format and length.
    ASSERT_EQ(runQuiet("(sox --i -r long.wav > sox.txt && sox --i -c long.wav >> sox.txt && "
                       "sox --i -b long.wav >> sox.txt && sox --i -s long.wav >> sox.txt)"), 0);
    EXPECT_EQ(readText("sox.txt"), "44100\n2\n16\n" + std::to_string(frames) + "\n");

    const std::vector<int16_t> samples = wavSamples(wav);
    const std::vector<float> left = channelOf(samples, 0), right = channelOf(samples, 1);
    // Music from the first frame on (the output is muted only until the first frame).
    for (size_t second = 0; second < 2; ++second) {
        EXPECT_GT(rms(left, second * 44100, (second + 1) * 44100), 0.03) << second;
        EXPECT_GT(rms(right, second * 44100, (second + 1) * 44100), 0.03) << second;
    }
    // Left and right differ: 3D engines sit on either side of the camera.
    double difference = 0;
    for (size_t i = 0; i < left.size(); ++i) difference += std::abs(left[i] - right[i]);
    EXPECT_GT(difference / double(left.size()), 1e-3);

    // A shorter run with the same seed gives the same first second, sample for sample.
    ASSERT_EQ(runQuiet(render + " --frames 60 --audio short.wav"), 0) << readText("tool.err");
    const std::vector<int16_t> shorter = wavSamples(readFile("short.wav"));
    ASSERT_EQ(shorter.size(), size_t(uint32_t(60 * 0.0166666 * 44100 + 0.5)) * 2);
    EXPECT_TRUE(std::equal(shorter.begin(), shorter.end(), samples.begin()));

    // Past the music's loop point (64 s; coarse frames keep the run short): the music goes on,
    // and its seam, a bar start with kick and cymbal, is no rougher than the other phrase starts.
    ASSERT_EQ(runQuiet(render + " --frames 660 --dt 0.1 --audio loop.wav"), 0) << readText("tool.err");
    const std::vector<float> run = channelOf(wavSamples(readFile("loop.wav")), 0);
    ASSERT_GE(run.size(), size_t(66 * 44100));
    auto roughness = [&](double seconds) {
        const size_t centre = size_t(seconds * 44100);
        double sum = 0;
        for (size_t i = centre - 441; i < centre + 441; ++i) {
            const double d = double(run[i + 1]) - 2.0 * run[i] + run[i - 1];
            sum += d * d;
        }
        return std::sqrt(sum / 882.0);
    };
    const double phraseStarts = std::max({roughness(16), roughness(32), roughness(48)});
    EXPECT_LT(roughness(64), 1.3 * phraseStarts);
    // The same two bars of music as at the start (the engines differ): alike, where music that had
    // stopped would leave two unrelated engine mixes (correlation near 0).
    double xy = 0, xx = 0, yy = 0;
    for (size_t i = 0; i < size_t(2 * 44100); ++i) {
        const double x = run[i], y = run[size_t(64 * 44100) + i];
        xy += x * y;
        xx += x * x;
        yy += y * y;
    }
    EXPECT_GT(xy / std::sqrt(xx * yy), 0.25);
}

// Power-weighted mean frequency of s[from, from + n) between 100 and 1,400 Hz (Hann window,
// Goertzel at 10 Hz steps).
double spectralCentroid(const std::vector<float>& s, size_t from, size_t n)
{
    constexpr double PI = 3.14159265358979323846;
    double weighted = 0, total = 0;
    for (double f = 100; f <= 1400; f += 10) {
        const double w = 2 * PI * f / 44100.0, k = 2 * std::cos(w);
        double a = 0, b = 0;
        for (size_t i = 0; i < n; ++i) {
            const double hann = 0.5 - 0.5 * std::cos(2 * PI * double(i) / double(n - 1));
            const double c = hann * s[from + i] + k * a - b;
            b = a;
            a = c;
        }
        const double power = a * a + b * b - k * a * b;
        weighted += f * power;
        total += power;
    }
    return total > 0 ? weighted / total : 0;
}

// The engines alone, each loop replaced by one 300 Hz sine and the music by silence: whatever
// pitch the mix has comes from the rates the cars' speeds give their channels. Where the trace
// says the cars run fast (the corridor's points lie far apart), the mix sounds higher.
TEST(RenderAudioTest, EnginePitchFollowsTheCorridorSpacing)
{
    ScratchFolder folder;
    std::vector<qm::RarEntry> members = qm::buildDataSet().members();
    const std::vector<uint8_t> tone = sineOgg(300.0, 44100, 1.0), silence = sineOgg(300.0, 44100, 1.0, 0.0f);
    int replaced = 0;
    for (qm::RarEntry& m : members) {
        if (m.name == "low.ogg" || m.name == "med.ogg" || m.name == "max.ogg") m.data = tone, ++replaced;
        if (m.name == "music.ogg") m.data = silence, ++replaced;
    }
    ASSERT_EQ(replaced, 4);
    qm::RarWriterOptions store;
    store.store = true;
    ASSERT_TRUE(qm::writeRarArchive("data.rar", members, store));
    constexpr int FRAMES = 1200;
    constexpr int PER_WINDOW = 6;   // 0.2 s
    ASSERT_EQ(runQuiet(binaryDir() + "/bin/quillmark-render --size 64x48 --seed 3 --dt 0.0333333 --frames " +
                       std::to_string(FRAMES) + " --audio engines.wav --trace trace.jsonl"), 0)
        << readText("tool.err");
    const std::vector<int16_t> samples = wavSamples(readFile("engines.wav"));
    std::vector<float> mono(samples.size() / 2);
    for (size_t i = 0; i < mono.size(); ++i) mono[i] = 0.5f * (samples[2 * i] + samples[2 * i + 1]) / 32768.0f;

    // Mean engine value of the eighteen cars, frame by frame.
    std::vector<double> engine;
    const std::string trace = readText("trace.jsonl");
    for (size_t line = 0; line < trace.size();) {
        size_t end = trace.find('\n', line);
        if (end == std::string::npos) end = trace.size();
        double sum = 0;
        int cars = 0;
        for (size_t at = trace.find("\"engine\":", line); at < end; at = trace.find("\"engine\":", at + 1)) {
            sum += std::atof(trace.c_str() + at + 9);
            ++cars;
        }
        if (cars) engine.push_back(sum / cars);
        line = end + 1;
    }
    ASSERT_EQ(engine.size(), size_t(FRAMES));

    std::vector<double> speed, pitch;
    const size_t perFrame = size_t(0.0333333 * 44100 + 0.5);
    for (int w = 1; w < FRAMES / PER_WINDOW; ++w) {   // the first window holds the start-up's silence
        const size_t from = size_t(w * PER_WINDOW) * perFrame, n = PER_WINDOW * perFrame;
        if (from + n > mono.size() || rms(mono, from, from + n) < 1e-3) continue;
        speed.push_back(std::accumulate(engine.begin() + w * PER_WINDOW, engine.begin() + (w + 1) * PER_WINDOW, 0.0) /
                        PER_WINDOW);
        pitch.push_back(spectralCentroid(mono, from, n));
    }
    ASSERT_GE(speed.size(), size_t(150)) << "the engines are heard most of the run";
    const auto [slowest, fastest] = std::minmax_element(speed.begin(), speed.end());
    ASSERT_GT(*fastest - *slowest, 200) << "the run takes the cars from a straight through corners and back";
    const double ms = std::accumulate(speed.begin(), speed.end(), 0.0) / double(speed.size());
    const double mp = std::accumulate(pitch.begin(), pitch.end(), 0.0) / double(pitch.size());
    double sxy = 0, sxx = 0, syy = 0;
    for (size_t i = 0; i < speed.size(); ++i) {
        sxy += (speed[i] - ms) * (pitch[i] - mp);
        sxx += (speed[i] - ms) * (speed[i] - ms);
        syy += (pitch[i] - mp) * (pitch[i] - mp);
    }
    const double correlation = sxy / std::sqrt(sxx * syy);
    std::printf("engine value %.0f..%.0f, mix centroid %.0f..%.0f Hz, correlation %.3f\n", *slowest, *fastest,
                *std::min_element(pitch.begin(), pitch.end()), *std::max_element(pitch.begin(), pitch.end()),
                correlation);
    EXPECT_GT(correlation, 0.8);
}

} // namespace
