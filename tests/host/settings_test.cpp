#include "host/settings.h"
#include "platform/display.h"
#include "platform/process.h"
#include "tests/support/config_home.h"
#include "tests/support/test_files.h"
#include <gtest/gtest.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qm {
namespace {

const std::string SECTION = "[HKEY_CURRENT_USER\\Software\\Brimholt\\Quillmark]\n";

std::string registryFile(const std::string& values)
{
    return "Windows Registry Editor Version 5.00\n\n" + SECTION + values;
}

Settings loaded()
{
    resetSettings();
    settings().load();
    return settings();
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(Settings, FirstRunGivesAUsableSaver)
{
    test::ConfigHome home;
    Settings s = loaded();
    EXPECT_TRUE(s.showClock);
    EXPECT_FALSE(s.timeFormat);
    EXPECT_FALSE(s.english);
    EXPECT_FALSE(s.random);
    EXPECT_TRUE(s.enableMusic);
    EXPECT_TRUE(s.enableSFX);
    EXPECT_TRUE(s.useDesktop);
    EXPECT_FALSE(s.showFlame);
    EXPECT_TRUE(s.defGamma);
    EXPECT_EQ(s.volume, 100u);
    EXPECT_EQ(s.gamma, 50u);
    EXPECT_EQ(s.detail, 0u);
    EXPECT_FALSE(s.showFPS);
    EXPECT_FALSE(s.vSync);
    EXPECT_FALSE(s.mouseExit);
    EXPECT_EQ(std::string(s.path), platform::executableFolder());
    platform::DisplayMode desktop;
    if (platform::currentDisplayMode(0, desktop)) {
        EXPECT_EQ(s.width, desktop.width);
        EXPECT_EQ(s.height, desktop.height);
        EXPECT_EQ(s.depth, desktop.bitsPerPixel);
    }
    EXPECT_FALSE(std::filesystem::exists(home.settingsFile())) << "loading writes nothing";
}

TEST(Settings, StoredValuesAreUsedAsTheyAre)
{
    test::ConfigHome home;
    test::writeText(home.settingsFile(), registryFile(
        "\"ShowClock\"=dword:00000000\n\"EnableSFX\"=dword:00000000\n\"UseDesktop\"=dword:00000000\n"
        "\"DefGamma\"=dword:00000000\n\"Width\"=dword:00000320\n\"Height\"=dword:00000258\n"
        "\"Depth\"=dword:00000010\n\"Volume\"=dword:00000000\n\"Gamma\"=dword:00000050\n"
        "\"MouseExit\"=dword:00000001\n\"TimeFormat\"=dword:00000001\n\"Path\"=\"/opt/quillmark\"\n"));
    Settings s = loaded();
    EXPECT_FALSE(s.showClock);
    EXPECT_FALSE(s.enableSFX);
    EXPECT_FALSE(s.useDesktop);
    EXPECT_FALSE(s.defGamma);
    EXPECT_EQ(s.width, 800u);
    EXPECT_EQ(s.height, 600u);
    EXPECT_EQ(s.depth, 16u);
    EXPECT_EQ(s.volume, 0u);
    EXPECT_EQ(s.gamma, 80u);
    EXPECT_TRUE(s.mouseExit);
    EXPECT_TRUE(s.timeFormat);
    EXPECT_STREQ(s.path, "/opt/quillmark");
}

TEST(Settings, DefGammaForcesFiftyAndSavesFifty)
{
    test::ConfigHome home;
    test::writeText(home.settingsFile(),
                    registryFile("\"DefGamma\"=dword:00000001\n\"Gamma\"=dword:00000050\n"));
    EXPECT_EQ(loaded().gamma, 50u);
    settings().save();
    EXPECT_TRUE(contains(test::readText(home.settingsFile()), "\"Gamma\"=dword:00000032\n"));
}

TEST(Settings, AnyNonZeroFlagLoadsTrueAndSavesOne)
{
    test::ConfigHome home;
    test::writeText(home.settingsFile(), registryFile("\"ShowFPS\"=dword:00000007\n"));
    EXPECT_TRUE(loaded().showFPS);
    settings().save();
    EXPECT_TRUE(contains(test::readText(home.settingsFile()), "\"ShowFPS\"=dword:00000001\n"));
}

TEST(Settings, SaveWritesEveryValueInOrderButNeverPath)
{
    test::ConfigHome home;
    loaded();
    settings().save();
    std::string text = test::readText(home.settingsFile());
    EXPECT_FALSE(contains(text, "\"Path\""));
    const char* order[] = {"ShowClock", "TimeFormat", "English", "Random", "EnableMusic",
                           "EnableSFX", "UseDesktop", "ShowFlame", "DefGamma", "Width", "Height",
                           "Depth", "Volume", "Gamma", "Detail", "VSync", "MouseExit", "ShowFPS"};
    size_t at = 0;
    for (const char* name : order) {
        size_t found = text.find("\"" + std::string(name) + "\"=dword:", at);
        ASSERT_NE(found, std::string::npos) << name;
        at = found;
    }
    test::writeText(home.settingsFile(), registryFile("\"Path\"=\"/opt/quillmark\"\n\"Mine\"=dword:00000002\n"));
    loaded();
    settings().save();
    text = test::readText(home.settingsFile());
    EXPECT_TRUE(contains(text, "\"Path\"=\"/opt/quillmark\"\n"));
    EXPECT_TRUE(contains(text, "\"Mine\"=dword:00000002\n")) << "hand-written values survive";
}

TEST(Settings, ValuesOfTheWrongSizeOrAnUnusablePathAreIgnored)
{
    test::ConfigHome home;
    test::writeText(home.settingsFile(), registryFile(
        "\"Volume\"=\"loud enough\"\n\"Gamma\"=hex:01,02\n\"ShowClock\"=\"\"\n"
        "\"Width\"=\"wide screen\"\n\"Path\"=dword:00000001\n"));
    Settings s = loaded();
    EXPECT_EQ(s.volume, 100u);
    EXPECT_EQ(s.gamma, 50u);
    EXPECT_TRUE(s.showClock);
    platform::DisplayMode desktop;
    if (platform::currentDisplayMode(0, desktop)) {
        EXPECT_EQ(s.width, desktop.width);
    }
    EXPECT_EQ(std::string(s.path), platform::executableFolder());
    std::string longPath(300, 'p');
    test::writeText(home.settingsFile(), registryFile("\"Path\"=\"/" + longPath + "\"\n"));
    EXPECT_EQ(std::string(loaded().path), platform::executableFolder());
}

// Saves in a child process that cannot write the folder (an unprivileged user when run as root).
bool saveWithoutWriteAccess(const std::string& folder)
{
    pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && setgid(65534) != 0) _exit(2);
        if (geteuid() == 0 && setuid(65534) != 0) _exit(2);
        settings().save();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    chmod(folder.c_str(), 0700);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(Settings, AnUnwritableFolderLeavesTheOldFileIntact)
{
    test::ConfigHome home;
    std::string old = registryFile("\"ShowClock\"=dword:00000000\n\"Mine\"=\"kept\"\n");
    test::writeText(home.settingsFile(), old);
    chmod(home.path().c_str(), 0755);
    std::string folder = home.path() + "/Brimholt";
    chmod(folder.c_str(), 0555);
    chmod(home.settingsFile().c_str(), 0644);
    loaded();
    settings().showClock = true;
    ASSERT_TRUE(saveWithoutWriteAccess(folder));
    EXPECT_EQ(test::readText(home.settingsFile()), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()), 1);
}

} // namespace
} // namespace qm
