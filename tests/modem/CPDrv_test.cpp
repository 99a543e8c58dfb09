#include "modem/CPDrv.h"

#include <QCoreApplication>
#include <QTimer>
#include <filesystem>
#include <thread>

#include "modem/PumpApp.h"
#include "platform/App.h"
#include "platform/Exceptions.h"
#include "platform/PtyPair.h"
#include "testkit/TestKit.h"

using modemtest::EnsureApp;
using ptytest::CpuMeter;
using ptytest::PtyPair;
using ptytest::Since;
using Ms = std::chrono::milliseconds;

namespace {

void RunEvents(int ms) {
    const auto start = std::chrono::steady_clock::now();
    while (Since(start) < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(Ms(2));
    }
}

// A driver whose port is a FakePort.
class FakeDriver : public ::testing::Test {
protected:
    std::shared_ptr<serial::FakePort> fake = std::make_shared<serial::FakePort>();
    int opens = 0;
    serial::ScopedPortFactory factory{[this](const std::string&) -> serial::PortPtr {
        ++opens;
        return fake;
    }};
    TCommPortDriver driver;
};

}  // namespace

// ---- properties ----

TEST(CPDrvProperties, Defaults) {
    TCommPortDriver d;
    EXPECT_EQ(d.Port(), pnCOM2);
    EXPECT_EQ(d.PortName(), "\\\\.\\COM2");
    EXPECT_EQ(d.BaudRate(), br9600);
    EXPECT_EQ(d.BaudRateValue(), 9600u);
    EXPECT_EQ(d.DataBits(), db8BITS);
    EXPECT_EQ(d.StopBits(), sb1BITS);
    EXPECT_EQ(d.Parity(), ptNONE);
    EXPECT_EQ(d.HwFlow(), hfNONERTSON);
    EXPECT_EQ(d.SwFlow(), sfNONE);
    EXPECT_EQ(d.InBufSize(), 2048u);
    EXPECT_EQ(d.OutBufSize(), 2048u);
    EXPECT_EQ(d.PacketSize(), -1);
    EXPECT_EQ(d.PacketTimeout(), -1);
    EXPECT_EQ(d.PacketMode(), pmDiscard);
    EXPECT_EQ(d.PollingDelay(), 50);
    EXPECT_TRUE(d.EnableDTROnOpen());
    EXPECT_EQ(d.OutputTimeout(), 500);
    EXPECT_EQ(d.InputTimeout(), 200u);
    EXPECT_FALSE(d.CheckLineStatus());
    EXPECT_FALSE(d.Connected());
    EXPECT_EQ(d.LastReadCount(), 0u);
}

TEST(CPDrvProperties, PortNamesThePortAndANameMakesItCustom) {
    TCommPortDriver d;
    d.SetPort(pnCOM3);
    EXPECT_EQ(d.PortName(), "\\\\.\\COM3");
    d.SetPort(pnCOM16);
    EXPECT_EQ(d.PortName(), "\\\\.\\COM16");
    d.SetPortName("/dev/ttyUSB0");
    EXPECT_EQ(d.Port(), pnCustom);
    EXPECT_EQ(d.PortName(), "/dev/ttyUSB0");
    d.SetPort(pnCustom);
    EXPECT_EQ(d.PortName(), "/dev/ttyUSB0") << "pnCustom keeps the name";
}

TEST(CPDrvProperties, BufferSizesAreClamped) {
    const std::pair<uint32_t, uint32_t> cases[] = {{100, 128}, {0, 128}, {128, 128}, {3000, 3000},
                                                   {8192, 8192}, {10000, 8192}, {0xFFFFFFFF, 8192}};
    for (const auto& [in, stored] : cases) {
        TCommPortDriver d;
        d.SetInBufSize(in);
        d.SetOutBufSize(in);
        EXPECT_EQ(d.InBufSize(), stored) << in;
        EXPECT_EQ(d.OutBufSize(), stored) << in;
    }
}

