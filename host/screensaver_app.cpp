#include "host/screensaver_app.h"
#include "host/command_line.h"
#include "host/saver_windows.h"
#include "host/settings.h"

namespace qm {
namespace {
ScreensaverApp* theApp = nullptr;

// The run takes the primary display's current mode; the stored values stay as they are.
void useDesktopMode()
{
    platform::DisplayMode desktop;
    if (!platform::currentDisplayMode(0, desktop)) return;
    settings().width = desktop.width;
    settings().height = desktop.height;
    settings().depth = desktop.bitsPerPixel;
}
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
