// The 3Com family against the simulator playing a 56K Message modem, with
// the clock fixed on 10 March 2023, a common year (day number 69).
#include "modem/Modem_3com.h"

#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>

#include "modem/ModemDialogs.h"
#include "modem/Sim3comRig.h"
#include "platform/App.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "support/Unit2.h"
#include "testkit/G3Encode.h"
#include "testkit/LibTiffCheck.h"
#include "testkit/TestKit.h"

using sim3comtest::FixedClock;
using sim3comtest::Rig;

namespace {

const TDateTime kTenthOfMarch = EncodeDate(2023, 3, 10) + EncodeTime(10, 0, 0, 0);

// Fields 2 to 6 of the summary: 30 % used, two voice mails (one new), three
// faxes (none new: state 1 is not new for the count).
const char* const kFive = R"([memory]
used = 30
[message]
type = voice
state = old
time = 71,10,30
caller = "0301 2345678"
seconds = 4
[message]
type = fax
state = old
time = 150,8,5
caller = "+49 40 5550123"
pages = 2
error = 1
[message]
type = voice
state = new
time = 255,255,255
seconds = 65
[message]
type = fax
state = 1
time = 253,23,59
caller = "0221 987654"
pages = 1
[message]
type = fax
state = old
time = 254,0,0
pages = 1
)";

struct Expected {
    int type;
    const char* size;
    int state;
    int status;
    bool isNew;
    const char* caller;
    TDateTime date;
};

TEST(Modem3com, RefreshReadsCountsFreeMemoryAndTheNewFlag) {
    FixedClock clock(kTenthOfMarch);
    Rig r(kFive);
    r.modem.Refresh();
    EXPECT_EQ(r.modem.GetMsgCount(), 5);
    EXPECT_EQ(r.modem.GetNewMsgCount(), 1);
    EXPECT_EQ(r.modem.GetFreeMemory(), 70);
    EXPECT_TRUE(r.modem.HasNewMsgs());
    EXPECT_FALSE(r.modem.CanEraseSingle());
    EXPECT_EQ(r.modem.InfoBlockNo, 0);
    EXPECT_EQ(r.Received("ATE0+MCS=1"), 1);
    EXPECT_EQ(r.Received("ATE0V1+MSR=0"), 1);
    // Day 69 of the year, and the time of day.
    const auto clockLines = r.ReceivedStarting("ATE0V1+MCC=");
    ASSERT_EQ(clockLines.size(), 1u);
    EXPECT_EQ(clockLines[0].substr(0, 19), "ATE0V1+MCC=69,10,0,");
    const std::string log = r.log.Text();
    for (const char* d : {"###Activate Selfmode", "###Init ModemClock", "###Get MsgInfoBlock of Msg #0"})
        EXPECT_NE(log.find(d), std::string::npos) << d;
}

// The summary holds the six fields that are read, so the last of them ends
// in the line end; a modem may also send a seventh after them.
TEST(Modem3com, TheSummaryReadsAlikeWithItsSixFieldsAloneOrASeventhAfterThem) {
    for (const char* variant : {"", "pages-field = yes\n"}) {
        SCOPED_TRACE(variant);
        FixedClock clock(kTenthOfMarch);
        std::string scenario = kFive;
        scenario.insert(scenario.find("[message]"), variant);
        Rig r(scenario);
        r.modem.Refresh();
        std::string summary;
        r.modem.GetMsgInfoBlock(0, summary);
        EXPECT_EQ(summary.substr(0, 23), "000,030,002,001,003,000");
        EXPECT_EQ(summary.size(), *variant ? 29u : 25u);
        EXPECT_EQ(r.modem.GetMsgCount(), 5);
        EXPECT_EQ(r.modem.GetNewMsgCount(), 1);
        EXPECT_EQ(r.modem.GetFreeMemory(), 70);
        EXPECT_TRUE(r.modem.HasNewMsgs());
    }
}

// A new fax alone: the new-fax count is the last field of the line.
TEST(Modem3com, ANewFaxCountClosingTheSummaryLine) {
    FixedClock clock(kTenthOfMarch);
    Rig r("[message]\ntype = fax\nstate = new\npages = 1\n");
    r.modem.Refresh();
    EXPECT_EQ(r.modem.GetMsgCount(), 1);
    EXPECT_EQ(r.modem.GetNewMsgCount(), 1);
    EXPECT_TRUE(r.modem.HasNewMsgs());
}

