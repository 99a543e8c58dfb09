// The ".gsm" file and the modem's DLE framing of the announcements, as pure
// functions: tables of real-looking and broken pages and files side by side.
#include "echolet/GsmFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace echolet {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Frames(int count, uint8_t seed) {
    Bytes out;
    for (int f = 0; f < count; ++f) {
        out.push_back(0xD0 | static_cast<uint8_t>((seed + f) & 0x0F));
        for (int i = 1; i < 33; ++i) out.push_back(static_cast<uint8_t>(seed * 7 + f * 13 + i));
    }
    return out;
}

Bytes Encapsulated(const Bytes& frames, uint8_t mark = 0xFE) {
    Bytes out;
    for (std::size_t at = 0; at + 33 <= frames.size(); at += 33) {
        out.push_back(mark);
        out.push_back(mark == 0xFE ? 0xB6 : 0xFE);
        out.insert(out.end(), frames.begin() + static_cast<long>(at), frames.begin() + static_cast<long>(at) + 33);
        out.insert(out.end(), {0x00, 0xA5, 0xA5});
    }
    return out;
}

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Bytes kEnd = {DLE, ETX};

// Data as the modem's memory holds it: every DLE doubled.
Bytes Stored(const Bytes& plain) {
    Bytes out;
    for (uint8_t c : plain) {
        out.push_back(c);
        if (c == DLE) out.push_back(DLE);
    }
    return out;
}

// What modem2file makes of a page that begins with Head and is 0xFF behind it.
Bytes FileOf(const Bytes& Head, std::size_t Limit = 32768) {
    Bytes page(kPageSize + 2, 0xFF);
    std::copy(Head.begin(), Head.end(), page.begin());
    page.resize(GsmFileOfPage(page.data(), Limit));
    return page;
}

struct UnshieldCase {
    const char* name;
    Bytes page;
    Bytes unshielded;
};

TEST(GsmFile, UnshieldingStopsAtTheEndPairAndAtCan) {
    const UnshieldCase cases[] = {
        {"doubled DLE, end pair, byte behind it", {0x41, 0x10, 0x10, 0x42, 0x10, 0x03, 0x99}, {0x41, 0x10, 0x42, 0x10, 0x03}},
        {"DLE CAN ends the data", {0x41, 0x10, 0x18, 0x42, 0x43}, {0x41, 0x10, 0x03}},
        {"DLE before another byte drops both", {0x10, 0x41, 0x42}, {0x42, 0x10, 0x03}},
        {"a DLE in the last place goes", {0x41, 0x10}, {0x41, 0x10, 0x03}},
        {"four DLE give two", {0x10, 0x10, 0x10, 0x10}, {0x10, 0x10, 0x10, 0x03}},
        {"a page that begins with the end pair", {0x10, 0x03, 0x41}, {0x10, 0x03}},
        {"nothing at all", {}, {0x10, 0x03}},
        {"DLE DLE DLE CAN", {0x10, 0x10, 0x10, 0x18, 0x41}, {0x10, 0x10, 0x03}},
    };
    for (const auto& c : cases) {
        Bytes buffer = c.page;
        buffer.resize(c.page.size() + 2, 0xEE);
        const std::size_t n = UnshieldPage(buffer.data(), c.page.size());
        buffer.resize(n);
        EXPECT_EQ(buffer, c.unshielded) << c.name;
    }
}

TEST(GsmFile, UnshieldingLooksOnlyAtTheMessagesRoom) {
    // The memory-full message owns the first 32512 bytes of its page; what
    // lies behind them is no part of it.
    Bytes page(kPageSize + 2, 0x41);
    page[32511] = DLE;
    page[32512] = DLE;
    const std::size_t n = UnshieldPage(page.data(), LimitOf(TMessage::MemoryFull));
    ASSERT_EQ(n, 32511u + 2);
    EXPECT_EQ(page[32510], 0x41);
    EXPECT_EQ(page[32511], DLE);
    EXPECT_EQ(page[32512], ETX);
}

