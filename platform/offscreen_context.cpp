#include "platform/offscreen_context.h"
#include "platform/gl_surface.h"
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

namespace qm::platform {
namespace {

bool framebufferPathForced = false;

EGLDisplay asDisplay(void* p) { return static_cast<EGLDisplay>(p); }
EGLSurface asSurface(void* p) { return static_cast<EGLSurface>(p); }
EGLContext asContext(void* p) { return static_cast<EGLContext>(p); }

// Mesa's surfaceless platform needs no X server; the default display is the fallback.
EGLDisplay openDisplay()
{
    if (extensionListHas(eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS),
                         "EGL_MESA_platform_surfaceless")) {
        auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
            eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (getPlatformDisplay) {
            EGLDisplay d = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY,
                                              nullptr);
            if (d != EGL_NO_DISPLAY && eglInitialize(d, nullptr, nullptr)) return d;
        }
    }
    EGLDisplay d = eglGetDisplay(EGL_DEFAULT_DISPLAY);
    if (d != EGL_NO_DISPLAY && eglInitialize(d, nullptr, nullptr)) return d;
    return EGL_NO_DISPLAY;
}

// surfaceType 0 asks for no drawable at all (the framebuffer path).
bool chooseConfig(EGLDisplay display, EGLint surfaceType, EGLConfig& config)
{
    const EGLint attributes[] = {
        EGL_SURFACE_TYPE, surfaceType,
        EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
        EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
        EGL_DEPTH_SIZE, 24, EGL_STENCIL_SIZE, 8,
        EGL_NONE,
    };
    EGLint count = 0;
    return eglChooseConfig(display, attributes, &config, 1, &count) && count == 1;
}

// Desktop GL in the compatibility profile: the fixed-function pipeline is available.
EGLContext createContext(EGLDisplay display, EGLConfig config)
{
    const EGLint attributes[] = {
        EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
        EGL_NONE,
    };
    EGLContext c = eglCreateContext(display, config, EGL_NO_CONTEXT, attributes);
    if (c == EGL_NO_CONTEXT) c = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    return c;
}

void swapSurface(void* self)
{
    static_cast<OffscreenContext*>(self)->swapBuffers();
}

// Framebuffer-object entry points, fetched once a context is current.
struct FramebufferProcs {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus;
};

template <typename Proc>
bool fetchProc(Proc& proc, const char* name)
{
    proc = reinterpret_cast<Proc>(eglGetProcAddress(name));
    return proc != nullptr;
}

bool fetchFramebufferProcs(FramebufferProcs& f)
{
    bool ok = fetchProc(f.genFramebuffers, "glGenFramebuffers");
    ok = fetchProc(f.bindFramebuffer, "glBindFramebuffer") && ok;
    ok = fetchProc(f.deleteFramebuffers, "glDeleteFramebuffers") && ok;
    ok = fetchProc(f.genRenderbuffers, "glGenRenderbuffers") && ok;
    ok = fetchProc(f.bindRenderbuffer, "glBindRenderbuffer") && ok;
    ok = fetchProc(f.deleteRenderbuffers, "glDeleteRenderbuffers") && ok;
    ok = fetchProc(f.renderbufferStorage, "glRenderbufferStorage") && ok;
    ok = fetchProc(f.framebufferRenderbuffer, "glFramebufferRenderbuffer") && ok;
    ok = fetchProc(f.checkFramebufferStatus, "glCheckFramebufferStatus") && ok;
    return ok;
}

} // namespace

void OffscreenContext::forceFramebufferPath(bool on)
{
    framebufferPathForced = on;
}

OffscreenContext::~OffscreenContext()
{
    destroy();
}