TEST(Modem3com, EveryMessageReadsAsTheModemReportsIt) {
    FixedClock clock(kTenthOfMarch);
    Rig r(kFive);
    r.modem.Refresh();
    const Expected expected[] = {
        // 71 < 69 + 3: this half-year, 12 March.
        {MsgTypeVoice, "4 s", MsgStateOld, MsgStatusOk, false, "0301 2345678        ",
         EncodeDate(2023, 3, 12) + EncodeTime(10, 30, 0, 0)},
        // 150: the half-year before, 150 days after 30 June of last year.
        {MsgTypeFax, "2 p", MsgStateOld, MsgStatusError, false, "+49 40 5550123      ",
         EncodeDate(2022, 11, 27) + EncodeTime(8, 5, 0, 0)},
        {MsgTypeVoice, "65 s", MsgStateNew, MsgStatusOk, true, "                    ", 0},
        // State byte 1: new in the list, not new for IsMsgNew; day 253 still has a date.
        {MsgTypeFax, "1 p", MsgStateNew, MsgStatusOk, false, "0221 987654         ",
         EncodeDate(2023, 3, 10) + EncodeTime(23, 59, 0, 0)},
        // Day 254: no date.
        {MsgTypeFax, "1 p", MsgStateOld, MsgStatusOk, false, "                    ", 0},
    };
    for (int n = 1; n <= 5; ++n) {
        const Expected& e = expected[n - 1];
        SCOPED_TRACE(n);
        std::string size = "stale", caller = "stale";
        EXPECT_EQ(r.modem.GetMsgType(n), e.type);
        r.modem.GetMsgSize(n, size);
        EXPECT_EQ(size, e.size);
        EXPECT_EQ(r.modem.GetMsgState(n), e.state);
        EXPECT_EQ(r.modem.GetMsgStatus(n), e.status);
        EXPECT_EQ(r.modem.IsMsgNew(n), e.isNew);
        r.modem.GetMsgCallerId(n, caller);
        EXPECT_EQ(caller, e.caller);
        EXPECT_NEAR(r.modem.GetMsgDateTime(n), e.date, 1e-6);
        // All of it from one status line.
        EXPECT_EQ(r.Received("ATE0V1+MSR=" + std::to_string(n)), 1);
    }
    EXPECT_EQ(r.modem.GetMsgDuration(3), 65);
}

TEST(Modem3com, AskingAnotherMessageReadsItsBlockAfreshAndRefreshForgetsTheCache) {
    FixedClock clock(kTenthOfMarch);
    Rig r(kFive);
    r.modem.Refresh();
    std::string size;
    r.modem.GetMsgType(1);
    r.modem.GetMsgSize(1, size);
    EXPECT_EQ(r.Received("ATE0V1+MSR=1"), 1);
    r.modem.GetMsgType(2);
    r.modem.GetMsgType(1);
    EXPECT_EQ(r.Received("ATE0V1+MSR=1"), 2);
    r.modem.Refresh();
    EXPECT_EQ(r.modem.InfoBlockNo, 0);
    r.modem.GetMsgType(1);
    EXPECT_EQ(r.Received("ATE0V1+MSR=1"), 3);
}

TEST(Modem3com, AFailedStatusQueryKeepsTheCachedBlock) {
    FixedClock clock(kTenthOfMarch);
    Rig r(kFive, {"--error-on", "ATE0V1+MSR=2"});
    r.modem.Refresh();
    EXPECT_EQ(r.modem.GetMsgType(1), MsgTypeVoice);
    EXPECT_THROW(r.modem.GetMsgType(2), EModemClass);
    EXPECT_EQ(r.modem.InfoBlockNo, 1);
    std::string size;
    r.modem.GetMsgSize(1, size);
    EXPECT_EQ(size, "4 s");
    EXPECT_EQ(r.modem.GetMsgType(1), MsgTypeVoice);
    EXPECT_EQ(r.Received("ATE0V1+MSR=1"), 1);
}

TEST(Modem3com, TheInfoLineCarriesTheDateInPlaceOfTheDayNumber) {
    FixedClock clock(kTenthOfMarch);
    Rig r(kFive);
    r.modem.Refresh();
    std::string line;
    r.modem.GetMsgInfoLine(1, line);
    EXPECT_EQ(line.substr(0, 45), "001,002,004,252,000,12,3,2023,010,030,0301 23");
    EXPECT_EQ(GetFieldInt(line, 12), 4);
    EXPECT_EQ(GetFieldInt(line, 13), 0);
    EXPECT_EQ(GetFieldInt(line, 14), 0);
    // The checksum closes it as it closes the status line, without the line end.
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
    std::string block;
    r.modem.GetMsgInfoBlock(1, block);
    EXPECT_EQ(GetFieldInt(line, 15), GetFieldInt(block, 13));
    r.modem.GetMsgInfoLine(5, line);
    EXPECT_EQ(line.substr(0, 26), "005,001,001,252,000,0,0,0,");
}

TEST(Modem3com, FullMemoryAndAStateOf253) {
    FixedClock clock(kTenthOfMarch);
    Rig r("[memory]\nused = 120\n[message]\ntype = fax\nstate = 253\ntime = 254,0,0\npages = 1\n");
    r.modem.Refresh();
    EXPECT_EQ(r.modem.GetFreeMemory(), 0);
    EXPECT_EQ(r.modem.GetMsgCount(), 1);
    EXPECT_EQ(r.modem.GetNewMsgCount(), 1);
    EXPECT_TRUE(r.modem.HasNewMsgs());
    EXPECT_TRUE(r.modem.IsMsgNew(1));
    EXPECT_EQ(r.modem.GetMsgState(1), MsgStateNew);
    EXPECT_EQ(r.modem.GetMsgDateTime(1), 0);
}

TEST(Modem3com, FromTheFirstOfJulyTheDaysCountFromJuly) {
    FixedClock clock(EncodeDate(2023, 7, 1) + EncodeTime(12, 0, 0, 0));
    Rig r("[message]\ntime = 1,9,0\nseconds = 1\n[message]\ntime = 150,9,0\nseconds = 1\n");
    EXPECT_EQ(r.modem.GetModemDayNumber(), 1);
    r.modem.Refresh();
    EXPECT_EQ(r.ReceivedStarting("ATE0V1+MCC=1,12,0,").size(), 1u);
    EXPECT_NEAR(r.modem.GetMsgDateTime(1), EncodeDate(2023, 7, 1) + 9.0 / 24, 1e-6);
    // 150 >= 1 + 3: the first half-year, counted from 31 December of last year.
    EXPECT_NEAR(r.modem.GetMsgDateTime(2), EncodeDate(2023, 5, 30) + 9.0 / 24, 1e-6);
}

