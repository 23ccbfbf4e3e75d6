// Test helpers: offscreen GL contexts on Mesa's software rasterizer, current on this thread, and a
// test suite base that draws on one for all its tests.
#pragma once
#include "platform/offscreen_context.h"
#include "render/gl.h"

#include <gtest/gtest.h>

namespace qm::test {

// LIBGL_ALWAYS_SOFTWARE must be set before the driver loads, so before the first context.
bool createSoftwareContext(platform::OffscreenContext& context, int width, int height);
// The same, with the extension entry points loaded as the program loads them.
bool createSoftwareContextWithExtensions(platform::OffscreenContext& context, int width, int height);

// One integer of GL state, read back with glGetIntegerv.
GLint glInteger(GLenum which);

// Base of a suite whose tests draw on one WIDTH x HEIGHT context with the extensions loaded,
// made before the first test and destroyed after the last.
template <int WIDTH, int HEIGHT>
class SoftwareGLTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(createSoftwareContextWithExtensions(context(), WIDTH, HEIGHT)); }
    static void TearDownTestSuite() { context().destroy(); }
    static platform::OffscreenContext& context()
    {
        static platform::OffscreenContext c;
        return c;
    }
};

} // namespace qm::test
