// The frame loop's process-wide state: whether it runs, the mouse travel, the camera-shot counters.
#pragma once
#include <cstdint>

namespace qm {

// With "MouseExit" on, the run ends once the signed sum of half-offsets exceeds this.
constexpr float MOUSE_EXIT_TRAVEL = 7.0f;

struct RunState {
    bool running = false;
    float pendingMouseDX = 0.0f;   // half the last mouse offset from the main window's centre
    float pendingMouseDY = 0.0f;
    float mouseTravel = 0.0f;      // signed sum of the consumed offsets
    int32_t shotCount = 0;         // camera shots started since the last transition
    int32_t shotLimit = 0;         // the shotCount at which the next transition comes
};

RunState& runState();
// Everything back to its start-of-process value (tests).
void resetRunState();
// The start of a saver run: running, no mouse travel.
void beginRun();

}
