// Shared checks of the camera tests: vectors and quaternions within a tolerance, and the
// program's random generator modelled independently.
#pragma once
#include "render/quat.h"
#include "render/vec3.h"

#include <gtest/gtest.h>
#include <cmath>
#include <cstdint>

namespace qm::test {

inline ::testing::AssertionResult vecNear(Vec3 a, Vec3 b, float tolerance)
{
    if (std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance && std::fabs(a.z - b.z) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z << ") is not within "
                                         << tolerance << " of (" << b.x << ", " << b.y << ", " << b.z << ")";
}

inline ::testing::AssertionResult quatNear(const Quat& a, const Quat& b, float tolerance)
{
    if (std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance &&
        std::fabs(a.z - b.z) <= tolerance && std::fabs(a.w - b.w) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z << ", " << a.w
                                         << ") is not within " << tolerance << " of (" << b.x << ", " << b.y
                                         << ", " << b.z << ", " << b.w << ")";
}

// The generator's sequence computed on its own: state * 214013 + 2531011, 15 bits from bit 16.
struct ReferenceRandom {
    explicit ReferenceRandom(uint32_t seed) : state(seed) {}
    double next()
    {
        state = state * 214013u + 2531011u;
        return double((state >> 16) & 0x7FFF) / 32767.0;
    }
    int trunc(double scale, double offset = 0.0) { return int(std::trunc(next() * scale - offset)); }
    uint32_t state;
};

} // namespace qm::test

#define EXPECT_VEC_NEAR(a, b, tolerance) EXPECT_TRUE(::qm::test::vecNear((a), (b), (tolerance)))
#define EXPECT_QUAT_NEAR(a, b, tolerance) EXPECT_TRUE(::qm::test::quatNear((a), (b), (tolerance)))
