// The viewer window's rules that need no window, each a table of cases.
#include <gtest/gtest.h>

#include <cmath>

#include "viewer/ViewerRules.h"

namespace {

using namespace viewerrules;

TEST(ViewerCommandLine, TheLastFileCountsAndTheSwitchOnlyInCapitals) {
    const struct {
        std::vector<std::string> args;
        std::string file;
        bool temporary;
    } cases[] = {
        {{}, "", false},
        {{"/TEMP"}, "", true},
        {{"/tmp/a b.tif", "/TEMP"}, "/tmp/a b.tif", true},
        {{"/TEMP", "a.tif"}, "a.tif", true},
        {{"a.tif", "/temp"}, "/temp", false},
        {{"a.tif", "/Temp", "b.tif"}, "b.tif", false},
        {{"a.tif", "/TEMP", "b.tif"}, "b.tif", true},
        {{"-TEMP"}, "-TEMP", false},
    };
    for (const auto& c : cases) {
        const TCommandLine line = ParseCommandLine(c.args);
        EXPECT_EQ(line.file, c.file);
        EXPECT_EQ(line.temporary, c.temporary) << c.file;
    }
}

TEST(ViewerPageBox, KeysAndTexts) {
    for (char32_t k : {U'0', U'5', U'9', char32_t{8}, char32_t{13}}) EXPECT_TRUE(PageKeyPasses(k)) << int(k);
    for (char32_t k : {U'a', U'-', U'.', U',', U' ', char32_t{14}, U'\u0663'}) EXPECT_FALSE(PageKeyPasses(k)) << int(k);
    const struct {
        const char* text;
        int32_t count;
        std::optional<int32_t> page;
    } cases[] = {{"1", 5, 1},  {"5", 5, 5},   {"05", 5, 5},      {"0", 5, {}},          {"-3", 5, {}},
                 {"99", 5, {}}, {"", 5, {}},   {"6", 5, {}},      {"2x", 5, {}},         {" 2", 5, {}},
                 {"1", 0, {}},  {"99999999999", 5, {}}, {"2147483647", 5, {}}};
    for (const auto& c : cases) EXPECT_EQ(PageFromText(c.text, c.count), c.page) << c.text;
}

TEST(ViewerZoomBox, KeysFollowTheSeparatorAndTheCaret) {
    const struct {
        char32_t key;
        std::u32string text;
        std::size_t caret;
        char32_t separator;
        bool passes;
    } cases[] = {
        {U'7', U"12", 2, U'.', true},    {U'a', U"12", 2, U'.', false},  {char32_t{8}, U"12", 2, U'.', true},
        {char32_t{13}, U"", 0, U'.', true}, {U'.', U"12", 2, U'.', true}, {U'.', U"1.2", 3, U'.', false},
        {U',', U"12", 2, U'.', false},   {U',', U"12", 2, U',', true},   {U'.', U"12", 2, U',', false},
        {U',', U"1,2", 1, U',', false},  {U'-', U"12", 0, U'.', true},   {U'-', U"12", 1, U'.', false},
        {U'-', U"-12", 0, U'.', false},  {U'+', U"12", 0, U'.', false},  {U'e', U"12", 2, U'.', false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ZoomKeyPasses(c.key, c.text, c.caret, c.separator), c.passes)
            << int(c.key) << " caret " << c.caret << " separator " << int(c.separator);
}

TEST(ViewerZoomBox, TextsAreReadAndClampedInTheLocalesFormat) {
    const struct {
        const char* text;
        char32_t separator;
        std::optional<float> zoom;
        std::optional<std::string> shown;
    } cases[] = {
        {"100", U'.', 100, {}},     {"1", U'.', 2, "2"},         {"5000", U'.', 3000, "3000"},
        {"12.5", U'.', 12.5f, {}},  {"12,5", U',', 12.5f, {}},   {"12,5", U'.', {}, {}},
        {"12.5", U',', {}, {}},     {"-4", U'.', 2, "2"},         {"2", U'.', 2, {}},
        {"3000", U'.', 3000, {}},   {"3000.01", U'.', 3000, "3000"}, {" 75 ", U'.', 75, {}},
        {"1e3", U'.', 1000, {}},    {"1e400", U'.', 3000, "3000"}, {"1e-400", U'.', 2, "2"},
        {"abc", U'.', {}, {}},      {"", U'.', {}, {}},           {".", U'.', {}, {}},
        {"-", U'.', {}, {}},        {"5.", U'.', 5, {}},          {".5", U'.', 2, "2"},
        {"inf", U'.', {}, {}},      {"nan", U'.', {}, {}},        {"1e", U'.', {}, {}},
        {"7 5", U'.', {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto entry = ApplyZoomText(c.text, c.separator);
        ASSERT_EQ(entry.has_value(), c.zoom.has_value());
        if (!entry) continue;
        EXPECT_FLOAT_EQ(entry->zoom, *c.zoom);
        EXPECT_EQ(entry->text, c.shown);
    }
}

TEST(ViewerZoomBox, ZoomsAreShownWithSevenSignificantDigits) {
    const struct {
        double zoom;
        char32_t separator;
        const char* text;
    } cases[] = {{100, U'.', "100"},         {12.5, U',', "12,5"},        {6550, U'.', "6550"},
                 {41.666668f, U'.', "41.66667"}, {2, U'.', "2"},          {33.333333333, U',', "33,33333"},
                 {1234.5678, U'.', "1234.568"}};
    for (const auto& c : cases) EXPECT_EQ(ZoomText(c.zoom, c.separator), c.text) << c.zoom;
}

TEST(ViewerZoomMenu, StepsOfTwentyWithinTheirLimits) {
    const struct {
        float from, in, out;
    } cases[] = {{6530, 6550, 6510}, {6534, 6534, 6514}, {6540, 6540, 6520}, {6533.9f, 6553.9f, 6513.9f}, {100, 120, 80},
                 {21, 41, 2},        {22, 42, 2},        {2, 22, 2},                  {23, 43, 3}};
    for (const auto& c : cases) {
        EXPECT_FLOAT_EQ(ZoomedIn(c.from), c.in) << c.from;
        EXPECT_FLOAT_EQ(ZoomedOut(c.from), c.out) << c.from;
    }
}

TEST(ViewerPrintRange, TheOptionChoosesThePages) {
    const struct {
        int16_t option;
        int32_t first, last;
    } cases[] = {{0, 1, 7}, {1, 2, 4}, {2, 5, 5}, {3, 1, 7}, {-1, 1, 7}};
    for (const auto& c : cases) {
        const TPageRange r = PrintRange(c.option, 2, 4, 5, 7);
        EXPECT_EQ(r.first, c.first) << c.option;
        EXPECT_EQ(r.last, c.last) << c.option;
    }
}

}  // namespace
