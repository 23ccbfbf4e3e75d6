// The clock and frame-rate text: 13 glyph display lists cut from "c.jpg" (digits, ":", and the
// morning ";" and afternoon "<" marks), the text to draw, and the clock formatting.
#pragma once
#include "assets/texture.h"

#include <cstdint>

namespace qm {

class DigitText {
public:
    static constexpr int GLYPH_COUNT = 13;
    static constexpr uint32_t TEXT_CAPACITY = 48;
    static constexpr float GLYPH_SIZE = 40.0f;    // overlay units per glyph cell
    static constexpr float GLYPH_ADVANCE = 28.0f; // 40 x 0.7: neighbouring cells overlap

    virtual ~DigitText() = default;

    // Loads "c.jpg" and compiles the glyph lists (the lists do not bind the texture).
    void build();
    void setNumber(int32_t value);
    // The local time as hh:mm:ss; with the 12-hour clock followed by ";" (morning) or "<".
    void formatClock(bool twelveHour);
    // The text with its lower-left corner at (x, y) in overlay units; the caller binds the
    // texture and sets colour, blending and the 2D projection.
    void draw(int x, int y) const;

    const char* text() const { return text_; }

    Texture texture;
    GLuint listBase = 0;

private:
    char text_[TEXT_CAPACITY] = {};
};

// The process-wide overlay text; resetDigitText returns it to its constructed state.
DigitText& digitText();
void resetDigitText();

} // namespace qm
