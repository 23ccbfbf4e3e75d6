#include "platform/foreign_window.h"
#include "platform/gl_surface.h"
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace qm::platform {
namespace {

struct Attachment {
    Display* display = nullptr;
    ::Window target = 0;
    ::Window child = 0;          // made only when the target's visual offers no GL config
    Colormap colormap = 0;
    EGLDisplay egl = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    EGLSurface surface = EGL_NO_SURFACE;
    int width = 0;
    int height = 0;
};

Attachment att;
int lastXError = 0;

// The manager may destroy its window at any moment: an X error must never end the process.
int recordXError(Display*, XErrorEvent* event)
{
    lastXError = event->error_code;
    return 0;
}

bool requestFailed(Display* display)
{
    XSync(display, False);
    const bool failed = lastXError != 0;
    lastXError = 0;
    return failed;
}

// A desktop that draws its own background names a virtual root; hacks draw there, as XScreenSaver's
// own do.
::Window virtualRoot(Display* display)
{
    const ::Window root = DefaultRootWindow(display);
    const Atom vroot = XInternAtom(display, "__SWM_VROOT", False);
    ::Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, root, &rootReturn, &parent, &children, &count)) return root;
    ::Window found = root;
    for (unsigned i = 0; i < count && found == root; ++i) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, children[i], vroot, 0, 1, False, XA_WINDOW, &type, &format,
                               &items, &after, &data) == Success &&
            type == XA_WINDOW && format == 32 && items == 1 && data)
            found = ::Window(*reinterpret_cast<unsigned long*>(data));
        if (data) XFree(data);
    }
    if (children) XFree(children);
    return found;
}

EGLDisplay openEglDisplay(Display* display)
{
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    EGLDisplay egl = EGL_NO_DISPLAY;
    if (extensionListHas(clientExtensions, "EGL_EXT_platform_x11")) {
        auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
            eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (getPlatformDisplay) egl = getPlatformDisplay(EGL_PLATFORM_X11_EXT, display, nullptr);
    }
    if (egl == EGL_NO_DISPLAY) egl = eglGetDisplay(reinterpret_cast<EGLNativeDisplayType>(display));
    if (egl == EGL_NO_DISPLAY || !eglInitialize(egl, nullptr, nullptr)) return EGL_NO_DISPLAY;
    return egl;
}

EGLint configValue(EGLDisplay egl, EGLConfig config, EGLint name)
{
    EGLint value = 0;
    eglGetConfigAttrib(egl, config, name, &value);
    return value;
}

// The saver's pixel format as closely as the visual allows: 24-bit depth and 8-bit stencil first,
// then destination alpha. visual 0 takes any visual.
bool chooseConfig(EGLDisplay egl, VisualID visual, EGLConfig& chosen)
{
    const EGLint wanted[] = {
        EGL_SURFACE_TYPE, EGL_WINDOW_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
        EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_DEPTH_SIZE, 16,
        EGL_NONE,
    };
    EGLConfig configs[256];
    EGLint count = 0;
    if (!eglChooseConfig(egl, wanted, configs, 256, &count)) return false;
    int bestScore = -1;
    for (EGLint i = 0; i < count; ++i) {
        if (visual && VisualID(configValue(egl, configs[i], EGL_NATIVE_VISUAL_ID)) != visual) continue;
        if (!visual && configValue(egl, configs[i], EGL_NATIVE_VISUAL_ID) == 0) continue;
        const int score = (configValue(egl, configs[i], EGL_DEPTH_SIZE) >= 24 ? 4 : 0) +
                          (configValue(egl, configs[i], EGL_STENCIL_SIZE) >= 8 ? 2 : 0) +
                          (configValue(egl, configs[i], EGL_ALPHA_SIZE) >= 8 ? 1 : 0);
        if (score > bestScore) {
            bestScore = score;
            chosen = configs[i];
        }
    }
    return bestScore >= 0;
}

