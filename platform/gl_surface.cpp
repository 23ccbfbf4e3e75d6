#include "platform/gl_surface.h"
#include <cstring>

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

bool extensionListHas(const char* list, const char* name)
{
    if (!list) return false;
    size_t len = std::strlen(name);
    for (const char* at = std::strstr(list, name); at; at = std::strstr(at + len, name)) {
        bool starts = at == list || at[-1] == ' ';
        bool ends = at[len] == '\0' || at[len] == ' ';
        if (starts && ends) return true;
    }
    return false;
}

} // namespace qm::platform
