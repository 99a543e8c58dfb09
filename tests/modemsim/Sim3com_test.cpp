// The 3Com message memory of the simulator and its commands, driven
// in-process with a clock of the test's own.
#include "tools/modemsim/Sim3com.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

#include "modemsim/EngineRig.h"
#include "platform/Clock.h"
#include "testkit/FaxLetter.h"
#include "testkit/TestKit.h"
#include "tools/modemsim/Sim3comContent.h"
#include "tools/modemsim/Sim3comScenario.h"

namespace sim3com {
namespace {

using modemsim::ParseScenario;
using modemsim::Scenario;
using modemsim::ScenarioError;

// Two voice mails and three faxes in known places.
const char* const kFive = R"([memory]
used = 30
[message]
type = voice
state = old
time = 71,10,30
caller = "0301 2345678"
seconds = 4
[message]
type = fax
state = old
time = 150,8,5
caller = "+49 40 5550123"
pages = 2
error = 1
[message]
type = voice
state = new
time = 255,255,255
seconds = 0
[message]
type = fax
state = 253
time = 254,0,0
pages = 1
[message]
type = fax
state = 1
time = 253,23,59
caller = "12345678901234567890"
pages = 1
)";

class Rig : public simtest::EngineRig {
public:
    explicit Rig(const std::string& ScenarioText = kFive, const OptList& Opts = {},
                 const std::string& Model = "56k-message")
        : EngineRig(*modemsim::FindModel(Model), Opts, ParseScenario(ScenarioText)) {
        Type("ATE0\r");
    }

