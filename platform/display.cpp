#include "platform/display.h"
#include "platform/video.h"
#include "platform/window_internal.h"
#include <SDL.h>
#include <cstdio>

namespace qm::platform {
namespace {

bool fullscreenRequested = false;
DisplayMode requestedMode;

Rect boundsOf(int display)
{
    SDL_Rect r{};
    SDL_GetDisplayBounds(display, &r);
    return {r.x, r.y, r.x + r.w, r.y + r.h};
}

bool sameRect(const Rect& a, const Rect& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

DisplayMode fromSdl(const SDL_DisplayMode& m)
{
    return {uint32_t(m.w), uint32_t(m.h), uint32_t(SDL_BITSPERPIXEL(m.format))};
}

// A listed mode of the primary display with this size and depth, else any format at this size.
SDL_DisplayMode sdlModeFor(const DisplayMode& mode)
{
    SDL_DisplayMode wanted{};
    wanted.w = int(mode.width);
    wanted.h = int(mode.height);
    int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode m{};
        if (SDL_GetDisplayMode(0, i, &m) != 0) continue;
        if (m.w == wanted.w && m.h == wanted.h && SDL_BITSPERPIXEL(m.format) == mode.bitsPerPixel)
            return m;
    }
    return wanted;
}

} // namespace

int listDisplays(DisplayInfo* out, int max)
{
    if (!out || max <= 0 || !initVideo()) return 0;
    int count = SDL_GetNumVideoDisplays();
    int filled = 0;
    for (int i = 0; i < count && filled < max; ++i) {
        DisplayInfo info;
        info.index = i;
        const char* name = SDL_GetDisplayName(i);
        std::snprintf(info.name, sizeof info.name, "%s", name ? name : "");
        info.bounds = boundsOf(i);
        for (int j = 0; j < filled; ++j)
            if (sameRect(out[j].bounds, info.bounds)) info.mirrorsEarlier = true;
        out[filled++] = info;
    }
    return filled;
}

bool currentDisplayMode(int display, DisplayMode& mode)
{
    if (!initVideo()) return false;
    SDL_DisplayMode m{};
    if (SDL_GetCurrentDisplayMode(display, &m) != 0) return false;
    mode = fromSdl(m);
    return true;
}

int listDisplayModes(int display, DisplayMode* out, int max)
{
    if (!out || max <= 0 || !initVideo()) return 0;
    int count = SDL_GetNumDisplayModes(display);
    int filled = 0;
    for (int i = 0; i < count && filled < max; ++i) {
        SDL_DisplayMode m{};
        if (SDL_GetDisplayMode(display, i, &m) == 0) out[filled++] = fromSdl(m);
    }
    return filled;
}

void requestFullscreenMode(const DisplayMode& mode)
{
    fullscreenRequested = true;
    requestedMode = mode;
}

bool applyRequestedMode(SDL_Window* window)
{
    if (!fullscreenRequested || !window) return false;
    SDL_DisplayMode m = sdlModeFor(requestedMode);
    SDL_SetWindowDisplayMode(window, &m);
    if (SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0) return true;
    // The mode could not be set: the window still covers the display, in the desktop's mode.
    SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    return false;
}

void restoreDisplayMode()
{
    fullscreenRequested = false;
    if (SDL_Window* window = mainSdlWindow()) SDL_SetWindowFullscreen(window, 0);
}

} // namespace qm::platform
