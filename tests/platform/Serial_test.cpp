#include "platform/Serial.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "platform/PtyPair.h"
#include "testkit/TestKit.h"

using namespace serial;
using ptytest::CpuMeter;
using ptytest::PtyPair;
using ptytest::Since;

namespace {

termios2 SlaveTermios(const PtyPair& pty) {
    termios2 t{};
    EXPECT_EQ(::ioctl(pty.Keeper(), TCGETS2, &t), 0);
    return t;
}

Timeouts ReadLimits(uint32_t interval, uint32_t multiplier, uint32_t constant) {
    Timeouts t;
    t.readInterval = interval;
    t.readTotalMultiplier = multiplier;
    t.readTotalConstant = constant;
    return t;
}

}  // namespace

// ---- port names ----

struct NameCase {
    const char* name;
    const char* expected;  // "<home>" stands for the state directory
};

class DevicePathTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(DevicePathTest, MapsNamesThroughThePortsFolder) {
    testkit::TempHome home;
    std::filesystem::create_directories(home.Path() + "/ports");
    std::filesystem::create_symlink("/dev/null", home.Path() + "/ports/COM3");
    std::filesystem::create_symlink("/nowhere/at/all", home.Path() + "/ports/COM12");
    std::string expected = GetParam().expected;
    if (expected.rfind("<home>", 0) == 0) expected = home.Path() + expected.substr(6);
    EXPECT_EQ(DevicePath(GetParam().name), expected) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Names, DevicePathTest,
    ::testing::Values(NameCase{"COM1", "/dev/ttyS0"}, NameCase{"\\\\.\\COM2", "/dev/ttyS1"},
                      NameCase{"com4", "/dev/ttyS3"}, NameCase{"\\\\.\\cOm16", "/dev/ttyS15"},
                      NameCase{"COM3", "<home>/ports/COM3"}, NameCase{"\\\\.\\COM3", "<home>/ports/COM3"},
                      // A link that leads nowhere still names the port; opening it fails.
                      NameCase{"COM12", "<home>/ports/COM12"}, NameCase{"COM255", "/dev/ttyS254"},
                      NameCase{"/dev/pts/7", "/dev/pts/7"}, NameCase{"./tty", "./tty"},
                      NameCase{"COM0", ""}, NameCase{"COM256", ""}, NameCase{"COM01", ""},
                      NameCase{"COM", ""}, NameCase{"COM1a", ""}, NameCase{"LPT1", ""},
                      NameCase{"\\\\.\\", ""}, NameCase{"", ""}, NameCase{"\\\\?\\COM1", ""}));

// ---- opening ----

TEST(SerialOpen, OpensAPseudoTerminalByItsLinkAndHoldsItExclusively) {
    testkit::TempHome home;
    PtyPair pty;
    std::filesystem::create_directories(home.Path() + "/ports");
    std::filesystem::create_symlink(pty.SlavePath(), home.Path() + "/ports/COM2");

    PortPtr port = OpenPort("\\\\.\\COM2");
    ASSERT_TRUE(port);
    EXPECT_FALSE(OpenPort("COM2")) << "a held port opens only once";
    EXPECT_FALSE(OpenPort(pty.SlavePath())) << "also under its device name";

    // Another process cannot take it either.
    const pid_t child = ::fork();
    if (child == 0) _exit(OpenPort(pty.SlavePath()) ? 1 : 0);
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the other process got the port";

    port->Close();
    PortPtr again = OpenPort("COM2");
    EXPECT_TRUE(again) << "free again after closing";
}

TEST(SerialOpen, ReleasesThePortWhenTheLastReferenceGoes) {
    PtyPair pty;
    {
        PortPtr port = OpenPort(pty.SlavePath());
        ASSERT_TRUE(port);
    }
    EXPECT_TRUE(OpenPort(pty.SlavePath()));
}

TEST(SerialOpen, FailsOnWhatIsNoTerminal) {
    testkit::TempHome home;
    const std::string file = home.Path() + "/plain";
    testkit::WriteFile(file, "data");
    EXPECT_FALSE(OpenPort(file));
    EXPECT_FALSE(OpenPort(home.Path() + "/missing"));
    EXPECT_FALSE(OpenPort("LPT1"));
    std::filesystem::create_directories(home.Path() + "/ports");
    std::filesystem::create_symlink("/nowhere", home.Path() + "/ports/COM5");
    EXPECT_FALSE(OpenPort("COM5"));
}

