// The message box on a real X server (Xvfb): it appears, and a key, a click or a quit signal
// ends it at once; with a quit pending no box appears at all.
#include "platform/message_box.h"
#include "platform/message_pump.h"
#include "platform/quit_signals.h"
#include <gtest/gtest.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <unistd.h>

namespace qm::platform {
namespace {

using Clock = std::chrono::steady_clock;

bool boxShown()
{
    return std::system("xdotool search --classname '^quillmark-message$' >/dev/null 2>&1") == 0;
}

// Shows a box while another thread waits for it to appear and then ends it; the seconds the box
// stayed after that, or a negative number when it never appeared.
double showAndEnd(const std::function<void()>& end)
{
    Clock::time_point ended{};
    bool appeared = false;
    std::thread user([&] {
        for (int i = 0; i < 250 && !appeared; ++i) {
            appeared = boxShown();
            if (!appeared) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ended = Clock::now();
        end();
    });
    messageBox("Something went wrong with a rather long explanation that the box wraps onto a "
               "second line.", "Test");
    Clock::time_point returned = Clock::now();
    user.join();
    return appeared ? std::chrono::duration<double>(returned - ended).count() : -1.0;
}

class MessageBoxTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X server (run under Xvfb)";
        installQuitSignalHandlers();
        takeQuitSignal();
        clearPostedQuit();
    }
    void TearDown() override
    {
        setMessageBoxDismissQuits(false);
        takeQuitSignal();
        clearPostedQuit();
    }
};

TEST_F(MessageBoxTest, AKeyOrAClickDismissesIt)
{
    for (const char* input : {"key Return", "key a", "click 1", "click 3"}) {
        SCOPED_TRACE(input);
        double stayed = showAndEnd([&] { std::system((std::string("xdotool ") + input).c_str()); });
        EXPECT_GE(stayed, 0.0) << "the box appeared";
        EXPECT_LT(stayed, 0.5);
        EXPECT_FALSE(quitPending()) << "outside the saver run a dismissed box ends nothing";
    }
}

TEST_F(MessageBoxTest, InTheSaverRunTheDismissingKeyEndsTheRun)
{
    setMessageBoxDismissQuits(true);
    double stayed = showAndEnd([] { std::system("xdotool key space"); });
    EXPECT_GE(stayed, 0.0);
    EXPECT_TRUE(quitPending());
}

TEST_F(MessageBoxTest, QuitSignalsCloseItAndStayPendingForTheCaller)
{
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(sig));
        double stayed = showAndEnd([sig] { kill(getpid(), sig); });
        EXPECT_GE(stayed, 0.0);
        EXPECT_LT(stayed, 0.5);
        EXPECT_FALSE(boxShown());
        EXPECT_TRUE(quitSignalPending());
        EXPECT_TRUE(takeQuitSignal());
    }
}

TEST_F(MessageBoxTest, WithAQuitPendingTheTextGoesToStandardError)
{
    postQuitMessage();
    testing::internal::CaptureStderr();
    messageBox("Unsupported image depth.", "TGA");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "TGA: Unsupported image depth.\n");
}

} // namespace
} // namespace qm::platform
