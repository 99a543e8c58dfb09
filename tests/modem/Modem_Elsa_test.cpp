// The ELSA MicroLink Office family: its directory rules on their own, and
// every operation against the simulated modem on a pseudo-terminal.
#include "modem/Modem_Elsa.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>

#include "testkit/LibTiffCheck.h"
#include "modem/CommClass.h"
#include "modem/FaxTiff.h"
#include "modem/ModemDialogs.h"
#include "platform/Clock.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Serial.h"
#include "testkit/G3Encode.h"
#include "testkit/ModemSim.h"
#include "testkit/TestKit.h"

namespace {

using testkit::G3TestPage;
using Texts = std::vector<std::string>;

void EnsureApp() {
    static int argc = 1;
    static char name[] = "Modem_Elsa_test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

TDateTime At(int y, int m, int d, int h, int min) { return EncodeDate(y, m, d) + h / 24.0 + min / 1440.0; }

// --- the directory on its own ---------------------------------------------

class ElsaDirectory : public ::testing::Test {
protected:
    void Use(const std::string& lines) { modem.Directory = lines; }
    TCommClass comm;
    TModemElsaClass modem{&comm};
};

TEST_F(ElsaDirectory, ConstructorStoresTheChannelAndHasTheBitReverseTable) {
    EXPECT_EQ(modem.Comm, &comm);
    EXPECT_EQ(modem.BitReverse[0x01], 0x80);
    EXPECT_EQ(modem.BitReverse[0x0F], 0xF0);
    EXPECT_EQ(modem.BitReverse[0x10], 0x08);
    for (int b = 0; b < 256; ++b) EXPECT_EQ(modem.BitReverse[b], ReverseBits(static_cast<uint8_t>(b))) << b;
    EXPECT_EQ(&modem.BitReverse, &BitReverseTable()) << "the table the page cutter uses";
}

TEST_F(ElsaDirectory, LinesAreCutAtLineFeeds) {
    Use("A\r\nB\r\n\r\nC");
    EXPECT_EQ(modem.DirLineCount(), 3);
    EXPECT_EQ(modem.DirLine(1), "A\r\n");
    EXPECT_EQ(modem.DirLine(3), "\r\n");
    EXPECT_EQ(modem.DirLine(4), "C") << "the rest after the last line feed";
    EXPECT_EQ(modem.DirLine(5), "");
    EXPECT_EQ(modem.DirLine(0), "");
    Use("\nA\r\n");
    EXPECT_EQ(modem.DirLineCount(), 1) << "a line feed in the very first place is not counted";
    Use("");
    EXPECT_EQ(modem.DirLineCount(), 0);
}

TEST_F(ElsaDirectory, GreetingLinesAreNoMessages) {
    struct Case {
        const char* line;
        bool greeting;
    };
    const Case cases[] = {{"GREET1,ADPCM4-7", true}, {"greet,x", true}, {"GrEeTiNg", true},
                          {"GREE,T4F", false},       {" GREET", false}, {"", false}};
    for (const auto& c : cases) EXPECT_EQ(TModemElsaClass::IsGreeting(c.line), c.greeting) << c.line;
    Use("MSG1,T4N,N\r\ngreet2,ADPCM4-7\r\nMSG2,T4F\r\nGREET3\r\nMSG3,PCM8A-8,N\r\n");
    EXPECT_EQ(modem.MsgLine(1), "MSG1,T4N,N\r\n");
    EXPECT_EQ(modem.MsgLine(2), "MSG2,T4F\r\n");
    EXPECT_EQ(modem.MsgLine(3), "MSG3,PCM8A-8,N\r\n");
    EXPECT_EQ(modem.MsgLine(4), "");
    EXPECT_EQ(modem.MsgLine(0), "");
}

TEST_F(ElsaDirectory, KindsByExactFormat) {
    const std::pair<const char*, int> cases[] = {
        {"ADPCM2-7", 1}, {"ADPCM2-8", 1}, {"ADPCM4-7", 1}, {"ADPCM4-8", 1}, {"PCM8L-7", 1}, {"PCM8U-7", 1},
        {"PCM8A-7", 1},  {"PCM8L-8", 1},  {"PCM8U-8", 1},  {"PCM8A-8", 1},  {"T4N", 2},     {"T4F", 2},
        {"t4f", 255},    {"t4n", 255},    {"adpcm4-7", 255}, {"T4", 255},   {"", 255},      {"PCM8A-9", 255},
    };
    for (const auto& [format, kind] : cases) {
        Use(std::string("MSG,") + format + ",N,01.01.2001,00:00,1,x\r\n");
        EXPECT_EQ(modem.GetMsgType(1), kind) << format;
    }
    Use("MSG, T4F ,N\r\n");
    EXPECT_EQ(modem.GetMsgType(1), 2) << "fields are trimmed";
}

TEST_F(ElsaDirectory, FieldsOfAMessageLine) {
    Use("GREET1,ADPCM4-7,,15.03.2001,09:00,   4000,\r\nFAX0001, T4F ,N,01.02.2001,10:20,  12345 ,0221 987654\r\n"
        "VOC0002,ADPCM4-7,,31.12.2000,23:59,8000,\r\n");
    EXPECT_EQ(modem.MsgField(1, 1), "FAX0001");
    std::string text;
    modem.GetMsgCallerId(1, text);
    EXPECT_EQ(text, "0221 987654") << "the line end is trimmed off the last field";
    modem.GetMsgSize(1, text);
    EXPECT_EQ(text, "12345");
    EXPECT_EQ(modem.GetMsgDateTime(1), At(2001, 2, 1, 10, 20));
    EXPECT_EQ(modem.GetMsgState(1), 1);
    EXPECT_TRUE(modem.IsMsgNew(1));
    EXPECT_EQ(modem.GetMsgDateTime(2), At(2000, 12, 31, 23, 59));
    EXPECT_EQ(modem.GetMsgState(2), 3);
    EXPECT_FALSE(modem.IsMsgNew(2));
    for (int n : {1, 2}) EXPECT_EQ(modem.GetMsgStatus(n), 1);
    // Only a capital N marks a message new.
    Use("M,T4N,n\r\nM,T4N,RN\r\n");
    EXPECT_EQ(modem.GetMsgState(1), 3);
    EXPECT_EQ(modem.GetMsgState(2), 1);
}

// A line without commas would carry its line end into the commands.
TEST_F(ElsaDirectory, MissingFieldsAreEmpty) {
    Use("MSG9\r\nMSG10,T4F\r\n");
    EXPECT_EQ(modem.MsgField(1, 1), "MSG9");
    for (int f = 2; f <= 7; ++f) EXPECT_EQ(modem.MsgField(1, f), "") << f;
    std::string text = "stale";
    modem.GetMsgCallerId(2, text);
    EXPECT_EQ(text, "");
    modem.GetMsgSize(2, text);
    EXPECT_EQ(text, "");
    EXPECT_EQ(modem.GetMsgType(1), 255);
    EXPECT_EQ(modem.GetMsgType(2), 2);
    EXPECT_EQ(modem.GetMsgState(2), 3);
    EXPECT_THROW(modem.GetMsgDateTime(2), EConvertError);
    // Past the last message every field is empty.
    EXPECT_EQ(modem.MsgField(3, 1), "");
    EXPECT_EQ(modem.GetMsgType(3), 255);
}

TEST_F(ElsaDirectory, DatesThatAreNoDatesRaiseTheConversionError) {
    const std::pair<const char*, const char*> bad[] = {
        {"32.01.2001", "10:20"}, {"29.02.2001", "10:20"}, {"01.13.2001", "10:20"}, {"ab.cd.efgh", "10:20"},
        {"01.02.2001", "xx:20"}, {"01.02.2001", "10:yy"}, {"01.02", "10:20"},      {"01.02.2001", "10"},
        {"", ""},
    };
    for (const auto& [date, time] : bad) {
        Use(std::string("M,T4N,N,") + date + "," + time + ",1,\r\n");
        EXPECT_THROW(modem.GetMsgDateTime(1), EConvertError) << date << " " << time;
    }
    Use("M,T4N,N,29.02.2000,00:00,1,\r\n");
    EXPECT_EQ(modem.GetMsgDateTime(1), EncodeDate(2000, 2, 29));
}

TEST_F(ElsaDirectory, ProgressBeforeAnyDownloadIsUnknown) {
    EXPECT_EQ(modem.DownloadSize, 0);
    EXPECT_EQ(modem.GetProgress(), -1);
}

TEST_F(ElsaDirectory, OperationsWithoutTheModem) {
    testkit::ScopedScriptedUi ui;
    EXPECT_TRUE(modem.CanEraseSingle());
    EXPECT_FALSE(modem.EraseAllMsgs());
    modem.SetSelfMode(true);
    EXPECT_EQ(modem.GetMsgDuration(1), 0);
    ASSERT_EQ(ui->Prompts().size(), 1u);
    EXPECT_EQ(ui->Prompts()[0].text, "Function \"GetMsgDuration\" on Elsa ML Office not avaiable");
    EXPECT_EQ(ui->Prompts()[0].kind, "information");
    EXPECT_FALSE(comm.Connected()) << "nothing was sent";
}

class RecordingDialogs : public TModemDialogs {
public:
    void PreparePlayingMessage(int32_t, const std::string&, const std::string&, TCommClass*) override {}
    int ShowPlayingMessage() override { return mrOk; }
    void SetWorkingAction(const std::string&) override {}
    int ShowWorkingNotice() override { return mrOk; }
    void Show3comSettings() override { shown.push_back("3com settings"); }
    void Show3comInfo() override { shown.push_back("3com info"); }
    void ShowElsaSettings() override { shown.push_back("elsa settings"); }
    void ShowElsaInfo() override { shown.push_back("elsa info"); }
    std::vector<std::string> shown;
};

TEST_F(ElsaDirectory, SettingsAndInfoAreTheElsaDialogs) {
    RecordingDialogs dialogs;
    TModemDialogs* before = SetModemDialogs(&dialogs);
    modem.ShowSettings();
    modem.ShowInfo();
    SetModemDialogs(before);
    EXPECT_EQ(dialogs.shown, (Texts{"elsa settings", "elsa info"}));
}

// The free-memory figure is the text after the first colon of the reply.
TEST(ElsaFreeMemory, TheNumberAfterTheFirstColon) {
    EnsureApp();
    testkit::TempHome home;
    auto port = std::make_shared<serial::FakePort>();
    const serial::ScopedPortFactory factory([&](const std::string&) -> serial::PortPtr { return port; });
    TCommClass comm;
    TModemElsaClass modem{&comm};
    const auto reply = [&](const std::string& line) {
        port->SetResponder([line](const std::string& command) {
            return command == "AT$JMEM=FREE" ? "\r\n" + line + "\r\nOK\r\n" : std::string();
        });
    };
    const std::pair<const char*, int> good[] = {{"FREE: 62", 62}, {"FREE:7", 7}, {"MEM FREE :  100  ", 100},
                                                 {"42", 42},      {":0", 0}};
    for (const auto& [line, percent] : good) {
        reply(line);
        EXPECT_EQ(modem.GetFreeMemory(), percent) << line;
    }
    for (const char* line : {"FREE: lots", "FREE:", "FREE: 1: 2", "FREE 62"}) {
        reply(line);
        EXPECT_THROW(modem.GetFreeMemory(), EConvertError) << line;
    }
}

// --- against the simulated modem ------------------------------------------

const char* const kThreeLines = R"([greeting]
name = GREET1
[message]
name = FAX0001
format = T4F
date = 01.02.2001
time = 10:20
caller = "0221 987654"
lines = 80
seed = 3
[message]
name = VOC0002
format = ADPCM4-7
flags =
date = 31.12.2000
time = 23:59
seconds = 1
[elsa]
free = 62
)";

class ElsaModem : public ::testing::Test {
protected:
    ElsaModem() { EnsureApp(); }
    ~ElsaModem() override {
        if (LogTextFile) std::fclose(LogTextFile);
        LogTextFile = nullptr;
        LogFileOn = false;
        ResetClock();
    }

