// End to end: the quillmark executable as an XScreenSaver hack, drawing into a window that the
// test makes on a private X server, as a screensaver manager would.
#include "tests/hack/hack_process.h"
#include "tests/hack/host_window.h"
#include "platform/foreign_window.h"
#include "tests/support/config_home.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_files.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace qm {
namespace {

using test::HackProcess;
using test::binaryDir;
using test::pause;
constexpr int HOST_WIDTH = 320;
constexpr int HOST_HEIGHT = 240;
// The hack ends within HACK_QUIT_DEADLINE_MS (100 ms) of SIGTERM, through its normal shutdown or
// its deadline; the bound here leaves room for a busy machine, and hack_bench measures the figure.
constexpr double SIGTERM_DEADLINE_MS = 500.0;

bool fileExists(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && st.st_size > 0;
}

const std::string SECTION = "[HKEY_CURRENT_USER\\Software\\Brimholt\\Quillmark]\n";

// The artwork and the audio module of the build, in a folder of their own named by "Path".
class HackTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(host.ok()) << "needs an X server (run under Xvfb)";
        const std::string archive = binaryDir() + "/data/data.rar";
        ASSERT_TRUE(fileExists(archive)) << archive << " is made by the quillmark-data target";
        ASSERT_EQ(symlink(archive.c_str(), program.file("data.rar").c_str()), 0);
        ASSERT_EQ(symlink((binaryDir() + "/bin/bass.so").c_str(), program.file("bass.so").c_str()), 0);
    }
    void writeSettings(const std::string& values)
    {
        test::writeText(home.settingsFile(), "Windows Registry Editor Version 5.00\n\n" + SECTION +
                                                 "\"Path\"=\"" + program.path() + "\"\n" + values);
    }
    // The scene covers this part of the host (the first frames may take a while on a busy machine
    // after the loading picture), and two looks a moment apart differ.
    void expectMovingScene(int x, int y, int width, int height)
    {
        test::PictureSummary first;
        for (int i = 0; i < 200; ++i) {
            first = host.grab(x, y, width, height);
            if (first.ok && first.litFraction() > 0.9) break;
            pause(0.05);
        }
        ASSERT_TRUE(first.ok);
        EXPECT_GT(first.litFraction(), 0.9) << "the scene does not cover the window";
        pause(0.25);
        const test::PictureSummary second = host.grab(x, y, width, height);
        ASSERT_TRUE(second.ok);
        EXPECT_GT(second.litFraction(), 0.9);
        EXPECT_NE(first.checksum, second.checksum) << "the picture does not change";
    }

    test::ConfigHome home;
    test::TempFolder program{"qm-program"};
    test::TempFolder work{"qm-hack"};
    test::HostWindow host{HOST_WIDTH, HOST_HEIGHT};
};

// A ramp far from the identity that the saver would never load itself.
std::vector<uint16_t> unusualRamp(size_t entries)
{
    std::vector<uint16_t> ramp(entries);
    for (size_t i = 0; i < entries; ++i) ramp[i] = uint16_t((i * 7919u) % 65536u);
    return ramp;
}

