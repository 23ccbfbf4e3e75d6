// End to end: the quillmark executable in saver mode on a private X server, driven with xdotool,
// on the default artwork (made once by quillmark-mkdata). Every run must give the display back:
// the ramp the user had (a darker one, loaded before each test), whichever way the run ends.
#include "overlay/gamma_ramp.h"
#include "platform/display.h"
#include "platform/gamma.h"
#include "platform/window.h"
#include "tests/support/config_home.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_files.h"
#include "tools/rar_writer/rar_writer.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace qm {
namespace {

namespace fs = std::filesystem;

constexpr double EXIT_DEADLINE_SECONDS = 2.0;
// Quit signals and a key on a message box end the run within this, whatever it is doing.
constexpr double PROMPT_EXIT_SECONDS = 1.0;

std::string binaryDir()
{
    const char* dir = std::getenv("QM_BINARY_DIR");
    return dir ? dir : ".";
}

std::string quillmarkPath()
{
    return binaryDir() + "/bin/quillmark";
}

void pause(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

int run(const std::string& command)
{
    return std::system(command.c_str());
}

bool waitFor(const std::function<bool()>& condition, double seconds)
{
    auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= until) return false;
        pause(0.02);
    }
}

// The audio module beside a data.rar, as an installation has them in its "Path" folder.
void addAudioModule(const std::string& folder)
{
    std::error_code ignored;
    fs::remove(folder + "/bass.so", ignored);
    fs::create_symlink(binaryDir() + "/bin/bass.so", folder + "/bass.so", ignored);
}

