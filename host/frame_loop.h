// The saver's frame loop: messages first, then one frame of updates and drawing when the queue is empty.
#pragma once
#include "host/frame_timer.h"

namespace qm {

// Runs until the running flag is cleared (the quit message, or mouse travel with "MouseExit").
void frameLoop(FrameTimer& timer);
// Takes every waiting message; the quit message clears the running flag.
void pumpMessages();
// One frame: dt from the timer, the updates, then the composed and presented picture.
void runFrame(FrameTimer& timer);
// The per-frame updates in their fixed order; never draws.
void updateFrame(float dt);
// Moves the cursor to the centre of the main window's client area (integer halves).
void centreCursor();
// Every car moves along its corridor, in car order, hearing the camera of the previous frame.
void updateCars(float dt);
// Adds the pending mouse offsets to the travel and pulls the cursor back to the centre.
void consumeMouseOffsets();

}
