// The shot cycle in the frame loop: the camera clock and the director's update in their places,
// the director as the source of shots, and the new grid at a scene change before the next car
// is chosen.
#include "camera/camera_director.h"
#include "camera/keyframe_track.h"
#include "cars/car.h"
#include "host/frame_loop.h"
#include "host/run_state.h"
#include "host/scene_loading.h"
#include "host/scene_transition.h"
#include "host/settings.h"
#include "host/shot_counter.h"
#include "render/random.h"
#include "tests/camera/camera_test_support.h"
#include "tests/support/data_rar.h"
#include "tests/support/software_gl.h"
#include "tests/support/test_files.h"
#include "world/track.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <string>

namespace qm {
namespace {

// Four concentric circles, one per corridor.
void makeCircleTracks()
{
    for (int k = 0; k < TRACK_COUNT; ++k) {
        Vec3 points[SECTION_COUNT];
        float steer[SECTION_COUNT] = {};
        const double radius = 40.0 + 0.7 * k;
        for (int i = 0; i < SECTION_COUNT; ++i) {
            const double a = 2.0 * M_PI * i / SECTION_COUNT;
            points[i] = Vec3(float(radius * std::cos(a)), float(radius * std::sin(a)), 0.0f);
        }
        tracks()[size_t(k)].setPoints(points, steer);
    }
}

void loadScene(int index, const std::string& text)
{
    AssetStream stream;
    test::adoptCopy(stream, test::bytesOf(text));
    sceneTracks()[size_t(index)].load(stream);
    sceneTracks()[size_t(index)].prepare();
}

struct CarPlace {
    const Track* track;
    int32_t section;
    float fraction;
};

class ShotCycleTest : public test::SoftwareGLTest<64, 48> {
protected:
    void SetUp() override
    {
        resetSceneAssets();
        resetRunState();
        resetSceneTransition();
        resetSettings();
        setShotSource(cameraShotSource());
        makeCircleTracks();
        beginRun();
    }
    void TearDown() override
    {
        resetSceneAssets();
        resetRunState();
        resetSceneTransition();
    }

    static std::array<CarPlace, CAR_COUNT> places()
    {
        std::array<CarPlace, CAR_COUNT> p{};
        for (int i = 0; i < CAR_COUNT; ++i) p[size_t(i)] = {cars()[size_t(i)].track, cars()[size_t(i)].section, cars()[size_t(i)].fraction};
        return p;
    }

