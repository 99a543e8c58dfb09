#include "modem/g3resolution.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <sstream>

#include "testkit/FaxLetter.h"
#include "testkit/G3Encode.h"
#include "testkit/TestKit.h"

using testkit::G3Encode;
using testkit::G3Page;
using testkit::G3Row;
using testkit::G3TestPage;
using testkit::G3Width;

namespace {

// Rebuilds the rows of a code stream from the runs the reader finds.
G3Page DecodeRows(const std::string& data) {
    TG3CodeReader reader;
    G3Page page;
    G3Row row;
    for (char c : data) {
        for (int i = 7; i >= 0; --i) {
            const bool black = reader.Black();
            switch (reader.Bit((static_cast<uint8_t>(c) >> i) & 1)) {
                case TG3CodeReader::StepRun:
                    row.insert(row.end(), static_cast<size_t>(reader.Run()), black ? 1 : 0);
                    break;
                case TG3CodeReader::StepEol:
                    if (!row.empty()) page.push_back(row);
                    row.clear();
                    break;
                case TG3CodeReader::StepNone:
                    break;
            }
        }
    }
    if (!row.empty()) page.push_back(row);
    return page;
}

// A white run of White pixels and a black run of the rest.
G3Row TwoRuns(int white) {
    G3Row row(G3Width, 1);
    std::fill(row.begin(), row.begin() + white, 0);
    return row;
}

// A fax message as the 3Com transfer writes it: the 34-byte message header,
// then each page's code as the modem keeps it, shielded and ended by DLE ETX.
std::string Message(const std::vector<std::string>& Pages, const std::string& Header = std::string(34, '\0')) {
    std::string msg = Header;
    for (const auto& p : Pages) msg += testkit::G3Shield(p);
    return msg;
}

std::string Probe(const std::string& data, int32_t* maxLines = nullptr) {
    G3TifResolution probe;
    std::istringstream in(data);
    probe.CountLines(in);
    if (maxLines) *maxLines = probe.MaxLines;
    return probe.Resolution();
}

G3Page WhitePage(int lines) { return G3Page(static_cast<size_t>(lines), G3Row(G3Width, 0)); }

TEST(G3CodeReader, TreesFitTheirNodes) {
    TG3CodeReader reader;
    // Complete binary trees: one node fewer than leaves (91 codes, the
    // EOL-prefix mark and, in the white tree, the extra run of length 0).
    EXPECT_EQ(reader.WhiteNodes(), 92);
    EXPECT_EQ(reader.BlackNodes(), 91);
    EXPECT_LE(reader.WhiteNodes(), TG3CodeReader::MaxNodes);
}

TEST(G3CodeReader, DecodesEveryRunLengthOfBothColours) {
    // White runs 0..1728 and black runs 1728..0: every terminating code and
    // every make-up code of both trees.
    G3Page page;
    for (int w = 0; w <= G3Width; ++w) page.push_back(TwoRuns(w));
    EXPECT_EQ(DecodeRows(G3Encode(page)), page);
    EXPECT_EQ(DecodeRows(G3Encode(page, {.AlignEol = true})), page);
}

TEST(G3CodeReader, DecodesPatternPages) {
    const G3Page page = G3TestPage(300, 5);
    EXPECT_EQ(DecodeRows(G3Encode(page)), page);
}

// libtiff's own encoder, as an outside reference for the code trees.
std::string LibTiffStrip(const G3Page& page, const std::string& path) {
    TIFF* t = TIFFOpen(path.c_str(), "w");
    EXPECT_NE(t, nullptr);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, G3Width);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(page.size()));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX3);
    TIFFSetField(t, TIFFTAG_GROUP3OPTIONS, 0);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(t, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(page.size()));
    std::vector<uint8_t> line(G3Width / 8);
    for (uint32_t y = 0; y < page.size(); ++y) {
        std::fill(line.begin(), line.end(), 0);
        for (int x = 0; x < G3Width; ++x)
            if (page[y][x]) line[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        TIFFWriteScanline(t, line.data(), y, 0);
    }
    TIFFClose(t);
    t = TIFFOpen(path.c_str(), "r");
    std::string raw(TIFFRawStripSize(t, 0), '\0');
    TIFFReadRawStrip(t, 0, raw.data(), static_cast<tmsize_t>(raw.size()));
    TIFFClose(t);
    return raw;
}

