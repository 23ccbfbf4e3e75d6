#include "host/hack_mode.h"
#include "assets/asset_stream.h"
#include "assets/image_buffer.h"
#include "host/archive_check.h"
#include "host/audio_startup.h"
#include "host/frame_loop.h"
#include "host/frame_timer.h"
#include "host/quit_during_loading.h"
#include "host/run_state.h"
#include "host/scene_loading.h"
#include "host/settings.h"
#include "overlay/loading_screen.h"
#include "platform/foreign_window.h"
#include "platform/message_box.h"
#include "platform/performance_counter.h"
#include "platform/process.h"
#include "platform/quit_signals.h"
#include "platform/video.h"
#include "render/gl.h"
#include "render/random.h"
#include "render/render_state.h"
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace qm {
namespace {

// The viewport and the window size the composition reads follow the manager's window. False once
// the window is gone.
bool followWindow()
{
    platform::ClientSize size;
    if (!platform::followForeignWindow(size)) return false;
    if (uint32_t(size.width) != settings().width || uint32_t(size.height) != settings().height) {
        settings().width = uint32_t(size.width);
        settings().height = uint32_t(size.height);
        glViewport(0, 0, size.width, size.height);
    }
    return true;
}

// Where LoadingScreen::present draws "load.jpg", as fractions of the window from its top left
// corner (the overlay space has its origin at the bottom left).
constexpr float LOADING_LEFT = (LOADING_PICTURE_CENTRE_X - LOADING_PICTURE_HALF_WIDTH) / OVERLAY_WIDTH;
constexpr float LOADING_RIGHT = (LOADING_PICTURE_CENTRE_X + LOADING_PICTURE_HALF_WIDTH) / OVERLAY_WIDTH;
constexpr float LOADING_TOP = 1.0f - (LOADING_PICTURE_CENTRE_Y + LOADING_PICTURE_HALF_HEIGHT) / OVERLAY_HEIGHT;
constexpr float LOADING_BOTTOM = 1.0f - (LOADING_PICTURE_CENTRE_Y - LOADING_PICTURE_HALF_HEIGHT) / OVERLAY_HEIGHT;

// The loading picture at once, with the window system, before the GL driver loads (the slowest
// step of start-up): a settings dialog's preview shows it almost as soon as the hack starts. The
// loading screen then draws the same picture with GL. Nothing is shown when it cannot be read;
// the loading screen reports that.
void paintEarlyLoadingPicture()
{
    AssetStream stream;
    if (!stream.fetch("textures\\load.jpg")) return;
    ImageBuffer image;
    const bool decoded = decodeJpeg(stream.data(), stream.size(), image) && convertToRgb(image);
    stream.release();
    if (!decoded || image.components() != 3) return;
    platform::paintForeignPicture(image.pixels.data(), image.width, image.height, LOADING_LEFT, LOADING_TOP,
                                  LOADING_RIGHT, LOADING_BOTTOM);
}

// With QM_HACK_TRACE naming a file, the run is traced there in JSON lines: the settings in force
// (the file's values with the hack options over them) before the first frame, and the number of
// frames and seconds of the frame loop when it ends through the normal shutdown.
FILE* openTrace(const char* mode)
{
    const char* path = std::getenv("QM_HACK_TRACE");
    return path && *path ? std::fopen(path, mode) : nullptr;
}

void traceSettings()
{
    FILE* out = openTrace("w");
    if (!out) return;
    const Settings& s = settings();
    std::fprintf(out,
                 "{\"ShowFPS\":%d,\"ShowClock\":%d,\"TimeFormat\":%d,\"EnableMusic\":%d,"
                 "\"EnableSFX\":%d,\"Volume\":%u,\"Width\":%u,\"Height\":%u}\n",
                 s.showFPS, s.showClock, s.timeFormat, s.enableMusic, s.enableSFX, s.volume, s.width,
                 s.height);
    std::fclose(out);
}

void traceFrames(long frames, double seconds)
{
    FILE* out = openTrace("a");
    if (!out) return;
    std::fprintf(out, "{\"Frames\":%ld,\"Seconds\":%.3f}\n", frames, seconds);
    std::fclose(out);
}

// The saver's frame loop with the differences a hack needs: the window is followed before each
// frame, frames are paced (hackFramePeriod), and once the manager asks the hack to go no
// further frame is drawn (nobody sees it, and the manager is waiting).
void hackFrameLoop(FrameTimer& timer)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    Clock::time_point next = start;
    long frames = 0;
    do {
        pumpMessages();
        if (!runState().running || !followWindow()) break;
        runFrame(timer);
        ++frames;
        next += std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(hackFramePeriod(settings().width, settings().height)));
        const Clock::time_point now = Clock::now();
        if (next > now) std::this_thread::sleep_until(next);
        else next = now;
    } while (runState().running);
    traceFrames(frames, std::chrono::duration<double>(Clock::now() - start).count());
}

