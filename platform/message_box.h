// A modal message box with text, caption and an OK button.
#pragma once

namespace qm::platform {

// Shows the box above everything on the primary display and waits until a key or a mouse button
// dismisses it, or until a quit is pending (a quit signal or a posted quit: the box then closes at
// once and the quit stays pending for the caller). With a quit already pending no box appears.
// Without an X display or a usable font, and in headless use (see setMessageBoxToStderr), the text
// goes to standard error as "caption: text" instead and the call returns at once.
void messageBox(const char* text, const char* caption);
void setMessageBoxToStderr(bool on);
// In the saver run the key or click that dismisses a box also posts the quit message: it is the
// input that ends the saver.
void setMessageBoxDismissQuits(bool on);

// Test hook: every message box is reported here instead (null restores the normal behaviour).
using MessageBoxHook = void (*)(const char* text, const char* caption);
void setMessageBoxHook(MessageBoxHook hook);

}
