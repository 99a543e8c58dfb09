#include "modem/CommClass.h"

#include <QTimer>
#include <filesystem>
#include <thread>

#include "modem/CommClassLog.h"
#include "modem/PtyModem.h"
#include "modem/PumpApp.h"
#include "platform/App.h"
#include "platform/Exceptions.h"

using commtest::Entry;
using commtest::ModemMessage;
using commtest::SerialLog;
using modemtest::EnsureApp;
using ptytest::CpuMeter;
using ptytest::Since;
using Ms = std::chrono::milliseconds;

namespace {

// A channel on COM2 whose port is a FakePort; `answer` plays the modem.
class FakeChannel : public ::testing::Test {
protected:
    SerialLog log;
    std::shared_ptr<serial::FakePort> fake = std::make_shared<serial::FakePort>();
    bool portThere = true;
    serial::ScopedPortFactory factory{
        [this](const std::string&) -> serial::PortPtr { return portThere ? fake : nullptr; }};
    TCommClass comm;

    void SetUp() override { comm.SetPort(pnCOM2); }
    void Answer(std::function<std::string(const std::string&)> modem) { fake->SetResponder(std::move(modem)); }
    // A modem without echo that answers every command with Reply.
    void AnswerAll(const std::string& reply) {
        Answer([reply](const std::string& line) { return line.empty() ? std::string() : reply; });
    }
    std::string Line(int seconds) {
        std::string line;
        comm.ReadLine(seconds, line);
        return line;
    }
};

}  // namespace

// ---- the exception and the log ----

TEST(EModemClassTest, NamesTheCommandInQuotes) {
    const EModemClass e = EModemClass::ForCommand("AT+FCLASS=8");
    EXPECT_STREQ(e.what(), "ERROR occured with \"AT+FCLASS=8\"");
    const Exception& base = e;
    EXPECT_EQ(base.Message(), "ERROR occured with \"AT+FCLASS=8\"");
}

TEST_F(FakeChannel, LogEntryIsStampedWithThePortAndShowsLineEndsByNumber) {
    const std::string text("a\rb\nc\xfe"
                           "d\0e\x80\xff",
                           11);
    comm.LogEntry(text);
    comm.SetPortName("/dev/ttyUSB0");
    comm.LogEntry("x");
    EXPECT_EQ(log.Text(), Entry(std::string("a<13>b<10>c<254>d\0e\x80\xff", 21)) + Entry("x", 0));
    // The stamp is the user's date, a blank and the user's time.
    const std::string raw = log.Raw();
    ASSERT_GT(raw.size(), 5u);
    EXPECT_EQ(raw.substr(0, 5), "     ");
    EXPECT_NE(raw.find(" COM2 a<13>"), std::string::npos);
}

TEST_F(FakeChannel, WriteLogAppendsLinesAndFlushesEachAtOnce) {
    comm.WriteLog("first");
    comm.WriteLog("");
    EXPECT_EQ(log.Raw(), "first\r\n\r\n") << "readable while the file is still open";
}

TEST_F(FakeChannel, AFailedLogWriteRaisesAndEndsTheOperation) {
    std::fclose(LogTextFile);
    LogTextFile = std::fopen("/dev/full", "wb");
    ASSERT_NE(LogTextFile, nullptr);
    EXPECT_THROW(comm.WriteLog("x"), EInOutError);
    EXPECT_THROW(comm.SendCommand("AT", "Test"), EInOutError);
    EXPECT_EQ(fake->Written(), "") << "the command never went out";
    std::fclose(LogTextFile);
    LogTextFile = nullptr;
    EXPECT_THROW(comm.LogEntry("x"), EInOutError);
}

TEST_F(FakeChannel, WithTheLogOffNothingIsWrittenAndNoFileIsTouched) {
    std::fclose(LogTextFile);
    // A file that cannot take a byte: any write would raise.
    LogTextFile = std::fopen(log.Path().c_str(), "rb");
    ASSERT_NE(LogTextFile, nullptr);
    LogFileOn = false;
    AnswerAll("\r\n5\r\n\r\nOK\r\n");
    EXPECT_EQ(comm.QueryInteger("ATS0?", "Rings"), 5);
    comm.ExecuteCommand("ATZ", "Reset");
    comm.ClosePort();
    comm.ClosePort();
    comm.WriteLog("x");
    std::fclose(LogTextFile);
    LogTextFile = nullptr;
    comm.LogEntry("y");
    EXPECT_EQ(log.Raw(), "");
}

