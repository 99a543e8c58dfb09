// A 3Com fax of ten fine letter pages to a TIFF file, as SaveFaxMsg does it
// after the download (the resolution probe, then the writer with the 3Com
// cutter), beside libtiff's fax2tiff making a TIFF of the same G3 pages, in
// the same run: best CPU time of five rounds each. Goal: at least as fast.
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/BenchKit.h"
#include "modem/FaxTiff.h"
#include "modem/g3resolution.h"
#include "testkit/FaxLetter.h"
#include "testkit/G3Encode.h"
#include "testkit/TestKit.h"

int main() {
    constexpr int kPages = 10, kRounds = 5;
    testkit::TempHome home;
    std::string message(34, '\0');
    QStringList pages;
    long long g3 = 0;
    for (int p = 0; p < kPages; ++p) {
        const std::string code = testkit::CodedFaxLetterPage(p / 2 + 1, p % 2, 2, true);
        message += testkit::G3Shield(code);
        const std::string file = home.Path() + "/page" + std::to_string(p) + ".g3";
        testkit::WriteFile(file, code);
        pages << QString::fromStdString(file);
        g3 += static_cast<long long>(code.size());
    }
    const std::string download = home.Path() + "/download", ours = home.Path() + "/ours.tif";
    double oursBest = 1e9, refBest = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        testkit::WriteFile(download, message);
        const bench::Stretch s;
        std::string resolution = "T4N";
        G3TifResolution probe;
        probe.DetectResolution(download, resolution);
        if (resolution != "T4F" || !SaveFaxTiff(download, ours, resolution, TPageCutter::Cut3Com)) return 2;
        oursBest = std::min(oursBest, s.Cpu());

        const double c0 = bench::CpuSeconds(RUSAGE_CHILDREN);
        QProcess fax2tiff;
        fax2tiff.start("fax2tiff", QStringList{"-M", "-1", "-R", "196", "-o",
                                               QString::fromStdString(home.Path() + "/fax2tiff.tif")} + pages);
        if (!fax2tiff.waitForFinished(60000) || fax2tiff.exitCode() != 0) {
            std::fprintf(stderr, "fax2tiff failed: %s\n", fax2tiff.readAllStandardError().constData());
            return 2;
        }
        refBest = std::min(refBest, bench::CpuSeconds(RUSAGE_CHILDREN) - c0);
    }
    char what[128];
    std::snprintf(what, sizeof what, "TIFF writing with the resolution probe, %d fine pages (%lld kB of G3)", kPages,
                  g3 / 1024);
    return bench::Figure(std::string(what) + ": fax2tiff's CPU time / ours", bench::Seconds(oursBest),
                         bench::Seconds(refBest) + " (fax2tiff)", refBest / oursBest, ">= 1", refBest >= oursBest)
               ? 0
               : 1;
}
