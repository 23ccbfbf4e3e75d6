#include "platform/window.h"
#include "platform/gl_surface.h"
#include "platform/video.h"
#include "platform/window_internal.h"
#include <vector>

namespace qm::platform {

class Window {
public:
    virtual ~Window() = default;
    SDL_Window* sdl = nullptr;
    bool cover = false;
};

namespace {

constexpr const char* WINDOW_TITLE = "Quillmark";
constexpr Uint32 COMMON_FLAGS = SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP;

Window* theMainWindow = nullptr;
SDL_GLContext glContext = nullptr;
std::vector<Window*> coverWindows;

void requestPixelFormat()
{
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BUFFER_SIZE, 32);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
}

SDL_Window* createSdlWindow(const Rect& rect, Uint32 flags)
{
    return SDL_CreateWindow(WINDOW_TITLE, rect.left, rect.top, rect.right - rect.left,
                            rect.bottom - rect.top, flags | COMMON_FLAGS);
}

// The requested format first; when no visual offers it, whatever the driver gives by default.
SDL_Window* createGLWindow(const Rect& rect)
{
    requestPixelFormat();
    SDL_Window* w = createSdlWindow(rect, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (w) return w;
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    return createSdlWindow(rect, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
}

void swapWindow(void* surface)
{
    SDL_GL_SwapWindow(static_cast<SDL_Window*>(surface));
}

void paintBlack(SDL_Window* w)
{
    if (SDL_Surface* s = SDL_GetWindowSurface(w)) {
        SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, 0, 0, 0));
        SDL_UpdateWindowSurface(w);
    }
}

// A failed context is not fatal: the window stays, and GL calls then draw nothing.
void createContextFor(SDL_Window* w)
{
    glContext = SDL_GL_CreateContext(w);
    if (!glContext) return;
    SDL_GL_MakeCurrent(w, glContext);
    setCurrentSwap(swapWindow, w);
}

} // namespace

Window* createMainWindow(const Rect& rect)
{
    if (theMainWindow || !initVideo()) return nullptr;
    SDL_Window* w = createGLWindow(rect);
    if (!w) return nullptr;
    theMainWindow = new Window;
    theMainWindow->sdl = w;
    createContextFor(w);
    applyRequestedMode(w);
    return theMainWindow;
}

Window* createCoverWindow(const Rect& rect)
{
    if (!initVideo()) return nullptr;
    SDL_Window* w = createSdlWindow(rect, SDL_WINDOW_SKIP_TASKBAR);
    if (!w) return nullptr;
    auto* window = new Window;
    window->sdl = w;
    window->cover = true;
    coverWindows.push_back(window);
    paintBlack(w);
    return window;
}

void showWindow(Window* window)
{
    if (!window) return;
    SDL_ShowWindow(window->sdl);
    if (window->cover) paintBlack(window->sdl);
}

void focusWindow(Window* window)
{
    if (!window) return;
    SDL_RaiseWindow(window->sdl);
    SDL_SetWindowInputFocus(window->sdl);
}

void destroyWindow(Window* window)
{
    if (!window) return;
    if (window == theMainWindow) {
        releaseGLContext();
        theMainWindow = nullptr;
    }
    std::erase(coverWindows, window);
    SDL_DestroyWindow(window->sdl);
    delete window;
}

Window* mainWindow()
{
    return theMainWindow;
}

bool hasGLContext()
{
    return glContext != nullptr;
}

void releaseGLContext()
{
    if (!glContext) return;
    setCurrentSwap(nullptr, nullptr);
    SDL_GL_MakeCurrent(theMainWindow ? theMainWindow->sdl : nullptr, nullptr);
    SDL_GL_DeleteContext(glContext);
    glContext = nullptr;
}

ClientSize clientSize(const Window* window)
{
    ClientSize size;
    if (window) SDL_GetWindowSize(window->sdl, &size.width, &size.height);
    return size;
}

SDL_Window* mainSdlWindow()
{
    return theMainWindow ? theMainWindow->sdl : nullptr;
}

bool isMainWindowId(Uint32 windowId)
{
    return theMainWindow && SDL_GetWindowID(theMainWindow->sdl) == windowId;
}

void repaintCoverWindow(Uint32 windowId)
{
    for (Window* w : coverWindows)
        if (SDL_GetWindowID(w->sdl) == windowId) paintBlack(w->sdl);
}

} // namespace qm::platform