// ---- reading lines ----

struct LineCase {
    std::string bytes;
    std::string line;
    int loggedTimes;
    // The line's CR is the last byte: its LF is waited for, a byte time-out.
    bool lastByteIsCr;
};

class ReadLineTest : public FakeChannel, public ::testing::WithParamInterface<LineCase> {};

TEST_P(ReadLineTest, ReadsOneLine) {
    ASSERT_TRUE(comm.OpenPort());
    fake->Feed(GetParam().bytes);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Line(1), GetParam().line);
    if (GetParam().lastByteIsCr) {
        EXPECT_GE(Since(start), 1000) << "the LF after the CR is waited for";
        EXPECT_LT(Since(start), 1500);
    } else {
        EXPECT_LT(Since(start), 500) << "a line that ends needs no time-out";
    }
    EXPECT_EQ(comm.InputTimeout(), 200u);
    std::string expected = Entry("connected");
    for (int i = 0; i < GetParam().loggedTimes; ++i) expected += Entry("-> \"" + GetParam().line + "\"");
    EXPECT_EQ(log.Text(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ReadLineTest,
    ::testing::Values(LineCase{"OK\r\n", "OK", 1, false}, LineCase{"\nOK\r", "OK", 1, true},
                      LineCase{"\r\r\n\n\r\nAB\rCD\r", "AB", 1, false}, LineCase{"A\nB\r", "AB", 1, true},
                      LineCase{"RING\r\nOK\r\n", "OK", 2, false},
                      LineCase{"\r\nRING\r\n\r\nRING\r\n\r\n7\r\n", "7", 3, false},
                      LineCase{"RINGING\r\n", "RINGING", 1, false}, LineCase{" RING\r", " RING", 1, true},
                      LineCase{std::string("\0\x80\xff\x01\r\n", 6), std::string("\0\x80\xff\x01", 4), 1, false}));

// The reply line's LF belongs to it, also when it comes late, as on a slow
// line: the next read (and the next command's purge) finds nothing of it.
TEST_F(FakeChannel, TheLineFeedOfALineIsTakenWithItAlsoWhenItComesLate) {
    ASSERT_TRUE(comm.OpenPort());
    fake->Feed("\r\nOK\r");
    fake->Feed("\n", 150);
    fake->Feed("A5", 300);
    EXPECT_EQ(Line(1), "OK");
    EXPECT_EQ(fake->Pending(), 2u) << "the LF was read, the next bytes were not";
    char sum[2];
    EXPECT_TRUE(comm.ReadBlock(sum, 2));
    EXPECT_EQ(std::string(sum, 2), "A5");
}

// A byte after the CR that is no LF starts the next line; it is not lost.
TEST_F(FakeChannel, AByteAfterTheCrStartsTheNextLine) {
    ASSERT_TRUE(comm.OpenPort());
    fake->Feed("AB\rCD\r\n");
    EXPECT_EQ(Line(1), "AB");
    EXPECT_EQ(Line(1), "CD");
    fake->Feed("EF\r12");
    EXPECT_EQ(Line(1), "EF");
    char block[2];
    EXPECT_TRUE(comm.ReadBlock(block, 2));
    EXPECT_EQ(std::string(block, 2), "12");
}

TEST_F(FakeChannel, SilenceGivesAnEmptyLineAfterTheTimeout) {
    ASSERT_TRUE(comm.OpenPort());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Line(1), "");
    EXPECT_GE(Since(start), 1000);
    EXPECT_LT(Since(start), 1500);
    EXPECT_EQ(comm.InputTimeout(), 1000u) << "a time-out leaves its own value";
    EXPECT_EQ(log.Text(), Entry("connected") + Entry("-> \"\""));
}