bool OffscreenContext::create(int width, int height)
{
    destroy();
    if (width <= 0 || height <= 0) return false;
    // 1. A display and desktop GL.
    EGLDisplay display = openDisplay();
    if (display == EGL_NO_DISPLAY) return false;
    display_ = display;
    width_ = width;
    height_ = height;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        destroy();
        return false;
    }
    // 2. A pbuffer of the size; its back buffer is what glReadPixels reads after drawing.
    EGLConfig config;
    if (!framebufferPathForced && chooseConfig(display, EGL_PBUFFER_BIT, config)) {
        const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
        EGLSurface surface = eglCreatePbufferSurface(display, config, size);
        EGLContext context = surface == EGL_NO_SURFACE ? EGL_NO_CONTEXT
                                                       : createContext(display, config);
        if (surface != EGL_NO_SURFACE) surface_ = surface;
        if (context != EGL_NO_CONTEXT) context_ = context;
        if (context_ && eglMakeCurrent(display, surface, surface, context)) {
            setCurrentSwap(swapSurface, this);
            return true;
        }
        destroy();
        display_ = display;
        width_ = width;
        height_ = height;
    }
    // 3. Otherwise a surfaceless context drawing into a framebuffer object of the same buffers.
    bool surfaceless = extensionListHas(eglQueryString(display, EGL_EXTENSIONS),
                                        "EGL_KHR_surfaceless_context");
    if (surfaceless && chooseConfig(display, 0, config)) {
        EGLContext context = createContext(display, config);
        if (context != EGL_NO_CONTEXT) context_ = context;
        if (context_ && eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context) &&
            createFramebuffer()) {
            setCurrentSwap(swapSurface, this);
            return true;
        }
    }
    destroy();
    return false;
}

bool OffscreenContext::createFramebuffer()
{
    FramebufferProcs f;
    if (!fetchFramebufferProcs(f)) return false;
    f.genRenderbuffers(2, renderbuffers_);
    f.bindRenderbuffer(GL_RENDERBUFFER, renderbuffers_[0]);
    f.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width_, height_);
    f.bindRenderbuffer(GL_RENDERBUFFER, renderbuffers_[1]);
    f.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width_, height_);
    f.bindRenderbuffer(GL_RENDERBUFFER, 0);
    f.genFramebuffers(1, &framebuffer_);
    f.bindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    f.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                              renderbuffers_[0]);
    f.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                              renderbuffers_[1]);
    // Drawing and reading address the colour attachment, as the back buffer of a window would.
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, width_, height_);
    return f.checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

void OffscreenContext::destroyFramebuffer()
{
    FramebufferProcs f;
    if (framebuffer_ && fetchFramebufferProcs(f)) {
        f.bindFramebuffer(GL_FRAMEBUFFER, 0);
        f.deleteFramebuffers(1, &framebuffer_);
        f.deleteRenderbuffers(2, renderbuffers_);
    }
    framebuffer_ = 0;
    renderbuffers_[0] = renderbuffers_[1] = 0;
}

void OffscreenContext::makeCurrent()
{
    if (!context_) return;
    eglBindAPI(EGL_OPENGL_API);
    EGLSurface surface = surface_ ? asSurface(surface_) : EGL_NO_SURFACE;
    eglMakeCurrent(asDisplay(display_), surface, surface, asContext(context_));
    setCurrentSwap(swapSurface, this);
}

// A pbuffer has no front buffer to show and a framebuffer object none at all: the picture stays
// in the buffer that is read back.
void OffscreenContext::swapBuffers()
{
    if (surface_) eglSwapBuffers(asDisplay(display_), asSurface(surface_));
    else if (context_) glFlush();
}

void OffscreenContext::destroy()
{
    if (!display_) return;
    EGLDisplay display = asDisplay(display_);
    if (context_) {
        bool current = eglGetCurrentContext() == asContext(context_);
        // The framebuffer's names die with the context; delete them early only where they are
        // reachable, so another current context is never switched away.
        if (current) destroyFramebuffer();
        framebuffer_ = 0;
        renderbuffers_[0] = renderbuffers_[1] = 0;
        if (current) {
            eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
            setCurrentSwap(nullptr, nullptr);
        }
        eglDestroyContext(display, asContext(context_));
    }
    if (surface_) eglDestroySurface(display, asSurface(surface_));
    // The display stays initialised: EGL displays are shared per process, and terminating one
    // would pull it from under any other offscreen context still alive.
    display_ = surface_ = context_ = nullptr;
    width_ = height_ = 0;
}

} // namespace qm::platform
