// Counts frames per second for the overlay: the value shown changes once per accumulated second.
#pragma once
#include <cstdint>

namespace qm {

class FrameRateCounter {
public:
    virtual ~FrameRateCounter() = default;

    // Adds one frame of dt seconds; returns the value to show (0 during the first second).
    int32_t count(float dt);
    int32_t shown() const { return shown_; }

private:
    int32_t frames_ = 0;
    float seconds_ = 0.0f;
    int32_t shown_ = 0;
};

FrameRateCounter& frameRateCounter();
void resetFrameRateCounter();

} // namespace qm