int endRun(int status)
{
    platform::detachForeignWindow();
    platform::shutdownVideo();
    return status;
}

// A start-up that cannot go on: the reason on standard error, exit code 1.
int failRun(const std::string& problem)
{
    std::fprintf(stderr, "quillmark: %s\n", problem.c_str());
    return endRun(1);
}

// SIGTERM between two load steps: nothing more is loaded, the run ends with exit code 0.
void endHackDuringLoading()
{
    shutdownAudio();
    std::exit(endRun(0));
}

} // namespace

double hackFramePeriod(uint32_t width, uint32_t height)
{
    const bool preview = uint64_t(width) * height <= PREVIEW_MAX_PIXELS;
    return 1.0 / (preview ? PREVIEW_MAX_FRAME_RATE : HACK_MAX_FRAME_RATE);
}

int runHack(const HackCommand& command)
{
    platform::installQuitSignalHandlers();
    platform::setQuitDeadline(HACK_QUIT_DEADLINE_MS);
    // The manager owns the screen and the input: a box waiting for a key would hang the hack.
    // XScreenSaver shows what a hack writes to standard error.
    platform::setMessageBoxToStderr(true);
    settings().load();
    applyHackOptions(command.options, settings());
    platform::setCurrentDirectory(settings().path);
    // Without its archive the hack has nothing to show: the reason, and the end, before the
    // window is touched.
    std::string problem;
    if (!dataArchiveReadable(problem)) return failRun(problem);
    srand(uint32_t(platform::performanceCounter()));
    FrameTimer timer;
    FrameTimer::readFrequency();
    if (!platform::openForeignWindow({command.root, command.windowId}, problem)) return failRun(problem);
    paintEarlyLoadingPicture();
    if (!platform::createForeignContext(problem)) return failRun(problem);
    settings().width = settings().height = 0;
    followWindow();
    initGLState();
    setQuitDuringLoading(endHackDuringLoading);
    presentLoadingScreen();
    endRunIfQuitPending();
    beginRun();
    // Without its audio module the saver ends here with exit code 0; the hack says why on standard
    // error, which the manager shows in place of the picture.
    if (!bindAudio(settings().path, nullptr)) {
        std::fprintf(stderr, "quillmark: no usable audio module bass.so in %s\n", settings().path);
        return endRun(0);
    }
    loadAndStartScene();
    traceSettings();
    timer.start();
    hackFrameLoop(timer);
    shutdownAudio();
    return endRun(0);
}

std::optional<int> runHackCommandLine(int argc, const char* const* argv)
{
    const HackCommand command = parseHackCommand(argc, argv, std::getenv("XSCREENSAVER_WINDOW"));
    switch (command.kind) {
    case HackCommandKind::None:
        return std::nullopt;
    case HackCommandKind::Help:
        std::fputs(helpText().c_str(), stdout);
        return 0;
    case HackCommandKind::Invalid:
        std::fprintf(stderr, "quillmark: %s; %s\n", command.problem.c_str(), hackUsageLine());
        return 1;
    case HackCommandKind::Run:
        break;
    }
    return runHack(command);
}

} // namespace qm
