// Echolet's modem dialogue: against the simulated 3Com modem on a
// pseudo-terminal, and against scripted ports for what the simulator's line
// cannot show (the port's settings and time-outs, other echo forms).
#include "echolet/EcholetCom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/App.h"
#include "platform/Registry.h"
#include "testkit/ModemSim.h"
#include "testkit/TestKit.h"

namespace echolet {
namespace {

using Lines = std::vector<std::string>;

// A scripted port that keeps every time-out set it was given.
class RecordingPort : public serial::FakePort {
public:
    bool SetTimeouts(const serial::Timeouts& t) override {
        sets.push_back(t);
        return FakePort::SetTimeouts(t);
    }
    std::vector<serial::Timeouts> sets;
};

// A modem on a scripted port: echo on at first, the given echo form, OK to
// every command; a modem that ignores E0 keeps echoing.
std::function<std::string(const std::string&)> EchoingModem(std::string EchoEnd, bool IgnoresE0 = false) {
    auto echo = std::make_shared<bool>(true);
    return [=](const std::string& line) {
        std::string reply = *echo ? line + EchoEnd : "";
        if (!IgnoresE0 && line.find("E0") != std::string::npos) *echo = false;
        return reply + "\r\nOK\r\n";
    };
}

void WriteProfile(const std::string& Name, const std::string& Value) {
    registry::TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\Hollin\\Murmel\\Options", true));
    reg.WriteString(Name, Value);
}

class ComTest : public ::testing::Test {
protected:
    void SetUp() override { app::SetTitle("Echolet"); }

    // The simulator on COM2, the port Echolet takes without settings.
    void StartSim(std::vector<std::string> Args = {}, const std::string& Scenario = kScenario) {
        const std::string path = home.Path() + "/modem.ini";
        testkit::WriteFile(path, Scenario);
        Args.insert(Args.end(), {"--scenario", path});
        sim = std::make_unique<testkit::ModemSim>(testkit::PortLink(2), Args);
    }
    // The command lines the modem received, without the simulator's notes.
    Lines Transcript() const {
        Lines out;
        for (const auto& l : sim->TranscriptLines())
            if (l.starts_with("AT")) out.push_back(l);
        return out;
    }
    std::size_t Count(const std::string& Line) const {
        const Lines t = Transcript();
        return static_cast<std::size_t>(std::count(t.begin(), t.end(), Line));
    }
    // A ".gsm" file of Frames generated frames and the end pair.
    std::string GsmFile(const std::string& Name, int Frames, int Seed = 1) {
        std::string data;
        for (int f = 0; f < Frames; ++f) {
            data += static_cast<char>(0xD0 | ((f + Seed) & 0x0F));
            for (int i = 1; i < 33; ++i) data += static_cast<char>((f * 31 + i * 7 + Seed) & 0xFF);
        }
        data += "\x10\x03";
        const std::string path = home.Path() + "/" + Name;
        testkit::WriteFile(path, data);
        return path;
    }
    std::vector<ui::Prompt> Prompts() { return ui->Prompts(); }

    static constexpr const char* kScenario = "[outgoing]\nseconds = 1\n[memoryfull]\nseconds = 1\n";

    testkit::TempHome home;
    testkit::ScopedScriptedUi ui;
    std::unique_ptr<testkit::ModemSim> sim;
    CEcholetCom com;
};

TEST(EcholetComTimeouts, TheThreeSetsHaveTheModemsValues) {
    const TComTimeouts t;
    EXPECT_EQ(t.echo, (serial::Timeouts{200, 10, 200, 10, 1000}));
    EXPECT_EQ(t.standard, (serial::Timeouts{600, 16, 1600, 10, 1000}));
    EXPECT_EQ(t.Reply(10), (serial::Timeouts{10000, 10000, 10000, 10, 1000}));
    EXPECT_EQ(t.Reply(20), (serial::Timeouts{20000, 20000, 20000, 10, 1000}));
}

TEST(EcholetComTimeouts, BaudrateTextGivesItsLeadingDigits) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"115200", 115200}, {"57600baud", 57600}, {"", 0}, {"fast", 0}, {" 9600", 0}, {"99999999999", 0xFFFFFFFFu}};
    for (const auto& [text, value] : cases) EXPECT_EQ(BaudOf(text), value) << text;
}

