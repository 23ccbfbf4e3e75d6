// The race cars' artwork: three open-wheel bodies with their reflection shells and shadows, the
// wheels and the helmet, the shared car textures and the six liveries that tie them together.
//
// Model units: x right, y forward, z up, the ground at z = 0; the saver scales bodies, wheels and
// the helmet by 0.0011 and the shadow meshes by 0.003 into world units.
#pragma once
#include "render/vec3.h"
#include "tools/mkdata/data_set.h"
#include "tools/mkdata/image.h"

#include <array>
#include <string>
#include <vector>

namespace qm {

constexpr int CAR_BODY_COUNT = 3;
constexpr float TYRE_RADIUS = 71.0f;       // model units: the wheel centres stand 71.5 to 74 high
constexpr float TYRE_HALF_WIDTH = 55.0f;

// One livery: its file and what the file names.
struct CarLivery {
    const char* member;     // "vcl\\f.txt" ...
    int body;               // 0, 1 or 2
    const char* paint;      // paint texture file, in textures\ .
    const char* helmet;     // helmet texture file
    const char* shadow;     // shadow mesh name as the livery names it ("...ase")
    int number;             // race number painted on the car
    const char* team;       // block letters on the sidepods and the rear wing
    Colour base, stripe, accent, helmetBase, helmetStripe;
};

const std::vector<CarLivery>& carLiveries();

// Body names as the saver asks for them ("car.ase" ...; the member is meshes\car.dat).
extern const std::array<const char*, CAR_BODY_COUNT> CAR_BODY_NAMES;
extern const std::array<const char*, CAR_BODY_COUNT> CAR_SHELL_NAMES;

// "meshes\\" + name with its last three characters replaced by "dat".
std::string bodyMeshMember(const std::string& name);
// True for members written in the body mesh layout rather than the mesh layout.
bool isBodyMeshMember(const std::string& member);

// Wheel centres of the body's layout, right front, left front, right rear, left rear.
std::array<Vec3, 4> carWheelCentres(int body);

// The paint atlas: each face of a body takes its paint from the view it faces most, projected
// along that view's axis. Model box the views cover, and where each view lies in the picture
// (u to the right, v up from the bottom of the picture). Seen from above (and below) the car
// lies along u, nose to the right; seen from the sides, too, with the nose to the right on the
// right-hand side and to the left on the left-hand side, so lettering reads on both.
enum class PaintView { TOP, BOTTOM, RIGHT, LEFT, END };
constexpr float PAINT_X0 = -256.0f, PAINT_X1 = 256.0f;
constexpr float PAINT_Y0 = -600.0f, PAINT_Y1 = 640.0f;
constexpr float PAINT_Z1 = 300.0f;
constexpr int PAINT_WIDTH = 512, PAINT_HEIGHT = 1024;
struct PaintRegion {
    float u0, v0, u1, v1;
};
PaintRegion paintRegion(PaintView view);
// Share (0..1) across (a, along u) and up (b, along v) its region of a model point in a view,
// and back: the model point at a share (the coordinate the view projects away is 0).
void paintShare(PaintView view, Vec3 p, float* a, float* b);
Vec3 paintPoint(PaintView view, float a, float b);
// Atlas coordinate of a model point seen in the given view, kept a pixel inside its region.
void paintCoord(PaintView view, Vec3 p, float* u, float* v);

// The pieces, each in its own file.
void addCarBodies(DataSet& set);        // bodies, reflection shells, shadow meshes
void addCarParts(DataSet& set);         // wheel_pass0, wheel_pass1, helm
void addCarTextures(DataSet& set);      // paints, helmets, tyre, rim, shadow, chrome, skybox ...

} // namespace qm