// The default artwork, made again only when quillmark-mkdata is newer than it.
const std::string& artworkFolder()
{
    static const std::string folder = [] {
        std::string dir = binaryDir() + "/tests/saver-artwork";
        std::string mkdata = binaryDir() + "/bin/quillmark-mkdata";
        std::string archive = dir + "/data.rar";
        std::error_code e;
        fs::create_directories(dir, e);
        if (!fs::exists(archive) || fs::last_write_time(mkdata, e) > fs::last_write_time(archive, e)) {
            std::string made = dir + "/data.rar.new";
            if (run("'" + mkdata + "' '" + made + "' >/dev/null") == 0) fs::rename(made, archive, e);
        }
        addAudioModule(dir);
        return dir;
    }();
    return folder;
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

// The lines a command prints.
std::vector<std::string> outputLines(const std::string& command)
{
    std::vector<std::string> lines;
    FILE* out = popen((command + " 2>/dev/null").c_str(), "r");
    if (!out) return lines;
    char line[256];
    while (std::fgets(line, sizeof line, out)) lines.emplace_back(line);
    pclose(out);
    return lines;
}

std::vector<std::string> boxIds()
{
    return outputLines("xdotool search --classname '^quillmark-message$'");
}

int boxesShown()
{
    return int(boxIds().size());
}

struct Geometry {
    int x = -1, y = -1, width = 0, height = 0;
};

// The saver's main window: the visible window titled "Quillmark" that is not a message box (the
// only one on a one-monitor server). Width 0 when there is none.
Geometry mainWindowGeometry()
{
    Geometry g;
    std::vector<std::string> boxes = boxIds();
    for (const std::string& id : outputLines("xdotool search --onlyvisible --name '^Quillmark$'")) {
        if (std::find(boxes.begin(), boxes.end(), id) != boxes.end()) continue;
        for (const std::string& line : outputLines("xdotool getwindowgeometry --shell " + id)) {
            std::sscanf(line.c_str(), "X=%d", &g.x);
            std::sscanf(line.c_str(), "Y=%d", &g.y);
            std::sscanf(line.c_str(), "WIDTH=%d", &g.width);
            std::sscanf(line.c_str(), "HEIGHT=%d", &g.height);
        }
        break;
    }
    return g;
}

// Gone, or a zombie nobody has reaped yet.
bool processGone(pid_t pid)
{
    std::string stat = test::readText("/proc/" + std::to_string(pid) + "/stat");
    size_t close = stat.rfind(')');
    return stat.empty() || (close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z');
}

// The first child process of pid (the saver's guardian); 0 when there is none.
pid_t childOf(pid_t pid)
{
    DIR* proc = opendir("/proc");
    if (!proc) return 0;
    pid_t found = 0;
    while (dirent* entry = readdir(proc)) {
        pid_t candidate = pid_t(std::atoi(entry->d_name));
        if (candidate <= 0) continue;
        std::string stat = test::readText("/proc/" + std::to_string(candidate) + "/stat");
        size_t close = stat.rfind(')');
        int parent = 0;
        char state = 0;
        if (close != std::string::npos && std::sscanf(stat.c_str() + close + 1, " %c %d", &state, &parent) == 2 &&
            parent == pid) {
            found = candidate;
            break;
        }
    }
    closedir(proc);
    return found;
}

class Saver {
public:
    explicit Saver(const char* argument)
    {
        // The saver centres the pointer just before its frame loop starts: that says it is ready.
        run("xdotool mousemove 5 5");
        pid_ = fork();
        if (pid_ == 0) {
            rlimit noCore{0, 0};
            setrlimit(RLIMIT_CORE, &noCore);   // the crash cases need no core files
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
        waitFor([this] { return !alive(); }, seconds);
        return exited_ && WIFEXITED(status_) && WEXITSTATUS(status_) == 0;
    }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    bool exited_ = false;
    int status_ = 0;
};

const std::string SECTION = "[HKEY_CURRENT_USER\\Software\\Brimholt\\Quillmark]\n";

// The settings file, with "Path" naming the folder that holds data.rar.
void writeSettings(const test::ConfigHome& home, const std::string& values,
                   const std::string& folder = artworkFolder())
{
    test::writeText(home.settingsFile(), "Windows Registry Editor Version 5.00\n\n" + SECTION + values +
                                             "\"Path\"=\"" + folder + "\"\n");
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

// The user's own ramp before every run, and the brightened one of "Gamma" 80 during it.
const Vec3 USERS_RAMP(1.5f, 1.5f, 1.5f);
const Vec3 BRIGHTENED(0.7f, 0.7f, 0.7f);
const std::string BRIGHTNESS_80 = "\"DefGamma\"=dword:00000000\n\"Gamma\"=dword:00000050\n";

class SaverRunTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(probe.ok()) << "needs an X server (run under Xvfb)";
        ASSERT_TRUE(fs::exists(artworkFolder() + "/data.rar")) << "quillmark-mkdata made no artwork";
        probe.load(USERS_RAMP);
        writeSettings(home, BRIGHTNESS_80 + "\"MouseExit\"=dword:00000001\n");
    }
    test::ConfigHome home;
    GammaProbe probe;
};

TEST_F(SaverRunTest, KeyPressEndsTheRunAndTheUsersRampComesBack)
{
    Saver saver("/s");
    ASSERT_TRUE(saver.waitUntilShown());
    EXPECT_TRUE(probe.equals(BRIGHTENED)) << "the brightness ramp is in force";
    pid_t guardian = childOf(saver.pid());
    EXPECT_GT(guardian, 0) << "a guardian holds the display's originals";
    ASSERT_EQ(run("xdotool key space"), 0);
    EXPECT_TRUE(saver.exitsCleanlyWithin(EXIT_DEADLINE_SECONDS));
    EXPECT_TRUE(probe.equals(USERS_RAMP)) << "exactly the ramp the user had, not the identity";
    EXPECT_TRUE(guardian <= 0 || processGone(guardian)) << "the guardian leaves with the saver";
}

TEST_F(SaverRunTest, SigtermEndsTheRunThroughTheNormalShutdown)
{
    Saver saver("-s");
    ASSERT_TRUE(saver.waitUntilShown());
    kill(saver.pid(), SIGTERM);
    EXPECT_TRUE(saver.exitsCleanlyWithin(EXIT_DEADLINE_SECONDS));
    EXPECT_TRUE(probe.equals(USERS_RAMP));
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
    EXPECT_TRUE(probe.equals(USERS_RAMP));
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
    EXPECT_TRUE(probe.equals(USERS_RAMP));
    ASSERT_EQ(run("xdotool key Escape"), 0);
    EXPECT_TRUE(saver.exitsCleanlyWithin(EXIT_DEADLINE_SECONDS));
    EXPECT_TRUE(probe.equals(USERS_RAMP));
}

TEST_F(SaverRunTest, KilledInItsFrameLoopTheSaverLeavesTheRampToItsGuardian)
{
    Saver saver("/s");
    ASSERT_TRUE(saver.waitUntilShown());
    ASSERT_TRUE(probe.equals(BRIGHTENED));
    pid_t guardian = childOf(saver.pid());
    ASSERT_GT(guardian, 0);
    kill(saver.pid(), SIGKILL);
    EXPECT_TRUE(waitFor([&] { return !saver.alive(); }, PROMPT_EXIT_SECONDS));
    EXPECT_TRUE(waitFor([&] { return probe.equals(USERS_RAMP); }, PROMPT_EXIT_SECONDS));
    EXPECT_TRUE(waitFor([&] { return processGone(guardian); }, PROMPT_EXIT_SECONDS));
}

// An archive the check accepts but that lacks the loading picture: the saver stops at a message
// box right after the display was changed, which makes the quick runs below.
class SaverAtABoxTest : public SaverRunTest {
protected:
    void SetUp() override
    {
        SaverRunTest::SetUp();
        ASSERT_TRUE(writeRarArchive(data.file("data.rar"), {{"readme.txt", test::bytesOf("no pictures\n")}}, {}));
        addAudioModule(data.path());
        writeSettings(home, BRIGHTNESS_80, data.path());
    }
    test::TempFolder data{"qm-saver-data"};
};

// Whatever kills the saver, its guardian puts the user's ramp back and then leaves.
TEST_F(SaverAtABoxTest, WhateverKillsTheSaverItsGuardianPutsTheRampBackAndLeaves)
{
    for (int sig : {SIGKILL, SIGSEGV, SIGABRT, SIGQUIT}) {
        SCOPED_TRACE(strsignal(sig));
        Saver saver("/s");
        ASSERT_TRUE(waitFor([] { return boxesShown() > 0; }, 10.0));
        ASSERT_TRUE(probe.equals(BRIGHTENED));
        pid_t guardian = childOf(saver.pid());
        ASSERT_GT(guardian, 0);
        kill(saver.pid(), sig);
        EXPECT_TRUE(waitFor([&] { return !saver.alive(); }, PROMPT_EXIT_SECONDS));
        EXPECT_TRUE(waitFor([&] { return probe.equals(USERS_RAMP); }, PROMPT_EXIT_SECONDS));
        EXPECT_TRUE(waitFor([&] { return processGone(guardian); }, PROMPT_EXIT_SECONDS));
    }
}

// "Width" and "Height" the display cannot take, with "UseDesktop" off: the run takes the
// desktop's mode and the main window covers the whole primary display (1024 x 768 here).
TEST_F(SaverAtABoxTest, AModeTheDisplayCannotTakeFallsBackToTheDesktopMode)
{
    const char* sizes[][2] = {{"00000000", "00000000"}, {"ffffffff", "ffffffff"}, {"00010000", "00010000"},
                              {"00000400", "00000000"}, {"00000280", "000001e0"}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(std::string(size[0]) + " x " + size[1]);
        writeSettings(home, BRIGHTNESS_80 + "\"UseDesktop\"=dword:00000000\n\"Width\"=dword:" + size[0] +
                                "\n\"Height\"=dword:" + size[1] + "\n\"Depth\"=dword:00000020\n",
                      data.path());
        Saver saver("/s");
        ASSERT_TRUE(waitFor([] { return boxesShown() > 0; }, 10.0));
        Geometry g = mainWindowGeometry();
        EXPECT_EQ(g.x, 0);
        EXPECT_EQ(g.y, 0);
        EXPECT_EQ(g.width, 1024);
        EXPECT_EQ(g.height, 768);
        ASSERT_EQ(run("xdotool key space"), 0);
        EXPECT_TRUE(saver.exitsCleanlyWithin(PROMPT_EXIT_SECONDS));
        EXPECT_TRUE(probe.equals(USERS_RAMP));
    }
}

// The ways a user ends a saver that shows a message box: each must end it promptly.
struct Ending {
    const char* name;
    std::function<void(pid_t)> act;
};

const Ending ENDINGS[] = {
    {"SIGTERM", [](pid_t p) { kill(p, SIGTERM); }},
    {"SIGINT", [](pid_t p) { kill(p, SIGINT); }},
    {"SIGHUP", [](pid_t p) { kill(p, SIGHUP); }},
    {"key", [](pid_t) { run("xdotool key Return"); }},
    {"click", [](pid_t) { run("xdotool click 1"); }},
};

// data.rar missing or unreadable: one box naming the folder, shown before the display changes.
TEST_F(SaverRunTest, AMissingOrBrokenArchiveGivesOneBoxAndEveryEndingEndsIt)
{
    using Make = std::function<void(const std::string&)>;
    std::vector<uint8_t> artwork = test::readFile(artworkFolder() + "/data.rar");
    const std::pair<const char*, Make> archives[] = {
        {"missing", [](const std::string&) {}},
        {"not an archive", [](const std::string& f) { test::writeText(f + "/data.rar", "just some text\n"); }},
        {"truncated", [&](const std::string& f) {
             std::string half(artwork.begin(), artwork.begin() + long(artwork.size() / 2));
             test::writeText(f + "/data.rar", half);
         }},
    };
    for (const auto& [what, make] : archives) {
        test::TempFolder folder("qm-saver-data");
        make(folder.path());
        addAudioModule(folder.path());
        writeSettings(home, BRIGHTNESS_80, folder.path());
        for (const Ending& ending : ENDINGS) {
            // Every ending on the first case; a signal and a key on the others.
            if (std::string(what) != "missing" && ending.name != std::string("SIGTERM") &&
                ending.name != std::string("key"))
                continue;
            SCOPED_TRACE(std::string(what) + ", ended by " + ending.name);
            Saver saver("/s");
            ASSERT_TRUE(waitFor([] { return boxesShown() > 0; }, 5.0));
            pause(0.1);
            EXPECT_EQ(boxesShown(), 1);
            EXPECT_TRUE(probe.equals(USERS_RAMP)) << "the display is not touched";
            EXPECT_EQ(mainWindowGeometry().width, 0) << "no saver window";
            ending.act(saver.pid());
            EXPECT_TRUE(saver.exitsCleanlyWithin(PROMPT_EXIT_SECONDS));
            EXPECT_EQ(boxesShown(), 0);
        }
    }
}

// The box comes over the brightened full-screen saver during loading, and still every ending
// ends the run at once with the user's ramp back.
TEST_F(SaverAtABoxTest, ABoxDuringLoadingNeverHoldsTheDisplay)
{
    for (const Ending& ending : ENDINGS) {
        SCOPED_TRACE(ending.name);
        Saver saver("/s");
        ASSERT_TRUE(waitFor([] { return boxesShown() > 0; }, 10.0));
        EXPECT_TRUE(probe.equals(BRIGHTENED));
        EXPECT_EQ(mainWindowGeometry().width, 1024) << "over the saver's window";
        pid_t guardian = childOf(saver.pid());
        ending.act(saver.pid());
        EXPECT_TRUE(saver.exitsCleanlyWithin(PROMPT_EXIT_SECONDS));
        EXPECT_TRUE(probe.equals(USERS_RAMP));
        EXPECT_TRUE(waitFor([&] { return guardian <= 0 || processGone(guardian); }, PROMPT_EXIT_SECONDS));
    }
}

TEST(SaverRunWithoutDisplay, EndsWithExitZeroAndOneLine)
{
    std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER " + quillmarkPath() +
                          " /s 2>&1 >/dev/null | wc -l | grep -qx 1";
    EXPECT_EQ(run("timeout 10 sh -c '" + command + "'"), 0);
    EXPECT_EQ(run("env -u DISPLAY -u WAYLAND_DISPLAY timeout 10 " + quillmarkPath() +
                  " /s 2>/dev/null"), 0);
}

} // namespace
} // namespace qm