TEST(GsmFile, EmptyPageIsAllFfInTheMessagesRoom) {
    std::vector<uint8_t> page(kPageSize, 0xFF);
    EXPECT_TRUE(PageIsEmpty(page.data(), LimitOf(TMessage::Outgoing)));
    page[32600] = 0x00;  // behind the memory-full message's room
    EXPECT_FALSE(PageIsEmpty(page.data(), LimitOf(TMessage::Outgoing)));
    EXPECT_TRUE(PageIsEmpty(page.data(), LimitOf(TMessage::MemoryFull)));
    page[32511] = 0xFE;
    EXPECT_FALSE(PageIsEmpty(page.data(), LimitOf(TMessage::MemoryFull)));
    EXPECT_EQ(PageOf(TMessage::Outgoing), 0);
    EXPECT_EQ(PageOf(TMessage::MemoryFull), 1);
    EXPECT_EQ(LimitOf(TMessage::Outgoing), 32768u);
    EXPECT_EQ(LimitOf(TMessage::MemoryFull), 32512u);
}

struct PageCase {
    const char* name;
    Bytes head;  // the page's first bytes, 0xFF behind them
    Bytes file;
};

TEST(GsmFile, SavedFileOfAPage) {
    const Bytes three = Frames(3, 1);
    const Bytes two = Frames(2, 5);
    const Bytes eleven = Frames(11, 9);
    Bytes tenGoodOneBad = Encapsulated(eleven);
    tenGoodOneBad[10 * 38 + 36] = 0x00;  // the eleventh piece lost a mark
    Bytes ninthBad = Encapsulated(eleven);
    ninthBad[9 * 38 + 0] = 0x00;  // the tenth piece lost a mark
    Bytes lastPieceUntested = Encapsulated(two);
    lastPieceUntested.resize(74);  // the second piece ends where the end pair starts
    lastPieceUntested[38] = 0x41;
    Bytes thirtySix;
    for (uint8_t i = 0; i < 36; ++i) thirtySix.push_back(static_cast<uint8_t>(0x40 + i));
    Bytes withDle = Frames(2, 3);
    withDle[5] = DLE;
    Bytes firstFrameOfThirtySix(thirtySix.begin() + 2, thirtySix.begin() + 35);

    const PageCase cases[] = {
        {"plain frames stay as stored", Cat(Stored(three), kEnd), Cat(three, kEnd)},
        {"a shielded DLE comes back single", Cat(Stored(withDle), kEnd), Cat(withDle, kEnd)},
        {"two encapsulated frames give 66 frame bytes", Cat(Stored(Encapsulated(two)), kEnd), Cat(two, kEnd)},
        {"both marks are known", Cat(Stored(Encapsulated(two, 0xB6)), kEnd), Cat(two, kEnd)},
        {"exactly 38 bytes are not tested and count as encapsulated", Cat(Stored(thirtySix), kEnd),
         Cat(firstFrameOfThirtySix, kEnd)},
        {"only ten pieces are tested", Cat(Stored(tenGoodOneBad), kEnd), [&] {
             Bytes f;
             for (int k = 0; k < 11; ++k)
                 f.insert(f.end(), tenGoodOneBad.begin() + k * 38 + 2, tenGoodOneBad.begin() + k * 38 + 35);
             return Cat(f, kEnd);
         }()},
        {"the tenth piece is tested", Cat(Stored(ninthBad), kEnd), Cat(ninthBad, kEnd)},
        {"a piece that reaches the end is not tested", Cat(Stored(lastPieceUntested), kEnd), [&] {
             Bytes f(lastPieceUntested.begin() + 2, lastPieceUntested.begin() + 35);
             f.insert(f.end(), lastPieceUntested.begin() + 40, lastPieceUntested.begin() + 73);
             return Cat(f, kEnd);
         }()},
        {"one plain frame, shorter than a piece, stays", Cat(Stored(Frames(1, 2)), kEnd), Cat(Frames(1, 2), kEnd)},
        {"a page that begins with the end pair", kEnd, kEnd},
        {"encapsulated frames up to DLE CAN", Cat(Stored(Encapsulated(two)), {DLE, CAN, 0x41}), Cat(two, kEnd)},
    };
    for (const auto& c : cases) EXPECT_EQ(FileOf(c.head), c.file) << c.name;
}