TEST_F(FakeChannel, APartLineIsWhatCameBeforeTheSilence) {
    ASSERT_TRUE(comm.OpenPort());
    fake->Feed("12");
    EXPECT_EQ(Line(1), "12");
}

TEST_F(FakeChannel, TheTimeoutIsPerByteNotPerLine) {
    ASSERT_TRUE(comm.OpenPort());
    fake->Feed("O");
    fake->Feed("K", 700);
    fake->Feed("\r", 1400);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Line(1), "OK");
    EXPECT_GE(Since(start), 1300);
}

TEST_F(FakeChannel, ZeroSecondsTakesOnlyWhatHasArrived) {
    ASSERT_TRUE(comm.OpenPort());
    fake->Feed("O");
    fake->Feed("K\r", 300);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Line(0), "O");
    EXPECT_LT(Since(start), 100);
}

TEST_F(FakeChannel, AnOverlongLineKeepsItsStartAndStaysOneLogLine) {
    ASSERT_TRUE(comm.OpenPort());
    std::string noise(1 << 20, 'x');
    for (std::size_t i = 0; i < noise.size(); i += 97) {
        const auto b = static_cast<char>(i % 256);
        noise[i] = b == '\r' || b == '\n' ? 'y' : b;
    }
    fake->Feed(noise + "\rOK\r\n");
    const std::string line = Line(1);
    ASSERT_EQ(line.size(), TCommClass::MaxLineLength);
    EXPECT_EQ(line, noise.substr(0, TCommClass::MaxLineLength));
    EXPECT_EQ(Line(1), "OK");
    const std::string raw = log.Raw();
    EXPECT_LT(raw.size(), 6u * TCommClass::MaxLineLength) << "the log holds the kept part only";
    EXPECT_EQ(log.Text().substr(log.Text().size() - Entry("-> \"OK\"").size()), Entry("-> \"OK\""));
}

TEST_F(FakeChannel, ClosedPortReadsComeBackEmptyAtOnce) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Line(60), "");
    EXPECT_LT(Since(start), 100);
    EXPECT_THROW(comm.ReadLine(-1, *std::make_unique<std::string>()), EIntOverflow);
}

// ---- the OK waits and the exchanges ----

TEST_F(FakeChannel, WaitOKSkipsTheEchoOfTheCommand) {
    Answer([](const std::string& line) { return line.empty() ? "" : line + "\r\r\nOK\r\n"; });
    comm.SendCommand("ATE1", "Echo on");
    EXPECT_TRUE(comm.WaitOK());
    EXPECT_FALSE(comm.Connected());
    EXPECT_EQ(comm.KeepOpen, 0);
    EXPECT_EQ(log.Text(), "\r\n     ###Echo on\r\n" + Entry("connected") + Entry("<- \"ATE1\"") +
                              Entry("-> \"ATE1\"") + Entry("-> \"OK\"") + Entry("disconnected") + "\r\n");
    EXPECT_EQ(fake->Written(), "ATE1\r\n");
}

TEST_F(FakeChannel, WaitOKIsFalseForAnyOtherLine) {
    AnswerAll("\r\nNO CARRIER\r\n");
    comm.SendCommand("ATD", "Dial");
    EXPECT_FALSE(comm.WaitOK());
    EXPECT_FALSE(comm.Connected());
}

TEST_F(FakeChannel, WaitOKNowTakesOnlyWhatIsThere) {
    comm.SendCommand("ATE0V1+mem", "Erasing all messages");
    fake->Feed("\r\nOK\r\n");
    EXPECT_TRUE(comm.WaitOKNow());
    EXPECT_FALSE(comm.Connected());
    comm.SendCommand("ATE0V1+mem", "Erasing all messages");
    fake->Feed("\r\nO");
    fake->Feed("K\r\n", 300);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(comm.WaitOKNow());
    EXPECT_LT(Since(start), 100);
}

