// Local wall-clock time, replaceable from tests and the headless renderer.
#pragma once

namespace qm::platform {

struct LocalTime {
    int hour;    // 0..23
    int minute;  // 0..59
    int second;  // 0..59
};

LocalTime localTime();
// Fixes the time that localTime returns (tests); clearLocalTimeOverride goes back to the clock.
void setLocalTimeOverride(LocalTime t);
void clearLocalTimeOverride();

}
