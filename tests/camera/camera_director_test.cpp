// The camera director: the followed car, the choice of shots with their random draws, playback,
// the world view and the GL projection it loads.
#include "camera/camera_director.h"
#include "camera/keyframe_track.h"
#include "cars/car.h"
#include "render/gl.h"
#include "render/gl_matrix.h"
#include "render/random.h"
#include "tests/camera/camera_test_support.h"
#include "tests/support/data_rar.h"
#include "tests/support/software_gl.h"
#include "tests/support/test_files.h"
#include "world/track.h"

#include <gtest/gtest.h>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>

// Counts heap allocations while a test asks for it. The replacements pair malloc with free, which
// GCC cannot see through once they are inlined.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
std::atomic<bool> countingAllocations{false};
std::atomic<int> allocations{0};
} // namespace

void* operator new(std::size_t size)
{
    if (countingAllocations) ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace qm {
namespace {

using test::ReferenceRandom;

const float S45 = std::sin(float(M_PI) / 4.0f);

// A circle of radius 40 around the origin, driven anticlockwise, flat at height 0.5.
void makeCircleTrack(Track& track, float radius = 40.0f)
{
    Vec3 points[SECTION_COUNT];
    float steer[SECTION_COUNT] = {};
    for (int i = 0; i < SECTION_COUNT; ++i) {
        const double a = 2.0 * M_PI * i / SECTION_COUNT;
        points[i] = Vec3(float(radius * std::cos(a)), float(radius * std::sin(a)), 0.5f);
    }
    track.setPoints(points, steer);
}

void loadSceneText(int index, const std::string& text)
{
    KeyframeTrack& track = sceneTracks()[size_t(index)];
    track.clear();
    AssetStream stream;
    test::adoptCopy(stream, test::bytesOf(text));
    track.load(stream);
    track.prepare();
}

// A scene track read from text: keys at the given times, all at one position and orientation.
void setScene(int index, Vec3 position, const Quat& q, std::initializer_list<float> times)
{
    std::string text;
    char line[200];
    for (float t : times) {
        std::snprintf(line, sizeof line, "keyframe\ntime %g\nposition V(%g %g %g)\nquaternion Q(%.9g %.9g %.9g %.9g)\nend\n",
                      t, position.x, position.y, position.z, q.x, q.y, q.z, q.w);
        text += line;
    }
    loadSceneText(index, text);
}

// The first seed from start whose reference draws satisfy the predicate.
template <typename Predicate>
uint32_t seedWhere(Predicate accept, uint32_t start = 1)
{
    for (uint32_t seed = start;; ++seed) {
        ReferenceRandom ref(seed);
        if (accept(ref)) return seed;
    }
}

class CameraDirectorTest : public test::SoftwareGLTest<64, 48> {
protected:
    void SetUp() override
    {
        resetCameraDirector();
        resetCars();
        resetTracks();
        resetSceneTracks();
        makeCircleTrack(tracks()[0]);
        for (Car& car : cars()) {
            car.track = &tracks()[0];
            car.section = 0;
            car.fraction = 0.5f;
            car.track->evaluate(car.section, car.fraction, car.frame);
        }
        for (int i = 0; i < SCENE_COUNT; ++i) setScene(i, {0, -60, 20}, {0, 0, S45, S45}, {0, 18, 36});
    }
    void TearDown() override
    {
        countingAllocations = false;
        resetCameraDirector();
        resetCars();
        resetTracks();
        resetSceneTracks();
    }

    // A car standing at p with its axes turned by `heading` radians about +Z.
    static void placeCar(Car& car, Vec3 p, double heading)
    {
        const float c = float(std::cos(heading));
        const float s = float(std::sin(heading));
        car.frame.position = p;
        car.frame.forward = Vec3(-s, c, 0);
        car.frame.right = Vec3(c, s, 0);
        car.frame.up = Vec3(0, 0, 1);
    }

    static void followCar(int index)
    {
        CameraDirector& d = cameraDirector();
        if (d.followedCar) d.followedCar->followed = false;
        d.followedCar = &cars()[size_t(index)];
        d.followedCar->followed = true;
    }

    static GLMatrix current(GLenum which)
    {
        GLMatrix m;
        glGetFloatv(which, m.m);
        return m;
    }

    static Vec3 transform(const GLMatrix& m, Vec3 p, float w = 1.0f)
    {
        return {m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12] * w, m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13] * w,
                m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14] * w};
    }
};

