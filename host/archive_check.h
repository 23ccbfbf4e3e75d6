// The start-up check of "data.rar", shared by the saver and quillmark-render: everything the scene
// shows comes from it, so a missing or broken archive is told once, before anything is loaded.
#pragma once
#include <string>

namespace qm {

// True when "data.rar" in the current directory can be read as an archive. Otherwise message
// holds one clear explanation that names the folder where it was looked for.
bool dataArchiveReadable(std::string& message);

}
