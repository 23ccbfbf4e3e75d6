// The display connection that windows, displays, cursor and message pump share; opened on first use.
#pragma once

namespace qm::platform {

// Opens the connection to the display server; false when there is none (see videoError).
bool initVideo();
// Why initVideo failed, as one line of text.
const char* videoError();
// Closes the connection; windows must be gone by then.
void shutdownVideo();

}