TEST_F(ComTest, WithoutSettingsCom2At115200EightNoneOneAndMurmelsWhenSet) {
    const struct {
        const char* port;
        const char* baudrate;
        const char* opened;
        uint32_t speed;
    } cases[] = {{nullptr, nullptr, "COM2", 115200}, {"COM7", "57600", "COM7", 57600}};
    for (const auto& c : cases) {
        if (c.port) WriteProfile("Port", c.port);
        if (c.baudrate) WriteProfile("Baudrate", c.baudrate);
        std::vector<std::string> names;
        auto port = std::make_shared<RecordingPort>();
        port->SetResponder(EchoingModem("\r\n"));
        serial::ScopedPortFactory factory([&](const std::string& name) {
            names.push_back(name);
            return port;
        });
        CEcholetCom c2;
        ASSERT_EQ(c2.opencom(), 1) << c.opened;
        EXPECT_EQ(names, Lines{c.opened});
        const serial::LineSettings s = port->Settings();
        EXPECT_EQ(s.baudRate, c.speed);
        EXPECT_EQ(s.dataBits, 8);
        EXPECT_EQ(s.parity, serial::Parity::None);
        EXPECT_EQ(s.stopBits, serial::StopBits::One);
        // The echo set while the echo is switched off, the standard set after it.
        const TComTimeouts t;
        ASSERT_EQ(port->sets.size(), 2u);
        EXPECT_EQ(port->sets[0], t.echo);
        EXPECT_EQ(port->sets[1], t.standard);
        EXPECT_EQ(port->Written(), "ATE0\r\nATE0\r\nAT&F1&B1E0Q0V1\r\nAT+MCS=1\r\n");
    }
}

TEST_F(ComTest, EveryEchoFormIsMetByTheSecondTry) {
    for (const char* end : {"\r\n", "\r", "\r\r\n"}) {
        auto port = std::make_shared<RecordingPort>();
        port->SetResponder(EchoingModem(end));
        serial::ScopedPortFactory factory([&](const std::string&) { return port; });
        CEcholetCom c;
        EXPECT_EQ(c.opencom(), 1) << end;
        EXPECT_EQ(port->Written(), "ATE0\r\nATE0\r\nAT&F1&B1E0Q0V1\r\nAT+MCS=1\r\n") << end;
    }
}

TEST_F(ComTest, AModemThatKeepsEchoingIsGivenUpAfterThreeTriesAndThePortStaysOpen) {
    auto port = std::make_shared<RecordingPort>();
    port->SetResponder(EchoingModem("\r\n", true));
    serial::ScopedPortFactory factory([&](const std::string&) { return port; });
    EXPECT_EQ(com.opencom(), 0);
    EXPECT_EQ(port->Written(), "ATE0\r\nATE0\r\nATE0\r\n");
    EXPECT_TRUE(com.IsOpen());
    EXPECT_FALSE(port->Closed());
    // The next operation finds the port open and goes on without waking the modem.
    EXPECT_EQ(com.opencom(), 1);
    EXPECT_EQ(port->Written(), "ATE0\r\nATE0\r\nATE0\r\n");
    com.closecom();
    EXPECT_TRUE(port->Closed());
    EXPECT_FALSE(com.IsOpen());
}

TEST_F(ComTest, APortThatCannotBeOpenedStaysClosed) {
    WriteProfile("Port", home.Path() + "/no-such-port");
    EXPECT_EQ(com.opencom(), 0);
    EXPECT_FALSE(com.IsOpen());
    WriteProfile("Port", "COM0");
    EXPECT_EQ(com.opencom(), 0);
    EXPECT_FALSE(com.IsOpen());
}

TEST_F(ComTest, ASpeedThePortRefusesLeavesItOpenAndUntouched) {
    StartSim();
    WriteProfile("Baudrate", "fast");
    EXPECT_EQ(com.opencom(), 0);
    EXPECT_TRUE(com.IsOpen());
    EXPECT_EQ(com.opencom(), 1);
    EXPECT_TRUE(Transcript().empty());
}

