// The simulated 3Com modem as Murmel's workers speak to it: their command
// lines byte for byte, the clock readings, the end of the status report, and
// the faults each retry path needs.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "modemsim/EngineRig.h"
#include "tools/modemsim/Sim3com.h"

namespace sim3com {
namespace {

using modemsim::ParseScenario;

const char* const kTwo = R"([message]
type = voice
time = 3,4,5
seconds = 2
[message]
type = fax
time = 3,6,0
pages = 1
)";

class Rig : public simtest::EngineRig {
public:
    explicit Rig(const OptList& Opts = {}) : EngineRig(*modemsim::FindModel("sportster"), Opts, ParseScenario(kTwo)) {}
};

TEST(Sim3comMurmel, TheWorkersSetUpLinesGetTheirReplies) {
    Rig r;
    EXPECT_EQ(r.Type("ATE0\r\n"), "ATE0\r\n\r\nOK\r\n");  // echo still on for this line
    EXPECT_EQ(r.Type("AT&F1&B1E0Q0V1\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(r.Type("AT+MCS=1\r\n"), "\r\nOK\r\n");
    for (const char* info : {"ATI4\r\n", "ATI7\r\n", "AT+MSI\r\n"}) {
        const std::string reply = r.Type(info);
        EXPECT_EQ(reply.substr(0, 2), "\r\n") << info;
        EXPECT_GT(reply.size(), 30u) << info;
        EXPECT_EQ(reply.substr(reply.size() - 6), "\r\nOK\r\n") << info;
    }
    EXPECT_NE(r.Type("AT+MSI\r\n").find("Stand-alone mode: on"), std::string::npos);
}

TEST(Sim3comMurmel, RingsAreSetAndReadWithinTheirRange) {
    Rig r;
    r.Type("ATE0\r");
    EXPECT_EQ(r.Type("AT+MCR=3\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(r.Type("AT+MCR?\r\n"), "\r\n3\r\nOK\r\n");
    EXPECT_NE(r.Type("AT+MSI\r").find("Rings before answer: 3"), std::string::npos);
    for (const char* bad : {"AT+MCR=0\r", "AT+MCR=16\r", "AT+MCR=\r", "AT+MCR\r"})
        EXPECT_EQ(r.Type(bad), "\r\nERROR\r\n") << bad;
}

TEST(Sim3comMurmel, ClockReadingsKnownUnknownAndReset) {
    {
        Rig r;
        r.Type("ATE0\r");
        EXPECT_EQ(r.Type("AT+MCC?\r\n"), "\r\n255,255,255,255\r\nOK\r\n");
    }
    {
        Rig r(Rig::OptList{{"clock-unknown", "254,024,000,000"}});
        r.Type("ATE0\r");
        EXPECT_EQ(r.Type("AT+MCC?\r\n"), "\r\n254,024,000,000\r\nOK\r\n");
        EXPECT_EQ(r.Type("AT+MCC\r\n"), "\r\nOK\r\n");
        EXPECT_EQ(r.Type("AT+MCC?\r\n"), "\r\n000,000,000,000\r\nOK\r\n");
    }
    {
        Rig r(Rig::OptList{{"clock", "12,23,59,58"}});
        r.Type("ATE0\r");
        EXPECT_EQ(r.Type("AT+MCC?\r\n"), "\r\n012,023,059,058\r\nOK\r\n");
        r.Advance(3000);
        EXPECT_EQ(r.Type("AT+MCC?\r\n"), "\r\n013,000,000,001\r\nOK\r\n");
    }
    for (const char* bad : {"1,2,3", "1,24,0,0", "1000,0,0,0", "1,2,3,4x"})
        EXPECT_THROW(Rig(Rig::OptList{{"clock", bad}}), std::exception) << bad;
}

TEST(Sim3comMurmel, TheReportEndsWithAShortReplyPastTheLastRecord) {
    Rig r;
    r.Type("ATE0\r");
    for (int n = 0; n <= 2; ++n) {
        const std::string reply = r.Type("AT+MSR=" + std::to_string(n) + "\r\n");
        EXPECT_GT(reply.size(), 10u + 6) << n;
    }
    EXPECT_EQ(r.Type("AT+MSR=3\r\n"), "\r\nERROR\r\n");
}

TEST(Sim3comMurmel, AStatusLineChecksumIsSpoiledOncePerGivenTime) {
    Rig r(Rig::OptList{{"status-bad-checksum-once", "1"}, {"status-bad-checksum-once", "1"}});
    r.Type("ATE0\r");
    const auto checksum = [&] {
        const std::string line = r.Type("AT+MSR=1\r\n").substr(2);
        unsigned sum = 0;
        for (int i = 0; i < 65; ++i) sum += static_cast<uint8_t>(line[static_cast<std::size_t>(i)]);
        return std::make_pair(static_cast<int>(sum % 256), std::stoi(line.substr(65, 3)));
    };
    for (int i = 0; i < 2; ++i) {
        const auto [sum, stated] = checksum();
        EXPECT_EQ((sum + 1) % 256, stated) << i;
    }
    const auto [sum, stated] = checksum();
    EXPECT_EQ(sum, stated);
    EXPECT_EQ(r.Type("AT+MSR=0\r\n").substr(0, 6), "\r\n000,");
    EXPECT_EQ(std::count(r.transcript.begin(), r.transcript.end(), "status line 1 sent with a wrong checksum"), 2);
}

TEST(Sim3comMurmel, FaultOptionsNeedLineNumbers) {
    EXPECT_THROW(Rig(Rig::OptList{{"status-bad-checksum-once", "x"}}), std::invalid_argument);
    EXPECT_THROW(Rig(Rig::OptList{{"status-bad-checksum-once", "256"}}), std::invalid_argument);
}

}  // namespace
}  // namespace sim3com
