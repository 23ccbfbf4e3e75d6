// Textures, the texture cache and the cube map on a real Mesa context, read back with glGet and
// glGetTexImage.
#include "assets/cube_texture.h"
#include "assets/texture.h"
#include "tests/support/data_rar.h"
#include "tests/support/image_magick.h"
#include "tests/support/message_recorder.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/software_gl.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>

namespace {
using namespace qm;
using namespace qm::test;

class TextureTest : public SoftwareGLTest<64, 64> {
protected:
    void SetUp() override { resetTextureCache(); }

    ScratchFolder folder;
};

GLint levelParameter(GLenum target, GLenum which)
{
    GLint value = 0;
    glGetTexLevelParameteriv(target, 0, which, &value);
    return value;
}

// Level 0 of the bound 2D texture as RGBA bytes.
std::vector<uint8_t> readTexture(GLenum target = GL_TEXTURE_2D)
{
    const GLint w = levelParameter(target, GL_TEXTURE_WIDTH);
    const GLint h = levelParameter(target, GL_TEXTURE_HEIGHT);
    std::vector<uint8_t> texels(size_t(w) * size_t(h) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (!texels.empty()) glGetTexImage(target, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

std::vector<uint8_t> solidJpeg(const std::string& colour, const std::string& file, const std::string& extra = "")
{
    return convertImage("-size 8x8 'xc:" + colour + "' " + extra + " -quality 100", file);
}

void expectAllTexels(const std::vector<uint8_t>& texels, std::array<int, 4> rgba, int tolerance)
{
    ASSERT_FALSE(texels.empty());
    for (size_t i = 0; i < texels.size(); i += 4)
        for (int c = 0; c < 4; ++c) ASSERT_NEAR(texels[i + size_t(c)], rgba[size_t(c)], tolerance) << "texel " << i / 4;
}

TEST_F(TextureTest, CacheLoadsEachFileNameOnce)
{
    packDataRar({{"textures\\sun.jpg", solidJpeg("red", "sun.jpg")}});
    MessageRecorder messages;
    Texture first, second, upper;
    first.load("sun.jpg");
    ASSERT_NE(first.name(), 0u);
    // The member is gone: a second load that fetched would show the missing-JPEG message.
    std::filesystem::remove("data.rar");
    second.load("sun.jpg");
    EXPECT_EQ(second.name(), first.name());
    EXPECT_TRUE(messages.shown().empty());

    packDataRar({{"textures\\sun.jpg", solidJpeg("red", "sun.jpg")}});
    upper.load("SUN.JPG");
    EXPECT_NE(upper.name(), 0u);
    EXPECT_NE(upper.name(), first.name()) << "the cache compares names exactly";
    EXPECT_EQ(textureCache().size(), 2u);
    upper.bind();
    expectAllTexels(readTexture(), {255, 0, 0, 255}, 3);
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(TextureTest, OtherEndingsCreateNothing)
{
    packDataRar({{"textures\\sun.Jpg", solidJpeg("red", "sun.jpg")}, {"textures\\sun.png", {1}}});
    for (const char* name : {"sun.Jpg", "sun.png", "pg", ""}) {
        SCOPED_TRACE(name);
        Texture texture;
        texture.load(name);
        EXPECT_EQ(texture.name(), 0u);
    }
    // A handle that already refers to a texture keeps it.
    packDataRar({{"textures\\sun.jpg", solidJpeg("red", "sun.jpg")}});
    Texture texture;
    texture.load("sun.jpg");
    const GLuint name = texture.name();
    texture.load("sun.Jpg");
    EXPECT_EQ(texture.name(), name);
}

TEST_F(TextureTest, FailedTgaIsTriedAgain)
{
    packDataRar({{"textures\\other.tga", {1}}});
    MessageRecorder messages;
    Texture texture;
    texture.load("sh.tga");
    EXPECT_EQ(texture.name(), 0u);
    ASSERT_TRUE(textureCache().contains("sh.tga"));
    EXPECT_EQ(textureCache().entry("sh.tga"), 0u);

    packDataRar({{"textures\\sh.tga", convertImage("-size 4x4 xc:lime -type TrueColor", "sh.tga")}});
    texture.load("sh.tga");
    EXPECT_NE(texture.name(), 0u);
    EXPECT_EQ(textureCache().entry("sh.tga"), texture.name());
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(TextureTest, UploadsKeepAlphaOnlyWhereTheImageHasIt)
{
    packDataRar({
        {"textures\\a32.tga", convertImage("-size 4x4 'xc:rgba(30,20,10,0.156862745)'", "a32.tga")},
        {"textures\\a24.tga", convertImage("-size 4x4 'xc:rgb(30,20,10)' -type TrueColor", "a24.tga")},
        {"textures\\grey.tga", convertImage("-size 4x4 'xc:rgb(90,90,90)' -type Grayscale", "grey.tga")},
        {"textures\\rgb.jpg", solidJpeg("rgb(0,0,255)", "rgb.jpg")},
        {"textures\\grey.jpg", solidJpeg("rgb(100,100,100)", "grey.jpg", "-colorspace Gray")},
        {"textures\\cmyk.jpg", solidJpeg("rgb(255,0,0)", "cmyk.jpg", "-colorspace CMYK")},
    });
    struct Case {
        const char* file;
        GLint components;
        std::array<int, 4> rgba;
        int tolerance;
    };
    const Case cases[] = {
        {"a32.tga", 4, {30, 20, 10, 40}, 0},
        {"a24.tga", 4, {30, 20, 10, 255}, 0},
        {"grey.tga", 4, {90, 90, 90, 255}, 0},
        {"rgb.jpg", 3, {0, 0, 255, 255}, 4},
        {"grey.jpg", 3, {100, 100, 100, 255}, 4},
        {"cmyk.jpg", 3, {255, 0, 0, 255}, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Texture texture;
        texture.load(c.file);
        ASSERT_NE(texture.name(), 0u);
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(GLuint(bound), texture.name()) << "a new texture is left bound";
        EXPECT_EQ(levelParameter(GL_TEXTURE_2D, GL_TEXTURE_INTERNAL_FORMAT), c.components);
        EXPECT_EQ(levelParameter(GL_TEXTURE_2D, GL_TEXTURE_ALPHA_SIZE) > 0, c.components == 4);
        GLint minFilter = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
        expectAllTexels(readTexture(), c.rgba, c.tolerance);
    }
}

TEST_F(TextureTest, MissingJpegIsCachedWithoutImageAndShownOnce)
{
    packDataRar({{"textures\\other.jpg", {1}}});
    MessageRecorder messages;
    Texture a, b;
    a.load("gone.jpg");
    EXPECT_NE(a.name(), 0u);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, GL_TEXTURE_WIDTH), 0);
    b.load("gone.jpg");
    EXPECT_EQ(b.name(), a.name());
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "ARCH:Can't load JPG file: textures\\gone.jpg");
}

TEST_F(TextureTest, CubeMapFacesTakeTheirPictures)
{
    struct Face {
        GLenum target;
        const char* suffix;
        std::array<int, 4> rgba;
    };
    const Face faces[] = {
        {GL_TEXTURE_CUBE_MAP_POSITIVE_X, "_right.jpg", {255, 0, 0, 255}},
        {GL_TEXTURE_CUBE_MAP_NEGATIVE_X, "_left.jpg", {0, 255, 0, 255}},
        {GL_TEXTURE_CUBE_MAP_POSITIVE_Y, "_bottom.jpg", {0, 0, 255, 255}},
        {GL_TEXTURE_CUBE_MAP_NEGATIVE_Y, "_top.jpg", {255, 255, 0, 255}},
        {GL_TEXTURE_CUBE_MAP_POSITIVE_Z, "_front.jpg", {255, 0, 255, 255}},
        {GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, "_back.jpg", {0, 255, 255, 255}},
    };
    std::vector<RarEntry> entries;
    for (const Face& f : faces) {
        const std::string colour = "rgb(" + std::to_string(f.rgba[0]) + "," + std::to_string(f.rgba[1]) +
                                   "," + std::to_string(f.rgba[2]) + ")";
        entries.push_back({std::string("textures\\skybox") + f.suffix, solidJpeg(colour, "face.jpg")});
    }
    packDataRar(entries);
    CubeTexture cube;
    cube.load("skybox");
    ASSERT_NE(cube.name(), 0u);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_CUBE_MAP));
    cube.bind();
    GLint generate = 0;
    glGetTexParameteriv(GL_TEXTURE_CUBE_MAP, 0x8191, &generate);
    EXPECT_EQ(generate, GL_TRUE);
    for (const Face& f : faces) {
        SCOPED_TRACE(f.suffix);
        expectAllTexels(readTexture(f.target), f.rgba, 4);
    }
}

TEST_F(TextureTest, CubeFaceWithoutPictureStaysEmpty)
{
    packDataRar({{"textures\\sky_right.jpg", solidJpeg("red", "r.jpg")}});
    MessageRecorder messages;
    CubeTexture cube;
    cube.load("sky");
    cube.bind();
    EXPECT_EQ(levelParameter(GL_TEXTURE_CUBE_MAP_POSITIVE_X, GL_TEXTURE_WIDTH), 8);
    EXPECT_EQ(levelParameter(GL_TEXTURE_CUBE_MAP_POSITIVE_Y, GL_TEXTURE_WIDTH), 0);
    EXPECT_EQ(messages.shown().size(), 5u);
}

} // namespace
