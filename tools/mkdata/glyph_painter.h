// Paints the overlay's lettering procedurally: seven-segment digits, a colon, and block letters
// built from a 5 x 7 grid of squares.
#pragma once
#include "tools/mkdata/image.h"

namespace qm {

// A block capital or digit on a 5 x 7 grid of squares, rows from the top, '#' for a filled square.
struct BlockLetter {
    char letter;
    const char* rows[7];
};
// The grid of a character, or null for one without (painted as a blank).
const BlockLetter* findBlockLetter(char c);

class GlyphPainter {
public:
    explicit GlyphPainter(Image& image) : image_(image) {}
    virtual ~GlyphPainter() = default;

    // A digit 0..9 filling the box (x, y, width, height), segments of the given thickness.
    void digit(int value, float x, float y, float width, float height, float thickness, Colour c);
    // Two dots one third and two thirds down the box.
    void colon(float x, float y, float width, float height, float dot, Colour c);
    // Block letters from the 5 x 7 grid; block is the side of one square, gap the space between
    // letters in blocks. Unknown characters leave a blank. Returns the width painted.
    float text(const char* letters, float x, float y, float block, float gap, Colour top, Colour bottom);
    // Width text() would paint.
    static float textWidth(const char* letters, float block, float gap);

private:
    Image& image_;

    void segment(Point2 from, Point2 to, float thickness, Colour c, float slant, float pivotY);
};

} // namespace qm
