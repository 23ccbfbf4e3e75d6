#include "platform/message_pump.h"
#include "platform/quit_signals.h"
#include "platform/window_internal.h"

namespace qm::platform {
namespace {

bool quitPosted = false;

// Alt and F10 are system keys: alone or as Alt+key they reach nothing.
bool isSystemKey(const SDL_KeyboardEvent& key)
{
    SDL_Keycode code = key.keysym.sym;
    if (code == SDLK_LALT || code == SDLK_RALT || code == SDLK_F10) return true;
    return (key.keysym.mod & KMOD_ALT) != 0;
}

bool fromButton(const SDL_MouseButtonEvent& b, Message& out)
{
    if (!isMainWindowId(b.windowID)) return false;
    if (b.button == SDL_BUTTON_LEFT) out.kind = MessageKind::LeftButtonDown;
    else if (b.button == SDL_BUTTON_RIGHT) out.kind = MessageKind::RightButtonDown;
    else return false;
    return true;
}

bool fromWindowEvent(const SDL_WindowEvent& w, Message& out)
{
    if (w.event == SDL_WINDOWEVENT_EXPOSED) repaintCoverWindow(w.windowID);
    if (w.event != SDL_WINDOWEVENT_CLOSE || !isMainWindowId(w.windowID)) return false;
    out.kind = MessageKind::Close;
    return true;
}

// Turns one backend event into a message; false for everything the saver does not handle.
bool translate(const SDL_Event& e, Message& out)
{
    switch (e.type) {
    case SDL_KEYDOWN:
        // Keys count whichever of the saver's windows holds the keyboard focus.
        if (isSystemKey(e.key)) return false;
        out.kind = MessageKind::KeyDown;
        return true;
    case SDL_MOUSEBUTTONDOWN:
        return fromButton(e.button, out);
    case SDL_MOUSEMOTION:
        if (!isMainWindowId(e.motion.windowID)) return false;
        out = {MessageKind::MouseMove, e.motion.x, e.motion.y};
        return true;
    case SDL_WINDOWEVENT:
        return fromWindowEvent(e.window, out);
    case SDL_QUIT:
        out.kind = MessageKind::Quit;
        return true;
    default:
        return false;
    }
}

} // namespace

bool peekMessage(Message& out)
{
    if (quitPosted || takeQuitSignal()) {
        quitPosted = false;
        out = {MessageKind::Quit, 0, 0};
        return true;
    }
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
    SDL_Event e;
    while (SDL_PollEvent(&e))
        if (translate(e, out)) return true;
    return false;
}

void postQuitMessage()
{
    quitPosted = true;
}

void clearPostedQuit()
{
    quitPosted = false;
}

bool quitPending()
{
    return quitPosted || quitSignalPending();
}

} // namespace qm::platform
