#include "support/DateTimeEx.h"

#include <gtest/gtest.h>

TEST(DateTimeEx, YearAndDayOfYear) {
    EXPECT_EQ(DayOfYear(EncodeDate(2000, 12, 31)), 366);
    EXPECT_EQ(DayOfYear(EncodeDate(2001, 12, 31)), 365);
    EXPECT_EQ(DayOfYear(EncodeDate(2001, 1, 1) + EncodeTime(23, 59, 0, 0)), 1);
    EXPECT_EQ(DayOfYear(EncodeDate(2024, 3, 1)), 61);
    EXPECT_EQ(YearOf(EncodeDate(1999, 12, 31) + 0.9999), 1999);
    EXPECT_EQ(YearOf(EncodeDate(1899, 12, 30)), 1899);
}