// Three days past today's number the message belongs to the half-year before.
TEST(Modem3com, TheHalfYearOfAMessageTurnsThreeDaysPastToday) {
    struct Case {
        TDateTime today;
        int day;
        TDateTime date;
    };
    const Case cases[] = {
        {EncodeDate(2023, 3, 10), 0, EncodeDate(2022, 12, 31)},
        {EncodeDate(2023, 3, 10), 71, EncodeDate(2023, 3, 12)},
        {EncodeDate(2023, 3, 10), 72, EncodeDate(2022, 9, 10)},
        {EncodeDate(2023, 7, 1), 3, EncodeDate(2023, 7, 3)},
        {EncodeDate(2023, 7, 1), 4, EncodeDate(2023, 1, 4)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(DateToStr(c.today) + " day " + std::to_string(c.day));
        FixedClock clock(c.today + 0.5);
        Rig r("[message]\ntime = " + std::to_string(c.day) + ",6,0\nseconds = 1\n");
        r.modem.Refresh();
        EXPECT_NEAR(r.modem.GetMsgDateTime(1), c.date + 0.25, 1e-6);
    }
}

TEST(Modem3com, TheDayNumberIsTheDayOfTheYearBeforeJuly) {
    const std::pair<TDateTime, int> cases[] = {
        {EncodeDate(2023, 3, 10), 69}, {EncodeDate(2023, 1, 1), 1},    {EncodeDate(2024, 6, 30), 182},
        {EncodeDate(2023, 7, 1), 1},   {EncodeDate(2023, 12, 31), 184}, {EncodeDate(2024, 7, 2), 2},
    };
    TCommClass comm;
    TModem3comClass modem(&comm);
    for (const auto& [day, number] : cases) {
        FixedClock clock(day + 0.75);
        EXPECT_EQ(modem.GetModemDayNumber(), number) << DateToStr(day);
    }
}

// --- Memory pages

// Bytes that need no shielding, or with DLEs among them.
std::string Pattern(std::size_t Size, bool WithDle) {
    std::string s(Size, '\0');
    uint32_t x = 12345;
    for (auto& c : s) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 24);
        if (!WithDle && c == '\x10') c = '\x11';
    }
    return s;
}

// A fax of 100 bytes, one from offset 100 to 1000, one over three pages.
class Pages : public ::testing::Test {
protected:
    void SetUp() override {
        testkit::WriteFile(dir + "/a.g3", Pattern(64, false));
        testkit::WriteFile(dir + "/b.g3", Pattern(864, false));
        testkit::WriteFile(dir + "/c.g3", big);
    }
    std::string Scenario() const {
        return "[message]\ntype = fax\nstate = old\ng3 = " + dir + "/a.g3\n"
               "[message]\ntype = fax\nstate = new\ng3 = " + dir + "/b.g3\n"
               "[message]\ntype = fax\nstate = new\ng3 = " + dir + "/c.g3\n";
    }
    std::string Download(Rig& r, int N) {
        const std::string file = dir + "/msg" + std::to_string(N);
        r.modem.DownloadMsg(N, file);
        return testkit::ReadFile(file);
    }

    testkit::TempHome home;
    std::string dir = home.Path();
    std::string big = Pattern(70000, true);
};

TEST_F(Pages, AMessageInsideOnePageIsCopiedFromItsStartToItsEnd) {
    Rig r(Scenario());
    r.modem.Refresh();
    const std::string file = Download(r, 2);
    ASSERT_EQ(file.size(), 900u);
    EXPECT_EQ(static_cast<uint8_t>(file[0]), 2);
    EXPECT_EQ(static_cast<uint8_t>(file[31]), 4);
    EXPECT_EQ(static_cast<uint8_t>(file[32]) * 256 + static_cast<uint8_t>(file[33]), 1000);
    EXPECT_EQ(file.substr(34), testkit::G3Shield(Pattern(864, false)));
    EXPECT_EQ(r.modem.FirstPage, 4);
    EXPECT_EQ(r.modem.LastPage, 4);
    EXPECT_EQ(r.modem.CurPage, 5);
    EXPECT_EQ(r.Received("ATE0V1+mtp=4"), 1);
    EXPECT_NE(r.log.Text().find("###Get Memory block #4"), std::string::npos);
    // The download hands the page command on without a line end of its own.
    EXPECT_NE(r.log.Text().find("<- \"ATE0V1+mtp=4\""), std::string::npos);
}

TEST_F(Pages, AMessageOverThreePagesJoinsThem) {
    Rig r(Scenario());
    r.modem.Refresh();
    const std::string file = Download(r, 3);
    EXPECT_EQ(file.size(), 34 + testkit::G3Shield(big).size());
    EXPECT_EQ(file.substr(34), testkit::G3Shield(big));
    EXPECT_EQ(static_cast<uint8_t>(file[31]), 6);
    EXPECT_EQ(r.modem.FirstPage, 4);
    EXPECT_EQ(r.modem.LastPage, 6);
    EXPECT_EQ(r.modem.CurPage, 7);
    EXPECT_EQ(r.ReceivedStarting("ATE0V1+mtp=").size(), 3u);
}

