// The 18 race cars: their records, liveries, motion along the corridors and drawing passes.
#pragma once
#include "assets/texture.h"
#include "cars/engine_sound.h"
#include "render/vec3.h"
#include "world/track.h"

#include <array>
#include <cstdint>
#include <vector>

namespace qm {

constexpr int CAR_COUNT = 18;
constexpr int LIVERY_COUNT = 6;
constexpr float SECTIONS_PER_SECOND = 2.963f;

class Car {
public:
    Car();
    virtual ~Car() = default;

    // Engine samples, then the four lines of a livery file; a bad file leaves a drawable car.
    void loadLivery(const char* memberName);
    // Advances by dt seconds along the corridor, computes the pose, updates the engine.
    void update(float dt, const ListenerPose& listener);
    // Visibility against the view frustum and the light-map samples of this frame.
    void prepareForDrawing();

    // Drawing, pass by pass (see car_passes.h for the set-ups).
    void applyTransform() const;
    void drawShadow() const;
    void drawBody() const;
    void drawReflection() const;
    void drawTyres() const;
    void drawRims() const;
    void drawHelmet() const;

    bool followed = false;
    bool visible = false;
    Vec3 helmetOffset{0, 0, 0};
    Vec3 boundCentre{0, 0, 0};
    float boundRadius = 0.3f;
    EngineSound engine;
    float fraction = 0.0f;
    int32_t section = 0;
    const Track* track = nullptr;
    Texture bodyTexture;
    Texture helmetTexture;
    uint32_t bodyList = 0;
    uint32_t shadowList = 0;
    uint32_t reflectionList = 0;
    std::vector<Vec3> wheelPositions;
    float wheelLight[4] = {0, 0, 0, 0};
    float centreLight = 0.0f;
    TrackFrame frame;
    Vec3 lightMapCoord{0, 0, 0};
    // Body number the livery chose (0..2), kept for the trace and tests.
    int bodyNumber = 0;
};

std::array<Car, CAR_COUNT>& cars();
// Incremented each time the followed car enters a new section.
int32_t& followedSectionCount();
// Fresh cars and counter (tests); GL objects stay.
void resetCars();

// The livery file that car i wears.
const char* liveryMemberFor(int carIndex);
// Loads the 18 liveries in groups of six, in livery order.
void loadLiveries();
// Places all 18 cars on a new random grid.
void formGrid();
// Brightness 0..1 of the light map at world point p; outside the map, column or row 0.
float lightMapBrightness(Vec3 p);
// Light-map coordinate (u, v, 0) of world point p, unclamped.
Vec3 lightMapCoordinate(Vec3 p);

} // namespace qm
