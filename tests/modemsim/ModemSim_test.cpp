// The built simulator over its pseudo-terminal, as a program on the port sees it.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "modemsim/SimClient.h"
#include "testkit/ModemSim.h"
#include "testkit/TestKit.h"

extern char** environ;

namespace {

using simtest::SimClient;
using testkit::ModemSim;
using testkit::PortLink;

struct Step {
    const char* sent;
    const char* received;
};

void Expect(SimClient& C, const std::vector<Step>& Steps) {
    for (const auto& s : Steps) EXPECT_EQ(C.Exchange(s.sent, s.received), s.received) << "sent: " << s.sent;
}

// Runs modemsim with Args to its end; its exit status.
int RunToEnd(std::vector<std::string> Args) {
    Args.insert(Args.begin(), testkit::BinDir() + "/modemsim");
    std::vector<char*> argv;
    for (auto& a : Args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (rc != 0) return -1;
    int ws = 0;
    waitpid(pid, &ws, 0);
    return WIFEXITED(ws) ? WEXITSTATUS(ws) : -1;
}

class ModemSimTest : public ::testing::Test {
protected:
    testkit::TempHome home;
};

TEST_F(ModemSimTest, SpeaksTheAtDialogue) {
    ModemSim sim(PortLink(2));
    SimClient c(sim.Link());
    Expect(c, {
                  {"ATE0\r\n\r\n", "ATE0\r\n\r\nOK\r\n"},  // the echo of the line as received, then the result
                  {"AT#MDL?\r\n", "\r\nU.S. Robotics Sportster MessagePlus 56000\r\nOK\r\n"},
                  {"at\r", "\r\nOK\r\n"},
                  {"\nAT\r", "\r\nOK\r\n"},
                  {"\r\n\r\n", ""},
                  {"ATS31=128S31?\r\n", "\r\n128\r\nOK\r\n"},
                  {"ATs31?\r\n", "\r\n128\r\nOK\r\n"},
                  {"AT+NOSUCH\r\n", "\r\nERROR\r\n"},
                  {"ATV0\r\n", "0\r"},
                  {"ATJ\r\n", "4\r"},
                  {"ATV1Q1\r\n", ""},
                  {"ATS3?\r\n", "\r\n013\r\n"},
                  {"ATQ0E1\r\n", "\r\nOK\r\n"},
                  {"Ate0v1\r\n", "Ate0v1\r\n\r\nOK\r\n"},
              });
}

TEST_F(ModemSimTest, TheTranscriptHoldsEachReceivedLineAtOnce) {
    ModemSim sim(PortLink(1));
    SimClient c(sim.Link());
    c.Exchange("ATE0\r\n\r\n", "ATE0\r\n\r\nOK\r\n");
    c.Exchange("AT#MDL?\r\n", "\r\nU.S. Robotics Sportster MessagePlus 56000\r\nOK\r\n");
    c.Send("garbage line\r");
    c.ReadQuiet(100);
    // Read while the simulator runs: every line is out at once.
    EXPECT_EQ(sim.TranscriptLines(), (std::vector<std::string>{"ATE0", "", "AT#MDL?", "garbage line"}));
    EXPECT_EQ(sim.Stop(), 0);
}

TEST_F(ModemSimTest, ClientsComeAndGoWhileTheModemKeepsItsSettings) {
    ModemSim sim(PortLink(3));
    {
        SimClient c(sim.Link());
        c.Exchange("ATE0S7=33\r", "ATE0S7=33\r\n\r\nOK\r\n");
    }
    SimClient again(sim.Link());
    EXPECT_EQ(again.Exchange("ATS7?\r", "\r\n033\r\nOK\r\n"), "\r\n033\r\nOK\r\n");
    again.Close();
    EXPECT_TRUE(sim.Running());
    EXPECT_EQ(sim.Stop(), 0);
}

TEST_F(ModemSimTest, SigtermEndsItCleanlyAndRemovesTheLink) {
    ModemSim sim(PortLink(4));
    SimClient c(sim.Link());
    ASSERT_TRUE(std::filesystem::is_symlink(sim.Link()));
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(sim.Link())));
}

TEST_F(ModemSimTest, SigintEndsItCleanlyToo) {
    ModemSim sim(PortLink(4));
    ASSERT_EQ(kill(sim.Pid(), SIGINT), 0);
    for (int i = 0; i < 500 && std::filesystem::is_symlink(std::filesystem::symlink_status(sim.Link())); ++i)
        usleep(10000);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(sim.Link())));
    EXPECT_EQ(sim.Stop(), 0);  // reaps the exit that SIGINT caused
}

TEST_F(ModemSimTest, AKilledSimulatorTakesTheLineAway) {
    ModemSim sim(PortLink(2));
    SimClient c(sim.Link());
    c.Exchange("AT\r", "AT\r\n\r\nOK\r\n");
    sim.Kill();
    EXPECT_TRUE(c.HungUp());
    c.Close();
    EXPECT_THROW(SimClient again(sim.Link()), std::runtime_error);
}

