#include "host/screensaver_app.h"
#include "host/command_line.h"
#include "host/saver_windows.h"
#include "host/settings.h"

namespace qm {
namespace {
ScreensaverApp* theApp = nullptr;
} // namespace

ScreensaverApp::ScreensaverApp()
{
    theApp = this;
}

ScreensaverApp::~ScreensaverApp()
{
    if (theApp == this) theApp = nullptr;
}

ScreensaverApp* currentApp()
{
    return theApp;
}

void startUp(ScreensaverApp& app, const char* commandLine)
{
    app.runMode = parseCommandLine(commandLine, app.hostWindow);
    settings().load();
    enumerateMonitors(app);
    if (settings().useDesktop) useDesktopMode();
}

} // namespace qm
