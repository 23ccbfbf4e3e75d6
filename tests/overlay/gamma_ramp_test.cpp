// The brightness ramp: entries for the exponents the setting gives, the exponent mapping with its
// clamp, and the DefGamma path that leaves the display's ramp alone.
#include "overlay/gamma_ramp.h"
#include <gtest/gtest.h>
#include <cmath>
#include <vector>

namespace {
using namespace qm;

std::vector<uint16_t> ramp(float ex, float ey, float ez)
{
    std::vector<uint16_t> r(GAMMA_RAMP_ENTRIES);
    buildGammaRamp(Vec3(ex, ey, ez), r.data());
    return r;
}

TEST(GammaRamp, IdentityExponentGivesKTimes256)
{
    auto r = ramp(1, 1, 1);
    for (int c = 0; c < 3; ++c)
        for (int k = 0; k < 256; ++k) ASSERT_EQ(k * 256, r[c * 256 + k]) << c << "/" << k;
}

TEST(GammaRamp, PowerLawEntries)
{
    struct Case {
        float exponent;
        int k;
        uint16_t expected;
    };
    const Case cases[] = {
        {0.5f, 0, 0},
        {0.5f, 255, uint16_t(std::trunc(std::sqrt(255.0 / 256.0) * 65536.0))},  // 65407
        {0.5f, 64, 32768},
        {1.5f, 0, 0},
        {1.5f, 255, uint16_t(std::trunc(std::pow(255.0 / 256.0, 1.5) * 65536.0))},  // 65152
        {1.5f, 128, uint16_t(std::trunc(std::pow(0.5, 1.5) * 65536.0))},
    };
    EXPECT_EQ(65407, cases[1].expected);
    for (const Case& k : cases) {
        auto r = ramp(k.exponent, k.exponent, k.exponent);
        EXPECT_EQ(k.expected, r[k.k]) << k.exponent << " at " << k.k;
        EXPECT_EQ(k.expected, r[512 + k.k]) << "blue " << k.exponent << " at " << k.k;
    }
}

TEST(GammaRamp, ChannelsInRedGreenBlueOrder)
{
    auto r = ramp(0.5f, 1.0f, 1.5f);
    EXPECT_EQ(ramp(0.5f, 0.5f, 0.5f)[200], r[200]);
    EXPECT_EQ(200 * 256, r[256 + 200]);
    EXPECT_EQ(ramp(1.5f, 1.5f, 1.5f)[200], r[512 + 200]);
}

TEST(GammaRamp, ExponentsWithoutAValidRampSaturate)
{
    // Exponent 0 or less (or NaN) would wrap past 65535; entries stay in range and never decrease.
    for (float e : {0.0f, -0.5f, -10.0f, std::nanf("")}) {
        auto r = ramp(e, e, e);
        for (int k = 1; k < 256; ++k) ASSERT_LE(r[k - 1], r[k]) << e;
        if (!std::isnan(e)) {
            EXPECT_EQ(65535, r[255]) << e;
        }
    }
}

TEST(GammaExponent, SettingMappingWithAGuardOnlyWhereItReachesZero)
{
    struct Case {
        uint32_t gamma;
        float exponent;
    };
    // Every setting up to 149 follows the formula; from 150 on it would give 0 or less.
    const Case cases[] = {
        {0, 1.5f}, {50, 1.0f}, {100, 0.5f}, {25, 1.25f}, {120, 0.3f}, {125, 0.25f}, {126, 0.24f},
        {140, 0.1f}, {149, 0.01f}, {150, MIN_GAMMA_EXPONENT}, {151, MIN_GAMMA_EXPONENT},
        {1000, MIN_GAMMA_EXPONENT}, {0xFFFFFFFFu, MIN_GAMMA_EXPONENT},
    };
    for (const Case& k : cases) EXPECT_NEAR(k.exponent, gammaExponent(k.gamma), 1e-6f) << k.gamma;
    EXPECT_GT(MIN_GAMMA_EXPONENT, 0.0f);
    EXPECT_FLOAT_EQ(MIN_GAMMA_EXPONENT, gammaExponent(149)) << "brightness never falls as the setting rises";
}

std::vector<std::vector<uint16_t>> loaded;
bool acceptRamp(const uint16_t r[GAMMA_RAMP_ENTRIES])
{
    loaded.emplace_back(r, r + GAMMA_RAMP_ENTRIES);
    return true;
}
bool refuseRamp(const uint16_t r[GAMMA_RAMP_ENTRIES])
{
    acceptRamp(r);
    return false;
}

class Brightness : public ::testing::Test {
protected:
    void SetUp() override
    {
        loaded.clear();
        setGammaRampSink(acceptRamp);
    }
    void TearDown() override { setGammaRampSink(nullptr); }
};

TEST_F(Brightness, DefGammaNeverTouchesTheRamp)
{
    for (uint32_t gamma : {0u, 50u, 100u, 200u}) applyBrightness(true, gamma);
    EXPECT_TRUE(loaded.empty());
}

TEST_F(Brightness, SettingLoadsItsRampOnAllChannels)
{
    applyBrightness(false, 100);
    ASSERT_EQ(1u, loaded.size());
    EXPECT_EQ(ramp(0.5f, 0.5f, 0.5f), loaded[0]);

    applyBrightness(false, 400);  // hand-edited: clamped, never a wrapped ramp
    ASSERT_EQ(2u, loaded.size());
    EXPECT_EQ(ramp(MIN_GAMMA_EXPONENT, MIN_GAMMA_EXPONENT, MIN_GAMMA_EXPONENT), loaded[1]);
    EXPECT_GT(loaded[1][255], loaded[1][1]);
}

TEST_F(Brightness, RestoreWithoutAKeptRampLoadsTheIdentityAndDefGammaNothing)
{
    restoreBrightness(true);
    EXPECT_TRUE(loaded.empty());
    applyBrightness(false, 100);
    restoreBrightness(false);
    ASSERT_EQ(2u, loaded.size());
    EXPECT_EQ(ramp(1, 1, 1), loaded[1]);
}

TEST_F(Brightness, SetGammaRampReportsTheSystemsAnswer)
{
    EXPECT_TRUE(setGammaRamp(Vec3(1, 1, 1)));
    setGammaRampSink(refuseRamp);
    EXPECT_FALSE(setGammaRamp(Vec3(1, 1, 1)));
    ASSERT_EQ(2u, loaded.size());
    EXPECT_EQ(ramp(1, 1, 1), loaded[1]);
}

TEST(GammaRampDisplay, RefusedWithoutAWindowAndReported)
{
    // The default receiver is the display: with no main window there is nothing to load into.
    setGammaRampSink(nullptr);
    EXPECT_FALSE(setGammaRamp(Vec3(1, 1, 1)));
    applyBrightness(false, 80);  // refused quietly
}

} // namespace
