// Car body, reflection and shadow meshes: per-corner normals with one or two coordinate sets,
// compiled into a display list. The name's last three characters become "dat" ("car.ase" reads
// meshes\car.dat).
#pragma once
#include "render/gl.h"

#include <string>

namespace qm {

class AssetStream;

class BodyMesh {
public:
    virtual ~BodyMesh() = default;

    // A missing, short or inconsistent member compiles an empty list. Needs a current GL context.
    void load(const char* name, bool hasSecondUvSet);
    void load(AssetStream& stream, bool hasSecondUvSet);

    // "meshes\" + name without its last three characters + "dat".
    static std::string memberName(const char* name);

    GLuint displayList = 0;
};

} // namespace qm