TEST_F(ComTest, TheSimulatedModemIsWokenThroughItsEcho) {
    StartSim();
    ASSERT_EQ(com.opencom(), 1);
    EXPECT_EQ(Transcript(), (Lines{"ATE0", "ATE0", "AT&F1&B1E0Q0V1", "AT+MCS=1"}));
    com.closecom();
    // The modem kept its echo off: one try does it now.
    ASSERT_EQ(com.opencom(), 1);
    EXPECT_EQ(Count("ATE0"), 3u);
    EXPECT_EQ(Count("AT+MCS=1"), 2u);
}

TEST_F(ComTest, AFileSentAndReadBackIsTheSameFileForBothMessages) {
    for (const char* variant : {"plain", "encapsulated"}) {
        StartSim(std::string(variant) == "plain" ? Lines{} : Lines{"--greeting-encapsulated"});
        for (TMessage m : {TMessage::Outgoing, TMessage::MemoryFull}) {
            const std::string name = std::string(variant) + (m == TMessage::Outgoing ? "-og" : "-mf");
            const std::string sent = GsmFile(name + ".gsm", m == TMessage::Outgoing ? 150 : 40, PageOf(m) + 3);
            ui->Answer(sent);
            ASSERT_EQ(com.file2modem(m), 1) << name;
            EXPECT_FALSE(com.IsOpen());
            ui->Answer(home.Path() + "/" + name + "-back.gsm");
            ASSERT_EQ(com.modem2file(m), 1) << name;
            EXPECT_EQ(testkit::ReadFile(home.Path() + "/" + name + "-back.gsm"), testkit::ReadFile(sent)) << name;
            EXPECT_FALSE(com.IsOpen());
        }
        const Lines t = Transcript();
        for (const char* command : {"AT+MVC=0", "AT+MVC=1", "AT+MTP=0", "AT+MTP=1"})
            EXPECT_EQ(Count(command), 1u) << command;
        // Each upload is followed by the AT that brings the modem's OK.
        const auto upload = std::find(t.begin(), t.end(), "AT+MVC=1");
        ASSERT_NE(upload, t.end());
        EXPECT_EQ(*(upload + 1), "AT");
        sim->Stop();
    }
    // Nothing but the two files' choices was asked.
    for (const auto& p : Prompts()) EXPECT_TRUE(p.kind == "open" || p.kind == "save") << p.kind << " " << p.text;
}

TEST_F(ComTest, ThePagesOfTheScenarioInBothFormsAreSavedAsFrames) {
    const std::string frames = [] {
        std::string f;
        for (int i = 0; i < 33 * 6; ++i) f += static_cast<char>(i % 33 == 0 ? 0xD5 : (i * 5) & 0xFF);
        return f;
    }();
    testkit::WriteFile(home.Path() + "/six.gsm", frames + "\x10\x03");
    StartSim({}, "[outgoing]\ngsm = six.gsm\n[memoryfull]\ngsm = six.gsm\nencapsulated = yes\n");
    for (TMessage m : {TMessage::Outgoing, TMessage::MemoryFull}) {
        const std::string out = home.Path() + "/saved" + std::to_string(PageOf(m)) + ".gsm";
        ui->Answer(out);
        ASSERT_EQ(com.modem2file(m), 1);
        EXPECT_EQ(testkit::ReadFile(out), frames + "\x10\x03") << PageOf(m);
    }
}

TEST_F(ComTest, AnEmptyPageIsNoMessageAndNoFileIsAskedFor) {
    StartSim({}, "[memory]\n");
    for (TMessage m : {TMessage::Outgoing, TMessage::MemoryFull}) {
        ui->ClearPrompts();
        EXPECT_EQ(com.modem2file(m), 1);
        const auto prompts = Prompts();
        ASSERT_EQ(prompts.size(), 1u);
        EXPECT_EQ(prompts[0].kind, "warning");
        EXPECT_EQ(prompts[0].caption, "Echolet");
        EXPECT_EQ(prompts[0].text, "No message stored.");
    }
}

