#include "modem/FaxTiff.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <cstdlib>
#include <sstream>

#include "Sim3comRig.h"
#include "modem/Modem.h"
#include "platform/Files.h"
#include "testkit/G3Encode.h"
#include "testkit/LibTiffCheck.h"
#include "testkit/TestKit.h"

using testkit::G3Encode;
using testkit::G3Page;
using testkit::G3Row;
using testkit::G3TestPage;
using testkit::G3Width;

namespace {

std::string Bytes(std::initializer_list<int> list) {
    std::string s;
    for (int b : list) s += static_cast<char>(b);
    return s;
}

std::string LE16(uint32_t v) { return Bytes({int(v & 0xFF), int(v >> 8 & 0xFF)}); }
std::string LE32(uint32_t v) { return LE16(v & 0xFFFF) + LE16(v >> 16); }

const std::string DleEtx = Bytes({0x10, 0x03});
const std::string CrLf = "\r\n";
const std::string Connect = "CONNECT\r\n";

// The modems shield every DLE of the page data with a second one.
std::string Shield(const std::string& data) {
    std::string out;
    for (char c : data) {
        out += c;
        if (c == 0x10) out += c;
    }
    return out;
}

// A 3Com download: the 34-byte message header, then each page and DLE ETX.
std::string Msg3Com(const std::vector<std::string>& pages) {
    std::string msg;
    for (int i = 0; i < 34; ++i) msg += static_cast<char>(0xF0 - i);
    for (const auto& p : pages) msg += Shield(p) + DleEtx;
    return msg;
}

// An ELSA download: each page after "CONNECT" CR LF in the modem's bit
// order and ended by DLE ETX CR LF, with the filler of the last block after it.
std::string MsgElsa(const std::vector<std::string>& pages) {
    std::string msg = "\r\nOK\r\n";
    for (const auto& p : pages) msg += Connect + Shield(testkit::G3ReverseBitOrder(p)) + DleEtx + CrLf;
    return msg + std::string(100, '\x1A');
}

struct TWritten {
    std::string tiff;
    std::vector<TFaxPage> pages;
};

TWritten Write(const std::string& msg, TPageCutter cutter, bool fine = false) {
    std::istringstream in(msg);
    std::ostringstream out;
    TWritten w;
    w.pages = WriteFaxTiff(in, out, cutter, fine);
    w.tiff = out.str();
    return w;
}

std::string Strip(const TWritten& w, size_t page) {
    const auto& p = w.pages.at(page);
    return w.tiff.substr(static_cast<size_t>(p.StripOffset), static_cast<size_t>(p.StripBytes));
}

uint32_t ReadLE32(const std::string& s, int64_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(s.at(static_cast<size_t>(at + i)));
    return v;
}

// The directory as the file format fixes it, entry by entry.
std::string ExpectedDirectory(const TFaxPage& p, uint32_t next) {
    auto shortEntry = [](int tag, uint32_t v) { return LE16(tag) + LE16(3) + LE32(1) + LE16(v) + LE16(0); };
    auto longEntry = [](int tag, uint32_t v) { return LE16(tag) + LE16(4) + LE32(1) + LE32(v); };
    auto rational = [](int tag, uint32_t v) { return LE16(tag) + LE16(5) + LE32(1) + LE32(v); };
    const auto lines = static_cast<uint32_t>(p.Lines);
    return LE16(15) + longEntry(254, 2) + longEntry(256, 1728) + shortEntry(257, lines) + shortEntry(258, 1) +
           shortEntry(259, 3) + shortEntry(262, 0) + shortEntry(266, 1) +
           longEntry(273, static_cast<uint32_t>(p.StripOffset)) + shortEntry(277, 1) + shortEntry(278, lines) +
           longEntry(279, static_cast<uint32_t>(p.StripBytes)) + rational(282, static_cast<uint32_t>(p.XResOffset)) +
           rational(283, static_cast<uint32_t>(p.YResOffset)) + longEntry(292, 0) + shortEntry(296, 2) + LE32(next);
}

std::string Resolutions(bool fine) { return LE32(80376) + LE32(394) + LE32(fine ? 77224 : 38612) + LE32(394); }

G3Page WhitePage(int lines) { return G3Page(static_cast<size_t>(lines), G3Row(G3Width, 0)); }

class FaxTiffFiles : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return home.Path() + "/" + name; }
    std::string Save(const std::string& msg, TPageCutter cutter, const std::string& resolution,
                     const std::string& name = "fax.tif") {
        testkit::WriteFile(Path("download.tmp"), msg);
        EXPECT_TRUE(SaveFaxTiff(Path("download.tmp"), Path(name), resolution, cutter));
        return Path(name);
    }
    testkit::TempHome home;
};

