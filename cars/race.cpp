// The race: the starting grid, the cars' motion along their corridors, and the per-frame
// visibility and light-map samples.
#include "cars/car.h"
#include "cars/car_resources.h"
#include "render/frustum.h"
#include "render/random.h"

namespace qm {
namespace {

constexpr double GRID_START_RANGE = 220.0;
constexpr int GRID_RESTART = 232;
constexpr double GRID_GAP_CHANCE = 0.9;   // a draw above this leaves one section free
constexpr float LIGHT_MAP_WIDTH = 467.673f;
constexpr float LIGHT_MAP_HEIGHT = 306.049f;
constexpr float LIGHT_MAP_CENTRE_X = 36.631f;
constexpr float LIGHT_MAP_CENTRE_Y = 0.895f;
constexpr float WHEEL_SAMPLE_OFFSET = 0.13f;

int truncated(double value)
{
    return int(value);
}

// Column or row of a light-map coordinate; outside the map it is 0.
int lightMapIndex(float coordinate)
{
    const int index = truncated(double(coordinate) * LIGHT_MAP_SIZE);
    return index < 0 || index >= LIGHT_MAP_SIZE ? 0 : index;
}

// Red channel of the light map at coordinate (u, v), 0..1; 0 before a map is loaded.
float lightMapSample(Vec3 uv)
{
    const std::vector<uint8_t>& map = carResources().lightMap;
    if (map.size() < size_t(LIGHT_MAP_SIZE) * LIGHT_MAP_SIZE * 3) return 0.0f;
    const int i = lightMapIndex(uv.x);
    const int j = lightMapIndex(uv.y);
    return float(map[(size_t(j) * LIGHT_MAP_SIZE + i) * 3]) / 255.0f;
}

} // namespace

void formGrid()
{
    bool taken[CAR_COUNT] = {};
    int start = truncated(randUnit() * GRID_START_RANGE);
    for (int placed = 0; placed < CAR_COUNT; ++placed) {
        int slot;
        do {
            slot = truncated(randUnit() * CAR_COUNT - 0.1);
        } while (slot < 0 || slot >= CAR_COUNT || taken[slot]);
        taken[slot] = true;
        Car& car = cars()[slot];
        car.track = &tracks()[truncated(randUnit() * 3.9)];
        car.fraction = float(0.3 + 0.4 * randUnit());
        car.section = start;
        start += randUnit() > GRID_GAP_CHANCE ? 2 : 1;
        if (start >= GRID_RESTART) start = 0;
    }
}

void Car::update(float dt, const ListenerPose& listener)
{
    fraction += dt * SECTIONS_PER_SECOND;
    if (fraction > 1.0f) {
        fraction -= 1.0f;
        section += 1;
        if (followed) followedSectionCount() += 1;
    }
    if (section >= SECTION_COUNT) section = 0;
    const Track& corridor = track ? *track : tracks()[0];
    corridor.evaluate(section, fraction, frame);
    engine.update(frame.position, frame.tangent, listener);
}

Vec3 lightMapCoordinate(Vec3 p)
{
    const float u = (p.x - (LIGHT_MAP_CENTRE_X - LIGHT_MAP_WIDTH / 2)) / LIGHT_MAP_WIDTH;
    const float v = (p.y - (LIGHT_MAP_CENTRE_Y - LIGHT_MAP_HEIGHT / 2)) / LIGHT_MAP_HEIGHT;
    return {u, v, 0.0f};
}

float lightMapBrightness(Vec3 p)
{
    return lightMapSample(lightMapCoordinate(p));
}

void Car::prepareForDrawing()
{
    boundCentre = frame.position;
    visible = viewFrustum.sphereVisible(boundCentre, boundRadius);
    lightMapCoord = lightMapCoordinate(frame.position);
    centreLight = lightMapSample(lightMapCoord);
    const Vec3 f = frame.forward * WHEEL_SAMPLE_OFFSET;
    const Vec3 s = frame.right * WHEEL_SAMPLE_OFFSET;
    wheelLight[0] = lightMapBrightness(frame.position + f + s);
    wheelLight[1] = lightMapBrightness(frame.position + f - s);
    wheelLight[2] = lightMapBrightness(frame.position - f + s);
    wheelLight[3] = lightMapBrightness(frame.position - f - s);
}

} // namespace qm
