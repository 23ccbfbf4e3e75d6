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
    // True when drawing goes to a framebuffer object of a surfaceless context (no pbuffer).
    bool usesFramebuffer() const { return framebuffer_ != 0; }

    // Tests: skip the pbuffer and take the surfaceless framebuffer path that drivers without
    // pbuffers need.
    static void forceFramebufferPath(bool on);

private:
    bool createFramebuffer();
    void destroyFramebuffer();

    void* display_ = nullptr;
    void* surface_ = nullptr;
    void* context_ = nullptr;
    unsigned framebuffer_ = 0;
    unsigned renderbuffers_[2] = {0, 0};  // colour, depth-stencil
    int width_ = 0;
    int height_ = 0;
};

} // namespace qm::platform
