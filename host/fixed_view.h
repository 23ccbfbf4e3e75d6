// A view that does not follow the race: a look from an eye point at a target (quillmark-render's
// --eye/--look, used instead of the camera director), or the initial GL view of the set-up.
#pragma once
#include "render/vec3.h"

namespace qm {

struct FixedView {
    bool lookAt = false;        // false: the initial GL view
    Vec3 eye{0, 0, 0};
    Vec3 look{0, 0, 0};
    bool captured = false;      // the initial matrices below hold what captureInitialView read
    float projection[16] = {};
    float modelView[16] = {};
};

FixedView& fixedView();
void resetFixedView();
// Remembers the current projection and model-view matrices as the initial GL view.
void captureInitialView();
// Loads the projection and the view: the initial matrices, with a look from eye to look (+Z up)
// in place of the initial model-view when one is set.
void applyFixedView();

} // namespace qm
