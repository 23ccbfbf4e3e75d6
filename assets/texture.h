// 2D GL textures made from image members under "textures\", each file uploaded once through the
// process-wide texture cache. GL textures are never deleted: they live as long as the context.
#pragma once
#include "render/gl.h"

#include <cstddef>
#include <map>
#include <string>

namespace qm {

class Texture {
public:
    virtual ~Texture() = default;

    // Refers this handle to "textures\" + fileName, loading it when the cache lacks it. The type
    // comes from the last three characters: "jpg"/"JPG" or "tga"/"TGA"; other endings do nothing.
    // A texture created here is left bound to GL_TEXTURE_2D.
    void load(const char* fileName);
    void bind() const;
    GLuint name() const { return name_; }

private:
    GLuint name_ = 0;
};

// File name (exact, case-sensitive) to GL name; 0 means not loaded.
class TextureCache {
public:
    virtual ~TextureCache() = default;

    // The entry for a name, created with 0 when missing.
    GLuint& entry(const std::string& fileName) { return names_[fileName]; }
    bool contains(const std::string& fileName) const { return names_.count(fileName) != 0; }
    size_t size() const { return names_.size(); }
    void clear() { names_.clear(); }

private:
    std::map<std::string, GLuint> names_;
};

// The process-wide cache; resetTextureCache forgets every entry (the GL textures stay).
TextureCache& textureCache();
void resetTextureCache();

// Decodes a TGA member into a new mipmapped RGBA texture; 0 when the TGA cannot be loaded.
GLuint createTgaTexture(const char* memberPath);

} // namespace qm
