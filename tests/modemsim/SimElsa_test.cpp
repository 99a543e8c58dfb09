// The ELSA message store of the simulator and its commands, driven
// in-process with a clock of the test's own.
#include "tools/modemsim/SimElsa.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "modemsim/EngineRig.h"
#include "testkit/FaxLetter.h"
#include "testkit/G3Encode.h"
#include "testkit/TestKit.h"

namespace simelsa {
namespace {

using modemsim::Options;
using modemsim::ParseScenario;
using modemsim::ScenarioError;

const char* const kThree = R"([greeting]
name = GREET1
date = 15.03.2001
time = 09:00
seconds = 1
[message]
name = FAX0001
type = fax
format = T4F
date = 01.02.2001
time = 10:20
caller = "0221 987654"
lines = 400
seed = 5
[message]
name = VOC0002
format = ADPCM4-7
flags =
date = 31.12.2000
time = 23:59
seconds = 2
[message]
name = EMPTY
data = ""
)";

std::string Byte(uint8_t b) { return std::string(1, static_cast<char>(b)); }

class Rig : public simtest::EngineRig {
public:
    explicit Rig(const std::string& ScenarioText = kThree, const OptList& Opts = {})
        : EngineRig(*modemsim::FindModel("elsa"), Opts, ParseScenario(ScenarioText)) {
        Type("ATE0\r");
    }

    Store& TheStore() { return *Modem().Extension<State>().store; }
    State& TheState() { return Modem().Extension<State>(); }
    bool Busy() { return Modem().Busy(); }

    // Receives a whole download with a well-behaved receiver: the data of
    // every block in order (the filler included) and what followed the EOT.
    struct Received {
        std::string data;
        int blocks = 0;
        std::string after;
    };
    Received Receive(const std::string& Name) {
        Received r;
        std::string out = Type("AT$JDNL=\"" + Name + "\"\r\n");
        out += Type(Byte(NAK));
        for (;;) {
            if (out.empty()) {
                ADD_FAILURE() << "the download stalled";
                return r;
            }
            if (static_cast<uint8_t>(out[0]) == EOT) {
                r.after = Type(Byte(ACK));
                return r;
            }
            EXPECT_EQ(out.size(), kBlockSize + 4);
            r.data += out.substr(3, kBlockSize);
            ++r.blocks;
            out = Type(Byte(ACK));
        }
    }
};

// The reply lines between the leading CR LF and the final OK.
std::vector<std::string> InfoLines(const std::string& Reply) {
    std::vector<std::string> lines;
    EXPECT_EQ(Reply.substr(0, 2), "\r\n");
    std::size_t at = 2;
    for (;;) {
        const std::size_t end = Reply.find("\r\n", at);
        if (end == std::string::npos) break;
        lines.push_back(Reply.substr(at, end - at));
        at = end + 2;
    }
    EXPECT_FALSE(lines.empty());
    if (!lines.empty()) {
        EXPECT_EQ(lines.back(), "OK");
        lines.pop_back();
    }
    return lines;
}

std::string FaxOfTestPages(std::vector<int> Lines, unsigned Seed) {
    std::vector<std::string> pages;
    for (std::size_t p = 0; p < Lines.size(); ++p)
        pages.push_back(testkit::G3Encode(testkit::G3TestPage(Lines[p], Seed + static_cast<unsigned>(p))));
    return FaxFile(pages);
}

uint8_t Checksum(const std::string& Data) {
    return static_cast<uint8_t>(std::accumulate(Data.begin(), Data.end(), 0u,
                                                [](unsigned a, char c) { return a + static_cast<uint8_t>(c); }));
}

// --- the directory --------------------------------------------------------

TEST(SimElsa, DirectoryListsGreetingFirstThenTheMessages) {
    Rig r;
    const auto lines = InfoLines(r.Type("AT$JDIR\r"));
    const std::string fax = FaxOfTestPages({400}, 5);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "GREET1,ADPCM4-7,,15.03.2001,09:00,   4000,");
    EXPECT_EQ(lines[1], "FAX0001,T4F,N,01.02.2001,10:20," + std::string(7 - std::to_string(fax.size()).size(), ' ') +
                            std::to_string(fax.size()) + ",0221 987654");
    EXPECT_EQ(lines[2], "VOC0002,ADPCM4-7,,31.12.2000,23:59,   8000,");
    EXPECT_EQ(lines[3], "EMPTY,ADPCM4-7,N,01.01.2001,00:00,      0,");
    EXPECT_EQ(r.Type("AT$JDIR=1\r"), "\r\nERROR\r\n");
}