TEST_F(CameraDirectorTest, FollowedCarIsDrawnFromEighteenWithTheFlagMoved)
{
    for (uint32_t seed : {1u, 77u, 4096u, 123456789u, 0xFFFFFFFFu}) {
        ReferenceRandom ref(seed);
        srand(seed);
        const CameraDirector& d = cameraDirector();
        Car* before = d.followedCar;
        cameraDirector().chooseFollowedCar();
        const int expected = ref.trunc(18.0, 0.1);
        ASSERT_EQ(d.followedIndex(), expected) << seed;
        EXPECT_TRUE(cars()[size_t(expected)].followed);
        if (before && before != d.followedCar) {
            EXPECT_FALSE(before->followed);
        }
        int flagged = 0;
        for (const Car& car : cars()) flagged += car.followed;
        EXPECT_EQ(flagged, 1);
    }
    // rand() = 0 gives trunc(-0.1) = 0; rand() = 32767 gives 17.
    const uint32_t zero = seedWhere([](ReferenceRandom& r) { return r.next() == 0.0; });
    srand(zero);
    cameraDirector().chooseFollowedCar();
    EXPECT_EQ(cameraDirector().followedIndex(), 0);
    const uint32_t top = seedWhere([](ReferenceRandom& r) { return r.next() == 1.0; });
    srand(top);
    cameraDirector().chooseFollowedCar();
    EXPECT_EQ(cameraDirector().followedIndex(), 17);
}

// The trackside set-up, modelled step by step from its description with an independent generator.
struct TracksideModel {
    bool keyframedDraw;
    Vec3 eye;
    uint32_t shotLength;
    bool fixed;
    float base;
    int section;
};

TracksideModel modelSetUp(ReferenceRandom& ref, const Car& car)
{
    TracksideModel m{};
    int s = car.section + 6 + ref.trunc(2.0);
    if (s >= 233) s -= 233;
    m.section = s;
    m.shotLength = uint32_t(9 + ref.trunc(2.0));
    const float fraction = float(0.2 + 0.4 * ref.next());
    TrackFrame f;
    car.track->evaluate(s, fraction, f);
    m.eye = f.position + Vec3(0, 0, float(0.1 + 1.5 * ref.next()));
    const double ry = ref.next();
    const double rx = ref.next();
    m.eye += Vec3(float(4 * rx - 2), float(4 * ry - 2), 0);
    m.fixed = ref.next() < 0.2;
    m.base = m.fixed ? float(20 + 40 * ref.next()) : float(30 + 20 * ref.next());
    return m;
}

// The shot-kind draw, then the set-up when it is not keyframed.
TracksideModel modelTrackside(ReferenceRandom& ref, const Car& car, bool previousKeyframed)
{
    if (ref.next() < 0.3 && !previousKeyframed) {
        TracksideModel m{};
        m.keyframedDraw = true;
        return m;
    }
    return modelSetUp(ref, car);
}

TEST_F(CameraDirectorTest, TracksideSetUpDrawsInItsDocumentedOrder)
{
    bool sawFixed = false;
    bool sawZoom = false;
    int shots = 0;
    for (uint32_t seed = 1; shots < 40; seed += 7919) {
        resetCameraDirector();
        followCar(int(seed % CAR_COUNT));
        Car& car = *cameraDirector().followedCar;
        car.section = int32_t(seed % SECTION_COUNT);
        ReferenceRandom ref(seed);
        const TracksideModel m = modelTrackside(ref, car, false);
        if (m.keyframedDraw) continue;
        ++shots;
        srand(seed);
        cameraDirector().pickShot();
        const CameraDirector& d = cameraDirector();
        ASSERT_FALSE(d.keyframed) << seed;
        EXPECT_EQ(d.sceneIndex(), -1);
        EXPECT_EQ(d.shotLength, m.shotLength) << seed;
        EXPECT_VEC_NEAR(tracksideEye(), m.eye, 1e-4f) << seed;
        EXPECT_EQ(fixedFieldOfView(), m.fixed) << seed;
        EXPECT_FLOAT_EQ(d.baseFieldOfView, m.base) << seed;
        EXPECT_EQ(rand(), uint32_t(ref.next() * 32767.0 + 0.5)) << "exactly nine draws, seed " << seed;
        (m.fixed ? sawFixed : sawZoom) = true;
        EXPECT_GE(d.shotLength, 9u);
        EXPECT_LE(d.shotLength, 10u);
    }
    EXPECT_TRUE(sawFixed);
    EXPECT_TRUE(sawZoom);
}