TEST_F(Pages, ProgressIsUnknownUntilTheLastPageIsKnownThenRisesTo100) {
    Rig r(Scenario(), {"--baud", "460800"});
    r.modem.Refresh();
    EXPECT_EQ(r.modem.GetProgress(), 0);  // no transfer yet: the counters are all 0
    std::vector<int> samples;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] { samples.push_back(r.modem.GetProgress()); });
    poll.start(10);
    Download(r, 3);
    poll.stop();
    ASSERT_GE(samples.size(), 10u);
    EXPECT_EQ(samples.front(), -1);
    const auto known = std::find_if(samples.begin(), samples.end(), [](int p) { return p >= 0; });
    ASSERT_NE(known, samples.end());
    EXPECT_TRUE(std::all_of(samples.begin(), known, [](int p) { return p == -1; }));
    EXPECT_TRUE(std::is_sorted(known, samples.end()));
    EXPECT_GE(samples.back(), 60);
    EXPECT_LE(samples.back(), 100);
    EXPECT_EQ(r.modem.GetProgress(), 100);
}

// A page that the modem ends with ERROR is no good page: the download ends
// there, the user is told once, and the pages after it are not asked for.
TEST_F(Pages, AnErrorInPlaceOfAPagesOkEndsTheDownload) {
    testkit::ScopedScriptedUi ui;
    Rig r(Scenario(), {"--page-error", "5"});
    r.modem.Refresh();
    const std::string file = dir + "/msg3";
    EXPECT_THROW(r.modem.DownloadMsg(3, file), EAbort);
    const auto prompts = ui->Prompts();
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].text, "ERROR: Could not get page");
    EXPECT_EQ(prompts[0].kind, "error");
    EXPECT_EQ(r.ReceivedStarting("ATE0V1+mtp="), (std::vector<std::string>{"ATE0V1+mtp=4", "ATE0V1+mtp=5"}))
        << "a refused page is not asked for again";
    const std::string log = r.log.Text();
    EXPECT_NE(log.find("ERROR: Page 5: no OK after the page"), std::string::npos) << log;
    EXPECT_NE(log.find("ERROR: Could not get page 5 of message 3: the download failed"), std::string::npos);
}

TEST(Modem3comChecksum, TheValueOfTheTwoCharacters) {
    const std::pair<const char*, int> cases[] = {
        {"3A", 0x3A}, {"3a", 0x3A}, {"FF", 0xFF}, {"ff", 0xFF}, {"00", 0}, {"9f", 0x9F},
        // A character that is no hexadecimal digit counts as 0.
        {"G1", 0x01}, {"1G", 0x10}, {" 7", 0x07}, {"\r\n", 0}, {"\xff\x10", 0},
    };
    for (const auto& [chars, value] : cases) EXPECT_EQ(TModem3comClass::ChecksumValue(chars), value) << chars;
}

// Each page is checked against its checksum and asked for again while it
// comes wrong; so a fault on the line costs a page's time, not the fax.
TEST_F(Pages, PagesThatComeWrongAreAskedForAgain) {
    struct Case {
        const char* name;
        std::vector<std::string> options;
        std::vector<std::string> pages;  // the page commands the download sends
        const char* logged;              // what the log says of the first wrong page
    };
    const Case cases[] = {
        {"wrong checksum twice", {"--page-bad-checksum", "5:2"},
         {"4", "5", "5", "5", "6"}, "ERROR: Page 5: the page sums to "},
        // Half the page and the reply's end came, then the time-out.
        {"short page once", {"--page-short", "6:1"}, {"4", "5", "6", "6"}, "ERROR: Page 6: 16390 of 32768 bytes came;"},
        // The drop counter runs over the page replies only (32776 bytes
        // each): the 50000th, 100000th and 150000th bytes go.
        {"dropped bytes", {"--fault-on", "+mtp", "--drop-every", "50000"}, {"4", "5", "5", "6", "6", "6"},
         "ERROR: Page 5: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testkit::ScopedScriptedUi ui;
        Rig r(Scenario(), c.options);
        r.comm.LineTimes.BlockTimeoutMs = 400;
        r.modem.Refresh();
        EXPECT_EQ(Download(r, 3).substr(34), testkit::G3Shield(big));
        std::vector<std::string> sent;
        for (const auto& p : c.pages) sent.push_back("ATE0V1+mtp=" + p);
        EXPECT_EQ(r.ReceivedStarting("ATE0V1+mtp="), sent);
        EXPECT_TRUE(ui->Prompts().empty());
        const std::string log = r.log.Text();
        EXPECT_NE(log.find(c.logged), std::string::npos) << log;
        EXPECT_NE(log.find("; asked for again"), std::string::npos);
        EXPECT_EQ(r.modem.GetProgress(), 100);
    }
}

// A page that does not come right ends the download at once: one box, the
// log names the page and why, and no page after it is asked for.
TEST_F(Pages, APageThatNeverComesRightEndsTheDownload) {
    struct Case {
        const char* name;
        std::vector<std::string> options;
        long pageFiveSendings;
        const char* logged;
        double seconds;  // at most, with a block time-out of 0.4 s
    };
    const Case cases[] = {
        {"wrong checksum every time", {"--page-bad-checksum", "5"}, 1 + TModem3comClass::PageRetries,
         "ERROR: Page 5: the page sums to ", 5},
        {"ERROR in place of the page", {"--error-on", "ATE0V1+mtp=5"}, 1,
         "ERROR: Page 5: the modem answered ERROR in place of the page", 1},
        {"silence", {"--fault-on", "ATE0V1+mtp=5", "--silent"}, 1, "ERROR: Page 5: no reply", 1.5},
        // The two checksum characters and 9998 bytes of the page reach the
        // line before the modem goes.
        {"cut off by the modem vanishing", {"--vanish-on", "ATE0V1+mtp=5:10000"}, 1,
         "ERROR: Page 5: 9998 of 32768 bytes came, then nothing more", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testkit::ScopedScriptedUi ui;
        Rig r(Scenario(), c.options);
        r.comm.LineTimes.BlockTimeoutMs = 400;
        r.modem.Refresh();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_THROW(r.modem.DownloadMsg(3, dir + "/msg3"), EAbort);
        EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), c.seconds);
        const auto prompts = ui->Prompts();
        ASSERT_EQ(prompts.size(), 1u);
        EXPECT_EQ(prompts[0].text, "ERROR: Could not get page");
        const auto pages = r.ReceivedStarting("ATE0V1+mtp=");
        EXPECT_EQ(std::count(pages.begin(), pages.end(), "ATE0V1+mtp=5"), c.pageFiveSendings);
        EXPECT_EQ(std::count(pages.begin(), pages.end(), "ATE0V1+mtp=6"), 0);
        const std::string log = r.log.Text();
        EXPECT_NE(log.find(c.logged), std::string::npos) << log;
        EXPECT_NE(log.find("ERROR: Could not get page 5 of message 3: the download failed"), std::string::npos);
        EXPECT_LE(r.modem.GetProgress(), 100);
    }
}

