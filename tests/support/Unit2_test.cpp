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
