// The gantry and bridge picture: two sponsor banners in condensed block capitals, the panel of
// red start lights, and painted steel.
#include "tools/mkdata/noise.h"
#include "tools/mkdata/trackside.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace qm {

namespace {

struct BannerLetter {
    char letter;
    const char* rows[7];
};

constexpr BannerLetter BANNER_LETTERS[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'I', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "#####"}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
    {'Q', {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
};

// Letters of 5 x 7 blocks, each block w x h pixels, one block apart, centred on (cx, cy).
void blockText(Image& image, const char* text, float cx, float cy, float w, float h, Colour c)
{
    float width = (float(std::strlen(text)) * 6.0f - 1.0f) * w;
    float x = cx - width / 2.0f, top = cy - 3.5f * h;
    for (const char* p = text; *p; ++p, x += 6.0f * w)
        for (const BannerLetter& l : BANNER_LETTERS)
            if (l.letter == *p)
                for (int r = 0; r < 7; ++r)
                    for (int k = 0; k < 5; ++k)
                        if (l.rows[r][k] == '#')
                            image.fillRect(x + float(k) * w, top + float(r) * h, x + float(k + 1) * w,
                                           top + float(r + 1) * h, c);
}

// A banner between rows top and bottom: ground colour, a stripe top and bottom, the name.
void paintBanner(Image& image, int top, int bottom, Colour ground, Colour stripe, Colour ink, const char* name)
{
    const float n = float(TRACKSIDE_PICTURE_SIZE), t = float(top), b = float(bottom);
    image.fillRect(0, t, n, b, {0.12f, 0.12f, 0.13f, 1.0f});   // frame
    image.fillRect(0, t + 6, n, b - 6, ground);
    image.fillRect(0, t + 12, n, t + 20, stripe);
    image.fillRect(0, b - 20, n, b - 12, stripe);
    float cy = (t + b) / 2.0f;
    blockText(image, name, n / 2.0f + 3.0f, cy + 3.0f, 8.4f, 12.0f, scaled(ground, 0.45f));   // drop shadow
    blockText(image, name, n / 2.0f, cy, 8.4f, 12.0f, ink);
}

// Five pairs of lamps lit red on a black panel; the panel is drawn about six times wider than tall.
void paintLights(Image& image, int top, int bottom)
{
    const float n = float(TRACKSIDE_PICTURE_SIZE), t = float(top), b = float(bottom);
    image.fillRect(0, t, n, b, {0.05f, 0.05f, 0.06f, 1.0f});
    image.fillRect(4, t + 4, n - 4, b - 4, {0.1f, 0.1f, 0.11f, 1.0f});
    float rowH = (b - t) / 2.0f;
    for (int c = 0; c < 5; ++c) {
        float cx = n * (float(c) + 0.5f) / 5.0f;
        image.fillRect(cx - 34.0f, t + 8.0f, cx + 34.0f, b - 8.0f, {0.03f, 0.03f, 0.03f, 1.0f});
        for (int r = 0; r < 2; ++r) {
            float cy = t + rowH * (float(r) + 0.5f);
            // The panel is stretched across on screen, so the lamps are painted narrow.
            std::vector<Point2> glow, lamp;
            for (int k = 0; k < 24; ++k) {
                float a = float(k) * 6.2831853f / 24.0f;
                glow.push_back({cx + 26.0f * std::cos(a), cy + 20.0f * std::sin(a)});
                lamp.push_back({cx + 20.0f * std::cos(a), cy + 15.0f * std::sin(a)});
            }
            image.fillConvex(glow, {0.45f, 0.04f, 0.03f, 1.0f});
            image.fillConvex(lamp, {1.0f, 0.16f, 0.1f, 1.0f});
            image.fillDisc(cx - 6.0f, cy - 5.0f, 4.0f, {1.0f, 0.75f, 0.65f, 1.0f});   // highlight
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
