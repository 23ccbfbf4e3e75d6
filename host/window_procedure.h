// The main window's procedure: it only stores mouse offsets and posts the quit message.
#pragma once
#include "platform/message_pump.h"
#include "platform/window.h"

namespace qm {

// Acts on one message; client is the main window's client size at the time.
void windowProcedure(const platform::Message& message, platform::ClientSize client);
// Delivers a message to the procedure with the main window's current size.
void dispatchMessage(const platform::Message& message);

}