// On a slow line the end of a reply may still be on its way when the next
// command goes out. Its purge must not be followed by those bytes, which
// would be read as the new reply's first: the command waits for the line to
// fall quiet first, and only after a reply that was not read to its end.
TEST_F(FakeChannel, TheRestOfAReplyIsLetInBeforeTheNextPurge) {
    comm.KeepOpen = -1;
    ASSERT_TRUE(comm.OpenPort());
    comm.SendCommand("ATE0V1+mem", "Erasing all messages");
    fake->Feed("\r\nO");
    fake->Feed("K\r\n", 120);
    EXPECT_FALSE(comm.WaitOKNow()) << "only the start of the reply was there";
    AnswerAll("\r\nOK\r\n");
    auto start = std::chrono::steady_clock::now();
    comm.SendCommand("ATE0", "Echo off");
    EXPECT_GE(Since(start), 120 + 150) << "the rest came, then a moment's quiet";
    EXPECT_LT(Since(start), 120 + 600);
    EXPECT_TRUE(comm.WaitOK());
    // A reply read to its end leaves nothing to wait for.
    start = std::chrono::steady_clock::now();
    comm.SendCommand("ATE0", "Echo off");
    EXPECT_LT(Since(start), 50);
    EXPECT_TRUE(comm.WaitOK());
}

// A chattering line does not hold the command for longer than the bound.
TEST_F(FakeChannel, TheWaitForAQuietLineIsBounded) {
    comm.LineTimes.QuietLimitMs = 500;
    comm.KeepOpen = -1;
    ASSERT_TRUE(comm.OpenPort());
    comm.SendCommand("AT", "First");
    for (int ms = 0; ms < 3000; ms += 40) fake->Feed("RING\r\n", ms);
    const auto start = std::chrono::steady_clock::now();
    comm.SendCommand("AT", "Second");
    EXPECT_GE(Since(start), 450);
    EXPECT_LT(Since(start), 900);
}

TEST_F(FakeChannel, QueryIntegerMeetingAnEchoRaises) {
    Answer([](const std::string& line) { return line.empty() ? "" : line + "\r\r\n005\r\n\r\nOK\r\n"; });
    EXPECT_EQ(ModemMessage([&] { comm.QueryInteger("ATS0?", "Rings"); }), "ERROR occured with \"ATS0?\"");
    EXPECT_FALSE(comm.Connected()) << "its OK wait closed the port";
}

TEST_F(FakeChannel, QueryIntegerAndQueryFlagReadTheFirstField) {
    AnswerAll("\r\n007\r\n\r\nOK\r\n");
    EXPECT_EQ(comm.QueryInteger("ATS0?", "Rings"), 7);
    EXPECT_FALSE(comm.Connected());
    AnswerAll("\r\n12,5,x\r\n\r\nOK\r\n");
    EXPECT_EQ(comm.QueryInteger("AT+MSR=0", "Info"), 12);
    for (const auto& [reply, flag] : {std::pair{"1", true}, {"0", false}, {"2", false}, {"1,0", true}}) {
        AnswerAll(std::string("\r\n") + reply + "\r\n\r\nOK\r\n");
        EXPECT_EQ(comm.QueryFlag("AT+MSM?", "Self mode"), flag) << reply;
    }
    AnswerAll("\r\nabc\r\n\r\nOK\r\n");
    EXPECT_THROW(comm.QueryInteger("ATI", "Id"), EConvertError);
}

TEST_F(FakeChannel, AQueryAnsweredErrorRaisesAndLeavesThePortOpen) {
    AnswerAll("\r\nERROR\r\n");
    EXPECT_EQ(ModemMessage([&] { comm.QueryInteger("AT+MSR?", "Info"); }), "ERROR occured with \"AT+MSR?\"");
    EXPECT_TRUE(comm.Connected());
    EXPECT_EQ(ModemMessage([&] { comm.QueryFlag("AT+X?", "X"); }), "ERROR occured with \"AT+X?\"");
    EXPECT_EQ(comm.KeepOpen, -1) << "the second query found the port open";
}