TEST(G3CodeReader, DecodesWhatLibTiffEncodes) {
    testkit::TempHome home;
    G3Page page = G3TestPage(200, 9);
    for (int w = 0; w <= G3Width; w += 37) page.push_back(TwoRuns(w));
    EXPECT_EQ(DecodeRows(LibTiffStrip(page, home.Path() + "/ref.tif")), page);
}

TEST(G3CodeReader, LineEndingWhiteIsFollowedByAWhiteLine) {
    // Line 1 ends on a white run; after its EOL the reader is back in the
    // white tree, so line 2's white 5 ("1100") is not read as black runs.
    G3Row endsWhite(G3Width, 0);
    std::fill(endsWhite.begin(), endsWhite.begin() + 100, 1);  // white 0, black 100, white 1628
    G3Row startsWhite5(G3Width, 1);
    std::fill(startsWhite5.begin(), startsWhite5.begin() + 5, 0);
    const G3Page page = {endsWhite, startsWhite5};
    TG3CodeReader reader;
    std::vector<std::pair<bool, int>> runs;
    for (char c : G3Encode(page)) {
        for (int i = 7; i >= 0; --i) {
            const bool black = reader.Black();
            if (reader.Bit((static_cast<uint8_t>(c) >> i) & 1) == TG3CodeReader::StepRun)
                runs.emplace_back(black, reader.Run());
        }
    }
    const std::vector<std::pair<bool, int>> expected = {
        {false, 0}, {true, 64}, {true, 36}, {false, 1600}, {false, 28},
        {false, 5}, {true, 1664}, {true, 59}};
    EXPECT_EQ(runs, expected);
}

// What a reader ends byte by byte, written as Bit's steps: E for an EOL, 0
// for a zero run, R for a longer run; one group a byte.
std::string BitSteps(const std::string& data) {
    TG3CodeReader reader;
    std::string steps;
    for (char c : data) {
        for (int i = 7; i >= 0; --i) {
            switch (reader.Bit((static_cast<uint8_t>(c) >> i) & 1)) {
                case TG3CodeReader::StepRun:
                    steps += reader.Run() > 0 ? 'R' : '0';
                    break;
                case TG3CodeReader::StepEol:
                    steps += 'E';
                    break;
                case TG3CodeReader::StepNone:
                    break;
            }
        }
        steps += reader.Black() ? "b|" : "w|";
    }
    return steps;
}

std::string ByteSteps(const std::string& data) {
    TG3CodeReader reader;
    std::string steps;
    for (char c : data) {
        for (auto s = reader.Byte(static_cast<uint8_t>(c)); s;) {
            switch (s.Next()) {
                case TG3CodeReader::ByteRun:
                    steps += 'R';
                    break;
                case TG3CodeReader::ByteZeroRun:
                    steps += '0';
                    break;
                case TG3CodeReader::ByteEol:
                    steps += 'E';
                    break;
            }
        }
        steps += reader.Black() ? "b|" : "w|";
    }
    return steps;
}

