// A modal message box with text, caption and an OK button.
#pragma once

namespace qm::platform {

// Shows the box and waits for OK. In headless use (see setMessageBoxToStderr) the text goes to
// standard error as "caption: text" instead and the call returns at once.
void messageBox(const char* text, const char* caption);
void setMessageBoxToStderr(bool on);

// Test hook: every message box is reported here instead (null restores the normal behaviour).
using MessageBoxHook = void (*)(const char* text, const char* caption);
void setMessageBoxHook(MessageBoxHook hook);

}
