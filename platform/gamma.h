// The display's gamma ramp: 3 x 256 unsigned 16-bit entries, red, then green, then blue.
#pragma once
#include <cstdint>

namespace qm::platform {

bool setDeviceGammaRamp(const uint16_t ramp[768]);
bool getDeviceGammaRamp(uint16_t ramp[768]);

// Keeps the ramps that the main window's display shows now, entry for entry at the display's own
// ramp size, so that restoreKeptGammaRamp can put exactly those back. False without a main window
// or when the display cannot tell.
bool keepDeviceGammaRamp();
bool restoreKeptGammaRamp();
void forgetKeptGammaRamp();

}
