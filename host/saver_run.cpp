#include "host/saver_run.h"
#include "host/audio_startup.h"
#include "host/frame_loop.h"
#include "host/frame_timer.h"
#include "host/run_state.h"
#include "host/scene_loading.h"
#include "host/saver_windows.h"
#include "host/settings.h"
#include "host/shot_counter.h"
#include "overlay/gamma_ramp.h"
#include "platform/cursor.h"
#include "platform/performance_counter.h"
#include "platform/quit_signals.h"
#include "platform/video.h"
#include "platform/window.h"
#include "render/random.h"
#include "render/render_state.h"
#include <cstdio>

namespace qm {
namespace {

// A failed start-up still leaves the desktop as it was.
int abandonStartUp(ScreensaverApp& app)
{
    platform::restoreDisplayMode();
    destroyWindows(app);
    platform::showCursor(true);
    return 0;
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
    srand(uint32_t(platform::performanceCounter()));
    FrameTimer timer;
    FrameTimer::readFrequency();
    changeDisplayMode();
    if (!createWindows(app)) return abandonStartUp(app);
    platform::showCursor(false);
    initGLState();
    applyBrightness(settings().defGamma, settings().gamma);
    showWindows(app);
    presentLoadingScreen();
    beginRun();
    // Without its audio module the saver ends here, silently, with exit code 0.
    if (!bindAudio(settings().path, platform::mainWindow())) {
        shutdown(app);
        return 0;
    }
    loadSceneAssets();
    startShotCounting();
    startAudio();
    startFirstShot();
    applyAudioVolume();
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
    if (!settings().defGamma) setGammaRamp(Vec3(1.0f, 1.0f, 1.0f));
    platform::restoreDisplayMode();
    platform::releaseGLContext();
    platform::showCursor(true);
    destroyWindows(app);
    platform::showCursor(true);
}

} // namespace qm
