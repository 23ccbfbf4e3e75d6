// Test helper: a plain X window standing in for a screensaver manager's, with the few looks at the
// display the hack tests need (its pixels, the pointer, the focus, the gamma ramp).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace qm::test {

// What a grab of the window shows: how many pixels are not black, and a checksum to tell two
// pictures apart.
struct PictureSummary {
    bool ok = false;
    int width = 0;
    int height = 0;
    int litPixels = 0;
    uint64_t checksum = 0;
    double litFraction() const { return width > 0 && height > 0 ? double(litPixels) / (double(width) * height) : 0.0; }
};

class HostWindow {
public:
    // A mapped, black, top-level window of this size; ok() says whether the display allowed it.
    // With otherVisual, the window takes a 24-bit TrueColor visual other than the screen's default
    // (ok() is false when the display has none).
    HostWindow(int width, int height, bool otherVisual = false);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    bool ok() const { return window_ != 0; }
    unsigned long id() const { return window_; }
    std::string idText() const;   // 0x hex, as managers pass it
    void resize(int width, int height);
    // How many windows others made inside this one.
    unsigned childCount() const;
    // Destroys the window, as a manager does when its preview closes; the object stays usable for
    // the display queries below.
    void destroy();
    // The window's pixels in the rectangle (the whole window when width is 0).
    PictureSummary grab(int x = 0, int y = 0, int width = 0, int height = 0) const;
    // One pixel as 0xRRGGBB (on a 24-bit TrueColor window).
    uint32_t pixel(int x, int y) const;

    // Pointer position on the root window; false when it cannot be told.
    bool pointer(int& x, int& y) const;
    void movePointer(int x, int y) const;
    // True when this client can grab the pointer: nobody else holds a grab.
    bool pointerGrabbable() const;
    unsigned long focus() const;
    // The first CRTC's gamma ramp, red then green then blue; empty when RandR offers none.
    std::vector<uint16_t> gammaRamp() const;
    bool setGammaRamp(const std::vector<uint16_t>& ramp) const;

private:
    void* display_ = nullptr;
    unsigned long window_ = 0;
};

}
