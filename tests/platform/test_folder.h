// Test helper: a fresh temporary folder used as XDG_CONFIG_HOME, removed afterwards.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace qm::test {

class ConfigHome {
public:
    ConfigHome()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "qm-config-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) ? pattern : std::string();
        setenv("XDG_CONFIG_HOME", path_.c_str(), 1);
    }
    ~ConfigHome()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    std::string settingsFile() const { return path_ + "/Brimholt/Quillmark.reg"; }

private:
    std::string path_;
};

inline std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeText(const std::string& path, const std::string& text)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace qm::test
