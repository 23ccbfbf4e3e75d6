// Test helper: a fresh folder under the system temporary directory, removed with the object.
#pragma once
#include <string>

namespace qm::test {

class TempFolder {
public:
    // The folder name starts with prefix; a folder that cannot be made is a test failure.
    explicit TempFolder(const std::string& prefix = "qm-test");
    virtual ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

} // namespace qm::test
