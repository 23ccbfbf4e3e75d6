#include "host/run_state.h"
#include "camera/camera_director.h"

namespace qm {
namespace {
RunState theRunState;
}

RunState& runState()
{
    return theRunState;
}

void resetRunState()
{
    theRunState = RunState{};
}

void beginRun()
{
    keyframeClock() = 0.0f;
    theRunState.running = true;
    theRunState.mouseTravel = 0.0f;
    theRunState.pendingMouseDX = 0.0f;
    theRunState.pendingMouseDY = 0.0f;
}

} // namespace qm
