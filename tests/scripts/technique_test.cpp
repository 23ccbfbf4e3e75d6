// Technique files parsed from real archives and applied on a Mesa context; the resulting GL state
// is read back with glGet.
#include "render/render_state.h"
#include "render/technique.h"
#include "tests/support/data_rar.h"
#include "tests/support/image_magick.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/software_gl.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <array>

namespace {
using namespace qm;
using namespace qm::test;

class TechniqueTest : public SoftwareGLTest<32, 32> {
protected:
    void SetUp() override
    {
        resetTextureCache();
        folder = std::make_unique<ScratchFolder>();
    }
    void TearDown() override { folder.reset(); }

    // Loads "technique\t" with the given text from a fresh archive that also holds two textures.
    static Technique loaded(const std::string& text)
    {
        static const auto red = convertImage("-size 4x4 xc:red", "red.jpg");
        static const auto blue = convertImage("-size 4x4 xc:blue", "blue.jpg");
        packDataRar({{"technique\\t", bytesOf(text)}, {"textures\\red.jpg", red}, {"textures\\blue.jpg", blue}});
        Technique t;
        t.load("t");
        return t;
    }

    // Applies after every capability was switched the opposite way, so nothing is inherited.
    static void applyFromScrambledState(const Technique& t)
    {
        for (GLenum cap : {GL_LIGHTING, GL_BLEND, GL_CULL_FACE, GL_DEPTH_TEST, GL_ALPHA_TEST})
            glIsEnabled(cap) ? glDisable(cap) : glEnable(cap);
        glDepthMask(GL_FALSE);
        glDepthFunc(GL_ALWAYS);
        glBlendFunc(GL_ONE, GL_ONE);
        t.apply();
    }