    Memory& Mem() { return *Modem().Extension<State>().memory; }
    // The status line n as the modem frames it, without its frame.
    std::string StatusLine(int n) {
        const std::string reply = Type("AT+MSR=" + std::to_string(n) + "\r\n");
        EXPECT_EQ(reply.substr(0, 2), "\r\n");
        EXPECT_EQ(reply.substr(reply.size() - 4), "OK\r\n");
        return reply.substr(2, reply.size() - 8);
    }
};

int At(const std::string& Line, std::size_t Pos) { return std::stoi(Line.substr(Pos, 3)); }

TEST(Sim3com, SummaryLineCountsAndFixedPositions) {
    Rig r;
    const std::string line = r.StatusLine(0);
    // State 253 counts as new, state 1 does not; exactly the six fields, so
    // the new-fax count closes the line.
    EXPECT_EQ(line, "000,030,002,001,003,001");
    // The character positions a byte reader uses and the comma fields read the same values.
    EXPECT_EQ(At(line, 4), 30);
    EXPECT_EQ(At(line, 8), 2);
    EXPECT_EQ(At(line, 12), 1);
    EXPECT_EQ(At(line, 16), 3);
    EXPECT_EQ(At(line, 20), 1);
}

TEST(Sim3com, TheSummaryMayEndInASeventhFieldThePagesInUse) {
    std::string text = kFive;
    text.insert(text.find("[message]"), "pages-field = yes\n");
    Rig r(text);
    const std::string line = r.StatusLine(0);
    EXPECT_EQ(line.substr(0, 24), "000,030,002,001,003,001,");
    const std::string last = r.StatusLine(5);
    const auto* h = r.Mem().Bytes().data() + At(last, 53) * kPageSize + At(last, 57) * 256 + At(last, 61);
    EXPECT_EQ(line.size(), 27u);
    EXPECT_EQ(At(line, 24), h[31] - kFirstMessagePage + ((h[32] | h[33]) ? 1 : 0));
}

TEST(Sim3com, MessageLinesHoldEveryFieldAtItsPlaceWithTheChecksum) {
    Rig r;
    const std::string line = r.StatusLine(2);
    ASSERT_EQ(line.size(), 68u);
    EXPECT_EQ(line.substr(0, 32), "002,001,002,252,001,150,008,005,");
    EXPECT_EQ(line.substr(32, 20), "+49 40 5550123      ");
    EXPECT_EQ(line[52], ',');
    const int page = At(line, 53), high = At(line, 57), low = At(line, 61);
    const int sum = std::accumulate(line.begin(), line.begin() + 65, 0,
                                    [](int a, char c) { return a + static_cast<unsigned char>(c); });
    EXPECT_EQ(At(line, 65), sum % 256);
    // The header named by the line is the message's header.
    const auto* h = r.Mem().Bytes().data() + page * kPageSize + high * 256 + low;
    EXPECT_EQ(h[0], 2);
    EXPECT_EQ(h[1], 1);
    EXPECT_EQ(r.StatusLine(5).substr(32, 20), "12345678901234567890");
    EXPECT_EQ(r.StatusLine(3).substr(0, 32), "003,002,000,255,000,255,255,255,");
}

TEST(Sim3com, ADamagedStatusLineNamesAnotherFirstPage) {
    Rig r("[message]\ntype = fax\npage = -100000\n[message]\ntype = fax\npage = 70\n[message]\ntype = fax\n");
    auto field = [](const std::string& line, int n) {
        std::size_t at = 0;
        for (int i = 1; i < n; ++i) at = line.find(',', at) + 1;
        return line.substr(at, line.find(',', at) - at);
    };
    EXPECT_EQ(field(r.StatusLine(1), 10), "-100000");
    EXPECT_EQ(field(r.StatusLine(2), 10), "070");
    EXPECT_EQ(field(r.StatusLine(3), 10), "004");
    // The memory itself is laid out as usual.
    EXPECT_EQ(r.Mem().MessageCount(), 3);
}

TEST(Sim3com, NumbersPastTheLastMessageAndBadArgumentsAreErrors) {
    Rig r;
    for (const char* cmd : {"AT+MSR=6\r", "AT+MSR=256\r", "AT+MSR\r", "AT+MSR=x\r", "AT+MSR=-1\r"})
        EXPECT_EQ(r.Type(cmd), "\r\nERROR\r\n") << cmd;
}

TEST(Sim3com, CommandsCombineInEitherCaseAndDoubledLineEndsAreQuiet) {
    Rig r;
    const std::string summary = "\r\n" + r.StatusLine(0) + "\r\nOK\r\n";
    EXPECT_EQ(r.Type("ate0v1+msr=0\r\n\r\n"), summary);
    EXPECT_EQ(r.Type("ATE0+MCS=1\r\n\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(r.Type("AT+mcs?\r"), "\r\n1\r\nOK\r\n");
    EXPECT_EQ(r.Type("ATE0+MCS=0\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(r.Type("AT+MCS?\r"), "\r\n0\r\nOK\r\n");
    EXPECT_EQ(r.Type("AT+MCS=2\r"), "\r\nERROR\r\n");
    // With echo on the whole line comes back first.
    EXPECT_EQ(r.Type("ATE1\r"), "\r\nOK\r\n");
    EXPECT_EQ(r.Type("ATE0V1+MSR=0\r\n"), "ATE0V1+MSR=0\r\n" + summary);
}

TEST(Sim3com, MessageClockStartsUnknownRunsAndResets) {
    Rig r;
    EXPECT_EQ(r.Type("AT+MCC?\r\n"), "\r\n255,255,255,255\r\nOK\r\n");
    EXPECT_EQ(r.Type("ATE0V1+MCC=69,23,59,30\r\n\r\n\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(r.Type("AT+MCC?\r"), "\r\n069,023,059,030\r\nOK\r\n");
    r.Advance(31000);
    EXPECT_EQ(r.Type("AT+MCC?\r"), "\r\n070,000,000,001\r\nOK\r\n");
    EXPECT_EQ(r.Type("AT+MCC\r"), "\r\nOK\r\n");
    EXPECT_EQ(r.Type("AT+MCC?\r"), "\r\n000,000,000,000\r\nOK\r\n");
    for (const char* bad : {"AT+MCC=1,2,3\r", "AT+MCC=1,24,0,0\r", "AT+MCC=a,1,1,1\r", "AT+MCC=1,1,1,60\r"})
        EXPECT_EQ(r.Type(bad), "\r\nERROR\r\n") << bad;
}

uint8_t Sum(std::string_view Bytes) {
    unsigned s = 0;
    for (char c : Bytes) s += static_cast<unsigned char>(c);
    return static_cast<uint8_t>(s);
}

TEST(Sim3com, PageTransferSendsChecksumPageAndOk) {
    Rig r;
    const std::string reply = r.Type("ATE0V1+mtp=4\r\n");
    ASSERT_EQ(reply.size(), 2u + kPageSize + 6);
    const std::string page = reply.substr(2, kPageSize);
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", Sum(page));
    EXPECT_EQ(reply.substr(0, 2), hex);
    EXPECT_EQ(reply.substr(2 + kPageSize), "\r\nOK\r\n");
    EXPECT_EQ(page, std::string(r.Mem().Page(4)));
    for (const char* bad : {"AT+MTP=64\r", "AT+MTP\r", "AT+MTP=\r"}) EXPECT_EQ(r.Type(bad), "\r\nERROR\r\n") << bad;
}

TEST(Sim3com, ReadingTheHeaderPageMarksItsMessagesRead) {
    Rig r;
    const std::string before = r.StatusLine(3);
    const int page = At(before, 53);
    EXPECT_EQ(At(before, 12), 255);
    r.Type("AT+MTP=" + std::to_string(page) + "\r");
    EXPECT_EQ(At(r.StatusLine(3), 12), 252);
    // The summary counts it no more.
    EXPECT_EQ(At(r.StatusLine(0), 12), 0);
}

TEST(Sim3com, PageFaultsReplaceTheOkOrSpoilTheChecksum) {
    Rig r(kFive, {{"page-error", "5"}, {"page-bad-checksum", "4"}});
    const std::string five = r.Type("AT+MTP=5\r");
    EXPECT_EQ(five.substr(2 + kPageSize), "\r\nERROR\r\n");
    const std::string four = r.Type("AT+MTP=4\r");
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", static_cast<uint8_t>(Sum(four.substr(2, kPageSize)) + 1));
    EXPECT_EQ(four.substr(0, 2), hex);
    EXPECT_EQ(four.substr(2 + kPageSize), "\r\nOK\r\n");
}

// A fault given as P:N strikes only the first N sendings of the page, so a
// reader that asks again gets the page whole.
TEST(Sim3com, PageFaultsForTheFirstSendingsOnly) {
    Rig r(kFive, {{"page-short", "4:1"}, {"page-bad-checksum", "5:2"}, {"page-short", "6"}});
    const std::string page4(r.Mem().Page(4));
    const std::string shortFour = r.Type("AT+MTP=4\r");
    EXPECT_EQ(shortFour.size(), 2 + kPageSize / 2 + 6u);
    EXPECT_EQ(shortFour.substr(2, kPageSize / 2), page4.substr(0, kPageSize / 2));
    EXPECT_EQ(shortFour.substr(2 + kPageSize / 2), "\r\nOK\r\n");
    EXPECT_EQ(r.Type("AT+MTP=4\r").substr(2), page4 + "\r\nOK\r\n");
    for (int sending = 1; sending <= 3; ++sending) {
        const std::string five = r.Type("AT+MTP=5\r");
        char right[3];
        std::snprintf(right, sizeof right, "%02X", static_cast<uint8_t>(Sum(five.substr(2, kPageSize))));
        EXPECT_EQ(five.substr(0, 2) == right, sending == 3) << sending;
    }
    for (int sending = 1; sending <= 2; ++sending) EXPECT_EQ(r.Type("AT+MTP=6\r").size(), 2 + kPageSize / 2 + 6u);
}

TEST(Sim3com, PlayLastsTheMessagesLengthUnlessAByteStopsIt) {
    Rig r;
    // Message 1 lasts 4 s; the LF that ends the command line does not stop it.
    EXPECT_EQ(r.Type("ATE0V1s31=128+MVP=1\r\n"), "");
    EXPECT_EQ(r.Advance(3900), "");
    EXPECT_EQ(r.Advance(200), "\r\nOK\r\n");
    EXPECT_EQ(r.Modem().S(31), 128);

    EXPECT_EQ(r.Type("ATE0V1s31=128+MVP=1\r\n"), "");
    EXPECT_EQ(r.Advance(1000), "");
    // The stop is a line end; the line end left over is no command.
    EXPECT_EQ(r.Type("\r\n\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(r.Type("AT\r\n"), "\r\nOK\r\n");

    // A message of no length ends at once; one that is not there is an error.
    EXPECT_EQ(r.Type("AT+MVP=3\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(r.Type("AT+MVP=6\r\n"), "\r\nERROR\r\n");
}

TEST(Sim3com, AnnouncementsPlayFromTheirPages) {
    Rig r("[outgoing]\nseconds = 2\n");
    EXPECT_EQ(r.Type("AT+MVP=0\r\n"), "");
    EXPECT_EQ(r.Advance(2000), "\r\nOK\r\n");
    // Page 1 holds nothing: the memory-full message ends at once.
    EXPECT_EQ(r.Type("AT+MVP=255\r\n"), "\r\nOK\r\n");
}

TEST(Sim3com, EraseEmptiesTheMessagesAndKeepsTheAnnouncements) {
    Rig r(std::string("[outgoing]\nseconds = 1\n") + kFive);
    const std::string greeting(r.Mem().Page(0));
    EXPECT_EQ(r.Type("ATE0V1+mem\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(r.StatusLine(0), "000,000,000,000,000,000");
    EXPECT_EQ(r.Type("AT+MSR=1\r"), "\r\nERROR\r\n");
    EXPECT_EQ(std::string(r.Mem().Page(0)), greeting);
    EXPECT_EQ(r.Mem().Page(4).find_first_not_of('\xFF'), std::string_view::npos);
}

TEST(Sim3com, AnEraseThatTakesItsTimeRepliesWhenItIsOverAndMayFail) {
    {
        Rig r(kFive, {{"erase-ms", "1500"}});
        EXPECT_EQ(r.Type("ATE0V1+mem\r\n"), "");
        EXPECT_EQ(r.Advance(1499), "");
        EXPECT_EQ(r.Advance(1), "\r\nOK\r\n");
        EXPECT_EQ(r.StatusLine(0), "000,000,000,000,000,000");
    }
    for (const char* ms : {"0", "800"}) {
        SCOPED_TRACE(ms);
        Rig r(kFive, {{"erase-ms", ms}, {"erase-error", ""}});
        const std::string before = r.StatusLine(0);
        // A command that comes meanwhile is read once the erase is over.
        std::string reply = r.Type("ATE0V1+mem\r\n");
        reply += r.Type("AT\r");
        reply += r.Advance(800);
        EXPECT_EQ(reply, "\r\nERROR\r\n\r\nOK\r\n");
        EXPECT_EQ(r.StatusLine(0), before);
    }
}

// --- The memory layout

TEST(Sim3comMemory, VoiceDataIsShieldedAndTheChainLeadsToAnEndHeader) {
    MessageSpec voice;
    voice.frames = std::string(33, '\x10') + std::string(33, '\x41');
    voice.day = 3;
    voice.hour = 4;
    voice.minute = 5;
    MessageSpec fax;
    fax.kind = Kind::Fax;
    fax.pages = {"\x10\x03" "ab", "cd"};
    Memory m({std::nullopt, "", "", {voice, fax}});
    const auto& b = m.Bytes();
    const std::size_t first = kFirstMessagePage * kPageSize;
    const uint8_t* h = b.data() + first;
    EXPECT_EQ(h[0], 1);
    EXPECT_EQ(h[1], 2);
    EXPECT_EQ(h[2], kStateNew);
    EXPECT_EQ(h[4], 1);  // 2 frames: one second, rounded up
    EXPECT_EQ(h[5], 3);
    EXPECT_EQ(h[6], 4);
    EXPECT_EQ(h[7], 5);
    const std::size_t data = 66 + 33 + 2;  // every DLE doubled, then DLE ETX
    const std::size_t next = first + kHeaderSize + data;
    EXPECT_EQ(h[31] * kPageSize + h[32] * 256 + h[33], next);
    EXPECT_EQ(b[first + kHeaderSize], 0x10);
    EXPECT_EQ(b[first + kHeaderSize + 1], 0x10);
    EXPECT_EQ(b[next - 2], DLE);
    EXPECT_EQ(b[next - 1], ETX);
    // The fax: each page shielded and ended by DLE ETX, then the end of the chain.
    const std::string faxData(reinterpret_cast<const char*>(b.data()) + next + kHeaderSize, 12);
    EXPECT_EQ(faxData, std::string("\x10\x10\x03" "ab\x10\x03" "cd\x10\x03", 11) + "\xFF");
    const uint8_t* fh = b.data() + next;
    EXPECT_EQ(fh[4], 2);
    EXPECT_EQ(b[fh[31] * kPageSize + fh[32] * 256 + fh[33]], 0xFF);
    EXPECT_EQ(m.MessageCount(), 2);
}

TEST(Sim3comMemory, EncapsulatedFramesCarryTheirMarks) {
    const std::string frames = std::string(33, 'a') + std::string(33, 'b');
    const std::string e = Encapsulate(frames);
    ASSERT_EQ(e.size(), 76u);
    for (std::size_t f = 0; f < 2; ++f) {
        const auto* p = reinterpret_cast<const uint8_t*>(e.data()) + f * 38;
        EXPECT_TRUE(p[0] == 0xFE || p[0] == 0xB6);
        EXPECT_EQ(p[0], p[1]);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(p) + 2, 33), frames.substr(f * 33, 33));
        EXPECT_EQ(p[35], 0);
        EXPECT_EQ(p[36], 0xA5);
        EXPECT_EQ(p[37], 0xA5);
    }
    MessageSpec m;
    m.encapsulated = true;
    m.frames = std::string(33 * 100, 'x');
    Memory mem({std::nullopt, "", "", {m}});
    EXPECT_EQ(*mem.PlaySeconds(1), 2);
    EXPECT_EQ(mem.Bytes()[kFirstMessagePage * kPageSize + kHeaderSize + 38], 0xB6);
}

TEST(Sim3comMemory, MessagesRunOverPagesAndTheMemoryHasAnEnd) {
    MessageSpec big;
    big.frames = std::string(33 * 2000, 'g');  // 66000 bytes: into a third page
    Memory m({std::nullopt, "", "", {big, big}});
    const std::string second = *m.StatusLine(2);
    EXPECT_EQ(At(second, 53), 6);
    std::vector<MessageSpec> many(31, big);
    EXPECT_THROW(Memory({std::nullopt, "", "", many}), ScenarioError);
    EXPECT_THROW(Memory({std::nullopt, std::string(32767, 'x'), "", {}}), ScenarioError);
}

TEST(Sim3comMemory, TheHostsDayNumberCountsHalfYears) {
    EXPECT_EQ(HalfYearDayNumber(EncodeDate(2023, 3, 10) + 0.5), 69);
    EXPECT_EQ(HalfYearDayNumber(EncodeDate(2023, 7, 1)), 1);
    EXPECT_EQ(HalfYearDayNumber(EncodeDate(2024, 6, 30)), 182);
    EXPECT_EQ(HalfYearDayNumber(EncodeDate(2023, 12, 31)), 184);
}

// --- The scenario

TEST(Sim3comScenario, TheDefaultMemoryHoldsVoiceAndFaxOldAndNew) {
    const MemorySpec spec = DefaultMemorySpec(EncodeDate(2023, 3, 10) + 0.5);
    int voice = 0, fax = 0, newVoice = 0, newFax = 0;
    for (const auto& m : spec.messages) {
        const bool isNew = m.state == kStateNew;
        (m.kind == Kind::Voice ? voice : fax)++;
        if (isNew) (m.kind == Kind::Voice ? newVoice : newFax)++;
        EXPECT_FALSE(m.callerId.empty());
        EXPECT_LE(m.day, 69);
        EXPECT_GE(m.day, 60);
    }
    EXPECT_GE(voice, 2);
    EXPECT_GE(fax, 2);
    EXPECT_EQ(newVoice, 1);
    EXPECT_EQ(newFax, 1);
    EXPECT_FALSE(spec.outgoing.empty());
    // The faxes look like faxes: a letter of one page in normal resolution, one of two in fine.
    std::vector<std::vector<std::string>> faxes;
    for (const auto& m : spec.messages)
        if (m.kind == Kind::Fax) faxes.push_back(m.pages);
    ASSERT_EQ(faxes.size(), 2u);
    EXPECT_EQ(faxes[0], (std::vector<std::string>{testkit::CodedFaxLetterPage(0, 0, 1, false)}));
    EXPECT_EQ(faxes[1], (std::vector<std::string>{testkit::CodedFaxLetterPage(1, 0, 2, true),
                                                  testkit::CodedFaxLetterPage(1, 1, 2, true)}));
    Memory m(spec);
    EXPECT_EQ(m.MessageCount(), voice + fax);
}

TEST(Sim3comScenario, AgoGivesTheDayNumberHourAndMinuteOfThatMoment) {
    const MemorySpec spec = ReadMemorySpec(ParseScenario("[message]\nago = 2d2h30m\nseconds = 0\n"),
                                           EncodeDate(2023, 7, 2) + EncodeTime(12, 40, 0, 0));
    ASSERT_EQ(spec.messages.size(), 1u);
    EXPECT_EQ(spec.messages[0].day, 181);  // 30 June belongs to the first half-year
    EXPECT_EQ(spec.messages[0].hour, 10);
    EXPECT_EQ(spec.messages[0].minute, 10);
}

TEST(Sim3comScenario, ContentComesFromFilesBesideTheScenario) {
    testkit::TempHome home;
    const std::string frames = std::string(33, '\x01') + std::string(33, '\x02');
    testkit::WriteFile(home.Path() + "/hello.gsm", frames + "\x10\x03");
    testkit::WriteFile(home.Path() + "/p1.g3", "first");
    testkit::WriteFile(home.Path() + "/p2.g3", "second");
    const std::string path = home.Path() + "/memory.txt";
    testkit::WriteFile(path, "[outgoing]\ngsm = hello.gsm\n[message]\ngsm = hello.gsm\n[message]\ntype = fax\n"
                             "g3 = p1.g3\ng3 = p2.g3\n");
    const MemorySpec spec = ReadMemorySpec(modemsim::LoadScenario(path), Now());
    EXPECT_EQ(spec.outgoing, frames);
    ASSERT_EQ(spec.messages.size(), 2u);
    EXPECT_EQ(spec.messages[0].frames, frames);
    EXPECT_EQ(spec.messages[1].pages, (std::vector<std::string>{"first", "second"}));
}

TEST(Sim3comScenario, ValuesItCannotUseNameTheirLine) {
    const char* const bad[] = {
        "[message]\ntype = letter\n",
        "[message]\ncaller = \"123456789012345678901\"\n",
        "[message]\ncaller = \"1,2\"\n",
        "[message]\ntime = 1,2\n",
        "[message]\nstate = 300\n",
        "[message]\nago = 3x\n",
        "[message]\nseconds = 1000\n",
        "[message]\ngsm = /nonexistent/file.gsm\n",
        "[message]\nencapsulated = maybe\n",
    };
    for (const char* text : bad) {
        try {
            ReadMemorySpec(ParseScenario(text), Now());
            ADD_FAILURE() << "accepted: " << text;
        } catch (const ScenarioError& e) {
            EXPECT_NE(std::string(e.what()).find("line 1"), std::string::npos) << e.what();
        }
    }
}

TEST(Sim3comScenario, GeneratedFaxPagesDifferAndFinePagesAreLonger) {
    const std::string a = G3Page(1, false), b = G3Page(2, false), fine = G3Page(1, true);
    EXPECT_FALSE(a.empty());
    EXPECT_NE(a, b);
    EXPECT_GT(fine.size(), a.size() * 3 / 2);
    // GSM 06.10 frames start with the signature nibble.
    const std::string tone = GsmTone(1, 0);
    ASSERT_EQ(tone.size(), 50u * 33);
    for (std::size_t i = 0; i < tone.size(); i += 33) EXPECT_EQ(static_cast<uint8_t>(tone[i]) >> 4, 0xD);
}

}  // namespace
}  // namespace sim3com
