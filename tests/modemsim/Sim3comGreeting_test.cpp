// The upload of the 3Com modems' announcements into the simulator's memory,
// driven in-process with a clock of the test's own.
#include <gtest/gtest.h>

#include <string>

#include "modemsim/EngineRig.h"
#include "tools/modemsim/Sim3com.h"
#include "tools/modemsim/Sim3comContent.h"
#include "tools/modemsim/Sim3comMemory.h"

namespace sim3com {
namespace {

using modemsim::ParseScenario;

const std::string kEnd = "\x10\x03";

using OptList = simtest::EngineRig::OptList;

class Rig : public simtest::EngineRig {
public:
    explicit Rig(const OptList& Opts = {}, const std::string& ScenarioText = "[outgoing]\nseconds = 1\n")
        : EngineRig(*modemsim::FindModel("sportster"), Opts, ParseScenario(ScenarioText)) {
        Type("ATE0\r\n");
    }
    std::string Page(int p) { return std::string(Modem().Extension<State>().memory->Page(p)); }
    // The page as its reader gets it: checksum, page, final result.
    std::string Read(int p) { return Type("AT+MTP=" + std::to_string(p) + "\r\n"); }
};

std::string Shielded(const std::string& plain) {
    std::string out;
    for (char c : plain) {
        out += c;
        if (c == '\x10') out += c;
    }
    return out + kEnd;
}

TEST(Sim3comGreeting, UploadConnectsTakesTheShieldedDataAndSaysNothingUntilTheNextAt) {
    for (int message : {0, 1}) {
        Rig r;
        std::string frames = GsmTone(1, 3).substr(0, 33 * 20);
        frames[40] = '\x10';
        frames[41] = '\x03';  // a DLE ETX inside the data, shielded
        EXPECT_EQ(r.Type("AT+MVC=" + std::to_string(message) + "\r\n"), "\r\nCONNECT\r\n");
        EXPECT_EQ(r.Type(Shielded(frames)), "");
        EXPECT_EQ(r.Type("AT\r\n"), "\r\nOK\r\n");
        const std::string page = r.Page(message);
        EXPECT_EQ(page.substr(0, Shielded(frames).size()), Shielded(frames)) << message;
        EXPECT_EQ(page.find_first_not_of('\xFF', Shielded(frames).size()), std::string::npos) << message;
        // The page is read back as every reader reads it.
        EXPECT_EQ(r.Read(message).substr(2, kPageSize), page);
        EXPECT_EQ(r.transcript.back(), "AT+MTP=" + std::to_string(message));
    }
}

TEST(Sim3comGreeting, TheOtherPageKeepsItsMessage) {
    Rig r({}, "[outgoing]\nseconds = 1\n[memoryfull]\nseconds = 1\n");
    const std::string before = r.Page(0);
    r.Type("AT+MVC=1\r\n");
    r.Type(Shielded(std::string(66, 'a')));
    EXPECT_EQ(r.Page(0), before);
    EXPECT_EQ(r.Page(1).substr(0, 68), std::string(66, 'a') + kEnd);
}

TEST(Sim3comGreeting, DataInPiecesAndTheNextCommandInTheSameWrite) {
    Rig r;
    const std::string data = Shielded(std::string(100, '\x10') + "xyz");
    r.Type("AT+MVC=0\r");
    // The command's LF comes late and alone; then the data in three pieces.
    r.Type("\n");
    r.Type(data.substr(0, 7));
    r.Type(data.substr(7, 1));  // one half of a doubled DLE
    EXPECT_EQ(r.Type(data.substr(8) + "AT\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(r.Page(0).substr(0, data.size()), data);
}

TEST(Sim3comGreeting, EncapsulatingModemStoresThe38ByteForm) {
    Rig r(OptList{{"greeting-encapsulated", ""}});
    const std::string frames = GsmTone(1, 2).substr(0, 33 * 4);
    r.Type("AT+MVC=0\r\n");
    r.Type(Shielded(frames));
    EXPECT_EQ(r.Type("AT\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(r.Page(0).substr(0, Shielded(Encapsulate(frames)).size()), Shielded(Encapsulate(frames)));
}

TEST(Sim3comGreeting, WhatDoesNotFitIsRefusedAfterItsEndAndTheOldMessageStays) {
    Rig r({}, "[outgoing]\nseconds = 1\n[memoryfull]\nseconds = 1\n");
    const std::string before = r.Page(1);
    // 32511 bytes and the end pair: one more than the memory-full message's room.
    r.Type("AT+MVC=1\r\n");
    EXPECT_EQ(r.Type(Shielded(std::string(32511, 'b'))), "\r\nERROR\r\n");
    EXPECT_EQ(r.Page(1), before);
    // The outgoing message has the room.
    r.Type("AT+MVC=0\r\n");
    EXPECT_EQ(r.Type(Shielded(std::string(32511, 'b'))), "");
    EXPECT_EQ(r.Page(0).substr(0, 32513), Shielded(std::string(32511, 'b')));
}

TEST(Sim3comGreeting, CanEndsTheDataAsEtxDoes) {
    Rig r;
    r.Type("AT+MVC=0\r\n");
    EXPECT_EQ(r.Type("abc\x10\x18"), "");
    EXPECT_EQ(r.Page(0).substr(0, 5), "abc" + kEnd);
}

TEST(Sim3comGreeting, ASilentClientEndsTheUploadWithError) {
    Rig r;
    r.Type("AT+MVC=0\r\n");
    r.Type("abc");
    EXPECT_EQ(r.Advance(9000), "");
    EXPECT_EQ(r.Advance(1000), "\r\nERROR\r\n");
    // The modem listens to commands again.
    EXPECT_EQ(r.Type("AT\r\n"), "\r\nOK\r\n");
}

TEST(Sim3comGreeting, BadNumbersAreErrorsAndNumericModeSaysOne) {
    Rig r;
    for (const char* bad : {"AT+MVC=2\r", "AT+MVC\r", "AT+MVC=\r", "AT+MVC=255\r"})
        EXPECT_EQ(r.Type(bad), "\r\nERROR\r\n") << bad;
    EXPECT_EQ(r.Type("ATV0+MVC=0\r"), "1\r");
}

TEST(Sim3comGreeting, UploadedAnnouncementsPlayForTheirLength) {
    Rig r;
    r.Type("AT+MVC=1\r\n");
    r.Type(Shielded(GsmTone(3, 1)));
    r.Type("AT\r\n");
    EXPECT_EQ(r.Type("AT+MVP=255\r\n"), "");
    EXPECT_EQ(r.Advance(2900), "");
    EXPECT_EQ(r.Advance(200), "\r\nOK\r\n");
}

TEST(Sim3comGreeting, ChecksumsInSmallLetters) {
    Rig r(OptList{{"page-checksum-lowercase", ""}});
    r.Type("AT+MVC=0\r\n");
    // 0x95, the end pair and 32765 bytes 0xFF sum to 0xAB modulo 256.
    r.Type(Shielded("\x95"));
    EXPECT_EQ(r.Read(0).substr(0, 2), "ab");
    Rig upper;
    upper.Type("AT+MVC=0\r\n");
    upper.Type(Shielded("\x95"));
    EXPECT_EQ(upper.Read(0).substr(0, 2), "AB");
}

}  // namespace
}  // namespace sim3com