    // The start-up's order from the grid on: grid, scenes, counters, first car and shot.
    static void startRun(uint32_t seed)
    {
        srand(seed);
        formGrid();
        startShotCounting();
        startFirstShot();
    }
};

TEST_F(ShotCycleTest, ClockRunsSixUnitsASecondAndBeginRunResetsIt)
{
    keyframeClock() = 41.0f;
    beginRun();
    EXPECT_EQ(keyframeClock(), 0.0f);
    setShotSource({});
    updateFrame(0.25f);
    updateFrame(0.5f);
    EXPECT_FLOAT_EQ(keyframeClock(), 4.5f);
}

// A grid is 18 cars on consecutive sections (an occasional gap), each 0.3 to 0.7 into its section.
::testing::AssertionResult isFreshGrid(const std::array<CarPlace, CAR_COUNT>& p)
{
    std::vector<int32_t> sections;
    for (const CarPlace& c : p) {
        if (c.fraction < 0.3f || c.fraction > 0.7f)
            return ::testing::AssertionFailure() << "fraction " << c.fraction;
        sections.push_back(c.section);
    }
    std::sort(sections.begin(), sections.end());
    if (std::adjacent_find(sections.begin(), sections.end()) != sections.end())
        return ::testing::AssertionFailure() << "two cars share a section";
    return ::testing::AssertionSuccess();
}

TEST_F(ShotCycleTest, ShotLimitFiveReformsTheGridAtTheEndOfTheSixthShotAndFilmsTheNewCar)
{
    // Trackside shots only (no usable scene), so every new shot stands ahead of its car.
    startRun(31337);
    runState().shotLimit = 5;
    const float dt = 1.0f / 30.0f;
    int shotsEnded = 0;
    bool reformed = false;
    for (int frame = 0; frame < 20000 && !reformed; ++frame) {
        const std::array<CarPlace, CAR_COUNT> before = places();
        const int32_t countBefore = runState().shotCount;
        updateFrame(dt);
        const bool ended = runState().shotCount != countBefore || sceneTransition().active;
        if (!ended) {
            for (int i = 0; i < CAR_COUNT; ++i)
                ASSERT_EQ(cars()[size_t(i)].track, before[size_t(i)].track) << "no new grid mid-shot, frame " << frame;
            continue;
        }
        ++shotsEnded;
        if (shotsEnded < 6) {
            ASSERT_FALSE(sceneTransition().active) << "end of shot " << shotsEnded;
            ASSERT_EQ(runState().shotCount, shotsEnded);
            continue;
        }
        reformed = true;
        ASSERT_TRUE(sceneTransition().active) << "the end of the sixth shot changes the scene";
        EXPECT_EQ(runState().shotCount, 1);
        EXPECT_TRUE(isFreshGrid(places()));
        int moved = 0;
        for (int i = 0; i < CAR_COUNT; ++i)
            moved += cars()[size_t(i)].section != before[size_t(i)].section &&
                     cars()[size_t(i)].section != before[size_t(i)].section + 1;
        EXPECT_GE(moved, CAR_COUNT / 2) << "the cars left their places for the new grid";

        // The new shot was set up from the followed car's place on the new grid.
        const CameraDirector& d = cameraDirector();
        ASSERT_FALSE(d.keyframed);
        const Car& car = *d.followedCar;
        EXPECT_TRUE(car.followed);
        bool nearAhead = false;
        for (int offset : {6, 7}) {
            for (float fraction = 0.2f; fraction <= 0.6f; fraction += 0.05f) {
                TrackFrame f;
                car.track->evaluate((car.section + offset) % SECTION_COUNT, fraction, f);
                const Vec3 off = tracksideEye() - f.position;
                nearAhead |= std::fabs(off.x) <= 2.2f && std::fabs(off.y) <= 2.2f && off.z >= 0.09f && off.z <= 1.61f;
            }
        }
        EXPECT_TRUE(nearAhead) << "the camera stands 6 or 7 sections ahead of the new car";

        // This frame's view already turns to the new followed car.
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        cameraDirector().applyView();
        EXPECT_VEC_NEAR(d.viewDir, normalized(car.frame.position - d.eye), 1e-5f);
        EXPECT_VEC_NEAR(cameraListener().eye, tracksideEye(), 0);
    }
    EXPECT_TRUE(reformed);
}

TEST_F(ShotCycleTest, KeyframedShotsAreFilmedInTheFollowedCarsFrameFromTheFirstFrame)
{
    for (int i = 0; i < SCENE_COUNT; ++i)
        loadScene(i, "keyframe\ntime 0\nposition V(0 -30 10)\nquaternion Q(0 0 0.70710677 0.70710677)\nend\n"
                     "keyframe\ntime 18\nposition V(0 -20 8)\nquaternion Q(0 0 0.70710677 0.70710677)\nend\nENDKEYS\n");
    startRun(4711);
    const float dt = 1.0f / 30.0f;
    int keyframedShots = 0;
    bool previous = cameraDirector().keyframed;
    for (int frame = 0; frame < 6000; ++frame) {
        const int32_t countBefore = runState().shotCount;
        updateFrame(dt);
        const CameraDirector& d = cameraDirector();
        ASSERT_FALSE(previous && d.keyframed && runState().shotCount != countBefore) << "two keyframed shots in a row";
        if (runState().shotCount != countBefore) previous = d.keyframed;
        if (!d.keyframed) continue;
        if (runState().shotCount != countBefore) ++keyframedShots;
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        cameraDirector().applyView();
        const TrackFrame& f = d.followedCar->frame;
        const Vec3 offset = d.eye - f.position;
        // Behind the car (forward component negative), above it, looking along its forward axis.
        EXPECT_LT(dot(offset, f.forward), -1.9f) << frame;
        EXPECT_GT(dot(offset, f.up), 0.79f) << frame;
        EXPECT_VEC_NEAR(d.viewDir, f.forward, 1e-4f) << frame;
        EXPECT_EQ(d.fieldOfView, 60.0f);
    }
    EXPECT_GE(keyframedShots, 3);
}

} // namespace
} // namespace qm