// A byte at a time the reader ends the same code words and EOLs as bit by
// bit, in the same order, and stands at the same colour after each byte: on
// every run length, pages in bands and letters, libtiff's code, code cut or
// damaged anywhere, and bytes of no code at all.
TEST(G3CodeReader, ByteStepsAreTheStepsOfItsBits) {
    testkit::TempHome home;
    G3Page runs;
    for (int w = 0; w <= G3Width; ++w) runs.push_back(TwoRuns(w));
    std::string noise;
    for (int i = 0; i < 20000; ++i) noise += static_cast<char>((i * 7919 + (i >> 3) * 131) & 0xFF);
    std::string bytes;
    for (int i = 0; i < 4; ++i)
        for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
    std::string damaged = G3Encode(G3TestPage(300, 6));
    for (std::size_t i = 5; i < damaged.size(); i += 97) damaged[i] = static_cast<char>(damaged[i] ^ (1 << (i % 8)));
    const std::pair<const char*, std::string> cases[] = {
        {"every run length", G3Encode(runs)},
        {"every run length, EOLs aligned", G3Encode(runs, {.AlignEol = true})},
        {"bands rich in DLE", G3Encode(testkit::G3BandPage(400, 3))},
        {"letter", testkit::CodedFaxLetterPage(1, 0, 1, true)},
        {"libtiff's code", LibTiffStrip(G3TestPage(200, 9), home.Path() + "/ref.tif")},
        {"cut in a code word", G3Encode(G3TestPage(100, 2)).substr(0, 1001)},
        {"damaged", damaged},
        {"noise", noise},
        {"every byte", bytes},
        {"zero fill", std::string(100, '\0') + G3Encode(G3TestPage(10, 1))},
    };
    for (const auto& [name, data] : cases) {
        const std::string expected = BitSteps(data);
        ASSERT_GT(std::count(expected.begin(), expected.end(), 'R'), 0) << name;
        EXPECT_EQ(ByteSteps(data), expected) << name;
    }
}

TEST(G3Encoder, ModemBitOrderAndRowWidth) {
    const G3Page page = G3TestPage(20, 8);
    const std::string msbFirst = G3Encode(page);
    EXPECT_EQ(G3Encode(page, {.LsbFirst = true}), testkit::G3ReverseBitOrder(msbFirst));
    EXPECT_EQ(testkit::G3ReverseBitOrder("\x01\x0F\x10"), "\x80\xF0\x08");
    // An empty page is the end-of-page sequence alone: six EOLs in nine bytes.
    EXPECT_EQ(G3Encode({}), std::string("\x00\x10\x01\x00\x10\x01\x00\x10\x01", 9));
    EXPECT_THROW(G3Encode({G3Row(G3Width - 1, 0)}), std::invalid_argument);
    EXPECT_THROW(G3Encode({G3Row(G3Width + 1, 0)}), std::invalid_argument);
}

TEST(G3TifResolution, EmptyFileIsNormal) {
    int32_t maxLines = -1;
    EXPECT_EQ(Probe("", &maxLines), "T4N");
    EXPECT_EQ(maxLines, 0);
}

TEST(G3TifResolution, CountsLinesAndTheFirstTwoEolsOfThePageEnd) {
    // N coded lines with an EOL before each and six EOLs after: N + 2 counted.
    struct Case { int coded; int32_t counted; const char* resolution; };
    const Case cases[] = {
        {1, 4, "T4N"},  // the four trailing EOLs count as a page of their own
        {100, 102, "T4N"},
        {1143, 1145, "T4N"},
        {1208, 1210, "T4N"},
        {1209, 1211, "T4F"},
        {2287, 2289, "T4F"},
    };
    for (const auto& c : cases) {
        for (bool align : {false, true}) {
            int32_t maxLines = 0;
            EXPECT_EQ(Probe(Message({G3Encode(G3TestPage(c.coded, 3), {.AlignEol = align})}), &maxLines), c.resolution)
                << c.coded;
            EXPECT_EQ(maxLines, c.counted) << c.coded << " aligned " << align;
        }
    }
}

