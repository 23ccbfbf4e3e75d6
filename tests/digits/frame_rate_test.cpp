// The frame-rate count the overlay shows: it changes once per accumulated second.
#include "host/frame_rate_counter.h"

#include <gtest/gtest.h>

namespace {
using namespace qm;

TEST(FrameRateCounter, ShowsTheFramesOfEachPassedSecond)
{
    FrameRateCounter counter;
    EXPECT_EQ(counter.count(0.4f), 0);
    EXPECT_EQ(counter.count(0.4f), 0);
    EXPECT_EQ(counter.count(0.4f), 3) << "1.2 s passed: the three frames, this one included";
    EXPECT_EQ(counter.count(0.4f), 3);
}

TEST(FrameRateCounter, ExactlyOneSecondIsNotYetPast)
{
    FrameRateCounter counter;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(counter.count(0.25f), 0) << "1.0 s is not past 1.0";
    EXPECT_EQ(counter.count(0.25f), 5);
    // 0.25 s carried over: four more frames reach 1.25 s.
    for (int i = 0; i < 3; ++i) EXPECT_EQ(counter.count(0.25f), 5);
    EXPECT_EQ(counter.count(0.25f), 4);
}

} // namespace
