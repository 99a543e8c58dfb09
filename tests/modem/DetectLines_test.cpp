// Detection and the modem status lines. A pseudo-terminal shows no status
// lines, so these ports are fakes.
#include "DetectKit.h"

using namespace detecttest;

namespace {

using DetectLines = FakePortsTest;

const std::vector<std::string> kInUseCom1 = {"     ###Test if comm port1 avaiable", "COM1 connected",
                                             "COM1 disconnected", "", "COM1 IGNORED: DISCONNECT (no connection)"};

}  // namespace

TEST_F(DetectLines, DsrWithoutCtsIsAModemAlreadyInUse) {
    Modem3com(1).SetLines(serial::LineDsr);

    EXPECT_EQ(Detect(-1), "Modem already in use");

    // The port is only opened for the look at its lines: nothing is sent.
    EXPECT_EQ(Port(1).Written(), "");
    EXPECT_TRUE(Port(1).Closed());
    EXPECT_EQ(log.Lines(), Join({kInUseCom1, MissingBlock(2), MissingBlock(3), MissingBlock(4)}));
    EXPECT_EQ(comm.Port(), pnCOM4);
    EXPECT_FALSE(comm.Connected());
    EXPECT_EQ(comm.KeepOpen, 0);
}

struct LinesCase {
    const char* name;
    uint8_t lines;
    bool failStatus;
    const char* result;
};

class DetectLineStates : public FakePortsTest, public ::testing::WithParamInterface<LinesCase> {};

TEST_P(DetectLineStates, OnlyDsrWithoutCtsStopsThePort) {
    serial::FakePort& port = Modem3com(1);
    port.SetLines(GetParam().lines);
    port.failStatus = GetParam().failStatus;
    EXPECT_EQ(Detect(1), GetParam().result);
    const bool probed = std::string(GetParam().result) == "3comMsgPlus";
    EXPECT_EQ(port.Written(), probed ? "ATE0\r\n\r\nAT#MDL?\r\n" : "");
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DetectLineStates,
    ::testing::Values(LinesCase{"None", 0, false, "3comMsgPlus"},
                      LinesCase{"DsrOnly", serial::LineDsr, false, "Modem already in use"},
                      LinesCase{"DsrRingDcd", serial::LineDsr | serial::LineRing | serial::LineDcd, false,
                                "Modem already in use"},
                      LinesCase{"DsrAndCts", serial::LineDsr | serial::LineCts, false, "3comMsgPlus"},
                      LinesCase{"CtsOnly", serial::LineCts, false, "3comMsgPlus"},
                      // A port that cannot report its lines reads as none set.
                      LinesCase{"StatusFails", serial::LineDsr, true, "3comMsgPlus"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DetectLines, ModemOnALaterPortReplacesModemAlreadyInUse) {
    Modem3com(1).SetLines(serial::LineDsr);
    Modem3com(2);

    EXPECT_EQ(Detect(-1), "3comMsgPlus");

    EXPECT_EQ(comm.Port(), pnCOM2);
    EXPECT_EQ(log.Lines(),
              Join({kInUseCom1, InitBlock(2), ModelBlock(2, "U.S. Robotics 56K Message", true), CloseBlock(2)}));
}

TEST_F(DetectLines, TheLastPortToTellSomethingSetsTheResult) {
    ModemOther(1);
    Modem3com(2).SetLines(serial::LineDsr);
    EXPECT_EQ(Detect(-1), "Modem already in use");

    TCommClass again;
    ConfigureAsMainWindow(again);
    Port(2).SetLines(0);
    ModemOther(2);
    Port(1).SetLines(serial::LineDsr);
    std::string result;
    again.DetectModem(-1, result);
    EXPECT_EQ(result, "unkown");
}
