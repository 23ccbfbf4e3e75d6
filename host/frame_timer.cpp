#include "host/frame_timer.h"
#include "platform/performance_counter.h"

namespace qm {
namespace {
int64_t counterFrequency = 0;
double secondsPerCount = 0.0;
}

void FrameTimer::readFrequency()
{
    counterFrequency = platform::performanceFrequency();
    secondsPerCount = counterFrequency > 0 ? 1.0 / double(counterFrequency) : 0.0;
}

void FrameTimer::start()
{
    startCount_ = platform::performanceCounter();
}

double FrameTimer::elapsed()
{
    lastElapsed_ = double(platform::performanceCounter() - startCount_) * secondsPerCount;
    return lastElapsed_;
}

} // namespace qm
