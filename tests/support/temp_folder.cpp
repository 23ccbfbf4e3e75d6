// Test helper: a fresh folder under the system temporary directory, removed with the object.
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace qm::test {

TempFolder::TempFolder(const std::string& prefix)
{
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()))
        path_ = pattern;
    else
        ADD_FAILURE() << "cannot make a temporary folder " << pattern;
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

} // namespace qm::test
