// Sound benchmarks (label benchmark; figures printed, nothing asserted about speed):
//  - quillmark-render start-up on the default artwork with and without --audio (54 engine
//    samples and the music loaded and started), median of 3 runs each;
//  - the CPU time of the 18 engine updates of one frame through the module on the loopback
//    device (attribute, position and apply calls; OpenAL's mixer does not run here), and the same
//    updates with no module bound (the mix arithmetic alone);
//  - loading the 54 engine samples: the first of each sound decodes, the rest share it.
#include "audio/audio_device.h"
#include "cars/engine_sound.h"
#include "tests/audio/audio_test_support.h"
#include "tests/support/scratch_folder.h"
#include "tools/mkdata/artwork.h"
#include "tools/mkdata/sound_artwork.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <vector>

namespace {
using namespace qm;
using namespace qm::test;
using Clock = std::chrono::steady_clock;

std::string binaryDir()
{
    const char* dir = std::getenv("QM_BINARY_DIR");
    return dir ? dir : ".";
}

double threadCpuMicroseconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e6 + double(t.tv_nsec) / 1e3;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The start-up time quillmark-render prints, in milliseconds; -1 when it failed.
double renderStartUp(const std::string& extra)
{
    const std::string command = binaryDir() + "/bin/quillmark-render --frames 0 --size 64x48 " + extra + " 2>/dev/null";
    FILE* out = popen(command.c_str(), "r");
    if (!out) return -1;
    char line[256];
    double ms = -1;
    while (fgets(line, sizeof line, out))
        if (std::sscanf(line, "start-up: %lf ms", &ms) == 1) break;
    while (fgets(line, sizeof line, out)) {}
    return pclose(out) == 0 ? ms : -1;
}

TEST(AudioBench, StartUpWithAndWithoutSound)
{
    ScratchFolder folder;
    ASSERT_EQ(std::system((binaryDir() + "/bin/quillmark-mkdata data.rar").c_str()), 0);
    std::vector<double> silent, sound;
    for (int i = 0; i < 3; ++i) {
        silent.push_back(renderStartUp(""));
        sound.push_back(renderStartUp("--audio start.wav"));
    }
    std::printf("quillmark-render start-up, default artwork, median of 3: without sound %.1f ms, "
                "with 54 engine samples and the music %.1f ms (+%.1f ms)\n",
                median(silent), median(sound), median(sound) - median(silent));
}

struct Engines {
    std::vector<EngineSound> cars = std::vector<EngineSound>(18);
    std::vector<Vec3> positions, tangents;
    Engines()
    {
        for (int i = 0; i < 18; ++i) {
            const float a = 0.35f * float(i);
            positions.push_back(Vec3(60 * std::cos(a), 60 * std::sin(a), 0.3f));
            tangents.push_back(Vec3(-4 * std::sin(a), 4 * std::cos(a), 0));
        }
    }
    double cpuPerFrame = 0;   // mean thread CPU time of the last measurement, microseconds
    double frameMicroseconds(int frames)
    {
        ListenerPose camera;
        camera.eye = Vec3(10, -90, 3);
        std::vector<double> per;
        const double cpuStart = threadCpuMicroseconds();
        for (int f = 0; f < frames; ++f) {
            camera.eye.x += 0.01f;
            const auto start = Clock::now();
            for (int i = 0; i < 18; ++i) cars[size_t(i)].update(positions[size_t(i)], tangents[size_t(i)] * (1.0f + 0.001f * float(f % 200)), camera);
            per.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        }
        cpuPerFrame = (threadCpuMicroseconds() - cpuStart) / frames;
        return median(per);
    }
};

TEST(AudioBench, EighteenEngineUpdatesPerFrame)
{
    DataSet set;
    addSoundArtwork(set);
    std::map<std::string, std::vector<uint8_t>> member;
    for (const RarEntry& e : set.members()) member[e.name] = e.data;

    Engines unbound;
    const double mathOnly = unbound.frameMicroseconds(20000);

    ASSERT_TRUE(audioDevice().loadFile(builtAudioModule()));
    ASSERT_TRUE(audioDevice().initLoopback(44100));
    audioDevice().set3DFactors(0.0035f, 1.0f, 1.0f);
    Engines engines;
    const char* names[3] = {"low.ogg", "med.ogg", "max.ogg"};
    std::vector<double> loads;
    for (EngineSound& e : engines.cars)
        for (int k = 0; k < 3; ++k) {
            const std::vector<uint8_t>& bytes = member[names[k]];
            const auto start = Clock::now();
            e.samples[k] = audioDevice().sampleLoad(true, bytes.data(), 0, uint32_t(bytes.size()), 1, 12);
            loads.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            ASSERT_NE(e.samples[k], 0u);
        }
    double first = loads[0] + loads[1] + loads[2], rest = 0;
    for (size_t i = 3; i < loads.size(); ++i) rest += loads[i];
    for (EngineSound& e : engines.cars) e.start();
    const double withModule = engines.frameMicroseconds(20000);
    std::vector<int16_t> mix(735 * 2);
    const auto mixStart = Clock::now();
    for (int f = 0; f < 600; ++f) audioDevice().renderLoopback(mix.data(), 735);
    const double mixMs = std::chrono::duration<double, std::milli>(Clock::now() - mixStart).count() / 600;
    std::printf("engine samples: first three (decoded) %.2f ms, the other 51 (shared) %.2f ms in all\n", first, rest);
    std::printf("18 engine updates per frame, median of 20000 frames: %.2f us through the module "
                "(54 attribute, 54 position and 18 apply calls), %.2f us without a module; "
                "mean thread CPU time %.2f us and %.2f us\n",
                withModule, mathOnly, engines.cpuPerFrame, unbound.cpuPerFrame);
    std::printf("OpenAL Soft loopback mix of one 60 Hz frame (735 sample frames, 54 engine channels): %.3f ms\n", mixMs);
    audioDevice().free();
    resetAudioDevice();
}

} // namespace
