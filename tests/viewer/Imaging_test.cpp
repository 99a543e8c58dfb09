// The imaging controls on their own: decoding in every coding libtiff
// writes, lazy pages, the resolutions, smoothing, turns, fits, the selection
// rectangle, writing as stored, printing, and damaged files.
#include <sys/stat.h>
#include <unistd.h>

#include <QPrinter>
#include <QProcess>
#include <QScrollBar>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tests/viewer/PdfCheck.h"
#include "tests/viewer/ViewerTestKit.h"
#include "viewer/imaging/ImgAdmin.h"
#include "viewer/imaging/ImgEdit.h"
#include "viewer/imaging/ImgLibrary.h"

namespace {

using faxfiles::TCoding;
using imaging::TImgEditControl;
using imaging::TTiffDocument;

class ImagingTest : public viewertest::ViewerTest {
protected:
    void SetUp() override {
        ViewerTest::SetUp();
        imaging::SetHostUi(&ui::Current);
        edit = std::make_unique<TImgEditControl>(nullptr);
        edit->resize(400, 300);
        edit->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        edit.reset();
        ViewerTest::TearDown();
    }
    // Shows page N of Path, opened afresh.
    void Show(const std::string& Path, int32_t N = 1) {
        edit->SetImage(Path);
        GoTo(N);
    }
    // Shows page N of the open file, as the viewer's page moves do.
    void GoTo(int32_t N) {
        edit->SetPage(N);
        edit->ShowImage();
    }
    // The message a call raises; "" when it raises nothing.
    template <typename F>
    static std::string Raised(F&& Call) {
        try {
            Call();
        } catch (const EOleException& e) {
            return e.what();
        }
        return "";
    }
    std::unique_ptr<TImgEditControl> edit;
};

// The decoded page equals the rows it was written from, pixel for pixel.
void ExpectSamePixels(const imaging::TFaxPage& Page, const testkit::G3Page& Rows) {
    ASSERT_EQ(Page.height, static_cast<int32_t>(Rows.size()));
    ASSERT_EQ(Page.width, static_cast<int32_t>(Rows[0].size()));
    int differing = 0;
    for (int32_t y = 0; y < Page.height; ++y)
        for (int32_t x = 0; x < Page.width; ++x)
            differing += Page.Black(x, y) != (Rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] != 0);
    EXPECT_EQ(differing, 0);
}

TEST_F(ImagingTest, EveryBilevelCodingDecodesToTheSamePixels) {
    const testkit::G3Page rows = testkit::G3TestPage(300, 7);
    const struct {
        const char* name;
        TCoding coding;
    } codings[] = {
        {"G3 one-dimensional", {COMPRESSION_CCITTFAX3, 0}},
        {"G3 two-dimensional", {COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING}},
        {"G3 with filled EOLs", {COMPRESSION_CCITTFAX3, GROUP3OPT_FILLBITS}},
        {"G4", {COMPRESSION_CCITTFAX4}},
        {"modified Huffman", {COMPRESSION_CCITTRLE}},
        {"none", {COMPRESSION_NONE}},
        {"LZW", {COMPRESSION_LZW}},
        {"PackBits", {COMPRESSION_PACKBITS}},
        {"black is zero", {COMPRESSION_CCITTFAX3, 0, PHOTOMETRIC_MINISBLACK}},
        {"bits in reverse order", {COMPRESSION_CCITTFAX3, 0, PHOTOMETRIC_MINISWHITE, FILLORDER_LSB2MSB}},
        {"many strips", {COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING, PHOTOMETRIC_MINISWHITE, FILLORDER_MSB2LSB, 16}},
    };
    for (const auto& c : codings) {
        SCOPED_TRACE(c.name);
        const std::string path = dir + "/coding.tif";
        faxfiles::WriteFax(path, {{rows, 204, 98}}, c.coding);
        TTiffDocument document(path);
        ASSERT_EQ(document.PageCount(), 1);
        const auto page = document.Page(1);
        ExpectSamePixels(*page, rows);
        EXPECT_FLOAT_EQ(page->xResolution, 204);
        EXPECT_FLOAT_EQ(page->yResolution, 98);
    }
}

