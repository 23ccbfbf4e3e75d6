// A GL context with an offscreen colour (RGBA8), depth (24) and stencil (8) buffer, no X server needed.
// Used by the headless renderer and by tests; drawing goes to its back buffer, read with glReadPixels.
#pragma once

namespace qm::platform {

class OffscreenContext {
public:
    OffscreenContext() = default;
    OffscreenContext(const OffscreenContext&) = delete;
    OffscreenContext& operator=(const OffscreenContext&) = delete;
    virtual ~OffscreenContext();

    // Creates a compatibility-profile context of width x height and makes it current.
    bool create(int width, int height);
    void makeCurrent();
    void swapBuffers();   // presents; the picture stays readable with glReadPixels until the next frame
    void destroy();
    int width() const { return width_; }
    int height() const { return height_; }

private:
    void* display_ = nullptr;
    void* surface_ = nullptr;
    void* context_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

} // namespace qm::platform
