// libFuzzer target: the registry file parser on arbitrary file contents. Every value read must
// survive a save and a fresh read unchanged, beside the one value set in between.
#include "platform/registry_store.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char* const KEY = "Software\\Brimholt\\Quillmark";
const char* const NAMES[] = {"Path", "Width", "Height", "Gamma", "Volume", "ShowClock", "", "path", "X"};

struct Value {
    qm::platform::RegistryResult result = qm::platform::RegistryResult::Failed;
    qm::platform::RegistryType type = qm::platform::RegistryType::None;
    std::vector<uint8_t> bytes;
};

Value query(const qm::platform::RegistryKey& key, const char* name)
{
    Value v;
    uint32_t size = 0;
    v.result = key.query(name, nullptr, &size, &v.type);
    if (v.result != qm::platform::RegistryResult::Ok && v.result != qm::platform::RegistryResult::MoreData) return v;
    v.bytes.resize(size);
    v.result = key.query(name, v.bytes.data(), &size, &v.type);
    return v;
}

// A private configuration folder for the whole run (in memory where there is /dev/shm: every
// save is flushed), removed at exit.
char folder[64];

void removeFolder() { std::system((std::string("rm -rf '") + folder + "'").c_str()); }

void makeHome()
{
    if (folder[0]) return;
    std::strcpy(folder, "/dev/shm/qm-registry-fuzz-XXXXXX");
    if (!mkdtemp(folder)) {
        std::strcpy(folder, "/tmp/qm-registry-fuzz-XXXXXX");
        if (!mkdtemp(folder)) std::abort();
    }
    setenv("XDG_CONFIG_HOME", folder, 1);
    std::atexit(removeFolder);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    makeHome();
    const std::string path = qm::platform::RegistryKey::filePath(KEY);
    if (path.empty()) return 0;
    std::string folder = path.substr(0, path.rfind('/'));
    std::string command = "mkdir -p '" + folder + "'";
    static bool made = std::system(command.c_str()) == 0;
    if (!made) return 0;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    std::vector<Value> before;
    qm::platform::RegistryKey key;
    if (!key.open(KEY)) return 0;
    for (const char* name : NAMES) before.push_back(query(key, name));
    key.setDWord("Volume", 42);
    const bool saved = key.close();

    qm::platform::RegistryKey again;
    if (!saved || !again.open(KEY)) return 0;
    for (size_t i = 0; i < sizeof NAMES / sizeof NAMES[0]; ++i) {
        const Value after = query(again, NAMES[i]);
        if (std::strcmp(NAMES[i], "Volume") == 0) {
            if (after.result != qm::platform::RegistryResult::Ok || after.bytes.size() != 4) __builtin_trap();
            continue;
        }
        if (after.result != before[i].result || after.type != before[i].type || after.bytes != before[i].bytes)
            __builtin_trap();
    }
    again.close();
    return 0;
}