// A modem that vanishes in the middle of a reply, as an adapter pulled out:
// the client gets the bytes up to that point, then the hang-up; the link is
// left pointing nowhere, and the simulator died as by SIGKILL. The bytes
// come also to a client that reads them late: the line carried them before
// the modem went (the kernel would drop them from a line already hung up).
TEST_F(ModemSimTest, VanishOnTakesTheLineAwayInTheMiddleOfAReply) {
    const std::string reply = [&] {
        ModemSim whole(PortLink(3));
        SimClient c(whole.Link());
        c.Exchange("ATE0\r", "ATE0\r\n\r\nOK\r\n");
        c.Send("ATI4\r");
        return c.Read(9, 3000);
    }();
    ASSERT_EQ(reply.size(), 9u);
    for (const int lateMs : {0, 300}) {
        SCOPED_TRACE(lateMs);
        ModemSim sim(PortLink(2), {"--vanish-on", "ATI4:9", "--baud", "9600"});
        SimClient c(sim.Link());
        c.Exchange("ATE0\r", "ATE0\r\n\r\nOK\r\n");
        c.Send("ATI4\r");
        usleep(static_cast<useconds_t>(lateMs) * 1000);
        EXPECT_EQ(c.Read(100, 3000), reply) << "these bytes and not one more";
        EXPECT_TRUE(c.HungUp());
        EXPECT_EQ(sim.Stop(), 128 + SIGKILL);
        c.Close();
        EXPECT_TRUE(std::filesystem::is_symlink(std::filesystem::symlink_status(sim.Link())));
        EXPECT_THROW(SimClient again(sim.Link()), std::runtime_error);
    }
}

TEST_F(ModemSimTest, BaudHoldsTheLineToItsSpeed) {
    // 1920 bytes of noise at 19200 baud (1920 bytes per second) take a second.
    ModemSim sim(PortLink(2), {"--baud", "19200", "--garbage", "1920"});
    SimClient c(sim.Link());
    using Clock = std::chrono::steady_clock;
    const auto since = [](Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); };
    const auto start = Clock::now();
    c.Send("ATE0\r");
    ASSERT_EQ(c.Read(6, 5000), "ATE0\r\n");
    // The line's time is measured from the echo on: how late a busy machine
    // lets the simulator see the command is no part of the line's speed.
    const auto echoed = Clock::now();
    std::string got = c.Read(1920 + 6, 5000);
    const double line = since(echoed);
    const double total = since(start);
    ASSERT_EQ(got.size(), 1926u);
    EXPECT_EQ(got.substr(got.size() - 6), "\r\nOK\r\n");
    // Never faster than the line: after its first byte (and a bucket of 2 ms)
    // each of the other 1931 bytes takes its 1/1920 s.
    EXPECT_GE(total, 1931.0 / 1920 - 0.003) << "measured " << total << " s";
    EXPECT_NEAR(line, 1926.0 / 1920, 0.15) << "measured " << line << " s";
    std::printf("1932 bytes at 19200 baud took %.3f s (%.0f bytes per second)\n", total, 1932 / total);
}

TEST_F(ModemSimTest, RingsUnasked) {
    ModemSim sim(PortLink(2), {"--ring-after", "300"});
    SimClient c(sim.Link());
    EXPECT_EQ(c.Read(8, 3000), "\r\nRING\r\n");
}

TEST_F(ModemSimTest, RingsBeforeTheReplyOfAGivenCommand) {
    ModemSim sim(PortLink(2), {"--ring-on", "ATE0"});
    SimClient c(sim.Link());
    EXPECT_EQ(c.Exchange("ATE0\r\n", "ATE0\r\n\r\nRING\r\n\r\nOK\r\n"), "ATE0\r\n\r\nRING\r\n\r\nOK\r\n");
    EXPECT_EQ(c.Exchange("AT\r\n", "\r\nOK\r\n"), "\r\nOK\r\n");
}

TEST_F(ModemSimTest, FaultsCompose) {
    // ERROR for one command, noise before every reply, nothing else changed.
    ModemSim sim(PortLink(2), {"--error-on", "#MDL?", "--garbage", "40", "--seed", "3"});
    SimClient c(sim.Link());
    std::string init = c.Exchange("ATE0\r", std::string(6 + 40 + 6, '.'));
    ASSERT_EQ(init.size(), 52u);
    EXPECT_EQ(init.substr(0, 6), "ATE0\r\n");
    EXPECT_EQ(init.substr(46), "\r\nOK\r\n");
    std::string model = c.Exchange("AT#MDL?\r", std::string(40 + 9, '.'));
    ASSERT_EQ(model.size(), 49u);
    EXPECT_EQ(model.substr(40), "\r\nERROR\r\n");
    EXPECT_EQ(model.substr(0, 40).find_first_of("\r\n"), std::string::npos);
}

TEST_F(ModemSimTest, ASilentModemSendsNothingButHearsEverything) {
    ModemSim sim(PortLink(2), {"--silent", "--ring-after", "10"});
    SimClient c(sim.Link());
    c.Send("ATE0\r\n\r\nAT#MDL?\r\n");
    EXPECT_EQ(c.ReadQuiet(500), "");
    EXPECT_EQ(sim.TranscriptLines(), (std::vector<std::string>{"ATE0", "", "AT#MDL?"}));
}

TEST_F(ModemSimTest, RefusesBadCommandLines) {
    EXPECT_EQ(RunToEnd({"--link", home.Path() + "/COM1", "--no-such-option"}), 2);
    EXPECT_EQ(RunToEnd({"--model", "elsa"}), 2);  // no link
    EXPECT_EQ(RunToEnd({"--link", home.Path() + "/COM1", "--model", "nonesuch"}), 2);
    EXPECT_EQ(RunToEnd({"--link", home.Path() + "/COM1", "--baud", "fast"}), 2);
    EXPECT_EQ(RunToEnd({"--help"}), 0);
    // A file where the link should go is not replaced.
    testkit::WriteFile(home.Path() + "/file", "keep");
    EXPECT_EQ(RunToEnd({"--link", home.Path() + "/file"}), 1);
    EXPECT_EQ(testkit::ReadFile(home.Path() + "/file"), "keep");
    EXPECT_EQ(RunToEnd({"--link", home.Path() + "/COM1", "--scenario", home.Path() + "/missing"}), 1);
}

}  // namespace
