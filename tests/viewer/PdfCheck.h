#pragma once
// What a printed PDF file holds, by poppler's tools (the outside reference):
// its page count (pdfinfo) and, for pages that show their number as bars,
// the bars of each page (pdftoppm).
#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <string>
#include <vector>

namespace pdfcheck {

// -1 when pdfinfo cannot tell.
inline int Pages(const std::string& Path) {
    QProcess p;
    p.start("pdfinfo", {QString::fromStdString(Path)});
    p.waitForFinished(60000);
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n'))
        if (line.startsWith("Pages:")) return line.mid(6).trimmed().toInt();
    return -1;
}

// The pages rendered at 30 dpi into Prefix-N.pgm, and the bars down the middle of each.
inline std::vector<int> Bars(const std::string& Path, const std::string& Prefix) {
    QProcess p;
    p.start("pdftoppm", {"-r", "30", "-gray", QString::fromStdString(Path), QString::fromStdString(Prefix)});
    p.waitForFinished(60000);
    std::vector<int> bars;
    for (int n = 1; n < 100; ++n) {
        QImage image;
        for (const char* pattern : {"%s-%d.pgm", "%s-%02d.pgm"}) {
            char name[512];
            std::snprintf(name, sizeof name, pattern, Prefix.c_str(), n);
            if (image.load(name)) break;
        }
        if (image.isNull()) break;
        int count = 0;
        bool inBar = false;
        for (int y = 0; y < image.height(); ++y) {
            const bool black = qGray(image.pixel(image.width() / 2, y)) < 128;
            count += black && !inBar;
            inBar = black;
        }
        bars.push_back(count);
    }
    return bars;
}

}  // namespace pdfcheck
