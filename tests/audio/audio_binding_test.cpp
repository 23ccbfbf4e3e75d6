// The binding of the audio module: a missing module, a module without one of its entry points,
// and the saver's own reaction to a missing module (exit code 0, no message).
#include "audio/audio_device.h"
#include "host/audio_startup.h"
#include "tests/audio/audio_test_support.h"
#include "tests/support/config_home.h"
#include "tests/support/image_magick.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_files.h"
#include "tools/rar_writer/rar_writer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {
using namespace qm;
using namespace qm::test;

std::string binaryDir()
{
    const char* dir = std::getenv("QM_BINARY_DIR");
    return dir ? dir : ".";
}

std::string fakeModule(const char* name)
{
    return binaryDir() + "/tests/fake-audio/" + name;
}

class AudioBindingTest : public ::testing::Test {
protected:
    void TearDown() override { resetAudioDevice(); }
};

TEST_F(AudioBindingTest, MissingModuleLeavesEveryCallFailingHarmlessly)
{
    TempFolder empty("qm-audio");
    AudioDevice& audio = audioDevice();
    EXPECT_FALSE(audio.load(empty.path()));
    EXPECT_FALSE(audio.bound());
    EXPECT_FALSE(bindAudio(empty.path().c_str(), nullptr));
    EXPECT_FALSE(audio.init(1, 44100, QM_AUDIO_INIT_3D, nullptr));
    EXPECT_EQ(audio.getVolume(), -1);
    EXPECT_EQ(audio.sampleLoad(true, "x", 0, 1, 1, 12), 0u);
    EXPECT_EQ(audio.samplePlay3D(1, nullptr, nullptr, nullptr), 0u);
    EXPECT_FALSE(audio.channelSetAttributes(1, 44100, 20, QM_AUDIO_KEEP_PAN));
    audio.apply3D();
    EXPECT_FALSE(audio.renderLoopback(nullptr, 0));
    // The start-up and shutdown steps run through without a module.
    startAudio();
    applyAudioVolume();
    shutdownAudio();
}

TEST_F(AudioBindingTest, ModuleLackingAnEntryPointCountsAsMissing)
{
    AudioDevice& audio = audioDevice();
    ASSERT_TRUE(audio.loadFile(fakeModule("complete.so")));
    EXPECT_TRUE(audio.bound());
    EXPECT_EQ(audio.getVolume(), 77);
    EXPECT_EQ(audio.errorGetCode(), 42);
    EXPECT_FALSE(audio.initLoopback(44100));   // ours, not one of the 15: optional
    EXPECT_FALSE(audio.loadFile(fakeModule("incomplete.so")));
    EXPECT_FALSE(audio.bound());
    EXPECT_EQ(audio.getVolume(), -1);
    // Not a shared library at all.
    TempFolder folder("qm-audio");
    writeText(folder.file("bass.so"), "not an ELF file");
    EXPECT_FALSE(audio.load(folder.path()));
    EXPECT_TRUE(audio.load(binaryDir() + "/bin"));
}

// The saver with "Path" pointing at a folder: its exit code and standard error, or -1 while it
// is still running after `seconds` (it is then ended with SIGTERM).
struct SaverRun {
    int exitCode = -1;
    std::string errors;
};

SaverRun runSaverWithPath(const std::string& folder, double seconds)
{
    ConfigHome home;
    writeText(home.settingsFile(), "Windows Registry Editor Version 5.00\r\n\r\n"
                                   "[HKEY_CURRENT_USER\\Software\\Brimholt\\Quillmark]\r\n"
                                   "\"Path\"=\"" + folder + "\"\r\n");
    const std::string errors = folder + "/saver.err";
    SaverRun result;
    const pid_t child = fork();
    if (child == 0) {
        if (!freopen(errors.c_str(), "w", stderr)) _exit(99);
        execl((binaryDir() + "/bin/quillmark").c_str(), "quillmark", "/s", static_cast<char*>(nullptr));
        _exit(98);
    }
    int status = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > until) {
            kill(child, SIGTERM);
            waitpid(child, &status, 0);
            result.exitCode = -1;
            result.errors = readText(errors);
            return result;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -2;
    result.errors = readText(errors);
    return result;
}

TEST_F(AudioBindingTest, SaverWithoutItsModuleEndsSilentlyWithExitCodeZero)
{
    TempFolder folder("qm-audio");
    // An archive with the loading picture is there (the saver checks for it and shows the
    // picture before it binds the module); the module is not.
    const std::vector<uint8_t> picture = convertImage("-size 64x16 xc:white", folder.file("load.jpg"));
    ASSERT_FALSE(picture.empty());
    std::string error;
    ASSERT_TRUE(writeRarArchive(folder.file("data.rar"), {{"textures\\load.jpg", picture}},
                                RarWriterOptions(), &error)) << error;
    SaverRun run = runSaverWithPath(folder.path(), 20.0);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.errors, "");
    std::filesystem::copy_file(fakeModule("incomplete.so"), folder.file("bass.so"));
    run = runSaverWithPath(folder.path(), 20.0);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.errors, "");
    // With a complete module the same run goes on (here until it is told to end).
    std::filesystem::remove(folder.file("bass.so"));
    std::filesystem::copy_file(fakeModule("complete.so"), folder.file("bass.so"));
    run = runSaverWithPath(folder.path(), 3.0);
    EXPECT_EQ(run.exitCode, -1);
}

} // namespace
