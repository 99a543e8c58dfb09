#include "testkit/G3Encode.h"

#include <algorithm>
#include <stdexcept>

namespace testkit {
namespace {

// ITU-T T.4 code words by run length: terminating codes 0..63, then the
// make-up codes 64, 128, ... 1728.
const char* const WhiteTerm[64] = {
    "00110101", "000111", "0111", "1000", "1011", "1100", "1110", "1111",
    "10011", "10100", "00111", "01000", "001000", "000011", "110100", "110101",
    "101010", "101011", "0100111", "0001100", "0001000", "0010111", "0000011", "0000100",
    "0101000", "0101011", "0010011", "0100100", "0011000", "00000010", "00000011", "00011010",
    "00011011", "00010010", "00010011", "00010100", "00010101", "00010110", "00010111", "00101000",
    "00101001", "00101010", "00101011", "00101100", "00101101", "00000100", "00000101", "00001010",
    "00001011", "01010010", "01010011", "01010100", "01010101", "00100100", "00100101", "01011000",
    "01011001", "01011010", "01011011", "01001010", "01001011", "00110010", "00110011", "00110100",
};
const char* const WhiteMakeUp[27] = {
    "11011", "10010", "010111", "0110111", "00110110", "00110111", "01100100", "01100101",
    "01101000", "01100111", "011001100", "011001101", "011010010", "011010011", "011010100",
    "011010101", "011010110", "011010111", "011011000", "011011001", "011011010", "011011011",
    "010011000", "010011001", "010011010", "011000", "010011011",
};
const char* const BlackTerm[64] = {
    "0000110111", "010", "11", "10", "011", "0011", "0010", "00011",
    "000101", "000100", "0000100", "0000101", "0000111", "00000100", "00000111", "000011000",
    "0000010111", "0000011000", "0000001000", "00001100111", "00001101000", "00001101100",
    "00000110111", "00000101000", "00000010111", "00000011000", "000011001010", "000011001011",
    "000011001100", "000011001101", "000001101000", "000001101001", "000001101010", "000001101011",
    "000011010010", "000011010011", "000011010100", "000011010101", "000011010110", "000011010111",
    "000001101100", "000001101101", "000011011010", "000011011011", "000001010100", "000001010101",
    "000001010110", "000001010111", "000001100100", "000001100101", "000001010010", "000001010011",
    "000000100100", "000000110111", "000000111000", "000000100111", "000000101000", "000001011000",
    "000001011001", "000000101011", "000000101100", "000001011010", "000001100110", "000001100111",
};
const char* const BlackMakeUp[27] = {
    "0000001111", "000011001000", "000011001001", "000001011011", "000000110011", "000000110100",
    "000000110101", "0000001101100", "0000001101101", "0000001001010", "0000001001011",
    "0000001001100", "0000001001101", "0000001110010", "0000001110011", "0000001110100",
    "0000001110101", "0000001110110", "0000001110111", "0000001010010", "0000001010011",
    "0000001010100", "0000001010101", "0000001011010", "0000001011011", "0000001100100",
    "0000001100101",
};
const char* const Eol = "000000000001";

class BitWriter {
public:
    void Put(const char* bits) {
        for (; *bits; ++bits) {
            acc_ = static_cast<uint8_t>((acc_ << 1) | (*bits == '1'));
            if (++count_ == 8) Flush();
        }
    }
    // Zeros until Put(tail) would end on a byte boundary.
    void AlignFor(int tailBits) {
        while ((count_ + tailBits) % 8 != 0) Put("0");
    }
    std::string Finish() {
        while (count_ != 0) Put("0");
        return out_;
    }

private:
    void Flush() {
        out_ += static_cast<char>(acc_);
        acc_ = 0;
        count_ = 0;
    }
    std::string out_;
    uint8_t acc_ = 0;
    int count_ = 0;
};

void PutEol(BitWriter& w, bool align) {
    if (align) w.AlignFor(12);
    w.Put(Eol);
}

// Runs are at most one line long, so one make-up code is always enough.
void PutRun(BitWriter& w, size_t run, bool black) {
    const char* const* makeUp = black ? BlackMakeUp : WhiteMakeUp;
    const char* const* term = black ? BlackTerm : WhiteTerm;
    if (run >= 64) w.Put(makeUp[run / 64 - 1]);
    w.Put(term[run % 64]);
}

void PutRow(BitWriter& w, const G3Row& row) {
    if (row.size() != static_cast<size_t>(G3Width)) throw std::invalid_argument("G3 row is not 1728 pixels");
    bool black = false;  // every line starts with a white run, maybe of length 0
    size_t i = 0;
    while (i < row.size()) {
        size_t end = i;
        while (end < row.size() && (row[end] != 0) == black) ++end;
        PutRun(w, end - i, black);
        i = end;
        black = !black;
    }
}

// The numbers the test pages are drawn from: the same seed, the same page.
class PageRandom {
public:
    explicit PageRandom(unsigned Seed) : s_(Seed) {}
    unsigned operator()() {
        s_ = s_ * 1103515245u + 12345u;
        return (s_ >> 16) & 0x7FFF;
    }

private:
    unsigned s_;
};

}  // namespace

std::string G3Encode(const G3Page& Page, const G3EncodeOptions& Options) {
    BitWriter w;
    for (const auto& row : Page) {
        PutEol(w, Options.AlignEol);
        PutRow(w, row);
    }
    for (int i = 0; i < Options.RtcEols; ++i) PutEol(w, Options.AlignEol);
    std::string data = w.Finish();
    return Options.LsbFirst ? G3ReverseBitOrder(data) : data;
}

std::string G3ReverseBitOrder(const std::string& Data) {
    std::string out = Data;
    for (char& c : out) {
        auto b = static_cast<uint8_t>(c), r = uint8_t{0};
        for (int i = 0; i < 8; ++i) r = static_cast<uint8_t>((r << 1) | ((b >> i) & 1));
        c = static_cast<char>(r);
    }
    return out;
}

G3Page G3TestPage(int Lines, unsigned Seed) {
    G3Page page;
    PageRandom next(Seed * 2654435761u + 1);
    for (int y = 0; y < Lines; ++y) {
        G3Row row(G3Width, 0);
        switch ((y + Seed) % 7) {
            case 0:  // all white
                break;
            case 1:  // all black
                std::fill(row.begin(), row.end(), 1);
                break;
            default: {  // random runs from 1 to ~1000 pixels, starting with either colour
                uint8_t colour = next() & 1;
                size_t x = 0;
                while (x < row.size()) {
                    const unsigned kind = next() % 4;
                    size_t len = kind == 0 ? 1 + next() % 8 : kind == 1 ? 1 + next() % 64
                                 : kind == 2 ? 60 + next() % 140 : 200 + next() % 800;
                    for (size_t e = std::min(row.size(), x + len); x < e; ++x) row[x] = colour;
                    colour ^= 1;
                }
            }
        }
        page.push_back(std::move(row));
    }
    return page;
}

G3Page G3BandPage(int Lines, unsigned Seed) {
    G3Page page;
    PageRandom next(Seed * 2246822519u + 7);
    const G3Page mixed = G3TestPage(std::max(Lines, 0), Seed);
    for (int y = 0, band = 0; y < Lines; ++band) {
        for (int end = std::min(Lines, y + 10 + static_cast<int>(next() % 120)); y < end; ++y) {
            if (band % 4 >= 2) {
                page.push_back(mixed[static_cast<size_t>(y)]);
                continue;
            }
            // Short runs: black 1 to 20 pixels, white 1 to 3 between them.
            G3Row row(G3Width, 0);
            for (size_t x = next() % 40; x < row.size(); x += 1 + next() % 3) {
                for (size_t e = std::min(row.size(), x + 1 + next() % 20); x < e; ++x) row[x] = 1;
            }
            page.push_back(std::move(row));
        }
    }
    return page;
}

std::string G3Shield(const std::string& Data) {
    std::string out;
    out.reserve(Data.size() + Data.size() / 16 + 2);
    for (char c : Data) {
        out += c;
        if (c == '\x10') out += c;
    }
    return out + "\x10\x03";
}

}  // namespace testkit