TEST_F(Pages, AHeaderThatCrossesThePageEndRaisesARangeErrorAndWritesNothing) {
    // 32760 bytes for the first message put the second header 8 bytes before the page end.
    testkit::WriteFile(dir + "/long.g3", Pattern(32760 - 34 - 2, false));
    Rig r("[message]\ntype = fax\ng3 = " + dir + "/long.g3\n[message]\ntype = fax\ng3 = " + dir + "/a.g3\n");
    r.modem.Refresh();
    std::string line;
    r.modem.GetMsgInfoLine(2, line);
    ASSERT_EQ(GetFieldInt(line, 13) * 256 + GetFieldInt(line, 14), 32760);
    const std::string file = dir + "/out";
    EXPECT_THROW(r.modem.DownloadMsg(2, file), ERangeError);
    EXPECT_EQ(testkit::ReadFile(file), "");
}

TEST_F(Pages, AHeaderWhoseEndLiesOutsideThePageRaisesARangeError) {
    Rig r("[message]\ntype = fax\nnext = 4,40000\ng3 = " + dir + "/a.g3\n");
    r.modem.Refresh();
    const std::string file = dir + "/out";
    EXPECT_THROW(r.modem.DownloadMsg(1, file), ERangeError);
    EXPECT_EQ(testkit::ReadFile(file), "");
}

TEST_F(Pages, AHeaderWhoseLastPageLiesBeyondTheMemoryRaisesAfterItsFirstPage) {
    Rig r("[message]\ntype = fax\nnext = 70,0\ng3 = " + dir + "/a.g3\n");
    r.modem.Refresh();
    EXPECT_THROW(Download(r, 1), ERangeError);
    EXPECT_EQ(r.ReceivedStarting("ATE0V1+mtp="), std::vector<std::string>{"ATE0V1+mtp=4"});
}

// A first page the memory does not have, or one after the message's last
// page, cannot be a message's: nothing is asked for and nothing written.
TEST_F(Pages, AFirstPageOutsideTheMemoryOrAfterTheLastPageRaisesBeforeAnythingIsSent) {
    struct Case {
        const char* first;   // the damaged first page of message 1
        const char* second;  // and of message 2, whose first page is the provisional last page
    };
    const Case cases[] = {{"0", "4"}, {"3", "4"},  {"64", "4"}, {"70", "4"},
                          {"5", "4"}, {"63", "4"}, {"4", "3"},  {"-100000", "4"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.first) + " " + c.second);
        Rig r("[message]\ntype = fax\npage = " + std::string(c.first) + "\ng3 = " + dir + "/a.g3\n"
              "[message]\ntype = fax\npage = " + c.second + "\ng3 = " + dir + "/a.g3\n"
              "[message]\ntype = fax\ng3 = " + dir + "/a.g3\n");
        r.modem.Refresh();
        const std::string file = dir + "/out";
        testkit::WriteFile(file, "old");
        EXPECT_THROW(r.modem.DownloadMsg(1, file), ERangeError);
        EXPECT_TRUE(r.ReceivedStarting("ATE0V1+mtp=").empty());
        EXPECT_EQ(testkit::ReadFile(file), "");
    }
}

// The header's last page before the first page: the range error follows the first page.
TEST_F(Pages, AHeaderWhoseLastPageLiesBeforeTheFirstRaisesAfterItsFirstPage) {
    Rig r("[message]\ntype = fax\nnext = 3,100\ng3 = " + dir + "/a.g3\n");
    r.modem.Refresh();
    const std::string file = dir + "/out";
    EXPECT_THROW(r.modem.DownloadMsg(1, file), ERangeError);
    EXPECT_EQ(r.ReceivedStarting("ATE0V1+mtp="), std::vector<std::string>{"ATE0V1+mtp=4"});
    EXPECT_EQ(testkit::ReadFile(file), "");
}

