#include "host/command_line.h"

namespace qm {
namespace {

const char* skipProgramName(const char* s)
{
    if (*s == '"') {
        ++s;
        while (*s && *s != '"') ++s;
        return *s ? s + 1 : s;
    }
    while (*s && *s != ' ') ++s;
    return *s ? s + 1 : s;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The first decimal number at or after s; 0 when there is none or it is wider than 32 bits.
uint32_t numberAfter(const char* s)
{
    while (*s && !isDigit(*s)) ++s;
    uint64_t value = 0;
    for (; isDigit(*s); ++s) {
        value = value * 10 + uint64_t(*s - '0');
        if (value > UINT32_MAX) return 0;
    }
    return uint32_t(value);
}

} // namespace

RunMode parseCommandLine(const char* commandLine, uint32_t& hostWindow)
{
    hostWindow = 0;
    if (!commandLine) return RunMode::Configure;
    const char* s = skipProgramName(commandLine);
    while (*s && *s != '/' && *s != '-') ++s;
    if (!*s) return RunMode::Configure;
    char letter = s[1];
    switch (letter) {
    case 'C': case 'c':
        hostWindow = numberAfter(s + 1);
        return RunMode::Configure;
    case 'P': case 'p':
        hostWindow = numberAfter(s + 1);
        return RunMode::Preview;
    case 'T': case 't':
        return RunMode::SaverAlt;
    default:
        return RunMode::Saver;
    }
}

std::string commandLineText(int argc, const char* const* argv)
{
    std::string text;
    for (int i = 0; i < argc; ++i) {
        std::string arg = argv[i] ? argv[i] : "";
        bool quote = i == 0 && arg.find(' ') != std::string::npos;
        if (i > 0) text += ' ';
        text += quote ? "\"" + arg + "\"" : arg;
    }
    return text;
}

} // namespace qm
