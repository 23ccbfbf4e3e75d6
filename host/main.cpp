// Entry point of the quillmark executable: one of the three screensaver roles per process.
#include "host/command_line.h"
#include "host/config_dialog.h"
#include "host/hack_mode.h"
#include "host/preview.h"
#include "host/saver_run.h"
#include "host/screensaver_app.h"
#include "host/settings.h"
#include "platform/process.h"
#include "platform/video.h"

int main(int argc, char** argv)
{
    using namespace qm;
    // --help and the XScreenSaver hack command line come before the screensaver switches.
    if (const std::optional<int> status = runHackCommandLine(argc, argv)) return *status;
    ScreensaverApp app;
    startUp(app, commandLineText(argc, argv).c_str());
    platform::setCurrentDirectory(settings().path);
    switch (app.runMode) {
    case RunMode::Saver:
    case RunMode::SaverAlt:
        runSaver(app);
        break;
    case RunMode::Configure:
        showConfiguration(app);
        break;
    case RunMode::Preview:
        runPreview(app);
        break;
    }
    platform::shutdownVideo();
    return 0;
}
