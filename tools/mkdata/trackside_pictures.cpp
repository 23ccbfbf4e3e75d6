// The gantry and bridge picture: two sponsor banners in condensed block capitals, the panel of
// red start lights, and painted steel.
#include "tools/mkdata/glyph_painter.h"
#include "tools/mkdata/noise.h"
#include "tools/mkdata/trackside.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace qm {

namespace {

// Whole pixels, so no coverage sampling is needed.
void solid(Image& image, int x0, int y0, int x1, int y1, Colour c)
{
    for (int y = std::max(y0, 0); y < std::min(y1, image.height()); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, image.width()); ++x)
            image.set(x, y, c);
}

// Letters of 5 x 7 blocks, each block w x h pixels, one block apart, centred on (cx, cy); block
// edges fall on whole pixels, so neighbouring blocks join without seams.
void blockText(Image& image, const char* text, float cx, float cy, float w, float h, Colour c)
{
    float width = (float(std::strlen(text)) * 6.0f - 1.0f) * w;
    float x = cx - width / 2.0f, top = cy - 3.5f * h;
    auto px = [](float v) { return int(std::lround(v)); };
    for (const char* p = text; *p; ++p, x += 6.0f * w)
        if (const BlockLetter* l = findBlockLetter(*p))
            for (int r = 0; r < 7; ++r)
                for (int k = 0; k < 5; ++k)
                    if (l->rows[r][k] == '#')
                        solid(image, px(x + float(k) * w), px(top + float(r) * h), px(x + float(k + 1) * w),
                              px(top + float(r + 1) * h), c);
}

// An ellipse with 4 x 4 samples a pixel for smooth edges.
void ellipse(Image& image, float cx, float cy, float rx, float ry, Colour c)
{
    for (int y = int(cy - ry); y <= int(cy + ry) + 1; ++y)
        for (int x = int(cx - rx); x <= int(cx + rx) + 1; ++x) {
            int inside = 0;
            for (int k = 0; k < 16; ++k) {
                float dx = (float(x) + (float(k % 4) + 0.5f) / 4.0f - cx) / rx;
                float dy = (float(y) + (float(k / 4) + 0.5f) / 4.0f - cy) / ry;
                inside += dx * dx + dy * dy <= 1.0f;
            }
            if (inside > 0)
                image.blend(x, y, c, float(inside) / 16.0f);
        }
}

// A banner between rows top and bottom: ground colour, a stripe top and bottom, the name.
void paintBanner(Image& image, int top, int bottom, Colour ground, Colour stripe, Colour ink, const char* name)
{
    const int n = TRACKSIDE_PICTURE_SIZE;
    solid(image, 0, top, n, bottom, {0.12f, 0.12f, 0.13f, 1.0f});   // frame
    solid(image, 0, top + 6, n, bottom - 6, ground);
    solid(image, 0, top + 12, n, top + 20, stripe);
    solid(image, 0, bottom - 20, n, bottom - 12, stripe);
    float cy = float(top + bottom) / 2.0f;
    blockText(image, name, float(n) / 2.0f + 3.0f, cy + 3.0f, 8.4f, 12.0f, scaled(ground, 0.45f));   // drop shadow
    blockText(image, name, float(n) / 2.0f, cy, 8.4f, 12.0f, ink);
}

// Five pairs of lamps lit red on a black panel; the panel is drawn about six times wider than tall.
void paintLights(Image& image, int top, int bottom)
{
    const int n = TRACKSIDE_PICTURE_SIZE;
    solid(image, 0, top, n, bottom, {0.05f, 0.05f, 0.06f, 1.0f});
    solid(image, 4, top + 4, n - 4, bottom - 4, {0.1f, 0.1f, 0.11f, 1.0f});
    float rowH = float(bottom - top) / 2.0f;
    for (int c = 0; c < 5; ++c) {
        int cx = n * (2 * c + 1) / 10;
        solid(image, cx - 34, top + 8, cx + 34, bottom - 8, {0.03f, 0.03f, 0.03f, 1.0f});
        for (int r = 0; r < 2; ++r) {
            float x = float(cx), y = float(top) + rowH * (float(r) + 0.5f);
            // The panel is stretched across on screen, so the lamps are painted narrow.
            ellipse(image, x, y, 26.0f, 20.0f, {0.45f, 0.04f, 0.03f, 1.0f});
            ellipse(image, x, y, 20.0f, 15.0f, {1.0f, 0.16f, 0.1f, 1.0f});
            ellipse(image, x - 6.0f, y - 5.0f, 4.0f, 4.0f, {1.0f, 0.75f, 0.65f, 1.0f});   // highlight
        }
    }
}

// Light grey paint with faint streaks and panel joints every quarter of the width.
void paintSteel(Image& image, int top, int bottom)
{
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < TRACKSIDE_PICTURE_SIZE; ++x) {
            float streak = fractalNoise(float(x) / 32.0f, float(y) / 4.0f, 2, 311, 16);
            float g = 0.78f + 0.08f * (streak - 0.5f) + 0.03f * (hashUnit(x, y, 312) - 0.5f);
            if (x % 128 < 3)
                g *= 0.7f;
            image.set(x, y, {g, g, g * 1.03f, 1.0f});
        }
}

} // namespace

Image paintTrackside()
{
    Image image(TRACKSIDE_PICTURE_SIZE, TRACKSIDE_PICTURE_SIZE, 3);
    paintBanner(image, 0, 160, {0.72f, 0.06f, 0.06f, 1.0f}, {0.96f, 0.8f, 0.1f, 1.0f}, {0.98f, 0.98f, 0.96f, 1.0f},
                "QUILLMARK");
    paintBanner(image, 160, 320, {0.08f, 0.22f, 0.62f, 1.0f}, {0.95f, 0.95f, 0.95f, 1.0f},
                {1.0f, 0.86f, 0.12f, 1.0f}, "SPARK OIL");
    paintLights(image, 320, 416);
    paintSteel(image, 416, 512);
    return image;
}

} // namespace qm
