// The race without drawing: the grid and its draws, the cars' motion and the light-map samples.
#include "cars/car.h"
#include "cars/car_resources.h"
#include "render/random.h"

#include <gtest/gtest.h>
#include <cmath>
#include <cstdlib>
#include <new>
#include <set>

// Counts every allocation of the test binary, so the per-frame work can be shown to make none.
static size_t allocationCount = 0;
void* operator new(size_t size)
{
    ++allocationCount;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace qm {
namespace {

// The program's generator, written out again here so the grid is checked against the documented
// draw order rather than against itself.
struct ModelRand {
    uint32_t state;
    double next()
    {
        state = state * 214013u + 2531011u;
        return double((state >> 16) & 0x7FFF) / 32767.0;
    }
};

struct Placement {
    int track, section;
    float fraction;
};

std::vector<Placement> modelGrid(uint32_t seed, ModelRand& r)
{
    r.state = seed;
    std::vector<Placement> grid(CAR_COUNT);
    bool taken[CAR_COUNT] = {};
    int start = int(r.next() * 220);
    for (int k = 0; k < CAR_COUNT; ++k) {
        int slot;
        do slot = int(r.next() * 18 - 0.1); while (taken[slot]);
        taken[slot] = true;
        grid[slot].track = int(r.next() * 3.9);
        grid[slot].fraction = float(0.3 + 0.4 * r.next());
        grid[slot].section = start;
        start += r.next() > 0.9 ? 2 : 1;
        if (start >= 232) start = 0;
    }
    return grid;
}

// A straight corridor along +Y, one unit per section, rising by z.
void straightTracks()
{
    Vec3 points[SECTION_COUNT];
    float steer[SECTION_COUNT];
    for (int i = 0; i < SECTION_COUNT; ++i) {
        points[i] = Vec3(0, float(i), 0);
        steer[i] = 0;
    }
    for (Track& t : tracks()) t.setPoints(points, steer);
}

class Simulation : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetCars();
        straightTracks();
    }
    void TearDown() override
    {
        resetCars();
        resetTracks();
        resetCarResources();
    }
};

TEST_F(Simulation, GridFollowsTheDrawOrderAndNeverSharesASection)
{
    // Seeds chosen to include starts near the end of the lap, where the queue wraps.
    for (uint32_t seed : {1u, 2u, 77u, 1234u, 99991u, 4000000000u}) {
        srand(seed);
        formGrid();
        ModelRand model{0};
        const std::vector<Placement> expected = modelGrid(seed, model);
        std::set<int> sections;
        for (int i = 0; i < CAR_COUNT; ++i) {
            const Car& car = cars()[size_t(i)];
            EXPECT_EQ(car.track, &tracks()[size_t(expected[size_t(i)].track)]) << "seed " << seed;
            EXPECT_EQ(car.section, expected[size_t(i)].section);
            EXPECT_FLOAT_EQ(car.fraction, expected[size_t(i)].fraction);
            EXPECT_GE(car.fraction, 0.3f);
            EXPECT_LE(car.fraction, 0.7f);
            EXPECT_LT(car.section, 232);
            sections.insert(car.section);
        }
        EXPECT_EQ(sections.size(), size_t(CAR_COUNT));
        // The program's next draw is the model's next: no draw was added or skipped.
        EXPECT_EQ(randUnit(), model.next());
    }
}

TEST_F(Simulation, GridQueueRestartsAtZeroPastTheEndOfTheLap)
{
    // Find a seed whose start lies within 18 sections of the end, so the queue must wrap.
    uint32_t seed = 0;
    for (uint32_t s = 1; s < 100000; ++s) {
        ModelRand r{s};
        if (int(r.next() * 220) >= 218) { seed = s; break; }
    }
    ASSERT_NE(seed, 0u);
    srand(seed);
    formGrid();
    std::set<int> sections;
    for (const Car& car : cars()) sections.insert(car.section);
    EXPECT_TRUE(sections.count(0));
    EXPECT_FALSE(sections.count(232));
    EXPECT_EQ(sections.size(), size_t(CAR_COUNT));
}

TEST_F(Simulation, UpdateCrossesSectionsAndWrapsTheLap)
{
    Car& car = cars()[0];
    car.track = &tracks()[0];
    const ListenerPose listener;

    struct Case {
        int section;
        float fraction, dt;
        int wantSection;
        float wantFraction;
    } cases[] = {
        {232, 0.999f, 0.01f, 0, 0.999f + 0.02963f - 1.0f},   // 232 -> 233 -> 0 in one update
        {10, 1.0f, 0.0f, 10, 1.0f},                          // exactly 1.0 does not cross
        {10, 0.5f, 0.5f, 11, 0.5f + 1.4815f - 1.0f},          // one section, still above 1 after
        {40, 0.2f, 0.0f, 40, 0.2f},                           // dt 0: nothing moves
    };
    for (const Case& c : cases) {
        car.section = c.section;
        car.fraction = c.fraction;
        car.update(c.dt, listener);
        EXPECT_EQ(car.section, c.wantSection) << "from " << c.section << " + " << c.dt;
        EXPECT_NEAR(car.fraction, c.wantFraction, 1e-5f);
        TrackFrame expected;
        tracks()[0].evaluate(car.section, car.fraction, expected);
        EXPECT_FLOAT_EQ(car.frame.position.y, expected.position.y);
    }
    // A fraction left above 1 crosses again on the next frame.
    car.section = 10;
    car.fraction = 1.4815f;
    car.update(0.0f, listener);
    EXPECT_EQ(car.section, 11);
}

TEST_F(Simulation, OnlyTheFollowedCarCountsSections)
{
    for (Car& car : cars()) {
        car.track = &tracks()[1];
        car.fraction = 0.9f;
    }
    cars()[4].followed = true;
    const ListenerPose listener;
    for (int frame = 0; frame < 3; ++frame)
        for (Car& car : cars()) car.update(0.2f, listener);
    // 0.9 + 3 x 0.5926: crosses after the first and third frame.
    EXPECT_EQ(followedSectionCount(), 2);
    cars()[4].followed = false;
    for (Car& car : cars()) car.update(0.4f, listener);
    EXPECT_EQ(followedSectionCount(), 2);
}

TEST_F(Simulation, FramesOfUpdatesAndPreparationAllocateNothing)
{
    std::vector<uint8_t> picture(size_t(LIGHT_MAP_SIZE) * LIGHT_MAP_SIZE * 3, 128);
    setLightMap(picture.data(), LIGHT_MAP_SIZE, LIGHT_MAP_SIZE, 3);
    srand(3);
    formGrid();
    const ListenerPose listener;
    const size_t before = allocationCount;
    for (int frame = 0; frame < 200; ++frame) {
        for (Car& car : cars()) car.update(0.05f, listener);
        for (Car& car : cars()) car.prepareForDrawing();
    }
    EXPECT_EQ(allocationCount, before);
}

TEST_F(Simulation, LightMapSamplesColumnAndRowZeroOutsideTheMap)
{
    std::vector<uint8_t> picture(size_t(LIGHT_MAP_SIZE) * LIGHT_MAP_SIZE * 3, 0);
    auto put = [&](int column, int row, uint8_t red) {
        picture[(size_t(row) * LIGHT_MAP_SIZE + size_t(column)) * 3] = red;
    };
    put(0, 0, 10);
    put(1023, 0, 20);
    put(0, 1023, 30);
    put(1023, 1023, 40);
    put(512, 0, 50);
    put(0, 512, 60);
    setLightMap(picture.data(), LIGHT_MAP_SIZE, LIGHT_MAP_SIZE, 3);

    const float left = 36.631f - 467.673f / 2, bottom = 0.895f - 306.049f / 2;
    const float w = 467.673f, h = 306.049f;
    struct Case {
        float x, y;
        int red;
    } cases[] = {
        {left, bottom, 10},                                   // u = 0, v = 0
        {left + w * 0.9999f, bottom, 20},                     // far right column
        {left, bottom + h * 0.9999f, 30},                     // top row
        {left + w * 0.9999f, bottom + h * 0.9999f, 40},
        {left + w * 0.5001f, bottom - 50, 50},                // below the map: row 0
        {left - 80, bottom + h * 0.5001f, 60},                // left of the map: column 0
        {left + w + 5, bottom + h + 5, 10},                   // beyond both far edges
    };
    for (const Case& c : cases)
        EXPECT_FLOAT_EQ(lightMapBrightness(Vec3(c.x, c.y, 0)), float(c.red) / 255.0f)
            << c.x << ", " << c.y;
    const Vec3 uv = lightMapCoordinate(Vec3(left + w, bottom - h, 0));
    EXPECT_NEAR(uv.x, 1.0f, 1e-5f);
    EXPECT_NEAR(uv.y, -1.0f, 1e-5f);
}

TEST_F(Simulation, LightMapOfAnotherSizeIsResampledWithinBounds)
{
    std::vector<uint8_t> small(4 * 2 * 3, 0);
    small[(1 * 4 + 3) * 3] = 200;   // top-right pixel of a 4 x 2 picture
    setLightMap(small.data(), 4, 2, 3);
    ASSERT_EQ(carResources().lightMap.size(), size_t(LIGHT_MAP_SIZE) * LIGHT_MAP_SIZE * 3);
    EXPECT_EQ(carResources().lightMap[(size_t(1023) * LIGHT_MAP_SIZE + 1023) * 3], 200);
    EXPECT_EQ(carResources().lightMap[0], 0);
    setLightMap(nullptr, 0, 0, 0);
    EXPECT_EQ(carResources().lightMap.size(), size_t(LIGHT_MAP_SIZE) * LIGHT_MAP_SIZE * 3);
}

TEST_F(Simulation, PreparationSamplesTheFourWheelCornersInLayoutOrder)
{
    // Brightness rising to the right (x) and forward (y) makes each corner distinguishable.
    std::vector<uint8_t> picture(size_t(LIGHT_MAP_SIZE) * LIGHT_MAP_SIZE * 3);
    for (int row = 0; row < LIGHT_MAP_SIZE; ++row)
        for (int column = 0; column < LIGHT_MAP_SIZE; ++column)
            picture[(size_t(row) * LIGHT_MAP_SIZE + size_t(column)) * 3] =
                uint8_t((column % 16) * 8 + (row % 16));
    setLightMap(picture.data(), LIGHT_MAP_SIZE, LIGHT_MAP_SIZE, 3);
    Car& car = cars()[0];
    car.frame.position = Vec3(10.2f, 5.3f, 0);
    car.frame.forward = Vec3(0, 1, 0);
    car.frame.right = Vec3(1, 0, 0);
    car.frame.up = Vec3(0, 0, 1);
    car.prepareForDrawing();
    const Vec3 p = car.frame.position;
    EXPECT_EQ(car.centreLight, lightMapBrightness(p));
    EXPECT_EQ(car.wheelLight[0], lightMapBrightness(p + Vec3(0.13f, 0.13f, 0)));
    EXPECT_EQ(car.wheelLight[1], lightMapBrightness(p + Vec3(-0.13f, 0.13f, 0)));
    EXPECT_EQ(car.wheelLight[2], lightMapBrightness(p + Vec3(0.13f, -0.13f, 0)));
    EXPECT_EQ(car.wheelLight[3], lightMapBrightness(p + Vec3(-0.13f, -0.13f, 0)));
    EXPECT_NE(car.wheelLight[0], car.wheelLight[3]);
    EXPECT_EQ(car.boundCentre.x, p.x);
}

} // namespace
} // namespace qm
