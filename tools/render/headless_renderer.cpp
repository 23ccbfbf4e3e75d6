#include "tools/render/headless_renderer.h"
#include "host/archive_check.h"
#include "audio/audio_device.h"
#include "host/audio_startup.h"
#include "host/compose_frame.h"
#include "host/fixed_view.h"
#include "host/frame_loop.h"
#include "host/run_state.h"
#include "host/scene_loading.h"
#include "host/settings.h"
#include "platform/message_box.h"
#include "platform/offscreen_context.h"
#include "platform/process.h"
#include "render/gl.h"
#include "render/random.h"
#include "render/render_state.h"
#include "tools/render/png_writer.h"
#include "tools/render/trace_writer.h"
#include "tools/render/wav_writer.h"
#include "world/sun_flare.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace qm {
namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t SOUND_RATE = 44100;
// One WAV file holds at most 4 GiB of data: about 6.7 hours of 16-bit stereo.
constexpr uint64_t MAX_SOUND_FRAMES = 0xFFFFFFF0ull / 4;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

platform::OffscreenContext& offscreenContext()
{
    static platform::OffscreenContext context;
    return context;
}

// Every run starts from the same settings: all values as at process start, at the chosen size.
void useFixedSettings(const RenderOptions& options)
{
    resetSettings();
    settings().width = uint32_t(options.width);
    settings().height = uint32_t(options.height);
    // The sound is always that of a first run: music and engines on, full volume.
    settings().enableMusic = true;
    settings().enableSFX = true;
    settings().volume = 100;
}

std::string frameFileName(int frame)
{
    char name[32];
    std::snprintf(name, sizeof name, "frame-%04d.png", frame);
    return name;
}

} // namespace

double RenderTimings::medianMs() const
{
    if (frameMs.empty()) return 0;
    std::vector<double> sorted = frameMs;
    std::sort(sorted.begin(), sorted.end());
    const size_t n = sorted.size();
    return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
}

double RenderTimings::percentileMs(double fraction) const
{
    if (frameMs.empty()) return 0;
    std::vector<double> sorted = frameMs;
    std::sort(sorted.begin(), sorted.end());
    size_t rank = size_t(std::ceil(fraction * double(sorted.size())));
    rank = std::clamp<size_t>(rank, 1, sorted.size());
    return sorted[rank - 1];
}

int HeadlessRenderer::run(const RenderOptions& options)
{
    platform::setMessageBoxToStderr(true);
    // Mesa's software rasterizer draws the same pixels on every machine.
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    if (!options.outDir.empty()) {
        std::error_code failed;
        std::filesystem::create_directories(options.outDir, failed);
    }
    if (!startUp(options)) return 1;
    if (!drawFrames(options)) return 1;
    if (!saveSound(options)) return 1;
    shutdownAudio();
    std::printf("start-up: %.1f ms\n", timings_.startUpMs);
    std::printf("frames: %zu, frame time median %.3f ms, p95 %.3f ms\n", timings_.frameMs.size(),
                timings_.medianMs(), timings_.percentileMs(0.95));
    // The sun's one-pixel depth read waits for the frame drawn so far: its own figure.
    const SunFlare& sun = sunFlare();
    if (!timings_.frameMs.empty())
        std::printf("sun depth read-back: %d reads, %.3f ms per frame, %.3f ms per read\n", sun.depthReads,
                    sun.depthReadSeconds * 1000.0 / double(timings_.frameMs.size()),
                    sun.depthReads ? sun.depthReadSeconds * 1000.0 / sun.depthReads : 0.0);
    offscreenContext().destroy();
    return 0;
}

// The saver's start-up steps that exist so far, on the offscreen context (no windows, no gamma;
// audio only with --audio, through the loopback device).
bool HeadlessRenderer::startUp(const RenderOptions& options)
{
    const Clock::time_point start = Clock::now();
    std::string archiveProblem;
    if (!dataArchiveReadable(archiveProblem)) {
        std::fprintf(stderr, "quillmark-render: %s\n", archiveProblem.c_str());
        return false;
    }
    srand(options.seed);
    if (!offscreenContext().create(options.width, options.height)) {
        std::fprintf(stderr, "quillmark-render: no offscreen GL context of %dx%d\n", options.width, options.height);
        return false;
    }
    useFixedSettings(options);
    initGLState();
    presentLoadingScreen();
    // Writing the picture is not part of the start-up time.
    const Clock::time_point saving = Clock::now();
    if (!saveFrame(options, "loading.png")) return false;
    const double savingMs = millisecondsSince(saving);
    if (options.hasView) {
        fixedView().lookAt = true;
        fixedView().eye = options.eye;
        fixedView().look = options.look;
    }
    beginRun();
    // Without --audio the run is silent: the module is not bound and every sound call fails.
    if (!options.audioPath.empty() &&
        !bindLoopbackAudio(platform::executableFolder().c_str(), SOUND_RATE)) {
        std::fprintf(stderr, "quillmark-render: no audio module with loopback rendering beside the program\n");
        return false;
    }
    loadAndStartScene();
    glFinish();
    timings_.startUpMs = millisecondsSince(start) - savingMs;
    return true;
}

// Frames are numbered from 1; frame n is written when n is a multiple of K.
bool HeadlessRenderer::drawFrames(const RenderOptions& options)
{
    TraceWriter trace;
    if (!options.tracePath.empty() && !trace.open(options.tracePath)) {
        std::fprintf(stderr, "quillmark-render: cannot write %s\n", options.tracePath.c_str());
        return false;
    }
    for (int n = 1; n <= options.frames; ++n) {
        const Clock::time_point start = Clock::now();
        updateFrame(options.dt);
        if (!mixSound(options, n)) return false;
        composeFrame(options.dt);
        glFinish();
        timings_.frameMs.push_back(millisecondsSince(start));
        if (!trace.write(n)) {
            std::fprintf(stderr, "quillmark-render: cannot write %s\n", options.tracePath.c_str());
            return false;
        }
        if (n % options.every == 0 && !saveFrame(options, frameFileName(n))) return false;
    }
    return true;
}

bool HeadlessRenderer::mixSound(const RenderOptions& options, int n)
{
    if (options.audioPath.empty()) return true;
    // Whole sample frames up to the end of frame n, so no rounding drift builds up.
    const uint64_t total = uint64_t(std::llround(double(n) * double(options.dt) * SOUND_RATE));
    const uint64_t have = sound_.size() / 2;
    if (total <= have) return true;
    if (total > MAX_SOUND_FRAMES) {
        std::fprintf(stderr, "quillmark-render: the sound would be too long for one WAV file\n");
        return false;
    }
    sound_.resize(size_t(total) * 2);
    audioDevice().renderLoopback(sound_.data() + have * 2, uint32_t(total - have));
    return true;
}

bool HeadlessRenderer::saveSound(const RenderOptions& options)
{
    if (options.audioPath.empty()) return true;
    std::string error;
    if (writeWav(options.audioPath, sound_, SOUND_RATE, 2, &error)) return true;
    std::fprintf(stderr, "quillmark-render: %s\n", error.c_str());
    return false;
}

bool HeadlessRenderer::saveFrame(const RenderOptions& options, const std::string& name) const
{
    if (options.outDir.empty()) return true;
    std::vector<uint8_t> pixels(size_t(options.width) * size_t(options.height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, options.width, options.height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    std::string error;
    if (writePng(options.outDir + "/" + name, options.width, options.height, pixels.data(), &error)) return true;
    std::fprintf(stderr, "quillmark-render: %s\n", error.c_str());
    return false;
}

} // namespace qm
