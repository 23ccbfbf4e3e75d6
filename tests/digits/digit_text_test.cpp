// The digit overlay: clock formats with an injected local time, number text, and the glyphs as
// GL draws them (feedback positions, and the cells of "c.jpg" seen in the pixels).
#include "overlay/digit_text.h"
#include "platform/local_time.h"
#include "render/render_state.h"
#include "tests/support/data_rar.h"
#include "tests/support/image_magick.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/software_gl.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {
using namespace qm;
using namespace qm::test;

TEST(DigitTextFormat, ClockFormats)
{
    struct Case {
        platform::LocalTime time;
        bool twelveHour;
        const char* text;
    };
    const Case cases[] = {
        {{9, 5, 7}, false, "09:05:07"},
        {{21, 5, 7}, false, "21:05:07"},
        {{12, 0, 0}, false, "12:00:00"},
        {{0, 0, 0}, false, "00:00:00"},
        {{21, 5, 7}, true, "09:05:07<"},
        {{0, 30, 0}, true, "12:30:00;"},
        {{12, 0, 0}, true, "12:00:00<"},
        {{9, 5, 7}, true, "09:05:07;"},
        {{23, 59, 59}, true, "11:59:59<"},
        {{13, 10, 10}, true, "01:10:10<"},
    };
    DigitText text;
    for (const Case& c : cases) {
        platform::setLocalTimeOverride(c.time);
        text.formatClock(c.twelveHour);
        EXPECT_STREQ(text.text(), c.text);
        EXPECT_EQ(std::strlen(text.text()), c.twelveHour ? 9u : 8u);
    }
    platform::clearLocalTimeOverride();
}

TEST(DigitTextFormat, NumbersUseDecimalText)
{
    DigitText text;
    EXPECT_STREQ(text.text(), "");
    text.setNumber(0);
    EXPECT_STREQ(text.text(), "0");
    text.setNumber(1234);
    EXPECT_STREQ(text.text(), "1234");
    text.setNumber(-2147483647 - 1);
    EXPECT_STREQ(text.text(), "-2147483648");
}

class DigitTextDraw : public SoftwareGLTest<800, 600> {
protected:
    void SetUp() override
    {
        resetTextureCache();
        resetDigitText();
    }
    ScratchFolder folder;
};

