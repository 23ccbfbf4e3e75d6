// The quillmark executable in its configuration and preview roles, end to end on a private X
// server: exit status, the settings file, and what happens without a display.
#include "tests/dialog/quillmark_process.h"
#include "tests/support/config_home.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace qm {
namespace {

using test::QuillmarkProcess;

constexpr double OPEN_SECONDS = 20.0;
constexpr double EXIT_SECONDS = 5.0;

void key(unsigned long window, const std::string& keys)
{
    std::string command = "xdotool windowfocus --sync " + std::to_string(window) + " key " + keys;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

TEST(ConfigureMode, ReturnSavesAndEscapeDoesNotAndBothExitWithZero)
{
    struct Case {
        const char* argument;
        const char* keys;
        bool saves;
    };
    for (const Case& c : {Case{"/c", "Return", true}, Case{"-C:123", "Escape", false}}) {
        SCOPED_TRACE(c.keys);
        test::ConfigHome home;
        QuillmarkProcess quillmark({c.argument}, home.path());
        unsigned long window = test::waitForWindow("^Quillmark Configuration$", OPEN_SECONDS);
        ASSERT_NE(window, 0u);
        key(window, c.keys);
        EXPECT_EQ(quillmark.waitForExit(EXIT_SECONDS), 0);
        EXPECT_EQ(std::filesystem::exists(home.settingsFile()), c.saves);
    }
}

TEST(PreviewMode, WithoutAWindowNumberShowsTheMessageAndExitsWithZero)
{
    test::ConfigHome home;
    QuillmarkProcess quillmark({"/p"}, home.path());
    unsigned long box = test::waitForWindow("^ERROR$", OPEN_SECONDS);
    ASSERT_NE(box, 0u) << "the message box did not appear";
    key(box, "Return");
    EXPECT_EQ(quillmark.waitForExit(EXIT_SECONDS), 0);
}

TEST(RunModes, WithoutADisplayPrintOneLineAndExitWithZero)
{
    const char* binary = std::getenv("QM_BINARY_DIR");
    test::ConfigHome home;
    for (const char* arguments : {"/c", "", "/p 1234", "/p"}) {
        SCOPED_TRACE(arguments);
        int status = -1;
        std::string err = test::commandOutput("env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME='" + home.path() +
                                                  "' '" + std::string(binary ? binary : ".") + "/bin/quillmark' " +
                                                  arguments + " 2>&1 >/dev/null",
                                              &status);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_FALSE(std::filesystem::exists(home.settingsFile()));
    }
}

} // namespace
} // namespace qm
