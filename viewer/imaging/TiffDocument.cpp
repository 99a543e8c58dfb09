#include "viewer/imaging/TiffDocument.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "viewer/Imaging.h"

namespace imaging {

namespace {

// Bounds against damaged or hostile files: a fax page is 1728 pixels wide
// and a few thousand lines long.
constexpr uint32_t MaxWidth = 1u << 16;
constexpr uint64_t MaxPixels = 1ull << 28;
constexpr tmsize_t MaxAllocation = 256 << 20;

std::string Text(const char* Format, va_list Args) {
    char buffer[1024];
    std::vsnprintf(buffer, sizeof buffer, Format, Args);
    return buffer;
}

std::string FolderOf(const std::string& Path) {
    const auto slash = Path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : Path.substr(0, slash);
}

template <typename T>
bool Field(TIFF* Tif, uint32_t Tag, T& Value) {
    return TIFFGetField(Tif, Tag, &Value) == 1;
}

}  // namespace

// libtiff's reports of one handle go to its document.
struct TiffErrors {
    static int Error(TIFF*, void* Document, const char*, const char* Format, va_list Args) {
        static_cast<TTiffDocument*>(Document)->lastError_ = Text(Format, Args);
        return 1;
    }
    static int Warning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

    // Options for a handle whose reports go to Document.
    static TIFFOpenOptions* Options(TTiffDocument* Document) {
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        TIFFOpenOptionsSetMaxSingleMemAlloc(options, MaxAllocation);
        TIFFOpenOptionsSetErrorHandlerExtR(options, Error, Document);
        TIFFOpenOptionsSetWarningHandlerExtR(options, Warning, Document);
        return options;
    }
};

double TFaxPage::PixelAspect() const {
    if (!(xResolution > 0) || !(yResolution > 0)) return 1.0;
    // A resolution pair that would show a page hundreds of times stretched
    // is damage, not a fax.
    return std::clamp(static_cast<double>(xResolution) / yResolution, 0.1, 10.0);
}

TTiffDocument::TTiffDocument(const std::string& Path) : path_(Path) {
    if (Path.empty()) throw EOleException("No image file is named.");
    struct stat st{};
    if (stat(Path.c_str(), &st) != 0) throw EOleException("The file " + Path + " does not exist.");
    if (!S_ISREG(st.st_mode)) throw EOleException(Path + " is no file.");
    TIFFOpenOptions* options = TiffErrors::Options(this);
    // Read, not mapped: a file cut short while it is shown must give a read
    // error, not a bus error.
    tif_ = TIFFOpenExt(Path.c_str(), "rm", options);
    TIFFOpenOptionsFree(options);
    if (!tif_) Fail(Path + " is no TIFF file that can be read");
    lastError_.clear();
    pageCount_ = static_cast<int32_t>(TIFFNumberOfDirectories(tif_));
    // A chain of directories that leads to one that cannot be read (a file
    // cut short, a damaged offset) counts that one too: it is a page the
    // file claims, and showing it reports why it cannot be shown.
    if (!lastError_.empty()) ++pageCount_;
    lastError_.clear();
    if (pageCount_ <= 0) {
        TIFFClose(tif_);
        tif_ = nullptr;
        Fail(Path + " holds no page");
    }
}

TTiffDocument::~TTiffDocument() {
    if (tif_) TIFFClose(tif_);
}

void TTiffDocument::Fail(const std::string& What) {
    std::string text = What;
    if (!lastError_.empty()) text += ": " + lastError_;
    lastError_.clear();
    if (text.back() != '.') text += '.';
    throw EOleException(text);
}

void TTiffDocument::SelectPage(int32_t N, const std::string& Doing) {
    if (N < 1 || N > pageCount_)
        throw EOleException("Page " + std::to_string(N) + " does not exist; " + path_ + " has " +
                            std::to_string(pageCount_) + (pageCount_ == 1 ? " page." : " pages."));
    lastError_.clear();
    if (!TIFFSetDirectory(tif_, static_cast<tdir_t>(N - 1))) Fail(Doing);
}

void TTiffDocument::CheckFaxPage(int32_t N, const std::string& Doing) {
    SelectPage(N, Doing);
    if (TIFFIsTiled(tif_)) throw EOleException(Doing + ": it is stored in tiles, and a fax page is stored in strips.");
    uint16_t bits = 1, samples = 1;
    TIFFGetFieldDefaulted(tif_, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif_, TIFFTAG_SAMPLESPERPIXEL, &samples);
    if (bits != 1 || samples != 1)
        throw EOleException(Doing + ": it is a " + (samples > 1 ? "colour" : "grey") +
                            " image, and a fax page is black and white.");
    uint16_t photometric = PHOTOMETRIC_MINISWHITE;
    Field(tif_, TIFFTAG_PHOTOMETRIC, photometric);
    if (photometric != PHOTOMETRIC_MINISWHITE && photometric != PHOTOMETRIC_MINISBLACK)
        throw EOleException(Doing + ": its pixels are no black and white.");
    uint32_t width = 0, height = 0;
    Field(tif_, TIFFTAG_IMAGEWIDTH, width);
    Field(tif_, TIFFTAG_IMAGELENGTH, height);
    if (width == 0 || height == 0 || width > MaxWidth || uint64_t{width} * height > MaxPixels)
        throw EOleException(Doing + ": a page of " + std::to_string(width) + " by " + std::to_string(height) +
                            " pixels is no fax page.");
}

std::shared_ptr<const TFaxPage> TTiffDocument::Page(int32_t N) {
    if (auto hit = cache_.find(N); hit != cache_.end()) {
        recent_.remove(N);
        recent_.push_front(N);
        return hit->second;
    }
    const std::string doing = "Page " + std::to_string(N) + " of " + path_ + " cannot be shown";
    CheckFaxPage(N, doing);
    auto page = std::make_shared<TFaxPage>();
    uint32_t width = 0, height = 0;
    Field(tif_, TIFFTAG_IMAGEWIDTH, width);
    Field(tif_, TIFFTAG_IMAGELENGTH, height);
    uint16_t photometric = PHOTOMETRIC_MINISWHITE;
    Field(tif_, TIFFTAG_PHOTOMETRIC, photometric);
    Field(tif_, TIFFTAG_XRESOLUTION, page->xResolution);
    Field(tif_, TIFFTAG_YRESOLUTION, page->yResolution);
    page->width = static_cast<int32_t>(width);
    page->height = static_cast<int32_t>(height);
    page->stride = static_cast<int32_t>((width + 7) / 8);
    if (TIFFScanlineSize(tif_) != page->stride) Fail(doing);
    page->bits.resize(static_cast<std::size_t>(page->stride) * height);
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = page->bits.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(page->stride);
        if (TIFFReadScanline(tif_, row, y, 0) < 0) Fail(doing);
        if (photometric == PHOTOMETRIC_MINISBLACK)
            for (int32_t i = 0; i < page->stride; ++i) row[i] = static_cast<uint8_t>(~row[i]);
    }
    Keep(N, page);
    return page;
}