TEST(CPDrvProperties, PollingDelayAndPacketTimeout) {
    TCommPortDriver d;
    d.SetPollingDelay(2);
    EXPECT_EQ(d.PollingDelay(), 5);
    d.SetPacketTimeout(3);
    EXPECT_EQ(d.PacketTimeout(), 7);
    d.SetPacketTimeout(0);
    EXPECT_EQ(d.PacketTimeout(), -1);
    d.SetPacketTimeout(-20);
    EXPECT_EQ(d.PacketTimeout(), -1);
    d.SetPacketTimeout(100);
    EXPECT_EQ(d.PacketTimeout(), 100);
    // A new polling delay passes the packet time-out through its rule again.
    d.SetPollingDelay(200);
    EXPECT_EQ(d.PacketTimeout(), 280);
    d.SetPacketTimeout(250);
    d.SetPollingDelay(200);  // unchanged: nothing happens
    EXPECT_EQ(d.PacketTimeout(), 250);
}

TEST(CPDrvProperties, BaudRateAndItsValue) {
    TCommPortDriver d;
    d.SetBaudRateValue(57600);
    EXPECT_EQ(d.BaudRate(), brCustom);
    EXPECT_EQ(d.BaudRateValue(), 57600u);
    d.SetBaudRate(br57600);
    EXPECT_EQ(d.BaudRateValue(), 57600u);
    EXPECT_EQ(d.BaudRate(), br57600);
    d.SetBaudRate(brCustom);
    EXPECT_EQ(d.BaudRateValue(), 57600u) << "brCustom keeps the value";
    EXPECT_THROW(d.SetBaudRate(static_cast<TBaudRate>(16)), ERangeError);
    EXPECT_EQ(d.BaudRate(), brCustom) << "a bad rate changes nothing";
}