TEST_F(ComTest, CancelledChoicesDoNothing) {
    StartSim();
    EXPECT_EQ(com.modem2file(TMessage::Outgoing), 1);
    EXPECT_EQ(com.file2modem(TMessage::Outgoing), 1);
    const auto prompts = Prompts();
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_EQ(prompts[0].kind, "save");
    EXPECT_EQ(prompts[1].kind, "open");
    // The page was read for the save; nothing was sent for the upload.
    EXPECT_EQ(Count("AT+MTP=0"), 1u);
    EXPECT_EQ(Count("AT+MVC=0"), 0u);
    EXPECT_FALSE(std::filesystem::exists(home.Path() + "/nothing.gsm"));
}

TEST_F(ComTest, TooLongForTheMemoryFullMessageButNotForTheOutgoingOne) {
    StartSim();
    // 32511 bytes and the end pair shield to 32513 bytes.
    std::string data(32511, '\x55');
    const std::string path = home.Path() + "/long.gsm";
    testkit::WriteFile(path, data + "\x10\x03");
    ui->Answer(path);
    EXPECT_EQ(com.file2modem(TMessage::MemoryFull), 0);
    const auto prompts = Prompts();
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_EQ(prompts[1].kind, "error");
    EXPECT_EQ(prompts[1].text, "Message too long.");
    EXPECT_TRUE(Transcript().empty());  // the modem was not touched
    EXPECT_FALSE(com.IsOpen());

    ui->Answer(path);
    EXPECT_EQ(com.file2modem(TMessage::Outgoing), 1);
    ui->Answer(home.Path() + "/back.gsm");
    EXPECT_EQ(com.modem2file(TMessage::Outgoing), 1);
    // Read back, the 38-byte test sees no marks: the file comes back as sent.
    EXPECT_EQ(testkit::ReadFile(home.Path() + "/back.gsm"), data + "\x10\x03");
}

TEST_F(ComTest, AFileOfDleOnlyIsTooLongForBoth) {
    StartSim();
    const std::string path = home.Path() + "/dle.gsm";
    testkit::WriteFile(path, std::string(40000, '\x10'));
    for (TMessage m : {TMessage::Outgoing, TMessage::MemoryFull}) {
        ui->Answer(path);
        EXPECT_EQ(com.file2modem(m), 0);
        EXPECT_EQ(Prompts().back().text, "Message too long.");
    }
    EXPECT_TRUE(Transcript().empty());
}

TEST_F(ComTest, OnlyTheFirst32818BytesOfAFileAreSent) {
    StartSim();
    // 32766 bytes of data, the end pair, and bytes behind it that are not sent.
    const std::string data(32766, '\x42');
    const std::string path = home.Path() + "/tail.gsm";
    testkit::WriteFile(path, data + "\x10\x03" + std::string(5000, '\x10'));
    ui->Answer(path);
    ASSERT_EQ(com.file2modem(TMessage::Outgoing), 1);
    ui->Answer(home.Path() + "/back.gsm");
    ASSERT_EQ(com.modem2file(TMessage::Outgoing), 1);
    EXPECT_EQ(testkit::ReadFile(home.Path() + "/back.gsm"), data + "\x10\x03");
}

TEST_F(ComTest, AChecksumThatNeverMatchesIsReadSixTimesAndTheFailureLeavesThePortOpen) {
    StartSim({"--page-bad-checksum", "0"});
    EXPECT_EQ(com.modem2file(TMessage::Outgoing), 0);
    EXPECT_EQ(Count("AT+MTP=0"), 6u);
    EXPECT_TRUE(com.IsOpen());
    EXPECT_TRUE(Prompts().empty());
    // The next operation goes on with the open port: no waking of the modem.
    com.PlayMessage(TMessage::MemoryFull);
    EXPECT_EQ(Transcript().back(), "AT+MVP=255");
    EXPECT_EQ(Count("ATE0"), 2u);
    EXPECT_EQ(Count("AT&F1&B1E0Q0V1"), 1u);
    EXPECT_EQ(Count("AT+MCS=1"), 1u);
    EXPECT_FALSE(com.IsOpen());
}

