// The configuration of the simulated ELSA MicroLink Office, driven
// in-process with a clock of the test's own.
#include "tools/modemsim/SimElsaSettings.h"

#include <gtest/gtest.h>

#include <string>

#include "modemsim/EngineRig.h"

namespace simelsa {
namespace {

constexpr const char* kOk = "\r\nOK\r\n";
constexpr const char* kError = "\r\nERROR\r\n";

class Rig : public simtest::EngineRig {
public:
    explicit Rig(const std::string& ScenarioText = "[elsa]\n")
        : EngineRig(*modemsim::FindModel("elsa"), {}, modemsim::ParseScenario(ScenarioText)) {
        Type("ATE0\r");
    }
    // A query's reply line without its frame; "ERROR" when refused.
    std::string Query(const std::string& Command) {
        const std::string reply = Type("AT" + Command + "?\r\n");
        if (reply == kError) return "ERROR";
        EXPECT_EQ(reply.substr(0, 2), "\r\n");
        EXPECT_EQ(reply.substr(reply.size() - 4), "OK\r\n");
        return reply.substr(2, reply.size() - 8);
    }
    std::string Set(const std::string& Command) { return Type("AT" + Command + "\r\n\r\n"); }
};

TEST(SimElsaSettings, QueriesAnswerTheFieldsTheSetCommandsStore) {
    Rig r;
    const struct {
        const char* command;
        const char* factory;
        const char* set;
    } cases[] = {
        {"+GCI", "04", "0A"},
        {"$JCFGF", "1,1", "0,1"},
        {"$JCFGM", "1,0,1,0", "0,1,1,3"},
        {"$JCFGT", "1,1,1,0,1,0", "0,1,0,1,0,1"},
        {"$JCFGV", "0,3,,ADPCM4-7,1,0", "30,15,,PCM8L-7,0,1"},
        {"$JVGT", "128", "255"},
        {"$JVGR", "128", "0"},
        {"$JVGS", "192", "17"},
        {"$JVGM", "160", "200"},
        {"$JFLI", "\"ELSA MicroLink\"", "\"+49 241, Aachen\""},
        {"$JPWD", "1,0,\"1234\"", "0,1,\"*12#\""},
        {"$JRING", "4,1,1,0", "9,0,0,1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        EXPECT_EQ(r.Query(c.command), std::string(c.command) + ": " + c.factory);
        EXPECT_EQ(r.Set(std::string(c.command) + "=" + c.set), kOk);
        EXPECT_EQ(r.Query(c.command), std::string(c.command) + ": " + c.set);
    }
}

TEST(SimElsaSettings, ValuesTheModemCannotTakeChangeNothing) {
    Rig r;
    for (const char* bad : {"+GCI=05", "+GCI=4", "+GCI=", "$JCFGF=1", "$JCFGF=1,2", "$JCFGM=1,0,1,4", "$JCFGV=31,3,,ADPCM4-7,1,0",
                            "$JCFGV=0,16,,ADPCM4-7,1,0", "$JCFGV=0,3,x,ADPCM4-7,1,0", "$JCFGV=0,3,,ADPCM9-7,1,0",
                            "$JCFGV=-1,3,,ADPCM4-7,1,0", "$JVGT=256", "$JVGT=-1", "$JVGT=", "$JFLI=ELSA",
                            "$JFLI=\"123456789012345678901\"", "$JPWD=1,0,1234", "$JPWD=1,0,\"12a\"",
                            "$JPWD=1,0,\"123456789\"", "$JRING=0,1,1,0", "$JRING=10,1,1,0", "$JCFGT=1,1,1,1,1"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(r.Set(bad), kError);
    }
    EXPECT_EQ(r.Query("$JCFGV"), "$JCFGV: 0,3,,ADPCM4-7,1,0");
    EXPECT_EQ(r.Query("$JRING"), "$JRING: 4,1,1,0");
    // The rings the dialog sends with nothing chosen, a small-letter country,
    // numbers with leading zeros, and a format left empty, which keeps the format.
    EXPECT_EQ(r.Set("$JRING=1,0,0,0"), kOk);
    EXPECT_EQ(r.Set("+GCI=b4"), kOk);
    EXPECT_EQ(r.Query("+GCI"), "+GCI: B4");
    EXPECT_EQ(r.Set("$JVGT=007"), kOk);
    EXPECT_EQ(r.Query("$JVGT"), "$JVGT: 7");
    EXPECT_EQ(r.Set("$JCFGV=2,1,,,0,0"), kOk);
    EXPECT_EQ(r.Query("$JCFGV"), "$JCFGV: 2,1,,ADPCM4-7,0,0");
}

TEST(SimElsaSettings, TheScenarioSetsWhatTheModemHolds) {
    Rig r("[settings]\ngci = 42\ncfgv = \"0,3,,ADPCM2-7,1,0\"\nfli = \"\\\"FAX 1\\\"\"\nring = 7,0,1,1\n");
    EXPECT_EQ(r.Query("+GCI"), "+GCI: 42");
    EXPECT_EQ(r.Query("$JCFGV"), "$JCFGV: 0,3,,ADPCM2-7,1,0");
    EXPECT_EQ(r.Query("$JFLI"), "$JFLI: \"FAX 1\"");
    EXPECT_EQ(r.Query("$JRING"), "$JRING: 7,0,1,1");
    EXPECT_EQ(r.Query("$JVGT"), "$JVGT: 128");
    EXPECT_THROW(ReadSettings(modemsim::ParseScenario("[settings]\nvgt = 300\n")), modemsim::ScenarioError);
}

TEST(SimElsaSettings, ASlowModemAnswersLate) {
    simtest::EngineRig r(*modemsim::FindModel("elsa"), {{"settings-ms", "150"}}, modemsim::ParseScenario(""));
    r.Type("ATE0\r");
    EXPECT_EQ(r.Type("AT$JVGT?\r"), "");
    EXPECT_EQ(r.Advance(149), "");
    EXPECT_EQ(r.Advance(1), "\r\n$JVGT: 128\r\nOK\r\n");
    EXPECT_EQ(r.Type("AT$JVGT=300\r"), "");
    EXPECT_EQ(r.Advance(150), kError);
}

TEST(SimElsaSettings, OnlyTheElsaKnowsThem) {
    simtest::EngineRig r(*modemsim::FindModel("56k-message"), {}, modemsim::ParseScenario(""));
    r.Type("ATE0\r");
    EXPECT_EQ(r.Type("AT$JCFGV?\r"), kError);
}

}  // namespace
}  // namespace simelsa