TEST_F(ImagingTest, PagesAreDecodedWhenFirstShownAndKept) {
    // A 20-page fine fax of full pages: page 1 is shown without decoding the others.
    const std::string path = dir + "/twenty.tif";
    faxfiles::WriteFax(path, faxfiles::NumberedPages(20, 196, 2287));
    edit->resize(680, 650);
    QApplication::processEvents();
    using Clock = std::chrono::steady_clock;
    const auto ms = [](Clock::time_point Since) {
        return std::chrono::duration<double, std::milli>(Clock::now() - Since).count();
    };
    auto started = Clock::now();
    Show(path);
    edit->FitImage(0, true);
    edit->View()->viewport()->repaint();
    double slowest = ms(started);
    ASSERT_TRUE(edit->ImageDisplayed());
    EXPECT_EQ(edit->PageCount(), 20);
    EXPECT_TRUE(edit->Document()->Decoded(1));
    for (int n = 2; n <= 20; ++n) EXPECT_FALSE(edit->Document()->Decoded(n)) << n;
    // Each page shown at best fit: decoded, scaled and drawn; the time is
    // printed for the record.
    double total = 0;
    for (int n = 2; n <= 20; ++n) {
        started = Clock::now();
        GoTo(n);
        edit->View()->viewport()->repaint();
        const double t = ms(started);
        total += t;
        slowest = std::max(slowest, t);
    }
    for (int n = 1; n <= 20; ++n) EXPECT_TRUE(edit->Document()->Decoded(n)) << n;
    started = Clock::now();
    edit->SetZoom(100);
    edit->View()->viewport()->repaint();
    const double at100 = ms(started);
    std::printf("best fit: %.1f ms a page on average, %.1f ms the slowest; 100 %% in view: %.1f ms\n", total / 19,
                slowest, at100);
}

TEST_F(ImagingTest, TheVerticalResolutionSetsTheHeightOnScreen) {
    // The same 1100 lines: at 98 dpi down each line stands twice as tall as at 196.
    Show(Fax("normal.tif", 1, 98));
    EXPECT_EQ(edit->DisplayedSize(), QSize(1728, 2290));  // 1100 * 204 / 98
    Show(Fax("fine.tif", 1, 196));
    EXPECT_EQ(edit->DisplayedSize(), QSize(1728, 1145));
    edit->SetZoom(50);
    EXPECT_EQ(edit->DisplayedSize(), QSize(864, 572));
}

TEST_F(ImagingTest, ReducedPagesAreSmoothedToGreyUnlessPixelsArePicked) {
    // One-pixel lines every fourth row: at 25 % each screen row covers four
    // page rows, one of them black.
    testkit::G3Page rows(400, testkit::G3Row(testkit::G3Width, 0));
    for (std::size_t y = 1; y < rows.size(); y += 4) std::fill(rows[y].begin(), rows[y].end(), 1);
    const std::string path = dir + "/lines.tif";
    faxfiles::WriteFax(path, {{rows, 204, 204}});
    Show(path);
    edit->SetZoom(25);
    const QRect area(0, 0, 100, 50);
    edit->SetDisplayScaleAlgorithm(4);
    const QImage smooth = edit->Rendered(area);
    edit->SetDisplayScaleAlgorithm(0);
    const QImage picked = edit->Rendered(area);
    int greys = 0, pickedBlack = 0;
    for (int y = 0; y < area.height(); ++y)
        for (int x = 0; x < area.width(); ++x) {
            const int s = qGray(smooth.pixel(x, y));
            greys += s > 150 && s < 230;  // a quarter black: 191
            const int p = qGray(picked.pixel(x, y));
            EXPECT_TRUE(p == 0 || p == 255);
            pickedBlack += p == 0;
        }
    EXPECT_EQ(greys, area.width() * area.height());
    // Picking the pixel under each centre misses every line.
    EXPECT_EQ(pickedBlack, 0);
}

