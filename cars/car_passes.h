// The cars drawn pass by pass: shadow, painted body, cube-map reflection, tyres, rims, helmet.
// Each set-up runs once with the camera's view on the model view, then the per-car step.
#pragma once

namespace qm {

void beginBodyPass();
void beginReflectionPass();
void beginTyrePass();
void beginRimPass();
void beginHelmetPass();

// The lean of the helmet for a steering angle, shaking at random in hard bends.
float helmetLean(float steer);

// All 18 cars in car order: preparation, the six passes and the state clean-up afterwards.
void drawCarPasses();

} // namespace qm
