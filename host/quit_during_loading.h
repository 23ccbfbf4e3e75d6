// Loading runs without the message loop, so between its steps the saver looks for a pending quit
// (a quit signal, or the key or click that dismissed a message box) and ends the run right there
// through its shutdown sequence instead of finishing a load nobody will see.
#pragma once

namespace qm {

using QuitDuringLoading = void (*)();
// What ends the run; the saver sets it once its windows exist. Null (the default, as in
// quillmark-render): a pending quit is left to the frame loop.
void setQuitDuringLoading(QuitDuringLoading action);
// Call between load steps: runs the action when a quit is pending (it does not return then).
void endRunIfQuitPending();

}
