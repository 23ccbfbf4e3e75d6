// The overlay pictures: the loading picture and the digit glyph grid.
#include "tools/mkdata/artwork.h"
#include "tools/mkdata/glyph_painter.h"
#include "tools/mkdata/image_codec.h"

#include <cmath>

namespace qm {

namespace {

constexpr int GLYPH_GRID = 4;
constexpr int GLYPH_CELL = 64;

// Dark blue backdrop, a lighter band behind the word and a thin accent line under it.
Image paintLoadingPicture()
{
    Image image(256, 64, 3);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            float v = float(y) / float(image.height() - 1);
            float band = std::exp(-std::pow((v - 0.5f) * 3.2f, 2.0f));
            image.set(x, y, {0.02f + 0.05f * band, 0.03f + 0.07f * band, 0.07f + 0.14f * band, 1.0f});
        }
    GlyphPainter painter(image);
    const char* word = "LOADING";
    float block = 4.6f, gap = 1.2f;
    float width = GlyphPainter::textWidth(word, block, gap);
    float x = (float(image.width()) - width) * 0.5f, y = (float(image.height()) - 7.0f * block) * 0.5f - 2.0f;
    painter.text(word, x + 1.5f, y + 1.5f, block, gap, {0.0f, 0.0f, 0.0f, 0.6f}, {0.0f, 0.0f, 0.0f, 0.6f});
    painter.text(word, x, y, block, gap, {1.0f, 1.0f, 1.0f, 1.0f}, {0.55f, 0.75f, 1.0f, 1.0f});
    image.fillRect(x, y + 7.0f * block + 4.0f, x + width, y + 7.0f * block + 5.5f, {0.95f, 0.55f, 0.1f, 1.0f});
    return image;
}

// Paints one glyph into its cell twice: a wide dim halo, then the bright core.
void paintGlyph(GlyphPainter& painter, int glyph, float x, float y)
{
    const Colour halo{0.25f, 0.3f, 0.35f, 1.0f}, core{1.0f, 1.0f, 1.0f, 1.0f};
    float gx = x + 14.0f, gy = y + 8.0f, gw = 36.0f, gh = 48.0f;
    for (int pass = 0; pass < 2; ++pass) {
        float grow = pass == 0 ? 2.5f : 0.0f;
        Colour c = pass == 0 ? halo : core;
        if (glyph < 10) {
            painter.digit(glyph, gx - grow, gy - grow, gw + 2 * grow, gh + 2 * grow, 6.5f + 2 * grow, c);
        } else if (glyph == 10) {
            painter.colon(gx, gy, gw, gh, 7.0f + 2 * grow, c);
        } else if (pass == 1) {
            const char* mark = glyph == 11 ? "AM" : "PM";
            float block = 3.4f, gap = 1.0f;
            float w = GlyphPainter::textWidth(mark, block, gap);
            painter.text(mark, x + (GLYPH_CELL - w) * 0.5f, y + (GLYPH_CELL - 7.0f * block) * 0.5f,
                         block, gap, c, c);
        }
    }
}

// 4 x 4 cells of 64 pixels; glyph i in column i mod 4, row i div 4 from the top; light on black.
Image paintGlyphGrid()
{
    Image image(GLYPH_GRID * GLYPH_CELL, GLYPH_GRID * GLYPH_CELL, 3);
    GlyphPainter painter(image);
    for (int glyph = 0; glyph <= 12; ++glyph)
        paintGlyph(painter, glyph, float((glyph % GLYPH_GRID) * GLYPH_CELL), float((glyph / GLYPH_GRID) * GLYPH_CELL));
    return image;
}

} // namespace

void addOverlayTextures(DataSet& set)
{
    addJpegTexture(set, "load.jpg", paintLoadingPicture());
    addJpegTexture(set, "c.jpg", paintGlyphGrid());
}

} // namespace qm
