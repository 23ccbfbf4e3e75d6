#include "assets/texture.h"
#include "assets/image_buffer.h"
#include "assets/image_size_limit.h"
#include "assets/tga_image.h"

#include <cstring>

namespace qm {
namespace {

TextureCache cache;

enum class ImageKind { None, Jpeg, Tga };

ImageKind kindOf(const char* fileName)
{
    const size_t length = std::strlen(fileName);
    if (length < 3) return ImageKind::None;
    const char* ending = fileName + length - 3;
    if (!std::strcmp(ending, "jpg") || !std::strcmp(ending, "JPG")) return ImageKind::Jpeg;
    if (!std::strcmp(ending, "tga") || !std::strcmp(ending, "TGA")) return ImageKind::Tga;
    return ImageKind::None;
}

void setMipmapFilters()
{
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

// The decoders refuse pictures larger than the current context's largest texture.
void noteLargestTextureSide()
{
    GLint side = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    setLargestTextureSide(side);
}

GLuint newBoundTexture()
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, name);
    return name;
}

// A JPEG texture is created and cached even when the member is missing or unreadable: it then
// stays without an image, and later requests share it without a second message.
GLuint createJpegTexture(const std::string& memberPath)
{
    ImageBuffer image;
    noteLargestTextureSide();
    const bool decoded = loadJpeg(memberPath.c_str(), image) && convertToRgb(image);
    GLuint name = newBoundTexture();
    if (decoded)
        gluBuild2DMipmaps(GL_TEXTURE_2D, 3, image.width, image.height, GL_RGB, GL_UNSIGNED_BYTE,
                          image.pixels.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    setMipmapFilters();
    return name;
}

} // namespace

TextureCache& textureCache() { return cache; }
void resetTextureCache() { cache.clear(); }

void Texture::load(const char* fileName)
{
    const ImageKind kind = kindOf(fileName);
    GLuint& cached = cache.entry(fileName);
    if (cached != 0) {
        name_ = cached;
        return;
    }
    if (kind == ImageKind::None) return;
    const std::string memberPath = std::string("textures\\") + fileName;
    name_ = kind == ImageKind::Jpeg ? createJpegTexture(memberPath)
                                    : createTgaTexture(memberPath.c_str());
    cached = name_;
}

void Texture::bind() const { glBindTexture(GL_TEXTURE_2D, name_); }

GLuint createTgaTexture(const char* memberPath)
{
    TgaImage image;
    noteLargestTextureSide();
    if (!loadTga(memberPath, image)) return 0;
    const std::vector<uint8_t> rgba = image.rgbaPixels();
    if (rgba.empty()) return 0;
    GLuint name = newBoundTexture();
    gluBuild2DMipmaps(GL_TEXTURE_2D, 4, image.width, image.height, GL_RGBA, GL_UNSIGNED_BYTE,
                      rgba.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    setMipmapFilters();
    return name;
}

} // namespace qm
