#pragma once
// The fax TIFF file that both modem families write from a downloaded fax
// message: little-endian, one CCITT T.4 one-dimensional strip and one image
// file directory of 15 entries per page, 1728 pixels wide, 204 dots per inch
// across and 98 or 196 down. The families differ only in how the pages are
// cut out of the download, so there is one writer with two page cutters.
#include <array>
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

enum class TPageCutter {
    // The message as the 3Com memory-page transfer wrote it: the 34-byte
    // message header, then pages ended by DLE ETX, in TIFF bit order.
    Cut3Com,
    // The message as the ELSA block receive wrote it: each page after
    // "CONNECT" CR LF up to DLE ETX CR LF, in the modem's reversed bit order.
    CutElsa,
};

// Where one page went in the file.
struct TFaxPage {
    int64_t StripOffset = 0;   // S
    int64_t StripBytes = 0;    // L
    int64_t XResOffset = 0;    // X
    int64_t YResOffset = 0;    // Y
    int64_t DirOffset = 0;     // D
    // The coded lines, at least 1: written as image length and rows per strip.
    int64_t Lines = 0;
};

// Entry b: byte b with its bit order reversed (ReverseBits). The ELSA modems
// send their fax data in that order, so the ELSA cutter turns every data byte
// through this one table; the ELSA family holds it as its BitReverse.
using TBitReverseTable = std::array<uint8_t, 256>;
const TBitReverseTable& BitReverseTable();

// "T4F" is fine resolution; any other text is normal.
bool IsFineResolution(const std::string& Resolution);

// Writes the TIFF file for the message read from Msg's current position into
// Tiff (which must allow seeking back to patch the directory chain) and
// returns the pages written.
std::vector<TFaxPage> WriteFaxTiff(std::istream& Msg, std::ostream& Tiff, TPageCutter Cutter, bool Fine);

// Writes the downloaded message MsgFile as the TIFF file FileName (an
// existing file replaced) and deletes MsgFile. File errors are not shown to
// the user; the result tells whether everything was read and written. The
// file takes its name only when it is whole: after a failure there is none
// under the name (or the older one is still there).
bool SaveFaxTiff(const std::string& MsgFile, const std::string& FileName, const std::string& Resolution,
                 TPageCutter Cutter);

// A fresh temporary file for a fax download: a unique name with an empty
// prefix in the temporary folder; "" when none could be made.
std::string MakeFaxDownloadFile();
