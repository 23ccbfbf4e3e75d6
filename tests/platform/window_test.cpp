// Displays, the main and cover windows, gamma and the message pump on a real X server (Xvfb).
#include "platform/cursor.h"
#include "platform/display.h"
#include "platform/gamma.h"
#include "platform/message_pump.h"
#include "platform/window.h"
#include "render/gl.h"
#include <gtest/gtest.h>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

namespace qm::platform {
namespace {

std::vector<Message> collectMessages(double seconds)
{
    std::vector<Message> got;
    auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    Message m;
    while (std::chrono::steady_clock::now() < until)
        while (peekMessage(m)) got.push_back(m);
    return got;
}

std::vector<MessageKind> withoutMoves(const std::vector<Message>& messages)
{
    std::vector<MessageKind> kinds;
    for (const Message& m : messages)
        if (m.kind != MessageKind::MouseMove) kinds.push_back(m.kind);
    return kinds;
}

int run(const std::string& command)
{
    return std::system(command.c_str());
}

class WindowTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_GE(listDisplays(&primary, 1), 1) << "needs an X server (run under Xvfb)";
        main = createMainWindow({primary.bounds.left, primary.bounds.top,
                                 primary.bounds.left + 400, primary.bounds.top + 300});
        ASSERT_NE(main, nullptr);
        cover = createCoverWindow({primary.bounds.left + 500, primary.bounds.top,
                                   primary.bounds.left + 700, primary.bounds.top + 200});
        ASSERT_NE(cover, nullptr);
        showWindow(main);
        focusWindow(main);
        collectMessages(0.3);
    }
    static void TearDownTestSuite()
    {
        destroyWindow(cover);
        destroyWindow(main);
    }
    static DisplayInfo primary;
    static Window* main;
    static Window* cover;
};
DisplayInfo WindowTest::primary;
Window* WindowTest::main = nullptr;
Window* WindowTest::cover = nullptr;

TEST_F(WindowTest, DisplayTableAndModesDescribeTheDesktop)
{
    DisplayMode current;
    ASSERT_TRUE(currentDisplayMode(0, current));
    EXPECT_EQ(int32_t(current.width), primary.bounds.right - primary.bounds.left);
    EXPECT_EQ(int32_t(current.height), primary.bounds.bottom - primary.bounds.top);
    EXPECT_GE(current.bitsPerPixel, 15u);
    EXPECT_FALSE(primary.mirrorsEarlier);
    EXPECT_NE(primary.name[0], '\0');
    DisplayMode modes[64];
    int n = listDisplayModes(0, modes, 64);
    ASSERT_GE(n, 1);
    bool listed = false;
    for (int i = 0; i < n; ++i)
        listed |= modes[i].width == current.width && modes[i].height == current.height;
    EXPECT_TRUE(listed);
    EXPECT_FALSE(currentDisplayMode(99, current));
}

TEST_F(WindowTest, MainWindowHasTheRequestedPixelFormatAndIsUnique)
{
    EXPECT_EQ(mainWindow(), main);
    EXPECT_TRUE(hasGLContext());
    EXPECT_EQ(createMainWindow({0, 0, 10, 10}), nullptr);
    GLint red = 0, green = 0, blue = 0, alpha = 0, depth = 0, stencil = 0;
    GLboolean doubleBuffered = GL_FALSE;
    glGetIntegerv(GL_RED_BITS, &red);
    glGetIntegerv(GL_GREEN_BITS, &green);
    glGetIntegerv(GL_BLUE_BITS, &blue);
    glGetIntegerv(GL_ALPHA_BITS, &alpha);
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
    EXPECT_EQ(red + green + blue + alpha, 32);
    EXPECT_EQ(alpha, 8);
    EXPECT_EQ(depth, 24);
    EXPECT_EQ(stencil, 8);
    EXPECT_TRUE(doubleBuffered);
    ClientSize size = clientSize(main);
    EXPECT_EQ(size.width, 400);
    EXPECT_EQ(size.height, 300);
    EXPECT_EQ(run("xdotool search --name '^Quillmark$' | wc -l | grep -qx 2"), 0)
        << "the main and the cover window are both titled Quillmark";
}

