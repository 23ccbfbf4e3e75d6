// Test helper: a temporary folder used as XDG_CONFIG_HOME while the object lives, so that the
// settings file of a test never touches the user's own.
#pragma once
#include "tests/support/temp_folder.h"

namespace qm::test {

class ConfigHome : public TempFolder {
public:
    ConfigHome();

    std::string settingsFile() const { return path() + "/Brimholt/Quillmark.reg"; }
};

} // namespace qm::test
