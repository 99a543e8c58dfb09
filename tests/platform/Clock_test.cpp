#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "platform/Exceptions.h"

TEST(Clock, EncodesAndDecodesTheClassLibraryDays) {
    EXPECT_DOUBLE_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_DOUBLE_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_DOUBLE_EQ(EncodeDate(2000, 1, 1), 36526.0);
    int y, m, d, h, mi, s, ms;
    DecodeDate(36526.75, y, m, d);
    DecodeTime(36526.75, h, mi, s, ms);
    EXPECT_EQ(y * 10000 + m * 100 + d, 20000101);
    EXPECT_EQ(h * 10000 + mi * 100 + s, 180000);
    // 23:59:59.9996 rounds to the millisecond and stays on the same day.
    DecodeDate(EncodeDate(2001, 2, 28) + EncodeTime(23, 59, 59, 999), y, m, d);
    EXPECT_EQ(m * 100 + d, 228);
    EXPECT_THROW(EncodeDate(2001, 2, 29), EConvertError);
    EXPECT_NO_THROW(EncodeDate(2000, 2, 29));
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
}

TEST(Clock, SetNowMovesTheClockAndItRunsOn) {
    const TDateTime moment = EncodeDate(2001, 3, 4) + EncodeTime(5, 6, 7, 0);
    SetNow(moment);
    const TDateTime a = Now();
    EXPECT_NEAR(a, moment, 1.0 / 86400);
    EXPECT_DOUBLE_EQ(Date(), EncodeDate(2001, 3, 4));
    ResetClock();
    EXPECT_GT(Now(), EncodeDate(2020, 1, 1));
}

TEST(Clock, FormatsWithTheUsersLocaleAndSpecifiers) {
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    const TDateTime v = EncodeDate(2001, 3, 4) + EncodeTime(5, 6, 7, 8);
    EXPECT_EQ(DateToStr(v), "04.03.01");
    EXPECT_EQ(TimeToStr(v), "05:06:07");
    EXPECT_EQ(DateTimeToStr(EncodeDate(2001, 3, 4)), "04.03.01");
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", v), "2001-03-04 05:06:07.008");
    EXPECT_EQ(FormatDateTime("d.m.yy \"at\" h", v), "4.3.01 at 5");
    unsetenv("LC_ALL");
}

TEST(Clock, LocalToTimeTGivesTheSameLocalMomentInWholeSeconds) {
    for (const auto& [d, t] : {std::pair{EncodeDate(2001, 3, 4), EncodeTime(5, 6, 7, 0)},
                               std::pair{EncodeDate(1971, 1, 1), EncodeTime(1, 1, 1, 999)},
                               std::pair{EncodeDate(2026, 7, 1), EncodeTime(23, 59, 59, 0)}}) {
        const std::time_t v = LocalToTimeT(d + t);
        std::tm tm{};
        localtime_r(&v, &tm);
        int y, mo, day, h, mi, s, ms;
        DecodeDate(d + t, y, mo, day);
        DecodeTime(d + t, h, mi, s, ms);
        EXPECT_EQ(tm.tm_year + 1900, y);
        EXPECT_EQ(tm.tm_mon + 1, mo);
        EXPECT_EQ(tm.tm_mday, day);
        EXPECT_EQ(tm.tm_hour * 10000 + tm.tm_min * 100 + tm.tm_sec, h * 10000 + mi * 100 + s);
    }
}
