// The offscreen context: a fixed-function compatibility GL on Mesa whose picture reads back.
#include "platform/gl_proc.h"
#include "platform/gl_surface.h"
#include "platform/offscreen_context.h"
#include "render/gl.h"
#include "tests/support/software_gl.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>

namespace {
using namespace qm;

std::string glText(GLenum name)
{
    const GLubyte* s = glGetString(name);
    return s ? reinterpret_cast<const char*>(s) : "";
}

TEST(OffscreenContext, CompatibilityProfileWithRequestedBuffers)
{
    platform::OffscreenContext context;
    ASSERT_TRUE(test::createSoftwareContext(context, 96, 48));
    EXPECT_EQ(96, context.width());
    EXPECT_EQ(48, context.height());
    EXPECT_FALSE(glText(GL_RENDERER).empty());
    EXPECT_FALSE(glText(GL_VERSION).empty());
    EXPECT_NE(std::string::npos, glText(GL_EXTENSIONS).find("GL_ARB_multitexture"));

    GLint bits[6] = {};
    const GLenum names[6] = {GL_RED_BITS, GL_GREEN_BITS, GL_BLUE_BITS, GL_ALPHA_BITS,
                             GL_DEPTH_BITS, GL_STENCIL_BITS};
    for (int i = 0; i < 6; ++i) glGetIntegerv(names[i], &bits[i]);
    EXPECT_EQ(8, bits[0]);
    EXPECT_EQ(8, bits[1]);
    EXPECT_EQ(8, bits[2]);
    EXPECT_EQ(8, bits[3]);
    EXPECT_GE(bits[4], 24);
    EXPECT_EQ(8, bits[5]);
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());  // the fixed-function queries above are legal
}

// Both ways of drawing offscreen: the pbuffer Mesa offers, and the framebuffer object of a
// surfaceless context that drivers without pbuffers get.
class OffscreenPath : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { platform::OffscreenContext::forceFramebufferPath(GetParam()); }
    void TearDown() override { platform::OffscreenContext::forceFramebufferPath(false); }
};

TEST_P(OffscreenPath, DrawingReadsBackAfterSwap)
{
    platform::OffscreenContext context;
    ASSERT_TRUE(test::createSoftwareContext(context, 32, 32));
    EXPECT_EQ(GetParam(), context.usesFramebuffer());
    GLint depthBits = 0, stencilBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
    EXPECT_GE(depthBits, 24);
    EXPECT_EQ(8, stencilBits);
    glViewport(0, 0, 32, 32);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(0, 1, 0);
    glRectf(-1, -1, 0, 1);  // the left half
    platform::swapCurrentBuffers();
    GLubyte left[4] = {}, right[4] = {};
    glReadPixels(2, 16, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, left);
    glReadPixels(30, 16, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, right);
    EXPECT_EQ(0, left[0]) << int(left[0]) << "," << int(left[1]) << "," << int(left[2]);
    EXPECT_EQ(255, left[1]);
    EXPECT_EQ(0, left[2]);
    EXPECT_EQ(0, right[1]);
    EXPECT_EQ(255, right[2]);

    // Depth testing works on the buffer: a farther quad drawn later stays hidden.
    glEnable(GL_DEPTH_TEST);
    glClear(GL_DEPTH_BUFFER_BIT);
    glColor3f(1, 0, 0);
    glBegin(GL_QUADS);
    for (float z : {-0.5f, 0.5f}) {
        if (z > 0) glColor3f(1, 1, 1);
        glVertex3f(-1, -1, z);
        glVertex3f(1, -1, z);
        glVertex3f(1, 1, z);
        glVertex3f(-1, 1, z);
    }
    glEnd();
    glReadPixels(16, 16, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, left);
    EXPECT_EQ(255, left[0]);
    EXPECT_EQ(0, left[1]);
    glDisable(GL_DEPTH_TEST);
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

INSTANTIATE_TEST_SUITE_P(Paths, OffscreenPath, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Framebuffer" : "Pbuffer"; });

TEST(OffscreenContext, SecondContextAndRecreate)
{
    platform::OffscreenContext a, b;
    ASSERT_TRUE(test::createSoftwareContext(a, 16, 16));
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    ASSERT_TRUE(b.create(8, 8));
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    a.makeCurrent();
    GLubyte pixel[4] = {};
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(255, pixel[0]);
    b.destroy();
    EXPECT_EQ(0, b.width());
    ASSERT_TRUE(b.create(4, 4));  // after destroy, usable again
    EXPECT_EQ(4, b.width());
}

TEST(OffscreenContext, RejectsEmptySize)
{
    platform::OffscreenContext context;
    EXPECT_FALSE(context.create(0, 10));
    EXPECT_FALSE(context.create(10, -1));
    context.swapBuffers();  // harmless without a surface
    context.makeCurrent();
}

TEST(OffscreenContext, ProcLookupFindsCoreAndExtensionEntryPoints)
{
    platform::OffscreenContext context;
    ASSERT_TRUE(test::createSoftwareContext(context, 8, 8));
    EXPECT_NE(nullptr, platform::getGLProcAddress("glActiveTextureARB"));
    EXPECT_NE(nullptr, platform::getGLProcAddress("glMultiTexCoord2fvARB"));
    EXPECT_EQ(nullptr, platform::getGLProcAddress(nullptr));
}

} // namespace
