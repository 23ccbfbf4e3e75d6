// Frustum extraction and the box and sphere tests, including the exact boundary cases.
#include "render/frustum.h"
#include "render/gl.h"
#include "tests/support/software_gl.h"

#include <gtest/gtest.h>

#include <array>

namespace {
using namespace qm;

const float IDENTITY[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

Frustum identityFrustum()
{
    Frustum f;
    f.extractFrom(IDENTITY, IDENTITY);
    return f;
}

TEST(FrustumTest, IdentityGivesTheUnitCubeInPlaneOrder)
{
    const Frustum f = identityFrustum();
    const float expected[6][4] = {
        {-1, 0, 0, 1},  // right: x <= 1
        {1, 0, 0, 1},   // left
        {0, 1, 0, 1},   // bottom
        {0, -1, 0, 1},  // top
        {0, 0, -1, 1},  // far: z <= 1
        {0, 0, 1, 1},   // near
    };
    for (int i = 0; i < 6; ++i)
        for (int k = 0; k < 4; ++k) {
            EXPECT_FLOAT_EQ(f.planes[i][k], expected[i][k]) << "plane " << i;
            EXPECT_FLOAT_EQ(f.absPlanes[i][k], std::fabs(expected[i][k]));
        }
}

TEST(FrustumTest, PlanesAreNormalised)
{
    // A projection that scales x by 4 makes the raw side planes 4 times longer.
    const float projection[16] = {4, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    Frustum f;
    f.extractFrom(projection, IDENTITY);
    // Divided by the length of (a, b, c) only: (-4, 0, 0, 1) / 4.
    EXPECT_FLOAT_EQ(f.planes[0][0], -1.0f);
    EXPECT_FLOAT_EQ(f.planes[0][3], 0.25f);
    EXPECT_TRUE(f.boxVisible({0.25f, 0, 0}, {0, 0, 0}));
    EXPECT_FALSE(f.boxVisible({0.26f, 0, 0}, {0, 0, 0}));
}

TEST(FrustumTest, BoxBoundaries)
{
    const Frustum f = identityFrustum();
    struct Case {
        const char* name;
        Vec3 centre;
        Vec3 half;
        bool visible;
    };
    const Case cases[] = {
        {"inside", {0, 0, 0}, {0.1f, 0.1f, 0.1f}, true},
        {"centre exactly on the right plane", {1, 0, 0}, {0, 0, 0}, true},
        {"nearest corner touches the right plane from outside", {1.5f, 0, 0}, {0.5f, 0.5f, 0.5f}, true},
        {"just beyond the right plane", {1.5f, 0, 0}, {0.49f, 0.5f, 0.5f}, false},
        {"beyond the top plane", {0, 3, 0}, {1, 1, 1}, false},
        {"beyond the far plane", {0, 0, 2.5f}, {1, 1, 1}, false},
        {"straddling the near plane", {0, 0, -1.5f}, {1, 1, 1}, true},
        {"overlapping the corner region", {1.8f, 1.8f, 0}, {1, 1, 1}, true},
    };
    for (const Case& c : cases) EXPECT_EQ(f.boxVisible(c.centre, c.half), c.visible) << c.name;
}

TEST(FrustumTest, SphereBoundaries)
{
    const Frustum f = identityFrustum();
    EXPECT_FALSE(f.sphereVisible({1.5f, 0, 0}, 0.5f)) << "centre at exactly -radius";
    EXPECT_TRUE(f.sphereVisible({1.49f, 0, 0}, 0.5f));
    EXPECT_TRUE(f.sphereVisible({0, 0, 0}, 0.0f));
    EXPECT_FALSE(f.sphereVisible({0, -3, 0}, 1.0f));
    EXPECT_FALSE(f.sphereVisible({0, 0, 1}, 0.0f)) << "on the far plane with radius 0: distance 0 <= -0";
}

TEST(FrustumTest, ExtractReadsTheGlMatrices)
{
    platform::OffscreenContext context;
    ASSERT_TRUE(test::createSoftwareContextWithExtensions(context, 16, 16));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60, 4.0 / 3.0, 0.1, 500);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, -10, 2, 0, 0, 2, 0, 0, 1);
    float p[16], m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    Frustum fromGl, fromMatrices;
    fromGl.extract();
    fromMatrices.extractFrom(p, m);
    for (int i = 0; i < 6; ++i)
        for (int k = 0; k < 4; ++k) EXPECT_FLOAT_EQ(fromGl.planes[i][k], fromMatrices.planes[i][k]);
    EXPECT_TRUE(fromGl.sphereVisible({0, 0, 2}, 0.5f)) << "ahead of the eye";
    EXPECT_FALSE(fromGl.sphereVisible({0, -20, 2}, 0.5f)) << "behind the eye";
    EXPECT_FALSE(fromGl.boxVisible({0, 600, 2}, {1, 1, 1})) << "beyond the far plane";
    EXPECT_FALSE(fromGl.boxVisible({100, 0, 2}, {1, 1, 1})) << "far to the right";
    EXPECT_TRUE(fromGl.boxVisible({100, 0, 2}, {95, 1, 1})) << "reaching into view";
}

} // namespace