TEST_F(ImagingTest, QuarterTurnsMoveThePageAndSwapItsSides) {
    testkit::G3Page rows(200, testkit::G3Row(testkit::G3Width, 0));
    for (std::size_t y = 0; y < 20; ++y)
        for (std::size_t x = 0; x < 20; ++x) rows[y][x] = 1;  // a black square top left
    const std::string path = dir + "/corner.tif";
    faxfiles::WriteFax(path, {{rows, 204, 98}});
    Show(path);
    const QSize upright = edit->DisplayedSize();
    EXPECT_EQ(upright, QSize(1728, 416));
    auto blackAt = [&](int x, int y) { return qGray(edit->Rendered(QRect(x, y, 1, 1)).pixel(0, 0)) < 128; };
    EXPECT_TRUE(blackAt(5, 5));
    edit->TurnClockwise();
    EXPECT_EQ(edit->DisplayedSize(), QSize(416, 1728));
    EXPECT_TRUE(blackAt(416 - 5, 5));  // now top right
    EXPECT_FALSE(blackAt(5, 5));
    edit->TurnClockwise();
    EXPECT_TRUE(blackAt(1728 - 5, 416 - 5));  // bottom right
    edit->TurnCounterClockwise();
    edit->TurnCounterClockwise();
    EXPECT_EQ(edit->DisplayedSize(), upright);
    EXPECT_TRUE(blackAt(5, 5));
    // The turn stays for the file's other pages, and goes when a file is set.
    Show(Fax("two.tif", 2), 1);
    edit->TurnCounterClockwise();
    GoTo(2);
    EXPECT_EQ(edit->Quarters(), 3);
    EXPECT_EQ(edit->DisplayedSize().width(), 1145);
    Show(dir + "/two.tif", 2);
    EXPECT_EQ(edit->Quarters(), 0);
}

TEST_F(ImagingTest, FitsUseTheWindowAndTheScrollBarThatAppears) {
    Show(Fax("fine.tif", 1, 196));  // 1728 x 1145 at 100 %
    const QSize window = edit->View()->maximumViewportSize();
    const int bar = edit->View()->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    edit->FitImage(0, true);
    EXPECT_FLOAT_EQ(edit->Zoom(), std::min(window.width() / 1728.0f, window.height() / 1145.0f) * 100);
    EXPECT_LE(edit->DisplayedSize().width(), window.width());
    EXPECT_LE(edit->DisplayedSize().height(), window.height());
    // A wide window: the width fit makes the page taller than the window, so
    // the vertical bar takes its share of the width.
    edit->resize(800, 200);
    QApplication::processEvents();
    const QSize wide = edit->View()->maximumViewportSize();
    edit->FitImage(1, true);
    EXPECT_FLOAT_EQ(edit->Zoom(), (wide.width() - bar) / 1728.0f * 100);
    EXPECT_EQ(edit->View()->verticalScrollBar()->maximum() > 0, true);
    edit->FitImage(2, true);
    EXPECT_FLOAT_EQ(edit->Zoom(), wide.height() / 1145.0f * 100);
    // No page shown: every fit is accepted and changes nothing.
    edit->SetImage("");
    EXPECT_NE(Raised([&] { edit->ShowImage(); }), "");
    edit->SetZoom(77);
    for (int16_t option : {0, 1, 2}) EXPECT_EQ(Raised([&] { edit->FitImage(option, true); }), "");
    EXPECT_FLOAT_EQ(edit->Zoom(), 77);
    EXPECT_NE(Raised([&] { edit->FitImage(3, true); }), "");
}

TEST_F(ImagingTest, ZoomStaysWithinItsLimits) {
    for (float good : {2.0f, 12.5f, 6554.0f}) EXPECT_EQ(Raised([&] { edit->SetZoom(good); }), "") << good;
    for (float bad : {1.99f, 0.0f, -5.0f, 6554.5f}) EXPECT_NE(Raised([&] { edit->SetZoom(bad); }), "") << bad;
    // A page at the largest zoom is drawn piece by piece, not whole.
    Show(Fax("fine.tif", 1));
    edit->SetZoom(6554);
    EXPECT_EQ(edit->DisplayedSize(), QSize(113253, 75037));
    edit->View()->viewport()->repaint();
    EXPECT_EQ(edit->Rendered(QRect(56000, 100 * 65, 50, 50)).size(), QSize(50, 50));
}