TEST(G3TifResolution, TheLongestPageDecides) {
    // Two end-of-page sequences in one stretch of code: the second page starts with the first one's end.
    int32_t maxLines = 0;
    EXPECT_EQ(Probe(Message({G3Encode(WhitePage(100)) + G3Encode(WhitePage(1300))}), &maxLines), "T4F");
    EXPECT_EQ(maxLines, 1300 + 2 + 4);  // the four EOLs left over from page 1 count towards page 2
    EXPECT_EQ(Probe(Message({G3Encode(WhitePage(1300)) + G3Encode(WhitePage(100))}), &maxLines), "T4F");
    EXPECT_EQ(maxLines, 1302);
    // The leftover EOLs alone can lift a page over the limit.
    EXPECT_EQ(Probe(Message({G3Encode(WhitePage(100)) + G3Encode(WhitePage(1205))}), &maxLines), "T4F");
    EXPECT_EQ(maxLines, 1211);
    EXPECT_EQ(Probe(Message({G3Encode(WhitePage(100)) + G3Encode(WhitePage(1204))}), &maxLines), "T4N");
}

// The modem ends each page with DLE ETX: what comes after it is the next
// page's, from its first line on.
TEST(G3TifResolution, DleEtxEndsThePage) {
    int32_t maxLines = 0;
    EXPECT_EQ(Probe(Message({G3Encode(WhitePage(100)), G3Encode(WhitePage(1300))}), &maxLines), "T4F");
    EXPECT_EQ(maxLines, 1302);
    EXPECT_EQ(Probe(Message({G3Encode(WhitePage(100)), G3Encode(WhitePage(1205))}), &maxLines), "T4N");
    EXPECT_EQ(maxLines, 1207);
    // A page that stops in the middle of a code word leaves nothing of it to the next.
    const std::string cut = G3Encode(G3TestPage(700, 4)).substr(0, 9001);
    EXPECT_EQ(Probe(Message({cut, G3Encode(G3TestPage(1209, 5))}), &maxLines), "T4F");
    EXPECT_EQ(maxLines, 1211);
    // Without its end-of-page sequence a page ends at its DLE ETX all the same.
    EXPECT_EQ(Probe(Message({G3Encode(WhitePage(1300), {.RtcEols = 0}), G3Encode(WhitePage(10))}), &maxLines),
              "T4F");
    EXPECT_EQ(maxLines, 1300);
}

TEST(G3TifResolution, TheMessageHeaderOfThe3ComModemsIsReadAsCode) {
    // A header of zero bytes is only EOL fill.
    int32_t maxLines = 0;
    EXPECT_EQ(Probe(Message({G3Encode(WhitePage(1209))}), &maxLines), "T4F");
    EXPECT_EQ(maxLines, 1211);
    // The header is not shielded: DLE ETX in it ends no page and DLE DLE
    // stands for two bytes, all read as code, so its lines (here the EOL that
    // 10 03 codes) go to the first page.
    std::string header(34, '\xFF');
    header[10] = '\x10';
    header[11] = '\x03';
    header[20] = '\x10';
    header[21] = '\x10';
    int32_t headerLines = 0;
    Probe(header, &headerLines);
    EXPECT_GE(headerLines, 1);
    EXPECT_EQ(Probe(Message({G3Encode(WhitePage(1209))}, header), &maxLines), "T4F");
    EXPECT_EQ(maxLines, headerLines + 1211);
}

