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

TEST(SimThrottle, RefillsAtTheRateAndNeverBurstsBeyondTwoMilliseconds) {
    Throttle t(5000, 0);  // five bytes per millisecond, ten in the bucket
    EXPECT_EQ(t.Allowed(0), 10u);
    t.Sent(10, 0);
    EXPECT_EQ(t.Allowed(0), 0u);
    EXPECT_EQ(t.ReadyAt(10, 0), 1u);  // half the bucket is worth a wake-up
    EXPECT_EQ(t.Allowed(1), 5u);
    EXPECT_EQ(t.ReadyAt(10, 1), 1u);
    EXPECT_EQ(t.ReadyAt(2, 1), 1u);
    EXPECT_EQ(t.Allowed(100000), 10u);  // a long pause earns no more than the bucket
    t.Sent(25, 100000);                 // more than the bucket holds empties it
    EXPECT_EQ(t.Allowed(100000), 0u);
}

// Up to 9600 baud and beyond the line hands over a byte at a time, as a
// real one does: a line end's CR and LF do not come together.
TEST(SimThrottle, A9600BaudLineSendsOneByteAtATime) {
    Throttle t(960, 0);  // a byte per 1.04 ms; the bucket holds 1.92 bytes
    EXPECT_EQ(t.Allowed(0), 1u);
    t.Sent(1, 0);
    EXPECT_EQ(t.Allowed(0), 0u);
    EXPECT_EQ(t.Allowed(1), 1u);
    EXPECT_EQ(t.Allowed(100), 1u) << "never two at once";
}

// While bytes wait, the line runs on at its rate: a simulator that wakes up
// late (a busy machine) sends what the line would have carried meanwhile, up
// to a second of it, instead of losing that line time. Once nothing waits,
// the line rests, and a pause earns no more than the bucket again.
TEST(SimThrottle, ALateSenderCatchesUpWhileBytesWait) {
    Throttle t(960, 0);
    t.Sent(1, 0, true);
    EXPECT_EQ(t.Allowed(50), 48u) << "50 ms late: the 48 bytes the line carried meanwhile";
    t.Sent(48, 50, true);
    EXPECT_EQ(t.Allowed(50), 0u);
    EXPECT_EQ(t.Allowed(5000), 960u) << "at most a second is caught up";
    t.Sent(960, 5000, false);
    EXPECT_EQ(t.Allowed(6000), 1u) << "a line that rests never bursts";
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
