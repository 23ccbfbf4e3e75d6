// Test hook: what an open dialog shows, reported once it is first drawn.
#pragma once
#include "platform/dialog.h"
#include <string>
#include <vector>

namespace qm::platform {

struct ShownControl {
    int id = NO_CONTROL_ID;
    ControlKind kind = ControlKind::Text;
    std::string text;
    int x = 0, y = 0, width = 0, height = 0;   // pixels in the client area
    bool visible = false;
    bool enabled = false;
    int pictureWidth = 0, pictureHeight = 0;   // Picture controls
};

struct ShownDialog {
    std::string caption;
    unsigned long window = 0;   // the X window, 0 elsewhere
    int width = 0, height = 0;  // client area in pixels
    int baseUnitX = 0, baseUnitY = 0;
    std::vector<ShownControl> controls;   // in table order
};

// Called from the dialog's own event loop; the controls may be used and the dialog ended there.
using DialogShownHook = void (*)(const ShownDialog& shown, DialogControls& controls);
void setDialogShownHook(DialogShownHook hook);

}
