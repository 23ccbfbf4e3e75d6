#include "assets/cube_texture.h"
#include "assets/image_buffer.h"

#include <string>

namespace qm {
namespace {

// GL_GENERATE_MIPMAP_SGIS: level-0 uploads then build the mipmap chain.
constexpr GLenum GENERATE_MIPMAP = 0x8191;

struct CubeFace {
    GLenum target;
    const char* suffix;
};

constexpr CubeFace CUBE_FACES[6] = {
    {GL_TEXTURE_CUBE_MAP_POSITIVE_X, "_right.jpg"},  {GL_TEXTURE_CUBE_MAP_NEGATIVE_X, "_left.jpg"},
    {GL_TEXTURE_CUBE_MAP_POSITIVE_Y, "_bottom.jpg"}, {GL_TEXTURE_CUBE_MAP_NEGATIVE_Y, "_top.jpg"},
    {GL_TEXTURE_CUBE_MAP_POSITIVE_Z, "_front.jpg"},  {GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, "_back.jpg"},
};

void setCubeParameters()
{
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GENERATE_MIPMAP, GL_TRUE);
}

void uploadFace(const CubeFace& face, const std::string& baseMember)
{
    ImageBuffer image;
    if (!loadJpeg((baseMember + face.suffix).c_str(), image) || !convertToRgb(image)) return;
    glTexImage2D(face.target, 0, GL_RGB, image.width, image.height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 image.pixels.data());
}

} // namespace

void CubeTexture::load(const char* baseName)
{
    glEnable(GL_TEXTURE_CUBE_MAP);
    glGenTextures(1, &name_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_CUBE_MAP, name_);
    setCubeParameters();
    const std::string baseMember = std::string("textures\\") + baseName;
    for (const CubeFace& face : CUBE_FACES) uploadFace(face, baseMember);
    glDisable(GL_TEXTURE_CUBE_MAP);
}

void CubeTexture::bind() const { glBindTexture(GL_TEXTURE_CUBE_MAP, name_); }

} // namespace qm