// A child window with the config's visual, filling the target and selecting no input, so that
// the manager still gets every key and pointer event on its own window.
::Window createChild(EGLConfig config, const XWindowAttributes& parent)
{
    XVisualInfo pattern{};
    pattern.visualid = VisualID(configValue(att.egl, config, EGL_NATIVE_VISUAL_ID));
    int found = 0;
    XVisualInfo* info = XGetVisualInfo(att.display, VisualIDMask, &pattern, &found);
    if (!info) return 0;
    att.colormap = XCreateColormap(att.display, att.target, info->visual, AllocNone);
    XSetWindowAttributes attributes{};
    attributes.colormap = att.colormap;
    attributes.background_pixel = BlackPixel(att.display, DefaultScreen(att.display));
    attributes.border_pixel = 0;
    attributes.override_redirect = True;
    ::Window child = XCreateWindow(att.display, att.target, 0, 0, unsigned(parent.width),
                                   unsigned(parent.height), 0, info->depth, InputOutput, info->visual,
                                   CWColormap | CWBackPixel | CWBorderPixel | CWOverrideRedirect,
                                   &attributes);
    XFree(info);
    if (requestFailed(att.display)) return 0;
    XMapWindow(att.display, child);
    return child;
}

EGLContext createContext(EGLConfig config)
{
    const EGLint compatibility[] = {
        EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE,
    };
    EGLContext context = eglCreateContext(att.egl, config, EGL_NO_CONTEXT, compatibility);
    if (context == EGL_NO_CONTEXT) context = eglCreateContext(att.egl, config, EGL_NO_CONTEXT, nullptr);
    return context;
}

void swapForeign(void*)
{
    eglSwapBuffers(att.egl, att.surface);
}

bool fail(std::string& error, const std::string& why)
{
    error = why;
    detachForeignWindow();
    return false;
}

std::string hexId(uint64_t id)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(id));
    return text;
}

// The surface on the target itself, or on a child when the target's visual has no GL config.
bool makeSurface(const XWindowAttributes& attributes, std::string& error)
{
    EGLConfig config = nullptr;
    ::Window drawable = att.target;
    if (!chooseConfig(att.egl, XVisualIDFromVisual(attributes.visual), config)) {
        if (!chooseConfig(att.egl, 0, config)) return fail(error, "no OpenGL configuration for the window");
        att.child = createChild(config, attributes);
        if (!att.child) return fail(error, "cannot make a GL window inside " + hexId(att.target));
        drawable = att.child;
    }
    att.context = createContext(config);
    if (att.context == EGL_NO_CONTEXT) return fail(error, "cannot create an OpenGL context");
    att.surface = eglCreateWindowSurface(att.egl, config, EGLNativeWindowType(drawable), nullptr);
    if (att.surface == EGL_NO_SURFACE) return fail(error, "cannot draw into window " + hexId(att.target));
    if (!eglMakeCurrent(att.egl, att.surface, att.surface, att.context))
        return fail(error, "cannot make the OpenGL context current");
    return true;
}

// A colour component at its place in a TrueColor pixel.
unsigned long placeComponent(unsigned long mask, uint8_t value)
{
    unsigned shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return ((unsigned long)value * mask / 255) << shift;
}

// The mean colour of the picture's pixels in columns [x0, x1) and rows [y0, y1) counted from the
// top (the picture's rows run bottom first): a shrunk picture keeps its thin strokes, as the
// mipmapped texture of the loading screen does.
void averageBlock(const uint8_t* rgb, int width, int height, int x0, int x1, int y0, int y1, uint8_t out[3])
{
    unsigned long sum[3] = {0, 0, 0};
    for (int y = y0; y < y1; ++y) {
        const uint8_t* row = rgb + size_t(height - 1 - y) * size_t(width) * 3;
        for (int x = x0; x < x1; ++x)
            for (int k = 0; k < 3; ++k) sum[k] += row[size_t(x) * 3 + size_t(k)];
    }
    const unsigned long count = (unsigned long)(x1 - x0) * (unsigned long)(y1 - y0);
    for (int k = 0; k < 3; ++k) out[k] = uint8_t(sum[k] / count);
}

// The picture stretched to its part of the window, in the window's pixel format;
// null when that part is empty.
XImage* pictureImage(const XWindowAttributes& window, const uint8_t* rgb, int width, int height, float left,
                     float top, float right, float bottom)
{
    const int x0 = int(left * float(window.width)), y0 = int(top * float(window.height));
    const int w = int(right * float(window.width)) - x0, h = int(bottom * float(window.height)) - y0;
    if (w <= 0 || h <= 0) return nullptr;
    XImage* image = XCreateImage(att.display, window.visual, unsigned(window.depth), ZPixmap, 0, nullptr,
                                 unsigned(w), unsigned(h), 32, 0);
    if (!image) return nullptr;
    image->data = static_cast<char*>(std::calloc(size_t(image->bytes_per_line), size_t(h)));
    if (!image->data) {
        XDestroyImage(image);
        return nullptr;
    }
    const Visual* v = window.visual;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t c[3];
            averageBlock(rgb, width, height, x * width / w, std::max(x * width / w + 1, (x + 1) * width / w),
                         y * height / h, std::max(y * height / h + 1, (y + 1) * height / h), c);
            XPutPixel(image, x, y,
                      placeComponent(v->red_mask, c[0]) | placeComponent(v->green_mask, c[1]) |
                          placeComponent(v->blue_mask, c[2]));
        }
    }
    return image;
}

} // namespace

