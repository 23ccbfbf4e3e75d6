// The saver's windows: the main window with its GL context, and black cover windows for further monitors.
#pragma once
#include "platform/display.h"

namespace qm::platform {

class Window;   // opaque; owned by the platform layer between create and destroy

struct ClientSize {
    int32_t width = 0;
    int32_t height = 0;
};

// The borderless, topmost main window titled "Quillmark", created hidden on rect, with a double-
// buffered RGBA GL context (32-bit colour, 24-bit depth, 8-bit stencil) made current and registered
// as the surface that swapCurrentBuffers presents. Takes the requested full-screen mode, if any.
// Returns null when the window cannot be made or a main window exists already.
Window* createMainWindow(const Rect& rect);
// A visible, borderless, topmost black window covering rect.
Window* createCoverWindow(const Rect& rect);
void showWindow(Window* window);
// Raises the window and gives it the keyboard focus.
void focusWindow(Window* window);
// Destroying the main window also releases its GL context when that is still held.
void destroyWindow(Window* window);

Window* mainWindow();
bool hasGLContext();
// Makes no context current and deletes the main window's GL context.
void releaseGLContext();
ClientSize clientSize(const Window* window);

}