TEST_F(ImagingTest, ASelectionRectangleIsReportedAndZoomedTo) {
    Show(Fax("fine.tif", 1));
    edit->SetZoom(50);  // 864 x 573 in a window of about 400 x 300
    edit->SetSelectionRectangle(true);
    std::vector<std::vector<int32_t>> drawn;
    edit->OnSelectionRectDrawn = [&](int32_t l, int32_t t, int32_t w, int32_t h) { drawn.push_back({l, t, w, h}); };
    const QPoint origin = edit->View()->Origin();
    // Drawn with the mouse, bottom right to top left.
    QWidget* viewport = edit->View()->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, origin + QPoint(300, 200));
    QTest::mouseMove(viewport, origin + QPoint(250, 150));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, origin + QPoint(200, 150));
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0], (std::vector<int32_t>{200, 150, 100, 50}));
    const QSize window = edit->View()->maximumViewportSize();
    edit->ZoomToRectangle();
    EXPECT_FLOAT_EQ(edit->Zoom(), 50 * std::min(window.width() / 100.0f, window.height() / 50.0f));
    EXPECT_FALSE(edit->Selection());
    EXPECT_NE(Raised([&] { edit->ZoomToRectangle(); }), "");
    // One that starts left of the page is cut at its edge.
    edit->SetZoom(20);
    const QPoint o = edit->View()->Origin();
    edit->DrawSelection(o + QPoint(-30, 10), o + QPoint(40, 60));
    EXPECT_EQ(drawn.back(), (std::vector<int32_t>{0, 10, 40, 50}));
    // Without SelectionRectangle the mouse draws nothing.
    edit->SetSelectionRectangle(false);
    QTest::mousePress(viewport, Qt::LeftButton, {}, o + QPoint(30, 30));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, o + QPoint(60, 60));
    EXPECT_EQ(drawn.size(), 2u);
}

TEST_F(ImagingTest, WritingCopiesThePagesAsStored) {
    for (const TCoding coding : {TCoding{COMPRESSION_CCITTFAX3, 0}, TCoding{COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING},
                                 TCoding{COMPRESSION_CCITTFAX4}}) {
        SCOPED_TRACE(coding.compression * 10 + coding.group3Options);
        std::vector<faxfiles::TPageSpec> pages = faxfiles::NumberedPages(4, 98);
        pages[2].yResolution = 196;  // page 3 fine, the others normal
        const std::string source = dir + "/four.tif";
        faxfiles::WriteFax(source, pages, coding);
        Show(source, 3);
        edit->WriteImageFile(dir + "/all.tif", 1, 1, 2, 2, false);
        edit->WritePageFile(dir + "/three.tif", 1, 1, 2, 2, false, 1);
        const auto before = faxfiles::Facts(source);
        const auto all = faxfiles::Facts(dir + "/all.tif");
        const auto three = faxfiles::Facts(dir + "/three.tif");
        ASSERT_EQ(all.size(), 4u);
        ASSERT_EQ(three.size(), 1u);
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(all[i].compression, before[i].compression);
            EXPECT_EQ(all[i].group3Options, before[i].group3Options);
            EXPECT_FLOAT_EQ(all[i].yResolution, before[i].yResolution);
            EXPECT_FLOAT_EQ(all[i].xResolution, 204);
            EXPECT_EQ(all[i].raw, before[i].raw);  // not coded anew
        }
        EXPECT_EQ(three[0].raw, before[2].raw);
        EXPECT_FLOAT_EQ(three[0].yResolution, 196);
        // libtiff decodes them to exactly the pages written.
        const auto decoded = tiffcheck::Read(dir + "/all.tif");
        ASSERT_EQ(decoded.pages.size(), 4u);
        for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(decoded.pages[i], pages[i].rows) << i;
        EXPECT_EQ(tiffcheck::Read(dir + "/three.tif").pages.at(0), pages[2].rows);
        EXPECT_EQ(tiffcheck::TiffInfoComplaints(dir + "/all.tif"), "");
    }
}

