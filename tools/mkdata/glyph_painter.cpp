#include "tools/mkdata/glyph_painter.h"

#include <cmath>
#include <cstring>

namespace qm {

namespace {

// Segments a (top), b (top right), c (bottom right), d (bottom), e (bottom left), f (top left),
// g (middle), as bits 0..6.
constexpr unsigned char DIGIT_SEGMENTS[10] = {
    0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F,
};

constexpr float SLANT = 0.1f;   // digits lean right by this share of their height

// Block capitals and bold digits: the overlay's words, the car liveries and the trackside banners.
constexpr BlockLetter BLOCK_LETTERS[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
    {'C', {".####", "#....", "#....", "#....", "#....", "#....", ".####"}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
    {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"}},
    {'I', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "#####"}},
    {'J', {"..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
    {'Q', {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"}},
    {'Z', {"#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"}},
    {'0', {".###.", "##.##", "##.##", "##.##", "##.##", "##.##", ".###."}},
    {'1', {".##..", "###..", ".##..", ".##..", ".##..", ".##..", "####."}},
    {'2', {".###.", "##.##", "...##", "..##.", ".##..", "##...", "#####"}},
    {'3', {"####.", "...##", "...##", ".###.", "...##", "...##", "####."}},
    {'4', {"...##", "..###", ".#.##", "#..##", "#####", "...##", "...##"}},
    {'5', {"#####", "##...", "####.", "...##", "...##", "##.##", ".###."}},
    {'6', {".###.", "##...", "####.", "##.##", "##.##", "##.##", ".###."}},
    {'7', {"#####", "...##", "..##.", "..##.", ".##..", ".##..", ".##.."}},
    {'8', {".###.", "##.##", "##.##", ".###.", "##.##", "##.##", ".###."}},
    {'9', {".###.", "##.##", "##.##", ".####", "...##", "...##", ".###."}},
};

} // namespace

const BlockLetter* findBlockLetter(char c)
{
    for (const BlockLetter& b : BLOCK_LETTERS)
        if (b.letter == c)
            return &b;
    return nullptr;
}

void GlyphPainter::segment(Point2 from, Point2 to, float thickness, Colour c, float slant, float pivotY)
{
    float dx = to.x - from.x, dy = to.y - from.y;
    float len = std::sqrt(dx * dx + dy * dy);
    if (len <= 0.0f)
        return;
    float ux = dx / len, uy = dy / len;           // along the segment
    float nx = -uy * thickness * 0.5f, ny = ux * thickness * 0.5f;
    float hx = ux * thickness * 0.5f, hy = uy * thickness * 0.5f;
    std::vector<Point2> hexagon = {
        from, {from.x + hx + nx, from.y + hy + ny}, {to.x - hx + nx, to.y - hy + ny},
        to,   {to.x - hx - nx, to.y - hy - ny},     {from.x + hx - nx, from.y + hy - ny},
    };
    for (Point2& p : hexagon)
        p.x += (pivotY - p.y) * slant;
    image_.fillConvex(hexagon, c);
}

void GlyphPainter::digit(int value, float x, float y, float width, float height, float thickness, Colour c)
{
    if (value < 0 || value > 9)
        return;
    float gap = thickness * 0.25f;
    float l = x + thickness * 0.5f, r = x + width - thickness * 0.5f;
    float t = y + thickness * 0.5f, b = y + height - thickness * 0.5f, m = (t + b) * 0.5f;
    struct Line { Point2 from, to; };
    const Line lines[7] = {
        {{l + gap, t}, {r - gap, t}}, {{r, t + gap}, {r, m - gap}}, {{r, m + gap}, {r, b - gap}},
        {{l + gap, b}, {r - gap, b}}, {{l, m + gap}, {l, b - gap}}, {{l, t + gap}, {l, m - gap}},
        {{l + gap, m}, {r - gap, m}},
    };
    float pivot = y + height * 0.5f;
    for (int s = 0; s < 7; ++s)
        if (DIGIT_SEGMENTS[value] & (1u << s))
            segment(lines[s].from, lines[s].to, thickness, c, SLANT, pivot);
}

void GlyphPainter::colon(float x, float y, float width, float height, float dot, Colour c)
{
    float cx = x + width * 0.5f;
    for (float share : {0.3f, 0.7f}) {
        float cy = y + height * share;
        float shift = (y + height * 0.5f - cy) * SLANT;
        image_.fillRect(cx + shift - dot * 0.5f, cy - dot * 0.5f, cx + shift + dot * 0.5f, cy + dot * 0.5f, c);
    }
}

float GlyphPainter::textWidth(const char* letters, float block, float gap)
{
    size_t n = std::strlen(letters);
    if (n == 0)
        return 0.0f;
    return (float(n) * 5.0f + float(n - 1) * gap) * block;
}

float GlyphPainter::text(const char* letters, float x, float y, float block, float gap, Colour top, Colour bottom)
{
    float pen = x;
    float inset = block * 0.08f;
    for (const char* p = letters; *p; ++p) {
        if (const BlockLetter* letter = findBlockLetter(*p))
            for (int row = 0; row < 7; ++row) {
                Colour c = mix(top, bottom, float(row) / 6.0f);
                for (int col = 0; col < 5; ++col)
                    if (letter->rows[row][col] == '#') {
                        float bx = pen + float(col) * block, by = y + float(row) * block;
                        image_.fillRect(bx + inset, by + inset, bx + block - inset, by + block - inset, c);
                    }
            }
        pen += (5.0f + gap) * block;
    }
    return textWidth(letters, block, gap);
}

} // namespace qm
