#include "host/saver_run.h"
#include "host/archive_check.h"
#include "host/audio_startup.h"
#include "host/frame_loop.h"
#include "host/frame_timer.h"
#include "host/quit_during_loading.h"
#include "host/run_state.h"
#include "host/scene_loading.h"
#include "host/saver_windows.h"
#include "host/settings.h"
#include "overlay/gamma_ramp.h"
#include "platform/cursor.h"
#include "platform/display_guardian.h"
#include "platform/message_box.h"
#include "platform/performance_counter.h"
#include "platform/quit_signals.h"
#include "platform/video.h"
#include "platform/window.h"
#include "render/random.h"
#include "render/render_state.h"
#include <cstdio>
#include <cstdlib>
#include <string>

namespace qm {
namespace {

// A quit signal ends the process within this time even when start-up is stuck in one long load.
constexpr unsigned QUIT_DEADLINE_MS = 1000;

// A failed start-up still leaves the desktop as it was.
int abandonStartUp(ScreensaverApp& app)
{
    platform::restoreDisplayMode();
    platform::dismissDisplayGuardian();
    destroyWindows(app);
    platform::showCursor(true);
    return 0;
}

// A quit during loading: the shutdown sequence, then the end of the process with exit code 0,
// as after the frame loop.
void endRunDuringLoading()
{
    if (ScreensaverApp* app = currentApp()) shutdown(*app);
    platform::shutdownVideo();
    std::exit(0);
}

// Checked before the display is touched: without its archive the saver has nothing to show.
bool dataArchiveThere()
{
    std::string why;
    if (dataArchiveReadable(why)) return true;
    platform::messageBox(why.c_str(), "Quillmark");
    return false;
}

} // namespace

int runSaver(ScreensaverApp& app)
{
    if (!platform::initVideo()) {
        std::fprintf(stderr, "quillmark: no display to run the saver on (%s)\n",
                     platform::videoError());
        return 0;
    }
    platform::installQuitSignalHandlers();
    platform::setQuitDeadline(QUIT_DEADLINE_MS);
    if (!dataArchiveThere()) return 0;
    srand(uint32_t(platform::performanceCounter()));
    FrameTimer timer;
    FrameTimer::readFrequency();
    // Before the mode and the ramp change, while this process has one thread.
    platform::startDisplayGuardian(!settings().defGamma);
    changeDisplayMode();
    if (!createWindows(app)) return abandonStartUp(app);
    platform::setMessageBoxDismissQuits(true);
    setQuitDuringLoading(endRunDuringLoading);
    platform::showCursor(false);
    initGLState();
    applyBrightness(settings().defGamma, settings().gamma);
    showWindows(app);
    presentLoadingScreen();
    endRunIfQuitPending();
    beginRun();
    // Without its audio module the saver ends here, silently, with exit code 0.
    if (!bindAudio(settings().path, platform::mainWindow())) {
        shutdown(app);
        return 0;
    }
    loadAndStartScene();
    timer.start();
    centreCursor();
    timer.start();
    frameLoop(timer);
    shutdown(app);
    return 1;
}

void shutdown(ScreensaverApp& app)
{
    shutdownAudio();
    restoreBrightness(settings().defGamma);
    platform::restoreDisplayMode();
    platform::dismissDisplayGuardian();
    platform::releaseGLContext();
    platform::showCursor(true);
    destroyWindows(app);
    platform::showCursor(true);
}

} // namespace qm
