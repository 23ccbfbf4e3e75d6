// The one application object of a run: its mode, the host window number and the monitor table.
#pragma once
#include "host/run_mode.h"
#include "platform/display.h"
#include "platform/window.h"

namespace qm {

constexpr int MAX_MONITORS = 9;
constexpr int MONITOR_TEXT_SIZE = 128;

struct MonitorRecord {
    char adapterText[MONITOR_TEXT_SIZE] = {};
    char monitorText[MONITOR_TEXT_SIZE] = {};
    bool active = false;                 // the rectangle lies on the desktop: the record gets a window
    int displayIndex = -1;
    platform::Rect rect;                 // desktop coordinates
    platform::Window* window = nullptr;  // made for this record in the saver run
};

class ScreensaverApp {
public:
    ScreensaverApp();
    ScreensaverApp(const ScreensaverApp&) = delete;
    ScreensaverApp& operator=(const ScreensaverApp&) = delete;
    virtual ~ScreensaverApp();

    RunMode runMode = RunMode::Configure;
    uint32_t hostWindow = 0;
    MonitorRecord monitors[MAX_MONITORS];
    uint32_t monitorCount = 0;
};

// The application object that exists now; null outside its lifetime.
ScreensaverApp* currentApp();

// Command-line parse, settings, monitor table, and the desktop mode when "UseDesktop" is on.
void startUp(ScreensaverApp& app, const char* commandLine);

}