bool openForeignWindow(const ForeignTarget& target, std::string& error)
{
    if (att.display) detachForeignWindow();
    att.display = XOpenDisplay(nullptr);
    if (!att.display) {
        error = "cannot open the display (is DISPLAY set?)";
        return false;
    }
    XSetErrorHandler(recordXError);
    att.target = target.root ? virtualRoot(att.display) : ::Window(target.windowId);
    XWindowAttributes attributes{};
    const bool found = att.target && XGetWindowAttributes(att.display, att.target, &attributes);
    if (requestFailed(att.display) || !found || attributes.c_class != InputOutput)
        return fail(error, "no window " + hexId(target.windowId) + " on this display");
    att.width = attributes.width;
    att.height = attributes.height;
    return true;
}

void paintForeignPicture(const uint8_t* rgb, int width, int height, float left, float top, float right,
                         float bottom)
{
    if (!att.display || !rgb || width <= 0 || height <= 0) return;
    XWindowAttributes attributes{};
    const bool known = XGetWindowAttributes(att.display, att.target, &attributes);
    if (requestFailed(att.display) || !known) return;
    if (attributes.visual->c_class != TrueColor || attributes.depth < 24) return;
    GC gc = XCreateGC(att.display, att.target, 0, nullptr);
    XSetForeground(att.display, gc, 0);
    XFillRectangle(att.display, att.target, gc, 0, 0, unsigned(attributes.width), unsigned(attributes.height));
    if (XImage* image = pictureImage(attributes, rgb, width, height, left, top, right, bottom)) {
        XPutImage(att.display, att.target, gc, image, 0, 0, int(left * float(attributes.width)),
                  int(top * float(attributes.height)), image->width, image->height);
        XDestroyImage(image);
    }
    XFreeGC(att.display, gc);
    XFlush(att.display);
}

bool createForeignContext(std::string& error)
{
    if (!att.display) {
        error = "no window is open";
        return false;
    }
    XWindowAttributes attributes{};
    const bool known = XGetWindowAttributes(att.display, att.target, &attributes);
    if (requestFailed(att.display) || !known) return fail(error, "window " + hexId(att.target) + " went away");
    att.egl = openEglDisplay(att.display);
    if (att.egl == EGL_NO_DISPLAY) return fail(error, "no EGL on this display");
    eglBindAPI(EGL_OPENGL_API);
    if (!makeSurface(attributes, error)) return false;
    setCurrentSwap(swapForeign, nullptr);
    return true;
}

bool followForeignWindow(ClientSize& size)
{
    if (!att.display) return false;
    ::Window root = 0;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    const bool known = XGetGeometry(att.display, att.target, &root, &x, &y, &width, &height, &border, &depth);
    if (requestFailed(att.display) || !known) return false;
    if (att.child && (int(width) != att.width || int(height) != att.height)) {
        XResizeWindow(att.display, att.child, width, height);
        XFlush(att.display);
    }
    att.width = int(width);
    att.height = int(height);
    size = {att.width, att.height};
    return true;
}

void detachForeignWindow()
{
    if (att.egl != EGL_NO_DISPLAY) {
        setCurrentSwap(nullptr, nullptr);
        eglMakeCurrent(att.egl, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (att.surface != EGL_NO_SURFACE) eglDestroySurface(att.egl, att.surface);
        if (att.context != EGL_NO_CONTEXT) eglDestroyContext(att.egl, att.context);
        eglTerminate(att.egl);
    }
    if (att.display) {
        if (att.child) XDestroyWindow(att.display, att.child);
        if (att.colormap) XFreeColormap(att.display, att.colormap);
        XSync(att.display, False);
        XCloseDisplay(att.display);
    }
    att = Attachment{};
}

bool foreignWindowAttached()
{
    return att.display != nullptr;
}

} // namespace qm::platform