    // Starts the simulator with the scenario text and the options, and turns
    // the modem's echo off as the detection leaves it.
    void Start(const std::string& scenario, std::vector<std::string> options = {}) {
        files::ForceDirectories(home.Path() + "/ports");
        std::vector<std::string> args = {"--model", "elsa"};
        if (!scenario.empty()) {
            testkit::WriteFile(Path("scenario.txt"), scenario);
            args.insert(args.end(), {"--scenario", Path("scenario.txt")});
        }
        args.insert(args.end(), options.begin(), options.end());
        sim = std::make_unique<testkit::ModemSim>(testkit::PortLink(2), args);
        comm.SetPort(pnCOM2);
        comm.SetBaudRate(br57600);
        if (LogTextFile) std::fclose(LogTextFile);
        LogTextFile = std::fopen(Path("Pellow.log").c_str(), "wb");
        LogFileOn = LogTextFile != nullptr;
        comm.ExecuteCommand("ATE0", "Echo off");
    }
    std::string Path(const std::string& name) const { return home.Path() + "/" + name; }
    std::vector<std::string> Received() const { return sim->TranscriptLines(); }
    bool ReceivedLine(const std::string& line) const {
        const auto lines = Received();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    std::vector<std::string> Commands(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const auto& l : Received())
            if (l.rfind(prefix, 0) == 0) found.push_back(l);
        return found;
    }
    Texts Prompted() {
        Texts t;
        for (const auto& p : ui->Prompts()) t.push_back(p.text);
        return t;
    }
    std::string Log() const { return testkit::ReadFile(Path("Pellow.log")); }

