#include "tools/modemsim/SimThrottle.h"

#include <gtest/gtest.h>

#include <limits>

namespace modemsim {
namespace {

TEST(SimThrottle, UnlimitedLetsEverythingGoAtOnce) {
    Throttle t;
    EXPECT_FALSE(t.Limited());
    EXPECT_EQ(t.Allowed(0), std::numeric_limits<std::size_t>::max());
    EXPECT_EQ(t.ReadyAt(1 << 20, 5), 5u);
}

TEST(SimThrottle, RefillsAtTheRateAndNeverBurstsBeyondTenMilliseconds) {
    Throttle t(1000, 0);  // a byte per millisecond, ten in the bucket
    EXPECT_EQ(t.Allowed(0), 10u);
    t.Sent(10, 0);
    EXPECT_EQ(t.Allowed(0), 0u);
    EXPECT_EQ(t.Allowed(3), 3u);
    EXPECT_EQ(t.ReadyAt(10, 3), 5u);  // half the bucket is worth a wake-up
    EXPECT_EQ(t.ReadyAt(10, 5), 5u);
    EXPECT_EQ(t.ReadyAt(2, 3), 3u);
    EXPECT_EQ(t.Allowed(100000), 10u);  // a long pause earns no more than the bucket
    t.Sent(25, 100000);                 // more than the bucket holds empties it
    EXPECT_EQ(t.Allowed(100000), 0u);
}

TEST(SimThrottle, SlowLinesStillSendWholeBytes) {
    Throttle t(30, 0);  // 300 baud: one byte per 33.3 ms, the bucket holds one
    EXPECT_EQ(t.Allowed(0), 1u);
    t.Sent(1, 0);
    EXPECT_EQ(t.ReadyAt(5, 0), 34u);
    EXPECT_EQ(t.Allowed(33), 0u);
    EXPECT_EQ(t.Allowed(34), 1u);
}

}  // namespace
}  // namespace modemsim