TEST_F(HackTest, WindowIdDrawsTheSceneFollowsResizesLeavesTheDisplayAloneAndEndsOnSigterm)
{
    // Brightness 80 with "DefGamma" off: the full-screen saver would load a ramp.
    writeSettings("\"DefGamma\"=dword:00000000\n\"Gamma\"=dword:00000050\n\"MouseExit\"=dword:00000001\n");
    std::vector<uint16_t> ramp = host.gammaRamp();
    const bool haveGamma = !ramp.empty();
    if (haveGamma) {
        ramp = unusualRamp(ramp.size());
        ASSERT_TRUE(host.setGammaRamp(ramp));
    }
    host.movePointer(700, 500);
    const unsigned long focus = host.focus();

    HackProcess hack({"-window-id", host.idText()}, work.path());
    ASSERT_TRUE(hack.waitUntilRunning()) << hack.errors();
    expectMovingScene(0, 0, HOST_WIDTH, HOST_HEIGHT);

    if (haveGamma) {
        EXPECT_EQ(host.gammaRamp(), ramp) << "the gamma ramp was changed";
    }
    int x = 0, y = 0;
    ASSERT_TRUE(host.pointer(x, y));
    EXPECT_EQ(x, 700);
    EXPECT_EQ(y, 500);
    EXPECT_TRUE(host.pointerGrabbable()) << "the hack holds a pointer grab";
    EXPECT_EQ(host.focus(), focus);

    // The part the window gained is drawn too: the viewport followed.
    host.resize(480, 360);
    pause(0.4);
    expectMovingScene(HOST_WIDTH, 0, 480 - HOST_WIDTH, 360 - HOST_HEIGHT);
    expectMovingScene(0, HOST_HEIGHT, 480, 360 - HOST_HEIGHT);

    int status = -1;
    const double ms = hack.terminate(status);
    EXPECT_EQ(status, 0) << hack.errors();
    EXPECT_LT(ms, SIGTERM_DEADLINE_MS);
    if (haveGamma) {
        EXPECT_EQ(host.gammaRamp(), ramp);
    }
}

