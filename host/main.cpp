// Entry point of the quillmark executable: one of the three screensaver roles per process.
#include "host/command_line.h"
#include "host/saver_run.h"
#include "host/screensaver_app.h"
#include "host/settings.h"
#include "platform/process.h"
#include "platform/video.h"
#include <cstdio>

int main(int argc, char** argv)
{
    using namespace qm;
    ScreensaverApp app;
    startUp(app, commandLineText(argc, argv).c_str());
    platform::setCurrentDirectory(settings().path);
    switch (app.runMode) {
    case RunMode::Saver:
    case RunMode::SaverAlt:
        runSaver(app);
        break;
    case RunMode::Configure:
        std::fprintf(stderr, "quillmark: the configuration dialog is not available yet\n");
        break;
    case RunMode::Preview:
        std::fprintf(stderr, "quillmark: the preview is not available yet\n");
        break;
    }
    platform::shutdownVideo();
    return 0;
}
