// SIGTERM, SIGINT and SIGHUP (how screensaver managers stop a saver) become the quit message.
#pragma once

namespace qm::platform {

void installQuitSignalHandlers();
// True once after one of the signals arrived; the message pump asks this.
bool takeQuitSignal();

}