TEST_F(ImagingTest, WritingOverTheShownFileOrIntoNoFolderLosesNothing) {
    const std::string source = Fax("four.tif", 4);
    Show(source, 2);
    const auto before = faxfiles::Facts(source);
    // Onto itself: the shown file stays whole and the next page still shows.
    edit->WriteImageFile(source, 1, 1, 2, 2, false);
    EXPECT_EQ(faxfiles::Facts(source).size(), 4u);
    GoTo(4);
    EXPECT_TRUE(edit->ImageDisplayed());
    // Into a folder that does not exist: an error and no file left behind.
    EXPECT_NE(Raised([&] { edit->WriteImageFile(dir + "/no/such/x.tif", 1, 1, 2, 2, false); }), "");
    // What cannot be done raises.
    for (auto call : std::vector<std::function<void()>>{
             [&] { edit->WriteImageFile(dir + "/x.tif", 2, 1, 2, 2, false); },
             [&] { edit->WriteImageFile(dir + "/x.tif", 1, 1, 2, 2, true); },
             [&] { edit->WritePageFile(dir + "/x.tif", 1, 1, 3, 2, false, 1); },
             [&] { edit->WritePageFile(dir + "/x.tif", 1, 1, 2, 2, false, 0); }})
        EXPECT_NE(Raised(call), "");
    EXPECT_FALSE(files::FileExists(dir + "/x.tif"));
    std::size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) files += e.is_regular_file();
    EXPECT_EQ(files, 1u);  // no half-written file beside it
    EXPECT_EQ(faxfiles::Facts(source)[1].raw, before[1].raw);
}

TEST_F(ImagingTest, PrintsTheRangeToAPdfFile) {
    Show(Fax("five.tif", 5, 98));
    QPrinter& printer = imaging::LibraryPrinter();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(dir + "/out.pdf"));
    edit->PrintPages(2, 4, 2);
    EXPECT_EQ(pdfcheck::Pages(dir + "/out.pdf"), 3);
    EXPECT_EQ(pdfcheck::Bars(dir + "/out.pdf", dir + "/pg"), (std::vector<int>{2, 3, 4}));
    for (auto range : std::vector<std::pair<int, int>>{{0, 1}, {3, 2}, {5, 6}})
        EXPECT_NE(Raised([&] { edit->PrintPages(range.first, range.second, 2); }), "");
    EXPECT_NE(Raised([&] { edit->PrintPages(1, 1, 3); }), "");
}

TEST_F(ImagingTest, TheAdminDialogsGoThroughTheHostAndRaiseOnCancel) {
    imaging::TImgAdminControl admin;
    admin.SetFilter("Pellow/Tiff|*.tif|All|*.*|");
    admin.SetInitDir(dir);
    ui->Answer(dir + "/chosen.tif");
    admin.AskFileName(0, -1);
    EXPECT_EQ(admin.Image(), dir + "/chosen.tif");
    ui->Answer("cancel");
    EXPECT_EQ(Raised([&] { admin.AskFileName(1, -1); }), imaging::TImgAdminControl::CancelText);
    EXPECT_EQ(admin.Image(), dir + "/chosen.tif");
    EXPECT_NE(Raised([&] { admin.AskFileName(2, -1); }), "");
    // The print dialog offers the file's pages and fills the three properties.
    admin.SetImage(Fax("five.tif", 5));
    ui->Answer("2-4 " + dir + "/p.pdf");
    admin.AskPrintOptions();
    EXPECT_EQ(admin.PrintRangeOption(), 1);
    EXPECT_EQ(admin.PrintStartPage(), 2);
    EXPECT_EQ(admin.PrintEndPage(), 4);
    ui->Answer("current");
    admin.AskPrintOptions();
    EXPECT_EQ(admin.PrintRangeOption(), 2);
    ui->Answer("all");
    admin.AskPrintOptions();
    EXPECT_EQ(admin.PrintRangeOption(), 0);
    EXPECT_EQ(admin.PrintEndPage(), 5);
    ui->Answer("cancel");
    EXPECT_EQ(Raised([&] { admin.AskPrintOptions(); }), imaging::TImgAdminControl::CancelText);
    const auto prompts = Prompts();
    ASSERT_GE(prompts.size(), 3u);
    EXPECT_EQ(prompts[0].kind, "open");
    EXPECT_EQ(prompts[1].kind, "save");
    EXPECT_EQ(prompts.back().kind, "print");
    EXPECT_EQ(prompts.back().text, "1-5");
}