TEST_F(CameraDirectorTest, SectionTwoThirtyWithOffsetSevenPutsTheCameraAtSectionFour)
{
    // Not keyframed (r >= 0.3), offset draw r >= 0.5.
    const uint32_t seed = seedWhere([](ReferenceRandom& r) { return r.next() >= 0.3 && r.next() >= 0.5; });
    followCar(3);
    cars()[3].section = 230;
    ReferenceRandom ref(seed);
    ref.next();
    ref.next();
    ref.next();
    const float fraction = float(0.2 + 0.4 * ref.next());
    TrackFrame f;
    tracks()[0].evaluate(4, fraction, f);
    srand(seed);
    cameraDirector().pickShot();
    ASSERT_FALSE(cameraDirector().keyframed);
    // The eye is within 2 units in x and y (and 0.1 to 1.6 above) of the point at section 4.
    const Vec3 off = tracksideEye() - f.position;
    EXPECT_LE(std::fabs(off.x), 2.0f);
    EXPECT_LE(std::fabs(off.y), 2.0f);
    EXPECT_GE(off.z, 0.1f - 1e-5f);
    EXPECT_LE(off.z, 1.6f + 1e-5f);
    ReferenceRandom again(seed);
    const TracksideModel m = modelTrackside(again, cars()[3], false);
    EXPECT_EQ(m.section, 4);
    EXPECT_VEC_NEAR(tracksideEye(), m.eye, 1e-4f);
}

TEST_F(CameraDirectorTest, KeyframedShotsComeFromAThreeInTenDrawAndNeverTwiceInARow)
{
    followCar(0);
    const uint32_t seed = seedWhere([](ReferenceRandom& r) { return r.next() < 0.3; });
    ReferenceRandom ref(seed);
    ref.next();
    const int index = ref.trunc(16.9);
    srand(seed);
    cameraDirector().pickShot();
    ASSERT_TRUE(cameraDirector().keyframed);
    EXPECT_EQ(cameraDirector().sceneIndex(), index);
    EXPECT_EQ(rand(), uint32_t(ref.next() * 32767.0 + 0.5)) << "two draws only";

    // After a keyframed shot, the next is trackside whatever the draw.
    srand(seed);
    cameraDirector().pickShot();
    EXPECT_FALSE(cameraDirector().keyframed);

    // A long run: never two in a row, and about three in ten after a trackside shot.
    srand(2024);
    int keyframedShots = 0;
    int afterTrackside = 0;
    bool previous = cameraDirector().keyframed;
    for (int shot = 0; shot < 3000; ++shot) {
        cameraDirector().chooseFollowedCar();
        cameraDirector().pickShot();
        const bool now = cameraDirector().keyframed;
        ASSERT_FALSE(previous && now) << "shot " << shot;
        if (!previous) ++afterTrackside;
        keyframedShots += now;
        previous = now;
    }
    const double share = double(keyframedShots) / afterTrackside;
    EXPECT_NEAR(share, 0.3, 0.04);
}