// Quads fed back while drawing; each as its four window-space (x, y) and texture (s, t).
struct Corner {
    float x, y, s, t;
};
std::vector<std::vector<Corner>> feedbackQuads(const DigitText& text, int x, int y)
{
    std::vector<GLfloat> buffer(4096);
    glFeedbackBuffer(GLsizei(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    begin2D();
    text.draw(x, y);
    end2D();
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<std::vector<Corner>> quads;
    // Each vertex: x, y, z, r, g, b, a, s, t, r, q.
    for (GLint i = 0; i < used;) {
        if (buffer[size_t(i)] != GL_POLYGON_TOKEN) { ++i; continue; }
        const int n = int(buffer[size_t(i) + 1]);
        std::vector<Corner> quad;
        for (int v = 0; v < n; ++v) {
            const GLfloat* p = &buffer[size_t(i) + 2 + size_t(v) * 11];
            quad.push_back({p[0], p[1], p[7], p[8]});
        }
        quads.push_back(quad);
        i += 2 + n * 11;
    }
    // Mesa may feed a quad back as two triangles; each glyph is then a pair.
    bool triangles = !quads.empty();
    for (const auto& q : quads) triangles = triangles && q.size() == 3;
    if (!triangles || quads.size() % 2) return quads;
    std::vector<std::vector<Corner>> merged;
    for (size_t k = 0; k < quads.size(); k += 2) {
        merged.push_back(quads[k]);
        merged.back().insert(merged.back().end(), quads[k + 1].begin(), quads[k + 1].end());
    }
    return merged;
}

float minX(const std::vector<Corner>& q)
{
    float m = q[0].x;
    for (const Corner& c : q) m = std::min(m, c.x);
    return m;
}

TEST_F(DigitTextDraw, GlyphsAdvance28UnitsAndRestoreTheMatrix)
{
    packDataRar({{"textures\\c.jpg", convertImage("-size 64x64 xc:white", "c.jpg")}});
    DigitText& text = digitText();
    text.build();
    ASSERT_NE(text.listBase, 0u);
    ASSERT_NE(text.texture.name(), 0u);
    text.setNumber(1234);
    float before[16], after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    const auto quads = feedbackQuads(text, 10, 20);
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    EXPECT_EQ(std::memcmp(before, after, sizeof before), 0);
    ASSERT_EQ(quads.size(), 4u);
    for (size_t i = 0; i < quads.size(); ++i) EXPECT_NEAR(minX(quads[i]), 10.0f + 28.0f * float(i), 1e-3);
    float maxX = 0;
    for (const Corner& c : quads.back()) maxX = std::max(maxX, c.x);
    EXPECT_NEAR(maxX - 10.0f, 84.0f + 40.0f, 1e-3) << "three advances of 28, then the last 40-unit cell";

    text.setNumber(0);
    EXPECT_EQ(feedbackQuads(text, 0, 560).size(), 1u);
}

TEST_F(DigitTextDraw, GlyphCellsCountRowsFromTheTopOfThePicture)
{
    packDataRar({{"textures\\c.jpg", convertImage("-size 64x64 xc:white", "c.jpg")}});
    DigitText& text = digitText();
    text.build();
    platform::setLocalTimeOverride({12, 0, 0});
    text.formatClock(true);  // "12:00:00<": glyph 12 is column 0 of the bottom row
    platform::clearLocalTimeOverride();
    const auto quads = feedbackQuads(text, 0, 0);
    ASSERT_EQ(quads.size(), 9u);
    auto texRange = [](const std::vector<Corner>& q, float& s0, float& t0, float& s1, float& t1) {
        s0 = t0 = 1e9f;
        s1 = t1 = -1e9f;
        for (const Corner& c : q) {
            s0 = std::min(s0, c.s); s1 = std::max(s1, c.s);
            t0 = std::min(t0, c.t); t1 = std::max(t1, c.t);
        }
    };
    float s0, t0, s1, t1;
    texRange(quads[0], s0, t0, s1, t1);  // "1": column 1 of the top row
    EXPECT_FLOAT_EQ(s0, 0.25f);
    EXPECT_FLOAT_EQ(s1, 0.5f);
    EXPECT_FLOAT_EQ(t0, 0.75f);
    EXPECT_FLOAT_EQ(t1, 1.0f);
    texRange(quads[2], s0, t0, s1, t1);  // ":" is glyph 10: column 2, third row
    EXPECT_FLOAT_EQ(s0, 0.5f);
    EXPECT_FLOAT_EQ(t0, 0.25f);
    EXPECT_FLOAT_EQ(t1, 0.5f);
    texRange(quads[8], s0, t0, s1, t1);  // "<"
    EXPECT_FLOAT_EQ(s0, 0.0f);
    EXPECT_FLOAT_EQ(t0, 0.0f);
    EXPECT_FLOAT_EQ(t1, 0.25f);
}

TEST_F(DigitTextDraw, DrawnGlyphShowsItsCellOfThePicture)
{
    // Top-left cell red (glyph 0), the rest blue.
    packDataRar({{"textures\\c.jpg",
                  convertImage("-size 64x64 xc:blue -fill red -draw 'rectangle 0,0 15,15' -quality 100", "c.jpg")}});
    DigitText& text = digitText();
    text.build();
    text.setNumber(0);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    setLighting(false);
    glEnable(GL_TEXTURE_2D);
    colorWhite();
    begin2D();
    text.texture.bind();
    text.draw(100, 100);
    end2D();
    glFinish();
    uint8_t centre[4] = {};
    glReadPixels(120, 120, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, centre);
    EXPECT_GT(centre[0], 200);
    EXPECT_LT(centre[2], 60);
}

} // namespace