TEST(GsmFile, EncapsulationMarks) {
    Bytes piece = Encapsulated(Frames(1, 4));
    ASSERT_EQ(piece.size(), 38u);
    EXPECT_TRUE(IsEncapsulatedFrame(piece.data()));
    for (std::size_t at : {0u, 1u, 35u, 36u, 37u}) {
        Bytes broken = piece;
        broken[at] ^= 0x01;
        EXPECT_FALSE(IsEncapsulatedFrame(broken.data())) << at;
    }
    // The frame bytes themselves are free.
    piece[2] = 0xFE;
    piece[34] = 0xA5;
    EXPECT_TRUE(IsEncapsulatedFrame(piece.data()));
}

struct ShieldCase {
    const char* name;
    Bytes file;
    Bytes sent;
};

TEST(GsmFile, ShieldingForTheModem) {
    const ShieldCase cases[] = {
        {"the end pair ends the copy", {0x10, 0x41, 0x10, 0x03, 0x55}, {0x10, 0x10, 0x41, 0x10, 0x03}},
        {"a DLE as the last byte is data", {0x41, 0x10}, {0x41, 0x10, 0x10, 0x10, 0x03}},
        {"a file without its end pair gets one", {0x41, 0x42}, {0x41, 0x42, 0x10, 0x03}},
        {"an empty file", {}, {0x10, 0x03}},
        {"DLE DLE ETX: the first DLE is data", {0x10, 0x10, 0x03}, {0x10, 0x10, 0x10, 0x03}},
        {"ETX alone is data", {0x03, 0x41}, {0x03, 0x41, 0x10, 0x03}},
    };
    for (const auto& c : cases) EXPECT_EQ(ShieldFile(c.file.data(), c.file.size()), c.sent) << c.name;
}

TEST(GsmFile, ShieldingAFileOfDleOnlyDoublesEveryByte) {
    // The largest file that is read, every byte DLE: twice its size and the
    // end pair, more than the 65536 bytes a fixed send buffer would hold.
    const Bytes file(kMaxFileRead, DLE);
    const Bytes sent = ShieldFile(file.data(), file.size());
    ASSERT_EQ(sent.size(), 2 * kMaxFileRead + 2);
    EXPECT_EQ(sent[sent.size() - 3], DLE);
    EXPECT_EQ(sent.back(), ETX);
}

TEST(GsmFile, ShieldedSavedFileComesBackTheSame) {
    Bytes frames = Frames(40, 7);
    frames[100] = DLE;
    frames[200] = DLE;
    frames[201] = DLE;
    const Bytes file = Cat(frames, kEnd);
    EXPECT_EQ(FileOf(ShieldFile(file.data(), file.size())), file);
}

TEST(GsmFile, Checksum) {
    struct {
        char high, low;
        int value;
    } const cases[] = {{'3', 'f', 63}, {'3', 'F', 63}, {'0', '0', 0}, {'F', 'F', 255}, {'a', '0', 160},
                       {'0', 'A', 10}, {'g', '1', 1},  {' ', ' ', 0}, {'\r', '\n', 0}, {'9', '9', 153}};
    for (const auto& c : cases)
        EXPECT_EQ(ParseChecksum(c.high, c.low), c.value) << c.high << c.low;
    const Bytes page = {0xFF, 0x02, 0x10};
    EXPECT_EQ(PageSum(page.data(), page.size()), 0x11);
}

}  // namespace
}  // namespace echolet
