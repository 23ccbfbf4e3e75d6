// Seconds between frames, from the high-resolution performance counter.
#pragma once
#include <cstdint>

namespace qm {

class FrameTimer {
public:
    FrameTimer() = default;
    virtual ~FrameTimer() = default;

    // Reads the counter frequency that every timer shares; once per run, before the first start.
    static void readFrequency();
    void start();
    // Seconds since start; also kept as lastElapsed.
    double elapsed();
    double lastElapsed() const { return lastElapsed_; }

private:
    int64_t startCount_ = 0;
    double lastElapsed_ = 0.0;
};

}
