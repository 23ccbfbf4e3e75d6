#include "platform/gl_surface.h"

namespace qm::platform {
namespace {
SwapFunction currentSwap = nullptr;
void* currentSurface = nullptr;
}

void setCurrentSwap(SwapFunction swap, void* surface)
{
    currentSwap = swap;
    currentSurface = surface;
}

void swapCurrentBuffers()
{
    if (currentSwap) currentSwap(currentSurface);
}

} // namespace qm::platform