TEST(SimElsa, ScenarioLinesAndSizesAsWritten) {
    Rig r(R"([message]
line = "MSG9,T4F"
[message]
size = 123456789
seconds = 0
[message]
format = t4f
type = fax
pages = 0
)");
    const auto lines = InfoLines(r.Type("AT$JDIR\r"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "MSG9,T4F");
    EXPECT_EQ(lines[1], "MSG00002,ADPCM4-7,N,01.01.2001,00:00,123456789,");
    // A fax in small letters is still stored as a fax.
    EXPECT_EQ(lines[2], "MSG00003,t4f,N,01.01.2001,00:00,      0,");
}

TEST(SimElsa, DefaultStoreHoldsNewAndOldVoiceAndFax) {
    const Store s = DefaultStore();
    ASSERT_EQ(s.files.size(), 5u);
    EXPECT_EQ(s.files[0].name.substr(0, 5), "GREET");
    int newVoice = 0, oldVoice = 0, newFax = 0, oldFax = 0, fineFaxes = 0, normalFaxes = 0;
    for (std::size_t i = 1; i < s.files.size(); ++i) {
        const File& f = s.files[i];
        const bool fax = f.format == "T4N" || f.format == "T4F";
        const bool isNew = f.flags.find('N') != std::string::npos;
        (fax ? (isNew ? newFax : oldFax) : (isNew ? newVoice : oldVoice))++;
        if (fax) {
            EXPECT_EQ(f.data.substr(0, 9), "CONNECT\r\n") << f.name;
            // Letters that look like faxes, in both resolutions.
            const bool fine = f.format == "T4F";
            const int letter = fine ? 1 : 0, pages = fine ? 2 : 1;
            std::vector<std::string> coded;
            for (int p = 0; p < pages; ++p) coded.push_back(testkit::CodedFaxLetterPage(letter, p, pages, fine));
            EXPECT_EQ(f.data, FaxFile(coded)) << f.name;
            ++(fine ? fineFaxes : normalFaxes);
        }
    }
    EXPECT_EQ(newVoice, 1);
    EXPECT_EQ(oldVoice, 1);
    EXPECT_EQ(newFax, 1);
    EXPECT_EQ(oldFax, 1);
    EXPECT_EQ(fineFaxes, 1);
    EXPECT_EQ(normalFaxes, 1);
    // Without a scenario a session holds it.
    Rig r("");
    EXPECT_EQ(InfoLines(r.Type("AT$JDIR\r")).size(), 5u);
}

TEST(SimElsa, ScenarioValuesItCannotUse) {
    const char* const bad[] = {
        "[message]\ntype = memo\n",       "[message]\nfine = perhaps\n", "[message]\ntype = fax\nlines = 10,x\n",
        "[message]\nseconds = -1\n",      "[message]\ntype = fax\ng3 = /no/such/page.g3\n", "[elsa]\nfree = 101\n",
    };
    for (const char* text : bad) EXPECT_THROW(ReadStore(ParseScenario(text)), ScenarioError) << text;
}

// --- clock, memory, erase -------------------------------------------------

TEST(SimElsa, DateAndTimeAreCheckedAndKept) {
    Rig r;
    EXPECT_EQ(r.Type("AT$JDATE=2001,2,1\r"), "\r\nOK\r\n");
    EXPECT_EQ(r.Type("AT$JTIME=10,20,0\r"), "\r\nOK\r\n");
    EXPECT_EQ(r.TheState().date, "2001,2,1");
    EXPECT_EQ(r.TheState().time, "10,20,0");
    for (const char* line : {"AT$JDATE=2001,2,30\r", "AT$JDATE=2001,2\r", "AT$JDATE=2001,x,1\r", "AT$JDATE\r",
                             "AT$JTIME=24,0,0\r", "AT$JTIME=1,60,0\r", "AT$JTIME=1,2,3,4\r"})
        EXPECT_EQ(r.Type(line), "\r\nERROR\r\n") << line;
    EXPECT_EQ(r.TheState().date, "2001,2,1");
}

TEST(SimElsa, FreeMemoryCountedOrAsTheScenarioSays) {
    Rig r;
    long long used = 0;
    for (const auto& f : r.TheStore().files) used += static_cast<long long>(f.data.size());
    EXPECT_EQ(InfoLines(r.Type("AT$JMEM=FREE\r")),
              std::vector<std::string>{"FREE: " + std::to_string((kCapacity - used) * 100 / kCapacity)});
    EXPECT_EQ(r.Type("AT$JMEM\r"), "\r\nERROR\r\n");
    Rig full("[elsa]\nfree = 0\n");
    EXPECT_EQ(InfoLines(full.Type("AT$JMEM=FREE\r")), std::vector<std::string>{"FREE: 0"});
}

TEST(SimElsa, EraseTakesTheQuotedName) {
    Rig r;
    EXPECT_EQ(r.Type("AT$JDEL=\"FAX0001\"\r"), "\r\nOK\r\n");
    EXPECT_EQ(r.TheStore().Find("FAX0001"), nullptr);
    EXPECT_EQ(InfoLines(r.Type("AT$JDIR\r")).size(), 3u);
    for (const char* line : {"AT$JDEL=\"FAX0001\"\r", "AT$JDEL=VOC0002\r", "AT$JDEL=\"voc0002\"\r", "AT$JDEL\r"})
        EXPECT_EQ(r.Type(line), "\r\nERROR\r\n") << line;
    EXPECT_NE(r.TheStore().Find("VOC0002"), nullptr);
}

// --- downloads ------------------------------------------------------------

TEST(SimElsa, BlockLayout) {
    const std::string data = "\x02\x04\x18\x10\x03 data";
    const std::string b = Block(3, data);
    ASSERT_EQ(b.size(), kBlockSize + 4);
    EXPECT_EQ(static_cast<uint8_t>(b[0]), STX);
    EXPECT_EQ(static_cast<uint8_t>(b[1]), 3);
    EXPECT_EQ(static_cast<uint8_t>(b[2]), 252);
    std::string filled = data + std::string(kBlockSize - data.size(), kFiller);
    EXPECT_EQ(b.substr(3, kBlockSize), filled);
    EXPECT_EQ(static_cast<uint8_t>(b.back()), Checksum(filled));
    EXPECT_EQ(static_cast<uint8_t>(Block(3, data, true).back()), static_cast<uint8_t>(Checksum(filled) + 1));
    EXPECT_EQ(Block(3, data, false, true), b.substr(0, 3 + kBlockSize / 2));
    // Block 256 wraps, as one byte numbers it.
    EXPECT_EQ(Block(256, "").substr(1, 2), std::string("\x00\xFF", 2));
}

TEST(SimElsa, FaxFilesInTheModemsBitOrderWithDleShielding) {
    const std::string page1 = "\x01\x10\x08";  // 0x08 reversed is DLE too
    const std::string page2 = "\x80";
    EXPECT_EQ(FaxFile({page1, page2}), "CONNECT\r\n\x80\x08\x10\x10\x10\x03\r\nCONNECT\r\n\x01\x10\x03\r\n");
    EXPECT_EQ(FaxFile({}), "");
    // A generated fax is the encoder's pages, one file.
    Rig r;
    EXPECT_EQ(r.TheStore().Find("FAX0001")->data, FaxOfTestPages({400}, 5));
    Rig two("[message]\ntype = fax\npages = 3\nlines = 30,12\nseed = 40\n");
    EXPECT_EQ(two.TheStore().files[0].data, FaxOfTestPages({30, 12, 12}, 40));
}

TEST(SimElsa, DownloadSendsTheFileBlockByBlockAndClearsTheNewFlag) {
    Rig r;
    const File fax = *r.TheStore().Find("FAX0001");
    // Nothing goes out before the receiver's NAK.
    EXPECT_EQ(r.Type("AT$JDNL=\"FAX0001\"\r\n"), "");
    EXPECT_TRUE(r.Busy());
    std::string first = r.Type(Byte(NAK));
    EXPECT_EQ(first, Block(1, fax.data));
    // A NAK asks for the same block again, an ACK for the next.
    EXPECT_EQ(r.Type(Byte(NAK)), first);
    EXPECT_EQ(r.Type("x" + Byte(ACK)), Block(2, std::string_view(fax.data).substr(kBlockSize)));
    EXPECT_EQ(r.TheStore().Find("FAX0001")->flags, "N") << "not before the end";
    // The rest with a well-behaved receiver, from block 2 on.
    std::string after;
    for (std::string out = r.Type(Byte(ACK)); !out.empty(); out = r.Type(Byte(ACK))) {
        if (static_cast<uint8_t>(out[0]) == EOT) {
            after = r.Type(Byte(ACK));
            break;
        }
    }
    EXPECT_EQ(after, "\r\nNO CARRIER\r\n");
    EXPECT_EQ(r.TheStore().Find("FAX0001")->flags, "");
    EXPECT_EQ(r.transcript.back(), "download FAX0001 complete");
    // The line goes back to commands.
    EXPECT_EQ(InfoLines(r.Type("AT$JDIR\r"))[1].substr(0, 14), "FAX0001,T4F,,0");
    EXPECT_FALSE(r.Busy());
}

TEST(SimElsa, WholeDownloadsCarryTheFileAndTheFiller) {
    Rig r;
    for (const char* name : {"FAX0001", "VOC0002", "GREET1", "EMPTY"}) {
        SCOPED_TRACE(name);
        const std::string data = r.TheStore().Find(name)->data;
        const Rig::Received got = r.Receive(name);
        const std::size_t blocks = (data.size() + kBlockSize - 1) / kBlockSize;
        EXPECT_EQ(got.blocks, static_cast<int>(blocks));
        EXPECT_EQ(got.data, data + std::string(blocks * kBlockSize - data.size(), kFiller));
        EXPECT_EQ(got.after, "\r\nNO CARRIER\r\n");
    }
    EXPECT_EQ(r.Type("AT$JDNL=\"NOSUCH\"\r"), "\r\nERROR\r\n");
    EXPECT_EQ(r.Type("AT$JDNL=EMPTY\r"), "\r\nERROR\r\n");
}

TEST(SimElsa, ACommandLineEndsADownloadAndIsCarriedOut) {
    Rig r;
    r.Type("AT$JDNL=\"FAX0001\"\r\n");
    r.Type(Byte(NAK));
    EXPECT_EQ(r.Type("AT$JMEM=FREE\r").substr(0, 8), "\r\nFREE: ");
    EXPECT_FALSE(r.Busy());
    EXPECT_EQ(r.TheStore().Find("FAX0001")->flags, "N");
    // After the end, stray control bytes are no part of the next command line.
    r.Receive("EMPTY");
    r.Type(Byte(ACK) + Byte(NAK));
    EXPECT_EQ(r.Type("AT$JTIME=1,2,3\r"), "\r\nOK\r\n");
}

TEST(SimElsa, AReceiverThatNeverAsksEndsTheCall) {
    Rig r;
    r.Type("AT$JDNL=\"EMPTY\"\r\n");
    EXPECT_EQ(r.Advance(9999), "");
    EXPECT_EQ(r.Advance(1), "\r\nNO CARRIER\r\n");
    r.Advance(2000);
    EXPECT_FALSE(r.Busy());
    EXPECT_EQ(r.TheStore().Find("EMPTY")->flags, "N");
}

TEST(SimElsa, UnansweredBlocksAreSentAgainThenCancelled) {
    Rig r;
    r.Type("AT$JDNL=\"VOC0002\"\r\n");
    const std::string block = r.Type(Byte(NAK));
    for (int i = 1; i < 10; ++i) EXPECT_EQ(r.Advance(10000), block) << i;
    EXPECT_EQ(r.Advance(10000), "\x18\x18\r\nNO CARRIER\r\n");
}

// --- faults ---------------------------------------------------------------

TEST(SimElsa, BadStartBytesEachWaitForANak) {
    Rig r(kThree, {{"dnl-bad-start", "2:2"}, {"dnl-bad-start", "1"}});
    const std::string data = r.TheStore().Find("VOC0002")->data;
    r.Type("AT$JDNL=\"VOC0002\"\r\n");
    EXPECT_EQ(r.Type(Byte(NAK)), Byte(SOH));
    EXPECT_EQ(r.Advance(5000), "") << "only a NAK brings the block";
    EXPECT_EQ(r.Type(Byte(NAK)), Block(1, data));
    EXPECT_EQ(r.Type(Byte(ACK)), Byte(SOH));
    EXPECT_EQ(r.Type(Byte(NAK)), Byte(SOH));
    EXPECT_EQ(r.Type(Byte(NAK)), Block(2, std::string_view(data).substr(kBlockSize)));
    // Once sent, a block comes again without its fault.
    EXPECT_EQ(r.Type(Byte(NAK)), Block(2, std::string_view(data).substr(kBlockSize)));
}

TEST(SimElsa, APauseEndsWithItsTimeOrANak) {
    Rig r(kThree, {{"dnl-pause", "1:1500"}, {"dnl-pause", "2"}});
    const std::string data = r.TheStore().Find("VOC0002")->data;
    r.Type("AT$JDNL=\"VOC0002\"\r\n");
    EXPECT_EQ(r.Type(Byte(NAK)), "");
    EXPECT_EQ(r.Advance(1499), "");
    EXPECT_EQ(r.Advance(1), Block(1, data));
    EXPECT_EQ(r.Type(Byte(ACK)), "");
    EXPECT_EQ(r.Advance(1000), "");
    EXPECT_EQ(r.Type(Byte(NAK)), Block(2, std::string_view(data).substr(kBlockSize)));
}

TEST(SimElsa, CancelInPlaceOfABlockOrTheEot) {
    for (const char* at : {"2", "9"}) {
        SCOPED_TRACE(at);
        Rig r(kThree, {{"dnl-cancel", at}});
        const std::string data = r.TheStore().Find("VOC0002")->data;
        r.Type("AT$JDNL=\"VOC0002\"\r\n");
        std::string out = r.Type(Byte(NAK));
        while (static_cast<uint8_t>(out[0]) == STX) out = r.Type(Byte(ACK));
        EXPECT_EQ(out, "\x18\r\nNO CARRIER\r\n");
        EXPECT_EQ(r.TheStore().Find("VOC0002")->flags, "");  // VOC0002 was old already
        EXPECT_EQ(r.transcript.back(), std::string("download VOC0002 cancelled at block ") + at);
    }
    Rig r(kThree, {{"dnl-cancel", "1"}});
    r.Type("AT$JDNL=\"FAX0001\"\r\n");
    EXPECT_EQ(r.Type(Byte(NAK)), "\x18\r\nNO CARRIER\r\n");
    EXPECT_EQ(r.TheStore().Find("FAX0001")->flags, "N");
}

TEST(SimElsa, WrongChecksumShortBlockAndGarbage) {
    Rig r(kThree, {{"dnl-bad-checksum", "1"}, {"dnl-short", "2"}, {"dnl-garbage", "3"}});
    const std::string data = r.TheStore().Find("FAX0001")->data;
    ASSERT_GT(data.size(), 3 * kBlockSize);
    const auto part = [&](int k) { return std::string_view(data).substr(static_cast<std::size_t>(k - 1) * kBlockSize); };
    r.Type("AT$JDNL=\"FAX0001\"\r\n");
    EXPECT_EQ(r.Type(Byte(NAK)), Block(1, part(1), true));
    EXPECT_EQ(r.Type(Byte(NAK)), Block(1, part(1), true)) << "its checksum stays wrong";
    EXPECT_EQ(r.Type(Byte(ACK)), Block(2, part(2), false, true));
    EXPECT_EQ(r.Type(Byte(NAK)), Block(2, part(2)));
    const std::string noise = r.Type(Byte(ACK));
    EXPECT_FALSE(noise.empty());
    for (char c : noise) EXPECT_TRUE(c != STX && c != EOT && c != CAN) << int(c);
    EXPECT_EQ(r.Advance(300), Block(3, part(3)));
    EXPECT_EQ(r.Type(Byte(NAK)), Block(3, part(3)));
}

TEST(SimElsa, GarbageBeforeBlockFollowsANakAtOnce) {
    Rig r(kThree, {{"dnl-garbage", "1"}});
    r.Type("AT$JDNL=\"VOC0002\"\r\n");
    EXPECT_NE(r.Type(Byte(NAK)), "");
    EXPECT_EQ(r.Type(Byte(NAK)), Block(1, r.TheStore().Find("VOC0002")->data));
}

TEST(SimElsa, FaultOptionsItCannotRead) {
    for (const auto& [name, value] : std::vector<std::pair<std::string, std::string>>{
             {"dnl-bad-start", "0"}, {"dnl-bad-start", "x"}, {"dnl-pause", "1:"}, {"dnl-cancel", ""},
             {"dnl-short", "2:x"}, {"dnl-garbage", "-1"}}) {
        Options o;
        o.Add(name, value);
        EXPECT_THROW(ReadFaults(o), std::invalid_argument) << name << " " << value;
    }
    Options o;
    o.Add("dnl-bad-start", "3:13");
    o.Add("dnl-bad-start", "3");
    EXPECT_EQ(ReadFaults(o).badStarts.at(3), 14);
}

}  // namespace
}  // namespace simelsa
