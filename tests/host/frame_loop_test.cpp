// The window procedure, mouse travel, shot counting and the frame timer, driven without a window.
#include "host/frame_loop.h"
#include "host/frame_timer.h"
#include "host/run_state.h"
#include "host/scene_transition.h"
#include "host/settings.h"
#include "host/shot_counter.h"
#include "host/window_procedure.h"
#include "platform/message_pump.h"
#include "render/random.h"
#include "tests/support/software_gl.h"
#include <gtest/gtest.h>
#include <cmath>
#include <unistd.h>
#include <vector>

namespace qm {
namespace {

using platform::Message;
using platform::MessageKind;

constexpr platform::ClientSize CLIENT{800, 600};   // centre (400, 300)

class FrameLoopTest : public testing::Test {
protected:
    void SetUp() override
    {
        resetSettings();
        resetRunState();
        resetSceneTransition();
        setShotSource({});
        platform::clearPostedQuit();
        beginRun();
    }
    void TearDown() override { setShotSource({}); }

    // One move reported at (centre + dx, centre + dy), then the frame's updates.
    static void moveAndUpdate(int dx, int dy)
    {
        windowProcedure({MessageKind::MouseMove, 400 + dx, 300 + dy}, CLIENT);
        updateFrame(0.016f);
    }
};

TEST_F(FrameLoopTest, QuittingMessagesEndTheRunThroughTheQueue)
{
    for (MessageKind kind : {MessageKind::KeyDown, MessageKind::LeftButtonDown,
                             MessageKind::RightButtonDown, MessageKind::Close, MessageKind::Destroy}) {
        beginRun();
        windowProcedure({kind, 0, 0}, CLIENT);
        EXPECT_TRUE(runState().running) << "the procedure only posts the quit message";
        pumpMessages();
        EXPECT_FALSE(runState().running) << int(kind);
    }
    beginRun();
    windowProcedure({MessageKind::MouseMove, 500, 300}, CLIENT);
    pumpMessages();
    EXPECT_TRUE(runState().running);
}

struct TravelCase {
    const char* what;
    std::vector<std::pair<int, int>> moves;
    bool mouseExit;
    bool stillRunning;
    float travel;
};

TEST_F(FrameLoopTest, MouseTravelEndsTheRunOnlyWithMouseExitAndPastSevenHalfPixels)
{
    const TravelCase cases[] = {
        {"14 px right", {{14, 0}}, true, true, 7.0f},
        {"15 px right", {{15, 0}}, true, false, 7.5f},
        {"20 left then 20 right", {{-20, 0}, {20, 0}}, true, true, 0.0f},
        {"20 left, 20 right, 16 right", {{-20, 0}, {20, 0}, {16, 0}}, true, false, 8.0f},
        {"8 right and 8 down", {{8, 8}}, true, false, 8.0f},
        {"16 up", {{0, -16}}, true, true, -8.0f},
        {"16 right without MouseExit", {{16, 0}}, false, true, 8.0f},
    };
    for (const TravelCase& c : cases) {
        SetUp();
        settings().mouseExit = c.mouseExit;
        for (auto [dx, dy] : c.moves) moveAndUpdate(dx, dy);
        EXPECT_EQ(runState().running, c.stillRunning) << c.what;
        EXPECT_FLOAT_EQ(runState().mouseTravel, c.travel) << c.what;
        EXPECT_EQ(runState().pendingMouseDX, 0.0f) << c.what;
        EXPECT_EQ(runState().pendingMouseDY, 0.0f) << c.what;
    }
}

TEST_F(FrameLoopTest, OffsetsAreHalvesFromTheIntegerCentre)
{
    windowProcedure({MessageKind::MouseMove, 10, 0}, {21, 11});   // centre (10, 5)
    EXPECT_EQ(runState().pendingMouseDX, 0.0f);
    EXPECT_EQ(runState().pendingMouseDY, -2.5f);
}

// The generator's sequence, computed independently: the draws the counting must make, in order.
struct ReferenceDraws {
    explicit ReferenceDraws(uint32_t seed) : state(seed) {}
    double next()
    {
        state = state * 214013u + 2531011u;
        return double((state >> 16) & 0x7FFF) / 32767.0;
    }
    uint32_t state;
};

struct FakeDirector {
    static inline bool ended = false;
    static inline int shotsStarted = 0;
    static bool shotEnded() { return ended; }
    static void startNextShot()
    {
        ended = false;
        ++shotsStarted;
    }
};

TEST_F(FrameLoopTest, ShotLimitFiveGivesTheTransitionAtTheEndOfTheSixthShot)
{
    platform::OffscreenContext gl;   // the transition captures the picture
    ASSERT_TRUE(test::createSoftwareContext(gl, 64, 64));
    FakeDirector::ended = false;
    FakeDirector::shotsStarted = 0;
    setShotSource({FakeDirector::shotEnded, FakeDirector::startNextShot});

    const uint32_t seed = 1234567;
    ReferenceDraws ref(seed);
    srand(seed);
    startShotCounting();
    EXPECT_EQ(runState().shotCount, 0);
    EXPECT_EQ(runState().shotLimit, 5 + int(std::trunc(ref.next() * 5.9)));
    EXPECT_EQ(sceneTransition().effect, int(std::trunc(ref.next() * 3.9)));
    startFirstShot();
    EXPECT_EQ(runState().shotCount, 0) << "the first shot does not count";

    runState().shotLimit = 5;
    for (int shot = 1; shot <= 5; ++shot) {
        FakeDirector::ended = true;
        updateFrame(0.016f);
        EXPECT_FALSE(sceneTransition().active) << "end of shot " << shot;
        EXPECT_EQ(runState().shotCount, shot);
    }
    sceneTransition().elapsed = 0.25f;
    FakeDirector::ended = true;
    updateFrame(0.016f);
    EXPECT_TRUE(sceneTransition().active) << "end of the sixth shot";
    EXPECT_EQ(sceneTransition().elapsed, 0.25f) << "the trigger does not reset elapsed time";
    EXPECT_EQ(runState().shotCount, 1);
    EXPECT_EQ(runState().shotLimit, 7 + int(std::trunc(ref.next() * 3.9)));
    EXPECT_EQ(sceneTransition().effect, int(std::trunc(ref.next() * 3.9)));
    EXPECT_EQ(FakeDirector::shotsStarted, 7);
    EXPECT_FALSE(FakeDirector::ended);

    updateFrame(0.016f);
    EXPECT_EQ(runState().shotCount, 1) << "no new shot while the director's shot goes on";
}

TEST_F(FrameLoopTest, WithoutAShotSourceNoShotEverEnds)
{
    runState().shotLimit = 0;
    for (int i = 0; i < 3; ++i) updateFrame(0.016f);
    EXPECT_EQ(runState().shotCount, 0);
    EXPECT_FALSE(sceneTransition().active);
}

TEST(FrameTimer, MeasuresSecondsSinceStart)
{
    FrameTimer::readFrequency();
    FrameTimer timer;
    timer.start();
    usleep(30000);
    double first = timer.elapsed();
    EXPECT_GE(first, 0.029);
    EXPECT_LT(first, 5.0);
    EXPECT_EQ(timer.lastElapsed(), first);
    double second = timer.elapsed();
    EXPECT_GE(second, first);
}

} // namespace
} // namespace qm