TEST(SerialOpen, FactoryReplacesTheDevicesAndIsRestored) {
    auto fake = std::make_shared<FakePort>();
    std::string asked;
    {
        ScopedPortFactory factory([&](const std::string& name) -> PortPtr {
            asked = name;
            return fake;
        });
        EXPECT_EQ(OpenPort("\\\\.\\COM9"), fake);
        EXPECT_EQ(asked, "\\\\.\\COM9");
    }
    EXPECT_FALSE(OpenPort("/nonexistent/tty"));
}

// ---- line settings on a pseudo-terminal ----

TEST(SerialSettings, CustomAndTableSpeedsReachTheDevice) {
    PtyPair pty;
    PortPtr port = OpenPort(pty.SlavePath());
    ASSERT_TRUE(port);
    for (uint32_t baud : {110u, 9600u, 14400u, 56000u, 57600u, 128000u, 256000u, 123457u}) {
        LineSettings s;
        s.baudRate = baud;
        ASSERT_TRUE(port->ApplySettings(s)) << baud;
        const termios2 t = SlaveTermios(pty);
        EXPECT_EQ(t.c_ospeed, baud);
        EXPECT_EQ(t.c_cflag & CBAUD, static_cast<tcflag_t>(BOTHER));
    }
    LineSettings zero;
    zero.baudRate = 0;
    EXPECT_FALSE(port->ApplySettings(zero)) << "speed 0 would hang up the line";
}

struct FrameCase {
    int dataBits;
    Parity parity;
    StopBits stopBits;
    tcflag_t size;
    tcflag_t parityFlags;
    bool twoStops;
};

class SerialFrameTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(SerialFrameTest, FrameFlagsMatch) {
    const FrameCase& c = GetParam();
    LineSettings s;
    s.dataBits = c.dataBits;
    s.parity = c.parity;
    s.stopBits = c.stopBits;
    const TerminalFlags f = MakeTerminalFlags(s);
    EXPECT_EQ(f.cflag & CSIZE, c.size);
    EXPECT_EQ(f.cflag & (PARENB | PARODD | CMSPAR), c.parityFlags);
    EXPECT_EQ((f.cflag & CSTOPB) != 0, c.twoStops);
    // Raw bytes both ways, no carrier needed, no parity checks on input,
    // any speed, DTR dropped at the close.
    EXPECT_EQ(f.lflag, 0u);
    EXPECT_EQ(f.oflag, 0u);
    EXPECT_EQ(f.iflag, 0u);
    EXPECT_EQ(f.cflag & (CLOCAL | CREAD | HUPCL), static_cast<tcflag_t>(CLOCAL | CREAD | HUPCL));
    EXPECT_EQ(f.cflag & CBAUD, static_cast<tcflag_t>(BOTHER));
    EXPECT_EQ(f.cflag & CRTSCTS, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, SerialFrameTest,
    ::testing::Values(FrameCase{8, Parity::None, StopBits::One, CS8, 0, false},
                      FrameCase{7, Parity::Even, StopBits::One, CS7, PARENB, false},
                      FrameCase{7, Parity::Odd, StopBits::Two, CS7, PARENB | PARODD, true},
                      FrameCase{6, Parity::Mark, StopBits::One, CS6, PARENB | PARODD | CMSPAR, false},
                      FrameCase{5, Parity::Space, StopBits::OneAndHalf, CS5, PARENB | CMSPAR, true},
                      FrameCase{8, Parity::None, StopBits::OneAndHalf, CS8, 0, true}));

TEST(SerialSettings, FlowControlFlagsAndCharacters) {
    LineSettings s;
    s.ctsOutputFlow = true;
    s.rts = LineControl::Handshake;
    s.xonXoffOutput = true;
    s.xonXoffInput = true;
    s.xonChar = 0x11;
    s.xoffChar = 0x13;
    TerminalFlags f = MakeTerminalFlags(s);
    EXPECT_NE(f.cflag & CRTSCTS, 0u);
    EXPECT_EQ(f.iflag, static_cast<tcflag_t>(IXON | IXOFF));
    EXPECT_EQ(f.startChar, 0x11);
    EXPECT_EQ(f.stopChar, 0x13);
    s = LineSettings{};
    s.xonXoffOutput = true;
    EXPECT_EQ(MakeTerminalFlags(s).iflag, static_cast<tcflag_t>(IXON));
}

// A pseudo-terminal keeps all but the character size and parity enable,
// which its driver fixes to 8 bits without parity.
TEST(SerialSettings, APseudoTerminalTakesTheSettings) {
    PtyPair pty;
    PortPtr port = OpenPort(pty.SlavePath());
    ASSERT_TRUE(port);
    LineSettings s;
    s.parity = Parity::Mark;
    s.stopBits = StopBits::Two;
    s.rts = LineControl::Handshake;
    s.xonXoffInput = true;
    s.baudRate = 14400;
    ASSERT_TRUE(port->ApplySettings(s));
    termios2 t = SlaveTermios(pty);
    EXPECT_NE(t.c_cflag & CSTOPB, 0u);
    EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
    EXPECT_NE(t.c_cflag & CMSPAR, 0u);
    EXPECT_EQ(t.c_iflag, static_cast<tcflag_t>(IXOFF));
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_cc[VMIN], 1);
    EXPECT_EQ(t.c_cc[VTIME], 0);

