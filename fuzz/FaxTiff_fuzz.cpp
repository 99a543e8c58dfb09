// The fax TIFF writer with either page cutter over a downloaded message (the
// first byte chooses the cutter and the resolution, the rest is the
// download). Whatever the download holds, libtiff must read the file back
// with one directory per page written, each naming its own strip inside the
// file and the lines counted for it.
#include <tiffio.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>

#include "fuzz/FuzzKit.h"
#include "modem/FaxTiff.h"

namespace {

struct Memory {
    std::string bytes;
    toff_t at = 0;
};

tmsize_t ReadProc(thandle_t h, void* buf, tmsize_t n) {
    auto* m = static_cast<Memory*>(h);
    if (m->at >= m->bytes.size()) return 0;
    const auto count = std::min<toff_t>(static_cast<toff_t>(n), m->bytes.size() - m->at);
    std::memcpy(buf, m->bytes.data() + m->at, count);
    m->at += count;
    return static_cast<tmsize_t>(count);
}
tmsize_t WriteProc(thandle_t, void*, tmsize_t) { return 0; }
toff_t SeekProc(thandle_t h, toff_t off, int whence) {
    auto* m = static_cast<Memory*>(h);
    const toff_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m->at : m->bytes.size();
    m->at = base + off;
    return m->at;
}
int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t h) { return static_cast<Memory*>(h)->bytes.size(); }
int MapProc(thandle_t, void**, toff_t*) { return 0; }
void UnmapProc(thandle_t, void*, toff_t) {}

void Check(const std::string& Tiff, const std::vector<TFaxPage>& Pages, bool Fine) {
    Memory m{Tiff, 0};
    TIFF* tif = TIFFClientOpen("fax", "rm", &m, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc, MapProc, UnmapProc);
    if (!tif) __builtin_trap();
    std::size_t pages = 0;
    do {
        if (pages >= Pages.size()) __builtin_trap();
        const TFaxPage& p = Pages[pages];
        uint32_t width = 0, length = 0, rows = 0;
        uint16_t compression = 0;
        float yres = 0;
        uint64_t* offsets = nullptr;
        uint64_t* counts = nullptr;
        if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) || width != 1728) __builtin_trap();
        if (!TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &length) || length != static_cast<uint64_t>(p.Lines) || length < 1)
            __builtin_trap();
        if (!TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &rows) || rows != length) __builtin_trap();
        if (!TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression) || compression != COMPRESSION_CCITTFAX3) __builtin_trap();
        if (!TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yres) || yres != (Fine ? 196.0f : 98.0f)) __builtin_trap();
        if (TIFFNumberOfStrips(tif) != 1 || !TIFFGetField(tif, TIFFTAG_STRIPOFFSETS, &offsets) ||
            !TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &counts))
            __builtin_trap();
        // A page of no data (DLE ETX right after the last) is written as the
        // cutter finds it; libtiff takes its empty strip for a bogus count
        // and reckons one of its own.
        if (offsets[0] != static_cast<uint64_t>(p.StripOffset) ||
            (p.StripBytes > 0 && (counts[0] != static_cast<uint64_t>(p.StripBytes) || offsets[0] + counts[0] > Tiff.size())))
            __builtin_trap();
        ++pages;
    } while (TIFFReadDirectory(tif));
    TIFFClose(tif);
    if (pages != Pages.size()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandler(nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, std::size_t Size) {
    if (Size == 0) return 0;
    fuzz::NewRun();
    const TPageCutter cutter = (Data[0] & 1) != 0 ? TPageCutter::CutElsa : TPageCutter::Cut3Com;
    const bool fine = (Data[0] & 2) != 0;
    std::istringstream msg(std::string(reinterpret_cast<const char*>(Data) + 1, Size - 1));
    std::stringstream tiff(std::ios::in | std::ios::out | std::ios::binary);
    std::vector<TFaxPage> pages;
    fuzz::Tolerate([&] { pages = WriteFaxTiff(msg, tiff, cutter, fine); });
    if (!pages.empty()) Check(tiff.str(), pages, fine);
    return 0;
}
