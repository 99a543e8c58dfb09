// The AT command channel against the modem simulator on a pseudo-terminal.
#include <algorithm>
#include <filesystem>
#include <functional>
#include <thread>

#include "modem/CommClass.h"
#include "modem/CommClassLog.h"
#include "platform/App.h"
#include "platform/PtyPair.h"
#include "testkit/ModemSim.h"

using commtest::Entry;
using commtest::ModemMessage;
using commtest::SerialLog;
using ptytest::CpuMeter;
using testkit::ModemSim;

namespace {

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

class SimChannel : public ::testing::Test {
protected:
    SerialLog log;
    TCommClass comm;
    std::unique_ptr<ModemSim> sim;

    // The simulator on COM2 with Args; the channel set up as the main window does.
    void Start(std::vector<std::string> args = {}) {
        sim = std::make_unique<ModemSim>(testkit::PortLink(2), std::move(args));
        comm.SetPort(pnCOM2);
        comm.SetBaudRate(br57600);
        comm.SetHwFlow(hfNONERTSON);
    }
    std::string Block(const std::string& description) { return "\r\n     ###" + description + "\r\n"; }
};

}  // namespace

TEST_F(SimChannel, WaitOKSkipsTheEcho) {
    Start();
    comm.SendCommand("AT", "Attention");
    EXPECT_TRUE(comm.WaitOK());
    EXPECT_FALSE(comm.Connected());
    EXPECT_EQ(sim->TranscriptLines(), (std::vector<std::string>{"AT"}));
    EXPECT_EQ(log.Text(), Block("Attention") + Entry("connected") + Entry("<- \"AT\"") + Entry("-> \"AT\"") +
                              Entry("-> \"OK\"") + Entry("disconnected") + "\r\n");
}

TEST_F(SimChannel, QueryIntegerMeetingAnEchoRaisesAndWorksWithoutEcho) {
    Start();
    EXPECT_EQ(ModemMessage([&] { comm.QueryInteger("ATS0?", "Rings"); }), "ERROR occured with \"ATS0?\"");
    EXPECT_FALSE(comm.Connected());
    // The echo of the ATE0 line still comes, and the long wait reads past it.
    comm.ExecuteCommand("ATE0", "Echo off");
    comm.ExecuteCommand("ATS0=3", "Rings");
    EXPECT_EQ(comm.QueryInteger("ATS0?", "Rings"), 3);
    EXPECT_FALSE(comm.QueryFlag("ATS0?", "Rings"));
    EXPECT_EQ(sim->TranscriptLines(),
              (std::vector<std::string>{"ATS0?", "ATE0", "", "ATS0=3", "", "ATS0?", "ATS0?"}));
}

TEST_F(SimChannel, RingIsDroppedAndTheNextLineRead) {
    Start({"--ring-on", "S0?"});
    comm.ExecuteCommand("ATE0", "Echo off");
    EXPECT_EQ(comm.QueryInteger("ATS0?", "Rings"), 0);
    const std::string text = log.Text();
    EXPECT_EQ(Count(text, "RING"), 0u) << text;
    // The line read in place of the RING is logged by both reads.
    EXPECT_NE(text.find(Entry("<- \"ATS0?\"") + Entry("-> \"000\"") + Entry("-> \"000\"") + Entry("-> \"OK\"")),
              std::string::npos)
        << text;
}

TEST_F(SimChannel, AnUnsolicitedRingBeforeTheReply) {
    Start({"--ring-after", "0"});
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_TRUE(comm.OpenPort());
    comm.SendCommand("ATE0", "Echo off");  // the purge drops the RING that came before
    EXPECT_TRUE(comm.WaitOK());
    comm.ClosePort();
    EXPECT_EQ(Count(log.Text(), "RING"), 0u);
}

TEST_F(SimChannel, ErrorRaisesWithTheExactMessage) {
    Start({"--error-on", "+FCLASS"});
    EXPECT_EQ(ModemMessage([&] { comm.ExecuteCommand("AT+FCLASS=8", "Voice mode"); }),
              "ERROR occured with \"AT+FCLASS=8\"");
    EXPECT_EQ(log.Text(), Block("Voice mode") + Entry("connected") + Entry("<- \"AT+FCLASS=8<13><10>\"") +
                              Entry("-> \"AT+FCLASS=8\"") + Entry("-> \"ERROR\"") + Entry("disconnected") +
                              "\r\n");
    EXPECT_EQ(ModemMessage([&] { comm.QueryInteger("AT+FCLASS?", "Class"); }), "ERROR occured with \"AT+FCLASS?\"");
    EXPECT_EQ(ModemMessage([&] {
                  std::string text;
                  comm.QueryLines("ATE0+FCLASS=?", "Classes", text);
              }),
              "ERROR occured with \"ATE0+FCLASS=?\"");
}