TEST(CPDrvUnit, BaudTable) {
    const uint32_t table[] = {0,     110,   300,   600,   1200,   2400,   4800,  9600,
                              14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
    for (int i = 0; i <= 15; ++i) EXPECT_EQ(BaudOf(static_cast<TBaudRate>(i)), table[i]) << i;
    EXPECT_THROW(BaudOf(static_cast<TBaudRate>(16)), ERangeError);
}

TEST(CPDrvUnit, PacketMsRoundsToTheNearestAndHalvesToEven) {
    EXPECT_EQ(PacketMs(br9600, 960), 1000u);
    EXPECT_EQ(PacketMs(br110, 1), 91u);
    EXPECT_EQ(PacketMs(br57600, 1024), 178u);
    EXPECT_EQ(PacketMs(br2400, 3), 12u);   // 12.5
    EXPECT_EQ(PacketMs(br2400, 9), 38u);   // 37.5
    EXPECT_EQ(PacketMs(br256000, 0), 0u);
    // The table has no rate for brCustom; the actual rate gives the time.
    EXPECT_EQ(PacketMs(brCustom, 100), 0u);
    EXPECT_EQ(PacketMsAt(20000, 100), 50u);
    EXPECT_EQ(PacketMsAt(0, 100), 0u);
    EXPECT_THROW(PacketMsAt(10, 0xFFFFFFFF), EIntOverflow);
}

TEST(CPDrvUnit, PlatformAndVersion) {
    EXPECT_EQ(GetPlatformTag(), "");
    EXPECT_GE(GetOSVersion(), 0x20000u) << "a Linux kernel of at least 2.0";
}

TEST(CPDrvProperties, PacketSizeNeverAsksForMoreThanTheLargestBuffer) {
    TCommPortDriver d;
    d.SetPacketSize(0);
    EXPECT_EQ(d.PacketSize(), -1);
    d.SetPacketSize(-3);
    EXPECT_EQ(d.PacketSize(), -1);
    d.SetPacketSize(4000);
    EXPECT_EQ(d.PacketSize(), 4000);
    EXPECT_EQ(d.InBufSize(), 4000u);
    d.SetPacketSize(10000);
    EXPECT_EQ(d.PacketSize(), 8192);
    EXPECT_EQ(d.InBufSize(), 8192u);
    d.SetInBufSize(200);
    EXPECT_EQ(d.PacketSize(), 8192);
    EXPECT_EQ(d.InBufSize(), 8192u) << "the buffer is enlarged again for the packet";
}

TEST_F(FakeDriver, PacketSizeWhileOpenIsHeldToTheBuffer) {
    ASSERT_TRUE(driver.Connect());
    driver.SetPacketSize(4000);
    EXPECT_EQ(driver.PacketSize(), 2048);
    EXPECT_EQ(driver.InBufSize(), 2048u);
}

// ---- connecting and the line settings ----

struct DcbCase {
    THwFlowControl hw;
    TSwFlowControl sw;
    TParity parity;
    TStopBits stop;
    TDataBits data;
    bool dtr;
    serial::LineSettings expected;
};

serial::LineSettings Expect(serial::LineControl rts, bool cts, bool xon, serial::Parity p, serial::StopBits s,
                            int bits, bool dtr) {
    serial::LineSettings e;
    e.baudRate = 57600;
    e.rts = rts;
    e.ctsOutputFlow = cts;
    e.xonXoffInput = e.xonXoffOutput = xon;
    e.parity = p;
    e.stopBits = s;
    e.dataBits = bits;
    e.dtrOn = dtr;
    e.xonLimit = e.xoffLimit = 512;
    return e;
}

class DcbTest : public ::testing::TestWithParam<DcbCase> {};

TEST_P(DcbTest, SettingsReachThePort) {
    const DcbCase& c = GetParam();
    auto fake = std::make_shared<serial::FakePort>();
    serial::ScopedPortFactory factory([&](const std::string&) { return fake; });
    TCommPortDriver d;
    d.SetBaudRate(br57600);
    d.SetHwFlow(c.hw);
    d.SetSwFlow(c.sw);
    d.SetParity(c.parity);
    d.SetStopBits(c.stop);
    d.SetDataBits(c.data);
    d.SetEnableDTROnOpen(c.dtr);
    ASSERT_TRUE(d.Connect());
    EXPECT_EQ(fake->Settings(), c.expected);
}

using serial::LineControl;
using serial::Parity;
using serial::StopBits;
INSTANTIATE_TEST_SUITE_P(
    Settings, DcbTest,
    ::testing::Values(
        DcbCase{hfNONERTSON, sfNONE, ptNONE, sb1BITS, db8BITS, true,
                Expect(LineControl::On, false, false, Parity::None, StopBits::One, 8, true)},
        DcbCase{hfNONE, sfNONE, ptODD, sb2BITS, db7BITS, false,
                Expect(LineControl::Off, false, false, Parity::Odd, StopBits::Two, 7, false)},
        DcbCase{hfRTSCTS, sfXONXOFF, ptEVEN, sb1HALFBITS, db5BITS, true,
                Expect(LineControl::Handshake, true, true, Parity::Even, StopBits::OneAndHalf, 5, true)},
        DcbCase{hfNONERTSON, sfXONXOFF, ptMARK, sb1BITS, db6BITS, true,
                Expect(LineControl::On, false, true, Parity::Mark, StopBits::One, 6, true)},
        DcbCase{hfNONERTSON, sfNONE, ptSPACE, sb1BITS, db8BITS, true,
                Expect(LineControl::On, false, false, Parity::Space, StopBits::One, 8, true)}));

TEST_F(FakeDriver, ConnectSetsTimeoutsQueuesAndPurges) {
    driver.SetInBufSize(4096);
    driver.SetOutBufSize(1000);
    ASSERT_TRUE(driver.Connect());
    EXPECT_TRUE(driver.Connected());
    const serial::Timeouts t = fake->TimeoutsSet();
    EXPECT_EQ(t.readInterval, 1u);
    EXPECT_EQ(t.readTotalMultiplier, 0u);
    EXPECT_EQ(t.readTotalConstant, 1u);
    EXPECT_EQ(t.writeTotalMultiplier, 0u);
    EXPECT_EQ(t.writeTotalConstant, 1u);
    EXPECT_EQ(fake->InQueueSize(), 4096u);
    EXPECT_EQ(fake->OutQueueSize(), 1000u);
    EXPECT_EQ(fake->Settings().xonLimit, 1024u);
    EXPECT_EQ(fake->PurgeCount(), 1);
    EXPECT_TRUE(driver.Connect()) << "already open";
    EXPECT_EQ(opens, 1);
    driver.Disconnect();
    EXPECT_FALSE(driver.Connected());
    EXPECT_TRUE(fake->Closed());
    driver.Disconnect();  // closed: nothing
}

TEST(CPDrvConnect, FailuresLeaveThePortClosed) {
    for (int which = 0; which < 4; ++which) {
        auto fake = std::make_shared<serial::FakePort>();
        fake->failApply = which == 1;
        fake->failPurge = which == 2;
        fake->failSetup = which == 3;
        serial::ScopedPortFactory factory(
            [&](const std::string&) -> serial::PortPtr { return which == 0 ? nullptr : fake; });
        TCommPortDriver d;
        EXPECT_FALSE(d.Connect()) << which;
        EXPECT_FALSE(d.Connected()) << which;
        if (which > 0) {
            EXPECT_TRUE(fake->Closed()) << which;
        }
    }
}

TEST_F(FakeDriver, WhileOpenTheNameAndBuffersStayAndLineSettingsApplyAtOnce) {
    ASSERT_TRUE(driver.Connect());
    driver.SetPort(pnCOM3);
    driver.SetPortName("/dev/other");
    driver.SetInBufSize(4096);
    driver.SetOutBufSize(4096);
    EXPECT_EQ(driver.Port(), pnCOM2);
    EXPECT_EQ(driver.PortName(), "\\\\.\\COM2");
    EXPECT_EQ(driver.InBufSize(), 2048u);
    EXPECT_EQ(driver.OutBufSize(), 2048u);

    const int applied = fake->ApplyCount();
    const int purged = fake->PurgeCount();
    driver.SetBaudRate(br115200);
    EXPECT_EQ(fake->ApplyCount(), applied + 1);
    EXPECT_EQ(fake->Settings().baudRate, 115200u);
    EXPECT_EQ(fake->PurgeCount(), purged + 1) << "a re-apply purges both ways";
    driver.SetParity(ptEVEN);
    EXPECT_EQ(fake->Settings().parity, serial::Parity::Even);
    // DTR takes effect at the next apply only.
    driver.SetEnableDTROnOpen(false);
    EXPECT_TRUE(fake->Settings().dtrOn);
    driver.SetStopBits(sb2BITS);
    EXPECT_FALSE(fake->Settings().dtrOn);
}

TEST(CPDrvClosed, EverythingIsAQuietNoOp) {
    TCommPortDriver d;
    EXPECT_EQ(d.InputCount(), 65535u);
    EXPECT_EQ(d.OutputFree(), 65535);
    EXPECT_EQ(d.GetLineStatus(), 0);
    EXPECT_FALSE(d.PurgeBuffers(true, true));
    EXPECT_FALSE(d.ApplySettings());
    EXPECT_EQ(d.SendData("AT", 2), 0u);
    EXPECT_FALSE(d.SendByte('A'));
    EXPECT_FALSE(d.SendString("AT"));
    EXPECT_TRUE(d.SendString("")) << "nothing to write is all written";
    char buf[4];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(d.ReadData(buf, 4), 0u);
    uint8_t value = 42;
    EXPECT_FALSE(d.ReadByte(value));
    EXPECT_EQ(value, 42);
    EXPECT_LT(Since(start), 50) << "no waiting on a closed port";
    d.TimerWndProc();
}

// ---- status lines and queues ----

TEST_F(FakeDriver, LineStatusBits) {
    ASSERT_TRUE(driver.Connect());
    EXPECT_EQ(driver.GetLineStatus(), 0);
    fake->SetLines(serial::LineCts | serial::LineDsr);
    EXPECT_EQ(driver.GetLineStatus(), 3);
    fake->SetLines(serial::LineRing | serial::LineDcd | serial::LineCts | serial::LineDsr);
    EXPECT_EQ(driver.GetLineStatus(), 15);
    fake->failStatus = true;
    EXPECT_EQ(driver.GetLineStatus(), 0);
}

TEST_F(FakeDriver, OutputFreeIsTheRoomLeftInTheOutputBuffer) {
    ASSERT_TRUE(driver.Connect());
    EXPECT_EQ(driver.OutputFree(), 2048);
    fake->SetOutputQueued(48);
    EXPECT_EQ(driver.OutputFree(), 2000);
    fake->SetOutputQueued(5000);  // more than the buffer: none left, not a wrapped count
    EXPECT_EQ(driver.OutputFree(), 0);
    fake->Feed("12345");
    EXPECT_EQ(driver.InputCount(), 5u);
    EXPECT_TRUE(driver.PurgeBuffers(true, false));
    EXPECT_EQ(driver.InputCount(), 0u);
}

// ---- sending ----

TEST_F(FakeDriver, SendWithLineCheckNeedsAStatusLine) {
    ASSERT_TRUE(driver.Connect());
    driver.SetCheckLineStatus(true);
    EXPECT_EQ(driver.SendData("ATZ\r", 4), 0u);
    EXPECT_EQ(fake->Written(), "");
    fake->SetLines(serial::LineDsr);
    EXPECT_EQ(driver.SendData("ATZ\r", 4), 4u);
    EXPECT_EQ(fake->Written(), "ATZ\r");
}

TEST_F(FakeDriver, SendEndsAfterTheTimeoutWithoutProgressAndWithoutSpinning) {
    ASSERT_TRUE(driver.Connect());
    fake->SetOutputRoom(3);
    CpuMeter meter;
    EXPECT_EQ(driver.SendDataTimeout("0123456789", 10, 150), 3u);
    EXPECT_EQ(fake->Written(), "012");
    EXPECT_GE(meter.WallSeconds(), 0.15);
    EXPECT_LT(meter.WallSeconds(), 0.6);
    EXPECT_LT(meter.CpuSeconds(), 0.05);
    EXPECT_FALSE(driver.SendString("more"));
}

TEST_F(FakeDriver, SendGoesOnWhileTheLineTakesBytes) {
    ASSERT_TRUE(driver.Connect());
    fake->SetOutputRoom(2);
    std::thread drain([&] {
        for (int i = 0; i < 4; ++i) {
            std::this_thread::sleep_for(Ms(60));
            fake->SetOutputRoom(2);
        }
    });
    // Each gap is shorter than the time-out, so every byte goes out.
    EXPECT_EQ(driver.SendDataTimeout("abcdefghij", 10, 200), 10u);
    drain.join();
    EXPECT_EQ(fake->Written(), "abcdefghij");
}

// ---- reading ----

TEST_F(FakeDriver, ReadGivesWhatCameAfterTheTimeoutOfSilence) {
    ASSERT_TRUE(driver.Connect());
    fake->Feed("abcd", 30);
    char buf[10];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(driver.ReadData(buf, 10), 4u);
    EXPECT_EQ(std::string(buf, 4), "abcd");
    EXPECT_GE(Since(start), 230);
    EXPECT_LT(Since(start), 600);
    EXPECT_EQ(driver.LastReadCount(), 4u);
}

TEST_F(FakeDriver, ReadWithTimeoutZeroTakesOnlyWhatWaits) {
    ASSERT_TRUE(driver.Connect());
    fake->Feed("xyz");
    fake->Feed("late", 200);
    driver.SetInputTimeout(0);
    char buf[10];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(driver.ReadData(buf, 10), 3u);
    EXPECT_LT(Since(start), 50);
}

TEST_F(FakeDriver, TheTimeoutCountsFromTheLastByte) {
    ASSERT_TRUE(driver.Connect());
    fake->Feed("ab");
    fake->Feed("cd", 150);
    fake->Feed("ef", 300);
    char buf[6];
    EXPECT_EQ(driver.ReadData(buf, 6), 6u);
    EXPECT_EQ(std::string(buf, 6), "abcdef");
}

TEST_F(FakeDriver, LastReadCountIsNotResetByANewRead) {
    ASSERT_TRUE(driver.Connect());
    fake->Feed("1234");
    char buf[8];
    ASSERT_EQ(driver.ReadData(buf, 4), 4u);
    driver.SetInputTimeout(20);
    EXPECT_EQ(driver.ReadData(buf, 8), 0u);
    EXPECT_EQ(driver.LastReadCount(), 4u);
    fake->Feed("56");
    EXPECT_EQ(driver.ReadData(buf, 8), 2u);
    EXPECT_EQ(driver.LastReadCount(), 2u);
    uint8_t b = 7;
    EXPECT_FALSE(driver.ReadByte(b));
    EXPECT_EQ(b, 7);
    fake->Feed("Q");
    EXPECT_TRUE(driver.ReadByte(b));
    EXPECT_EQ(b, 'Q');
}

TEST_F(FakeDriver, AVanishedPortEndsTheReadAtOnce) {
    ASSERT_TRUE(driver.Connect());
    driver.SetInputTimeout(3000);
    fake->Feed("ab");
    std::thread gone([&] {
        std::this_thread::sleep_for(Ms(50));
        fake->Vanish();
    });
    char buf[10];
    CpuMeter meter;
    EXPECT_EQ(driver.ReadData(buf, 10), 2u);
    gone.join();
    EXPECT_LT(meter.WallSeconds(), 0.5);
    EXPECT_LT(meter.CpuSeconds(), 0.05);
    EXPECT_TRUE(driver.PortLost());
    EXPECT_EQ(driver.InputCount(), 0u);
    EXPECT_EQ(driver.GetLineStatus(), 0);
}

// A close asked for while the program waits for the modem ends the read at
// its next message pump, and every later wait at once, until resumed.
TEST_F(FakeDriver, AbortedWaitsEndAtTheNextPump) {
    EnsureApp();
    ASSERT_TRUE(driver.Connect());
    driver.SetInputTimeout(5000);
    QTimer::singleShot(150, [&] { driver.AbortWaits(); });
    char buf[4];
    CpuMeter meter;
    EXPECT_EQ(driver.ReadData(buf, 4), 0u);
    EXPECT_GE(meter.WallSeconds(), 0.14);
    EXPECT_LT(meter.WallSeconds(), 0.5);
    EXPECT_TRUE(driver.WaitsAborted());
    fake->Feed("xy");
    EXPECT_EQ(driver.ReadData(buf, 4), 0u) << "no later read waits or takes anything";
    EXPECT_LT(meter.WallSeconds(), 0.5);
    EXPECT_TRUE(driver.SendString("AT\r")) << "a send still gives out what the port takes";
    driver.ResumeWaits();
    EXPECT_EQ(driver.ReadData(buf, 4), 2u);
}

// ---- message pumping ----

TEST_F(FakeDriver, ReadPumpsFirstAfter86msThenEvery43ms) {
    ASSERT_TRUE(driver.Connect());
    driver.SetInputTimeout(500);
    std::vector<double> pumps;
    const auto start = std::chrono::steady_clock::now();
    app::SetPumpObserver([&] { pumps.push_back(Since(start)); });
    char buf[4];
    EXPECT_EQ(driver.ReadData(buf, 4), 0u);
    app::SetPumpObserver(nullptr);
    // Never earlier than due (first after 86.4 ms, then 43.2 ms apart); a
    // busy machine may wake a little late, but the pumps keep their pace.
    ASSERT_GE(pumps.size(), 7u);
    EXPECT_LE(pumps.size(), 10u);
    EXPECT_GE(pumps.front(), 86.0);
    EXPECT_LT(pumps.front(), 130.0);
    for (std::size_t i = 1; i < pumps.size(); ++i) EXPECT_GE(pumps[i] - pumps[i - 1], 43.0) << i;
    const double mean = (pumps.back() - pumps.front()) / static_cast<double>(pumps.size() - 1);
    EXPECT_LT(mean, 55.0);
}

TEST_F(FakeDriver, AHandlerThatClosesThePortDuringARead) {
    EnsureApp();
    ASSERT_TRUE(driver.Connect());
    driver.SetInputTimeout(1000);
    QTimer::singleShot(100, &driver, [&] { driver.Disconnect(); });
    char buf[4];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(driver.ReadData(buf, 4), 0u);
    EXPECT_LT(Since(start), 600) << "the read ends with the port";
    EXPECT_FALSE(driver.Connected());
}

// ---- the polling timer ----

TEST_F(FakeDriver, PollingDropsWhatArrivesBetweenReads) {
    EnsureApp();
    ASSERT_TRUE(driver.Connect());
    fake->Feed("RING\r\n");
    RunEvents(200);
    EXPECT_EQ(fake->Pending(), 0u);
    EXPECT_EQ(driver.InputCount(), 0u);
}

TEST_F(FakeDriver, PollingHandsBytesToTheDataEvent) {
    EnsureApp();
    std::string seen;
    driver.OnReceiveData = [&](TCommPortDriver* sender, const void* data, uint32_t size) {
        EXPECT_EQ(sender, &driver);
        seen.append(static_cast<const char*>(data), size);
    };
    ASSERT_TRUE(driver.Connect());
    fake->Feed("hello");
    RunEvents(200);
    EXPECT_EQ(seen, "hello");
}

TEST_F(FakeDriver, PollingTakesMoreThanTheBufferOverSeveralTicks) {
    std::vector<uint32_t> sizes;
    std::string seen;
    driver.OnReceiveData = [&](TCommPortDriver*, const void* data, uint32_t size) {
        sizes.push_back(size);
        seen.append(static_cast<const char*>(data), size);
    };
    ASSERT_TRUE(driver.Connect());
    std::string bytes(5000, 0);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
    fake->Feed(bytes);
    for (int tick = 0; tick < 4; ++tick) driver.TimerWndProc();
    EXPECT_EQ(sizes, (std::vector<uint32_t>{2048, 2048, 904}));
    EXPECT_EQ(seen, bytes);
}

TEST_F(FakeDriver, PollingLeavesTheBytesToARunningRead) {
    EnsureApp();
    std::string polled;
    driver.OnReceiveData = [&](TCommPortDriver*, const void* data, uint32_t size) {
        polled.append(static_cast<const char*>(data), size);
    };
    ASSERT_TRUE(driver.Connect());
    fake->Feed("ab", 120);
    fake->Feed("cd", 250);
    char buf[4];
    EXPECT_EQ(driver.ReadData(buf, 4), 4u);
    EXPECT_EQ(polled, "");
}

TEST_F(FakeDriver, ANewPollingDelayRestartsTheTimer) {
    EnsureApp();
    ASSERT_TRUE(driver.Connect());
    auto* timer = driver.findChild<QTimer*>();
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 50);
    driver.SetPollingDelay(120);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 120);
    driver.Disconnect();
    EXPECT_FALSE(timer->isActive());
}

