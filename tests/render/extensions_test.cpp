// Extension loading: the exact token search, the core-version flags, and the multitexture entry
// points fetched from a real Mesa context.
#include "platform/offscreen_context.h"
#include "render/extensions.h"
#include "tests/support/software_gl.h"
#include <gtest/gtest.h>

namespace {
using namespace qm;

TEST(ExtensionToken, ExactBlankSeparatedTokensOnly)
{
    struct Case {
        const char* list;
        const char* name;
        bool present;
    };
    const Case cases[] = {
        {"GL_ARB_multitexture_foo GL_ARB_multitexture", "GL_ARB_multitexture", true},
        {"GL_ARB_multitexture_foo", "GL_ARB_multitexture", false},
        {"GL_ARB_multitexture", "GL_ARB_multitexture", true},
        {"GL_EXT_a GL_ARB_multitexture GL_EXT_b", "GL_ARB_multitexture", true},
        {"GL_EXT_a GL_ARB_multitexture ", "GL_ARB_multitexture", true},
        {"XGL_ARB_multitexture", "GL_ARB_multitexture", false},
        {"XGL_ARB_multitexture GL_ARB_multitexturex", "GL_ARB_multitexture", false},
        {"GL_EXT_a GL_EXT_b", "GL_EXT_a GL_EXT_b", false},   // a name with a blank never matches
        {"GL_EXT_a", "", false},
        {"", "GL_EXT_a", false},
        {"GL_EXT_aGL_EXT_a GL_EXT_a", "GL_EXT_a", true},
        {nullptr, "GL_EXT_a", false},
        {"GL_EXT_a", nullptr, false},
    };
    for (const Case& k : cases)
        EXPECT_EQ(k.present, extensionTokenPresent(k.list, k.name))
            << "list \"" << (k.list ? k.list : "(null)") << "\" name \"" << (k.name ? k.name : "(null)") << "\"";
}

TEST(GLVersion, FlagsFromTheLeadingMajorMinor)
{
    struct Case {
        const char* version;
        bool v12, v13, v14;
    };
    const Case cases[] = {
        {"1.1.0", false, false, false},
        {"1.2", true, false, false},
        {"1.3.1 Vendor 7.1", true, true, false},
        {"1.4", true, true, true},
        {"1.5.0", true, true, true},
        {"2.1 Mesa 10.1.3", true, true, true},
        // Driver version numbers after the GL version are not the GL version.
        {"4.5 (Compatibility Profile) Mesa 22.3.6", true, true, true},
        {"1.1 Mesa 21.5", false, false, false},
        {"", false, false, false},
        {"garbage", false, false, false},
        {nullptr, false, false, false},
    };
    for (const Case& k : cases) {
        GLVersionFlags f = parseGLVersion(k.version);
        const char* shown = k.version ? k.version : "(null)";
        EXPECT_EQ(k.v12, f.v1_2) << shown;
        EXPECT_EQ(k.v13, f.v1_3) << shown;
        EXPECT_EQ(k.v14, f.v1_4) << shown;
    }
}

TEST(LoadExtensions, MesaSuppliesMultitexture)
{
    platform::OffscreenContext context;
    ASSERT_TRUE(test::createSoftwareContext(context, 64, 64));
    EXPECT_FALSE(loadExtensions());  // no flagged entry point missing
    EXPECT_TRUE(hasExtension("GL_ARB_multitexture"));
    EXPECT_FALSE(hasExtension("GL_ARB_multitexture_foo"));
    EXPECT_FALSE(hasExtension(""));
    ASSERT_NE(nullptr, qglActiveTextureARB);
    ASSERT_NE(nullptr, qglMultiTexCoord2fARB);
    ASSERT_NE(nullptr, qglMultiTexCoord2fvARB);
    EXPECT_TRUE(glVersionFlags().v1_4);

    // The fetched pointers drive the real context.
    qglActiveTextureARB(GL_TEXTURE1_ARB);
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &active);
    EXPECT_EQ(GL_TEXTURE1_ARB, active);
    const GLfloat st[2] = {0.25f, 0.75f};
    qglMultiTexCoord2fvARB(GL_TEXTURE1_ARB, st);
    GLfloat current[4] = {};
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, current);
    EXPECT_FLOAT_EQ(0.25f, current[0]);
    EXPECT_FLOAT_EQ(0.75f, current[1]);
    qglMultiTexCoord2fARB(GL_TEXTURE1_ARB, 0.5f, 0.125f);
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, current);
    EXPECT_FLOAT_EQ(0.5f, current[0]);
    EXPECT_FLOAT_EQ(0.125f, current[1]);
    qglActiveTextureARB(GL_TEXTURE0_ARB);
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

} // namespace
