// The full-screen saver run: start-up sequence, frame loop, shutdown.
#pragma once
#include "host/screensaver_app.h"

namespace qm {

// Returns 0 when start-up fails (no display, no window), 1 after a completed run.
int runSaver(ScreensaverApp& app);
// Puts gamma, display mode and cursor back and closes the windows.
void shutdown(ScreensaverApp& app);

}
