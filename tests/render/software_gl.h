// Test helper: an offscreen GL context on Mesa's software rasterizer, current on this thread.
#pragma once
#include "platform/offscreen_context.h"
#include <cstdlib>

namespace qm::test {

// The variable must be set before the driver loads, so before the first context is created.
inline bool createSoftwareContext(platform::OffscreenContext& context, int width, int height)
{
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    return context.create(width, height);
}

} // namespace qm::test