    s = LineSettings{};
    s.rts = LineControl::Off;
    s.dtrOn = false;  // a pseudo-terminal has no such lines; that is no failure
    ASSERT_TRUE(port->ApplySettings(s));
    t = SlaveTermios(pty);
    EXPECT_EQ(t.c_cflag & (CRTSCTS | CSTOPB | CMSPAR), 0u);
    EXPECT_EQ(t.c_iflag, 0u);
    EXPECT_EQ(t.c_ospeed, 9600u);
}

TEST(SerialSettings, RejectsDataBitsOutsideFiveToEight) {
    PtyPair pty;
    PortPtr port = OpenPort(pty.SlavePath());
    ASSERT_TRUE(port);
    for (int bits : {4, 9, 0}) {
        LineSettings s;
        s.dataBits = bits;
        EXPECT_FALSE(port->ApplySettings(s)) << bits;
    }
}

// A pseudo-terminal opened as a port with the default line settings.
class SerialIo : public ::testing::Test {
protected:
    void SetUp() override {
        port = OpenPort(pty.SlavePath());
        ASSERT_TRUE(port);
        ASSERT_TRUE(port->ApplySettings(LineSettings{}));
    }
    PtyPair pty;
    PortPtr port;
};
class SerialQueues : public SerialIo {};

// ---- queues, status, purge ----

TEST_F(SerialQueues, CountsPurgesAndReportsNoStatusLinesOnAPty) {
    uint8_t lines = 0xFF;
    EXPECT_TRUE(port->ModemStatus(lines));
    EXPECT_EQ(lines, 0);

    pty.Write("hello");
    ASSERT_TRUE(port->WaitReadable(1000));
    uint32_t in = 0, out = 99;
    ASSERT_TRUE(port->QueueCounts(in, out));
    EXPECT_EQ(in, 5u);
    EXPECT_EQ(out, 0u);
    EXPECT_TRUE(port->Purge(true, true));
    ASSERT_TRUE(port->QueueCounts(in, out));
    EXPECT_EQ(in, 0u);
    EXPECT_TRUE(port->Purge(false, false));
    EXPECT_TRUE(port->SetupQueues(2048, 2048));
}

// The modem reads a command at its own pace; a purge before the next command
// must not take back the last one, which a real line would have sent by then.
TEST_F(SerialQueues, APurgeKeepsWhatWasWrittenToAPseudoTerminal) {
    std::size_t written = 0;
    ASSERT_TRUE(port->SetTimeouts(ReadLimits(0, 0, 100)));
    pty.Write("stale");
    ASSERT_TRUE(port->WaitReadable(1000));
    // The purge comes at once, before the kernel has handed the bytes on.
    ASSERT_TRUE(port->Write("ATE0V1+mem\r\n", 12, written));
    ASSERT_EQ(written, 12u);
    EXPECT_TRUE(port->Purge(true, true));
    uint32_t in = 99, out = 99;
    ASSERT_TRUE(port->QueueCounts(in, out));
    EXPECT_EQ(in, 0u);
    EXPECT_EQ(pty.Read(500), "ATE0V1+mem\r\n");
}

// ---- reads and writes ----

