#include "platform/video.h"
#include <SDL.h>
#include <cstdlib>
#include <cstring>
#include <string>

namespace qm::platform {
namespace {
bool videoOpen = false;
std::string lastError;

void setHints()
{
    // Our own handlers turn SIGTERM, SIGINT and SIGHUP into the quit message.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // A cover window taking the focus must not minimise the full-screen scene.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // The screensaver manager that started us keeps control over display power saving.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
}

bool variableSet(const char* name)
{
    const char* v = std::getenv(name);
    return v && *v;
}

// SDL falls back to drivers that draw nowhere; only an explicit request may pick those.
bool drawsNowhere(const char* driver)
{
    if (variableSet("SDL_VIDEODRIVER") || !driver) return false;
    return std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
}

bool fail(const std::string& why)
{
    lastError = why.empty() ? "no display available" : why;
    return false;
}
} // namespace

bool initVideo()
{
    if (videoOpen) return true;
    if (!variableSet("SDL_VIDEODRIVER") && !variableSet("DISPLAY") && !variableSet("WAYLAND_DISPLAY"))
        return fail("neither DISPLAY nor WAYLAND_DISPLAY is set");
    setHints();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return fail(SDL_GetError());
    if (drawsNowhere(SDL_GetCurrentVideoDriver())) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return fail("no display server answered");
    }
    videoOpen = true;
    return true;
}

const char* videoError()
{
    return lastError.c_str();
}

void shutdownVideo()
{
    if (!videoOpen) return;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    SDL_Quit();
    videoOpen = false;
}

} // namespace qm::platform