class PacketDriver : public FakeDriver {
protected:
    std::vector<std::string> packets;
    void SetUp() override {
        driver.SetPacketSize(4);
        driver.SetPacketTimeout(100);
        driver.OnReceivePacket = [this](TCommPortDriver*, const void* data, uint32_t size) {
            packets.emplace_back(static_cast<const char*>(data), size);
        };
        ASSERT_TRUE(driver.Connect());
    }
};

TEST_F(PacketDriver, WholePacketsAreHandedOnAndTheRestWaits) {
    fake->Feed("abcdefghij");
    driver.TimerWndProc();
    EXPECT_EQ(packets, (std::vector<std::string>{"abcd", "efgh"}));
    EXPECT_EQ(driver.InputCount(), 2u);
    driver.TimerWndProc();
    EXPECT_EQ(packets.size(), 2u) << "the rest waits for its time-out";
    EXPECT_EQ(driver.InputCount(), 2u) << "and is neither passed nor dropped before it";
    std::this_thread::sleep_for(Ms(130));
    driver.TimerWndProc();
    EXPECT_EQ(driver.InputCount(), 0u) << "dropped after it";
}

TEST_F(PacketDriver, APartialPacketIsPassedAfterItsTimeout) {
    driver.SetPacketMode(pmPass);
    fake->Feed("xy");
    driver.TimerWndProc();  // first seen
    EXPECT_TRUE(packets.empty());
    std::this_thread::sleep_for(Ms(130));
    driver.TimerWndProc();
    EXPECT_EQ(packets, (std::vector<std::string>{"xy"}));
    EXPECT_EQ(driver.InputCount(), 0u);
}