TEST_F(WindowTest, GammaRampIsLoadedAndReadBack)
{
    uint16_t ramp[768], back[768];
    for (int c = 0; c < 3; ++c)
        for (int k = 0; k < 256; ++k) ramp[c * 256 + k] = uint16_t(k * (200 + 20 * c));
    ASSERT_TRUE(setDeviceGammaRamp(ramp));
    ASSERT_TRUE(getDeviceGammaRamp(back));
    for (int i = 0; i < 768; ++i) ASSERT_EQ(back[i], ramp[i]) << i;
    for (int i = 0; i < 768; ++i) ramp[i] = uint16_t((i % 256) * 256);
    ASSERT_TRUE(setDeviceGammaRamp(ramp));
    ASSERT_TRUE(getDeviceGammaRamp(back));
    for (int i = 0; i < 768; ++i) ASSERT_EQ(back[i], ramp[i]) << i;
}

TEST_F(WindowTest, TheKeptRampComesBackEntryForEntry)
{
    uint16_t users[768], other[768], back[768];
    // An uneven ramp no exponent gives, as a calibration tool might load.
    for (int i = 0; i < 768; ++i) users[i] = uint16_t((i * 7919u + (i % 3) * 11u) % 65536u);
    ASSERT_TRUE(setDeviceGammaRamp(users));
    ASSERT_TRUE(keepDeviceGammaRamp());
    for (int i = 0; i < 768; ++i) other[i] = uint16_t(65535 - (i % 256) * 256);
    ASSERT_TRUE(setDeviceGammaRamp(other));
    ASSERT_TRUE(restoreKeptGammaRamp());
    ASSERT_TRUE(getDeviceGammaRamp(back));
    for (int i = 0; i < 768; ++i) ASSERT_EQ(back[i], users[i]) << i;
    forgetKeptGammaRamp();
    EXPECT_FALSE(restoreKeptGammaRamp()) << "nothing kept, nothing put back";
}

TEST_F(WindowTest, WarpedCursorReportsItsClientPosition)
{
    warpCursor(main, 100, 120);
    std::vector<Message> got = collectMessages(0.3);
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back().kind, MessageKind::MouseMove);
    EXPECT_EQ(got.back().x, 100);
    EXPECT_EQ(got.back().y, 120);
    ASSERT_EQ(run("xdotool mousemove_relative 16 0"), 0);
    got = collectMessages(0.3);
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back().x, 116);
    EXPECT_EQ(got.back().y, 120);
}

TEST_F(WindowTest, SystemKeysMiddleButtonWheelAndCoverWindowsGiveNoMessage)
{
    warpCursor(main, 200, 150);
    collectMessages(0.2);
    ASSERT_EQ(run("xdotool key alt key F10 key alt+x click 2 click 4 click 5"), 0);
    EXPECT_TRUE(withoutMoves(collectMessages(0.5)).empty());
    int coverX = primary.bounds.left + 600, coverY = primary.bounds.top + 100;
    ASSERT_EQ(run("xdotool mousemove " + std::to_string(coverX) + " " + std::to_string(coverY) +
                  " click 1 click 3"), 0);
    // Leaving the main window may report its edge; nothing is reported from over the cover.
    std::vector<Message> got = collectMessages(0.5);
    EXPECT_TRUE(withoutMoves(got).empty()) << "clicks on the cover window reach nothing";
    for (const Message& m : got) EXPECT_TRUE(m.x < 400 && m.y < 300) << m.x << "," << m.y;
}

TEST_F(WindowTest, KeysAndLeftAndRightButtonsOnTheMainWindowAreDelivered)
{
    warpCursor(main, 200, 150);
    collectMessages(0.2);
    ASSERT_EQ(run("xdotool key a key Escape key ctrl click 1 click 3"), 0);
    std::vector<MessageKind> expected = {MessageKind::KeyDown, MessageKind::KeyDown,
                                         MessageKind::KeyDown, MessageKind::LeftButtonDown,
                                         MessageKind::RightButtonDown};
    EXPECT_EQ(withoutMoves(collectMessages(0.6)), expected);
}

TEST(WindowWithoutDisplay, GammaNeedsTheMainWindow)
{
    if (mainWindow()) GTEST_SKIP();
    uint16_t ramp[768] = {};
    EXPECT_FALSE(setDeviceGammaRamp(ramp));
    EXPECT_FALSE(getDeviceGammaRamp(ramp));
}

} // namespace
} // namespace qm::platform
