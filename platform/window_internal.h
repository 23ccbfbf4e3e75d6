// What the platform files share about the windows behind the public handles (never included outside platform/).
#pragma once
#include <SDL.h>

namespace qm::platform {

SDL_Window* mainSdlWindow();
bool isMainWindowId(Uint32 windowId);
// Repaints a cover window whose contents the server asked for again.
void repaintCoverWindow(Uint32 windowId);
// Puts the requested full-screen mode on the main window; false when nothing changed.
bool applyRequestedMode(SDL_Window* window);

}