TEST_F(FakeChannel, ExecuteCommandRefusedLogsTheLineEndsAndRaisesWithoutThem) {
    AnswerAll("\r\nERROR\r\n");
    EXPECT_EQ(ModemMessage([&] { comm.ExecuteCommand("AT&F9", "Factory"); }), "ERROR occured with \"AT&F9\"");
    EXPECT_EQ(fake->Written(), "AT&F9\r\n\r\n");
    EXPECT_FALSE(comm.Connected());
    EXPECT_EQ(log.Text(), "\r\n     ###Factory\r\n" + Entry("connected") + Entry("<- \"AT&F9<13><10>\"") +
                              Entry("-> \"ERROR\"") + Entry("disconnected") + "\r\n");
}

TEST_F(FakeChannel, ExecuteCommandWaitsThroughOtherLinesForOK) {
    AnswerAll("\r\nCONNECT\r\n\r\nVCON\r\n\r\nOK\r\n");
    comm.ExecuteCommand("AT+FCLASS=8", "Voice");
    EXPECT_FALSE(comm.Connected());
}

TEST_F(FakeChannel, QueryLinesJoinsTheReplyLines) {
    AnswerAll("\r\nA\r\n\r\nB\r\n\r\nOK\r\n");
    std::string text = "old";
    comm.QueryLines("AT$JDIR", "Directory", text);
    EXPECT_EQ(text, "A\r\nB\r\n");
    EXPECT_TRUE(comm.Connected()) << "no OK wait closed it";
    EXPECT_EQ(comm.KeepOpen, 0);
    AnswerAll("\r\nA\r\n\r\nERROR\r\n");
    EXPECT_EQ(ModemMessage([&] { comm.QueryLines("AT$JDIR", "Directory", text); }),
              "ERROR occured with \"AT$JDIR\"");
    EXPECT_EQ(comm.KeepOpen, -1);
}

TEST_F(FakeChannel, QueryLinesKeepsTheEmptyLineOfAShortPause) {
    std::string text;
    std::thread later;
    // The responder may not call the port; feed the tail from here instead.
    Answer([](const std::string& line) { return line.empty() ? "" : "\r\nA\r\n\r\nB\r\n"; });
    later = std::thread([this] {
        std::this_thread::sleep_for(Ms(1300));
        fake->Feed("\r\nC\r\n\r\nOK\r\n");
    });
    comm.QueryLines("AT+MSR=1", "Info", text);
    later.join();
    EXPECT_EQ(text, "A\r\nB\r\n\r\nC\r\n");
}

TEST_F(FakeChannel, QueryLinesGivesUpOnASilentModem) {
    CpuMeter meter;
    EXPECT_EQ(ModemMessage([&] {
                  std::string text;
                  comm.QueryLines("AT$JDIR", "Directory", text);
              }),
              "ERROR occured with \"AT$JDIR\"");
    // 2 s for the first line, 1 s for each further one.
    EXPECT_GE(meter.WallSeconds(), 1.0 + TCommClass::MaxQuietLines - 0.1);
    EXPECT_LT(meter.WallSeconds(), 2.0 + TCommClass::MaxQuietLines);
    EXPECT_LT(meter.Load(), 0.05);
    EXPECT_TRUE(comm.Connected());
}

// A port whose device goes away in the middle of the reply ends the command
// at once: the log shows the one empty line that met the loss, not a row of
// them from a port that is gone.
TEST_F(FakeChannel, QueryLinesEndsAtOnceWhenThePortIsLost) {
    Answer([](const std::string& line) { return line.empty() ? "" : "\r\nA\r\n"; });
    std::thread gone([this] {
        std::this_thread::sleep_for(Ms(200));
        fake->Vanish();
    });
    CpuMeter meter;
    std::string text;
    EXPECT_EQ(ModemMessage([&] { comm.QueryLines("AT$JDIR", "Directory", text); }), "ERROR occured with \"AT$JDIR\"");
    gone.join();
    EXPECT_LT(meter.WallSeconds(), 0.7) << "not a second per line";
    EXPECT_TRUE(comm.LinkLost);
    const std::string text2 = log.Text();
    std::size_t empty = 0;
    for (auto at = text2.find("-> \"\""); at != std::string::npos; at = text2.find("-> \"\"", at + 1)) ++empty;
    EXPECT_EQ(empty, 1u) << text2;
}

