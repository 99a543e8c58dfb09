// The faxes of the simulator's default memories: pages that look like faxes,
// drawn with a font of our own, the same on every machine.
#include "testkit/FaxLetter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using testkit::FaxGlyphDot;
using testkit::FaxLetterPage;
using testkit::G3Page;

std::string GlyphText(char c) {
    std::string out;
    for (int y = 0; y < testkit::FaxGlyphHeight; ++y) {
        for (int x = 0; x < testkit::FaxGlyphWidth; ++x) out += FaxGlyphDot(c, x, y) ? '#' : '.';
        out += '\n';
    }
    return out;
}

// Black dots in a rectangle of a page.
int Ink(const G3Page& page, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += page[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
    return n;
}

TEST(FaxLetter, TheFontDrawsLettersDigitsAndDescenders) {
    EXPECT_EQ(GlyphText('A'), ".###.\n#...#\n#...#\n#####\n#...#\n#...#\n#...#\n.....\n.....\n");
    EXPECT_EQ(GlyphText('1'), "..#..\n.##..\n..#..\n..#..\n..#..\n..#..\n.###.\n.....\n.....\n");
    // A descender reaches below the base line; a capital does not.
    EXPECT_TRUE(FaxGlyphDot('g', 1, 8));
    std::string blank;
    for (int y = 0; y < testkit::FaxGlyphHeight; ++y) blank += ".....\n";
    EXPECT_EQ(GlyphText(' '), blank);
    // Every printable character has a glyph of its own; others are drawn as "?".
    for (char c = '!'; c <= '~'; ++c) {
        if (c != '?') {
            EXPECT_NE(GlyphText(c), GlyphText('?')) << c;
        }
    }
    EXPECT_EQ(GlyphText('\x01'), GlyphText('?'));
    EXPECT_EQ(GlyphText(static_cast<char>(0xE4)), GlyphText('?'));
    EXPECT_FALSE(FaxGlyphDot('A', 5, 0));
    EXPECT_FALSE(FaxGlyphDot('A', 0, 9));
}

TEST(FaxLetter, PagesHaveTheFaxSizesAndTheSamePictureInBothResolutions) {
    const G3Page fine = FaxLetterPage(0, 0, 1, true);
    const G3Page normal = FaxLetterPage(0, 0, 1, false);
    ASSERT_EQ(fine.size(), 2287u);
    ASSERT_EQ(normal.size(), 1143u);
    for (const auto& row : fine) ASSERT_EQ(row.size(), static_cast<std::size_t>(testkit::G3Width));
    // A normal line is every second fine line: the page stands as tall on paper.
    for (std::size_t y = 0; y < normal.size(); ++y) ASSERT_EQ(normal[y], fine[2 * y]) << y;
    // The same page every time, and the letters differ from each other.
    EXPECT_EQ(FaxLetterPage(0, 0, 1, true), fine);
    EXPECT_NE(FaxLetterPage(1, 0, 2, true), fine);
    EXPECT_NE(FaxLetterPage(1, 1, 2, true), FaxLetterPage(1, 0, 2, true));
}

TEST(FaxLetter, APageHoldsTextAndADrawingOnWhitePaper) {
    const G3Page page = FaxLetterPage(0, 0, 1, true);
    const int all = Ink(page, 0, 0, testkit::G3Width, 2287);
    // Mostly white, as a letter is.
    EXPECT_LT(all, testkit::G3Width * 2287 / 10);
    // Margins stay white; the heading, the text and the drawing have ink.
    EXPECT_EQ(Ink(page, 0, 0, 100, 2287), 0);
    EXPECT_EQ(Ink(page, 0, 0, testkit::G3Width, 80), 0);
    EXPECT_GT(Ink(page, 150, 100, 800, 260), 1000);    // "FAX" and the sender
    EXPECT_GT(Ink(page, 150, 330, 1578, 1200), 20000);  // the text
    EXPECT_GT(Ink(page, 150, 1300, 1578, 1900), 20000); // the drawing
    // Text lines come in rows with white between them.
    int whiteRows = 0;
    for (int y = 330; y < 1200; ++y) whiteRows += Ink(page, 150, y, 1578, y + 1) == 0;
    EXPECT_GT(whiteRows, 300);
}

}  // namespace