TEST_F(PacketDriver, APartialPacketIsDroppedAfterItsTimeoutInDiscardMode) {
    fake->Feed("xy");
    driver.TimerWndProc();
    std::this_thread::sleep_for(Ms(130));
    driver.TimerWndProc();
    EXPECT_TRUE(packets.empty());
    EXPECT_EQ(driver.InputCount(), 0u);
}

TEST_F(PacketDriver, APurgeForgetsThePendingPacket) {
    driver.SetPacketMode(pmPass);
    fake->Feed("xy");
    driver.TimerWndProc();
    std::this_thread::sleep_for(Ms(130));
    driver.PurgeBuffers(false, true);
    driver.TimerWndProc();  // pending again from now
    EXPECT_TRUE(packets.empty());
    EXPECT_EQ(driver.InputCount(), 2u);
    std::this_thread::sleep_for(Ms(130));
    driver.TimerWndProc();
    EXPECT_EQ(packets, (std::vector<std::string>{"xy"}));
}

TEST_F(PacketDriver, SuspendedPollingTouchesNothing) {
    fake->Feed("abcdefgh");
    driver.SuspendPolling();
    driver.TimerWndProc();
    EXPECT_TRUE(packets.empty());
    driver.ResumePolling();
    driver.TimerWndProc();
    EXPECT_EQ(packets.size(), 2u);
}

