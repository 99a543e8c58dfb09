#pragma once
// The outside references for the fax TIFF files we write: libtiff decodes
// every page to pixels, and tiffinfo -D reads every directory and strip. A
// test that includes this links libtiff (see the folder's .cmake rules).
#include <tiffio.h>

#include <QProcess>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "testkit/G3Encode.h"

namespace tiffcheck {

struct Decoded {
    std::vector<testkit::G3Page> pages;
    std::vector<float> yResolutions;
    std::vector<std::string> errors;  // libtiff's errors and warnings
};

inline std::vector<std::string>*& Sink() {
    static std::vector<std::string>* sink = nullptr;
    return sink;
}

inline void Collect(const char* module, const char* fmt, va_list ap) {
    char text[512];
    std::vsnprintf(text, sizeof text, fmt, ap);
    if (Sink()) Sink()->push_back(std::string(module ? module : "") + ": " + text);
}

inline Decoded Read(const std::string& path) {
    Decoded d;
    Sink() = &d.errors;
    const TIFFErrorHandler oldErr = TIFFSetErrorHandler(Collect);
    const TIFFErrorHandler oldWarn = TIFFSetWarningHandler(Collect);
    if (TIFF* t = TIFFOpen(path.c_str(), "r")) {
        do {
            uint32_t width = 0, length = 0;
            float yres = 0;
            TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &width);
            TIFFGetField(t, TIFFTAG_IMAGELENGTH, &length);
            TIFFGetField(t, TIFFTAG_YRESOLUTION, &yres);
            std::vector<uint8_t> line(static_cast<size_t>(TIFFScanlineSize(t)));
            testkit::G3Page page;
            for (uint32_t y = 0; y < length; ++y) {
                if (TIFFReadScanline(t, line.data(), y, 0) < 0) break;
                testkit::G3Row row(width);
                for (uint32_t x = 0; x < width; ++x) row[x] = (line[x / 8] >> (7 - x % 8)) & 1;
                page.push_back(std::move(row));
            }
            d.pages.push_back(std::move(page));
            d.yResolutions.push_back(yres);
        } while (TIFFReadDirectory(t));
        TIFFClose(t);
    }
    TIFFSetErrorHandler(oldErr);
    TIFFSetWarningHandler(oldWarn);
    Sink() = nullptr;
    return d;
}

// What tiffinfo -D has to say on standard error, or why it failed; "" when clean.
inline std::string TiffInfoComplaints(const std::string& path) {
    QProcess p;
    p.start("tiffinfo", {"-D", QString::fromStdString(path)});
    if (!p.waitForFinished(60000)) return "tiffinfo did not finish";
    const std::string err = p.readAllStandardError().toStdString();
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return "exit code " + std::to_string(p.exitCode()) + ": " + err;
    return err;
}

}  // namespace tiffcheck
