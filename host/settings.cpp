#include "host/settings.h"
#include "platform/display.h"
#include "platform/process.h"
#include "platform/registry_store.h"
#include <cstdio>
#include <cstring>
#include <iterator>

namespace qm {
namespace {

constexpr const char* SETTINGS_KEY = "Software\\Brimholt\\Quillmark";
constexpr uint32_t DWORD_SIZE = 4;

Settings theSettings;

// One stored value: a flag or a number field of the record.
struct ValueField {
    const char* name;
    bool Settings::*flag;
    uint32_t Settings::*number;
};

constexpr ValueField flagField(const char* name, bool Settings::*f) { return {name, f, nullptr}; }
constexpr ValueField numberField(const char* name, uint32_t Settings::*n) { return {name, nullptr, n}; }

const ValueField LOAD_ORDER[] = {
    flagField("ShowClock", &Settings::showClock),     flagField("TimeFormat", &Settings::timeFormat),
    flagField("English", &Settings::english),         flagField("Random", &Settings::random),
    flagField("EnableMusic", &Settings::enableMusic), flagField("EnableSFX", &Settings::enableSFX),
    flagField("UseDesktop", &Settings::useDesktop),   flagField("ShowFlame", &Settings::showFlame),
    flagField("DefGamma", &Settings::defGamma),       numberField("Width", &Settings::width),
    numberField("Height", &Settings::height),         numberField("Depth", &Settings::depth),
    numberField("Volume", &Settings::volume),         numberField("Gamma", &Settings::gamma),
    numberField("Detail", &Settings::detail),         flagField("ShowFPS", &Settings::showFPS),
    flagField("VSync", &Settings::vSync),             flagField("MouseExit", &Settings::mouseExit),
};

// Saving writes the same values with "ShowFPS" moved behind "VSync" and "MouseExit".
constexpr int SAVE_ORDER[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 16, 17, 15};
static_assert(std::size(SAVE_ORDER) == std::size(LOAD_ORDER));

// What a first run before any configuration gets: the dialog's Restore Defaults, and a
// usable volume. The display size comes from the desktop (fillScreenFromDesktop).
void applyFirstRunDefaults(Settings& s)
{
    s.showClock = true;
    s.timeFormat = false;
    s.english = false;
    s.random = false;
    s.enableMusic = true;
    s.enableSFX = true;
    s.useDesktop = true;
    s.showFlame = false;
    s.defGamma = true;
    s.width = s.height = s.depth = 0;
    s.volume = 100;
    s.gamma = NEUTRAL_GAMMA;
    s.detail = 0;
    s.showFPS = false;
    s.vSync = false;
    s.mouseExit = false;
    std::memset(s.path, 0, sizeof s.path);
}

// Exactly 4 bytes are offered; a value of any other size leaves its field as it was.
bool readValue(const platform::RegistryKey& key, const ValueField& f, Settings& s)
{
    uint32_t buffer = 0;
    uint32_t size = DWORD_SIZE;
    platform::RegistryType type = platform::RegistryType::None;
    if (key.query(f.name, &buffer, &size, &type) != platform::RegistryResult::Ok) return false;
    if (size != DWORD_SIZE) return false;
    if (f.flag) s.*f.flag = buffer != 0;
    else s.*f.number = buffer;
    return true;
}

// A usable "Path" is a string that fits the buffer; anything else counts as missing.
void readPath(const platform::RegistryKey& key, Settings& s)
{
    uint32_t size = sizeof s.path;
    platform::RegistryType type = platform::RegistryType::None;
    char buffer[sizeof s.path] = {};
    if (key.query("Path", buffer, &size, &type) != platform::RegistryResult::Ok) return;
    if (type != platform::RegistryType::String) return;
    buffer[sizeof buffer - 1] = '\0';
    std::memcpy(s.path, buffer, sizeof s.path);
}

// The installed program finds its data beside itself when nothing says otherwise.
void defaultPathToExecutableFolder(Settings& s)
{
    std::string folder = platform::executableFolder();
    if (!folder.empty() && folder.size() < sizeof s.path)
        std::snprintf(s.path, sizeof s.path, "%s", folder.c_str());
}

void fillScreenFromDesktop(Settings& s, bool haveWidth, bool haveHeight, bool haveDepth)
{
    platform::DisplayMode desktop;
    if (!platform::currentDisplayMode(0, desktop)) return;
    if (!haveWidth) s.width = desktop.width;
    if (!haveHeight) s.height = desktop.height;
    if (!haveDepth) s.depth = desktop.bitsPerPixel;
}

bool isField(const ValueField& f, uint32_t Settings::*n)
{
    return f.number == n;
}

} // namespace

void Settings::load()
{
    applyFirstRunDefaults(*this);
    platform::RegistryKey key;
    key.open(SETTINGS_KEY);
    bool haveWidth = false, haveHeight = false, haveDepth = false;
    for (const ValueField& f : LOAD_ORDER) {
        bool read = readValue(key, f, *this);
        if (isField(f, &Settings::width)) haveWidth = read;
        if (isField(f, &Settings::height)) haveHeight = read;
        if (isField(f, &Settings::depth)) haveDepth = read;
    }
    readPath(key, *this);
    key.close();
    if (!haveWidth || !haveHeight || !haveDepth)
        fillScreenFromDesktop(*this, haveWidth, haveHeight, haveDepth);
    if (path[0] == '\0') defaultPathToExecutableFolder(*this);
    if (defGamma) gamma = NEUTRAL_GAMMA;
}

bool Settings::save() const
{
    platform::RegistryKey key;
    if (!key.open(SETTINGS_KEY)) return false;
    for (int index : SAVE_ORDER) {
        const ValueField& f = LOAD_ORDER[index];
        key.setDWord(f.name, f.flag ? (this->*f.flag ? 1u : 0u) : this->*f.number);
    }
    return key.close();
}

Settings& settings()
{
    return theSettings;
}

void resetSettings()
{
    theSettings = Settings{};
}

} // namespace qm