TEST_F(Pages, ReleaseReadsTheFirstPageOfEachNewMessageAndTheModemThenReportsThemRead) {
    testkit::ScopedScriptedUi ui;
    // Two new voice mails of 20 s (33000 bytes each): their headers lie in pages 4 and 5.
    Rig r("[message]\nseconds = 20\n[message]\nseconds = 20\n[message]\ntype = fax\nstate = old\n");
    r.modem.Refresh();
    EXPECT_EQ(r.modem.GetNewMsgCount(), 2);
    r.modem.ReleaseNewMsgs();
    EXPECT_EQ(r.ReceivedStarting("ATE0V1+mtp="), (std::vector<std::string>{"ATE0V1+mtp=4", "ATE0V1+mtp=5"}));
    // Each status line was asked once during the release; then the cache is empty.
    for (int n = 1; n <= 3; ++n) EXPECT_EQ(r.Received("ATE0V1+MSR=" + std::to_string(n)), 1) << n;
    EXPECT_EQ(r.modem.InfoBlockNo, -1);
    EXPECT_TRUE(ui->Prompts().empty());
    EXPECT_EQ(r.log.Text().find("###Get Memory block"), std::string::npos);
    EXPECT_NE(r.log.Text().find("###Transfer memory page to release message"), std::string::npos);
    // The release ends each page command with CR LF in the command text.
    for (const char* sent : {"<- \"ATE0V1+mtp=4<13><10>\"", "<- \"ATE0V1+mtp=5<13><10>\""})
        EXPECT_NE(r.log.Text().find(sent), std::string::npos) << sent;
    // The counts keep their values until the next Refresh, which finds nothing new.
    EXPECT_EQ(r.modem.GetNewMsgCount(), 2);
    EXPECT_FALSE(r.modem.IsMsgNew(1));
    EXPECT_FALSE(r.modem.IsMsgNew(2));
    r.modem.Refresh();
    EXPECT_EQ(r.modem.GetNewMsgCount(), 0);
    EXPECT_FALSE(r.modem.HasNewMsgs());
    // The download counters are the download's alone.
    EXPECT_EQ(r.modem.LastPage, 0);
}

TEST_F(Pages, ReleaseReportsAFailedOk) {
    testkit::ScopedScriptedUi ui;
    Rig r("[message]\nseconds = 1\n", {"--page-error", "4"});
    r.modem.Refresh();
    r.modem.ReleaseNewMsgs();
    const auto prompts = ui->Prompts();
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].text, "ERROR: Releasing Message failed!");
}

// A modem that sends no page at all (silent past the time-out, or gone)
// ends the release there: the page command for the next message would only
// wait as long again.
TEST_F(Pages, ReleaseEndsWhereTheModemSendsNoPage) {
    const std::vector<std::string> cases[] = {
        {"--fault-on", "ATE0V1+mtp=4", "--silent"},
        {"--vanish-on", "ATE0V1+mtp=4:100"},
    };
    for (const auto& options : cases) {
        SCOPED_TRACE(options[0]);
        testkit::ScopedScriptedUi ui;
        Rig r("[message]\nseconds = 20\n[message]\nseconds = 20\n", options);
        r.comm.LineTimes.BlockTimeoutMs = 400;
        r.modem.Refresh();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_THROW(r.modem.ReleaseNewMsgs(), EAbort);
        EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 1.5);
        const auto prompts = ui->Prompts();
        ASSERT_EQ(prompts.size(), 1u);
        EXPECT_EQ(prompts[0].text, "ERROR: Characters lost!");
        EXPECT_EQ(r.ReceivedStarting("ATE0V1+mtp="), std::vector<std::string>{"ATE0V1+mtp=4"});
        EXPECT_EQ(r.modem.InfoBlockNo, -1);
        EXPECT_NE(r.log.Text().find("ERROR: Release of message 1, page 4: "), std::string::npos) << r.log.Text();
    }
}

TEST(Modem3com, EraseAllSendsTheEraseAndForgetsTheCache) {
    FixedClock clock(kTenthOfMarch);
    Rig r(kFive);
    r.modem.Refresh();
    r.modem.EraseAllMsgs();
    EXPECT_EQ(r.modem.InfoBlockNo, -1);
    // The next exchange purges the line; on a pseudo-terminal that would also
    // take back a command the simulator has not read yet.
    ASSERT_TRUE(r.WaitReceived("ATE0V1+mem"));
    r.modem.Refresh();
    EXPECT_EQ(r.modem.GetMsgCount(), 0);
    EXPECT_EQ(r.modem.GetNewMsgCount(), 0);
    EXPECT_FALSE(r.modem.HasNewMsgs());
    EXPECT_NE(r.log.Text().find("###Erasing all messages"), std::string::npos);
}

// The erase waits for its own reply, however late it comes, and a refusal
// is the erase's; the exchange after it reads its own replies.
TEST(Modem3com, EraseAllTakesItsOwnReplyOkOrErrorEarlyOrLate) {
    struct Case {
        std::vector<std::string> args;
        bool erased;
        double seconds;  // at least this long
    };
    const Case cases[] = {
        {{}, true, 0},
        {{"--erase-ms", "1500"}, true, 1.4},
        {{"--error-on", "+MEM"}, false, 0},
        {{"--erase-ms", "1500", "--erase-error"}, false, 1.4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "at once" : c.args[0] + " " + c.args[1]);
        FixedClock clock(kTenthOfMarch);
        Rig r(kFive, c.args);
        r.modem.Refresh();
        const auto start = std::chrono::steady_clock::now();
        if (c.erased) {
            EXPECT_TRUE(r.modem.EraseAllMsgs());
        } else {
            try {
                r.modem.EraseAllMsgs();
                ADD_FAILURE() << "no error";
            } catch (const EModemClass& e) {
                EXPECT_EQ(e.Message(), "ERROR occured with \"ATE0V1+mem\"");
            }
        }
        EXPECT_GE(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), c.seconds);
        EXPECT_EQ(r.modem.InfoBlockNo, -1);
        r.modem.Refresh();
        EXPECT_EQ(r.modem.GetMsgCount(), c.erased ? 0 : 5);
        EXPECT_EQ(r.Received("ATE0V1+mem"), 1);
    }
}

