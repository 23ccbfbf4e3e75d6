// The brightness setting, applied to the whole display through its gamma ramp (3 x 256 entries).
#pragma once
#include "render/vec3.h"
#include <cstdint>

namespace qm {

constexpr int GAMMA_RAMP_SIZE = 256;
constexpr int GAMMA_RAMP_ENTRIES = 3 * GAMMA_RAMP_SIZE;  // red, then green, then blue

// Smallest exponent the brightness setting may give: hand-edited "Gamma" values above 150 would
// otherwise give exponents of 0 or less, whose ramps wrap.
constexpr float MIN_GAMMA_EXPONENT = 0.25f;

// entry = trunc((k / 256)^exponent * 65536) per channel (x red, y green, z blue), clamped to 65535.
void buildGammaRamp(Vec3 exponents, uint16_t ramp[GAMMA_RAMP_ENTRIES]);
// Builds the ramp and loads it into the display; true when the system accepted it.
bool setGammaRamp(Vec3 exponents);
// The exponent for a "Gamma" setting: 1 - ((gamma - 50) / 50) * 0.5, at least MIN_GAMMA_EXPONENT.
float gammaExponent(uint32_t gamma);
// Unless defGamma is set, loads the ramp for the "Gamma" setting on all three channels.
void applyBrightness(bool defGamma, uint32_t gamma);

// Where setGammaRamp loads its ramp: the display by default. Tests install their own receiver;
// null restores the display.
using GammaRampSink = bool (*)(const uint16_t ramp[GAMMA_RAMP_ENTRIES]);
void setGammaRampSink(GammaRampSink sink);

} // namespace qm
