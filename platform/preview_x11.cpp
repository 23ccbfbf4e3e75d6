#include "platform/preview_window.h"
#include "platform/quit_signals.h"
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <cstdlib>
#include <poll.h>
#include <string>

namespace qm::platform {
namespace {

std::string lastError;
bool xErrorSeen = false;

int recordXError(Display*, XErrorEvent*)
{
    xErrorSeen = true;
    return 0;
}

int shiftOf(unsigned long mask)
{
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

// One 8-bit sample placed into a channel of a TrueColor visual.
unsigned long channel(uint8_t value, unsigned long mask)
{
    unsigned long top = mask >> shiftOf(mask);
    return ((value * top + 127) / 255) << shiftOf(mask);
}

// The picture in the window's own pixel format; null for visuals without colour masks.
XImage* makeImage(Display* display, const XWindowAttributes& host, const Picture& picture)
{
    Visual* v = host.visual;
    if (!picture.rgb || picture.width <= 0 || picture.height <= 0) return nullptr;
    if (v->c_class != TrueColor && v->c_class != DirectColor) return nullptr;
    XImage* image = XCreateImage(display, v, unsigned(host.depth), ZPixmap, 0, nullptr,
                                 unsigned(picture.width), unsigned(picture.height), 32, 0);
    if (!image) return nullptr;
    image->data = static_cast<char*>(std::calloc(size_t(image->bytes_per_line), size_t(picture.height)));
    if (!image->data) {
        XDestroyImage(image);
        return nullptr;
    }
    // Bits outside the colour masks (alpha in a 32-bit visual) are set: the picture is opaque.
    unsigned long depthBits = host.depth >= 32 ? ~0ul : (1ul << host.depth) - 1;
    unsigned long opaque = depthBits & ~(v->red_mask | v->green_mask | v->blue_mask);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const uint8_t* p = picture.rgb + (size_t(y) * picture.width + x) * 3;
            XPutPixel(image, x, y, opaque | channel(p[0], v->red_mask) | channel(p[1], v->green_mask) |
                                       channel(p[2], v->blue_mask));
        }
    return image;
}

struct Preview {
    Display* display = nullptr;
    Window host = 0;
    Window child = 0;
    XImage* image = nullptr;
    GC gc = nullptr;
};

// The child covers the host's client area; the server clears it to black before each paint.
bool createChild(Preview& p, const Picture& picture)
{
    XErrorHandler previous = XSetErrorHandler(recordXError);
    xErrorSeen = false;
    XWindowAttributes host{};
    bool ok = XGetWindowAttributes(p.display, p.host, &host) != 0;
    XSync(p.display, False);
    if (ok && !xErrorSeen) {
        unsigned long black = BlackPixel(p.display, XScreenNumberOfScreen(host.screen));
        p.child = XCreateSimpleWindow(p.display, p.host, 0, 0, unsigned(std::max(host.width, 1)),
                                      unsigned(std::max(host.height, 1)), 0, black, black);
        XSelectInput(p.display, p.child, ExposureMask | StructureNotifyMask);
        XSelectInput(p.display, p.host, host.your_event_mask | StructureNotifyMask);
        XStoreName(p.display, p.child, "PreviewWindow");
        XClassHint hint{const_cast<char*>("PreviewWindow"), const_cast<char*>("SSPreview")};
        XSetClassHint(p.display, p.child, &hint);
        XSync(p.display, False);
        ok = !xErrorSeen;
        if (ok) {
            p.image = makeImage(p.display, host, picture);
            p.gc = XCreateGC(p.display, p.child, 0, nullptr);
        }
    }
    XSetErrorHandler(previous);
    return ok && !xErrorSeen;
}

void paint(Preview& p)
{
    if (p.image)
        XPutImage(p.display, p.child, p.gc, p.image, 0, 0, 0, 0, unsigned(p.image->width),
                  unsigned(p.image->height));
}

// True when the preview should end.
bool handle(Preview& p, const XEvent& event)
{
    switch (event.type) {
    case Expose:
        if (event.xexpose.window == p.child && event.xexpose.count == 0) paint(p);
        return false;
    case DestroyNotify:
        return event.xdestroywindow.window == p.child || event.xdestroywindow.window == p.host;
    case ConfigureNotify:
        // The child follows the host's size, as a preview that fills its host should.
        if (event.xconfigure.window == p.host)
            XResizeWindow(p.display, p.child, unsigned(std::max(event.xconfigure.width, 1)),
                          unsigned(std::max(event.xconfigure.height, 1)));
        return false;
    default: return false;
    }
}

void loop(Preview& p)
{
    installQuitSignalHandlers();
    XSetErrorHandler(recordXError);   // the host may vanish between two requests
    for (;;) {
        while (XPending(p.display)) {
            XEvent event;
            XNextEvent(p.display, &event);
            if (handle(p, event)) return;
        }
        if (takeQuitSignal()) return;
        pollfd fd{ConnectionNumber(p.display), POLLIN, 0};
        poll(&fd, 1, 200);
    }
}

} // namespace

int runPreviewWindow(uint32_t hostWindow, const Picture& picture)
{
    Preview p;
    p.display = XOpenDisplay(nullptr);
    if (!p.display) {
        lastError = "no X display could be opened";
        return PREVIEW_NO_DISPLAY;
    }
    p.host = Window(hostWindow);
    int result = 0;
    if (hostWindow != 0 && createChild(p, picture)) {
        XMapWindow(p.display, p.child);
        XFlush(p.display);
        loop(p);
        result = 1;
    }
    if (p.image) XDestroyImage(p.image);
    if (p.gc) XFreeGC(p.display, p.gc);
    XCloseDisplay(p.display);
    return result;
}

const char* previewError()
{
    return lastError.c_str();
}

namespace {
Display* hostDisplay = nullptr;
}

uint32_t createPreviewHost(int width, int height)
{
    if (!hostDisplay) hostDisplay = XOpenDisplay(nullptr);
    if (!hostDisplay || width <= 0 || height <= 0) return 0;
    int screen = DefaultScreen(hostDisplay);
    Window window = XCreateSimpleWindow(hostDisplay, RootWindow(hostDisplay, screen), 0, 0, unsigned(width),
                                        unsigned(height), 0, BlackPixel(hostDisplay, screen),
                                        WhitePixel(hostDisplay, screen));
    XStoreName(hostDisplay, window, "Preview host");
    XMapWindow(hostDisplay, window);
    XSync(hostDisplay, False);
    return uint32_t(window);
}

void destroyPreviewHost(uint32_t window)
{
    if (!hostDisplay || !window) return;
    XDestroyWindow(hostDisplay, Window(window));
    XSync(hostDisplay, False);
}

}
