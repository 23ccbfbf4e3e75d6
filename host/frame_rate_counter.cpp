#include "host/frame_rate_counter.h"

namespace qm {
namespace {
FrameRateCounter counter;
}

int32_t FrameRateCounter::count(float dt)
{
    ++frames_;
    seconds_ += dt;
    if (seconds_ > 1.0f) {
        shown_ = frames_;
        frames_ = 0;
        seconds_ -= 1.0f;
    }
    return shown_;
}

FrameRateCounter& frameRateCounter() { return counter; }
void resetFrameRateCounter() { counter = FrameRateCounter(); }

} // namespace qm
