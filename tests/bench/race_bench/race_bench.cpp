// Per-frame CPU cost of the race: the 18 car updates (corridor, engine values) and their
// preparation for drawing (frustum test, five light-map samples), on the default corridors when
// data.rar is in the current folder, otherwise on circles. Prints microseconds per frame.
#include "cars/car.h"
#include "cars/car_resources.h"
#include "render/frustum.h"
#include "render/random.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace qm {
namespace {

void circleTracks()
{
    Vec3 points[SECTION_COUNT];
    float steer[SECTION_COUNT];
    for (int k = 0; k < TRACK_COUNT; ++k) {
        for (int i = 0; i < SECTION_COUNT; ++i) {
            const float a = 6.2831853f * float(i) / SECTION_COUNT;
            points[i] = Vec3((180 + 2 * k) * std::cos(a), (120 + 2 * k) * std::sin(a), 0);
            steer[i] = 3 * std::sin(4 * a);
        }
        tracks()[size_t(k)].setPoints(points, steer);
    }
}

TEST(RaceBench, UpdateAndPreparePerFrame)
{
    const bool real = std::filesystem::exists("data.rar");
    if (real) loadTracks();
    else circleTracks();
    std::vector<uint8_t> map(size_t(LIGHT_MAP_SIZE) * LIGHT_MAP_SIZE * 3, 200);
    setLightMap(map.data(), LIGHT_MAP_SIZE, LIGHT_MAP_SIZE, 3);
    const float projection[16] = {1, 0, 0, 0, 0, 1.33f, 0, 0, 0, 0, -1.002f, -1, 0, 0, -0.2f, 0};
    const float view[16] = {1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, 0, 0, -200, 1};
    viewFrustum.extractFrom(projection, view);
    srand(7);
    formGrid();
    cars()[3].followed = true;
    ListenerPose listener;
    listener.eye = Vec3(10, -90, 3);

    constexpr int FRAMES = 20000;
    std::vector<double> perFrame;
    perFrame.reserve(FRAMES);
    for (int f = 0; f < FRAMES; ++f) {
        const auto start = std::chrono::steady_clock::now();
        for (Car& car : cars()) car.update(1.0f / 60.0f, listener);
        for (Car& car : cars()) car.prepareForDrawing();
        perFrame.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(perFrame.begin(), perFrame.end());
    std::printf("race update + prepare, 18 cars (%s corridors): median %.2f us, p95 %.2f us per frame\n",
                real ? "default" : "circle", perFrame[FRAMES / 2], perFrame[FRAMES * 95 / 100]);
}

} // namespace
} // namespace qm