TEST_F(CameraDirectorTest, AnUnusableSceneIsPassedOverForATracksideShot)
{
    followCar(5);
    const uint32_t seed = seedWhere([](ReferenceRandom& r) { return r.next() < 0.3; });
    ReferenceRandom ref(seed);
    ref.next();
    const int index = ref.trunc(16.9);
    sceneTracks()[size_t(index)].clear();
    setScene(index, {0, 0, 0}, {0, 0, 0, 1}, {0});   // one key: unusable
    const TracksideModel m = modelSetUp(ref, cars()[5]);   // the draws after the index
    srand(seed);
    cameraDirector().pickShot();
    EXPECT_FALSE(cameraDirector().keyframed);
    EXPECT_EQ(cameraDirector().sceneIndex(), -1);
    EXPECT_VEC_NEAR(tracksideEye(), m.eye, 1e-4f) << "index drawn, then the trackside draws";

    resetSceneTracks();
    srand(99);
    for (int shot = 0; shot < 200; ++shot) {
        cameraDirector().pickShot();
        ASSERT_FALSE(cameraDirector().keyframed) << "no usable scene: every shot trackside";
    }
}

TEST_F(CameraDirectorTest, TracksideShotRestartsTheSectionCountAndEndsAtItsLength)
{
    followCar(2);
    followedSectionCount() = 7;   // still counting for an earlier shot
    srand(seedWhere([](ReferenceRandom& r) { return r.next() >= 0.3; }));
    cameraDirector().pickShot();
    ASSERT_FALSE(cameraDirector().keyframed);
    EXPECT_EQ(followedSectionCount(), 0);
    const int32_t length = int32_t(cameraDirector().shotLength);
    for (int32_t entered = 0; entered < length; ++entered) {
        followedSectionCount() = entered;
        cameraDirector().update(0.016f);
        ASSERT_FALSE(cameraDirector().shotEnded) << entered;
    }
    followedSectionCount() = length;
    cameraDirector().update(0.016f);
    EXPECT_TRUE(cameraDirector().shotEnded);
    EXPECT_EQ(followedSectionCount(), 0);
}

TEST_F(CameraDirectorTest, TheFollowedCarEnteringSectionsEndsTheShotAfterAboutThreeSeconds)
{
    srand(seedWhere([](ReferenceRandom& r) { return r.next() >= 0.3; }));
    cameraDirector().chooseFollowedCar();
    cameraDirector().pickShot();
    ASSERT_FALSE(cameraDirector().keyframed);
    const float dt = 1.0f / 60.0f;
    int frames = 0;
    while (!cameraDirector().shotEnded && frames < 1000) {
        for (Car& car : cars()) car.update(dt, cameraListener());
        cameraDirector().update(dt);
        ++frames;
    }
    const float seconds = frames * dt;
    EXPECT_GE(seconds, (cameraDirector().shotLength - 1) / SECTIONS_PER_SECOND);
    EXPECT_LE(seconds, cameraDirector().shotLength / SECTIONS_PER_SECOND + 2 * dt);
}

TEST_F(CameraDirectorTest, KeyframedEyeAndAxesFollowTheCarsFrame)
{
    struct Case {
        const char* what;
        Vec3 key;
        Quat q;
        // expected in terms of the car's axes: eye offset (world units), viewDir, viewUp
        Vec3 eyeAlong;   // (right, forward, up) coefficients
        Vec3 dirAlong;
        Vec3 upAlong;
    } cases[] = {
        {"(10, 0, 0), identity", {10, 0, 0}, {0, 0, 0, 1}, {1, 0, 0}, {1, 0, 0}, {0, 0, 1}},
        {"quarter turn about z", {0, -40, 15}, {0, 0, S45, S45}, {0, -4, 1.5f}, {0, 1, 0}, {0, 0, 1}},
        {"pitched down", {0, 0, 30}, {0, S45, 0, S45}, {0, 0, 3}, {0, 0, -1}, {1, 0, 0}},
    };
    followCar(4);
    for (const Case& c : cases) {
        for (double heading : {0.0, 0.7, -2.5}) {
            placeCar(cars()[4], Vec3(12, -7, 3), heading);
            const TrackFrame& f = cars()[4].frame;
            setScene(9, c.key, c.q, {0, 12});
            CameraDirector& d = cameraDirector();
            d.keyframed = true;
            d.sceneTrack = &sceneTracks()[9];
            keyframeClock() = 5.0f;
            d.update(0.0f);
            d.applyView();
            auto world = [&](Vec3 a) { return a.x * f.right + a.y * f.forward + a.z * f.up; };
            EXPECT_VEC_NEAR(d.eye, f.position + world(c.eyeAlong), 1e-5f) << c.what << " " << heading;
            EXPECT_VEC_NEAR(d.viewDir, world(c.dirAlong), 1e-5f) << c.what << " " << heading;
            EXPECT_VEC_NEAR(d.viewUp, world(c.upAlong), 1e-5f) << c.what << " " << heading;
            EXPECT_EQ(d.fieldOfView, 60.0f);
            // A second view in the same frame (the transition capture) converts nothing twice.
            const Vec3 eye = d.eye;
            d.applyView();
            EXPECT_VEC_NEAR(d.eye, eye, 0) << c.what;
            const ListenerPose heard = cameraListener();
            EXPECT_VEC_NEAR(heard.eye, d.eye, 0);
            EXPECT_VEC_NEAR(heard.viewDir, d.viewDir, 0);
            EXPECT_VEC_NEAR(heard.viewUp, d.viewUp, 0);
        }
    }
}

