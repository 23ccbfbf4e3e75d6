#include "host/shot_counter.h"
#include "camera/camera_director.h"
#include "cars/car.h"
#include "host/compose_frame.h"
#include "host/run_state.h"
#include "host/scene_transition.h"
#include "render/random.h"
#include <cmath>

namespace qm {
namespace {

bool directorShotEnded()
{
    return cameraDirector().shotEnded;
}

void directorStartsNextShot()
{
    cameraDirector().chooseFollowedCar();
    cameraDirector().pickShot();
}

constexpr ShotSource CAMERA_SHOTS = {directorShotEnded, directorStartsNextShot};
ShotSource shotSource = CAMERA_SHOTS;

// trunc(r * scale) for one draw r in [0, 1].
int32_t drawUpTo(double scale)
{
    return int32_t(std::trunc(randUnit() * scale));
}

void startNextShot()
{
    if (shotSource.startNextShot) shotSource.startNextShot();
}

void beginSceneTransition()
{
    RunState& run = runState();
    captureTransitionFrame();
    run.shotCount = 0;
    run.shotLimit = 7 + drawUpTo(3.9);
    sceneTransition().effect = drawUpTo(3.9);
    sceneTransition().active = true;
    formGrid();
}

} // namespace

ShotSource cameraShotSource()
{
    return CAMERA_SHOTS;
}

void setShotSource(const ShotSource& source)
{
    shotSource = source;
}

void startShotCounting()
{
    runState().shotCount = 0;
    runState().shotLimit = 5 + drawUpTo(5.9);
    sceneTransition().effect = drawUpTo(3.9);
}

void startFirstShot()
{
    startNextShot();
}

bool shotHasEnded()
{
    return shotSource.shotEnded && shotSource.shotEnded();
}

void onShotEnded()
{
    if (runState().shotCount == runState().shotLimit) beginSceneTransition();
    startNextShot();
    ++runState().shotCount;
}

} // namespace qm
