// The preview run mode: bitmap 112 inside the host's preview window until the host lets it go.
#pragma once

namespace qm {

class ScreensaverApp;

constexpr const char* PREVIEW_FAILED_TEXT = "Cannot creat window!";
constexpr const char* PREVIEW_FAILED_CAPTION = "ERROR";

// Returns 1 when the preview ended because its window went away, 0 when the window could not be
// made (after the message box) or there is no display (after one line on standard error).
int runPreview(const ScreensaverApp& app);

}