// ---- on a pseudo-terminal ----

class PtyDriver : public ::testing::Test {
protected:
    testkit::TempHome home;
    PtyPair pty;
    void SetUp() override {
        std::filesystem::create_directories(home.Path() + "/ports");
        std::filesystem::create_symlink(pty.SlavePath(), home.Path() + "/ports/COM2");
    }
};

TEST_F(PtyDriver, TalksThroughTheMappedPort) {
    TCommPortDriver d;
    d.SetBaudRateValue(57600);
    ASSERT_TRUE(d.Connect());
    EXPECT_TRUE(d.SendString("ATI3\r\n"));
    EXPECT_EQ(pty.Read(100), "ATI3\r\n");
    pty.Write(std::string("\r\nOK\r\n\0\x80\xff", 9));
    char buf[16];
    EXPECT_EQ(d.ReadData(buf, 9), 9u);
    EXPECT_EQ(std::string(buf, 9), std::string("\r\nOK\r\n\0\x80\xff", 9));
    EXPECT_EQ(d.GetLineStatus(), 0) << "a pseudo-terminal has no status lines";

    TCommPortDriver other;
    EXPECT_FALSE(other.Connect()) << "the port is held";
    d.Disconnect();
    EXPECT_TRUE(other.Connect());
}

TEST_F(PtyDriver, AnIdleReadSleeps) {
    TCommPortDriver d;
    ASSERT_TRUE(d.Connect());
    d.SetInputTimeout(1000);
    char buf[4];
    CpuMeter meter;
    EXPECT_EQ(d.ReadData(buf, 4), 0u);
    EXPECT_GE(meter.WallSeconds(), 1.0);
    EXPECT_LT(meter.Load(), 0.05);
}