TEST_F(SerialIo, ReadEndsAtTheTotalLimitAndGivesWhatCame) {
    ASSERT_TRUE(port->SetTimeouts(ReadLimits(0, 0, 150)));
    char buf[16];
    std::size_t got = 99;
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(port->Read(buf, sizeof buf, got));
    EXPECT_EQ(got, 0u);
    EXPECT_GE(Since(start), 140);
    EXPECT_LT(Since(start), 600);

    pty.Write("abc");
    start = std::chrono::steady_clock::now();
    EXPECT_TRUE(port->Read(buf, 3, got));
    EXPECT_EQ(std::string(buf, got), "abc");
    EXPECT_LT(Since(start), 140) << "a complete read does not wait for the limit";
}

TEST_F(SerialIo, ReadIntervalEndsAReadAfterAGap) {
    ASSERT_TRUE(port->SetTimeouts(ReadLimits(80, 0, 0)));
    std::thread sender([&] {
        pty.Write("ab");
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        pty.Write("cd");
    });
    char buf[16];
    std::size_t got = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(port->Read(buf, sizeof buf, got));
    sender.join();
    EXPECT_EQ(std::string(buf, got), "abcd");
    EXPECT_GE(Since(start), 100);
    EXPECT_LT(Since(start), 800);
}

TEST_F(SerialIo, ReturnAtOnceGivesOnlyWhatWaits) {
    ASSERT_TRUE(port->SetTimeouts(ReadLimits(Timeouts::kReturnAtOnce, 0, 0)));
    char buf[8];
    std::size_t got = 1;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(port->Read(buf, sizeof buf, got));
    EXPECT_EQ(got, 0u);
    EXPECT_LT(Since(start), 50);
}

TEST_F(SerialIo, WritesReachTheOtherEndUnchanged) {
    Timeouts t;
    t.writeTotalConstant = 100;
    ASSERT_TRUE(port->SetTimeouts(t));
    std::string bytes = "AT\r\n";
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    std::size_t written = 0;
    EXPECT_TRUE(port->Write(bytes.data(), bytes.size(), written));
    EXPECT_EQ(written, bytes.size());
    EXPECT_EQ(pty.Read(100), bytes) << "no line end translation, all 256 byte values";
}

TEST_F(SerialIo, WriteToAStuckLineEndsAtItsLimit) {
    Timeouts t;
    t.writeTotalConstant = 100;
    ASSERT_TRUE(port->SetTimeouts(t));
    const std::string lot(1 << 20, 'x');  // far more than the pty buffers; nobody reads
    std::size_t written = 0;
    CpuMeter meter;
    EXPECT_TRUE(port->Write(lot.data(), lot.size(), written));
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, lot.size());
    EXPECT_GE(meter.WallSeconds(), 0.09);
    EXPECT_LT(meter.WallSeconds(), 1.0);
}