// The early loading picture: upright (the picture's rows run bottom first), stretched over its part
// of the window, black around it, and the window still the manager's (no GL, no child).
TEST_F(HackTest, ThePictureBeforeGLLandsUprightInItsPlace)
{
    // 2 x 2 pixels, bottom row first: bottom red, green; top blue, white.
    const uint8_t rgb[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    std::string problem;
    ASSERT_TRUE(platform::openForeignWindow({false, host.id()}, problem)) << problem;
    platform::paintForeignPicture(rgb, 2, 2, 0.25f, 0.5f, 0.75f, 1.0f);
    // The picture covers x 80..239, y 120..239 of the 320 x 240 host.
    struct Probe {
        int x, y;
        uint32_t colour;
    };
    const Probe probes[] = {
        {100, 140, 0x0000FF}, {220, 140, 0xFFFFFF},   // top row of the picture
        {100, 230, 0xFF0000}, {220, 230, 0x00FF00},   // bottom row
        {40, 180, 0x000000},  {300, 180, 0x000000}, {160, 60, 0x000000},
    };
    for (const Probe& p : probes) EXPECT_EQ(host.pixel(p.x, p.y), p.colour) << p.x << "," << p.y;
    EXPECT_EQ(host.childCount(), 0u);
    platform::detachForeignWindow();
    // A window that is not there: the open fails with the id in its one line.
    EXPECT_FALSE(platform::openForeignWindow({false, 0x7ffffff0}, problem));
    EXPECT_NE(problem.find("0x7ffffff0"), std::string::npos) << problem;
    EXPECT_FALSE(platform::foreignWindowAttached());
}

// A window whose visual has no GL configuration gets a GL child that fills it and follows it.
TEST_F(HackTest, AWindowWithoutAGLVisualGetsAChildThatFillsIt)
{
    writeSettings("");
    test::HostWindow other(HOST_WIDTH, HOST_HEIGHT, true);
    if (!other.ok()) GTEST_SKIP() << "the display has a single 24-bit visual";
    HackProcess hack({"-window-id", other.idText()}, work.path());
    ASSERT_TRUE(hack.waitUntilRunning()) << hack.errors();
    const auto moving = [&](int x, int y, int width, int height) {
        test::PictureSummary first;
        for (int i = 0; i < 200 && !(first.ok && first.litFraction() > 0.9); ++i) {
            first = other.grab(x, y, width, height);
            pause(0.05);
        }
        pause(0.25);
        const test::PictureSummary second = other.grab(x, y, width, height);
        return first.litFraction() > 0.9 && second.litFraction() > 0.9 && first.checksum != second.checksum;
    };
    EXPECT_EQ(other.childCount(), 1u);
    EXPECT_TRUE(moving(0, 0, HOST_WIDTH, HOST_HEIGHT));
    other.resize(480, 360);
    pause(0.4);
    EXPECT_TRUE(moving(HOST_WIDTH, HOST_HEIGHT, 480 - HOST_WIDTH, 360 - HOST_HEIGHT));
    EXPECT_TRUE(other.pointerGrabbable());
    int status = -1;
    hack.terminate(status);
    EXPECT_EQ(status, 0) << hack.errors();
    EXPECT_EQ(other.childCount(), 0u) << "the child goes with the hack";
}

TEST_F(HackTest, TheEnvironmentWindowWinsOverTheCommandLine)
{
    writeSettings("");
    // With -root winning, the scene would go to the root window and the host would stay black.
    HackProcess hack({"-root"}, work.path(), std::to_string(host.id()).c_str());
    ASSERT_TRUE(hack.waitUntilRunning()) << hack.errors();
    expectMovingScene(0, 0, HOST_WIDTH, HOST_HEIGHT);
    int status = -1;
    const double ms = hack.terminate(status);
    EXPECT_EQ(status, 0) << hack.errors();
    EXPECT_LT(ms, SIGTERM_DEADLINE_MS);
}

TEST_F(HackTest, SigtermDuringLoadingEndsTheRunAtOnce)
{
    writeSettings("");
    HackProcess hack({"-window-id", host.idText()}, work.path());
    // The loading picture is up: a small lit part of the black host.
    bool loading = false;
    for (int i = 0; i < 2000 && hack.alive() && !loading; ++i) {
        const test::PictureSummary picture = host.grab();
        loading = picture.ok && picture.litPixels > 0 && picture.litFraction() < 0.5;
        if (!loading) pause(0.002);
    }
    ASSERT_TRUE(loading) << hack.errors();
    int status = -1;
    const double ms = hack.terminate(status);
    EXPECT_EQ(status, 0) << hack.errors();
    EXPECT_LT(ms, SIGTERM_DEADLINE_MS);
}

TEST_F(HackTest, TheWindowGoingAwayEndsTheRunNormally)
{
    writeSettings("");
    HackProcess hack({"-window-id", host.idText()}, work.path());
    ASSERT_TRUE(hack.waitUntilRunning()) << hack.errors();
    host.destroy();
    EXPECT_EQ(hack.exitStatus(), 0) << hack.errors();
    EXPECT_NE(hack.trace().find("{\"Frames\":"), std::string::npos) << "the normal shutdown traces the frames";
}

size_t lineCount(const std::string& text)
{
    size_t lines = 0;
    for (char c : text) lines += c == '\n';
    return lines;
}

TEST_F(HackTest, AWindowThatDoesNotExistGivesOneLineAndExitOne)
{
    writeSettings("");
    {
        HackProcess hack({"-window-id", "0x7ffffff0"}, work.path());
        EXPECT_EQ(hack.exitStatus(), 1);
        EXPECT_EQ(lineCount(hack.errors()), 1u) << hack.errors();
        EXPECT_NE(hack.errors().find("0x7ffffff0"), std::string::npos) << hack.errors();
    }
    {
        HackProcess hack({}, work.path(), "2147483632");
        EXPECT_EQ(hack.exitStatus(), 1);
        EXPECT_EQ(lineCount(hack.errors()), 1u) << hack.errors();
    }
}

// The manager shows what a hack writes on standard error: a hack that cannot run says why there.
TEST_F(HackTest, AMissingArchiveOrAudioModuleIsToldOnStandardError)
{
    writeSettings("");
    ASSERT_EQ(unlink(program.file("bass.so").c_str()), 0);
    {
        HackProcess hack({"-window-id", host.idText()}, work.path());
        EXPECT_EQ(hack.exitStatus(), 0) << "without its audio module the saver ends with exit code 0";
        EXPECT_NE(hack.errors().find("bass.so"), std::string::npos) << hack.errors();
    }
    ASSERT_EQ(unlink(program.file("data.rar").c_str()), 0);
    {
        test::HostWindow fresh(HOST_WIDTH, HOST_HEIGHT);
        HackProcess hack({"-window-id", fresh.idText()}, work.path());
        EXPECT_EQ(hack.exitStatus(), 1);
        EXPECT_NE(hack.errors().find("data.rar"), std::string::npos) << hack.errors();
        EXPECT_EQ(fresh.grab().litPixels, 0) << "nothing was drawn";
    }
}

TEST_F(HackTest, BadOptionsGiveTheUsageLineAndHelpGivesBothCommandLines)
{
    for (const std::vector<std::string>& args : {std::vector<std::string>{"-root", "-bogus"},
                                                 {"-window-id", host.idText(), "-volume", "250"},
                                                 {"-window-id"}}) {
        HackProcess hack(args, work.path());
        EXPECT_EQ(hack.exitStatus(), 1) << args.back();
        EXPECT_EQ(lineCount(hack.errors()), 1u) << hack.errors();
        EXPECT_NE(hack.errors().find("usage: quillmark -window-id ID | -root"), std::string::npos);
    }
    const std::string out = work.file("help.txt");
    const std::string command = binaryDir() + "/bin/quillmark --help >" + out + " 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string help = test::readText(out);
    EXPECT_NE(help.find("quillmark /s"), std::string::npos) << help;
    EXPECT_NE(help.find("-window-id ID | -root"), std::string::npos) << help;
}

// Each option against a settings file that says the opposite; the trace shows what the run used,
// and the file is left as it was.
TEST_F(HackTest, HackOptionsOverrideTheSettingsFileForTheRunOnly)
{
    struct Case {
        std::string file;
        std::vector<std::string> options;
        std::string expected;
    };
    const Case cases[] = {
        {"\"ShowFPS\"=dword:00000000\n\"ShowClock\"=dword:00000001\n\"TimeFormat\"=dword:00000000\n"
         "\"EnableMusic\"=dword:00000001\n\"EnableSFX\"=dword:00000001\n\"Volume\"=dword:00000064\n",
         {"-fps", "-no-clock", "-12h", "-no-music", "-no-sounds", "-volume", "30"},
         "\"ShowFPS\":1,\"ShowClock\":0,\"TimeFormat\":1,\"EnableMusic\":0,\"EnableSFX\":0,\"Volume\":30,"},
        {"\"ShowFPS\"=dword:00000001\n\"ShowClock\"=dword:00000000\n\"TimeFormat\"=dword:00000001\n"
         "\"EnableMusic\"=dword:00000000\n\"EnableSFX\"=dword:00000000\n\"Volume\"=dword:00000014\n",
         {"--no-fps", "--clock", "--24h", "--music", "--sounds", "--volume", "0"},
         "\"ShowFPS\":0,\"ShowClock\":1,\"TimeFormat\":0,\"EnableMusic\":1,\"EnableSFX\":1,\"Volume\":0,"},
    };
    for (const Case& c : cases) {
        writeSettings(c.file);
        const std::string before = test::readText(home.settingsFile());
        std::vector<std::string> args{"-window-id", host.idText()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        HackProcess hack(args, work.path());
        ASSERT_TRUE(hack.waitUntilRunning()) << hack.errors();
        EXPECT_NE(hack.trace().find(c.expected), std::string::npos) << hack.trace();
        EXPECT_NE(hack.trace().find("\"Width\":320,\"Height\":240"), std::string::npos) << hack.trace();
        int status = -1;
        hack.terminate(status);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(test::readText(home.settingsFile()), before);
    }
}

} // namespace
} // namespace qm
