// The hack command line: which command lines are hacks at all, the window and the options they
// carry, and what the options do to the settings.
#include "host/hack_mode.h"
#include "host/hack_options.h"
#include <gtest/gtest.h>
#include <cstring>
#include <initializer_list>
#include <string>
#include <tuple>
#include <vector>

namespace qm {
namespace {

auto fieldsOf(const Settings& s)
{
    return std::make_tuple(s.showClock, s.timeFormat, s.english, s.random, s.enableMusic, s.enableSFX,
                           s.useDesktop, s.showFlame, s.defGamma, s.width, s.height, s.depth, s.volume,
                           s.gamma, s.detail, s.showFPS, s.vSync, s.mouseExit, std::string(s.path));
}

bool sameSettings(const Settings& a, const Settings& b)
{
    return fieldsOf(a) == fieldsOf(b);
}

HackCommand parse(std::initializer_list<const char*> args, const char* environment = nullptr)
{
    std::vector<const char*> argv{"quillmark"};
    argv.insert(argv.end(), args);
    return parseHackCommand(int(argv.size()), argv.data(), environment);
}

TEST(HackCommandLine, ScreensaverSwitchesAndLookalikesAreLeftToTheScreensaverParse)
{
    const std::vector<std::vector<const char*>> cases = {
        {}, {"/s"}, {"-s"}, {"/S"}, {"/t"}, {"/p", "1234"}, {"/c:5678"}, {"-c"},
        {"-rooted"}, {"-window"}, {"-window-idx", "5"}, {"-fps"}, {"---root"}, {"root"}, {"-help"},
    };
    for (const auto& args : cases) {
        std::vector<const char*> argv{"quillmark"};
        argv.insert(argv.end(), args.begin(), args.end());
        const HackCommand command = parseHackCommand(int(argv.size()), argv.data(), nullptr);
        EXPECT_EQ(command.kind, HackCommandKind::None) << (args.empty() ? "(none)" : args[0]);
    }
    EXPECT_EQ(parse({"/s"}, "").kind, HackCommandKind::None) << "an empty variable is not set";
}

TEST(HackCommandLine, HelpComesFirstWhateverElseIsThere)
{
    EXPECT_EQ(parse({"--help"}).kind, HackCommandKind::Help);
    EXPECT_EQ(parse({"/s", "--help"}).kind, HackCommandKind::Help);
    EXPECT_EQ(parse({"-root", "--help", "-bogus"}, "0x10").kind, HackCommandKind::Help);
}

TEST(HackCommandLine, TargetsFromTheCommandLineAndTheEnvironment)
{
    struct Case {
        std::vector<const char*> args;
        const char* environment;
        bool root;
        uint64_t window;
    };
    const Case cases[] = {
        {{"-window-id", "0x1a00007"}, nullptr, false, 0x1a00007},
        {{"--window-id", "27262983"}, nullptr, false, 27262983},
        {{"-window-id", "0X1F"}, nullptr, false, 0x1f},
        {{"-root"}, nullptr, true, 0},
        {{"--root", "-fps"}, nullptr, true, 0},
        {{"-root", "-window-id", "77"}, nullptr, false, 77},      // the last target given wins
        {{"-window-id", "77", "-root"}, nullptr, true, 0},
        {{}, "0x400001", false, 0x400001},                          // the variable alone
        {{"-root"}, "4194305", false, 4194305},                     // the variable wins
        {{"-window-id", "77", "-no-clock"}, "0x99", false, 0x99},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv{"quillmark"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const HackCommand command = parseHackCommand(int(argv.size()), argv.data(), c.environment);
        SCOPED_TRACE(c.args.empty() ? std::string("(none)") : std::string(c.args[0]));
        ASSERT_EQ(command.kind, HackCommandKind::Run) << command.problem;
        EXPECT_EQ(command.root, c.root);
        EXPECT_EQ(command.windowId, c.window);
    }
}

TEST(HackCommandLine, BadHackCommandLinesAreRefusedWithAReason)
{
    struct Case {
        std::vector<const char*> args;
        const char* environment;
    };
    const Case cases[] = {
        {{"-window-id"}, nullptr},
        {{"-window-id", "abc"}, nullptr},
        {{"-window-id", "0"}, nullptr},
        {{"-window-id", "0x"}, nullptr},
        {{"-window-id", "-5"}, nullptr},
        {{"-window-id", "12junk"}, nullptr},
        {{"-window-id", "0x100000000"}, nullptr},
        {{"-root", "-volume"}, nullptr},
        {{"-root", "-volume", "101"}, nullptr},
        {{"-root", "-volume", "-1"}, nullptr},
        {{"-root", "-volume", "loud"}, nullptr},
        {{"-root", "-bogus"}, nullptr},
        {{"-root", "/s"}, nullptr},
        {{"-root", "-fpsx"}, nullptr},
        {{"/s"}, "0x10"},                 // in hack mode every word must be a hack option
        {{}, "window"},
        {{"-root"}, "0"},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv{"quillmark"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const HackCommand command = parseHackCommand(int(argv.size()), argv.data(), c.environment);
        EXPECT_EQ(command.kind, HackCommandKind::Invalid) << (c.args.empty() ? "" : c.args.back());
        EXPECT_FALSE(command.problem.empty());
    }
}

TEST(HackCommandLine, WindowIdsInDecimalAndHex)
{
    uint64_t id = 0;
    EXPECT_TRUE(parseWindowId("0x2c00003", id));
    EXPECT_EQ(id, 0x2c00003u);
    EXPECT_TRUE(parseWindowId("46137347", id));
    EXPECT_EQ(id, 46137347u);
    EXPECT_TRUE(parseWindowId("4294967295", id));
    EXPECT_EQ(id, 4294967295u);
    for (const char* bad : std::initializer_list<const char*>{"", "0", "0x0", "x10", "+10", " 10", "10 ", "4294967296", "0x1g", nullptr})
        EXPECT_FALSE(parseWindowId(bad, id)) << (bad ? bad : "null");
}

TEST(HackOptions, EachOptionOverridesItsSettingAndOnlyIt)
{
    Settings file;
    file.showFPS = false;
    file.showClock = true;
    file.timeFormat = false;
    file.enableMusic = true;
    file.enableSFX = true;
    file.volume = 100;
    file.gamma = 80;

    struct Case {
        const char* option;
        const char* value;
        void (*expect)(const Settings&);
    };
    const Case cases[] = {
        {"-fps", nullptr, [](const Settings& s) { EXPECT_TRUE(s.showFPS); }},
        {"-no-clock", nullptr, [](const Settings& s) { EXPECT_FALSE(s.showClock); }},
        {"-12h", nullptr, [](const Settings& s) { EXPECT_TRUE(s.timeFormat); }},
        {"-no-music", nullptr, [](const Settings& s) { EXPECT_FALSE(s.enableMusic); }},
        {"-no-sounds", nullptr, [](const Settings& s) { EXPECT_FALSE(s.enableSFX); }},
        {"-volume", "35", [](const Settings& s) { EXPECT_EQ(s.volume, 35u); }},
        {"--volume", "0", [](const Settings& s) { EXPECT_EQ(s.volume, 0u); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        std::vector<const char*> argv{"quillmark", "-root", c.option};
        if (c.value) argv.push_back(c.value);
        const HackCommand command = parseHackCommand(int(argv.size()), argv.data(), nullptr);
        ASSERT_EQ(command.kind, HackCommandKind::Run) << command.problem;
        Settings s = file;
        applyHackOptions(command.options, s);
        c.expect(s);
        // Everything else stays as the file has it.
        Settings back = s;
        back.showFPS = file.showFPS;
        back.showClock = file.showClock;
        back.timeFormat = file.timeFormat;
        back.enableMusic = file.enableMusic;
        back.enableSFX = file.enableSFX;
        back.volume = file.volume;
        EXPECT_TRUE(sameSettings(back, file));
    }
}

TEST(HackOptions, OppositesAndTheLastWordWins)
{
    const HackCommand command = parse({"-root", "-no-fps", "-fps", "-clock", "-24h", "-music", "-sounds",
                                       "-12h", "-volume", "10", "-volume", "20", "-no-sounds"});
    ASSERT_EQ(command.kind, HackCommandKind::Run) << command.problem;
    Settings s;
    s.timeFormat = false;
    s.enableSFX = true;
    applyHackOptions(command.options, s);
    EXPECT_TRUE(s.showFPS);
    EXPECT_TRUE(s.showClock);
    EXPECT_TRUE(s.timeFormat);
    EXPECT_TRUE(s.enableMusic);
    EXPECT_FALSE(s.enableSFX);
    EXPECT_EQ(s.volume, 20u);
}

TEST(HackOptions, NoOptionsLeaveTheSettingsAlone)
{
    Settings file;
    file.showFPS = true;
    file.volume = 42;
    Settings s = file;
    applyHackOptions(parse({"-window-id", "5"}).options, s);
    EXPECT_TRUE(sameSettings(s, file));
}

TEST(HackHelp, TheHelpNamesBothCommandLinesAndEveryOption)
{
    const std::string help = helpText();
    for (const char* word : {"/s", "/t", "/c", "/p N", "-window-id ID", "-root", "-fps", "-no-fps", "-clock",
                             "-no-clock", "-12h", "-24h", "-music", "-no-music", "-sounds", "-no-sounds",
                             "-volume", "XSCREENSAVER_WINDOW", "Quillmark.reg"})
        EXPECT_NE(help.find(word), std::string::npos) << word;
    const std::string usage = hackUsageLine();
    EXPECT_EQ(usage.find('\n'), std::string::npos);
    EXPECT_EQ(usage.rfind("usage: quillmark -window-id ID | -root", 0), 0u);
}

TEST(HackPacing, ThePreviewRunsAtHalfTheRateOfALargerWindow)
{
    EXPECT_DOUBLE_EQ(hackFramePeriod(320, 240), 1.0 / 30.0);
    EXPECT_DOUBLE_EQ(hackFramePeriod(400, 300), 1.0 / 30.0);
    EXPECT_DOUBLE_EQ(hackFramePeriod(401, 300), 1.0 / 60.0);
    EXPECT_DOUBLE_EQ(hackFramePeriod(1920, 1080), 1.0 / 60.0);
    EXPECT_DOUBLE_EQ(hackFramePeriod(65536, 65536), 1.0 / 60.0);
}

} // namespace
} // namespace qm
