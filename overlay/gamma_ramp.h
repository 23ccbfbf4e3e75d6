// The brightness setting, applied to the whole display through its gamma ramp (3 x 256 entries).
#pragma once
#include "render/vec3.h"
#include <cstdint>

namespace qm {

constexpr int GAMMA_RAMP_SIZE = 256;
constexpr int GAMMA_RAMP_ENTRIES = 3 * GAMMA_RAMP_SIZE;  // red, then green, then blue

// Exponent used where the setting would give 0 or less (hand-edited "Gamma" of 150 and above, whose
// ramps would wrap): the brightest one the setting gives below that, "Gamma" 149.
constexpr float MIN_GAMMA_EXPONENT = 1.0f - ((149.0f - 50.0f) / 50.0f) * 0.5f;

// entry = trunc((k / 256)^exponent * 65536) per channel (x red, y green, z blue), clamped to 65535.
void buildGammaRamp(Vec3 exponents, uint16_t ramp[GAMMA_RAMP_ENTRIES]);
// Builds the ramp and loads it into the display; true when the system accepted it.
bool setGammaRamp(Vec3 exponents);
// The exponent for a "Gamma" setting: 1 - ((gamma - 50) / 50) * 0.5; MIN_GAMMA_EXPONENT where that
// is 0 or less.
float gammaExponent(uint32_t gamma);
// Unless defGamma is set, keeps the ramp the display shows now (the user's own, calibrated or not)
// and loads the ramp for the "Gamma" setting on all three channels.
void applyBrightness(bool defGamma, uint32_t gamma);
// Unless defGamma is set, puts back exactly the ramp applyBrightness kept; the identity ramp
// (exponents 1, 1, 1) when none could be kept.
void restoreBrightness(bool defGamma);

// Where setGammaRamp loads its ramp: the display by default. Tests install their own receiver;
// null restores the display.
using GammaRampSink = bool (*)(const uint16_t ramp[GAMMA_RAMP_ENTRIES]);
void setGammaRampSink(GammaRampSink sink);

} // namespace qm
