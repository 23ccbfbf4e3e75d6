#include "overlay/digit_text.h"
#include "platform/local_time.h"
#include "render/render_state.h"

#include <cstdio>
#include <cstring>

namespace qm {
namespace {

DigitText instance;

// Glyph i lies in column i mod 4 and row i div 4 of the 4 x 4 picture, rows from the top.
void compileGlyph(GLuint list, int i)
{
    const float u = float(i % 4) / 4.0f;
    const float r = float(i / 4) / 4.0f;
    const float size = DigitText::GLYPH_SIZE;
    glNewList(list, GL_COMPILE);
    glBegin(GL_QUADS);
    glTexCoord2f(u, 1.0f - r - 0.25f);
    glVertex2f(0, 0);
    glTexCoord2f(u + 0.25f, 1.0f - r - 0.25f);
    glVertex2f(size, 0);
    glTexCoord2f(u + 0.25f, 1.0f - r);
    glVertex2f(size, size);
    glTexCoord2f(u, 1.0f - r);
    glVertex2f(0, size);
    glEnd();
    glTranslatef(DigitText::GLYPH_ADVANCE, 0, 0);
    glEndList();
}

// "0%d" below 10, else "%d", then the separator.
int appendField(char* out, size_t capacity, int value, const char* separator)
{
    return std::snprintf(out, capacity, value < 10 ? "0%d%s" : "%d%s", value, separator);
}

} // namespace

void DigitText::build()
{
    texture.load("c.jpg");
    listBase = glGenLists(GLYPH_COUNT);
    texture.bind();
    for (int i = 0; i < GLYPH_COUNT; ++i) compileGlyph(listBase + GLuint(i), i);
}

void DigitText::setNumber(int32_t value)
{
    std::snprintf(text_, sizeof text_, "%d", value);
}

void DigitText::formatClock(bool twelveHour)
{
    const platform::LocalTime now = platform::localTime();
    int hour = now.hour;
    bool afternoon = hour == 12;
    if (twelveHour && hour == 0) hour = 12;
    if (twelveHour && hour > 12) {
        hour -= 12;
        afternoon = true;
    }
    size_t used = 0;
    used += size_t(appendField(text_ + used, sizeof text_ - used, hour, ":"));
    used += size_t(appendField(text_ + used, sizeof text_ - used, now.minute, ":"));
    used += size_t(appendField(text_ + used, sizeof text_ - used, now.second, ""));
    if (twelveHour) std::snprintf(text_ + used, sizeof text_ - used, "%s", afternoon ? "<" : ";");
}

void DigitText::draw(int x, int y) const
{
    pushMatrix();
    translate(Vec3(float(x), float(y), 0.0f));
    glListBase(listBase - 48);
    glCallLists(GLsizei(std::strlen(text_)), GL_UNSIGNED_BYTE, text_);
    popMatrix();
}

DigitText& digitText() { return instance; }
void resetDigitText() { instance = DigitText(); }

} // namespace qm
