#include <gtest/gtest.h>

#include "PumpThrottle.h"

using namespace courseview;
using namespace std::chrono_literals;

TEST(PumpThrottle, FirstCallIsDueThenOncePerInterval) {
    PumpThrottle throttle(4ms);
    const auto start = PumpThrottle::Clock::time_point{} + 1h;
    EXPECT_TRUE(throttle.Due(start)) << "the window gets its messages at once";
    EXPECT_FALSE(throttle.Due(start));
    EXPECT_FALSE(throttle.Due(start + 3ms));
    EXPECT_TRUE(throttle.Due(start + 4ms));
    EXPECT_FALSE(throttle.Due(start + 7ms)) << "counted from the last run, not from the start";
    EXPECT_TRUE(throttle.Due(start + 8ms));
}

TEST(PumpThrottle, ALongEntryDoesNotQueueUpRuns) {
    PumpThrottle throttle(4ms);
    const auto start = PumpThrottle::Clock::time_point{} + 1h;
    EXPECT_TRUE(throttle.Due(start));
    EXPECT_TRUE(throttle.Due(start + 100ms)) << "a slow page is followed by one run";
    EXPECT_FALSE(throttle.Due(start + 101ms)) << "and not by the runs it missed";
}
