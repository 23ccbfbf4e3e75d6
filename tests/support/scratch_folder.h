// Test helper: a temporary folder that is the current directory while the object lives, so that
// code reading "data.rar" or writing relative paths works inside it.
#pragma once
#include "tests/support/temp_folder.h"

namespace qm::test {

class ScratchFolder : public TempFolder {
public:
    ScratchFolder();
    ~ScratchFolder() override;

private:
    std::string previous_;
};

} // namespace qm::test