TEST_F(ComTest, AChecksumInSmallLettersIsTheSame) {
    // Two frames whose page, with its end pair and 0xFF behind it, sums to
    // 0xAB, so that both checksum characters are letters ("ab").
    std::string frames(66, '\x41');
    frames[0] = '\xD0';
    frames[33] = '\xD0';
    unsigned sum = 0x10 + 0x03 + 0xFF * (kPageSize - 68);
    for (char c : frames) sum += static_cast<unsigned char>(c);
    frames[1] = static_cast<char>(0x41 + 0xAB - (sum & 0xFF));
    testkit::WriteFile(home.Path() + "/ab.gsm", frames + "\x10\x03");
    StartSim({"--page-checksum-lowercase"}, "[outgoing]\ngsm = ab.gsm\n");
    ui->Answer(home.Path() + "/og.gsm");
    EXPECT_EQ(com.modem2file(TMessage::Outgoing), 1);
    EXPECT_EQ(Count("AT+MTP=0"), 1u);
    EXPECT_EQ(testkit::ReadFile(home.Path() + "/og.gsm"), frames + "\x10\x03");
}

TEST_F(ComTest, AWrongFinalReplyIsNotRetried) {
    StartSim({"--page-error", "1"});
    std::vector<uint8_t> page(kPageSize);
    EXPECT_EQ(com.ReadPage(TMessage::MemoryFull, page.data()), 0);
    EXPECT_EQ(Count("AT+MTP=1"), 1u);
    EXPECT_TRUE(com.IsOpen());
}

TEST_F(ComTest, AShortBlockIsReadAgain) {
    // The first answer breaks off inside the page; the second is whole.
    auto port = std::make_shared<RecordingPort>();
    int pages = 0;
    const std::string full(kPageSize, '\x01');
    port->SetResponder([&](const std::string& line) -> std::string {
        if (line != "AT+MTP=0") return "\r\nOK\r\n";
        return ++pages == 1 ? "00" + std::string(1000, '\x01') : "00" + full + "\r\nOK\r\n";
    });
    serial::ScopedPortFactory factory([&](const std::string&) { return port; });
    std::vector<uint8_t> page(kPageSize);
    ASSERT_EQ(com.ReadPage(TMessage::Outgoing, page.data()), 1);
    EXPECT_EQ(pages, 2);
    EXPECT_TRUE(std::all_of(page.begin(), page.end(), [](uint8_t c) { return c == 1; }));
    EXPECT_TRUE(port->Closed());
}

TEST_F(ComTest, AnUploadTheModemRefusesFailsWithThePortOpen) {
    StartSim({"--error-on", "+MVC"});
    ui->Answer(GsmFile("a.gsm", 10));
    EXPECT_EQ(com.file2modem(TMessage::Outgoing), 0);
    EXPECT_TRUE(com.IsOpen());
    ui->Answer(home.Path() + "/missing/b.gsm");
    EXPECT_EQ(com.file2modem(TMessage::Outgoing), 0);
    EXPECT_EQ(Count("AT+MVC=0"), 1u);
}

TEST_F(ComTest, PlayingWaitsForTheModemAndClosesThePort) {
    StartSim();
    for (TMessage m : {TMessage::Outgoing, TMessage::MemoryFull}) {
        const auto start = std::chrono::steady_clock::now();
        com.PlayMessage(m);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_GE(took, std::chrono::milliseconds(950));  // the one second the message lasts
        EXPECT_FALSE(com.IsOpen());
        EXPECT_EQ(Transcript().back(), m == TMessage::Outgoing ? "AT+MVP=0" : "AT+MVP=255");
    }
    // Each play opens the port afresh and wakes the modem.
    EXPECT_EQ(Count("AT+MCS=1"), 2u);
}

