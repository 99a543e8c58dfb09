// The erase worker against the simulated modem and a scripted one: what it
// sends, when it erases, the messages it posts and the bookkeeping it leaves.
#include "murmel/DeleteThread.h"

#include <gtest/gtest.h>

#include "platform/Serial.h"
#include "tests/murmel/WorkerKit.h"

namespace {

using namespace murmel;
using workerkit::Fax;
using workerkit::Posted;
using workerkit::Voice;

class DeleteThreadSim : public workerkit::WorkerTest {
protected:
    int Erase() { return RunWorker(DeleteThread); }
    std::vector<std::string> Commands() const {
        std::vector<std::string> lines;
        for (const auto& l : Lines())
            if (!l.empty()) lines.push_back(l);
        return lines;
    }
};

TEST_F(DeleteThreadSim, AnEmptyMemoryIsNotErasedButItsClockIsReset) {
    StartSim("[memory]\nused = 0\n", {"--clock", "3,4,5,6"});
    WriteProfileString(kModem, "Identstring", "Empty");
    EXPECT_EQ(Erase(), NoError);
    EXPECT_EQ(Commands(), (std::vector<std::string>{"ATE0", "AT&F1&B1E0Q0V1", "AT+MCS=1", "AT+MCC", "AT+MSR=0"}));
    EXPECT_EQ(Posts(), (std::vector<Posted>{{WM_THREADERROR, 0, NoError}}));
    EXPECT_EQ(Text(kModem, "Identstring"), "Empty");
}

TEST_F(DeleteThreadSim, AMemoryOfFaxesOnlyIsErased) {
    StartSim(Fax() + Fax(2));
    WriteProfileInt(kOptions, "Counter", 17);
    WriteProfileInt(kModem, "Savedmsg", 0);
    WriteProfileInt(kModem, "Savedmsgfax", 2);
    EXPECT_EQ(Erase(), NoError);
    EXPECT_EQ(Commands().back(), "AT+MEM");
    EXPECT_EQ(CountOf("AT+MCC"), 1);
    EXPECT_EQ(Posts(), (std::vector<Posted>{{WM_DELETINGMEMORY, 0, 0}, {WM_NEWMESSAGES, 16, 255},
                                            {WM_THREADERROR, 0, NoError}}));
    EXPECT_EQ(Text(kModem, "Identstring"), "Deleted");
    EXPECT_EQ(Int(kModem, "Savedmsgfax"), 2) << "the counts stay; the changed identity resets them at the next check";
    // The memory is empty now: a second erase sends no AT+MEM.
    EXPECT_EQ(Erase(), NoError);
    EXPECT_EQ(CountOf("AT+MEM"), 1);
}

TEST_F(DeleteThreadSim, VoiceMailAndFaxesAreErased) {
    StartSim(Voice(2) + Fax());
    EXPECT_EQ(Erase(), NoError);
    EXPECT_EQ(CountOf("AT+MEM"), 1);
    EXPECT_EQ(Text(kModem, "Identstring"), "Deleted");
    EXPECT_EQ(Int(kOptions, "Counter", 1), 1) << "nothing is downloaded";
    EXPECT_TRUE(WavFiles().empty());
}

TEST_F(DeleteThreadSim, AShortStatusLineEndsTheRunBeforeAnythingIsErased) {
    StartSim(Voice(2), {"--error-on", "+MSR"});
    EXPECT_EQ(Erase(), ErrorModem);
    EXPECT_EQ(CountOf("AT+MEM"), 0);
    EXPECT_EQ(Posts(), (std::vector<Posted>{{WM_THREADERROR, 0, ErrorModem}}));
    EXPECT_EQ(Text(kModem, "Identstring"), "(missing)");
}

TEST_F(DeleteThreadSim, AClockResetThatFailsEndsTheRun) {
    StartSim(Voice(2), {"--error-on", "AT+MCC"});
    EXPECT_EQ(Erase(), ErrorModem);
    EXPECT_EQ(CountOf("AT+MSR=0"), 0);
}

TEST_F(DeleteThreadSim, AnEraseThatFailsLeavesTheBookkeeping) {
    StartSim(Voice(2), {"--erase-error"});
    WriteProfileString(kModem, "Identstring", "002,001,001,002,003,");
    EXPECT_EQ(Erase(), ErrorModem);
    EXPECT_EQ(Posts(), (std::vector<Posted>{{WM_DELETINGMEMORY, 0, 0}, {WM_THREADERROR, 0, ErrorModem}}));
    EXPECT_EQ(Text(kModem, "Identstring"), "002,001,001,002,003,");
}

TEST_F(DeleteThreadSim, AMissingPortIsAPortError) {
    WriteProfileString(kOptions, "Port", "COM7");
    EXPECT_EQ(Erase(), ErrorCom);
    EXPECT_EQ(Posts(), (std::vector<Posted>{{WM_THREADERROR, 0, ErrorCom}}));
}

TEST_F(DeleteThreadSim, TheRunIsFramedInTheDebugLog) {
    StartSim(Fax());
    testkit::WriteFile(out + "/Debug.txt", "");
    InitDebugSwitch();
    EXPECT_EQ(Erase(), NoError);
    const std::string log = testkit::ReadFile(out + "/Debug.txt");
    EXPECT_EQ(log.rfind("--- \r\n---Delete-Thread beginnen.\r\n", 0), 0u) << log;
    EXPECT_NE(log.find("---Thread beenden.\r\n"), std::string::npos) << log;
}

// A modem whose status line is longer than the worker's buffer, or too short.
class DeleteThreadScripted : public workerkit::WorkerTest {
protected:
    int Erase(const std::string& StatusLine) {
        auto port = std::make_shared<serial::FakePort>();
        port->SetResponder([StatusLine, this](const std::string& line) -> std::string {
            sent.push_back(line);
            if (line == "ATE0") return "\r\nOK\r\n";
            if (line == "AT+MSR=0") return "\r\n" + StatusLine + "\r\nOK\r\n";
            return "\r\nOK\r\n";
        });
        serial::ScopedPortFactory factory([port](const std::string&) { return port; });
        return RunWorker(DeleteThread);
    }
    std::vector<std::string> sent;
};

TEST_F(DeleteThreadScripted, TheCountsOfALineTooLongForTheBufferStillCount) {
    EXPECT_EQ(Erase("000,021,000,000,003," + std::string(200, '7')), NoError);
    EXPECT_EQ(sent.back(), "AT+MEM") << "three faxes in the first 99 characters";
}

TEST_F(DeleteThreadScripted, ALineOfTenCharactersIsShortAndOneOfElevenIsNot) {
    EXPECT_EQ(Erase("00000000"), ErrorModem);  // 10 with its CR LF
    EXPECT_EQ(sent.back(), "AT+MSR=0");
    sent.clear();
    EXPECT_EQ(Erase("000,000,1"), NoError);  // 11: one voice mail counted from character 8
    EXPECT_EQ(sent.back(), "AT+MEM");
}

}  // namespace
