#include "platform/Checked.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "platform/StrUtils.h"

TEST(Checked, OverflowRaises) {
    EXPECT_EQ(CheckedAdd<int32_t>(2, 3), 5);
    EXPECT_THROW(CheckedAdd<int32_t>(std::numeric_limits<int32_t>::max(), 1), EIntOverflow);
    EXPECT_THROW(CheckedSub<uint16_t>(0, 1), EIntOverflow);
    EXPECT_THROW(CheckedMul<int32_t>(65536, 65536), EIntOverflow);
    EXPECT_EQ(CheckedCast<uint8_t>(255), 255);
    EXPECT_THROW(CheckedCast<uint8_t>(256), EIntOverflow);
    EXPECT_THROW(CheckedCast<uint32_t>(-1), EIntOverflow);
}

TEST(Checked, IndexOutsideRaises) {
    std::vector<int> v{1, 2, 3};
    EXPECT_EQ(At(v, 2), 3);
    EXPECT_THROW(At(v, 3), ERangeError);
    EXPECT_THROW(At(v, -1), ERangeError);
    EXPECT_STREQ(ERangeError().what(), "Range check error");
}

TEST(StrToInt, AcceptsWhatTheClassLibraryAccepts) {
    struct {
        const char* text;
        bool ok;
        int32_t value;
    } cases[] = {{"12", true, 12},          {"  -7", true, -7},        {"+3", true, 3},
                 {"$1F", true, 31},         {"0x10", true, 16},        {"$FFFFFFFF", true, -1},
                 {"2147483647", true, INT32_MAX}, {"-2147483648", true, INT32_MIN},
                 {"2147483648", false, 0},  {"", false, 0},            {"12 ", false, 0},
                 {"1a", false, 0},          {"-", false, 0},           {"99999999999999999999", false, 0}};
    for (const auto& c : cases) {
        if (c.ok) EXPECT_EQ(StrToInt(c.text), c.value) << c.text;
        else EXPECT_THROW(StrToInt(c.text), EConvertError) << c.text;
        EXPECT_EQ(StrToIntDef(c.text, 42), c.ok ? c.value : 42) << c.text;
    }
}