TEST_F(ComTest, PlayingWithTheReplySetAndBackToTheStandardSet) {
    auto port = std::make_shared<RecordingPort>();
    port->SetResponder(EchoingModem("\r\n"));
    serial::ScopedPortFactory factory([&](const std::string&) { return port; });
    com.PlayMessage(TMessage::Outgoing);
    const TComTimeouts t;
    ASSERT_EQ(port->sets.size(), 4u);
    EXPECT_EQ(port->sets[2], t.Reply(20));
    EXPECT_EQ(port->sets[3], t.standard);
    EXPECT_TRUE(port->Written().ends_with("AT+MVP=0\r\n"));
    EXPECT_TRUE(port->Closed());
}

TEST_F(ComTest, APortWhoseModemHasGoneIsOpenedAnewByTheNextOperation) {
    // The first modem wakes and then says nothing to the page command; it
    // is unplugged, and another is plugged in on the same name.
    auto gone = std::make_shared<RecordingPort>();
    gone->SetResponder([](const std::string& line) { return line == "AT+MTP=0" ? "" : "\r\nOK\r\n"; });
    auto fresh = std::make_shared<RecordingPort>();
    fresh->SetResponder([](const std::string& line) {
        return line == "AT+MTP=0" ? "00" + std::string(kPageSize, '\0') + "\r\nOK\r\n" : "\r\nOK\r\n";
    });
    std::vector<serial::PortPtr> ports{gone, fresh};
    serial::ScopedPortFactory factory([&](const std::string&) {
        serial::PortPtr p = ports.front();
        ports.erase(ports.begin());
        return p;
    });
    std::vector<uint8_t> page(kPageSize);
    EXPECT_EQ(com.ReadPage(TMessage::Outgoing, page.data()), 0);
    EXPECT_TRUE(com.IsOpen());
    gone->Vanish();
    EXPECT_EQ(com.ReadPage(TMessage::Outgoing, page.data()), 1);
    EXPECT_TRUE(gone->Closed());
    EXPECT_TRUE(ports.empty());
    EXPECT_EQ(fresh->Written(), "ATE0\r\nAT&F1&B1E0Q0V1\r\nAT+MCS=1\r\nAT+MTP=0\r\n");
}

TEST_F(ComTest, WhatAFailedExchangeLeftOnTheLineIsNoReplyToTheNextCommand) {
    // The upload's closing AT (the data and it make one line up to its CR)
    // gets ERROR: its first six bytes are read as the reply, the rest stays
    // behind on the open port.
    auto port = std::make_shared<RecordingPort>();
    port->SetResponder([](const std::string& line) -> std::string {
        if (line == "AT+MVC=0") return "\r\nCONNECT\r\n";
        if (line.ends_with("\x10\x03" "AT")) return "\r\nERROR\r\n";
        if (line == "AT+MTP=0") return "00" + std::string(kPageSize, '\0') + "\r\nOK\r\n";
        return line.starts_with("AT") ? "\r\nOK\r\n" : "";
    });
    serial::ScopedPortFactory factory([&](const std::string&) { return port; });
    const std::string sent = home.Path() + "/a.gsm";
    testkit::WriteFile(sent, std::string(330, 'A') + "\x10\x03");
    ui->Answer(sent);
    EXPECT_EQ(com.file2modem(TMessage::Outgoing), 0);
    EXPECT_TRUE(com.IsOpen());
    EXPECT_EQ(port->Pending(), 3u);  // "R" CR LF
    ui->Answer(home.Path() + "/back.gsm");
    EXPECT_EQ(com.modem2file(TMessage::Outgoing), 1);
    EXPECT_EQ(testkit::ReadFile(home.Path() + "/back.gsm").size(), kPageSize + 2);
    // The modem was not woken again.
    EXPECT_EQ(port->Written().find("ATE0"), port->Written().rfind("ATE0"));
}

TEST_F(ComTest, ASilentModemEndsTheWakeUpWithinItsTimeouts) {
    StartSim({"--silent"});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(com.opencom(), 0);
    const auto took = std::chrono::steady_clock::now() - start;
    // Three tries of 260 ms and two discards of 1180 ms, nothing more.
    EXPECT_LT(took, std::chrono::milliseconds(4500));
    EXPECT_EQ(Count("ATE0"), 3u);
    EXPECT_TRUE(com.IsOpen());
}

}  // namespace
}  // namespace echolet
