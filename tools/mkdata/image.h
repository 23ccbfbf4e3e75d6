// A picture being painted: float colour per pixel, rows from the top, with a few shape painters.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qm {

struct Colour {
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 1.0f;
};

Colour mix(Colour a, Colour b, float t);
Colour scaled(Colour c, float s);   // colour times s, alpha kept

struct Point2 {
    float x, y;
};

class Image {
public:
    // channels is 3 (RGB) or 4 (RGBA); every pixel starts black and, with 4 channels, transparent.
    Image(int width, int height, int channels);
    virtual ~Image() = default;

    int width() const { return width_; }
    int height() const { return height_; }
    int channels() const { return channels_; }

    Colour get(int x, int y) const { return pixels_[index(x, y)]; }
    void set(int x, int y, Colour c) { pixels_[index(x, y)] = c; }
    void fill(Colour c);
    // Paints c over the pixel with the given share (0 to 1) of its alpha.
    void blend(int x, int y, Colour c, float coverage);

    // Shapes in pixel coordinates (x to the right, y down), anti-aliased by 4 x 4 samples per pixel.
    void fillConvex(const std::vector<Point2>& polygon, Colour c);
    void fillRect(float x0, float y0, float x1, float y1, Colour c);
    void fillDisc(float cx, float cy, float radius, Colour c);

    // 8-bit components, rows from the top, channels() bytes per pixel.
    std::vector<uint8_t> bytes() const;

private:
    int width_, height_, channels_;
    std::vector<Colour> pixels_;

    size_t index(int x, int y) const { return size_t(y) * size_t(width_) + size_t(x); }
    template <class Inside> void fillCovered(float x0, float y0, float x1, float y1, Colour c, Inside inside);
};

} // namespace qm
