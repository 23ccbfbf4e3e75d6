#include "tools/mkdata/image.h"

#include <algorithm>
#include <cmath>

namespace qm {

Colour mix(Colour a, Colour b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Colour scaled(Colour c, float s) { return {c.r * s, c.g * s, c.b * s, c.a}; }

Image::Image(int width, int height, int channels)
    : width_(width), height_(height), channels_(channels),
      pixels_(size_t(width) * size_t(height), Colour{0.0f, 0.0f, 0.0f, channels == 4 ? 0.0f : 1.0f})
{
}

void Image::fill(Colour c) { std::fill(pixels_.begin(), pixels_.end(), c); }

void Image::blend(int x, int y, Colour c, float coverage)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    Colour& p = pixels_[index(x, y)];
    float t = std::clamp(coverage * c.a, 0.0f, 1.0f);
    float a = p.a + (1.0f - p.a) * t;
    p = {p.r + (c.r - p.r) * t, p.g + (c.g - p.g) * t, p.b + (c.b - p.b) * t, a};
}

template <class Inside>
void Image::fillCovered(float x0, float y0, float x1, float y1, Colour c, Inside inside)
{
    constexpr int SUB = 4;
    int px0 = std::max(0, int(std::floor(x0))), py0 = std::max(0, int(std::floor(y0)));
    int px1 = std::min(width_ - 1, int(std::ceil(x1))), py1 = std::min(height_ - 1, int(std::ceil(y1)));
    for (int y = py0; y <= py1; ++y)
        for (int x = px0; x <= px1; ++x) {
            int hits = 0;
            for (int sy = 0; sy < SUB; ++sy)
                for (int sx = 0; sx < SUB; ++sx)
                    hits += inside(float(x) + (float(sx) + 0.5f) / SUB, float(y) + (float(sy) + 0.5f) / SUB);
            if (hits > 0)
                blend(x, y, c, float(hits) / (SUB * SUB));
        }
}

void Image::fillConvex(const std::vector<Point2>& polygon, Colour c)
{
    if (polygon.size() < 3)
        return;
    float x0 = polygon[0].x, x1 = x0, y0 = polygon[0].y, y1 = y0;
    for (const Point2& p : polygon) {
        x0 = std::min(x0, p.x); x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y); y1 = std::max(y1, p.y);
    }
    // Inside when the point lies on the same side of every edge, whichever way the polygon winds.
    fillCovered(x0, y0, x1, y1, c, [&](float x, float y) {
        bool negative = false, positive = false;
        for (size_t i = 0; i < polygon.size(); ++i) {
            Point2 a = polygon[i], b = polygon[(i + 1) % polygon.size()];
            float side = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
            negative |= side < 0.0f;
            positive |= side > 0.0f;
        }
        return !(negative && positive);
    });
}

void Image::fillRect(float x0, float y0, float x1, float y1, Colour c)
{
    fillConvex({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}, c);
}

void Image::fillDisc(float cx, float cy, float radius, Colour c)
{
    float r2 = radius * radius;
    fillCovered(cx - radius, cy - radius, cx + radius, cy + radius, c, [&](float x, float y) {
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r2;
    });
}

std::vector<uint8_t> Image::bytes() const
{
    std::vector<uint8_t> out;
    out.reserve(pixels_.size() * size_t(channels_));
    auto byte = [](float v) { return uint8_t(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
    for (const Colour& p : pixels_) {
        out.push_back(byte(p.r));
        out.push_back(byte(p.g));
        out.push_back(byte(p.b));
        if (channels_ == 4)
            out.push_back(byte(p.a));
    }
    return out;
}

} // namespace qm
