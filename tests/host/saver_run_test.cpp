// End to end: the quillmark executable in saver mode on a private X server, driven with xdotool.
#include "overlay/gamma_ramp.h"
#include "platform/display.h"
#include "platform/gamma.h"
#include "platform/window.h"
#include "tests/support/config_home.h"
#include "tests/support/test_files.h"
#include <gtest/gtest.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace qm {
namespace {

constexpr double EXIT_DEADLINE_SECONDS = 2.0;

std::string quillmarkPath()
{
    const char* dir = std::getenv("QM_BINARY_DIR");
    return std::string(dir ? dir : ".") + "/bin/quillmark";
}

void pause(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

int run(const std::string& command)
{
    return std::system(command.c_str());
}

// Where xdotool says the pointer is; false when it cannot tell.
bool pointerAt(int& x, int& y)
{
    FILE* out = popen("xdotool getmouselocation 2>/dev/null", "r");
    if (!out) return false;
    bool ok = std::fscanf(out, "x:%d y:%d", &x, &y) == 2;
    pclose(out);
    return ok;
}

bool pointerAtScreenCentre()
{
    platform::DisplayMode mode;
    int x = -1, y = -1;
    return platform::currentDisplayMode(0, mode) && pointerAt(x, y) &&
           x == int(mode.width / 2) && y == int(mode.height / 2);
}

class Saver {
public:
    explicit Saver(const char* argument)
    {
        // The saver centres the pointer just before its frame loop starts: that says it is ready.
        run("xdotool mousemove 5 5");
        pid_ = fork();
        if (pid_ == 0) {
            execl(quillmarkPath().c_str(), "quillmark", argument, static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~Saver()
    {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    // The main window is up, loading is over and the frame loop runs.
    bool waitUntilShown()
    {
        for (int i = 0; i < 300 && alive(); ++i) {
            if (pointerAtScreenCentre() &&
                run("xdotool search --onlyvisible --name '^Quillmark$' >/dev/null 2>&1") == 0) {
                pause(0.3);
                return alive();
            }
            pause(0.05);
        }
        return false;
    }
    bool alive()
    {
        if (exited_) return false;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            exited_ = true;
            status_ = status;
        }
        return !exited_;
    }
    // True when the process ended with exit code 0 within the time.
    bool exitsCleanlyWithin(double seconds)
    {
        auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (alive() && std::chrono::steady_clock::now() < until) pause(0.02);
        return exited_ && WIFEXITED(status_) && WEXITSTATUS(status_) == 0;
    }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    bool exited_ = false;
    int status_ = 0;
};

const std::string SECTION = "[HKEY_CURRENT_USER\\Software\\Brimholt\\Quillmark]\n";

void writeSettings(const test::ConfigHome& home, const std::string& values)
{
    test::writeText(home.settingsFile(), "Windows Registry Editor Version 5.00\n\n" + SECTION + values);
}

// A hidden window of our own, to read the server's gamma ramp before and after the saver.
class GammaProbe {
public:
    GammaProbe() { window_ = platform::createMainWindow({0, 0, 16, 16}); }
    ~GammaProbe() { platform::destroyWindow(window_); }
    bool ok() const { return window_ != nullptr; }
    void load(Vec3 exponents) const
    {
        uint16_t ramp[GAMMA_RAMP_ENTRIES];
        buildGammaRamp(exponents, ramp);
        platform::setDeviceGammaRamp(ramp);
    }
    bool equals(Vec3 exponents) const
    {
        uint16_t expected[GAMMA_RAMP_ENTRIES], now[GAMMA_RAMP_ENTRIES];
        buildGammaRamp(exponents, expected);
        if (!platform::getDeviceGammaRamp(now)) return false;
        for (int i = 0; i < GAMMA_RAMP_ENTRIES; ++i)
            if (now[i] != expected[i]) return false;
        return true;
    }

private:
    platform::Window* window_ = nullptr;
};

const Vec3 IDENTITY(1.0f, 1.0f, 1.0f);
const Vec3 DARKER(1.5f, 1.5f, 1.5f);

class SaverRunTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(probe.ok()) << "needs an X server (run under Xvfb)";
        probe.load(DARKER);
        // Brightness 80: exponent 0.7 during the run, identity afterwards.
        writeSettings(home, "\"DefGamma\"=dword:00000000\n\"Gamma\"=dword:00000050\n"
                            "\"MouseExit\"=dword:00000001\n");
    }
    test::ConfigHome home;
    GammaProbe probe;
};

TEST_F(SaverRunTest, KeyPressEndsTheRunAndTheRampGoesBackToIdentity)
{
    Saver saver("/s");
    ASSERT_TRUE(saver.waitUntilShown());
    EXPECT_TRUE(probe.equals(Vec3(0.7f, 0.7f, 0.7f))) << "the brightness ramp is in force";
    ASSERT_EQ(run("xdotool key space"), 0);
    EXPECT_TRUE(saver.exitsCleanlyWithin(EXIT_DEADLINE_SECONDS));
    EXPECT_TRUE(probe.equals(IDENTITY));
}

TEST_F(SaverRunTest, SigtermEndsTheRunThroughTheNormalShutdown)
{
    Saver saver("-s");
    ASSERT_TRUE(saver.waitUntilShown());
    kill(saver.pid(), SIGTERM);
    EXPECT_TRUE(saver.exitsCleanlyWithin(EXIT_DEADLINE_SECONDS));
    EXPECT_TRUE(probe.equals(IDENTITY));
}

TEST_F(SaverRunTest, MouseTravelOfSixteenPixelsEndsTheRunButFourteenDoNot)
{
    Saver saver("/S");
    ASSERT_TRUE(saver.waitUntilShown());
    ASSERT_EQ(run("xdotool mousemove_relative 14 0"), 0);
    pause(0.5);
    ASSERT_TRUE(saver.alive()) << "a half-offset of 7 is not enough";
    ASSERT_EQ(run("xdotool mousemove_relative -- -14 0"), 0);
    pause(0.5);
    ASSERT_EQ(run("xdotool mousemove_relative 16 0"), 0);
    EXPECT_TRUE(saver.exitsCleanlyWithin(EXIT_DEADLINE_SECONDS));
    EXPECT_TRUE(probe.equals(IDENTITY));
}

TEST_F(SaverRunTest, AltF10MiddleButtonAndWheelDoNotEndTheRunButAClickDoes)
{
    Saver saver("/t");
    ASSERT_TRUE(saver.waitUntilShown());
    ASSERT_EQ(run("xdotool key alt key F10 key alt+q click 2 click 4 click 5"), 0);
    pause(0.7);
    ASSERT_TRUE(saver.alive());
    ASSERT_EQ(run("xdotool click 1"), 0);
    EXPECT_TRUE(saver.exitsCleanlyWithin(EXIT_DEADLINE_SECONDS));
}

TEST_F(SaverRunTest, WithDefGammaTheRampIsNeverTouched)
{
    writeSettings(home, "\"DefGamma\"=dword:00000001\n\"Gamma\"=dword:00000000\n");
    Saver saver("/s");
    ASSERT_TRUE(saver.waitUntilShown());
    EXPECT_TRUE(probe.equals(DARKER));
    ASSERT_EQ(run("xdotool key Escape"), 0);
    EXPECT_TRUE(saver.exitsCleanlyWithin(EXIT_DEADLINE_SECONDS));
    EXPECT_TRUE(probe.equals(DARKER));
}

TEST(SaverRunWithoutDisplay, EndsWithExitZeroAndOneLine)
{
    std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER " + quillmarkPath() +
                          " /s 2>&1 >/dev/null | wc -l | grep -qx 1";
    EXPECT_EQ(run("timeout 10 sh -c '" + command + "'"), 0);
    EXPECT_EQ(run("env -u DISPLAY -u WAYLAND_DISPLAY timeout 10 " + quillmarkPath() +
                  " /s 2>/dev/null"), 0);
}

TEST(OtherRunModes, ConfigureAndPreviewExitZeroForNow)
{
    EXPECT_EQ(run("timeout 10 " + quillmarkPath() + " 2>/dev/null"), 0);
    EXPECT_EQ(run("timeout 10 " + quillmarkPath() + " /p 1234 2>/dev/null"), 0);
}

} // namespace
} // namespace qm
