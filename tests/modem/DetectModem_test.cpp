// Detection against simulated modems on pseudo-terminals linked as COM1 to
// COM4. A port without a simulator is a link to a device that does not exist
// (a missing link would mean /dev/ttySn, which this machine may have).
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <thread>

#include "DetectKit.h"
#include "platform/Serial.h"
#include "testkit/ModemSim.h"

extern char** environ;

using namespace detecttest;
namespace fs = std::filesystem;

namespace {

const std::string kSportster = "U.S. Robotics Sportster MessagePlus 56000";
const std::string kOther = "56K Voice Fax Data Modem V.90";
const std::string kElsa = "\"MicroLink Office\"";

double MsSince(std::chrono::steady_clock::time_point Start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - Start).count();
}

std::vector<std::pair<int, std::string>> Testing(std::initializer_list<int> Ports) {
    std::vector<std::pair<int, std::string>> texts;
    for (int p : Ports) texts.emplace_back(1, "Testing COM" + std::to_string(p));
    return texts;
}

// Another program that holds a port: flock(1) keeps the device locked the
// way every program of the system does when it opens a port. It runs sleep
// in its own process, so that ending it ends the holder, and its output goes
// nowhere, so that it holds none of ours.
class PortHolder {
public:
    explicit PortHolder(const std::string& Link) {
        std::vector<std::string> args = {"/usr/bin/flock", "-n", "-F", Link, "sleep", "60"};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addclosefrom_np(&actions, 3);
        const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) throw std::runtime_error("cannot start flock");
        // Held once our own open is refused.
        const auto start = std::chrono::steady_clock::now();
        while (serial::OpenPort(Link)) {
            if (MsSince(start) > 5000) throw std::runtime_error("flock did not take " + Link);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~PortHolder() {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    PortHolder(const PortHolder&) = delete;
    PortHolder& operator=(const PortHolder&) = delete;

private:
    pid_t pid_ = -1;
};

class DetectOnSimulators : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApp();
        ConfigureAsMainWindow(comm);
        fs::create_directories(home.Path() + "/ports");
        for (int p = 1; p <= 4; ++p) fs::create_symlink(home.Path() + "/no-such-device", testkit::PortLink(p));
    }

    testkit::ModemSim& Sim(int Port, std::vector<std::string> Args) {
        auto& sim = sims[Port];
        sim = std::make_unique<testkit::ModemSim>(testkit::PortLink(Port), std::move(Args));
        return *sim;
    }
    // What the simulator on Port received, once it has ended.
    std::vector<std::string> Received(int Port) {
        sims.at(Port)->Stop();
        return sims.at(Port)->TranscriptLines();
    }
    std::string Detect(int Port) {
        std::string result = "stale";
        comm.DetectModem(Port, result);
        return result;
    }
    void ExpectClosedOn(TPortNumber Port) {
        EXPECT_EQ(comm.Port(), Port);
        EXPECT_EQ(comm.PortName(), "\\\\.\\COM" + std::to_string(static_cast<int>(Port)));
        EXPECT_FALSE(comm.Connected());
        EXPECT_EQ(comm.KeepOpen, 0);
    }

    testkit::TempHome home;
    ScopedSerialLog log{home.Path() + "/serial.log"};
    ScopedRecordingSink status;
    std::map<int, std::unique_ptr<testkit::ModemSim>> sims;
    TCommClass comm;
};

}  // namespace

TEST_F(DetectOnSimulators, SearchSkipsAMissingCom1AndStopsAtTheModemOnCom2) {
    Sim(2, {"--model", "sportster"});
    Sim(3, {"--model", "sportster"});
    Sim(4, {"--model", "elsa"});

    EXPECT_EQ(Detect(-1), "3comMsgPlus");

    ExpectClosedOn(pnCOM2);
    EXPECT_EQ(comm.GetPortNumber(), 2);
    EXPECT_EQ(log.Lines(), Join({MissingBlock(1), InitBlock(2), ModelBlock(2, kSportster, true), CloseBlock(2)}));
    EXPECT_EQ(status.sink.texts, Testing({1, 2}));
    // The init goes out with the line end the channel adds: an empty line follows it.
    EXPECT_EQ(Received(2), (std::vector<std::string>{"ATE0", "", "AT#MDL?"}));
    EXPECT_TRUE(Received(3).empty());
    EXPECT_TRUE(Received(4).empty());
}

