// Presents whichever GL surface is current: the main window or an offscreen context.
// The backend that makes a context current registers how to swap it.
#pragma once

namespace qm::platform {

using SwapFunction = void (*)(void* surface);
void setCurrentSwap(SwapFunction swap, void* surface);
// Swaps the buffers of the current surface; does nothing when none is registered.
void swapCurrentBuffers();

// True when the space-separated extension list (EGL's) names `name` as a whole token.
bool extensionListHas(const char* list, const char* name);

}
