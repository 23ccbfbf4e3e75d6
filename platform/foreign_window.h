// Drawing into a window that belongs to someone else: the window a screensaver manager hands its
// hack (by id, or the root window). The saver gets a GL context on it and follows its size, and
// leaves everything else about the window, the pointer and the display alone.
#pragma once
#include "platform/window.h"
#include <cstdint>
#include <string>

namespace qm::platform {

struct ForeignTarget {
    bool root = false;        // the root window (a desktop's virtual root when it has one)
    uint64_t windowId = 0;    // otherwise this window
};

// Opens the display and finds the window. False with one line of reason in `error` when there is
// no display or no such window.
bool openForeignWindow(const ForeignTarget& target, std::string& error);
// Paints the open window black with an RGB picture (rows bottom first, 3 bytes a pixel) stretched
// over the part given in fractions of the window's width and height from its top left corner.
// Plain window-system drawing, for a picture before the GL driver has loaded; only TrueColor
// windows of 24 bits or more are painted.
void paintForeignPicture(const uint8_t* rgb, int width, int height, float left, float top, float right,
                         float bottom);
// Makes a double-buffered GL context with a depth and stencil buffer current on the open window
// (on the window itself when its visual allows, else on a child window that fills it and takes no
// input), registered as the surface swapCurrentBuffers presents. False with one line of reason in
// `error`.
bool createForeignContext(std::string& error);
// The window's size now, and the drawing surface made to follow it; false once the window is gone.
bool followForeignWindow(ClientSize& size);
// Releases the context and the display connection; the window itself stays as it was.
void detachForeignWindow();
bool foreignWindowAttached();

}
