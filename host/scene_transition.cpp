#include "host/scene_transition.h"

namespace qm {
namespace {
SceneTransition theTransition;
}

SceneTransition& sceneTransition()
{
    return theTransition;
}

void resetSceneTransition()
{
    theTransition = SceneTransition{};
}

} // namespace qm
