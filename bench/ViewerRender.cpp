// The viewer's page render of a fine fax page at best fit in the window of
// Leafor's first start: the imaging control opens the file, decodes the
// page, fits it and paints it; set beside libtiff alone decoding the same
// page into rows, in the same run (best of five rounds each). A repaint of
// the shown page is the second figure.
#include <tiffio.h>

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchKit.h"
#include "modem/FaxTiff.h"
#include "platform/Ui.h"
#include "testkit/FaxLetter.h"
#include "testkit/G3Encode.h"
#include "testkit/TestKit.h"
#include "viewer/imaging/ImgEdit.h"
#include "viewer/imaging/ImgLibrary.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    constexpr int kRounds = 5;
    testkit::TempHome home;
    const std::string download = home.Path() + "/download", tiff = home.Path() + "/fine.tif";
    testkit::WriteFile(download, std::string(34, '\0') + testkit::G3Shield(testkit::CodedFaxLetterPage(1, 0, 1, true)));
    if (!SaveFaxTiff(download, tiff, "T4F", TPageCutter::Cut3Com)) return 2;
    imaging::SetHostUi(&ui::Current);

    double renderBest = 1e9, repaintBest = 1e9, decodeBest = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        imaging::TImgEditControl edit(nullptr);
        edit.resize(1000, 700);
        edit.show();
        QApplication::processEvents();
        bench::Stretch s;
        edit.SetImage(tiff);
        edit.SetPage(1);
        edit.ShowImage();
        edit.FitImage(0, true);
        edit.grab();
        renderBest = std::min(renderBest, s.Wall());
        s = bench::Stretch();
        edit.RepaintImage();
        edit.grab();
        repaintBest = std::min(repaintBest, s.Wall());

        s = bench::Stretch();
        TIFF* t = TIFFOpen(tiff.c_str(), "r");
        uint32_t length = 0;
        TIFFGetField(t, TIFFTAG_IMAGELENGTH, &length);
        std::vector<uint8_t> row(static_cast<std::size_t>(TIFFScanlineSize(t)));
        for (uint32_t y = 0; y < length; ++y) TIFFReadScanline(t, row.data(), y);
        TIFFClose(t);
        decodeBest = std::min(decodeBest, s.Wall());
    }
    bench::Figure("Viewer: fine page opened, decoded, fitted and painted / libtiff decoding it alone",
                  bench::Seconds(renderBest), bench::Seconds(decodeBest) + " (libtiff)", renderBest / decodeBest, "",
                  true);
    bench::Figure("Viewer: repaint of the fitted page / libtiff decoding it alone", bench::Seconds(repaintBest),
                  bench::Seconds(decodeBest) + " (libtiff)", repaintBest / decodeBest, "", true);
    return 0;
}
