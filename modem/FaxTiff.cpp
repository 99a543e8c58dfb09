#include "modem/FaxTiff.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <string>

#include "modem/Modem.h"
#include "modem/g3resolution.h"
#include "platform/Checked.h"
#include "platform/Files.h"

namespace {

constexpr uint8_t CR = 13;
constexpr uint8_t LF = 10;
const std::string Connect = "CONNECT\r\n";

constexpr int16_t TypeShort = 3;
constexpr int16_t TypeLong = 4;
constexpr int16_t TypeRational = 5;
constexpr int DirEntries = 15;
// Page data is written on in pieces of this size.
constexpr std::size_t StripBlock = 64 * 1024;

// The DLE shielding of the modem data; a DLE ETX is a page end for the cutter to qualify.
using TToken = TDleToken;
TToken NextToken(TByteSource& src, uint8_t& data) {
    return NextDleToken([&src](uint8_t& b) { return src.Get(b); }, data);
}

// Counts the coded lines of a page as a TIFF reader will decode them: the
// lines that follow an EOL and hold code words. The first empty line after
// some coded ones is the end-of-page sequence; nothing after it counts.
class TG3LineCounter {
public:
    void Byte(uint8_t b) {
        if (pageEnd_) return;
        for (auto steps = reader_.Byte(b); steps && !pageEnd_;) {
            switch (steps.Next()) {
                case TG3CodeReader::ByteZeroRun:
                case TG3CodeReader::ByteRun:
                    hasCode_ = true;
                    break;
                case TG3CodeReader::ByteEol:
                    EndLine();
                    afterEol_ = true;
                    break;
            }
        }
    }
    int64_t Lines() const { return lines_ + (!pageEnd_ && afterEol_ && hasCode_ ? 1 : 0); }

private:
    void EndLine() {
        if (afterEol_ && hasCode_) {
            ++lines_;
        } else if (afterEol_ && lines_ > 0) {
            pageEnd_ = true;
        }
        hasCode_ = false;
    }
    TG3CodeReader reader_;
    int64_t lines_ = 0;
    bool afterEol_ = false;
    bool hasCode_ = false;
    bool pageEnd_ = false;
};

class TTiffWriter {
public:
    TTiffWriter(std::ostream& out, bool fine) : out_(out), fine_(fine) {}

    void Header() {
        out_.put('I').put('I');
        Advance(2);
        Word(42);
        pendingNext_ = pos_;
        Long(0);
    }

    void BeginPage() {
        page_ = TFaxPage{};
        page_.StripOffset = pos_;
        counter_ = TG3LineCounter{};
    }
    void Data(uint8_t b) {
        strip_.push_back(static_cast<char>(b));
        counter_.Byte(b);
        if (strip_.size() >= StripBlock) FlushStrip();
    }
    void EndPage() {
        FlushStrip();
        page_.StripBytes = pos_ - page_.StripOffset;
        // Readers refuse a page of no rows and every page after it; a page
        // without a coded line is kept as one row.
        page_.Lines = std::max<int64_t>(counter_.Lines(), 1);
        page_.XResOffset = pos_;
        Long(80376);
        Long(394);
        page_.YResOffset = pos_;
        Long(fine_ ? 77224 : 38612);
        Long(394);
        page_.DirOffset = pos_;
        Chain(page_.DirOffset);
        Directory();
        pages_.push_back(page_);
    }
    const std::vector<TFaxPage>& Pages() const { return pages_; }

private:
    void FlushStrip() {
        out_.write(strip_.data(), static_cast<std::streamsize>(strip_.size()));
        Advance(static_cast<int64_t>(strip_.size()));
        strip_.clear();
    }
    void Directory() {
        Word(DirEntries);
        Entry(254, TypeLong, 2);
        Entry(256, TypeLong, 1728);
        Count(257);
        Entry(258, TypeShort, 1);
        Entry(259, TypeShort, 3);
        Entry(262, TypeShort, 0);
        Entry(266, TypeShort, 1);
        Entry(273, TypeLong, page_.StripOffset);
        Entry(277, TypeShort, 1);
        Count(278);
        Entry(279, TypeLong, page_.StripBytes);
        Entry(282, TypeRational, page_.XResOffset);
        Entry(283, TypeRational, page_.YResOffset);
        Entry(292, TypeLong, 0);
        Entry(296, TypeShort, 2);
        pendingNext_ = pos_;
        Long(0);
    }
    // Image length and rows per strip: the page's own line count, as a SHORT
    // where it fits and as a LONG for the (absurdly) long page where not.
    void Count(int16_t tag) { Entry(tag, page_.Lines > 0xFFFF ? TypeLong : TypeShort, page_.Lines); }
    void Entry(int16_t tag, int16_t type, int64_t value) {
        Word(tag);
        Word(type);
        Long(1);
        if (type == TypeShort) {
            Word(value);
            Word(0);
        } else {
            Long(value);
        }
    }
    // Points the pending next-directory offset at the directory to come.
    void Chain(int64_t dir) {
        out_.seekp(pendingNext_);
        WriteLongLE(out_, dir);
        out_.seekp(pos_);
    }
    void Word(int64_t v) {
        WriteWordLE(out_, v);
        Advance(2);
    }
    void Long(int64_t v) {
        WriteLongLE(out_, v);
        Advance(4);
    }
    void Advance(int64_t n) { pos_ = CheckedAdd(pos_, n); }

