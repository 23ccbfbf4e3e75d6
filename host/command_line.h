// The screensaver command line: /c, /p with a window number, /s, /t.
#pragma once
#include "host/run_mode.h"
#include <string>

namespace qm {

// Parses the whole command line, program name first; stores the number after /c or /p in
// hostWindow (0 when there is none, or when it does not fit 32 bits).
RunMode parseCommandLine(const char* commandLine, uint32_t& hostWindow);
// The argument vector as one command line: the program name quoted when it holds a blank.
std::string commandLineText(int argc, const char* const* argv);

}