TEST_F(SimChannel, TheSerialLogByteForByte) {
    Start();
    std::filesystem::create_symlink("/nonexistent/line", testkit::PortLink(4));
    comm.ExecuteCommand("ATE0", "Echo off");
    std::string text;
    comm.QueryLines("ATS0?S7?", "Registers", text);
    EXPECT_EQ(text, "000\r\n060\r\n");
    comm.SendCommand("AT", "Still open");
    EXPECT_TRUE(comm.WaitOK());
    comm.ClosePort();
    comm.ClosePort();
    comm.SetPort(pnCOM4);
    comm.SendCommand("AT", "Nowhere");
    EXPECT_FALSE(comm.WaitOK());

    const std::string expected =
        Block("Echo off") + Entry("connected") + Entry("<- \"ATE0<13><10>\"") + Entry("-> \"ATE0\"") +
        Entry("-> \"OK\"") + Entry("disconnected") + "\r\n" +
        Block("Registers") + Entry("connected") + Entry("<- \"ATS0?S7?\"") + Entry("-> \"000\"") +
        Entry("-> \"060\"") + Entry("-> \"OK\"") +
        Block("Still open") + Entry("IGNORED: CONNECT (already connected)") + Entry("<- \"AT\"") +
        Entry("-> \"OK\"") + Entry("disconnected") + "\r\n" + Entry("IGNORED: DISCONNECT (no connection)") +
        Block("Nowhere") + Entry("ERROR: CAN NOT CONNECT TO COM PORT", 4) + Entry("<- \"AT\"", 4) +
        Entry("-> \"\"", 4) + Entry("IGNORED: DISCONNECT (no connection)", 4);
    EXPECT_EQ(log.Text(), expected);
}

TEST_F(SimChannel, KeepOpenHoldsThePortUntilClosePort) {
    Start();
    comm.ExecuteCommand("ATE0", "Echo off");
    comm.SendCommand("ATS0=1", "Rings");
    comm.SendCommand("AT", "Again");  // no OK wait between: the port stays open
    EXPECT_EQ(comm.KeepOpen, -1);
    EXPECT_TRUE(comm.WaitOK());
    EXPECT_TRUE(comm.Connected());
    comm.ExecuteCommand("ATS0=1", "Rings");
    EXPECT_TRUE(comm.Connected());
    // While held, another opener cannot have the port.
    TCommClass other;
    other.SetPort(pnCOM2);
    EXPECT_FALSE(other.OpenPort());
    comm.ClosePort();
    EXPECT_EQ(comm.KeepOpen, 0);
    EXPECT_TRUE(other.OpenPort());
    other.ClosePort();
}

TEST_F(SimChannel, NothingIsWrittenWithTheLogOff) {
    Start();
    LogFileOn = false;
    comm.ExecuteCommand("ATE0", "Echo off");
    EXPECT_EQ(comm.QueryInteger("ATS0?", "Rings"), 0);
    std::string text;
    comm.QueryLines("ATS7?", "Wait", text);
    comm.ClosePort();
    comm.ClosePort();
    EXPECT_EQ(log.Raw(), "");
}

TEST_F(SimChannel, QueryLinesThatNeverSeesOKEndsInBoundedTime) {
    Start({"--silent"});
    CpuMeter meter;
    EXPECT_EQ(ModemMessage([&] {
                  std::string text;
                  comm.QueryLines("AT+MSR=0", "Info", text);
              }),
              "ERROR occured with \"AT+MSR=0\"");
    EXPECT_LT(meter.WallSeconds(), 2.0 + TCommClass::MaxQuietLines);
    EXPECT_LT(meter.Load(), 0.05);
    EXPECT_EQ(sim->TranscriptLines(), (std::vector<std::string>{"AT+MSR=0"}));
}