    std::unique_ptr<ScratchFolder> folder;
};

std::array<float, 16> textureMatrixOfUnit(GLenum unit)
{
    std::array<float, 16> m{};
    const GLint selected = glInteger(GL_ACTIVE_TEXTURE);
    glActiveTexture(unit);
    glGetFloatv(GL_TEXTURE_MATRIX, m.data());
    glActiveTexture(GLenum(selected));
    return m;
}

bool enabledOnUnit(GLenum unit, GLenum cap)
{
    const GLint selected = glInteger(GL_ACTIVE_TEXTURE);
    glActiveTexture(unit);
    const bool on = glIsEnabled(cap);
    glActiveTexture(GLenum(selected));
    return on;
}

struct Expected {
    bool lighting = false, blend = false, cull = true, depthTest = true, alphaTest = false;
    GLboolean depthWrite = GL_TRUE;
    GLint depthFunc = GL_LEQUAL;
    GLint blendSrc = GL_SRC_ALPHA, blendDst = GL_ONE_MINUS_SRC_ALPHA;
    bool texture0 = false;
};

void expectState(const Expected& e)
{
    EXPECT_EQ(bool(glIsEnabled(GL_LIGHTING)), e.lighting);
    EXPECT_EQ(bool(glIsEnabled(GL_BLEND)), e.blend);
    EXPECT_EQ(bool(glIsEnabled(GL_CULL_FACE)), e.cull);
    EXPECT_EQ(bool(glIsEnabled(GL_DEPTH_TEST)), e.depthTest);
    EXPECT_EQ(bool(glIsEnabled(GL_ALPHA_TEST)), e.alphaTest);
    GLboolean mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_EQ(mask, e.depthWrite);
    EXPECT_EQ(glInteger(GL_DEPTH_FUNC), e.depthFunc);
    EXPECT_EQ(glInteger(GL_BLEND_SRC), e.blendSrc);
    EXPECT_EQ(glInteger(GL_BLEND_DST), e.blendDst);
    EXPECT_EQ(enabledOnUnit(GL_TEXTURE0, GL_TEXTURE_2D), e.texture0);
}

TEST_F(TechniqueTest, ApplyStateTable)
{
    auto with = [](auto change) { Expected e; change(e); return e; };
    struct Case {
        const char* name;
        const char* text;
        Expected expected;
    };
    const Case cases[] = {
        {"end only", "end\n", Expected{}},
        {"pass 0 lays down depth", "pass 0\nend\n", with([](Expected& e) { e.depthFunc = GL_LESS; })},
        {"negative pass is a first pass", "pass -3\nend\n", with([](Expected& e) { e.depthFunc = GL_LESS; })},
        {"pass 1 draws over it", "pass 1\nend\n", with([](Expected& e) { e.depthWrite = GL_FALSE; })},
        {"depth test switches the test off", "depth test\nend\n", with([](Expected& e) { e.depthTest = false; })},
        {"depth write switches writes off", "depth write\nend\n", with([](Expected& e) { e.depthWrite = GL_FALSE; })},
        {"2sided and lighted", "2sided\nlighted\nend\n", with([](Expected& e) { e.cull = false; e.lighting = true; })},
        {"alpha test", "alpha test\nend\n", with([](Expected& e) { e.alphaTest = true; })},
        {"addblend", "addblend\nend\n", with([](Expected& e) { e.blend = true; e.blendDst = GL_ONE; })},
        {"multblend", "multblend\nend\n",
         with([](Expected& e) { e.blend = true; e.blendSrc = GL_DST_COLOR; e.blendDst = GL_ZERO; })},
        {"multblend then addblend", "multblend\naddblend\nend\n", with([](Expected& e) { e.blend = true; e.blendDst = GL_ONE; })},
        {"alphablend", "  alphablend\r\nend\r\n", with([](Expected& e) { e.blend = true; })},
        {"texture on unit 0", "texture 0 red.jpg\nend\n", with([](Expected& e) { e.texture0 = true; })},
        {"comments and blank lines change nothing", "# a comment\n\n   \nPass 0\nlighting\nend\n", Expected{}},
        {"lines after end are not read", "end\nlighted\n", Expected{}},
        {"no end line: stops at the end, keeps what it read", "lighted\npass 0", with([](Expected& e) { e.lighting = true; e.depthFunc = GL_LESS; })},
        {"empty member", "", Expected{}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Technique t = loaded(c.text);
        applyFromScrambledState(t);
        expectState(c.expected);
        if (c.expected.alphaTest) {
            EXPECT_EQ(glInteger(GL_ALPHA_TEST_FUNC), GL_GREATER);
            GLfloat reference = 0;
            glGetFloatv(GL_ALPHA_TEST_REF, &reference);
            EXPECT_FLOAT_EQ(reference, 0.4f);
        }
        EXPECT_EQ(glInteger(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    }
}

TEST_F(TechniqueTest, SecondUnitModulatesAndStaysSelected)
{
    const Technique t = loaded("texture 0 red.jpg\ntexture 1 blue.jpg\nend\n");
    EXPECT_TRUE(t.textured);
    EXPECT_TRUE(t.dualTexture);
    applyFromScrambledState(t);
    EXPECT_EQ(glInteger(GL_ACTIVE_TEXTURE), GL_TEXTURE1);
    EXPECT_TRUE(enabledOnUnit(GL_TEXTURE0, GL_TEXTURE_2D));
    EXPECT_TRUE(enabledOnUnit(GL_TEXTURE1, GL_TEXTURE_2D));
    EXPECT_EQ(GLuint(glInteger(GL_TEXTURE_BINDING_2D)), t.textures[1].name());
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_MODULATE);
    glActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(GLuint(glInteger(GL_TEXTURE_BINDING_2D)), t.textures[0].name());
    EXPECT_NE(t.textures[0].name(), t.textures[1].name());
}

TEST_F(TechniqueTest, TilingScalesUnitZeroOnly)
{
    const Technique t = loaded("tiled 8\ntexture 0 red.jpg\ntexture 1 blue.jpg\nend\n");
    // Leave a scale on unit 1 that apply must clear.
    glActiveTexture(GL_TEXTURE1);
    glMatrixMode(GL_TEXTURE);
    glScalef(3, 3, 3);
    glMatrixMode(GL_MODELVIEW);
    applyFromScrambledState(t);
    const auto unit0 = textureMatrixOfUnit(GL_TEXTURE0);
    const auto unit1 = textureMatrixOfUnit(GL_TEXTURE1);
    for (int i = 0; i < 16; ++i) {
        const bool diagonal = i % 5 == 0;
        EXPECT_FLOAT_EQ(unit0[size_t(i)], diagonal ? (i == 15 ? 1.0f : 8.0f) : 0.0f) << i;
        EXPECT_FLOAT_EQ(unit1[size_t(i)], diagonal ? 1.0f : 0.0f) << i;
    }
    EXPECT_EQ(glInteger(GL_MATRIX_MODE), GL_MODELVIEW);
}

TEST_F(TechniqueTest, TextureLinesForOtherUnitsOrWithoutNameAreIgnored)
{
    const Technique t = loaded("texture 2 red.jpg\ntexture -1 red.jpg\ntexture 0\ntexture\ntiled\npass\nend\n");
    EXPECT_FALSE(t.textured);
    EXPECT_FALSE(t.dualTexture);
    EXPECT_FALSE(t.tiled);
    EXPECT_FALSE(t.firstPass);
    EXPECT_TRUE(t.depthWrite);
    EXPECT_EQ(textureCache().size(), 0u);
}

TEST_F(TechniqueTest, SecondLoadKeepsWhatTheFirstSet)
{
    Technique t = loaded("lighted\nend\n");
    packDataRar({{"technique\\u", bytesOf("2sided\nend\n")}});
    t.load("u");
    EXPECT_TRUE(t.lighted);
    EXPECT_TRUE(t.twoSided);
}

TEST_F(TechniqueTest, MissingMemberKeepsTheDefaults)
{
    packDataRar({{"technique\\other", bytesOf("lighted\nend\n")}});
    Technique t;
    t.load("nothere");
    applyFromScrambledState(t);
    expectState(Expected{});
}

} // namespace
