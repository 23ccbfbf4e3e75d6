// The saver as an XScreenSaver hack: the same start-up, frame loop and composition, drawn into a
// window the manager owns. No display mode, gamma ramp, pointer or focus is touched; the manager
// ends the run with SIGTERM.
#pragma once
#include "host/hack_options.h"
#include <optional>

namespace qm {

// The whole hack run: 0 after SIGTERM (or when the window goes away), 1 when the window cannot be
// used (one line on standard error).
int runHack(const HackCommand& command);
// Handles --help and hack command lines; returns the exit status, or nothing when the command
// line is one of the screensaver's own (/s, /c, /p N ...).
std::optional<int> runHackCommandLine(int argc, const char* const* argv);

// After SIGTERM the run ends through its normal shutdown; should that take longer (a long frame,
// a load in progress) the process exits 0 at this deadline: a hack has nothing on the display to
// put back.
constexpr unsigned HACK_QUIT_DEADLINE_MS = 100;
// The hack paces its frames to at most this many a second: it shares the machine with the
// manager and whatever the user left running. A window no larger than PREVIEW_MAX_PIXELS is a
// settings dialog's live preview, which runs beside the dialog the user is working in and gets
// the lower rate.
constexpr double HACK_MAX_FRAME_RATE = 60.0;
constexpr double PREVIEW_MAX_FRAME_RATE = 30.0;
constexpr uint32_t PREVIEW_MAX_PIXELS = 400 * 300;
// The longest pause between frames for a window of this size.
double hackFramePeriod(uint32_t width, uint32_t height);

}
