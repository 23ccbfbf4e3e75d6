// Test helper: a temporary folder that is the current directory while the object lives.
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <climits>
#include <unistd.h>

namespace qm::test {

ScratchFolder::ScratchFolder() : TempFolder("qm-scratch")
{
    char here[PATH_MAX];
    previous_ = getcwd(here, sizeof here) ? here : "/";
    if (!path().empty() && chdir(path().c_str()) != 0) ADD_FAILURE() << "cannot enter " << path();
}

// Leaves the folder before the base class removes it.
ScratchFolder::~ScratchFolder()
{
    if (chdir(previous_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << previous_;
}

} // namespace qm::test
