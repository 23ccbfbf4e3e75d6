#include "host/saver_windows.h"
#include "host/settings.h"
#include "platform/cursor.h"
#include <cstdio>

namespace qm {
namespace {

constexpr int MAX_LISTED_DISPLAYS = 64;
constexpr int MAX_LISTED_MODES = 512;

bool liesOnDesktop(const platform::Rect& r)
{
    return r.right > r.left && r.bottom > r.top;
}

void fillRecord(MonitorRecord& record, const platform::DisplayInfo& display)
{
    record = MonitorRecord{};
    std::snprintf(record.adapterText, sizeof record.adapterText, "%s", display.name);
    std::snprintf(record.monitorText, sizeof record.monitorText, "%s", display.name);
    record.displayIndex = display.index;
    record.rect = display.bounds;
    record.active = liesOnDesktop(display.bounds);
}

// The primary display's corner: where the main window sits, whichever record comes first.
platform::Rect mainWindowRect()
{
    platform::DisplayInfo primary;
    int32_t left = 0, top = 0;
    if (platform::listDisplays(&primary, 1) == 1) {
        left = primary.bounds.left;
        top = primary.bounds.top;
    }
    return {left, top, left + int32_t(settings().width), top + int32_t(settings().height)};
}

// A size the primary display lists (any depth: the nearest format at that size is taken), or
// the one it shows now.
bool primaryDisplayTakes(uint32_t width, uint32_t height)
{
    if (width == 0 || height == 0 || width > uint32_t(INT32_MAX) || height > uint32_t(INT32_MAX))
        return false;
    platform::DisplayMode modes[MAX_LISTED_MODES];
    int count = platform::listDisplayModes(0, modes, MAX_LISTED_MODES);
    for (int i = 0; i < count; ++i)
        if (modes[i].width == width && modes[i].height == height) return true;
    platform::DisplayMode desktop;
    return platform::currentDisplayMode(0, desktop) && desktop.width == width && desktop.height == height;
}

} // namespace

void useDesktopMode()
{
    platform::DisplayMode desktop;
    if (!platform::currentDisplayMode(0, desktop)) return;
    settings().width = desktop.width;
    settings().height = desktop.height;
    settings().depth = desktop.bitsPerPixel;
}

void enumerateMonitors(ScreensaverApp& app)
{
    platform::DisplayInfo displays[MAX_LISTED_DISPLAYS];
    int count = platform::listDisplays(displays, MAX_LISTED_DISPLAYS);
    app.monitorCount = 0;
    for (int i = 0; i < count && app.monitorCount < MAX_MONITORS; ++i) {
        if (displays[i].mirrorsEarlier) continue;
        fillRecord(app.monitors[app.monitorCount++], displays[i]);
    }
}

void changeDisplayMode()
{
    // A mode the display cannot take would leave the desktop uncovered around a small window.
    if (!primaryDisplayTakes(settings().width, settings().height)) useDesktopMode();
    platform::requestFullscreenMode({settings().width, settings().height, settings().depth});
    platform::showCursor(false);
}

bool createWindows(ScreensaverApp& app)
{
    for (uint32_t i = 0; i < app.monitorCount; ++i) {
        MonitorRecord& record = app.monitors[i];
        if (!record.active) continue;
        record.window = platform::mainWindow() ? platform::createCoverWindow(record.rect)
                                               : platform::createMainWindow(mainWindowRect());
        if (!record.window) return false;
    }
    return platform::mainWindow() != nullptr;
}

void showWindows(ScreensaverApp& app)
{
    for (uint32_t i = 0; i < app.monitorCount; ++i) platform::showWindow(app.monitors[i].window);
    platform::focusWindow(platform::mainWindow());
}

void destroyWindows(ScreensaverApp& app)
{
    for (uint32_t i = 0; i < app.monitorCount; ++i) {
        platform::destroyWindow(app.monitors[i].window);
        app.monitors[i].window = nullptr;
    }
}

} // namespace qm