// --- the layout ------------------------------------------------------------

TEST(FaxTiffLayout, TwoPagesOf3ComByteForByte) {
    const std::string p1 = G3Encode(G3TestPage(2, 1));
    const std::string p2 = G3Encode(G3TestPage(3, 2));
    const TWritten w = Write(Msg3Com({p1, p2}), TPageCutter::Cut3Com);
    ASSERT_EQ(w.pages.size(), 2u);

    const uint32_t s1 = 8, l1 = static_cast<uint32_t>(p1.size()), d1 = s1 + l1 + 16;
    const uint32_t s2 = d1 + 186, l2 = static_cast<uint32_t>(p2.size()), d2 = s2 + l2 + 16;
    TFaxPage e1{s1, l1, s1 + l1, s1 + l1 + 8, d1, 2};
    TFaxPage e2{s2, l2, s2 + l2, s2 + l2 + 8, d2, 3};
    const std::string expected = Bytes({0x49, 0x49, 42, 0}) + LE32(d1) + p1 + Resolutions(false) +
                                 ExpectedDirectory(e1, d2) + p2 + Resolutions(false) + ExpectedDirectory(e2, 0);
    EXPECT_EQ(w.tiff, expected);
    EXPECT_EQ(w.tiff.size(), d2 + 186u);
    EXPECT_EQ(ReadLE32(w.tiff, d2 + 182), 0u);  // the last directory ends the chain
    for (size_t i = 0; i < 2; ++i) {
        const TFaxPage& p = w.pages[i];
        const TFaxPage& e = i == 0 ? e1 : e2;
        EXPECT_EQ(p.StripOffset, e.StripOffset);
        EXPECT_EQ(p.StripBytes, e.StripBytes);
        EXPECT_EQ(p.StripOffset + p.StripBytes, p.XResOffset);  // S + L is X
        EXPECT_EQ(p.YResOffset, e.YResOffset);
        EXPECT_EQ(p.DirOffset, e.DirOffset);
        EXPECT_EQ(p.Lines, e.Lines);
    }
}

TEST(FaxTiffLayout, ElsaPageByteForByte) {
    const std::string p = G3Encode(G3TestPage(4, 3));
    const TWritten w = Write(MsgElsa({p}), TPageCutter::CutElsa, true);
    ASSERT_EQ(w.pages.size(), 1u);
    const uint32_t l = static_cast<uint32_t>(p.size());
    TFaxPage e{8, l, 8 + l, 16 + l, 24 + l, 4};
    EXPECT_EQ(w.tiff, Bytes({0x49, 0x49, 42, 0}) + LE32(24 + l) + p + Resolutions(true) + ExpectedDirectory(e, 0));
}

TEST(FaxTiffLayout, ResolutionRationals) {
    const std::string msg = Msg3Com({G3Encode(WhitePage(5))});
    for (bool fine : {false, true}) {
        const TWritten w = Write(msg, TPageCutter::Cut3Com, fine);
        ASSERT_EQ(w.pages.size(), 1u);
        const TFaxPage& p = w.pages[0];
        EXPECT_EQ(ReadLE32(w.tiff, p.XResOffset), 80376u);
        EXPECT_EQ(ReadLE32(w.tiff, p.XResOffset + 4), 394u);
        EXPECT_EQ(ReadLE32(w.tiff, p.YResOffset), fine ? 77224u : 38612u);
        EXPECT_EQ(ReadLE32(w.tiff, p.YResOffset + 4), 394u);
    }
    EXPECT_TRUE(IsFineResolution("T4F"));
    for (const char* text : {"T4N", "t4f", "T4F ", "", "T4"}) EXPECT_FALSE(IsFineResolution(text)) << text;
}

