// A small second process that holds the display's gamma ramps and modes as they were before the
// saver changed them, and puts them back when the saver dies without its clean shutdown (SIGKILL,
// a crash, an abort): the X server keeps both when a client dies.
#pragma once

namespace qm::platform {

// Starts the guardian on a display connection of its own and waits until it holds the current
// ramps and modes; call it before changing either. holdGamma false: it leaves the ramps alone
// (the saver will not touch them). False when it could not start; the run goes on without it.
bool startDisplayGuardian(bool holdGamma);
// After the clean shutdown has put everything back: the guardian exits without touching the
// display, and is waited for.
void dismissDisplayGuardian();

}
