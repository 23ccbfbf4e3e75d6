// Edge cases of the shared math: Hermite curves, slerp branches, the quaternion spline,
// quaternion to matrix and rotation about an axis.
#include "render/math.h"
#include <gtest/gtest.h>
#include <cmath>
#include <numbers>

namespace {
using namespace qm;

const double DEG = std::numbers::pi / 180.0;

void expectQuatNear(const Quat& expected, const Quat& actual, float tolerance = 1e-6f)
{
    EXPECT_NEAR(expected.x, actual.x, tolerance);
    EXPECT_NEAR(expected.y, actual.y, tolerance);
    EXPECT_NEAR(expected.z, actual.z, tolerance);
    EXPECT_NEAR(expected.w, actual.w, tolerance);
}

void expectVecNear(Vec3 expected, Vec3 actual, float tolerance = 1e-6f)
{
    EXPECT_NEAR(expected.x, actual.x, tolerance);
    EXPECT_NEAR(expected.y, actual.y, tolerance);
    EXPECT_NEAR(expected.z, actual.z, tolerance);
}

Quat unitQuat(float x, float y, float z, float w)
{
    float l = std::sqrt(x * x + y * y + z * z + w * w);
    return {x / l, y / l, z / l, w / l};
}

TEST(Hermite, EndsAreExactForAnyTangents)
{
    const float p0 = 3.7f, p1 = -12.25f, m0 = 101.5f, m1 = -0.3f;
    EXPECT_EQ(p0, hermite(p0, p1, m0, m1, 0.0f));
    EXPECT_EQ(p1, hermite(p0, p1, m0, m1, 1.0f));
    EXPECT_FLOAT_EQ(m0, hermiteDerivative(p0, p1, m0, m1, 0.0f));
    EXPECT_FLOAT_EQ(m1, hermiteDerivative(p0, p1, m0, m1, 1.0f));
}

TEST(Hermite, EaseAndStraightLine)
{
    EXPECT_FLOAT_EQ(5.0f, hermite(0.0f, 10.0f, 0.0f, 0.0f, 0.5f));
    EXPECT_FLOAT_EQ(15.0f, hermiteDerivative(0.0f, 10.0f, 0.0f, 0.0f, 0.5f));
    EXPECT_FLOAT_EQ(2.5f, hermite(0.0f, 10.0f, 10.0f, 10.0f, 0.25f));
    EXPECT_FLOAT_EQ(10.0f, hermiteDerivative(0.0f, 10.0f, 10.0f, 10.0f, 0.7f));
}

TEST(Hermite, VectorFormIsPerComponentInArgumentOrder)
{
    // The arguments are p0, p1, m0, m1: a swap of p1 and m0 would show here.
    Vec3 p0(0, 1, -2), p1(10, 3, 4), m0(0, 5, 1), m1(10, -1, 2);
    for (float t : {0.0f, 0.3f, 0.5f, 1.0f}) {
        Vec3 v = hermite(p0, p1, m0, m1, t);
        Vec3 d = hermiteDerivative(p0, p1, m0, m1, t);
        EXPECT_EQ(hermite(p0.x, p1.x, m0.x, m1.x, t), v.x);
        EXPECT_EQ(hermite(p0.y, p1.y, m0.y, m1.y, t), v.y);
        EXPECT_EQ(hermite(p0.z, p1.z, m0.z, m1.z, t), v.z);
        EXPECT_EQ(hermiteDerivative(p0.z, p1.z, m0.z, m1.z, t), d.z);
    }
    expectVecNear(p1, hermite(p0, p1, m0, m1, 1.0f), 0.0f);
}

TEST(Hermite, DerivativeMatchesFiniteDifference)
{
    const float p0 = 1, p1 = 4, m0 = -3, m1 = 7;
    for (float t : {0.1f, 0.5f, 0.9f}) {
        double h = 1e-3;
        double numeric = (hermite(p0, p1, m0, m1, float(t + h)) - hermite(p0, p1, m0, m1, float(t - h))) /
                         (2 * h);
        EXPECT_NEAR(numeric, hermiteDerivative(p0, p1, m0, m1, t), 1e-2);
    }
}

TEST(Slerp, QuarterTurnHalfway)
{
    Quat a(0, 0, 0, 1);
    Quat b(0, 0, float(std::sin(45 * DEG)), float(std::cos(45 * DEG)));
    expectQuatNear(Quat(0, 0, float(std::sin(22.5 * DEG)), float(std::cos(22.5 * DEG))),
                   slerp(a, b, 0.5f));
}

TEST(Slerp, NegatedTargetTakesShortArc)
{
    Quat a = unitQuat(0.1f, 0.7f, -0.2f, 0.6f);
    Quat minusA(-a.x, -a.y, -a.z, -a.w);
    for (float t : {0.0f, 0.25f, 0.5f, 1.0f, 2.0f})
        expectQuatNear(a, slerp(a, minusA, t));

    // Against the negated form of a nearby rotation the result is the same as against the rotation.
    Quat b = unitQuat(0.3f, 0.5f, 0.1f, 0.8f);
    Quat minusB(-b.x, -b.y, -b.z, -b.w);
    expectQuatNear(slerp(a, b, 0.4f), slerp(a, minusB, 0.4f));
    expectQuatNear(b, slerp(a, b, 1.0f));
    expectQuatNear(b, slerp(a, minusB, 1.0f));
}

TEST(Slerp, EndpointsAndReflectionInSphericalBranch)
{
    Quat a = unitQuat(0.0f, 0.0f, 0.0f, 1.0f);
    Quat b = unitQuat(0.2f, -0.4f, 0.3f, 0.8f);
    double c = double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z + double(a.w) * b.w;
    expectQuatNear(a, slerp(a, b, 0.0f));
    expectQuatNear(b, slerp(a, b, 1.0f));
    Quat reflected(float(2 * c * a.x - b.x), float(2 * c * a.y - b.y), float(2 * c * a.z - b.z),
                   float(2 * c * a.w - b.w));
    expectQuatNear(reflected, slerp(a, b, -1.0f), 1e-5f);
}

// b = (0, 0, 0, w) against a = (0, 0, 0, 1) has the cosine w exactly. The float nearest 0.9999 lies
// just below it (1 - c just above the threshold: spherical); the next float up is linear.
TEST(Slerp, LinearBlendSwitchesExactlyAtThreshold)
{
    struct Case {
        float w;
        bool linear;
    };
    const float nearest = float(1.0 - SLERP_LINEAR_THRESHOLD);
    ASSERT_GT(1.0 - double(nearest), SLERP_LINEAR_THRESHOLD);
    const Case cases[] = {
        {1.0f, true},
        {0.99995f, true},
        {std::nextafter(nearest, 2.0f), true},
        {nearest, false},
        {0.9f, false},
        {0.5f, false},
    };
    const float t = 0.25f;
    Quat a(0, 0, 0, 1);
    for (const Case& k : cases) {
        double linearW = (1.0 - t) + t * double(k.w);
        double omega = std::acos(double(k.w));
        double sphericalW = k.w == 1.0f ? linearW
            : (std::sin((1.0 - t) * omega) + std::sin(t * omega) * k.w) / std::sin(omega);
        if (k.w != 1.0f) {
            ASSERT_GT(std::fabs(sphericalW - linearW), 1e-6) << "case cannot tell";
        }
        float r = slerp(a, Quat(0, 0, 0, k.w), t).w;
        EXPECT_FLOAT_EQ(float(k.linear ? linearW : sphericalW), r) << "w=" << k.w;
    }
}

TEST(QuatSpline, EndsAndCollinearControls)
{
    Quat q0 = unitQuat(0, 0, 0, 1);
    Quat q1 = unitQuat(0, 0, 0.6f, 0.8f);
    Quat c0 = unitQuat(0.3f, 0.1f, 0.2f, 0.9f);
    Quat c1 = unitQuat(-0.2f, 0.4f, 0.5f, 0.7f);
    expectQuatNear(q0, quatSpline(q0, q1, c0, c1, 0.0f));
    expectQuatNear(q1, quatSpline(q0, q1, c0, c1, 1.0f));

    // Controls on the great arc from q0 to q1 keep the curve on that arc: rotations about z only.
    Quat a = slerp(q0, q1, 1.0f / 3.0f), b = slerp(q0, q1, 2.0f / 3.0f);
    Quat mid = quatSpline(q0, q1, a, b, 0.5f);
    EXPECT_NEAR(0.0f, mid.x, 1e-6f);
    EXPECT_NEAR(0.0f, mid.y, 1e-6f);
    expectQuatNear(slerp(q0, q1, 0.5f), mid, 1e-5f);
}

TEST(QuatToMatrix, IdentityAndZero)
{
    const Quat quats[] = {Quat(0, 0, 0, 1), Quat(0, 0, 0, 0)};
    for (const Quat& q : quats) {
        GLMatrix m = quatToMatrix(q);
        GLMatrix id = GLMatrix::identity();
        for (int i = 0; i < 16; ++i) EXPECT_EQ(id[i], m[i]) << "element " << i;
    }
}

TEST(QuatToMatrix, RowsAreTheRotatedAxes)
{
    // 90 degrees about z maps x onto y and leaves z alone.
    Quat q(0, 0, float(std::sin(45 * DEG)), float(std::cos(45 * DEG)));
    GLMatrix m = quatToMatrix(q);
    expectVecNear(Vec3(0, 1, 0), Vec3(m[0], m[4], m[8]));
    expectVecNear(Vec3(0, 0, 1), Vec3(m[2], m[6], m[10]));
    EXPECT_EQ(0.0f, m[3]);
    EXPECT_EQ(0.0f, m[12]);
    EXPECT_EQ(1.0f, m[15]);

    // 90 degrees about x maps z onto -y.
    Quat qx(float(std::sin(45 * DEG)), 0, 0, float(std::cos(45 * DEG)));
    GLMatrix mx = quatToMatrix(qx);
    expectVecNear(Vec3(0, -1, 0), Vec3(mx[2], mx[6], mx[10]));
    expectVecNear(Vec3(1, 0, 0), Vec3(mx[0], mx[4], mx[8]));
}

TEST(RotateAboutAxis, RotatesByMinusTheAngle)
{
    struct Case {
        Vec3 v;
        float angle;
        Vec3 axis;
        Vec3 expected;
    };
    const Case cases[] = {
        {{1, 0, 0}, 90, {0, 0, 1}, {0, -1, 0}},
        {{1, 0, 0}, -90, {0, 0, 1}, {0, 1, 0}},
        {{0, 1, 0}, 90, {1, 0, 0}, {0, 0, -1}},
        {{1, 0, 0}, 90, {0, 0, 5}, {0, -1, 0}},      // the axis is normalised
        {{2, 3, 4}, 360, {1, 1, 0}, {2, 3, 4}},
        {{0, 0, 7}, 45, {0, 0, 1}, {0, 0, 7}},       // along the axis: unchanged
        {{1, 2, 3}, 30, {0, 0, 0}, {1, 2, 3}},       // zero axis: unchanged, no NaN
    };
    for (const Case& k : cases) {
        Vec3 v = k.v;
        rotateAboutAxis(v, k.angle, k.axis);
        expectVecNear(k.expected, v, 1e-5f);
    }
}

TEST(Vec3, NormalizedAndLength)
{
    EXPECT_FLOAT_EQ(5.0f, length(Vec3(3, 4, 0)));
    expectVecNear(Vec3(0.6f, 0.8f, 0), normalized(Vec3(3, 4, 0)));
    expectVecNear(Vec3(0, 0, 0), normalized(Vec3(0, 0, 0)), 0.0f);
    expectVecNear(Vec3(1, 0, 0), cross(Vec3(0, 1, 0), Vec3(0, 0, 1)));  // forward x up = right
}

} // namespace