TEST_F(CameraDirectorTest, KeyframedShotEndsAtTheLastKeyWithTheClockBackAtZero)
{
    followCar(1);
    // Keys moving along x so the sample shows where the clock is.
    loadSceneText(0, "keyframe\ntime 0\nposition V(0 0 0)\nquaternion Q(0 0 0 1)\nend\n"
                     "keyframe\ntime 18\nposition V(18 0 0)\nquaternion Q(0 0 0 1)\nend\nENDKEYS\n");
    // The first draw keyframed, the index draw 0.
    const uint32_t seed = seedWhere([](ReferenceRandom& r) { return r.next() < 0.3 && r.trunc(16.9) == 0; });
    srand(seed);
    cameraDirector().pickShot();
    ASSERT_EQ(cameraDirector().sceneIndex(), 0);
    EXPECT_VEC_NEAR(cameraDirector().carEye, Vec3(0, 0, 0), 1e-6f) << "pickShot samples the first view";
    const float dt = 0.5f;   // 3 clock units a frame
    int frames = 0;
    while (!cameraDirector().shotEnded && frames < 100) {
        advanceKeyframeClock(dt);
        cameraDirector().update(dt);
        ++frames;
        if (!cameraDirector().shotEnded) {
            EXPECT_NEAR(cameraDirector().carEye.x, keyframeClock(), 1e-4f);
        }
    }
    EXPECT_EQ(frames, 6) << "clock 18 is the end of the move";
    EXPECT_EQ(keyframeClock(), 0.0f);
    EXPECT_VEC_NEAR(cameraDirector().carEye, Vec3(18, 0, 0), 0) << "the last key";
}

TEST_F(CameraDirectorTest, SceneWhoseTimesDoNotIncreaseEndsAtOnce)
{
    followCar(1);
    for (int i = 0; i < SCENE_COUNT; ++i) setScene(i, {0, 0, 0}, {0, 0, 0, 1}, {12, 12, 6});
    srand(5);
    for (int shot = 0; shot < 50; ++shot) {
        cameraDirector().pickShot();
        if (cameraDirector().keyframed) {
            EXPECT_TRUE(cameraDirector().shotEnded) << "no segment holds the clock";
        }
    }
}

