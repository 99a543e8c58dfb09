// The answering settings and the announcement recording of the simulated
// 3Com/U.S. Robotics modems, driven in-process with a clock of the test's own.
#include "tools/modemsim/Sim3comSettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "modemsim/EngineRig.h"
#include "tools/modemsim/Sim3com.h"

namespace sim3com {
namespace {

constexpr const char* kOk = "\r\nOK\r\n";
constexpr const char* kError = "\r\nERROR\r\n";

class Rig : public simtest::EngineRig {
public:
    explicit Rig(const std::string& Model = "56k-message", const std::string& ScenarioText = "[settings]\n",
                 const OptList& Opts = {})
        : EngineRig(*modemsim::FindModel(Model), Opts, modemsim::ParseScenario(ScenarioText)) {
        Type("ATE0\r");
    }
    // The information text of a query, without its frame; "ERROR" when refused.
    std::string Query(const std::string& Command) {
        const std::string reply = Type("ATE0V1" + Command + "\r\n");
        if (reply == kError) return "ERROR";
        EXPECT_EQ(reply.substr(0, 2), "\r\n");
        EXPECT_EQ(reply.substr(reply.size() - 4), "OK\r\n");
        return reply.substr(2, reply.size() - 8);
    }
    std::string Set(const std::string& Command) { return Type("ATE0V1" + Command + "\r\n\r\n"); }
    Memory& Mem() { return *Modem().Extension<State>().memory; }
};

TEST(Sim3comSettings, QueriesAnswerWhatTheSetCommandsKept) {
    Rig r;
    const struct {
        const char* query;
        const char* before;
        const char* set;
        const char* after;
    } cases[] = {
        {"+mcv?", "1", "+MCV=0", "0"},          {"+mcf?", "1", "+MCF=0", "0"},
        {"+mcd?", "0", "+MCD=1", "1"},          {"+mcm?", "0", "+MCM=1", "1"},
        {"+mvd?", "60", "+MVD=0", "0"},         {"+mcr?", "5", "+MCR=9", "9"},
        {"+MFI?", "\"\"", "+MFI=\"FAX 1\"", "\"FAX 1\""},
        {"+MCP?", "", "+MCP=0815", "0815"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.query);
        EXPECT_EQ(r.Query(c.query), c.before);
        EXPECT_EQ(r.Set(c.set), kOk);
        EXPECT_EQ(r.Query(c.query), c.after);
    }
    // Values the modem cannot take change nothing.
    for (const char* bad : {"+MCV=2", "+MCV=", "+MCV", "+MVD=256", "+MVD=-1", "+MCR=0", "+MCR=16",
                            "+MFI=FAX", "+MFI=\"123456789012345678901\"", "+MFI=\"a\"b\"", "+MCP=12345",
                            "+MCP=12a4", "+MCW=1"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(r.Set(bad), kError);
    }
    EXPECT_EQ(r.Query("+mcv?"), "0");
    EXPECT_EQ(r.Query("+mvd?"), "0");
    EXPECT_EQ(r.Query("+MFI?"), "\"FAX 1\"");
    EXPECT_EQ(r.Query("+MCP?"), "0815");
    EXPECT_EQ(r.Set("+MCP="), kOk);
    EXPECT_EQ(r.Query("+MCP?"), "");
}

TEST(Sim3comSettings, OnlyTheProfessionalModelHasTollSaverAndAcousticRing) {
    for (const char* model : {"sportster", "56k-message"}) {
        SCOPED_TRACE(model);
        Rig r(model);
        for (const char* cmd : {"+mct?", "+mcg?", "+MCT=1", "+MCG=2"}) EXPECT_EQ(r.Query(cmd), "ERROR") << cmd;
    }
    Rig pro("56k-pro", "[settings]\ntollsaver = 1\nacousticring = 5\n");
    EXPECT_EQ(pro.Query("+mct?"), "1");
    EXPECT_EQ(pro.Query("+mcg?"), "5");
    EXPECT_EQ(pro.Set("+MCT=0"), kOk);
    EXPECT_EQ(pro.Set("+MCG=0"), kOk);
    EXPECT_EQ(pro.Set("+MCG=10"), kError);
    EXPECT_EQ(pro.Query("+mct?"), "0");
    EXPECT_EQ(pro.Query("+mcg?"), "0");
}

TEST(Sim3comSettings, OnlyWhatTheFlashHoldsOutlivesAReset) {
    Rig r;
    r.Set("+MVD=30");
    r.Set("+MFI=\"first\"");
    EXPECT_EQ(r.Set("+MCW"), kOk);
    r.Set("+MVD=45");
    EXPECT_EQ(r.Type("ATZ\r"), kOk);
    r.Type("ATE0\r");  // the reset turned the echo on again
    EXPECT_EQ(r.Query("+mvd?"), "30");
    EXPECT_EQ(r.Query("+MFI?"), "\"first\"");
    EXPECT_NE(std::find(r.transcript.begin(), r.transcript.end(), "settings stored in flash"), r.transcript.end());
}

TEST(Sim3comSettings, TheScenarioSetsWhatTheModemHolds) {
    Rig r("56k-message",
          "[settings]\nvoice = 0\nfax = 0\nremote = 1\nmonitor = 1\nduration = 120\nrings = 6\nfaxid = \"+49 30 1\"\n"
          "password = 4711\n",
          {{"settings-padded", ""}});
    EXPECT_EQ(r.Query("+mcv?"), "0");
    EXPECT_EQ(r.Query("+mcd?"), "1");
    EXPECT_EQ(r.Query("+mvd?"), "120");
    EXPECT_EQ(r.Query("+mcr?"), "006");
    EXPECT_EQ(r.Query("+MFI?"), "\"+49 30 1\"");
    EXPECT_EQ(r.Query("+MCP?"), "4711");
    for (const char* bad : {"[settings]\nrings = 16\n", "[settings]\nvoice = 2\n", "[settings]\npassword = 12a\n",
                            "[settings]\nfaxid = \"123456789012345678901\"\n"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(ReadAnswerSettings(modemsim::ParseScenario(bad)), modemsim::ScenarioError);
    }
}

TEST(Sim3comSettings, ARecordingLastsUntilTheNextCommandLine) {
    Rig r;
    // The recording command comes with two line ends, as the host sends it;
    // they are no stop.
    EXPECT_EQ(r.Type("AT+MVR=0\r\n\r\n"), "");
    EXPECT_EQ(r.Advance(2500), "");
    // The stop line is answered by the recording's own OK, once.
    EXPECT_EQ(r.Type("AT\r\n\r\n"), kOk);
    EXPECT_EQ(r.Mem().PlaySeconds(0), 3);  // 2.5 s, counted as the started seconds
    // The stop line stands in the transcript as received lines do.
    const auto at = std::find(r.transcript.begin(), r.transcript.end(), "AT");
    ASSERT_NE(at, r.transcript.end());
    ASSERT_NE(at + 1, r.transcript.end());
    EXPECT_EQ(*(at + 1), "recorded 2500 ms");

    // The memory-full message fills its page and ends there by itself.
    EXPECT_EQ(r.Type("AT+MVR=1\r\n\r\n"), "");
    EXPECT_EQ(r.Advance(15000), "");
    EXPECT_EQ(r.Advance(10000), kOk);
    const int seconds = *r.Mem().PlaySeconds(255);
    EXPECT_GE(seconds, 18);
    EXPECT_LE(seconds, 20);
    EXPECT_EQ(r.Type("AT+MVR=2\r"), kError);
    // What was recorded plays for as long.
    EXPECT_EQ(r.Type("ATE0V1s31=128+MVP=0\r\n"), "");
    EXPECT_EQ(r.Advance(3000), kOk);
}

TEST(Sim3comSettings, TheModelsTellTheirRevision) {
    Rig r;
    EXPECT_EQ(r.Query("#REV?"), "1.0.42");
    Rig other("sportster", "[settings]\n", {{"rev-string", "Supervisor 7.5"}});
    EXPECT_EQ(other.Query("#REV?"), "Supervisor 7.5");
}

}  // namespace
}  // namespace sim3com