// The temporary folder pointed at a fresh folder of the test's own, so that
// only the files of the test count.
class ScopedTempFolder {
public:
    explicit ScopedTempFolder(const std::string& Path) : path_(Path) {
        std::filesystem::create_directory(path_);
        if (const char* old = std::getenv("TMPDIR")) old_ = old;
        setenv("TMPDIR", path_.c_str(), 1);
    }
    ~ScopedTempFolder() {
        if (old_) setenv("TMPDIR", old_->c_str(), 1);
        else unsetenv("TMPDIR");
    }
    ScopedTempFolder(const ScopedTempFolder&) = delete;
    ScopedTempFolder& operator=(const ScopedTempFolder&) = delete;

    long Files() const {
        return std::distance(std::filesystem::directory_iterator(path_), std::filesystem::directory_iterator{});
    }

private:
    std::string path_;
    std::optional<std::string> old_;
};

TEST(Modem3com, SaveFaxMsgWritesATiffFileAndRemovesTheDownload) {
    FixedClock clock(kTenthOfMarch);
    Rig r("[message]\ntype = fax\npages = 2\n[message]\ntype = fax\npages = 1\nfine = yes\n");
    r.modem.Refresh();
    ScopedTempFolder tmp(r.log.Home() + "/tmp");
    for (int n = 1; n <= 2; ++n) {
        const std::string tiff = r.log.Home() + "/fax" + std::to_string(n) + ".tif";
        r.modem.SaveFaxMsg(n, tiff, "");
        const std::string data = testkit::ReadFile(tiff);
        ASSERT_GT(data.size(), 8u);
        EXPECT_EQ(data.substr(0, 4), std::string("II*\0", 4));
        const std::string listing = tiff + ".txt";
        ASSERT_EQ(std::system(("tiffinfo " + tiff + " > " + listing + " 2>&1").c_str()), 0);
        const std::string info = testkit::ReadFile(listing);
        std::size_t dirs = 0;
        for (std::size_t at = info.find("TIFF Directory"); at != std::string::npos; at = info.find("TIFF Directory", at + 1))
            ++dirs;
        EXPECT_EQ(dirs, n == 1 ? 2u : 1u);
        EXPECT_NE(info.find(n == 1 ? "1143" : "2287"), std::string::npos) << info;
    }
    EXPECT_EQ(tmp.Files(), 0);
}

// Pages whose code is rich in 0x10 bytes, which the modem doubles in its
// memory: a normal one and a fine one that the probe, reading the doubled
// DLEs, took for the other resolution (1268 and 1044 lines).
TEST(Modem3com, SaveFaxMsgTellsTheResolutionOfPagesRichInDle) {
    testkit::TempHome pages;
    const testkit::G3Page normal = testkit::G3BandPage(1143, 32), fine = testkit::G3BandPage(2287, 18);
    testkit::WriteFile(pages.Path() + "/normal.g3", testkit::G3Encode(normal));
    testkit::WriteFile(pages.Path() + "/fine.g3", testkit::G3Encode(fine));
    Rig r("[message]\ntype = fax\ng3 = " + pages.Path() + "/normal.g3\n"
          "[message]\ntype = fax\ng3 = " + pages.Path() + "/fine.g3\n");
    r.modem.Refresh();
    for (int n = 1; n <= 2; ++n) {
        SCOPED_TRACE(n);
        const std::string tiff = r.log.Home() + "/fax" + std::to_string(n) + ".tif";
        r.modem.SaveFaxMsg(n, tiff, "");
        const tiffcheck::Decoded d = tiffcheck::Read(tiff);
        EXPECT_EQ(d.yResolutions, std::vector<float>{n == 1 ? 98.0f : 196.0f});
        EXPECT_TRUE(d.pages == std::vector<testkit::G3Page>{n == 1 ? normal : fine}) << d.pages.size() << " pages";
        EXPECT_TRUE(d.errors.empty());
    }
}

TEST(Modem3com, ADownloadThatFailsLeavesNoTemporaryFileAndNoTiff) {
    Rig r("[message]\ntype = fax\nnext = 4,40000\npages = 1\n");
    r.modem.Refresh();
    ScopedTempFolder tmp(r.log.Home() + "/tmp");
    const std::string tiff = r.log.Home() + "/fax.tif";
    EXPECT_THROW(r.modem.SaveFaxMsg(1, tiff, ""), ERangeError);
    EXPECT_EQ(tmp.Files(), 0);
    EXPECT_FALSE(std::filesystem::exists(tiff));
}

// --- Playing

class FakeDialogs : public TModemDialogs {
public:
    std::vector<std::string> calls;
    std::function<void()> whileShown;

