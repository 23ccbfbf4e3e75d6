// SIGTERM, SIGINT and SIGHUP (how screensaver managers stop a saver) become the quit message.
#pragma once

namespace qm::platform {

void installQuitSignalHandlers();
// True once after one of the signals arrived; the message pump asks this.
bool takeQuitSignal();
// True while a signal waits to be taken; asking does not take it (message boxes, loading).
bool quitSignalPending();
// After a quit signal the process ends within this many milliseconds even when the main thread
// never gets back to its loop (a load stuck in hostile artwork): it exits with status 0 and leaves
// the display to the guardian. 0 turns the deadline off.
void setQuitDeadline(unsigned milliseconds);

}
