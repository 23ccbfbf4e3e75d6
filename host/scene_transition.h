// The two-second scene-change effect: started by the shot counting, advanced and drawn per frame.
#pragma once
#include <cstdint>

namespace qm {

struct SceneTransition {
    int32_t effect = 0;      // 0..3
    bool active = false;
    float elapsed = 0.0f;    // seconds since it started
};

SceneTransition& sceneTransition();
void resetSceneTransition();

}
