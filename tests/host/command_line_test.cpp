#include "host/command_line.h"
#include <gtest/gtest.h>

namespace qm {
namespace {

struct CommandLineCase {
    const char* text;
    RunMode mode;
    uint32_t hostWindow;
};

const CommandLineCase CASES[] = {
    {"\"C:\\Program Files\\Quill mark\\q.scr\" /p 1234", RunMode::Preview, 1234},
    {"q.scr /c:5678", RunMode::Configure, 5678},
    {"q.scr /c", RunMode::Configure, 0},
    {"q.scr /C 77", RunMode::Configure, 77},
    {"q.scr abc-p 42", RunMode::Preview, 42},
    {"q.scr /p", RunMode::Preview, 0},
    {"q.scr -s", RunMode::Saver, 0},
    {"q.scr /S", RunMode::Saver, 0},
    {"q.scr /x", RunMode::Saver, 0},
    {"q.scr /T", RunMode::SaverAlt, 0},
    {"q.scr /t", RunMode::SaverAlt, 0},
    {"q.scr", RunMode::Configure, 0},
    {"q.scr/s", RunMode::Configure, 0},                      // nothing after the name to scan
    {"\"q.scr /s", RunMode::Configure, 0},                   // unclosed quote eats the rest
    {"\"/usr/bin/quill mark\"/s", RunMode::Saver, 0},
    {"q.scr settings", RunMode::Configure, 0},
    {"q.scr /", RunMode::Saver, 0},
    {"q.scr /p 99999999999", RunMode::Preview, 0},           // wider than 32 bits
    {"q.scr /p 4294967295", RunMode::Preview, 4294967295u},
    {"", RunMode::Configure, 0},
};

TEST(CommandLine, ModesAndHostWindowNumbers)
{
    for (const CommandLineCase& c : CASES) {
        uint32_t hostWindow = 12345;
        EXPECT_EQ(parseCommandLine(c.text, hostWindow), c.mode) << c.text;
        EXPECT_EQ(hostWindow, c.hostWindow) << c.text;
    }
    uint32_t hostWindow = 1;
    EXPECT_EQ(parseCommandLine(nullptr, hostWindow), RunMode::Configure);
    EXPECT_EQ(hostWindow, 0u);
}

TEST(CommandLine, ArgumentsJoinIntoTheTextTheParserReads)
{
    const char* spaced[] = {"/opt/quill mark/quillmark", "/p", "42"};
    EXPECT_EQ(commandLineText(3, spaced), "\"/opt/quill mark/quillmark\" /p 42");
    const char* plain[] = {"quillmark"};
    EXPECT_EQ(commandLineText(1, plain), "quillmark");
    uint32_t hostWindow = 0;
    EXPECT_EQ(parseCommandLine(commandLineText(3, spaced).c_str(), hostWindow), RunMode::Preview);
    EXPECT_EQ(hostWindow, 42u);
}

} // namespace
} // namespace qm
