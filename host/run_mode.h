// The role a run of the program plays, chosen by the command line.
#pragma once
#include <cstdint>

namespace qm {

enum class RunMode : int32_t {
    Configure = 0,   // no switch, or /c: the configuration dialog
    Preview = 1,     // /p: the picture inside the host's preview window
    Saver = 2,       // any other switch letter, as a rule /s: the full-screen saver
    SaverAlt = 3,    // /t: exactly the same as Saver
};

}
