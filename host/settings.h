// The one process-wide record of the user's settings, kept in the registry store.
#pragma once
#include <cstdint>

namespace qm {

// "Gamma" with no brightness change: 100%.
constexpr uint32_t NEUTRAL_GAMMA = 50;

struct Settings {
    bool showClock = false;
    bool timeFormat = false;   // true: 12-hour clock with morning/afternoon marks
    bool english = false;
    bool random = false;
    bool enableMusic = false;
    bool enableSFX = false;
    bool useDesktop = false;
    bool showFlame = false;
    bool defGamma = false;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t depth = 0;
    uint32_t volume = 0;
    uint32_t gamma = 0;
    uint32_t detail = 0;
    bool showFPS = false;
    bool vSync = false;
    bool mouseExit = false;
    char path[255] = {};

    // Reads every value from the store (missing values take the first-run defaults).
    void load();
    // Writes every value except "Path"; false when the store could not be saved (it is then
    // left as it was).
    bool save() const;
};

// The process-wide settings; resetSettings puts every field back to its start-of-process value.
Settings& settings();
void resetSettings();

} // namespace qm