TEST_F(FakeChannel, QueryLinesGivesUpOnAReplyWithoutEnd) {
    std::string flood;
    const std::string row = std::string(1000, 'r') + "\r\n";
    while (flood.size() <= TCommClass::MaxReplyText + 4 * row.size()) flood += row;
    AnswerAll(flood + "OK\r\n");
    std::string text;
    EXPECT_EQ(ModemMessage([&] { comm.QueryLines("AT+MSR=0", "Info", text); }), "ERROR occured with \"AT+MSR=0\"");
    EXPECT_LE(text.size(), TCommClass::MaxReplyText + TCommClass::MaxLineLength + 2);
}

// ---- opening and closing ----

TEST_F(FakeChannel, KeepOpenRules) {
    AnswerAll("\r\nOK\r\n");
    comm.SendCommand("AT", "First");
    comm.SendCommand("AT", "Second");  // no OK wait between
    EXPECT_EQ(comm.KeepOpen, -1);
    EXPECT_TRUE(comm.WaitOK());
    EXPECT_TRUE(comm.Connected()) << "stays open after the next OK wait";
    comm.ExecuteCommand("ATZ", "Reset");
    EXPECT_TRUE(comm.Connected());
    comm.ClosePort();
    EXPECT_FALSE(comm.Connected());
    EXPECT_EQ(comm.KeepOpen, 0);
    comm.ClosePort();
    EXPECT_EQ(log.Text(), "\r\n     ###First\r\n" + Entry("connected") + Entry("<- \"AT\"") +
                              "\r\n     ###Second\r\n" + Entry("IGNORED: CONNECT (already connected)") +
                              Entry("<- \"AT\"") + Entry("-> \"OK\"") +
                              "\r\n     ###Reset\r\n" + Entry("<- \"ATZ<13><10>\"") + Entry("-> \"OK\"") +
                              Entry("disconnected") + "\r\n" + Entry("IGNORED: DISCONNECT (no connection)"));
}

TEST_F(FakeChannel, OpenPortOnAnOpenPortKeepsItOpen) {
    ASSERT_TRUE(comm.OpenPort());
    EXPECT_EQ(comm.KeepOpen, 0);
    ASSERT_TRUE(comm.OpenPort());
    EXPECT_EQ(comm.KeepOpen, -1);
    EXPECT_EQ(log.Text(), Entry("connected") + Entry("IGNORED: CONNECT (already connected)"));
}

TEST_F(FakeChannel, ReadBlockInsideAnExchange) {
    comm.SendCommand("ATE0V1+mtp=4", "Get Memory block #4");
    fake->Feed("A5" + std::string(100, '\xfe'));
    char sum[2];
    EXPECT_TRUE(comm.ReadBlock(sum, 2));
    EXPECT_EQ(comm.KeepOpen, -1);
    EXPECT_EQ(std::string(sum, 2), "A5");
    std::string page(100, 0);
    EXPECT_TRUE(comm.ReadBlock(page.data(), 100));
    EXPECT_EQ(page, std::string(100, '\xfe'));
    EXPECT_EQ(comm.InputTimeout(), 200u);
    EXPECT_EQ(comm.LastReadCount(), 100u);
}

TEST_F(FakeChannel, APortThatCannotBeOpened) {
    portThere = false;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(comm.OpenPort());
    char buf[4];
    EXPECT_FALSE(comm.ReadBlock(buf, 4));
    EXPECT_EQ(ModemMessage([&] { comm.ExecuteCommand("ATZ", "Reset"); }), "ERROR occured with \"ATZ\"");
    EXPECT_EQ(ModemMessage([&] { comm.QueryInteger("ATS0?", "Rings"); }), "ERROR occured with \"ATS0?\"");
    EXPECT_EQ(ModemMessage([&] { comm.QueryFlag("AT+MSM?", "Self"); }), "ERROR occured with \"AT+MSM?\"");
    EXPECT_EQ(ModemMessage([&] {
                  std::string text;
                  comm.QueryLines("AT$JDIR", "Directory", text);
              }),
              "ERROR occured with \"AT$JDIR\"");
    comm.SendCommand("AT", "Plain");
    EXPECT_FALSE(comm.WaitOK());
    EXPECT_FALSE(comm.WaitOKNow());
    EXPECT_FALSE(comm.WaitOKLong());
    EXPECT_LT(Since(start), 1000) << "every wait on a closed port ends at once";
    const std::string text = log.Text();
    EXPECT_EQ(text.substr(0, Entry("ERROR: CAN NOT CONNECT TO COM PORT").size()),
              Entry("ERROR: CAN NOT CONNECT TO COM PORT"));
    EXPECT_NE(text.find("\r\n     ###Reset\r\n" + Entry("ERROR: CAN NOT CONNECT TO COM PORT") +
                        Entry("<- \"ATZ<13><10>\"") + Entry("-> \"\"") +
                        Entry("IGNORED: DISCONNECT (no connection)")),
              std::string::npos);
}

