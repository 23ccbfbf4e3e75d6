// The command line of an XScreenSaver hack: where to draw (-window-id ID, -root, or the window in
// XSCREENSAVER_WINDOW) and the options that override the settings for one run. Recognised before
// the screensaver command line (/s, /c, /p N); anything else goes on to that parse unchanged.
#pragma once
#include "host/settings.h"
#include <cstdint>
#include <optional>
#include <string>

namespace qm {

enum class HackCommandKind {
    None,      // not a hack command line: the screensaver command line decides
    Help,      // --help: print both command lines, exit 0
    Run,       // draw into the target
    Invalid,   // an unknown option or a bad value: the usage line, exit 1
};

// Each option is set only when it was given; the settings file decides the rest.
struct HackOptions {
    std::optional<bool> showFPS;
    std::optional<bool> showClock;
    std::optional<bool> twelveHourClock;
    std::optional<bool> enableMusic;
    std::optional<bool> enableSFX;
    std::optional<uint32_t> volume;   // 0..100
};

struct HackCommand {
    HackCommandKind kind = HackCommandKind::None;
    bool root = false;
    uint64_t windowId = 0;
    HackOptions options;
    std::string problem;   // what was wrong, for Invalid
};

constexpr uint32_t HACK_VOLUME_MAX = 100;

// argv without interpretation of the environment; `screensaverWindow` is the text of
// XSCREENSAVER_WINDOW or null. The variable, when set, picks hack mode and wins over -window-id
// and -root.
HackCommand parseHackCommand(int argc, const char* const* argv, const char* screensaverWindow);
// A window id in decimal or 0x hex, as managers write them; false for anything else or 0.
bool parseWindowId(const char* text, uint64_t& id);
// The given options over the settings read from the file, for this run only (never saved).
void applyHackOptions(const HackOptions& options, Settings& s);

// The one line that says how to start the hack.
const char* hackUsageLine();
// Both command lines with a line on each switch and option.
std::string helpText();

}