void TTiffDocument::Keep(int32_t N, std::shared_ptr<const TFaxPage> Page) {
    cachedBytes_ += Page->bits.size();
    cache_[N] = std::move(Page);
    recent_.push_front(N);
    // The page just decoded stays whatever its size.
    while (cachedBytes_ > CacheBytes && recent_.size() > 1) {
        const int32_t oldest = recent_.back();
        recent_.pop_back();
        cachedBytes_ -= cache_[oldest]->bits.size();
        cache_.erase(oldest);
    }
}

void TTiffDocument::CopyPage(TIFF* Target, int32_t N, int32_t Index, int32_t Count) {
    const std::string doing = "Page " + std::to_string(N) + " of " + path_ + " cannot be written";
    CheckFaxPage(N, doing);
    // The fields that say how the strips are coded and how large a pixel is;
    // the coding comes first, as it decides which of the others exist.
    const uint32_t shorts[] = {TIFFTAG_COMPRESSION,   TIFFTAG_BITSPERSAMPLE, TIFFTAG_SAMPLESPERPIXEL,
                               TIFFTAG_PHOTOMETRIC,   TIFFTAG_FILLORDER,     TIFFTAG_PLANARCONFIG,
                               TIFFTAG_RESOLUTIONUNIT, TIFFTAG_ORIENTATION,  TIFFTAG_PREDICTOR,
                               TIFFTAG_CLEANFAXDATA};
    const uint32_t longs[] = {TIFFTAG_IMAGEWIDTH,  TIFFTAG_IMAGELENGTH,  TIFFTAG_ROWSPERSTRIP,
                              TIFFTAG_SUBFILETYPE, TIFFTAG_GROUP3OPTIONS, TIFFTAG_GROUP4OPTIONS,
                              TIFFTAG_BADFAXLINES, TIFFTAG_CONSECUTIVEBADFAXLINES};
    const uint32_t floats[] = {TIFFTAG_XRESOLUTION, TIFFTAG_YRESOLUTION};
    const std::string writing = "The TIFF file cannot be written";
    for (uint32_t tag : shorts) {
        uint16_t v = 0;
        if (Field(tif_, tag, v) && !TIFFSetField(Target, tag, v)) Fail(writing);
    }
    for (uint32_t tag : longs) {
        uint32_t v = 0;
        if (Field(tif_, tag, v) && !TIFFSetField(Target, tag, v)) Fail(writing);
    }
    for (uint32_t tag : floats) {
        float v = 0;
        if (Field(tif_, tag, v) && !TIFFSetField(Target, tag, v)) Fail(writing);
    }
    TIFFSetField(Target, TIFFTAG_PAGENUMBER, static_cast<uint16_t>(Index), static_cast<uint16_t>(Count));
    const uint32_t strips = TIFFNumberOfStrips(tif_);
    std::vector<uint8_t> data;
    for (uint32_t s = 0; s < strips; ++s) {
        const uint64_t size = TIFFGetStrileByteCount(tif_, s);
        if (size > static_cast<uint64_t>(MaxAllocation)) Fail(doing + ": a strip is too large");
        data.resize(static_cast<std::size_t>(size));
        const tmsize_t n = static_cast<tmsize_t>(size);
        if (TIFFReadRawStrip(tif_, s, data.data(), n) != n) Fail(doing);
        if (TIFFWriteRawStrip(Target, s, data.data(), n) != n) Fail(writing);
    }
    if (!TIFFWriteDirectory(Target)) Fail(writing);
}