    void PreparePlayingMessage(int32_t MaxSteps, const std::string& TotalTime, const std::string& MsgNo,
                               TCommClass* Comm) override {
        calls.push_back("prepare " + std::to_string(MaxSteps) + " " + TotalTime + " " + MsgNo +
                        (Comm ? " comm" : " none"));
    }
    int ShowPlayingMessage() override {
        calls.push_back("playing");
        if (whileShown) whileShown();
        return mrOk;
    }
    void SetWorkingAction(const std::string& Action) override { calls.push_back("action " + Action); }
    int ShowWorkingNotice() override {
        calls.push_back("working");
        if (whileShown) whileShown();
        return mrOk;
    }
    void Show3comSettings() override { calls.push_back("3com settings"); }
    void Show3comInfo() override { calls.push_back("3com info"); }
    void ShowElsaSettings() override { calls.push_back("elsa settings"); }
    void ShowElsaInfo() override { calls.push_back("elsa info"); }
};

class Registered {
public:
    explicit Registered(TModemDialogs* D) : previous_(SetModemDialogs(D)) {}
    ~Registered() { SetModemDialogs(previous_); }

private:
    TModemDialogs* previous_;
};

TEST(Modem3com, PlayingAMessageFillsThePlayingDialogSendsPlayAndStopsWithAt) {
    FixedClock clock(kTenthOfMarch);
    Rig r(kFive);
    r.modem.Refresh();
    FakeDialogs dialogs;
    Registered reg(&dialogs);
    dialogs.whileShown = [&] { EXPECT_TRUE(r.WaitReceived("ATE0V1s31=128+MVP=3")); };
    r.modem.PlayMsg(3);
    EXPECT_EQ(dialogs.calls, (std::vector<std::string>{"prepare 650 01:05 Playing Message #3 comm", "playing"}));
    // The AT at the end stops the modem, which answers OK.
    EXPECT_TRUE(r.WaitReceived("playing stopped"));
    const std::string log = r.log.Text();
    EXPECT_NE(log.find("<- \"AT<13><10>\""), std::string::npos);
    EXPECT_NE(log.find("###Play message #3"), std::string::npos);
    EXPECT_NE(log.find("###Stop playing"), std::string::npos);
}

TEST(Modem3com, TheAnnouncementsUseTheWorkingNoticeAndLogAs255) {
    Rig r("[outgoing]\nseconds = 1\n");
    FakeDialogs dialogs;
    Registered reg(&dialogs);
    // The notice waits for the modem's end line, as the working notice does.
    dialogs.whileShown = [&] {
        std::string line;
        for (int i = 0; i < 5 && line != "OK"; ++i) r.comm.ReadLine(1, line);
        EXPECT_EQ(line, "OK");
    };
    for (int n : {0, 255}) {
        dialogs.calls.clear();
        r.modem.PlayMsg(n);
        EXPECT_EQ(dialogs.calls, (std::vector<std::string>{"action Playing ...", "working"}));
        EXPECT_EQ(r.Received("ATE0V1s31=128+MVP=" + std::to_string(n)), 1);
    }
    const std::string log = r.log.Text();
    EXPECT_EQ(log.find("###Play message #0"), std::string::npos);
    std::size_t count = 0;
    for (std::size_t at = log.find("###Play message #255"); at != std::string::npos;
         at = log.find("###Play message #255", at + 1))
        ++count;
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(r.Received("AT"), 2);
}

TEST(Modem3com, PlayWithoutRegisteredDialogsSendsNothing) {
    Rig r(kFive);
    Registered reg(nullptr);
    EXPECT_THROW(r.modem.PlayMsg(1), Exception);
    EXPECT_EQ(r.ReceivedStarting("ATE0V1s31").size(), 0u);
}

TEST(Modem3com, SettingsAndInfoOpenTheFamilysDialogs) {
    TCommClass comm;
    TModem3comClass modem(&comm);
    FakeDialogs dialogs;
    Registered reg(&dialogs);
    modem.ShowSettings();
    modem.ShowInfo();
    EXPECT_EQ(dialogs.calls, (std::vector<std::string>{"3com settings", "3com info"}));
}

TEST(Modem3com, SelfModeOffSwitchesEchoOffAfterwards) {
    Rig r(kFive);
    r.modem.SetSelfMode(false);
    EXPECT_EQ(r.Received("ATE0+MCS=0"), 1);
    EXPECT_EQ(r.Received("ATE0"), 1);
}

TEST(Modem3com, AModemErrorEndsRefreshWithTheCommand) {
    Rig r(kFive, {"--error-on", "+MSR"});
    try {
        r.modem.Refresh();
        ADD_FAILURE() << "no error";
    } catch (const EModemClass& e) {
        EXPECT_EQ(std::string(e.what()), "ERROR occured with \"ATE0V1+MSR=0\r\n\"");
    }
}

TEST(Modem3com, ProgressCountsPagesAndBytesAndRaisesOnCountersThatRunBackwards) {
    TCommClass comm;
    TModem3comClass modem(&comm);
    modem.LastPage = TModem3comClass::LastPageUnknown;
    EXPECT_EQ(modem.GetProgress(), -1);
    modem.FirstPage = 4;
    modem.CurPage = 5;
    modem.LastPage = 7;
    EXPECT_EQ(modem.GetProgress(), 25);  // one page of four done, nothing of the next read yet
    modem.CurPage = 3;
    EXPECT_THROW(modem.GetProgress(), EIntOverflow);
    modem.CurPage = 4;
    modem.LastPage = 2;
    EXPECT_THROW(modem.GetProgress(), EIntOverflow);
}

}  // namespace
