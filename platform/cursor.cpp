#include "platform/cursor.h"
#include "platform/video.h"
#include "platform/window_internal.h"

namespace qm::platform {

void showCursor(bool visible)
{
    if (initVideo()) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

void warpCursor(const Window* window, int x, int y)
{
    if (window && window == mainWindow()) SDL_WarpMouseInWindow(mainSdlWindow(), x, y);
}

} // namespace qm::platform