    std::ostream& out_;
    bool fine_;
    int64_t pos_ = 0;
    int64_t pendingNext_ = 0;
    TFaxPage page_;
    TG3LineCounter counter_;
    std::string strip_;  // page data not yet written
    std::vector<TFaxPage> pages_;
};

// Pages after the message header, each to DLE ETX or the end of the input.
void Cut3Com(TByteSource& src, TTiffWriter& tiff) {
    src.Skip(MsgHeaderBytes3Com);
    while (!src.AtEnd()) {
        tiff.BeginPage();
        uint8_t b;
        TToken t;
        while ((t = NextToken(src, b)) == TToken::Data) tiff.Data(b);
        tiff.EndPage();
        if (t == TToken::End) return;
    }
}

// Moves to just after the next "CONNECT" CR LF; False when there is none.
bool FindConnect(TByteSource& src) {
    while (!src.LooksAt(Connect)) {
        if (src.AtEnd()) return false;
        src.Skip(1);
    }
    src.Skip(Connect.size());
    return true;
}

// True when a DLE ETX just read is followed by CR LF; takes the CR LF.
bool TakeCrLf(TByteSource& src) {
    uint8_t cr, lf;
    if (!src.Peek(0, cr) || !src.Peek(1, lf) || cr != CR || lf != LF) return false;
    src.Skip(2);
    return true;
}

// Pages after "CONNECT" CR LF, each to DLE ETX CR LF or the end of the input,
// with the bit order turned into the TIFF's.
void CutElsa(TByteSource& src, TTiffWriter& tiff) {
    const TBitReverseTable& bitReverse = BitReverseTable();
    while (FindConnect(src)) {
        tiff.BeginPage();
        uint8_t b;
        TToken t;
        while ((t = NextToken(src, b)) != TToken::End) {
            if (t == TToken::Data) {
                tiff.Data(bitReverse[b]);
            } else if (TakeCrLf(src)) {
                break;
            } else {
                // A DLE ETX that ends no page is data.
                tiff.Data(bitReverse[Dle]);
                tiff.Data(bitReverse[Etx]);
            }
        }
        tiff.EndPage();
        if (t == TToken::End) return;
    }
}

}  // namespace

const TBitReverseTable& BitReverseTable() {
    static const TBitReverseTable table = [] {
        TBitReverseTable t{};
        for (std::size_t b = 0; b < t.size(); ++b) t[b] = ReverseBits(static_cast<uint8_t>(b));
        return t;
    }();
    return table;
}

bool IsFineResolution(const std::string& Resolution) { return Resolution == "T4F"; }

std::vector<TFaxPage> WriteFaxTiff(std::istream& Msg, std::ostream& Tiff, TPageCutter Cutter, bool Fine) {
    TByteSource src(Msg);
    TTiffWriter tiff(Tiff, Fine);
    tiff.Header();
    if (Cutter == TPageCutter::Cut3Com)
        Cut3Com(src, tiff);
    else
        CutElsa(src, tiff);
    return tiff.Pages();
}

namespace {

// The name a fax is written under until it is whole: beside it, hidden.
// Only one program can hold the modem, so no other writes this name meanwhile.
std::string WorkName(const std::string& FileName) {
    const std::filesystem::path path(FileName);
    return (path.parent_path() / ("." + path.filename().string() + ".part")).string();
}

}  // namespace

// A file is written under a name of its own beside the one asked for, and
// takes that name only once it is whole: no half-written fax ever stands
// under the name, and an older file of that name stays until the new one is
// complete. A device (the null device) is written as it is.
bool SaveFaxTiff(const std::string& MsgFile, const std::string& FileName, const std::string& Resolution,
                 TPageCutter Cutter) {
    // The download is of no use once the TIFF file exists or failed.
    struct TRemove {
        std::string path;
        ~TRemove() {
            if (!path.empty()) files::DeleteFile(path);
        }
    } remove{MsgFile};
    const std::string target = files::MapDeviceName(FileName);
    const bool device = target != FileName;
    const std::string work = device ? target : WorkName(FileName);
    TRemove unfinished{device ? std::string() : work};
    std::ifstream msg;
    if (files::FileExists(MsgFile)) msg.open(MsgFile, std::ios::binary);
    std::ofstream tiff(work, std::ios::binary | std::ios::trunc);
    if (!tiff.is_open()) return false;
    WriteFaxTiff(msg, tiff, Cutter, IsFineResolution(Resolution));
    const bool read = msg.is_open() && !msg.bad();
    msg.close();
    tiff.close();
    if (!read || tiff.fail()) return false;
    if (device) return true;
    std::error_code ec;
    std::filesystem::rename(work, FileName, ec);
    if (ec) return false;
    unfinished.path.clear();
    return true;
}

std::string MakeFaxDownloadFile() { return files::TempFileName(files::TempPath(), ""); }