    testkit::TempHome home;
    testkit::ScopedScriptedUi ui;
    std::unique_ptr<testkit::ModemSim> sim;
    TCommClass comm;
    TModemElsaClass modem{&comm};
};

TEST_F(ElsaModem, RefreshSetsTheClockAndReadsTheDirectory) {
    Start(kThreeLines);
    SetNow(At(2001, 2, 3, 14, 5) + 7 / 86400.0);
    modem.Refresh();
    EXPECT_EQ(Commands("AT$JDATE"), Texts{"AT$JDATE=2001,2,3"});
    const Texts time = Commands("AT$JTIME");
    ASSERT_EQ(time.size(), 1u);
    EXPECT_EQ(time[0].substr(0, 15), "AT$JTIME=14,5,7") << "numbers without leading zeros";
    EXPECT_TRUE(ReceivedLine("AT$JDIR"));
    // A greeting first, then a new fax and old voice mail.
    EXPECT_EQ(modem.GetMsgCount(), 2);
    EXPECT_EQ(modem.GetNewMsgCount(), 1);
    EXPECT_TRUE(modem.HasNewMsgs());
    EXPECT_EQ(modem.GetMsgType(1), 2);
    EXPECT_EQ(modem.GetMsgState(1), 1);
    EXPECT_EQ(modem.GetMsgDateTime(1), At(2001, 2, 1, 10, 20));
    EXPECT_EQ(modem.GetMsgType(2), 1);
    EXPECT_EQ(modem.GetMsgState(2), 3);
    EXPECT_EQ(modem.GetMsgDateTime(2), At(2000, 12, 31, 23, 59));
    std::string text;
    modem.GetMsgCallerId(1, text);
    EXPECT_EQ(text, "0221 987654");
    modem.GetMsgSize(2, text);
    EXPECT_EQ(text, "4000");
    const std::string log = Log();
    for (const char* d : {"     ###Setze Datum", "     ###Get # of messages and info about them"})
        EXPECT_NE(log.find(d), std::string::npos) << d;
}

TEST_F(ElsaModem, GreetingsInAnyCaseAndFormatsInSmallLettersFromTheModem) {
    Start(R"([greeting]
name = greet2
flags = N
[message]
name = LOWER
type = fax
format = t4f
lines = 20
[greeting]
name = GrEeT3
[message]
name = VOICE
seconds = 1
)");
    modem.Refresh();
    EXPECT_EQ(modem.GetMsgCount(), 2);
    EXPECT_EQ(modem.GetNewMsgCount(), 2) << "the new greeting is no message";
    EXPECT_EQ(modem.MsgField(1, 1), "LOWER");
    EXPECT_EQ(modem.GetMsgType(1), 255);
    EXPECT_EQ(modem.MsgField(2, 1), "VOICE");
    EXPECT_EQ(modem.GetMsgType(2), 1);
}

TEST_F(ElsaModem, TheDefaultStore) {
    Start("");
    modem.Refresh();
    EXPECT_EQ(modem.GetMsgCount(), 4);
    EXPECT_EQ(modem.GetNewMsgCount(), 2);
}

TEST_F(ElsaModem, FreeMemory) {
    Start(kThreeLines);
    EXPECT_EQ(modem.GetFreeMemory(), 62);
    EXPECT_TRUE(ReceivedLine("AT$JMEM=FREE"));
    EXPECT_NE(Log().find("     ###Get free Mem"), std::string::npos);
}

TEST_F(ElsaModem, FreeMemoryRefusedRaises) {
    Start(kThreeLines, {"--error-on", "$JMEM"});
    EXPECT_THROW(modem.GetFreeMemory(), EModemClass);
}

TEST_F(ElsaModem, PlayShowsItsMessageAndSendsNothing) {
    Start(kThreeLines);
    modem.Refresh();
    const std::size_t before = Received().size();
    modem.PlayMsg(1);
    modem.PlayMsg(2);
    EXPECT_EQ(Prompted(), (Texts{"Play not avaiable on ELSA ML Office", "Play not avaiable on ELSA ML Office"}));
    EXPECT_EQ(Received().size(), before);
}

TEST_F(ElsaModem, EraseOneMessage) {
    Start(kThreeLines);
    modem.Refresh();
    modem.EraseMsg(2);
    EXPECT_TRUE(ReceivedLine("AT$JDEL=\"VOC0002\""));
    EXPECT_NE(Log().find("     ###Erase Message #2 (=VOC0002)"), std::string::npos);
    // The numbers still refer to the last directory: erasing it again is refused.
    EXPECT_THROW(modem.EraseMsg(2), EModemClass);
    modem.Refresh();
    EXPECT_EQ(modem.GetMsgCount(), 1);
    EXPECT_EQ(modem.MsgField(1, 1), "FAX0001");
}

TEST_F(ElsaModem, ReleaseDownloadsEachNewMessageAndTheModemThenReportsItRead) {
    Start(R"([greeting]
flags = N
[message]
name = NEWFAX
type = fax
lines = 30
[message]
name = OLDVOICE
flags =
seconds = 1
[message]
name = NEWVOICE
seconds = 1
)");
    modem.Refresh();
    ASSERT_EQ(modem.GetNewMsgCount(), 2);
    modem.ReleaseNewMsgs();
    EXPECT_EQ(Commands("AT$JDNL"), (Texts{"AT$JDNL=\"NEWFAX\"", "AT$JDNL=\"NEWVOICE\""}));
    EXPECT_TRUE(ReceivedLine("download NEWFAX complete"));
    EXPECT_TRUE(ReceivedLine("download NEWVOICE complete"));
    EXPECT_EQ(Prompted(), Texts{});
    EXPECT_EQ(modem.GetNewMsgCount(), 2) << "the counts wait for the next Refresh";
    EXPECT_NE(Log().find("     ###Download starten"), std::string::npos);
    modem.Refresh();
    EXPECT_EQ(modem.GetNewMsgCount(), 0);
    EXPECT_FALSE(modem.HasNewMsgs());
    // With nothing new, nothing is sent.
    const std::size_t before = Received().size();
    modem.ReleaseNewMsgs();
    EXPECT_EQ(Received().size(), before);
}

// A modem that sends nothing at all for a download ends the release there,
// after the block receive's boxes of that one message; one that answers
// (here ERROR) is asked for the next message still.
TEST_F(ElsaModem, AReleaseEndsWhereTheModemSendsNothing) {
    struct Case {
        std::vector<std::string> options;
        Texts downloads;
        Texts prompts;
        bool ended;
    };
    const Case cases[] = {
        {{"--fault-on", "$JDNL", "--silent"}, {"AT$JDNL=\"A\""}, {"Timeout occoured!", "SOH errors!"}, true},
        {{"--error-on", "$JDNL"}, {"AT$JDNL=\"A\"", "AT$JDNL=\"B\""}, {"SOH errors!", "SOH errors!"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options[1]);
        sim.reset();
        comm.ClosePort();
        ui->ClearPrompts();
        Start("[message]\nname = A\nseconds = 1\n[message]\nname = B\nseconds = 1\n", c.options);
        comm.XmodemTimes.ByteTimeoutMs = 100;
        comm.XmodemTimes.RetryPauseSeconds = 0;
        comm.LineTimes.QuietMs = 20;
        modem.Refresh();
        ASSERT_EQ(modem.GetNewMsgCount(), 2);
        bool ended = false;
        try {
            modem.ReleaseNewMsgs();
        } catch (const EAbort&) {
            ended = true;
        }
        EXPECT_EQ(ended, c.ended);
        // A line may begin with the NAKs of the block receive before it.
        Texts downloads;
        for (const auto& l : Received())
            if (const auto at = l.find("AT$JDNL"); at != std::string::npos) downloads.push_back(l.substr(at));
        EXPECT_EQ(downloads, c.downloads);
        EXPECT_EQ(Prompted(), c.prompts);
        EXPECT_FALSE(comm.LinkLost);
    }
}

// Fax pages of known bitmaps, stored in the modem, downloaded, written as
// TIFF and decoded by libtiff to exactly those bitmaps.
TEST_F(ElsaModem, FaxRoundTripsThroughLibTiff) {
    Start(R"([message]
name = NORMAL
type = fax
lines = 1143
seed = 11
[message]
name = FINE
format = T4F
lines = 2287
seed = 12
[message]
name = LONG
format = T4F
lines = 2000
seed = 13
[message]
name = TWO
type = fax
pages = 2
lines = 1143,600
seed = 14
)");
    modem.Refresh();
    struct Case {
        const char* name;
        std::vector<int> lines;
        unsigned seed;
        bool fine;
    };
    const Case cases[] = {{"NORMAL", {1143}, 11, false},
                          {"FINE", {2287}, 12, true},
                          {"LONG", {2000}, 13, true},
                          {"TWO", {1143, 600}, 14, false}};
    for (int n = 1; n <= 4; ++n) {
        const Case& c = cases[n - 1];
        SCOPED_TRACE(c.name);
        ASSERT_EQ(modem.MsgField(n, 1), c.name);
        const std::string tiff = Path(std::string(c.name) + ".tif");
        modem.SaveFaxMsg(n, tiff, "");
        EXPECT_EQ(modem.GetProgress(), 100);
        EXPECT_EQ(tiffcheck::TiffInfoComplaints(tiff), "");
        const tiffcheck::Decoded d = tiffcheck::Read(tiff);
        EXPECT_EQ(d.errors, Texts{});
        ASSERT_EQ(d.pages.size(), c.lines.size());
        for (std::size_t p = 0; p < c.lines.size(); ++p) {
            EXPECT_TRUE(d.pages[p] == G3TestPage(c.lines[p], c.seed + static_cast<unsigned>(p))) << "page " << p;
            EXPECT_FLOAT_EQ(d.yResolutions[p], c.fine ? 77224.0f / 394 : 38612.0f / 394);
        }
    }
    EXPECT_EQ(Prompted(), Texts{});
    // The downloads went to temporary files that are gone again.
    EXPECT_EQ(Commands("AT$JDNL").size(), 4u);
}

// At a limited line speed the reads take long enough to pump the timer.
// (The last line end of a reply may still be on its way when the download
// starts, which costs a retry and a second without pumping; the fax is long
// enough that later blocks show their progress all the same.)
TEST_F(ElsaModem, ProgressRisesToAHundred) {
    Start("[message]\ntype = fax\nlines = 400\n", {"--baud", "38400"});
    modem.Refresh();
    std::vector<int32_t> samples;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { samples.push_back(modem.GetProgress()); });
    timer.start(10);
    modem.SaveFaxMsg(1, Path("fax.tif"), "");
    timer.stop();
    EXPECT_EQ(modem.DownloadSize, std::stoi(modem.MsgField(1, 6)));
    EXPECT_EQ(modem.GetProgress(), 100);
    ASSERT_GT(samples.size(), 3u);
    EXPECT_TRUE(std::is_sorted(samples.begin(), samples.end()));
    EXPECT_TRUE(std::any_of(samples.begin(), samples.end(), [](int32_t p) { return p > 0 && p < 100; }));
    EXPECT_LE(samples.back(), 100);
}

// The size of the simulator's fax file of one test page: "CONNECT" CR LF,
// the page with every DLE doubled, DLE ETX CR LF.
std::size_t ElsaFaxSize(int lines, unsigned seed) {
    const std::string page = testkit::G3ReverseBitOrder(testkit::G3Encode(G3TestPage(lines, seed)));
    return 9 + page.size() + static_cast<std::size_t>(std::count(page.begin(), page.end(), '\x10')) + 4;
}

TEST_F(ElsaModem, TransferFaultsThroughTheFamily) {
    const std::size_t blocks = (ElsaFaxSize(500, 21) + 1023) / 1024;
    ASSERT_GE(blocks, 3u);
    struct Case {
        std::vector<std::string> options;
        Texts prompts;
    };
    const Case cases[] = {
        {{"--dnl-bad-checksum", "2"}, {}},
        {{"--dnl-bad-start", "2"}, {}},
        {{"--dnl-short", "3"}, {}},
        {{"--dnl-garbage", "2"}, {}},
        {{"--dnl-garbage", std::to_string(blocks + 1)}, {}},  // before the EOT
        {{"--dnl-pause", "2:1500"}, {"Timeout occoured!"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options[0] + " " + c.options[1]);
        sim.reset();
        comm.ClosePort();
        ui->ClearPrompts();
        Start("[message]\nname = F\ntype = fax\nlines = 500\nseed = 21\n", c.options);
        modem.Refresh();
        ASSERT_EQ(modem.MsgField(1, 6), std::to_string(ElsaFaxSize(500, 21)));
        modem.SaveFaxMsg(1, Path("fax.tif"), "");
        EXPECT_EQ(Prompted(), c.prompts);
        const tiffcheck::Decoded d = tiffcheck::Read(Path("fax.tif"));
        ASSERT_EQ(d.pages.size(), 1u);
        EXPECT_TRUE(d.pages[0] == G3TestPage(500, 21));
        EXPECT_TRUE(ReceivedLine("download F complete"));
    }
}

// A download that the modem breaks off is no fax: nothing is written, the
// block receive's box is the one word, and the message stays new.
TEST_F(ElsaModem, ACancelledDownloadWritesNoFaxAndLeavesTheMessageNew) {
    Start("[message]\nname = F\ntype = fax\nlines = 500\nseed = 21\n", {"--dnl-cancel", "3"});
    modem.Refresh();
    EXPECT_THROW(modem.SaveFaxMsg(1, Path("fax.tif"), ""), EAbort);
    EXPECT_EQ(Prompted(), Texts{"CAN occoured!"});
    EXPECT_FALSE(files::FileExists(Path("fax.tif")));
    EXPECT_NE(Log().find("ERROR: Download of message 1 (=F) failed"), std::string::npos) << Log();
    modem.Refresh();
    EXPECT_EQ(modem.GetNewMsgCount(), 1) << "an incomplete download leaves the message new";
}

TEST_F(ElsaModem, BadDirectoryAndDownloadInput) {
    Start(R"([message]
name = MSG9
type = fax
line = "MSG9,T4F"
lines = 40
seed = 9
[message]
name = NOCONN
type = fax
data = "no page in here\x10\x03\r\n"
date = 32.13.2001
)");
    modem.Refresh();
    ASSERT_EQ(modem.GetMsgCount(), 2);
    // Missing fields: no size, so no progress to tell; the fax itself is fine.
    EXPECT_THROW(modem.GetMsgDateTime(1), EConvertError);
    modem.SaveFaxMsg(1, Path("fields.tif"), "");
    EXPECT_EQ(modem.DownloadSize, 0);
    EXPECT_EQ(modem.GetProgress(), -1);
    const tiffcheck::Decoded d = tiffcheck::Read(Path("fields.tif"));
    ASSERT_EQ(d.pages.size(), 1u);
    EXPECT_TRUE(d.pages[0] == G3TestPage(40, 9));
    EXPECT_EQ(modem.GetMsgState(1), 3) << "the flags field is missing too";
    // A date that is no date, and a download without "CONNECT": a TIFF header only.
    EXPECT_THROW(modem.GetMsgDateTime(2), EConvertError);
    modem.SaveFaxMsg(2, Path("noconnect.tif"), "");
    EXPECT_EQ(testkit::ReadFile(Path("noconnect.tif")), std::string("II\x2A\0\0\0\0\0", 8));
    EXPECT_EQ(Prompted(), Texts{});
}

TEST_F(ElsaModem, ANegativeSizeIsRefusedBeforeAnythingIsSent) {
    Start("[message]\nname = F\ntype = fax\nsize = -5\n");
    modem.Refresh();
    const std::size_t before = Received().size();
    EXPECT_THROW(modem.SaveFaxMsg(1, Path("fax.tif"), ""), ERangeError);
    EXPECT_EQ(Received().size(), before);
}

}  // namespace