TEST_F(SerialIo, WaitReadableSleepsUntilBytesCome) {
    CpuMeter meter;
    EXPECT_FALSE(port->WaitReadable(300));
    EXPECT_GE(meter.WallSeconds(), 0.29);
    EXPECT_LT(meter.CpuSeconds(), 0.03) << "waiting costs no CPU";

    std::thread sender([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        pty.Write("x");
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(port->WaitReadable(2000));
    sender.join();
    EXPECT_LT(Since(start), 1000);
}

TEST_F(SerialIo, AVanishedDeviceFailsAtOnceAndSaysSo) {
    ASSERT_TRUE(port->SetTimeouts(ReadLimits(0, 0, 100)));
    pty.CloseMaster();

    CpuMeter meter;
    EXPECT_FALSE(port->WaitReadable(3000)) << "a hung-up line is not readable";
    EXPECT_LT(meter.WallSeconds(), 0.1) << "and nothing waits on it";
    EXPECT_TRUE(port->Lost()) << "which tells the caller why";
    EXPECT_FALSE(port->WaitWritable(3000));
    EXPECT_LT(meter.WallSeconds(), 0.1);
    EXPECT_LT(meter.CpuSeconds(), 0.03);

    char buf[4];
    std::size_t got = 9;
    EXPECT_FALSE(port->Read(buf, sizeof buf, got));
    EXPECT_EQ(got, 0u);
    std::size_t written = 9;
    EXPECT_FALSE(port->Write("AT\r", 3, written));
    port->Close();
    port->Close();  // twice is harmless
    EXPECT_FALSE(port->ApplySettings(LineSettings{}));
}

// ---- the fake port ----

TEST(FakePortTest, PlaysBackBytesWhenTheyAreDue) {
    FakePort fake;
    fake.Feed("now");
    fake.Feed("later", 120);
    char buf[16];
    std::size_t got = 0;
    ASSERT_TRUE(fake.Read(buf, sizeof buf, got));
    EXPECT_EQ(std::string(buf, got), "now");
    EXPECT_EQ(fake.Pending(), 5u);
    uint32_t in = 9, out = 9;
    ASSERT_TRUE(fake.QueueCounts(in, out));
    EXPECT_EQ(in, 0u);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(fake.WaitReadable(1000));
    EXPECT_GE(Since(start), 100);
    ASSERT_TRUE(fake.Read(buf, 2, got));
    EXPECT_EQ(std::string(buf, got), "la");
    ASSERT_TRUE(fake.QueueCounts(in, out));
    EXPECT_EQ(in, 3u);
}

TEST(FakePortTest, PurgeDropsOnlyWhatHasArrived) {
    FakePort fake;
    fake.Feed("old");
    fake.Feed("new", 60);
    EXPECT_TRUE(fake.Purge(true, false));
    EXPECT_EQ(fake.Pending(), 3u);
    EXPECT_EQ(fake.PurgeCount(), 1);
}

TEST(FakePortTest, FeedFromAnotherThreadWakesAWait) {
    FakePort fake;
    std::thread feeder([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        fake.Feed("x");
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(fake.WaitReadable(3000));
    feeder.join();
    EXPECT_LT(Since(start), 1500);
}

TEST(FakePortTest, RecordsWritesSettingsAndHonoursOutputRoom) {
    FakePort fake;
    LineSettings s;
    s.baudRate = 57600;
    s.parity = Parity::Mark;
    EXPECT_TRUE(fake.ApplySettings(s));
    EXPECT_EQ(fake.Settings(), s);
    fake.SetOutputRoom(3);
    std::size_t written = 0;
    EXPECT_TRUE(fake.Write("ATZ\r", 4, written));
    EXPECT_EQ(written, 3u);
    EXPECT_EQ(fake.Written(), "ATZ");
    EXPECT_FALSE(fake.WaitWritable(30));
    fake.SetOutputRoom(10);
    EXPECT_TRUE(fake.WaitWritable(30));
    fake.SetOutputQueued(77);
    uint32_t in = 0, out = 0;
    ASSERT_TRUE(fake.QueueCounts(in, out));
    EXPECT_EQ(out, 77u);
}

TEST(FakePortTest, StatusLinesAndFailures) {
    FakePort fake;
    fake.SetLines(LineCts | LineDcd);
    uint8_t lines = 0;
    ASSERT_TRUE(fake.ModemStatus(lines));
    EXPECT_EQ(lines, LineCts | LineDcd);
    fake.failStatus = true;
    EXPECT_FALSE(fake.ModemStatus(lines));
    EXPECT_EQ(lines, 0);
    fake.failApply = true;
    EXPECT_FALSE(fake.ApplySettings(LineSettings{}));
    EXPECT_FALSE(fake.Lost());
    fake.Vanish();
    EXPECT_TRUE(fake.Lost());
    char c;
    std::size_t got = 0;
    EXPECT_FALSE(fake.Read(&c, 1, got));
    uint32_t in, out;
    EXPECT_FALSE(fake.QueueCounts(in, out));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(fake.WaitReadable(3000));
    EXPECT_FALSE(fake.WaitWritable(3000));
    EXPECT_LT(Since(start), 100);
}

TEST(FakePortTest, VanishingWakesAWait) {
    FakePort fake;
    std::thread gone([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        fake.Vanish();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(fake.WaitReadable(3000));
    gone.join();
    EXPECT_LT(Since(start), 1000);
}

TEST(FakePortTest, ResponderAnswersEachWrittenLine) {
    FakePort fake;
    std::vector<std::string> heard;
    fake.SetResponder([&](const std::string& line) {
        heard.push_back(line);
        return line == "AT" ? std::string("\r\nOK\r\n") : std::string();
    });
    std::size_t written = 0;
    fake.Write("A", 1, written);
    fake.Write("T\r\nATX\r\n", 7, written);
    EXPECT_EQ(heard, (std::vector<std::string>{"AT", "ATX"}));
    char buf[16];
    std::size_t got = 0;
    ASSERT_TRUE(fake.Read(buf, sizeof buf, got));
    EXPECT_EQ(std::string(buf, got), "\r\nOK\r\n");
}