TEST(FaxTiffLayout, NoPageLeavesTheHeaderOnly) {
    const std::string headerOnly = Bytes({0x49, 0x49, 42, 0, 0, 0, 0, 0});
    struct Case { const char* name; std::string msg; TPageCutter cutter; };
    const Case cases[] = {
        {"empty 3Com download", "", TPageCutter::Cut3Com},
        {"3Com header cut short", std::string(20, 'x'), TPageCutter::Cut3Com},
        {"3Com header only", std::string(34, 'x'), TPageCutter::Cut3Com},
        {"ELSA without CONNECT", "\r\nOK\r\nRING\r\n" + std::string(1000, '\x1A'), TPageCutter::CutElsa},
        {"ELSA with a cut CONNECT", "xxCONNECT\r", TPageCutter::CutElsa},
        {"ELSA with connect in small letters", "connect\r\nabc", TPageCutter::CutElsa},
        {"empty ELSA download", "", TPageCutter::CutElsa},
    };
    for (const auto& c : cases) {
        const TWritten w = Write(c.msg, c.cutter);
        EXPECT_EQ(w.tiff, headerOnly) << c.name;
        EXPECT_TRUE(w.pages.empty()) << c.name;
    }
}

// --- the cutters -----------------------------------------------------------

struct TCutCase {
    const char* name;
    std::string msg;
    std::vector<std::string> strips;
};

void ExpectStrips(const TCutCase& c, TPageCutter cutter) {
    const TWritten w = Write(c.msg, cutter);
    ASSERT_EQ(w.pages.size(), c.strips.size()) << c.name;
    for (size_t i = 0; i < c.strips.size(); ++i) EXPECT_EQ(Strip(w, i), c.strips[i]) << c.name << " page " << i;
}

TEST(FaxTiffCutter, DleRulesOf3Com) {
    const std::string h(34, '\x10');  // header bytes are skipped, not unescaped
    const TCutCase cases[] = {
        {"four DLEs give two", h + Bytes({0x10, 0x10, 0x10, 0x10}), {Bytes({0x10, 0x10})}},
        {"DLE pair before ETX", h + Bytes({0x10, 0x10, 0x03, 0x41}), {Bytes({0x10, 0x03, 0x41})}},
        {"DLE before another byte is dropped", h + Bytes({0x41, 0x10, 0x42}), {"AB"}},
        {"DLE cut off by the end", h + Bytes({0x41, 0x10}), {"A"}},
        {"no DLE ETX: one page of all data", h + "ABC", {"ABC"}},
        {"nothing after the last DLE ETX", h + "A" + DleEtx, {"A"}},
        {"a page after the last DLE ETX", h + "A" + DleEtx + "B", {"A", "B"}},
        {"empty pages", h + DleEtx + DleEtx, {"", ""}},
        {"ETX alone is data", h + Bytes({0x03, 0x41}), {Bytes({0x03, 0x41})}},
    };
    for (const auto& c : cases) ExpectStrips(c, TPageCutter::Cut3Com);
}

TEST(FaxTiffCutter, ElsaReversesAndCutsAtDleEtxCrLf) {
    const std::string r = Bytes({0x82, 0x42});  // 0x41 0x42 reversed
    const TCutCase cases[] = {
        {"DLE ETX inside the data", Connect + Bytes({0x10, 0x03, 0x41, 0x42}) + DleEtx + CrLf,
         {Bytes({0x08, 0xC0, 0x82, 0x42})}},
        {"DLE ETX CR without LF is data", Connect + DleEtx + "\rA" + DleEtx + CrLf,
         {Bytes({0x08, 0xC0, 0xB0, 0x82})}},
        {"DLE ETX at the very end", Connect + "AB" + DleEtx, {r + Bytes({0x08, 0xC0})}},
        {"DLE pair", Connect + Bytes({0x10, 0x10, 0x41}) + DleEtx + CrLf, {Bytes({0x08, 0x82})}},
        {"DLE before another byte is dropped", Connect + Bytes({0x10, 0x41, 0x42}) + DleEtx + CrLf, {r}},
        {"page running to the end", "junk" + Connect + "AB", {r}},
        {"two pages, junk around", "x" + Connect + "A" + DleEtx + CrLf + "OK\r\n" + Connect + "B" + DleEtx + CrLf + "z",
         {Bytes({0x82}), Bytes({0x42})}},
        {"CONNECT inside a page is data", Connect + "A" + Connect + "B" + DleEtx + CrLf,
         {testkit::G3ReverseBitOrder("A" + Connect + "B")}},
        {"CONNECT found after a false start", "CONNECONNECT\r\nA" + DleEtx + CrLf, {Bytes({0x82})}},
        {"empty page at the end", "OK" + Connect, {""}},
    };
    for (const auto& c : cases) ExpectStrips(c, TPageCutter::CutElsa);
}

