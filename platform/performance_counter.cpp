#include "platform/performance_counter.h"
#include <ctime>

namespace qm::platform {

constexpr int64_t NANOSECONDS_PER_SECOND = 1000000000;

int64_t performanceCounter()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t(t.tv_sec) * NANOSECONDS_PER_SECOND + t.tv_nsec;
}

int64_t performanceFrequency()
{
    return NANOSECONDS_PER_SECOND;
}

} // namespace qm::platform
