// The probes of the detection one by one, the firmware rule, the status
// sink, and the port numbers the channel cannot name. Ports are fakes.
#include <chrono>

#include "DetectKit.h"

using namespace detecttest;

namespace {

using DetectProbes = FakePortsTest;

double MsSince(std::chrono::steady_clock::time_point Start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - Start).count();
}

// Port answers the init command with Reply.
serial::FakePort& InitAnswer(serial::FakePort& Port, std::string Reply) {
    Port.SetResponder([Reply = std::move(Reply)](const std::string& Line) { return Line == "ATE0" ? Reply : ""; });
    return Port;
}

}  // namespace

// ---- SendInitString ----

struct InitCase {
    const char* name;
    std::string reply;
    bool ok;
    std::vector<std::string> replyLines;  // as the log shows them
};

void PrintTo(const InitCase& c, std::ostream* os) { *os << c.name; }

class InitProbe : public FakePortsTest, public ::testing::WithParamInterface<InitCase> {};

TEST_P(InitProbe, AnswersOkAfterAnyEcho) {
    serial::FakePort& port = InitAnswer(Port(1), GetParam().reply);
    comm.SetPort(pnCOM1);

    EXPECT_EQ(comm.SendInitString(), GetParam().ok);

    // The port stays open for the probes that follow, with nothing left waiting.
    EXPECT_TRUE(comm.Connected());
    EXPECT_EQ(comm.InputCount(), 0u);
    EXPECT_EQ(port.Written(), "ATE0\r\n\r\n");
    std::vector<std::string> expected = {"", "     ###Send Ini String", "COM1 connected", "COM1 <- \"ATE0<13><10>\""};
    for (const auto& l : GetParam().replyLines) expected.push_back("COM1 -> \"" + l + "\"");
    EXPECT_EQ(log.Lines(), expected);
}