// The download is read in blocks and the strip written in pieces: a page end,
// a DLE pair or a "CONNECT" that falls across a power-of-two offset of the
// download (where any block ends) is cut as anywhere else, and a page longer
// than a piece is written whole.
TEST(FaxTiffCutter, MarksAcrossTheReadBlocks) {
    const std::string h(34, '\x10');
    for (size_t shift = 0; shift <= 12; ++shift) {
        SCOPED_TRACE(shift);
        const std::string a(65536 - 34 - shift, 'A'), b(65534, 'B');
        ExpectStrips({"3Com", h + a + Bytes({0x10, 0x10}) + b + DleEtx + "C", {a + "\x10" + b, "C"}},
                     TPageCutter::Cut3Com);
        const std::string junk(65536 - shift, 'z'), page(65527 + 65536, 'A');
        ExpectStrips({"ELSA", junk + Connect + page + DleEtx + CrLf + Connect + "B" + DleEtx + CrLf,
                      {testkit::G3ReverseBitOrder(page), testkit::G3ReverseBitOrder("B")}},
                     TPageCutter::CutElsa);
    }
}

// --- line counts as image length and rows per strip ------------------------

TEST(FaxTiffLines, ImageLengthIsTheCodedLinesOfThePage) {
    const G3Page page = G3TestPage(57, 4);
    const std::string rtc1 = G3Encode(page, {.RtcEols = 1});
    struct Case { const char* name; std::string data; int64_t lines; };
    const Case cases[] = {
        {"plain", G3Encode(page), 57},
        {"EOLs on byte boundaries", G3Encode(page, {.AlignEol = true}), 57},
        {"end-of-page sequence of two EOLs", G3Encode(page, {.RtcEols = 2}), 57},
        {"last line without an end-of-page sequence", G3Encode(page, {.RtcEols = 0}), 57},
        {"data after the end-of-page sequence", G3Encode(page) + "\xFF\x13\x77", 57},
        {"zero fill after the page", G3Encode(page) + std::string(40, '\0'), 57},
        // Readers refuse a page of no rows, so such a page is kept as one.
        {"only EOLs", G3Encode({}), 1},
        {"no EOL at all", "\xFF\xFF\xFF", 1},
        {"no data", "", 1},
        {"fine page", G3Encode(WhitePage(2287)), 2287},
        {"normal page", G3Encode(WhitePage(1143)), 1143},
    };
    for (const auto& c : cases) {
        for (TPageCutter cutter : {TPageCutter::Cut3Com, TPageCutter::CutElsa}) {
            const std::string msg = cutter == TPageCutter::Cut3Com ? Msg3Com({c.data}) : MsgElsa({c.data});
            const TWritten w = Write(msg, cutter);
            ASSERT_EQ(w.pages.size(), 1u) << c.name;
            EXPECT_EQ(w.pages[0].Lines, c.lines) << c.name;
            const TFaxPage& p = w.pages[0];
            // Entries 3 (image length) and 10 (rows per strip) carry it.
            EXPECT_EQ(ReadLE32(w.tiff, p.DirOffset + 2 + 2 * 12 + 8), static_cast<uint32_t>(c.lines)) << c.name;
            EXPECT_EQ(ReadLE32(w.tiff, p.DirOffset + 2 + 9 * 12 + 8), static_cast<uint32_t>(c.lines)) << c.name;
        }
    }
}

TEST(FaxTiffLines, APageBeyondShortRangeWritesLongCounts) {
    const TWritten w = Write(Msg3Com({G3Encode(WhitePage(70000))}), TPageCutter::Cut3Com);
    ASSERT_EQ(w.pages.size(), 1u);
    const TFaxPage& p = w.pages[0];
    EXPECT_EQ(p.Lines, 70000);
    for (int entry : {2, 9}) {
        const int64_t at = p.DirOffset + 2 + entry * 12;
        EXPECT_EQ(ReadLE32(w.tiff, at + 2) & 0xFFFF, 4u);  // LONG
        EXPECT_EQ(ReadLE32(w.tiff, at + 8), 70000u);
    }
}