// A device that goes away ends the read and the send at once: nothing more
// can come or go, and the caller learns why from PortLost.
TEST_F(PtyDriver, TheDeviceVanishingMidReadEndsItAtOnce) {
    TCommPortDriver d;
    ASSERT_TRUE(d.Connect());
    d.SetInputTimeout(3000);
    std::thread modem([&] {
        pty.Write("AB");
        std::this_thread::sleep_for(Ms(100));
        pty.CloseMaster();
    });
    char buf[10];
    CpuMeter meter;
    EXPECT_EQ(d.ReadData(buf, 10), 2u);
    modem.join();
    EXPECT_LT(meter.WallSeconds(), 0.5) << "not the 3 s of the time-out";
    EXPECT_LT(meter.CpuSeconds(), 0.1);
    EXPECT_TRUE(d.Connected()) << "the handle stays until it is closed";
    EXPECT_TRUE(d.PortLost());
    CpuMeter sending;
    EXPECT_FALSE(d.SendString("AT\r\n"));
    EXPECT_LT(sending.WallSeconds(), 0.1);
    EXPECT_EQ(d.ReadData(buf, 10), 0u);
    EXPECT_LT(sending.WallSeconds(), 0.1);
    d.Disconnect();
    EXPECT_FALSE(d.PortLost());
}
