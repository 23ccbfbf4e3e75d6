// The saver's message queue: exactly the messages the main window's procedure acts on.
#pragma once
#include <cstdint>

namespace qm::platform {

enum class MessageKind {
    KeyDown,            // any key but Alt, F10 and keys pressed with Alt held
    LeftButtonDown,
    RightButtonDown,
    MouseMove,          // x, y: position in the main window's client area
    Close,              // the window was asked to close
    Destroy,            // the window is going away
    Quit,               // end of the run: posted by postQuitMessage or a quit signal
};

struct Message {
    MessageKind kind = MessageKind::Quit;
    int32_t x = 0;
    int32_t y = 0;
};

// Takes one message without waiting; false when the queue is empty. Input to other windows,
// the middle button, the wheel, Alt and F10 never become messages.
bool peekMessage(Message& out);
// Queues the quit message; the next peekMessage returns it.
void postQuitMessage();
// Drops a posted quit that nobody took (tests).
void clearPostedQuit();
// True while a posted quit or a quit signal waits; asking takes nothing (checks between loads).
bool quitPending();

}