// --- files -----------------------------------------------------------------

TEST_F(FaxTiffFiles, SaveOverwritesTheTargetAndDeletesTheDownload) {
    testkit::WriteFile(Path("fax.tif"), std::string(100000, 'z'));
    const std::string msg = Msg3Com({G3Encode(WhitePage(3))});
    const std::string path = Save(msg, TPageCutter::Cut3Com, "T4N");
    EXPECT_FALSE(files::FileExists(Path("download.tmp")));
    std::istringstream in(msg);
    std::ostringstream direct;
    WriteFaxTiff(in, direct, TPageCutter::Cut3Com, false);
    EXPECT_EQ(testkit::ReadFile(path), direct.str());
}

TEST_F(FaxTiffFiles, FailuresAreToldToTheCallerOnly) {
    testkit::ScopedScriptedUi ui;
    // A target that cannot be created: the download is deleted all the same.
    testkit::WriteFile(Path("download.tmp"), Msg3Com({"AB"}));
    EXPECT_FALSE(SaveFaxTiff(Path("download.tmp"), Path("no/such/folder/fax.tif"), "T4N", TPageCutter::Cut3Com));
    EXPECT_FALSE(files::FileExists(Path("download.tmp")));
    // A download that is missing: no file under the name, and an older file
    // of that name is kept as it was.
    EXPECT_FALSE(SaveFaxTiff(Path("gone.tmp"), Path("fax.tif"), "T4N", TPageCutter::CutElsa));
    EXPECT_FALSE(files::FileExists(Path("fax.tif")));
    testkit::WriteFile(Path("older.tif"), "older");
    EXPECT_FALSE(SaveFaxTiff(Path("gone.tmp"), Path("older.tif"), "T4N", TPageCutter::CutElsa));
    EXPECT_EQ(testkit::ReadFile(Path("older.tif")), "older");
    EXPECT_TRUE(ui->Prompts().empty());
    // Nothing half written is left beside them.
    for (const auto& e : std::filesystem::directory_iterator(home.Path()))
        EXPECT_EQ(e.path().filename().string().find(".part"), std::string::npos) << e.path();
}

// A fax takes its name only when it is whole, and then replaces an older one.
TEST_F(FaxTiffFiles, AWholeFaxReplacesAnOlderFileOfItsName) {
    testkit::WriteFile(Path("fax.tif"), "older");
    testkit::WriteFile(Path("download.tmp"), Msg3Com({"AB"}));
    EXPECT_TRUE(SaveFaxTiff(Path("download.tmp"), Path("fax.tif"), "T4N", TPageCutter::Cut3Com));
    EXPECT_EQ(testkit::ReadFile(Path("fax.tif")).substr(0, 4), std::string("II*\0", 4));
    EXPECT_FALSE(files::FileExists(Path(".fax.tif.part")));
}

TEST_F(FaxTiffFiles, DownloadFilesAreFreshTemporaryFiles) {
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    setenv("TMPDIR", home.Path().c_str(), 1);
    const std::string a = MakeFaxDownloadFile();
    const std::string b = MakeFaxDownloadFile();
    if (old) setenv("TMPDIR", saved.c_str(), 1); else unsetenv("TMPDIR");
    EXPECT_NE(a, b);
    for (const auto& f : {a, b}) {
        EXPECT_EQ(f.rfind(home.Path() + "/", 0), 0u) << f;
        EXPECT_EQ(f.substr(f.size() - 4), ".tmp");
        EXPECT_EQ(files::FileSize(f), 0);
    }
}

// --- round trips through libtiff --------------------------------------------

struct TRoundTrip {
    const char* name;
    std::vector<G3Page> pages;
    std::string resolution;
};

std::vector<TRoundTrip> RoundTrips() {
    return {
        {"normal page", {G3TestPage(1143, 11)}, "T4N"},
        {"fine page", {G3TestPage(2287, 12)}, "T4F"},
        {"page of 2000 lines", {G3TestPage(2000, 13)}, "T4F"},
        {"two-page fax", {G3TestPage(1143, 14), G3TestPage(600, 15)}, "T4N"},
    };
}