void TTiffDocument::WritePages(const std::string& Target, int32_t First, int32_t Last) {
    if (First < 1 || Last < First || Last > pageCount_)
        throw EOleException("Pages " + std::to_string(First) + " to " + std::to_string(Last) + " of " + path_ +
                            " do not exist.");
    if (Target.empty()) throw EOleException("No file is named to write to.");
    // A new file beside the target takes its place once it is complete, so
    // that a failure leaves the old file and the shown file may be the target.
    std::string temporary = FolderOf(Target) + "/.imgedit-XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) throw EOleException("The file " + Target + " cannot be written: " + std::strerror(errno) + ".");
    struct stat existing{};
    const mode_t umaskNow = umask(0);
    umask(umaskNow);
    fchmod(fd, stat(Target.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : (0666 & ~umaskNow));
    TIFFOpenOptions* options = TiffErrors::Options(this);
    TIFF* out = TIFFFdOpenExt(fd, temporary.c_str(), "w", options);
    TIFFOpenOptionsFree(options);
    if (!out) {
        close(fd);
        unlink(temporary.c_str());
        Fail("The file " + Target + " cannot be written");
    }
    try {
        for (int32_t n = First; n <= Last; ++n) CopyPage(out, n, n - First, Last - First + 1);
        if (!TIFFFlush(out) || fsync(TIFFFileno(out)) != 0) Fail("The file " + Target + " cannot be written");
    } catch (...) {
        TIFFClose(out);
        unlink(temporary.c_str());
        throw;
    }
    TIFFClose(out);
    if (rename(temporary.c_str(), Target.c_str()) != 0) {
        const int error = errno;
        unlink(temporary.c_str());
        throw EOleException("The file " + Target + " cannot be written: " + std::strerror(error) + ".");
    }
}

}  // namespace imaging