TEST_F(FakeChannel, GetPortNumberIsTheOrdinal) {
    EXPECT_EQ(comm.GetPortNumber(), 2);
    comm.SetPort(pnCOM16);
    EXPECT_EQ(comm.GetPortNumber(), 16);
    comm.SetPortName("/dev/ttyACM0");
    EXPECT_EQ(comm.GetPortNumber(), 0);
}

TEST_F(FakeChannel, DelaySecondsWaitsWithoutPumpingOrBurningTheCpu) {
    const uint64_t pumps = app::PumpCount();
    CpuMeter meter;
    comm.DelaySeconds(1);
    EXPECT_GE(meter.WallSeconds(), 0.99);
    EXPECT_LT(meter.WallSeconds(), 1.3);
    EXPECT_LT(meter.Load(), 0.05);
    EXPECT_EQ(app::PumpCount(), pumps);
    comm.DelaySeconds(0);
}

// A timer of another window reads on the same channel while a read waits,
// as the working notice does. The time-out is the channel's one property, so
// the outer read goes on with what the inner one left in it: the inner line
// took its LF, and the outer read ends with the inner one's 200 ms.
TEST_F(FakeChannel, AHandlerReadingDuringARead) {
    EnsureApp();
    ASSERT_TRUE(comm.OpenPort());
    std::string inner = "unset";
    QTimer::singleShot(100, &comm, [&] { comm.ReadLine(1, inner); });
    fake->Feed("\r\nOK\r\n", 300);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Line(2), "");
    EXPECT_EQ(inner, "OK");
    EXPECT_LT(Since(start), 1000);
    EXPECT_EQ(comm.InputTimeout(), 200u);
    EXPECT_EQ(fake->Pending(), 0u) << "nothing of the reply is left behind";
}

// ---- over a pseudo-terminal ----

class PtyChannel : public ::testing::Test {
protected:
    SerialLog log;
    std::unique_ptr<ptytest::PtyModem> modem;
    TCommClass comm;
    // COM3 names the line Slave.
    void Link(const std::string& slave) {
        std::filesystem::create_directories(log.Home() + "/ports");
        std::filesystem::create_symlink(slave, log.Home() + "/ports/COM3");
        comm.SetPort(pnCOM3);
        comm.SetBaudRate(br57600);
    }
    void Play(ptytest::PtyModem::Responder responder) {
        modem = std::make_unique<ptytest::PtyModem>(std::move(responder));
        Link(modem->SlavePath());
    }
};

TEST_F(PtyChannel, AnExchangeOverThePort) {
    Play([](const std::string& line) { return line == "ATS0?" ? "\r\n002\r\n\r\nOK\r\n" : ""; });
    EXPECT_EQ(comm.QueryInteger("ATS0?", "Rings"), 2);
    EXPECT_EQ(modem->Lines(), (std::vector<std::string>{"ATS0?"}));
    EXPECT_EQ(log.Text(), "\r\n     ###Rings\r\n" + Entry("connected", 3) + Entry("<- \"ATS0?\"", 3) +
                              Entry("-> \"002\"", 3) + Entry("-> \"OK\"", 3) + Entry("disconnected", 3) + "\r\n");
}

