// Modal dialogs built from a control table (positions in dialog units), driven by a procedure that
// reaches the controls only through DialogControls, so the same procedure runs on any backend.
#pragma once
#include <cstdint>
#include <string>

namespace qm::platform {

constexpr int NO_CONTROL_ID = -1;

enum class ControlKind {
    DefaultButton,   // push button activated by Return
    Button,
    GroupBox,
    DropDownList,    // a list the user picks one entry from; not sorted
    CheckBox,        // ticks and unticks itself when clicked
    RadioButton,     // consecutive radio buttons form one group; ticks itself when clicked
    Picture,         // shows the template's picture at its own size from the top left
    Text,            // left-aligned static text
    CentredText,     // centred static text of several lines
    TrackBar,        // horizontal, without tick marks
};

// An RGB picture, 3 bytes a pixel, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    const uint8_t* rgb = nullptr;
};

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* text;
    int x, y, width, height;   // dialog units
    const Picture* picture;    // Picture controls only
};

struct DialogTemplate {
    const char* caption;
    int width, height;         // client area in dialog units
    const ControlTemplate* controls;
    int controlCount;
    const Picture* icon;       // window icon; may be null
};

// What a track bar reports after its position changed (or a drag ended).
enum class TrackNotification {
    LineUp,          // arrow keys
    LineDown,
    PageUp,          // a click in the channel, Page Up / Page Down
    PageDown,
    ThumbPosition,   // the drag ended
    ThumbTrack,      // the thumb is being dragged
    Top,             // Home
    Bottom,          // End
    EndTrack,        // the key or button was released
};

class DialogProcedure;

// The controls of an open dialog, by id.
class DialogControls {
public:
    virtual ~DialogControls() = default;

    virtual bool isTicked(int id) const = 0;
    virtual void setTicked(int id, bool on) = 0;
    virtual void enable(int id, bool on) = 0;
    virtual void setText(int id, const char* text) = 0;
    // Gives the keyboard focus to a control.
    virtual void focus(int id) = 0;

    virtual void addListEntry(int id, const char* text) = 0;
    virtual int listEntryCount(int id) const = 0;
    // -1 selects nothing.
    virtual void selectListEntry(int id, int index) = 0;
    // -1 when nothing is selected.
    virtual int selectedListEntry(int id) const = 0;
    virtual std::string listEntryText(int id, int index) const = 0;

    virtual void setTrackRange(int id, int minimum, int maximum) = 0;
    virtual void setTrackPosition(int id, int position) = 0;
    virtual int trackPosition(int id) const = 0;

    // Closes the dialog once the procedure returns; runDialog then returns result.
    virtual void endDialog(int result) = 0;
    // Runs another dialog modally, owned by this one; returns its result.
    virtual int runOwnedDialog(const DialogTemplate& dialog, DialogProcedure& procedure) = 0;
};

// The dialog's behaviour. Each call returns whether it handled the message.
class DialogProcedure {
public:
    virtual ~DialogProcedure() = default;
    // Once, after the controls exist and before the dialog shows.
    virtual bool initDialog(DialogControls& controls) = 0;
    // A button was clicked (check boxes and radio buttons after they toggled themselves), or
    // Return (the default button, 1) or Escape and the close button (2, Cancel) were pressed.
    virtual bool command(DialogControls& controls, int id) = 0;
    virtual bool trackBarMoved(DialogControls& controls, int id, TrackNotification notification) = 0;
};

constexpr int DIALOG_NO_DISPLAY = -1;

// Runs the dialog modally until the procedure ends it; returns the procedure's result, or
// DIALOG_NO_DISPLAY (with the reason in dialogError) when no display can be opened. ownerWindow
// is the X window the dialog stays above (0: none; an unknown window is ignored).
int runDialog(const DialogTemplate& dialog, DialogProcedure& procedure, uint32_t ownerWindow);
const char* dialogError();

// Asks the desktop to open an address in the user's browser; does not wait and reports nothing.
void openWebPage(const char* address);

}
