#include "tests/hack/host_window.h"
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <cstdio>

namespace qm::test {
namespace {

Display* asDisplay(void* p)
{
    return static_cast<Display*>(p);
}

int ignoreXError(Display*, XErrorEvent*)
{
    return 0;
}

// The first CRTC that has a gamma ramp, with its size; 0 when there is none.
RRCrtc firstCrtc(Display* d, int& size)
{
    size = 0;
    XRRScreenResources* resources = XRRGetScreenResources(d, DefaultRootWindow(d));
    if (!resources) return 0;
    RRCrtc crtc = 0;
    for (int i = 0; i < resources->ncrtc && !crtc; ++i) {
        size = XRRGetCrtcGammaSize(d, resources->crtcs[i]);
        if (size > 0) crtc = resources->crtcs[i];
    }
    XRRFreeScreenResources(resources);
    return crtc;
}

// A 24-bit TrueColor visual that is not the default one; null when there is none.
Visual* otherTrueColorVisual(Display* d, int screen)
{
    XVisualInfo pattern{};
    pattern.screen = screen;
    pattern.depth = 24;
    pattern.c_class = TrueColor;
    int count = 0;
    XVisualInfo* infos = XGetVisualInfo(d, VisualScreenMask | VisualDepthMask | VisualClassMask, &pattern, &count);
    Visual* found = nullptr;
    const VisualID defaultId = XVisualIDFromVisual(DefaultVisual(d, screen));
    for (int i = 0; i < count && !found; ++i)
        if (infos[i].visualid != defaultId) found = infos[i].visual;
    if (infos) XFree(infos);
    return found;
}

} // namespace

HostWindow::HostWindow(int width, int height, bool otherVisual)
{
    Display* d = XOpenDisplay(nullptr);
    if (!d) return;
    display_ = d;
    XSetErrorHandler(ignoreXError);
    const int screen = DefaultScreen(d);
    Visual* visual = otherVisual ? otherTrueColorVisual(d, screen) : DefaultVisual(d, screen);
    if (!visual) return;
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(d, screen);
    attributes.border_pixel = 0;
    attributes.colormap = XCreateColormap(d, RootWindow(d, screen), visual, AllocNone);
    attributes.event_mask = ExposureMask | StructureNotifyMask;
    window_ = XCreateWindow(d, RootWindow(d, screen), 10, 10, unsigned(width), unsigned(height), 0, 24,
                            InputOutput, visual, CWBackPixel | CWBorderPixel | CWColormap | CWEventMask,
                            &attributes);
    XStoreName(d, window_, "Quillmark host");
    XMapWindow(d, window_);
    XSync(d, False);
    // Wait for the map, so the first grab does not race it.
    for (XEvent e; XCheckTypedWindowEvent(d, window_, MapNotify, &e) == False;) XSync(d, False);
}

unsigned HostWindow::childCount() const
{
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(asDisplay(display_), window_, &root, &parent, &children, &count)) return 0;
    if (children) XFree(children);
    return count;
}

HostWindow::~HostWindow()
{
    if (!display_) return;
    if (window_) XDestroyWindow(asDisplay(display_), window_);
    XCloseDisplay(asDisplay(display_));
}

std::string HostWindow::idText() const
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", window_);
    return text;
}

void HostWindow::resize(int width, int height)
{
    XResizeWindow(asDisplay(display_), window_, unsigned(width), unsigned(height));
    XSync(asDisplay(display_), False);
}

void HostWindow::destroy()
{
    if (!window_) return;
    XDestroyWindow(asDisplay(display_), window_);
    XSync(asDisplay(display_), False);
    window_ = 0;
}

PictureSummary HostWindow::grab(int x, int y, int width, int height) const
{
    PictureSummary summary;
    Display* d = asDisplay(display_);
    if (!width) {
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(d, window_, &attributes)) return summary;
        width = attributes.width;
        height = attributes.height;
    }
    XImage* image = XGetImage(d, window_, x, y, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (!image) return summary;
    summary.ok = true;
    summary.width = width;
    summary.height = height;
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const unsigned long pixel = XGetPixel(image, column, row) & 0xFFFFFF;
            if (pixel) ++summary.litPixels;
            summary.checksum = summary.checksum * 1099511628211ull + pixel;
        }
    }
    XDestroyImage(image);
    return summary;
}

uint32_t HostWindow::pixel(int x, int y) const
{
    XImage* image = XGetImage(asDisplay(display_), window_, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return 0xFFFFFFFF;
    const uint32_t value = uint32_t(XGetPixel(image, 0, 0) & 0xFFFFFF);
    XDestroyImage(image);
    return value;
}

bool HostWindow::pointer(int& x, int& y) const
{
    Display* d = asDisplay(display_);
    Window root = 0, child = 0;
    int wx = 0, wy = 0;
    unsigned mask = 0;
    return XQueryPointer(d, DefaultRootWindow(d), &root, &child, &x, &y, &wx, &wy, &mask);
}

void HostWindow::movePointer(int x, int y) const
{
    Display* d = asDisplay(display_);
    XWarpPointer(d, None, DefaultRootWindow(d), 0, 0, 0, 0, x, y);
    XSync(d, False);
}

bool HostWindow::pointerGrabbable() const
{
    Display* d = asDisplay(display_);
    const int result = XGrabPointer(d, window_, False, 0, GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
    if (result == GrabSuccess) XUngrabPointer(d, CurrentTime);
    XSync(d, False);
    return result == GrabSuccess;
}

unsigned long HostWindow::focus() const
{
    Window focused = 0;
    int revert = 0;
    XGetInputFocus(asDisplay(display_), &focused, &revert);
    return focused;
}

std::vector<uint16_t> HostWindow::gammaRamp() const
{
    Display* d = asDisplay(display_);
    int size = 0;
    const RRCrtc crtc = firstCrtc(d, size);
    std::vector<uint16_t> ramp;
    if (!crtc) return ramp;
    XRRCrtcGamma* gamma = XRRGetCrtcGamma(d, crtc);
    if (!gamma) return ramp;
    for (const unsigned short* channel : {gamma->red, gamma->green, gamma->blue})
        ramp.insert(ramp.end(), channel, channel + gamma->size);
    XRRFreeGamma(gamma);
    return ramp;
}

bool HostWindow::setGammaRamp(const std::vector<uint16_t>& ramp) const
{
    Display* d = asDisplay(display_);
    int size = 0;
    const RRCrtc crtc = firstCrtc(d, size);
    if (!crtc || ramp.size() != size_t(size) * 3) return false;
    XRRCrtcGamma* gamma = XRRAllocGamma(size);
    for (int i = 0; i < size; ++i) {
        gamma->red[i] = ramp[size_t(i)];
        gamma->green[i] = ramp[size_t(size + i)];
        gamma->blue[i] = ramp[size_t(2 * size + i)];
    }
    XRRSetCrtcGamma(d, crtc, gamma);
    XRRFreeGamma(gamma);
    XSync(d, False);
    return true;
}

} // namespace qm::test
