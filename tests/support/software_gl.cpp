// Test helpers: offscreen GL contexts on Mesa's software rasterizer.
#include "tests/support/software_gl.h"

#include "render/extensions.h"

#include <cstdlib>

namespace qm::test {

bool createSoftwareContext(platform::OffscreenContext& context, int width, int height)
{
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    return context.create(width, height);
}

bool createSoftwareContextWithExtensions(platform::OffscreenContext& context, int width, int height)
{
    if (!createSoftwareContext(context, width, height)) return false;
    loadExtensions();
    return true;
}

GLint glInteger(GLenum which)
{
    GLint v = 0;
    glGetIntegerv(which, &v);
    return v;
}

} // namespace qm::test
