#pragma once
// One TIFF file as the imaging controls read it: the pages are counted when
// the file is opened, and each is decoded when it is first asked for and
// then kept (up to a bounded amount of memory). Only fax pages are shown:
// one bit per pixel, in strips, in any coding libtiff decodes (CCITT G3 one-
// and two-dimensional, G4, LZW, PackBits, none, ...). Pages are written to
// another file as they are stored, never decoded and coded again.
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct tiff;

namespace imaging {

// One page as stored: its pixels packed eight to a byte, the leftmost in the
// most significant bit, 1 black; and its resolutions (0 when the file has none).
struct TFaxPage {
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;
    std::vector<uint8_t> bits;
    float xResolution = 0;
    float yResolution = 0;

    bool Black(int32_t X, int32_t Y) const {
        return (bits[static_cast<std::size_t>(Y) * static_cast<std::size_t>(stride) + static_cast<std::size_t>(X / 8)] >>
                (7 - X % 8)) & 1;
    }
    // How many times taller than wide one pixel stands: the horizontal
    // resolution over the vertical one; 1 when either is unknown.
    double PixelAspect() const;
};

class TTiffDocument {
public:
    // Raises EOleException when the file cannot be opened, is no TIFF file or holds no page.
    explicit TTiffDocument(const std::string& Path);
    ~TTiffDocument();
    TTiffDocument(const TTiffDocument&) = delete;
    TTiffDocument& operator=(const TTiffDocument&) = delete;

    const std::string& Path() const { return path_; }
    int32_t PageCount() const { return pageCount_; }

    // Page N (1-based), decoded at its first use. Raises EOleException for a
    // page that does not exist, cannot be read or is no fax page.
    std::shared_ptr<const TFaxPage> Page(int32_t N);
    // Whether page N has been decoded and is still kept.
    bool Decoded(int32_t N) const { return cache_.count(N) != 0; }

    // Writes pages First to Last into a new TIFF file at Target, each with
    // its own coding, resolutions and strips as stored. The file appears
    // whole or not at all (also when Target is this file). Raises EOleException.
    void WritePages(const std::string& Target, int32_t First, int32_t Last);

    // The memory that decoded pages may keep; the least recently used go first.
    static constexpr std::size_t CacheBytes = 64u << 20;

private:
    friend struct TiffErrors;
    [[noreturn]] void Fail(const std::string& What);
    void SelectPage(int32_t N, const std::string& Doing);
    void CheckFaxPage(int32_t N, const std::string& Doing);
    void CopyPage(tiff* Target, int32_t N, int32_t Index, int32_t Count);
    void Keep(int32_t N, std::shared_ptr<const TFaxPage> Page);

    std::string path_;
    tiff* tif_ = nullptr;
    int32_t pageCount_ = 0;
    // What libtiff last reported as an error.
    std::string lastError_;
    std::map<int32_t, std::shared_ptr<const TFaxPage>> cache_;
    std::list<int32_t> recent_;  // most recently used first
    std::size_t cachedBytes_ = 0;
};

}  // namespace imaging
