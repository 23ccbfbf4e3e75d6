// The display's gamma ramp: 3 x 256 unsigned 16-bit entries, red, then green, then blue.
#pragma once
#include <cstdint>

namespace qm::platform {

bool setDeviceGammaRamp(const uint16_t ramp[768]);
bool getDeviceGammaRamp(uint16_t ramp[768]);

}
