// The preview: a child window of the host's X window that shows one picture at its own size in the
// top-left corner, black beyond it, until the host or the child goes away.
#pragma once
#include "platform/dialog.h"
#include <cstdint>

namespace qm::platform {

constexpr int PREVIEW_NO_DISPLAY = -1;

// Returns PREVIEW_NO_DISPLAY (reason in previewError) when no X display can be opened, 0 when
// the child window cannot be made (host 0 or not a window), and 1 once the child is gone (or a
// quit signal arrived).
int runPreviewWindow(uint32_t hostWindow, const Picture& picture);
const char* previewError();

// A plain top-level X window with a white background, mapped, for a preview to live in (tests
// and tools); 0 without a display. destroyPreviewHost takes it away again.
uint32_t createPreviewHost(int width, int height);
void destroyPreviewHost(uint32_t window);

}