TEST_F(DetectOnSimulators, UnsupportedModemOnCom1LeavesUnkownAfterTheOtherPorts) {
    Sim(1, {"--model", "other"});
    Sim(3, {"--model", "silent"});

    EXPECT_EQ(Detect(-1), "unkown");

    ExpectClosedOn(pnCOM4);
    // COM1 is closed before COM2 is tried; the silent device on COM3 is
    // opened and sent the init probe, and closed when no answer comes.
    const std::vector<std::string> silentCom3 = {"     ###Test if comm port3 avaiable",
                                                 "COM3 connected",
                                                 "COM3 disconnected",
                                                 "",
                                                 "",
                                                 "     ###Send Ini String",
                                                 "COM3 connected",
                                                 "COM3 <- \"ATE0<13><10>\"",
                                                 "COM3 -> \"\"",
                                                 "COM3 disconnected",
                                                 ""};
    EXPECT_EQ(log.Lines(), Join({InitBlock(1), ModelBlock(1, kOther, true), ModelBlock(1, kOther, false),
                                 ModelBlock(1, kOther, false), CloseBlock(1), MissingBlock(2), silentCom3,
                                 MissingBlock(4)}));
    EXPECT_EQ(status.sink.texts, Testing({1, 2, 3, 4}));
    EXPECT_EQ(Received(1), (std::vector<std::string>{"ATE0", "", "AT#MDL?", "AT#MDL?", "AT#MDL?"}));
    EXPECT_EQ(Received(3), (std::vector<std::string>{"ATE0", ""}));
}

TEST_F(DetectOnSimulators, ElsaLogShowsThreeModelQueriesAndTheFirmwareQuery) {
    Sim(1, {"--model", "elsa", "--firmware", "2.05"});

    EXPECT_EQ(Detect(1), "ElsaMLOffice");

    ExpectClosedOn(pnCOM1);
    const std::vector<std::string> firmware = {"", "     ###Get Firmware Version", "COM1 <- \"AT#REV?\"",
                                               "COM1 -> \"Version 2.05 MicroLink Office\"", "COM1 -> \"OK\""};
    EXPECT_EQ(log.Lines(), Join({InitBlock(1), ModelBlock(1, kElsa, true), ModelBlock(1, kElsa, false),
                                 ModelBlock(1, kElsa, false), firmware, CloseBlock(1)}));
    EXPECT_EQ(Received(1), (std::vector<std::string>{"ATE0", "", "AT#MDL?", "AT#MDL?", "AT#MDL?", "AT#REV?"}));
}

TEST_F(DetectOnSimulators, GivenPortTriesOnlyThatPort) {
    Sim(1, {"--model", "sportster"});
    Sim(2, {"--model", "sportster"});
    Sim(3, {"--model", "56k-message"});

    EXPECT_EQ(Detect(3), "3comMsgPlus");

    ExpectClosedOn(pnCOM3);
    EXPECT_EQ(log.Lines(), Join({InitBlock(3), ModelBlock(3, "U.S. Robotics 56K Message", true), CloseBlock(3)}));
    EXPECT_EQ(status.sink.texts, Testing({3}));
    EXPECT_TRUE(Received(1).empty());
    EXPECT_TRUE(Received(2).empty());
}

TEST_F(DetectOnSimulators, GivenPortWithoutModemFindsNothingEvenWithModemsElsewhere) {
    Sim(1, {"--model", "sportster"});
    Sim(4, {"--model", "sportster"});

    EXPECT_EQ(Detect(3), "");

    ExpectClosedOn(pnCOM3);
    EXPECT_EQ(log.Lines(), MissingBlock(3));
    EXPECT_EQ(status.sink.texts, Testing({3}));
    EXPECT_TRUE(Received(1).empty());
    EXPECT_TRUE(Received(4).empty());
}

TEST_F(DetectOnSimulators, NoPortAtAllReturnsAtOnceWithTheLastPortInThePanel) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Detect(-1), "");
    EXPECT_LT(MsSince(start), 500.0);

    ExpectClosedOn(pnCOM4);
    EXPECT_EQ(log.Lines(), Join({MissingBlock(1), MissingBlock(2), MissingBlock(3), MissingBlock(4)}));
    EXPECT_EQ(status.sink.texts, Testing({1, 2, 3, 4}));
}

