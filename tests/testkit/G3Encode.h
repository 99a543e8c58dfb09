#pragma once
// A small T.4 one-dimensional (modified Huffman) encoder for fax fixtures:
// pages of 1728-pixel rows become the code stream a fax modem stores. It uses
// only the standard library, so the simulator can build it in as well.
#include <cstdint>
#include <string>
#include <vector>

namespace testkit {

constexpr int G3Width = 1728;

// One row of pixels, 0 white and 1 black; a page is its rows from the top.
using G3Row = std::vector<uint8_t>;
using G3Page = std::vector<G3Row>;

struct G3EncodeOptions {
    // Zero fill before each EOL so that every EOL ends on a byte boundary.
    bool AlignEol = false;
    // EOLs after the last line: the end-of-page sequence (RTC).
    int RtcEols = 6;
    // The bit order of the modems' serial data: each byte's bits reversed
    // against the TIFF order (which is most significant bit first).
    bool LsbFirst = false;
};

// An EOL before every line, the end-of-page sequence after the last, zero
// bits to fill the last byte. Rows must hold exactly G3Width pixels
// (std::invalid_argument otherwise).
std::string G3Encode(const G3Page& Page, const G3EncodeOptions& Options = {});

// A page of Lines rows with a pattern that uses short, long and make-up
// runs, rows that start black, all-white and all-black rows; the same Seed
// gives the same page.
G3Page G3TestPage(int Lines, unsigned Seed);

// A page of Lines rows in bands: bands of short runs (black 1 to 20 pixels,
// white 1 to 3 between them), whose code is rich in 0x10 bytes (DLE, which
// the modems double in their memory), between bands of G3TestPage's rows;
// the same Seed gives the same page.
G3Page G3BandPage(int Lines, unsigned Seed);

// Data as a 3Com modem keeps it in its memory: every DLE (0x10) doubled, and
// DLE ETX after the end.
std::string G3Shield(const std::string& Data);

// Each byte's bits reversed, as the modems send the TIFF-order data.
std::string G3ReverseBitOrder(const std::string& Data);

}  // namespace testkit