// How many bars a page shows down its middle column.
int BarsOf(const imaging::TFaxPage& Page) {
    int bars = 0;
    bool inBar = false;
    for (int32_t y = 0; y < Page.height; ++y) {
        const bool black = Page.Black(Page.width / 2, y);
        if (black && !inBar) ++bars;
        inBar = black;
    }
    return bars;
}

// Makes the last directory of a TIFF file point at a next one beyond its end.
void PointPastTheEnd(const std::string& Path) {
    std::fstream f(Path, std::ios::in | std::ios::out | std::ios::binary);
    auto read32 = [&](std::streamoff at) {
        uint32_t v = 0;
        f.seekg(at);
        f.read(reinterpret_cast<char*>(&v), 4);
        return v;
    };
    std::streamoff next = 4;
    for (uint32_t ifd = read32(4); ifd != 0; ifd = read32(next)) {
        uint16_t entries = 0;
        f.seekg(ifd);
        f.read(reinterpret_cast<char*>(&entries), 2);
        next = ifd + 2 + 12 * std::streamoff{entries};
    }
    const uint32_t beyond = 0x7ffffff0;
    f.seekp(next);
    f.write(reinterpret_cast<const char*>(&beyond), 4);
}

TEST_F(ImagingTest, DamagedFilesRaiseAndTheNextGoodFileShows) {
    const std::string good = Fax("good.tif", 2);
    const std::string text = dir + "/text.tif";
    testkit::WriteFile(text, "This is no TIFF file at all, just some text.\n");
    faxfiles::WriteColour(dir + "/colour.tif");
    faxfiles::WriteTiled(dir + "/tiled.tif");
    const struct {
        std::string path;
        std::string says;
    } bad[] = {
        {dir + "/missing.tif", "does not exist"},
        {dir, "is no file"},
        {text, "is no TIFF file"},
        {dir + "/colour.tif", "colour"},
        {dir + "/tiled.tif", "tiles"},
    };
    for (const auto& b : bad) {
        SCOPED_TRACE(b.path);
        Show(good);
        const std::string raised = Raised([&] { Show(b.path); });
        EXPECT_NE(raised.find(b.says), std::string::npos) << raised;
        EXPECT_FALSE(edit->ImageDisplayed());
        Show(good, 2);
        EXPECT_TRUE(edit->ImageDisplayed());
    }
    // Cut short in a header, a page or a directory: some page raises; cut
    // in the last page's resolution only, the pages still show. Nothing crashes.
    const std::string whole = testkit::ReadFile(good);
    int raisedCuts = 0;
    for (std::size_t cut : {std::size_t{0}, std::size_t{7}, whole.size() / 4, whole.size() / 2, whole.size() * 3 / 4,
                            whole.size() - 1}) {
        SCOPED_TRACE(cut);
        const std::string cutPath = dir + "/cut.tif";
        testkit::WriteFile(cutPath, whole.substr(0, cut));
        bool anyRaised = !Raised([&] { Show(cutPath); }).empty();
        for (int32_t n = 2; n <= edit->PageCount(); ++n) anyRaised |= !Raised([&] { Show(cutPath, n); }).empty();
        raisedCuts += anyRaised;
        Show(good);
        EXPECT_TRUE(edit->ImageDisplayed());
    }
    EXPECT_EQ(raisedCuts, 5);
}

TEST_F(ImagingTest, AFileWhosePageCountLiesShowsThePagesItHas) {
    const std::string path = Fax("three.tif", 3);
    PointPastTheEnd(path);
    Show(path);
    EXPECT_TRUE(edit->ImageDisplayed());
    const int32_t count = edit->PageCount();
    EXPECT_GE(count, 3);
    for (int32_t n = 1; n <= 3; ++n) {
        Show(path, n);
        EXPECT_TRUE(edit->ImageDisplayed()) << n;
        EXPECT_EQ(BarsOf(*edit->Document()->Page(n)), n);
    }
    for (int32_t n = 4; n <= count; ++n) {
        EXPECT_NE(Raised([&] { Show(path, n); }), "") << n;
        EXPECT_FALSE(edit->ImageDisplayed());
    }
    EXPECT_NE(Raised([&] { Show(path, count + 1); }).find("does not exist"), std::string::npos);
    Show(path, 1);
    EXPECT_TRUE(edit->ImageDisplayed());
}

}  // namespace