TEST_F(DetectOnSimulators, PortHeldByAnotherProgramIsSkippedWithoutWaiting) {
    Sim(1, {"--model", "sportster"});
    Sim(2, {"--model", "sportster"});
    PortHolder holder(testkit::PortLink(1));

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Detect(-1), "3comMsgPlus");
    // The modem on COM2 answers at once; no read waits on COM1.
    EXPECT_LT(MsSince(start), 1000.0);

    ExpectClosedOn(pnCOM2);
    EXPECT_EQ(log.Lines(), Join({MissingBlock(1), InitBlock(2), ModelBlock(2, kSportster, true), CloseBlock(2)}));
    EXPECT_TRUE(Received(1).empty());
}

TEST_F(DetectOnSimulators, SecondDetectionOnTheSameModemMeetsItWithEchoOff) {
    Sim(2, {"--model", "sportster"});
    EXPECT_EQ(Detect(2), "3comMsgPlus");
    EXPECT_EQ(Detect(2), "3comMsgPlus");
    const auto lines = log.Lines();
    const auto first = Join({InitBlock(2), ModelBlock(2, kSportster, true), CloseBlock(2)});
    const auto second = Join({InitBlock(2, false), ModelBlock(2, kSportster, true), CloseBlock(2)});
    EXPECT_EQ(lines, Join({first, second}));
}

// ---- the model strings and the firmware rule, one simulated modem each ----

struct SimCase {
    const char* name;
    std::vector<std::string> args;
    const char* result;
};

void PrintTo(const SimCase& c, std::ostream* os) { *os << c.name; }

class DetectModel : public DetectOnSimulators, public ::testing::WithParamInterface<SimCase> {};

TEST_P(DetectModel, Result) {
    Sim(1, GetParam().args);
    EXPECT_EQ(Detect(1), GetParam().result);
    ExpectClosedOn(pnCOM1);
}

INSTANTIATE_TEST_SUITE_P(
    ModelStrings, DetectModel,
    ::testing::Values(
        SimCase{"Sportster", {"--model", "sportster"}, "3comMsgPlus"},
        SimCase{"Message56K", {"--model", "56k-message"}, "3comMsgPlus"},
        SimCase{"ProWithBlank", {"--model", "56k-pro"}, "3comMsgPlus"},
        SimCase{"ProWithoutBlank", {"--model", "56k-pro", "--model-string", "U.S. Robotics 56K Pro Msg"}, "unkown"},
        SimCase{"Professional", {"--model", "56k-pro", "--model-string", "56K Professional Message Modem"},
                "3comMsgPlus"},
        SimCase{"OtherLetterCase", {"--model", "sportster", "--model-string", "U.S. Robotics 56K message"},
                "unkown"},
        SimCase{"LeadingBlank", {"--model", "sportster", "--model-string", " U.S. Robotics 56K Message"},
                "unkown"},
        SimCase{"Other", {"--model", "other"}, "unkown"},
        SimCase{"Silent", {"--model", "silent"}, ""},
        SimCase{"ElsaWithoutQuotes", {"--model", "elsa", "--model-string", "MicroLink Office"}, "unkown"},
        SimCase{"ElsaWithPrefix", {"--model", "elsa", "--mdl-prefix", "--firmware", "1.20"}, "ElsaMLOffice"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    ElsaFirmware, DetectModel,
    ::testing::Values(
        SimCase{"V1_10", {"--model", "elsa", "--firmware", "1.10"}, "unkown"},
        SimCase{"V1_19", {"--model", "elsa", "--firmware", "1.19"}, "unkown"},
        SimCase{"V1_20", {"--model", "elsa", "--firmware", "1.20"}, "ElsaMLOffice"},
        SimCase{"V2_05", {"--model", "elsa", "--firmware", "2.05"}, "ElsaMLOffice"},
        // One digit after the point counts as hundredths: 1.2 is 1.02.
        SimCase{"V1_2", {"--model", "elsa", "--firmware", "1.2"}, "unkown"},
        // Without "." the whole number is hundredths.
        SimCase{"NoPoint", {"--model", "elsa", "--rev-string", "Version 120"}, "ElsaMLOffice"},
        // Without "n" only the first character goes.
        SimCase{"NoN", {"--model", "elsa", "--rev-string", "V1.30"}, "ElsaMLOffice"},
        SimCase{"NoNEatsTheMajor", {"--model", "elsa", "--rev-string", "1.30"}, "unkown"},
        // Without a blank after the version the text runs to the end.
        SimCase{"NoBlank", {"--model", "elsa", "--rev-string", "Version 1.50"}, "ElsaMLOffice"},
        SimCase{"NoBlankAfterN", {"--model", "elsa", "--rev-string", "Version1.50"}, "unkown"}),
    [](const auto& info) { return std::string(info.param.name); });
