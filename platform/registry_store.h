// A registry key of the current user, kept as a registry-export text file in the user's config folder:
// "Software\Maker\Program" lives in $XDG_CONFIG_HOME/Maker/Program.reg (~/.config when unset).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace qm::platform {

enum class RegistryType : uint32_t { None = 0, String = 1, DWord = 4 };

enum class RegistryResult {
    Ok,
    NotFound,   // no value with that name (or one of a kind this store only carries along)
    MoreData,   // the buffer is smaller than the value; *size holds the size needed
    Failed,     // the key is not open or the arguments are unusable
};

class RegistryKey {
public:
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    virtual ~RegistryKey();

    // Opens the key, which may not exist yet (it is empty then; nothing is written by opening).
    bool open(const char* subkey);
    // Copies the value into data (capacity *size bytes) and reports its type and size in bytes;
    // a string's size counts its terminator. data may be null to learn the size.
    RegistryResult query(const char* name, void* data, uint32_t* size, RegistryType* type) const;
    bool setDWord(const char* name, uint32_t value);
    // Strings may not contain line breaks.
    bool setString(const char* name, const char* value);
    // Saves pending changes (atomically: a temporary file in the same folder, flushed, renamed)
    // and closes the key. False when the save failed; the file is then as it was before.
    bool close();

    // The file that holds a subkey; empty for a subkey the store cannot map.
    static std::string filePath(const char* subkey);

private:
    struct Entry {
        std::string name;
        RegistryType type = RegistryType::None;
        uint32_t number = 0;
        std::string text;   // the string, or the whole line of a value carried along unread
    };

    void parse(const std::string& contents);
    // The index of the entry the line was stored in; -1 for a malformed line.
    long parseValueLine(const std::string& line);
    Entry* find(const std::string& name);
    const Entry* find(const std::string& name) const;
    size_t store(Entry entry);
    std::string serialise() const;
    bool save() const;

    bool open_ = false;
    bool dirty_ = false;
    bool readOnly_ = false;      // the file exists but could not be read whole: never overwrite it
    std::string path_;
    std::string section_;
    std::vector<Entry> entries_;
    std::vector<std::string> otherLines_;   // other keys' sections, kept as they were
};

}