TEST_F(SimChannel, AReadOnASilentModemCostsNoCpuButPumps) {
    Start({"--silent"});
    ASSERT_TRUE(comm.OpenPort());
    const uint64_t pumps = app::PumpCount();
    CpuMeter meter;
    std::string line;
    comm.ReadLine(2, line);
    EXPECT_EQ(line, "");
    EXPECT_LT(meter.Load(), 0.05);
    EXPECT_GE(app::PumpCount() - pumps, 40u);
    std::printf("ReadLine(2) on the silent simulator: %.2f%% of one core over %.3f s, %llu pumps\n",
                100 * meter.Load(), meter.WallSeconds(),
                static_cast<unsigned long long>(app::PumpCount() - pumps));
}

TEST_F(SimChannel, AMegabyteLineWithoutCrStaysBoundedAndOneLogLine) {
    Start({"--garbage", "1048576"});
    comm.SendCommand("AT", "Noise");
    CpuMeter meter;
    EXPECT_FALSE(comm.WaitOK()) << "the echo, then the noise line in place of OK";
    std::printf("1 MB noise line read in %.2f s\n", meter.WallSeconds());
    const std::string raw = log.Raw();
    EXPECT_LT(raw.size(), 5u * TCommClass::MaxLineLength + 1000);
    const std::string text = log.Text();
    EXPECT_EQ(Count(text, "\r\n"), 8u) << "the block with its empty line, connected, command, echo, noise, "
                                           "disconnected with its empty line";
}

TEST_F(SimChannel, LineNoiseWithLineEndsAndAllByteValues) {
    Start({"--garbage", "3000", "--garbage-crlf", "--seed", "7"});
    comm.SendCommand("ATE0", "Noise");
    std::vector<std::string> lines;
    for (int i = 0; i < 400; ++i) {
        std::string line;
        comm.ReadLine(1, line);
        if (line == "OK" || line.empty()) break;
        lines.push_back(line);
    }
    comm.ClosePort();
    ASSERT_FALSE(lines.empty());
    std::string all;
    for (const auto& l : lines) all += l;
    for (const char c : all) {
        EXPECT_NE(c, '\r');
        EXPECT_NE(c, '\n');
    }
    EXPECT_NE(all.find('\0'), std::string::npos) << "byte 0 comes through";
    EXPECT_NE(all.find('\xfe'), std::string::npos);
    EXPECT_TRUE(std::any_of(all.begin(), all.end(), [](char c) { return static_cast<unsigned char>(c) >= 128; }));
    // One log line per event: the bytes 13 and 10 never break a line.
    const std::string text = log.Text();
    std::size_t received = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find("\r\n", at);
        const std::string line = text.substr(at, end - at);
        if (line.find(" -> \"") != std::string::npos) ++received;
        EXPECT_TRUE(line.empty() || line.rfind("     ", 0) == 0) << line;
        at = end + 2;
    }
    EXPECT_GE(received, lines.size());
    EXPECT_EQ(Count(text, "<254>"), static_cast<std::size_t>(std::count(all.begin(), all.end(), '\xfe')));
}

TEST_F(SimChannel, TheSimulatorKilledInTheMiddleOfARead) {
    Start({"--silent"});
    ASSERT_TRUE(comm.OpenPort());
    std::thread killer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sim->Kill();
    });
    CpuMeter meter;
    std::string line;
    comm.ReadLine(10, line);
    killer.join();
    EXPECT_EQ(line, "");
    EXPECT_LT(meter.WallSeconds(), 1.0) << "the read ends with the line, not after its 10 s";
    EXPECT_LT(meter.Load(), 0.05);
    EXPECT_TRUE(comm.LinkLost);
    EXPECT_FALSE(comm.Connected());
    // The next command tries the name again; the link now leads nowhere, so
    // the exchange fails at once.
    comm.SendCommand("AT", "After the end");
    EXPECT_FALSE(comm.WaitOK());
    EXPECT_LT(meter.WallSeconds(), 1.0);
    EXPECT_TRUE(comm.LinkLost);
    const std::string text = log.Text();
    EXPECT_NE(text.find("COM PORT LOST (DEVICE GONE)"), std::string::npos) << text;
    EXPECT_NE(text.find("###After the end\r\n" + Entry("ERROR: CAN NOT CONNECT TO COM PORT")), std::string::npos)
        << text;
}
