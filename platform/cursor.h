// The mouse cursor: hidden over the saver's windows, and pulled back to a point of the main window.
#pragma once
#include "platform/window.h"

namespace qm::platform {

void showCursor(bool visible);
// Moves the cursor to (x, y) of the window's client area; nothing without a window.
void warpCursor(const Window* window, int x, int y);

}
