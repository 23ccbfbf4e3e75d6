#include "host/fixed_view.h"
#include "render/gl.h"

#include <cmath>

namespace qm {
namespace {

FixedView view;

// +Z is up in the world; looking straight up or down takes +Y as up instead.
Vec3 upFor(Vec3 direction)
{
    const Vec3 z(0, 0, 1);
    return length(cross(normalized(direction), z)) > 1e-4f ? z : Vec3(0, 1, 0);
}

} // namespace

FixedView& fixedView() { return view; }
void resetFixedView() { view = FixedView(); }

void captureInitialView()
{
    glGetFloatv(GL_PROJECTION_MATRIX, view.projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, view.modelView);
    view.captured = true;
}

void applyFixedView()
{
    glMatrixMode(GL_PROJECTION);
    if (view.captured) glLoadMatrixf(view.projection);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (view.lookAt) {
        const Vec3 up = upFor(view.look - view.eye);
        gluLookAt(view.eye.x, view.eye.y, view.eye.z, view.look.x, view.look.y, view.look.z, up.x, up.y, up.z);
    } else if (view.captured) {
        glLoadMatrixf(view.modelView);
    }
}

} // namespace qm
