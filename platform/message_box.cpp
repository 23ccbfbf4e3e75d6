#include "platform/message_box.h"
#include "platform/window_internal.h"
#include <cstdio>
#include <cstdlib>

namespace qm::platform {
namespace {
bool toStderr = false;
MessageBoxHook hook = nullptr;

void writeToStderr(const char* text, const char* caption)
{
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

bool displayReachable()
{
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}
} // namespace

void messageBox(const char* text, const char* caption)
{
    text = text ? text : "";
    caption = caption ? caption : "";
    if (hook) return hook(text, caption);
    if (toStderr || !displayReachable() ||
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption, text, mainSdlWindow()) != 0)
        writeToStderr(text, caption);
}

void setMessageBoxToStderr(bool on)
{
    toStderr = on;
}

void setMessageBoxHook(MessageBoxHook h)
{
    hook = h;
}

} // namespace qm::platform
