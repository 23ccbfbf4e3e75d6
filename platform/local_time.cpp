#include "platform/local_time.h"
#include <ctime>

namespace qm::platform {
namespace {
bool overridden = false;
LocalTime fixedTime{0, 0, 0};
}

LocalTime localTime()
{
    if (overridden) return fixedTime;
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    if (!localtime_r(&now, &parts)) return {0, 0, 0};
    // A leap second (60) shows as 59.
    return {parts.tm_hour, parts.tm_min, parts.tm_sec > 59 ? 59 : parts.tm_sec};
}

void setLocalTimeOverride(LocalTime t)
{
    fixedTime = t;
    overridden = true;
}

void clearLocalTimeOverride()
{
    overridden = false;
}

} // namespace qm::platform
