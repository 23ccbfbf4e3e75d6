#include "platform/local_time.h"
#include "platform/message_box.h"
#include "platform/message_pump.h"
#include "platform/performance_counter.h"
#include "platform/process.h"
#include "platform/quit_signals.h"
#include "tests/support/message_recorder.h"
#include <gtest/gtest.h>
#include <csignal>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace qm::platform {
namespace {

TEST(QuitSignals, EachSignalBecomesOneQuitMessage)
{
    installQuitSignalHandlers();
    clearPostedQuit();
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        ASSERT_EQ(raise(sig), 0);
        Message m;
        m.kind = MessageKind::KeyDown;
        ASSERT_TRUE(peekMessage(m)) << sig;
        EXPECT_EQ(m.kind, MessageKind::Quit) << sig;
        EXPECT_FALSE(peekMessage(m)) << sig;
    }
}

TEST(MessagePump, PostedQuitIsTakenOnceWithoutAnyWindow)
{
    Message m;
    EXPECT_FALSE(peekMessage(m));
    postQuitMessage();
    ASSERT_TRUE(peekMessage(m));
    EXPECT_EQ(m.kind, MessageKind::Quit);
    EXPECT_FALSE(peekMessage(m));
}

TEST(PerformanceCounter, AdvancesAtItsFrequency)
{
    ASSERT_GT(performanceFrequency(), 0);
    int64_t a = performanceCounter();
    usleep(20000);
    int64_t b = performanceCounter();
    double seconds = double(b - a) / double(performanceFrequency());
    EXPECT_GE(seconds, 0.019);
    EXPECT_LT(seconds, 5.0);
}

TEST(LocalTime, OverrideIsReturnedUntilCleared)
{
    setLocalTimeOverride({23, 59, 58});
    LocalTime t = localTime();
    EXPECT_EQ(t.hour, 23);
    EXPECT_EQ(t.minute, 59);
    EXPECT_EQ(t.second, 58);
    clearLocalTimeOverride();
    t = localTime();
    EXPECT_TRUE(t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 &&
                t.second >= 0 && t.second <= 59);
}

TEST(MessageBox, HookReceivesTheBoxAndStderrModeWritesCaptionAndText)
{
    {
        test::MessageRecorder recorder;   // the hook, set for its lifetime
        messageBox("Unsupported image depth.", "TGA");
        ASSERT_EQ(recorder.shown().size(), 1u);
        EXPECT_EQ(recorder.shown()[0].text, "Unsupported image depth.");
        EXPECT_EQ(recorder.shown()[0].caption, "TGA");
    }
    setMessageBoxToStderr(true);
    testing::internal::CaptureStderr();
    messageBox("Cannot creat window!", "ERROR");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ERROR: Cannot creat window!\n");
    setMessageBoxToStderr(false);
}

TEST(Process, ExecutableFolderIsTheRealFolderOfThisTest)
{
    std::string folder = executableFolder();
    std::string expected = std::filesystem::canonical("/proc/self/exe").parent_path().string();
    EXPECT_EQ(folder, expected);
    EXPECT_FALSE(setCurrentDirectory(""));
    EXPECT_FALSE(setCurrentDirectory("/no/such/folder/anywhere"));
}

} // namespace
} // namespace qm::platform
