#include "overlay/gamma_ramp.h"
#include "platform/gamma.h"
#include <cmath>

namespace qm {
namespace {

bool loadIntoDisplay(const uint16_t ramp[GAMMA_RAMP_ENTRIES])
{
    return platform::setDeviceGammaRamp(ramp);
}

GammaRampSink gammaRampSink = loadIntoDisplay;

// A non-finite or out-of-range product (exponent 0 or less, NaN) saturates instead of wrapping.
uint16_t rampEntry(int k, float exponent)
{
    double value = std::pow(k / 256.0, double(exponent)) * 65536.0;
    if (!(value >= 0.0)) return 0;
    if (value >= 65535.0) return 65535;
    return uint16_t(std::trunc(value));
}

} // namespace

void buildGammaRamp(Vec3 exponents, uint16_t ramp[GAMMA_RAMP_ENTRIES])
{
    const float channel[3] = {exponents.x, exponents.y, exponents.z};
    for (int c = 0; c < 3; ++c)
        for (int k = 0; k < GAMMA_RAMP_SIZE; ++k)
            ramp[c * GAMMA_RAMP_SIZE + k] = rampEntry(k, channel[c]);
}

bool setGammaRamp(Vec3 exponents)
{
    uint16_t ramp[GAMMA_RAMP_ENTRIES];
    buildGammaRamp(exponents, ramp);
    return gammaRampSink(ramp);
}

float gammaExponent(uint32_t gamma)
{
    float g = 1.0f - ((float(gamma) - 50.0f) / 50.0f) * 0.5f;
    return g > 0.0f ? g : MIN_GAMMA_EXPONENT;
}

void applyBrightness(bool defGamma, uint32_t gamma)
{
    if (defGamma) return;
    // Tests that receive the ramps themselves leave the display's ramp alone.
    if (gammaRampSink == loadIntoDisplay) platform::keepDeviceGammaRamp();
    float g = gammaExponent(gamma);
    setGammaRamp(Vec3(g, g, g));
}

void restoreBrightness(bool defGamma)
{
    if (defGamma) return;
    if (gammaRampSink == loadIntoDisplay && platform::restoreKeptGammaRamp()) return;
    setGammaRamp(Vec3(1.0f, 1.0f, 1.0f));
}

void setGammaRampSink(GammaRampSink sink)
{
    gammaRampSink = sink ? sink : loadIntoDisplay;
}

} // namespace qm