TEST_F(CameraDirectorTest, TracksideZoomWidensNearAndNarrowsFar)
{
    followCar(6);
    CameraDirector& d = cameraDirector();
    d.keyframed = false;
    d.baseFieldOfView = 40.0f;
    const Vec3 car(5, 5, 1);
    placeCar(cars()[6], car, 0.3);
    for (float distance : {2.0f, 8.0f, 30.0f}) {
        fixedFieldOfView() = false;
        tracksideEye() = car + Vec3(distance, 0, 0);
        d.applyView();
        const float k = distance / std::sqrt(distance * distance + 64.0f);
        EXPECT_NEAR(d.fieldOfView, (1.0f - k) * 40.0f, 1e-4f) << distance;
        EXPECT_VEC_NEAR(d.viewDir, Vec3(-1, 0, 0), 1e-6f);
        EXPECT_VEC_NEAR(d.viewUp, Vec3(0, 0, 1), 0);
        EXPECT_VEC_NEAR(d.eye, tracksideEye(), 0);
        fixedFieldOfView() = true;
        d.applyView();
        EXPECT_EQ(d.fieldOfView, 40.0f) << "fixed at " << distance;
    }
    fixedFieldOfView() = false;
    tracksideEye() = car + Vec3(0, 0, 8);
    d.applyView();
    EXPECT_NEAR(d.fieldOfView, (1.0f - std::cos(float(M_PI) / 4)) * 40.0f, 1e-4f) << "8 units above";
    // On the line through the car along (1, 1, 0) there is nothing to zoom by.
    tracksideEye() = car + Vec3(3, 3, 0);
    d.applyView();
    EXPECT_EQ(d.fieldOfView, 40.0f);
    EXPECT_TRUE(std::isfinite(d.viewDir.x));
}

TEST_F(CameraDirectorTest, ApplyViewLoadsTheFourThirdsPerspectiveAndTheLookAt)
{
    followCar(8);
    placeCar(cars()[8], Vec3(3, 4, 1), 1.1);
    CameraDirector& d = cameraDirector();
    for (bool keyframed : {true, false}) {
        if (keyframed) {
            setScene(2, {5, -30, 10}, {0, 0.2588190f, 0, 0.9659258f}, {0, 30});
            d.keyframed = true;
            d.sceneTrack = &sceneTracks()[2];
            keyframeClock() = 0.0f;
            d.update(0.0f);
        } else {
            d.keyframed = false;
            d.baseFieldOfView = 45.0f;
            fixedFieldOfView() = true;
            tracksideEye() = Vec3(-6, 9, 2.5f);
        }
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        d.applyView();
        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(mode, GL_MODELVIEW);

        const GLMatrix p = current(GL_PROJECTION_MATRIX);
        const double f = 1.0 / std::tan(d.fieldOfView * M_PI / 360.0);
        const double n = double(0.02f);
        const double far = 250.0;
        EXPECT_NEAR(p[0], f / (4.0 / 3.0), 1e-5);
        EXPECT_NEAR(p[5], f, 1e-5);
        EXPECT_NEAR(p[10], (far + n) / (n - far), 1e-5);
        EXPECT_NEAR(p[14], 2 * far * n / (n - far), 1e-6);
        EXPECT_EQ(p[11], -1.0f);

        // The eye goes to the origin, the view direction to -Z, the up vector into the YZ plane.
        const GLMatrix m = current(GL_MODELVIEW_MATRIX);
        EXPECT_VEC_NEAR(transform(m, d.eye), Vec3(0, 0, 0), 1e-4f) << keyframed;
        EXPECT_VEC_NEAR(transform(m, d.viewDir, 0), Vec3(0, 0, -1), 1e-5f) << keyframed;
        const Vec3 up = transform(m, d.viewUp, 0);
        EXPECT_NEAR(up.x, 0.0f, 1e-5f) << keyframed;
        EXPECT_GT(up.y, 0.0f) << keyframed;
    }
    EXPECT_EQ(d.fieldOfView, 45.0f) << "fixed trackside field of view";
}

TEST_F(CameraDirectorTest, UpdateAndApplyViewAllocateNothing)
{
    followCar(10);
    srand(seedWhere([](ReferenceRandom& r) { return r.next() < 0.3; }));
    cameraDirector().pickShot();
    ASSERT_TRUE(cameraDirector().keyframed);
    allocations = 0;
    countingAllocations = true;
    for (int frame = 0; frame < 50; ++frame) {
        advanceKeyframeClock(0.016f);
        cameraDirector().update(0.016f);
        cameraDirector().applyView();
    }
    cameraDirector().keyframed = false;
    for (int frame = 0; frame < 50; ++frame) {
        cameraDirector().update(0.016f);
        cameraDirector().applyView();
    }
    countingAllocations = false;
    EXPECT_EQ(allocations, 0);
}

} // namespace
} // namespace qm
