#include "support/Unit2.h"

#include <gtest/gtest.h>

#include <climits>

#include "platform/Exceptions.h"
#include "testkit/TestKit.h"

namespace {

struct FieldCase {
    const char* text;
    int n;
    const char* expected;
};

TEST(GetField, PicksTheNthCommaField) {
    const FieldCase cases[] = {
        {"a,b,c", 1, "a"}, {"a,b,c", 2, "b"},  {"a,b,c", 3, "c"},    {"a,b,c", 4, ""},
        {"a,,c", 2, ""},   {" 7,8", 1, " 7"},  {"a,b,c", -3, "a"},   {"12,", 2, ""},
        {",x", 1, ""},     {"abc", 1, "abc"},  {"abc", 2, ""},       {"a,b,c,", 4, ""},
        {"a,b", INT_MIN, "a"}, {"a,b", INT_MAX, ""},
    };
    for (const auto& c : cases) {
        std::string field = "untouched";
        GetField(c.text, c.n, field);
        EXPECT_EQ(field, c.expected) << c.text << " field " << c.n;
    }
}

// Reply texts come with the line end that closed them; it belongs to the
// line, not to its last field. Line ends inside the text stay where they are.
TEST(GetField, TheLineEndThatClosesTheTextIsNoPartOfTheLastField) {
    const FieldCase cases[] = {
        {"000,030,002,001,003,000\r\n", 6, "000"},
        {"000,030,002,001,003,000\r\n", 7, ""},
        {"a,b\r\n", 2, "b"},     {"a\r\n", 1, "a"},       {"a,b\r\n", 1, "a"},
        {"7\r\n\r\n", 1, "7"}, {"x\n", 1, "x"},         {"x\r", 1, "x"},
        {"12,\r\n", 2, ""},      {"\r\n", 1, ""},         {"a, b \r\n", 2, " b "},
        {"a,b\r\nc,d\r\n", 2, "b\r\nc"}, {"a,b\r\nc,d\r\n", 3, "d"}, {"a\r\n,b", 1, "a\r\n"},
    };
    for (const auto& c : cases) {
        std::string field = "untouched";
        GetField(c.text, c.n, field);
        EXPECT_EQ(field, c.expected) << c.text << " field " << c.n;
    }
    EXPECT_EQ(GetFieldInt("000,030,002,001,003,000\r\n", 6), 0);
    EXPECT_EQ(GetFieldInt("000,030,002,001,003,012\r\n", 6), 12);
    EXPECT_EQ(GetFieldInt("12,\r\n", 2), 0);
    EXPECT_THROW(GetFieldInt("a,b\r\nc,d\r\n", 2), EConvertError);
}

TEST(GetField, LeavesTheCallersFieldForZeroOrEmptyText) {
    std::string field = "kept";
    GetField("a,b", 0, field);
    EXPECT_EQ(field, "kept");
    GetField("", 1, field);
    EXPECT_EQ(field, "kept");
}

TEST(GetFieldInt, ConvertsOrRaises) {
    EXPECT_EQ(GetFieldInt("12,x", 1), 12);
    EXPECT_THROW(GetFieldInt("12,x", 2), EConvertError);
    EXPECT_EQ(GetFieldInt("12,", 2), 0);
    EXPECT_EQ(GetFieldInt("-5,3", 1), -5);
    try {
        GetFieldInt("12,x", 2);
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'x' is not a valid integer value");
    }
}

TEST(PadLeft, FillsButNeverCuts) {
    std::string r;
    PadLeft("7", '0', 2, r);
    EXPECT_EQ(r, "07");
    PadLeft("7", '0', 4, r);
    EXPECT_EQ(r, "0007");
    PadLeft("2001", '0', 2, r);
    EXPECT_EQ(r, "2001");
    PadLeft("", '*', 3, r);
    EXPECT_EQ(r, "***");
}

TEST(ShowWaitMessage, ShowsANoticeWithoutButtons) {
    testkit::ScopedScriptedUi ui;
    auto notice = ShowWaitMessage("Please wait");
    ASSERT_TRUE(notice);
    const auto prompts = ui->Prompts();
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].kind, "notice");
    EXPECT_EQ(prompts[0].text, "Please wait");
    EXPECT_TRUE(prompts[0].buttons.empty());
}

}  // namespace
