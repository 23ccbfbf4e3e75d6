// A cube-map texture built from six JPEG faces "textures\" + base + "_right.jpg" and so on;
// used for the cars' environment reflection. Not entered in the texture cache, never deleted.
#pragma once
#include "render/gl.h"

namespace qm {

class CubeTexture {
public:
    virtual ~CubeTexture() = default;

    // Faces in upload order: +X "_right", -X "_left", +Y "_bottom", -Y "_top", +Z "_front",
    // -Z "_back". A face whose JPEG is missing or unreadable gets no image.
    void load(const char* baseName);
    void bind() const;
    GLuint name() const { return name_; }

private:
    GLuint name_ = 0;
};

} // namespace qm