TEST_F(FaxTiffFiles, RoundTripsThroughLibTiff) {
    for (const auto& rt : RoundTrips()) {
        for (TPageCutter cutter : {TPageCutter::Cut3Com, TPageCutter::CutElsa}) {
            SCOPED_TRACE(std::string(rt.name) + (cutter == TPageCutter::Cut3Com ? " 3Com" : " ELSA"));
            std::vector<std::string> coded;
            for (size_t i = 0; i < rt.pages.size(); ++i)
                coded.push_back(G3Encode(rt.pages[i], {.AlignEol = i % 2 == 1}));
            const std::string msg = cutter == TPageCutter::Cut3Com ? Msg3Com(coded) : MsgElsa(coded);
            const std::string path = Save(msg, cutter, rt.resolution);
            EXPECT_EQ(tiffcheck::TiffInfoComplaints(path), "");
            const tiffcheck::Decoded d = tiffcheck::Read(path);
            EXPECT_EQ(d.errors, std::vector<std::string>{});
            ASSERT_EQ(d.pages.size(), rt.pages.size());
            for (size_t i = 0; i < rt.pages.size(); ++i) {
                EXPECT_TRUE(d.pages[i] == rt.pages[i]) << "page " << i << " differs";
                EXPECT_FLOAT_EQ(d.yResolutions[i], rt.resolution == "T4F" ? 77224.0f / 394 : 38612.0f / 394);
            }
        }
    }
}

// The same pages stored in the simulated 3Com modem, fetched by the family
// page by page, probed for their resolution and cut the 3Com way. (The ELSA
// family's round trips are among its own tests.)
TEST(FaxTiffThrough3Com, RoundTripsThroughLibTiff) {
    const std::vector<TRoundTrip> trips = RoundTrips();
    const testkit::TempHome pages;
    std::string scenario;
    for (std::size_t m = 0; m < trips.size(); ++m) {
        scenario += "[message]\ntype = fax\n";
        for (std::size_t i = 0; i < trips[m].pages.size(); ++i) {
            const std::string g3 = pages.Path() + "/m" + std::to_string(m) + "p" + std::to_string(i) + ".g3";
            testkit::WriteFile(g3, G3Encode(trips[m].pages[i], {.AlignEol = i % 2 == 1}));
            scenario += "g3 = " + g3 + "\n";
        }
    }
    testkit::ScopedScriptedUi ui;
    sim3comtest::Rig r(scenario);
    r.modem.Refresh();
    ASSERT_EQ(r.modem.GetMsgCount(), static_cast<int32_t>(trips.size()));
    for (std::size_t m = 0; m < trips.size(); ++m) {
        const TRoundTrip& rt = trips[m];
        SCOPED_TRACE(rt.name);
        const std::string path = pages.Path() + "/fax" + std::to_string(m) + ".tif";
        r.modem.SaveFaxMsg(static_cast<int32_t>(m + 1), path, "");
        EXPECT_EQ(tiffcheck::TiffInfoComplaints(path), "");
        const tiffcheck::Decoded d = tiffcheck::Read(path);
        EXPECT_EQ(d.errors, std::vector<std::string>{});
        ASSERT_EQ(d.pages.size(), rt.pages.size());
        for (std::size_t i = 0; i < rt.pages.size(); ++i) {
            EXPECT_TRUE(d.pages[i] == rt.pages[i]) << "page " << i << " differs";
            EXPECT_FLOAT_EQ(d.yResolutions[i], rt.resolution == "T4F" ? 77224.0f / 394 : 38612.0f / 394);
        }
    }
    EXPECT_TRUE(ui->Prompts().empty());
}

TEST_F(FaxTiffFiles, APageWithoutLinesKeepsTheNextPagesReadable) {
    const G3Page first = G3TestPage(50, 21), last = G3TestPage(60, 22);
    const std::string msg = Msg3Com({G3Encode(first), "", G3Encode(last)}) + "zz";
    const std::string path = Save(msg, TPageCutter::Cut3Com, "T4N");
    const tiffcheck::Decoded d = tiffcheck::Read(path);
    ASSERT_EQ(d.pages.size(), 4u);
    EXPECT_TRUE(d.pages[0] == first);
    EXPECT_LE(d.pages[1].size(), 1u);  // what a reader makes of no data
    EXPECT_TRUE(d.pages[2] == last);
    EXPECT_LE(d.pages[3].size(), 1u);
}

}  // namespace
