#include "platform/OleDropFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

using Names = std::vector<std::string>;

std::string LE32(uint32_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    return s;
}

// A header with the given first-name offset and wide flag, a drop point and
// a non-client flag that the reader must ignore, then Body.
std::string Block(uint32_t First, bool Wide, const std::string& Body, uint32_t X = 0, uint32_t Y = 0,
                  uint32_t NonClient = 0) {
    return LE32(First) + LE32(X) + LE32(Y) + LE32(NonClient) + LE32(Wide ? 1 : 0) + Body;
}

// UTF-16 little-endian bytes of a UTF-8 text, without an end.
std::string Wide(const std::u16string& Units) {
    std::string s;
    for (char16_t u : Units) {
        s.push_back(static_cast<char>(u & 0xFF));
        s.push_back(static_cast<char>(u >> 8));
    }
    return s;
}
const std::string kWideZero("\0\0", 2);
const std::string kZero("\0", 1);

struct Case {
    const char* what;
    std::string block;
    std::optional<Names> names;  // nothing: refused
};

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        // Blocks as the shells and our own writer make them.
        {"one 8-bit name", Block(20, false, "/tmp/fax.tif" + kZero + kZero), Names{"/tmp/fax.tif"}},
        {"three names, one twice, order kept",
         Block(20, false, "/b.TIF" + kZero + "/a.txt" + kZero + "/b.TIF" + kZero + kZero),
         Names{"/b.TIF", "/a.txt", "/b.TIF"}},
        {"UTF-8 names stand as they are", Block(20, false, "/tmp/Grüße €.tif" + kZero + kZero),
         Names{"/tmp/Grüße €.tif"}},
        {"UTF-16 names, a surrogate pair among them",
         Block(20, true, Wide(u"/tmp/Grüße €.tif") + kWideZero + Wide(u"/t/日本\U0001F4E0.TIF") + kWideZero + kWideZero),
         Names{"/tmp/Grüße €.tif", "/t/日本\U0001F4E0.TIF"}},
        {"a UTF-16 name that starts with a byte-order mark keeps it, in either order",
         Block(20, true, Wide(u"\uFEFF/a") + kWideZero + Wide(u"\uFFFE/b") + kWideZero + kWideZero),
         Names{"\uFEFF/a", "\uFFFE/b"}},
        {"an empty list", Block(20, false, kZero), Names{}},
        {"an empty wide list", Block(20, true, kWideZero), Names{}},
        {"names after a gap behind the header", Block(24, false, "gap!/x.tif" + kZero + kZero), Names{"/x.tif"}},
        {"drop point and non-client flag are ignored", Block(20, false, "/x" + kZero + kZero, 17, 4000, 1),
         Names{"/x"}},
        {"a wide list at an odd offset", Block(21, true, "-" + Wide(u"/y") + kWideZero + kWideZero), Names{"/y"}},
        {"bytes after the closing name are not read", Block(20, false, "/x" + kZero + kZero + "junk"), Names{"/x"}},

        // Malformed blocks: each would need bytes beyond the end, or has none.
        {"nothing at all", "", std::nullopt},
        {"a header one byte short", Block(20, false, "").substr(0, 19), std::nullopt},
        {"a header and no list", Block(20, false, ""), std::nullopt},
        {"the first name at the very end", Block(21, false, kZero), std::nullopt},
        {"the first name far beyond the end", Block(0xFFFFFFF0u, false, "/x" + kZero + kZero), std::nullopt},
        {"the largest offset", Block(0xFFFFFFFFu, false, "/x" + kZero + kZero), std::nullopt},
        {"the first name inside the header", Block(0, false, "/x" + kZero + kZero), std::nullopt},
        {"the first name just before the header's end", Block(19, false, "/x" + kZero + kZero), std::nullopt},
        {"a name without its zero", Block(20, false, "/tmp/fax.tif"), std::nullopt},
        {"no closing empty name", Block(20, false, "/a" + kZero + "/b" + kZero), std::nullopt},
        {"a wide name without its zero", Block(20, true, Wide(u"/tmp/fax.tif")), std::nullopt},
        {"a wide list without its closing name", Block(20, true, Wide(u"/a") + kWideZero), std::nullopt},
        {"a wide list ended by half a character", Block(20, true, Wide(u"/a") + kWideZero + kZero), std::nullopt},
        {"8-bit zeros read as wide", Block(20, true, "/a" + kZero + kZero), std::nullopt},
    };
    return cases;
}

TEST(ParseDropFiles, ReadsGoodBlocksAndRefusesMalformedOnes) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ole::ParseDropFiles(c.block), c.names);
    }
}

TEST(ParseDropFiles, ReadsOnlyWithinTheBlock) {
    // Each good block cut anywhere before its end is refused: nothing is
    // read from beyond what was handed over (ASan watches the heap copies).
    for (const Case& c : Cases()) {
        if (!c.names || c.block.size() < ole::kDropFilesHeaderSize) continue;
        SCOPED_TRACE(c.what);
        const std::size_t end = c.block.find("junk") == std::string::npos ? c.block.size() : c.block.size() - 4;
        for (std::size_t cut = 0; cut < end; ++cut) {
            const std::string head = c.block.substr(0, cut);
            EXPECT_EQ(ole::ParseDropFiles(head), std::nullopt) << "cut at " << cut;
        }
    }
}

TEST(DropFilesBlock, WritesTheHeaderTheNamesAndTheClosingName) {
    EXPECT_EQ(ole::DropFilesBlock({"/a.tif", "/b c"}, ole::NameCoding::Ansi),
              Block(20, false, "/a.tif" + kZero + "/b c" + kZero + kZero));
    EXPECT_EQ(ole::DropFilesBlock({"/ä"}, ole::NameCoding::Utf16), Block(20, true, Wide(u"/ä") + kWideZero + kWideZero));
    EXPECT_EQ(ole::DropFilesBlock({}, ole::NameCoding::Ansi), Block(20, false, kZero));
    // A name that would end the list early, or split it, is left out.
    EXPECT_EQ(ole::DropFilesBlock({"/a", "", std::string("/b\0c", 4), "/d"}, ole::NameCoding::Ansi),
              Block(20, false, "/a" + kZero + "/d" + kZero + kZero));
}

TEST(DropFilesBlock, BothCodingsReadBackAsTheSameNames) {
    const Names names{"/tmp/fax.tif", "/home/anna/Grüße/€ 1.TIF", "/t/日本\U0001F4E0", "/x.Tif", "\uFEFF/bom"};
    const auto ansi = ole::ParseDropFiles(ole::DropFilesBlock(names, ole::NameCoding::Ansi));
    const auto wide = ole::ParseDropFiles(ole::DropFilesBlock(names, ole::NameCoding::Utf16));
    EXPECT_EQ(ansi, names);
    EXPECT_EQ(wide, names);
}

TEST(TextBlock, TextUpToItsZeroAndNothingWithoutOne) {
    EXPECT_EQ(ole::ParseTextBlock(std::string("Voic0001.wav\0", 13)), "Voic0001.wav");
    EXPECT_EQ(ole::ParseTextBlock(std::string("a\0b\0", 4)), "a");
    EXPECT_EQ(ole::ParseTextBlock(std::string("\0", 1)), "");
    EXPECT_EQ(ole::ParseTextBlock("no end"), std::nullopt);
    EXPECT_EQ(ole::ParseTextBlock(""), std::nullopt);
    EXPECT_EQ(ole::TextBlock("Grüße"), std::string("Grüße\0", 8));
    EXPECT_EQ(ole::TextBlock(std::string("a\0b", 3)), std::nullopt);
}

}  // namespace