// Pages whose code is rich in 0x10 bytes, which the modem doubles: read as
// the modem coded them, every page counts its coded lines and the first two
// EOLs of its end, and no doubled DLE fakes an EOL or a page end.
TEST(G3TifResolution, PagesRichInDleCountTheLinesTheModemCoded) {
    for (const int lines : {1143, 2287}) {
        for (unsigned seed = 1; seed <= 20; ++seed) {
            const std::string code = G3Encode(testkit::G3BandPage(lines, seed + 100 * static_cast<unsigned>(lines)));
            const auto dles = std::count(code.begin(), code.end(), '\x10');
            ASSERT_GT(dles * 100, static_cast<long>(code.size())) << "the fixture: at least 1 % DLE bytes";
            int32_t maxLines = 0;
            EXPECT_EQ(Probe(Message({code}), &maxLines), lines > 1210 ? "T4F" : "T4N") << lines << " seed " << seed;
            EXPECT_EQ(maxLines, lines + 2) << lines << " seed " << seed;
        }
    }
    // A message of several such pages: the longest decides, each counted alone.
    int32_t maxLines = 0;
    const std::string n1 = G3Encode(testkit::G3BandPage(1143, 7)), n2 = G3Encode(testkit::G3BandPage(1100, 8));
    EXPECT_EQ(Probe(Message({n1, n2, n1}), &maxLines), "T4N");
    EXPECT_EQ(maxLines, 1145);
    EXPECT_EQ(Probe(Message({n2, G3Encode(testkit::G3BandPage(2287, 9)), n1}), &maxLines), "T4F");
    EXPECT_EQ(maxLines, 2289);
}

// DLE and any other byte is that byte; a DLE cut off by the end is dropped.
TEST(G3TifResolution, ShieldingOddities) {
    const std::string page = G3Encode(WhitePage(1209));
    int32_t maxLines = 0;
    std::string loose = std::string(34, '\0');
    for (std::size_t i = 0; i < page.size(); ++i) {
        if (page[i] == '\x10' || i % 7 == 0) loose += '\x10';
        loose += page[i];
    }
    EXPECT_EQ(Probe(loose + "\x10", &maxLines), "T4F");
    EXPECT_EQ(maxLines, 1211);
}

TEST(G3TifResolution, DetectResolutionReadsTheFile) {
    testkit::TempHome home;
    testkit::ScopedScriptedUi ui;
    const std::string path = home.Path() + "/fax.msg";
    testkit::WriteFile(path, Message({G3Encode(WhitePage(2000))}));
    G3TifResolution probe;
    std::string resolution = "T4N";
    probe.DetectResolution(path, resolution);
    EXPECT_EQ(resolution, "T4F");
    EXPECT_EQ(probe.MaxLines, 2002);
    testkit::WriteFile(path, Message({G3Encode(WhitePage(1000))}));
    resolution = "T4F";
    probe.DetectResolution(path, resolution);
    EXPECT_EQ(resolution, "T4N");
    EXPECT_TRUE(ui->Prompts().empty());
}

TEST(G3TifResolution, MissingFileIsReportedAndLeavesTheResolution) {
    testkit::TempHome home;
    testkit::ScopedScriptedUi ui;
    G3TifResolution probe;
    std::istringstream page(Message({G3Encode(WhitePage(1500))}));
    probe.CountLines(page);
    ASSERT_GT(probe.MaxLines, 0);
    for (const std::string& path : {home.Path() + "/missing.msg", home.Path()}) {
        std::string resolution = "T4F";
        probe.DetectResolution(path, resolution);
        EXPECT_EQ(resolution, "T4F");
        EXPECT_EQ(probe.MaxLines, 0);
    }
    const auto prompts = ui->Prompts();
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_EQ(prompts[0].text, "File not found!");
    EXPECT_EQ(prompts[0].kind, "error");
    EXPECT_EQ(prompts[0].buttons, std::vector<std::string>{"OK"});
}

TEST(G3TifResolution, GarbageIsCountedWithoutFailing) {
    std::string junk;
    for (int i = 0; i < 5000; ++i) junk += static_cast<char>((i * 97 + 13) & 0xFF);
    int32_t maxLines = -1;
    const std::string r = Probe(junk, &maxLines);
    EXPECT_TRUE(r == "T4N" || r == "T4F");
    EXPECT_GE(maxLines, 0);
    // All ones never reach an EOL.
    EXPECT_EQ(Probe(std::string(1000, '\xFF'), &maxLines), "T4N");
    EXPECT_EQ(maxLines, 0);
}

}  // namespace
