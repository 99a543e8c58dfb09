#include "mainapp/MainRules.h"

#include <gtest/gtest.h>


using namespace mainrules;

namespace {

struct TypeRow {
    int type, status, state, key, image;
    const char* text;
};

TEST(MainRulesTest, TypeCellsOfAllEightKeys) {
    const TypeRow rows[] = {
        {1, 1, 1, 111, 0, "New Voice"},   {2, 1, 1, 110, 1, "New Fax"},     {1, 1, 3, 11, 2, "Voice"},
        {2, 1, 3, 10, 3, "Fax"},          {1, 2, 1, 101, 4, "Voice: ERROR"}, {2, 0, 1, 100, 5, "Fax: ERROR"},
        {1, 0, 3, 1, 6, "Voice: ERROR"}, {2, 2, 3, 0, 7, "Fax: ERROR"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.key);
        EXPECT_EQ(TypeKey(r.type, r.status, r.state), r.key);
        EXPECT_EQ(TypeCellOf(r.key).ImageIndex, r.image);
        EXPECT_STREQ(TypeCellOf(r.key).Text, r.text);
    }
}

TEST(MainRulesTest, AnyKindButVoiceCountsAsFax) {
    EXPECT_EQ(TypeKey(0, 1, 3), 10);
    EXPECT_EQ(TypeKey(255, 1, 1), 110);
}

TEST(MainRulesTest, DateCellDropsSecondsAndStaysEmptyWithoutDate) {
    const TDateTime d = EncodeDate(2001, 3, 7) + EncodeTime(9, 5, 42, 0);
    const std::string full = TimeToStr(d);
    ASSERT_EQ(full.substr(full.size() - 3), ":42");  // the test locale writes 24-hour times
    EXPECT_EQ(DateCellText(d), DateToStr(d) + " " + full.substr(0, full.size() - 3));
    EXPECT_EQ(DateCellText(0), "");
}

TEST(MainRulesTest, SecondsLeaveTheTimeFormatWhereverTheyStand) {
    EXPECT_EQ(FormatWithoutSeconds("HH:mm:ss"), "HH:mm");
    EXPECT_EQ(FormatWithoutSeconds("h:mm:ss AP"), "h:mm AP");
    EXPECT_EQ(FormatWithoutSeconds("H.mm.ss"), "H.mm");
    EXPECT_EQ(FormatWithoutSeconds("HH:mm"), "HH:mm");
}

TEST(MainRulesTest, NewMessageTextsAndCounts) {
    EXPECT_EQ(NewMessagesText(1, " new message", " new messages"), "1 new message");
    EXPECT_EQ(NewMessagesText(2, " new message", " new messages"), "2 new messages");
    EXPECT_EQ(NewMessagesText(0, " new message", " new messages"), "0 new message");
    EXPECT_EQ(WithCount("Do you really want to erase the selected %u messages?", 3),
              "Do you really want to erase the selected 3 messages?");
    EXPECT_EQ(WithCount("no count", 3), "no count");
}

TEST(MainRulesTest, GaugeColourAndRange) {
    EXPECT_EQ(GaugeColor(30), 0xFF0000u);
    EXPECT_EQ(GaugeColor(31), 0x000080u);
    EXPECT_EQ(GaugeColor(0), 0xFF0000u);
    EXPECT_EQ(GaugePosition(-5), 0);
    EXPECT_EQ(GaugePosition(250), 100);
    EXPECT_EQ(GaugePosition(42), 42);
}

TEST(MainRulesTest, NamedBaudRates) {
    for (int r : {110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000})
        EXPECT_TRUE(IsNamedBaudRate(r)) << r;
    for (int r : {0, -1, 57601, 230400, 33600}) EXPECT_FALSE(IsNamedBaudRate(r)) << r;
}

TEST(MainRulesTest, ColumnLayoutOutsideTheRulesFallsBackToDefaults) {
    ColumnLayout moved;
    moved.Position = {2, 0, 1, 3};
    EXPECT_EQ(Sanitized(moved).Position, moved.Position);
    ColumnLayout twice;
    twice.Position = {0, 0, 2, 3};
    EXPECT_EQ(Sanitized(twice).Position, (std::array<int32_t, 4>{0, 1, 2, 3}));
    ColumnLayout outside;
    outside.Position = {0, 1, 2, 7};
    outside.Width = {-1, 10, 0, 500};
    const auto s = Sanitized(outside);
    EXPECT_EQ(s.Position, (std::array<int32_t, 4>{0, 1, 2, 3}));
    EXPECT_EQ(s.Width, (std::array<int32_t, 4>{35, 10, 0, 500}));
    EXPECT_EQ(ColumnPositionName(2), "cColumn2");
    EXPECT_EQ(ColumnWidthName(3), "cColumnW3");
    // A broken width takes the default the caller scaled to its font.
    EXPECT_EQ(Sanitized(outside, {40, 140, 100, 70}).Width, (std::array<int32_t, 4>{40, 10, 0, 500}));
}

TEST(MainRulesTest, DefaultWidthsScaleFromTheOriginalFontToTheFontInUse) {
    struct Row {
        int32_t original;
        double letters;  // average letter width of the font in use
        int32_t scaled;
    };
    const Row rows[] = {
        {35, 6.0, 35},   {120, 6.0, 120},  // the original's own font keeps the numbers
        {120, 7.5, 150}, {90, 7.5, 113},   // 112.5 rounds up
        {60, 4.5, 45},   {0, 9.0, 0},
        {90, 0.0, 90},   {90, -1.0, 90},   // a font without metrics keeps them too
    };
    for (const Row& r : rows) EXPECT_EQ(ScaledWidth(r.original, r.letters), r.scaled) << r.original << " " << r.letters;
    EXPECT_EQ(ScaledColumnWidths(6.0), DefaultColumnWidths);
    EXPECT_EQ(ScaledColumnWidths(7.2), (std::array<int32_t, 4>{42, 144, 108, 72}));
}

TEST(MainRulesTest, CallerIdsLoseTheBlanksThatPadThem) {
    const std::pair<const char*, const char*> rows[] = {
        {"0301 2345678         ", "0301 2345678"}, {"+49 40 5550123", "+49 40 5550123"},
        {"                    ", ""},              {"", ""},
        {" 0815 ", " 0815"},                        // leading blanks are the modem's own text
        {"12 34\t ", "12 34\t"},
    };
    for (const auto& [in, out] : rows) EXPECT_EQ(CallerIdCellText(in), out) << '"' << in << '"';
}

TEST(MainRulesTest, FoldersOfChosenFiles) {
    EXPECT_EQ(FolderOfFile("/home/me/faxes/a.tif"), "/home/me/faxes");
    EXPECT_EQ(FolderOfFile("/a.tif"), "/");
    EXPECT_EQ(FolderOfFile("a.tif"), "");
    EXPECT_EQ(WithSeparator("/x"), "/x/");
    EXPECT_EQ(WithSeparator("/x/"), "/x/");
}

TEST(MainRulesTest, AutoSaveNamesWithAndWithoutDate) {
    const TDateTime d = EncodeDate(2001, 3, 7) + EncodeTime(9, 5, 0, 0);
    EXPECT_EQ(AutoSaveFaxName("/tmp/f", d, 0), "/tmp/f/ FAX2001.03.07 09.05.00.tif");
    EXPECT_EQ(AutoSaveFaxName("/tmp/f/", d, 0), "/tmp/f/ FAX2001.03.07 09.05.00.tif");
    EXPECT_EQ(AutoSaveFaxName("/tmp/f", 0, 37000.25), "/tmp/f/FAX-unkown37000.250000.tif");
}

TEST(MainRulesTest, ViewerFileAndParameters) {
    EXPECT_EQ(ViewerFileName("/tmp/TMP1A2B.tmp"), "/tmp/TMP1A2B.TIF");
    EXPECT_EQ(ViewerParameters("/tmp/TMP1A2B.TIF"), "\"/tmp/TMP1A2B.TIF\" /TEMP");
}

TEST(MainRulesTest, ViewerErrorReasons) {
    const std::string p = "Error occured on excecution of KODAKIMG.EXE\r\n";
    EXPECT_EQ(ViewerErrorText("KODAKIMG.EXE", 2), p + "Program not found!");
    EXPECT_EQ(ViewerErrorText("KODAKIMG.EXE", 3), p + "Path not found!");
    EXPECT_EQ(ViewerErrorText("KODAKIMG.EXE", 5), p + "Access denied!");
    EXPECT_EQ(ViewerErrorText("KODAKIMG.EXE", 8), p + "Out of memory!");
    EXPECT_EQ(ViewerErrorText("KODAKIMG.EXE", 31), p + "Errorcode: 31");
}

TEST(MainRulesTest, ProgressTextShowsTheTimeToGo) {
    const TDateTime start = 40000.0;
    const TDateTime now = start + EncodeTime(0, 0, 30, 0);  // 30 s for 25 %: 90 s to go
    EXPECT_EQ(ProgressText("Loading fax ...", 25, start, now),
              "Loading fax ... 25%   -   " + TimeToStr(EncodeTime(0, 1, 30, 0)));
}

TEST(MainRulesTest, LogFileRules) {
    EXPECT_TRUE(LogStartsAfresh(60000));
    EXPECT_FALSE(LogStartsAfresh(59999));
    EXPECT_FALSE(LogStartsAfresh(0));
    EXPECT_TRUE(LogStartsAfresh(-1));
    EXPECT_EQ(LogFirstLine(), "Start von Pellow! #################################################");
    EXPECT_EQ(LogFirstLine().size(), 18u + 49u);
}

TEST(MainRulesTest, CommandLineSwitch) {
    for (const char* a : {"-AUTOSTART", "-autostart", "-AutoStart"}) EXPECT_TRUE(IsAutostartSwitch(a)) << a;
    for (const char* a : {"/AUTOSTART", "-AUTOSTART2", "AUTOSTART", ""}) EXPECT_FALSE(IsAutostartSwitch(a)) << a;
    EXPECT_EQ(UnknownParameterText("/x"), "In the command line, there is an unkown parameter:\r/x");
}

}  // namespace
