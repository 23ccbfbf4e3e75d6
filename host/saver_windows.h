// The saver's displays and windows: the monitor table, the mode change, the main and cover windows.
#pragma once
#include "host/screensaver_app.h"

namespace qm {

// Fills the monitor table: displays in order, mirrors skipped, at most MAX_MONITORS.
void enumerateMonitors(ScreensaverApp& app);
// The run takes the primary display's current mode; the stored settings stay as they are.
void useDesktopMode();
// Asks for the primary display in "Width" x "Height" x "Depth" (made when the main window
// exists) and hides the cursor. A size the display does not offer (0, 65536, 0xFFFFFFFF ...) gives
// the run the desktop's mode instead, so the main window always covers the primary display.
void changeDisplayMode();
// The main window on the first active record (at the primary display's corner, "Width" x
// "Height"), a black cover window on every later one. False when a window cannot be made or
// no record is active.
bool createWindows(ScreensaverApp& app);
// Shows every record's window, then gives the keyboard focus to the main window.
void showWindows(ScreensaverApp& app);
void destroyWindows(ScreensaverApp& app);

}