TEST_F(PtyChannel, AReadOnASilentLineCostsNoCpuButPumps) {
    ptytest::PtyPair silent;  // no thread of the test's own while measuring
    Link(silent.SlavePath());
    ASSERT_TRUE(comm.OpenPort());
    const uint64_t pumps = app::PumpCount();
    CpuMeter meter;
    std::string line;
    comm.ReadLine(2, line);
    const double load = meter.Load();
    const uint64_t pumped = app::PumpCount() - pumps;
    EXPECT_EQ(line, "");
    EXPECT_GE(meter.WallSeconds(), 2.0);
    EXPECT_LT(load, 0.05);
    // First pump after 86.4 ms, then every 43.2 ms of the two seconds: 45
    // at most; a busy machine wakes late now and then, which costs a pump.
    EXPECT_GE(pumped, 40u);
    EXPECT_LE(pumped, 46u);
    std::printf("ReadLine(2) on a silent pty: %.2f%% of one core over %.3f s (%.4f s CPU), %llu pumps\n",
                100 * load, meter.WallSeconds(), meter.CpuSeconds(), static_cast<unsigned long long>(pumped));
}

// The modem going away ends the exchange at once: the port is closed (and
// the log says why), the OK wait finds nothing, and the next command opens
// the port again by its name.
TEST_F(PtyChannel, TheModemVanishingMidLine) {
    Play([](const std::string& line) { return line.empty() ? "" : "\r\n12"; });
    comm.SendCommand("ATI", "Id");
    std::thread gone([&] {
        std::this_thread::sleep_for(Ms(300));
        modem->HangUp();
    });
    CpuMeter meter;
    std::string line;
    comm.ReadLine(10, line);
    gone.join();
    EXPECT_EQ(line, "12");
    EXPECT_LT(meter.WallSeconds(), 0.8) << "not the 10 s a byte may take";
    EXPECT_TRUE(comm.LinkLost);
    EXPECT_FALSE(comm.Connected());
    EXPECT_FALSE(comm.WaitOK());
    EXPECT_LT(meter.WallSeconds(), 0.8);
    EXPECT_LT(meter.Load(), 0.05);
    EXPECT_EQ(log.Text(), "\r\n     ###Id\r\n" + Entry("connected", 3) + Entry("<- \"ATI\"", 3) +
                              Entry("ERROR: COM PORT LOST (DEVICE GONE)", 3) + Entry("disconnected", 3) + "\r\n" +
                              Entry("-> \"12\"", 3) + Entry("-> \"\"", 3) +
                              Entry("IGNORED: DISCONNECT (no connection)", 3));
}

// A modem that comes back under the same name (the adapter plugged in again)
// is reached by the next command, also when the line died between two
// exchanges and nobody read from it meanwhile.
TEST_F(PtyChannel, TheNextCommandOpensTheNameAgain) {
    Play([](const std::string& line) { return line.empty() ? "" : "\r\nOK\r\n"; });
    comm.SendCommand("AT", "First");
    comm.SendCommand("AT", "Second");
    ASSERT_TRUE(comm.WaitOK());
    ASSERT_EQ(comm.KeepOpen, -1);
    ASSERT_TRUE(comm.Connected());
    modem->HangUp();
    // The same name now leads to another line with a modem on it.
    ptytest::PtyModem again([](const std::string& line) { return line.empty() ? "" : "\r\nOK\r\n"; });
    std::filesystem::remove(log.Home() + "/ports/COM3");
    std::filesystem::create_symlink(again.SlavePath(), log.Home() + "/ports/COM3");
    CpuMeter meter;
    comm.SendCommand("AT", "Third");
    EXPECT_TRUE(comm.WaitOK());
    EXPECT_LT(meter.WallSeconds(), 0.5);
    EXPECT_FALSE(comm.LinkLost);
    EXPECT_EQ(again.Lines(), std::vector<std::string>({"AT"}));
    const std::string text = log.Text();
    EXPECT_NE(text.find("\r\n     ###Third\r\n" + Entry("ERROR: COM PORT LOST (DEVICE GONE)", 3) +
                        Entry("disconnected", 3) + "\r\n" + Entry("connected", 3) + Entry("<- \"AT\"", 3)),
              std::string::npos)
        << text;
}
