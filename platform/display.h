// The displays (monitors) of the desktop, their modes, and the temporary full-screen mode change.
#pragma once
#include <cstdint>

namespace qm::platform {

constexpr int DISPLAY_NAME_SIZE = 128;

// A rectangle in desktop coordinates; right and bottom are exclusive.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

struct DisplayInfo {
    int index = 0;                       // display number; 0 is the primary display
    char name[DISPLAY_NAME_SIZE] = {};
    Rect bounds;
    bool mirrorsEarlier = false;         // shows the same area as a display listed before it
};

struct DisplayMode {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bitsPerPixel = 0;
};

// Fills up to max records, primary display first; returns how many were filled (0 without display).
int listDisplays(DisplayInfo* out, int max);
// The mode a display shows now; false when there is no such display.
bool currentDisplayMode(int display, DisplayMode& mode);
// The modes a display offers, largest first; returns how many were filled.
int listDisplayModes(int display, DisplayMode* out, int max);

// Asks for the primary display to run in this mode while the main window exists. The change is
// made when the main window is created and undone by restoreDisplayMode (or when the process ends).
void requestFullscreenMode(const DisplayMode& mode);
void restoreDisplayMode();

}
