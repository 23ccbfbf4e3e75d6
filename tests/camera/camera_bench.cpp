// Per-frame CPU cost of the camera: the clock, the director's update and its view (projection
// and look-at on Mesa's software context, which only multiplies matrices here), for keyframed and
// trackside shots, beside the 18 car updates it follows. Prints microseconds per frame.
#include "camera/camera_director.h"
#include "camera/keyframe_track.h"
#include "cars/car.h"
#include "render/random.h"
#include "tests/support/software_gl.h"
#include "tests/support/test_files.h"
#include "tests/support/data_rar.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

namespace qm {
namespace {

void circleTracks()
{
    Vec3 points[SECTION_COUNT];
    float steer[SECTION_COUNT] = {};
    for (int k = 0; k < TRACK_COUNT; ++k) {
        for (int i = 0; i < SECTION_COUNT; ++i) {
            const float a = 6.2831853f * float(i) / SECTION_COUNT;
            points[i] = Vec3((180 + 2 * k) * std::cos(a), (120 + 2 * k) * std::sin(a), 0);
        }
        tracks()[size_t(k)].setPoints(points, steer);
    }
}

// A six-key move with turning orientations, as long as the longest default scene.
void loadLongScene()
{
    std::string text;
    const char* quats[] = {"0 0 0 1", "0 0 0.38268343 0.92387953", "0.5 0.5 0.5 0.5",
                           "0 0.70710677 0 0.70710677", "0 0 0.70710677 0.70710677", "0 0 0 1"};
    for (int k = 0; k < 6; ++k)
        text += "keyframe\ntime " + std::to_string(k * 9.6) + "\nposition V(" + std::to_string(20 * std::cos(k)) + " " +
                std::to_string(20 * std::sin(k)) + " 8)\nquaternion Q(" + quats[k] + ")\nend\n";
    for (KeyframeTrack& track : sceneTracks()) {
        track.clear();
        AssetStream stream;
        test::adoptCopy(stream, test::bytesOf(text + "ENDKEYS\n"));
        track.load(stream);
        track.prepare();
    }
}

double medianMicroseconds(std::vector<double>& samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

TEST(CameraBench, DirectorUpdateAndViewPerFrame)
{
    platform::OffscreenContext gl;
    ASSERT_TRUE(test::createSoftwareContext(gl, 64, 48));
    circleTracks();
    loadLongScene();
    srand(11);
    formGrid();
    for (Car& car : cars()) car.update(0.0f, cameraListener());
    cameraDirector().chooseFollowedCar();

    constexpr int FRAMES = 20000;
    const float dt = 1.0f / 60.0f;
    for (bool keyframed : {true, false}) {
        std::vector<double> director, withCars;
        director.reserve(FRAMES);
        withCars.reserve(FRAMES);
        for (int f = 0; f < FRAMES; ++f) {
            if (f % 240 == 0) {
                cameraDirector().keyframed = !keyframed;   // the next pick is of the other kind
                do cameraDirector().pickShot();
                while (cameraDirector().keyframed != keyframed);
            }
            const auto start = std::chrono::steady_clock::now();
            for (Car& car : cars()) car.update(dt, cameraListener());
            const auto carsDone = std::chrono::steady_clock::now();
            advanceKeyframeClock(dt);
            cameraDirector().update(dt);
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
            cameraDirector().applyView();
            const auto end = std::chrono::steady_clock::now();
            director.push_back(std::chrono::duration<double, std::micro>(end - carsDone).count());
            withCars.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        }
        std::printf("camera %s: director update + view median %.2f us; with the 18 car updates %.2f us per frame\n",
                    keyframed ? "keyframed" : "trackside", medianMicroseconds(director), medianMicroseconds(withCars));
    }
    resetCameraDirector();
    resetCars();
    resetTracks();
    resetSceneTracks();
}

} // namespace
} // namespace qm
