#pragma once
// TIFF files for the viewer's tests, written and read with libtiff (the
// outside reference): fax pages in the codings libtiff writes, pages that
// show their own number, and files that are no fax at all.
#include <tiffio.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "testkit/G3Encode.h"
#include "testkit/LibTiffCheck.h"

namespace faxfiles {

struct TCoding {
    uint16_t compression = COMPRESSION_CCITTFAX3;
    uint32_t group3Options = 0;  // GROUP3OPT_2DENCODING for two-dimensional G3
    uint16_t photometric = PHOTOMETRIC_MINISWHITE;
    uint16_t fillOrder = FILLORDER_MSB2LSB;
    uint32_t rowsPerStrip = 0;  // 0: one strip per page
};

struct TPageSpec {
    testkit::G3Page rows;
    float xResolution = 204;
    float yResolution = 196;
};

inline void WriteFax(const std::string& Path, const std::vector<TPageSpec>& Pages, const TCoding& Coding = {}) {
    TIFF* t = TIFFOpen(Path.c_str(), "w");
    if (!t) throw std::runtime_error("cannot write " + Path);
    uint16_t index = 0;
    for (const TPageSpec& page : Pages) {
        const auto width = static_cast<uint32_t>(page.rows.empty() ? 0 : page.rows[0].size());
        const auto height = static_cast<uint32_t>(page.rows.size());
        TIFFSetField(t, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, height);
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(t, TIFFTAG_COMPRESSION, Coding.compression);
        if (Coding.compression == COMPRESSION_CCITTFAX3) TIFFSetField(t, TIFFTAG_GROUP3OPTIONS, Coding.group3Options);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, Coding.photometric);
        TIFFSetField(t, TIFFTAG_FILLORDER, Coding.fillOrder);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, Coding.rowsPerStrip ? Coding.rowsPerStrip : height);
        TIFFSetField(t, TIFFTAG_XRESOLUTION, page.xResolution);
        TIFFSetField(t, TIFFTAG_YRESOLUTION, page.yResolution);
        TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        TIFFSetField(t, TIFFTAG_PAGENUMBER, index, static_cast<uint16_t>(Pages.size()));
        ++index;
        std::vector<uint8_t> line((width + 7) / 8);
        for (uint32_t y = 0; y < height; ++y) {
            std::fill(line.begin(), line.end(), 0);
            for (uint32_t x = 0; x < width; ++x) {
                bool black = page.rows[y][x] != 0;
                if (Coding.photometric == PHOTOMETRIC_MINISBLACK) black = !black;
                if (black) line[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            }
            if (TIFFWriteScanline(t, line.data(), y, 0) < 0) throw std::runtime_error("cannot write a line");
        }
        TIFFWriteDirectory(t);
    }
    TIFFClose(t);
}

// A page of Lines rows that shows its number N: N black bars 40 rows high,
// 40 rows apart, from row 100 on, over the middle of the page.
inline testkit::G3Page NumberedPage(int N, int Lines = 1100, int Width = testkit::G3Width) {
    testkit::G3Page page(static_cast<std::size_t>(Lines), testkit::G3Row(static_cast<std::size_t>(Width), 0));
    for (int k = 0; k < N; ++k)
        for (int y = 100 + 80 * k; y < 140 + 80 * k && y < Lines; ++y)
            for (int x = Width / 4; x < Width * 3 / 4; ++x) page[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = 1;
    return page;
}

// Pages 1 to Count, each numbered, at the given resolutions.
inline std::vector<TPageSpec> NumberedPages(int Count, float YResolution = 196, int Lines = 1100) {
    std::vector<TPageSpec> pages;
    for (int n = 1; n <= Count; ++n) pages.push_back({NumberedPage(n, Lines), 204, YResolution});
    return pages;
}

// A colour (RGB, 8 bits each) or tiled picture: TIFF files that are no fax.
inline void WriteColour(const std::string& Path) {
    TIFF* t = TIFFOpen(Path.c_str(), "w");
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 64);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, 32);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 32);
    std::vector<uint8_t> line(64 * 3, 200);
    for (uint32_t y = 0; y < 32; ++y) TIFFWriteScanline(t, line.data(), y, 0);
    TIFFClose(t);
}

inline void WriteTiled(const std::string& Path) {
    TIFF* t = TIFFOpen(Path.c_str(), "w");
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 64);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, 64);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(t, TIFFTAG_TILEWIDTH, 16);
    TIFFSetField(t, TIFFTAG_TILELENGTH, 16);
    std::vector<uint8_t> tile(static_cast<std::size_t>(TIFFTileSize(t)), 0x0F);
    for (uint32_t y = 0; y < 64; y += 16)
        for (uint32_t x = 0; x < 64; x += 16) TIFFWriteTile(t, tile.data(), x, y, 0, 0);
    TIFFClose(t);
}

// What a file's pages are: their coding, resolutions and size.
struct TPageFacts {
    uint16_t compression = 0;
    uint32_t group3Options = 0;
    float xResolution = 0;
    float yResolution = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    std::string raw;  // the coded strips as stored
};

inline std::vector<TPageFacts> Facts(const std::string& Path) {
    std::vector<TPageFacts> facts;
    TIFF* t = TIFFOpen(Path.c_str(), "r");
    if (!t) return facts;
    do {
        TPageFacts f;
        TIFFGetField(t, TIFFTAG_COMPRESSION, &f.compression);
        TIFFGetField(t, TIFFTAG_GROUP3OPTIONS, &f.group3Options);
        TIFFGetField(t, TIFFTAG_XRESOLUTION, &f.xResolution);
        TIFFGetField(t, TIFFTAG_YRESOLUTION, &f.yResolution);
        TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &f.width);
        TIFFGetField(t, TIFFTAG_IMAGELENGTH, &f.height);
        for (uint32_t s = 0; s < TIFFNumberOfStrips(t); ++s) {
            std::string strip(static_cast<std::size_t>(TIFFGetStrileByteCount(t, s)), '\0');
            TIFFReadRawStrip(t, s, strip.data(), static_cast<tmsize_t>(strip.size()));
            f.raw += strip;
        }
        facts.push_back(std::move(f));
    } while (TIFFReadDirectory(t));
    TIFFClose(t);
    return facts;
}

}  // namespace faxfiles
