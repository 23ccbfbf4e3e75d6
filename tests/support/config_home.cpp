// Test helper: a temporary folder used as XDG_CONFIG_HOME while the object lives.
#include "tests/support/config_home.h"

#include <cstdlib>

namespace qm::test {

// Without a folder the variable points nowhere writable rather than at the real configuration.
ConfigHome::ConfigHome() : TempFolder("qm-config")
{
    setenv("XDG_CONFIG_HOME", path().empty() ? "/nonexistent/qm-config" : path().c_str(), 1);
}

} // namespace qm::test