// Reply lines as a modem with verbose results sends them.
std::string AsLines(std::initializer_list<const char*> Lines) {
    std::string s;
    for (const char* l : Lines) s += std::string("\r\n") + l + "\r\n";
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, InitProbe,
    ::testing::Values(
        InitCase{"Ok", AsLines({"OK"}), true, {"OK"}},
        InitCase{"EchoThenOk", "ATE0\r\n" + AsLines({"OK"}), true, {"ATE0", "OK"}},
        InitCase{"EchoLinesThenOk", "ATE0\r\n" + AsLines({"ATE0", "Hello", "OK"}), true, {"ATE0", "ATE0", "Hello", "OK"}},
        // The line read in place of the ring shows twice.
        InitCase{"RingBeforeOk", AsLines({"RING", "OK"}), true, {"OK", "OK"}},
        // Without the echo only the first line counts.
        InitCase{"LineThenOk", AsLines({"Hello", "OK"}), false, {"Hello"}},
        InitCase{"Error", AsLines({"ERROR"}), false, {"ERROR"}},
        InitCase{"OkInOtherCase", AsLines({"ok"}), false, {"ok"}},
        InitCase{"OkWithBlank", AsLines({"OK "}), false, {"OK "}},
        // After the echo the wait ends at the first silence.
        InitCase{"EchoThenError", "ATE0\r\n" + AsLines({"ERROR"}), false, {"ATE0", "ERROR", ""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DetectProbes, SilentPortFailsTheInitAfterTwoSeconds) {
    Port(1);
    comm.SetPort(pnCOM1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(comm.SendInitString());
    EXPECT_GE(MsSince(start), 1900.0);
    EXPECT_LT(MsSince(start), 4000.0);
}

// A device that echoes and then talks on without ever saying OK is given up
// after ten more lines instead of holding the search for as long as it talks.
TEST_F(DetectProbes, EndlessTalkAfterTheEchoEndsTheInit) {
    std::string talk = "ATE0\r\n";
    for (int i = 0; i < 50; ++i) talk += "NOISE " + std::to_string(i) + "\r\n";
    InitAnswer(Port(1), talk + "OK\r\n");
    comm.SetPort(pnCOM1);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(comm.SendInitString());
    EXPECT_LT(MsSince(start), 1000.0);
    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 4u + 1u + 10u);
    EXPECT_EQ(lines.back(), "COM1 -> \"NOISE 9\"");
    EXPECT_EQ(comm.InputCount(), 0u);
}

TEST_F(DetectProbes, TenLinesAfterTheEchoStillReachTheOk) {
    std::string talk = "ATE0\r\n";
    for (int i = 0; i < 9; ++i) talk += "NOISE\r\n";
    InitAnswer(Port(1), talk + "OK\r\n");
    comm.SetPort(pnCOM1);
    EXPECT_TRUE(comm.SendInitString());
}

// ---- the model probes ----

struct ModelCase {
    std::string reply;
    bool messagePlus;
    bool pro;
    bool microLink;
};

class ModelProbes : public FakePortsTest, public ::testing::WithParamInterface<ModelCase> {};

TEST_P(ModelProbes, AcceptExactlyTheirOwnStrings) {
    serial::FakePort& port = Port(1);
    const std::string answer = "\r\n" + GetParam().reply + "\r\n\r\nOK\r\n";
    port.SetResponder([answer](const std::string& Line) { return Line == "AT#MDL?" ? answer : std::string(); });
    comm.SetPort(pnCOM1);
    EXPECT_EQ(comm.Is3ComMessagePlus(), GetParam().messagePlus);
    EXPECT_EQ(comm.Is3ComPro(), GetParam().pro);
    EXPECT_EQ(comm.IsMicroLinkOffice(), GetParam().microLink);
    EXPECT_EQ(port.Written(), "AT#MDL?\r\nAT#MDL?\r\nAT#MDL?\r\n");
    // Each probe is a whole exchange: from a closed port it opens and closes.
    EXPECT_FALSE(comm.Connected());
}

INSTANTIATE_TEST_SUITE_P(Replies, ModelProbes,
                         ::testing::Values(ModelCase{"U.S. Robotics Sportster MessagePlus 56000", true, false, false},
                                           ModelCase{"U.S. Robotics 56K Message", true, false, false},
                                           ModelCase{"56K Professional Message Modem", false, true, false},
                                           ModelCase{"U.S. Robotics 56K Pro Msg ", false, true, false},
                                           ModelCase{"U.S. Robotics 56K Pro Msg", false, false, false},
                                           ModelCase{"U.S. Robotics 56K Pro Msg  ", false, false, false},
                                           ModelCase{"U.S. Robotics 56K MESSAGE", false, false, false},
                                           ModelCase{"U.S. Robotics 56K Message ", false, false, false},
                                           ModelCase{"\"MicroLink Office\"", false, false, true},
                                           ModelCase{"#MDL: \"MicroLink Office\"", false, false, true},
                                           ModelCase{"#MDL:\"MicroLink Office\"", false, false, false},
                                           ModelCase{"MicroLink Office", false, false, false},
                                           ModelCase{"\"MicroLink Office\" ", false, false, false},
                                           ModelCase{"ERROR", false, false, false}));

// The reply is one line; the OK wait after it is not what decides.
TEST_F(DetectProbes, ModelProbeIgnoresAMissingOk) {
    Port(1).SetResponder(
        [](const std::string& Line) { return Line == "AT#MDL?" ? "\r\nU.S. Robotics 56K Message\r\n" : ""; });
    comm.SetPort(pnCOM1);
    EXPECT_TRUE(comm.Is3ComMessagePlus());
}

// ---- the firmware ----

TEST_F(DetectProbes, FirmwareQueryAcceptsFromOnePointTwenty) {
    std::string rev;
    Port(1).SetResponder([&rev](const std::string& Line) {
        return Line == "AT#REV?" ? "\r\n" + rev + "\r\n\r\nOK\r\n" : std::string();
    });
    comm.SetPort(pnCOM1);
    rev = "Version 1.19 MicroLink Office";
    EXPECT_FALSE(comm.CheckMicroLinkFirmware());
    rev = "Version 1.20 MicroLink Office";
    EXPECT_TRUE(comm.CheckMicroLinkFirmware());
    EXPECT_EQ(Port(1).Written(), "AT#REV?\r\nAT#REV?\r\n");
    const auto lines = log.Lines();
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[1], "     ###Get Firmware Version");
    EXPECT_EQ(lines[3], "COM1 <- \"AT#REV?\"");
    EXPECT_EQ(lines[4], "COM1 -> \"Version 1.19 MicroLink Office\"");
}

TEST(FirmwareVersion, TheVersionRule) {
    struct Case {
        const char* reply;
        int64_t hundredths;
    };
    const Case cases[] = {
        {"Version 1.20 MicroLink Office", 120},
        {"Version 1.10 MicroLink Office", 110},
        {"Version 2.05 MicroLink Office", 205},
        {"Version 1.2 MicroLink Office", 102},    // one digit is hundredths too
        {"Version 1.50", 150},                    // no blank: to the end
        {"Version 120 MicroLink Office", 120},    // no ".": all of it is hundredths
        {"Version 2 MicroLink Office", 2},
        {"V1.30", 130},                           // no "n": the first character goes
        {"1.30", 30},                             // ... even when it is a digit
        {"Version1.50", 50},                      // the character after "n" goes, here a digit
        {"Revision 3.00", 300},
        {"Internal 1.30", 0},                     // the first "n" is in the wrong word
        {"Version 1.2a", 100},                    // a part that is no number is 0
        {"Version x.y", 0},
        {"Version .50", 50},
        {"Version 1.", 100},
        {"Version 1.20.3", 100},                  // "20.3" is no number
        {"Version -1.50", -50},
        {"Version 99999999999.00", 0},            // beyond 32 bits: no number
        {"Version 2147483647.99", int64_t{2147483647} * 100 + 99},
        {"Version $10.$20", 1632},                // the class library's hex form
        {"", 0},
        {"n", 0},
        {"Version", 0},
        {"Version ", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(TCommClass::FirmwareVersion(c.reply), c.hundredths) << c.reply;
}

// ---- the status sink ----

TEST(StatusSink, NullByDefaultAndRestoredByTheSetter) {
    RecordingSink first;
    RecordingSink second;
    TStatusSink* before = SetStatusSink(&first);
    EXPECT_EQ(&StatusSink(), &first);
    EXPECT_EQ(SetStatusSink(&second), &first);
    StatusSink().SetPanelText(1, "x");
    EXPECT_EQ(SetStatusSink(nullptr), &second);
    // Without a sink the texts go nowhere, and nothing breaks.
    StatusSink().SetPanelText(1, "y");
    EXPECT_NE(&StatusSink(), &first);
    EXPECT_NE(&StatusSink(), &second);
    EXPECT_TRUE(first.texts.empty());
    EXPECT_EQ(second.texts, (std::vector<std::pair<int, std::string>>{{1, "x"}}));
    SetStatusSink(before);
}

TEST_F(DetectProbes, DetectionRunsWithoutASink) {
    TStatusSink* before = SetStatusSink(nullptr);
    Modem3com(2);
    EXPECT_EQ(Detect(2), "3comMsgPlus");
    SetStatusSink(before);
    EXPECT_TRUE(status.sink.texts.empty());
}

// ---- ports ----

TEST_F(DetectProbes, PortNumbersTheChannelCannotNameAreNotOpened) {
    Modem3com(2);
    for (int port : {0, 17, 1000}) {
        SCOPED_TRACE(port);
        EXPECT_EQ(Detect(port), "");
        EXPECT_EQ(comm.Port(), pnCOM2);
    }
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"     ###Test if comm port0 avaiable",
                                                     "     ###Test if comm port17 avaiable",
                                                     "     ###Test if comm port1000 avaiable"}));
    EXPECT_EQ(status.sink.texts, (std::vector<std::pair<int, std::string>>{
                                     {1, "Testing COM0"}, {1, "Testing COM17"}, {1, "Testing COM1000"}}));
}

TEST_F(DetectProbes, HighestNamedPortIsTried) {
    Modem3com(16);
    EXPECT_EQ(Detect(16), "3comMsgPlus");
    EXPECT_EQ(comm.Port(), pnCOM16);
}

// A channel left open by an earlier exchange would keep its old port under
// every new number; the detection closes it first.
TEST_F(DetectProbes, OpenChannelIsClosedBeforeTheSearch) {
    Modem3com(1);
    Port(3);
    comm.SetPort(pnCOM3);
    ASSERT_TRUE(comm.OpenPort());

    EXPECT_EQ(Detect(-1), "3comMsgPlus");

    EXPECT_EQ(comm.Port(), pnCOM1);
    EXPECT_EQ(opened, (std::vector<std::string>{"\\\\.\\COM3", "\\\\.\\COM1", "\\\\.\\COM1"}));
    EXPECT_TRUE(Port(3).Closed());
    EXPECT_EQ(Port(3).Written(), "");
}

TEST_F(DetectProbes, NothingIsLoggedWithTheLogOff) {
    LogFileOn = false;
    Modem3com(1);
    EXPECT_EQ(Detect(-1), "3comMsgPlus");
    LogFileOn = true;
    EXPECT_TRUE(log.Lines().empty());
}
