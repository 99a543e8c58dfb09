#include "modem/g3resolution.h"

#include <algorithm>
#include <fstream>

#include "platform/App.h"
#include "platform/Checked.h"
#include "platform/Files.h"
#include "platform/Ui.h"

namespace {

struct TCode {
    const char* Bits;
    int16_t Run;
};

// ITU-T T.4 one-dimensional coding: terminating codes (runs 0 to 63) and
// make-up codes (64 to 1728). The extended make-up codes are not needed for
// 1728-pixel lines and are left out.
constexpr TCode WhiteCodes[] = {
    {"00110101", 0},    {"000111", 1},      {"0111", 2},        {"1000", 3},
    {"1011", 4},        {"1100", 5},        {"1110", 6},        {"1111", 7},
    {"10011", 8},       {"10100", 9},       {"00111", 10},      {"01000", 11},
    {"001000", 12},     {"000011", 13},     {"110100", 14},     {"110101", 15},
    {"101010", 16},     {"101011", 17},     {"0100111", 18},    {"0001100", 19},
    {"0001000", 20},    {"0010111", 21},    {"0000011", 22},    {"0000100", 23},
    {"0101000", 24},    {"0101011", 25},    {"0010011", 26},    {"0100100", 27},
    {"0011000", 28},    {"00000010", 29},   {"00000011", 30},   {"00011010", 31},
    {"00011011", 32},   {"00010010", 33},   {"00010011", 34},   {"00010100", 35},
    {"00010101", 36},   {"00010110", 37},   {"00010111", 38},   {"00101000", 39},
    {"00101001", 40},   {"00101010", 41},   {"00101011", 42},   {"00101100", 43},
    {"00101101", 44},   {"00000100", 45},   {"00000101", 46},   {"00001010", 47},
    {"00001011", 48},   {"01010010", 49},   {"01010011", 50},   {"01010100", 51},
    {"01010101", 52},   {"00100100", 53},   {"00100101", 54},   {"01011000", 55},
    {"01011001", 56},   {"01011010", 57},   {"01011011", 58},   {"01001010", 59},
    {"01001011", 60},   {"00110010", 61},   {"00110011", 62},   {"00110100", 63},
    {"11011", 64},      {"10010", 128},     {"010111", 192},    {"0110111", 256},
    {"00110110", 320},  {"00110111", 384},  {"01100100", 448},  {"01100101", 512},
    {"01101000", 576},  {"01100111", 640},  {"011001100", 704}, {"011001101", 768},
    {"011010010", 832}, {"011010011", 896}, {"011010100", 960}, {"011010101", 1024},
    {"011010110", 1088}, {"011010111", 1152}, {"011011000", 1216}, {"011011001", 1280},
    {"011011010", 1344}, {"011011011", 1408}, {"010011000", 1472}, {"010011001", 1536},
    {"010011010", 1600}, {"011000", 1664},  {"010011011", 1728},
    // Seven zeros and a one: read as a run of length 0.
    {"00000001", 0},
};

constexpr TCode BlackCodes[] = {
    {"0000110111", 0},    {"010", 1},           {"11", 2},            {"10", 3},
    {"011", 4},           {"0011", 5},          {"0010", 6},          {"00011", 7},
    {"000101", 8},        {"000100", 9},        {"0000100", 10},      {"0000101", 11},
    {"0000111", 12},      {"00000100", 13},     {"00000111", 14},     {"000011000", 15},
    {"0000010111", 16},   {"0000011000", 17},   {"0000001000", 18},   {"00001100111", 19},
    {"00001101000", 20},  {"00001101100", 21},  {"00000110111", 22},  {"00000101000", 23},
    {"00000010111", 24},  {"00000011000", 25},  {"000011001010", 26}, {"000011001011", 27},
    {"000011001100", 28}, {"000011001101", 29}, {"000001101000", 30}, {"000001101001", 31},
    {"000001101010", 32}, {"000001101011", 33}, {"000011010010", 34}, {"000011010011", 35},
    {"000011010100", 36}, {"000011010101", 37}, {"000011010110", 38}, {"000011010111", 39},
    {"000001101100", 40}, {"000001101101", 41}, {"000011011010", 42}, {"000011011011", 43},
    {"000001010100", 44}, {"000001010101", 45}, {"000001010110", 46}, {"000001010111", 47},
    {"000001100100", 48}, {"000001100101", 49}, {"000001010010", 50}, {"000001010011", 51},
    {"000000100100", 52}, {"000000110111", 53}, {"000000111000", 54}, {"000000100111", 55},
    {"000000101000", 56}, {"000001011000", 57}, {"000001011001", 58}, {"000000101011", 59},
    {"000000101100", 60}, {"000001011010", 61}, {"000001100110", 62}, {"000001100111", 63},
    {"0000001111", 64},     {"000011001000", 128},  {"000011001001", 192},  {"000001011011", 256},
    {"000000110011", 320},  {"000000110100", 384},  {"000000110101", 448},  {"0000001101100", 512},
    {"0000001101101", 576}, {"0000001001010", 640}, {"0000001001011", 704}, {"0000001001100", 768},
    {"0000001001101", 832}, {"0000001110010", 896}, {"0000001110011", 960}, {"0000001110100", 1024},
    {"0000001110101", 1088}, {"0000001110110", 1152}, {"0000001110111", 1216}, {"0000001010010", 1280},
    {"0000001010011", 1344}, {"0000001010100", 1408}, {"0000001010101", 1472}, {"0000001011010", 1536},
    {"0000001011011", 1600}, {"0000001100100", 1664}, {"0000001100101", 1728},
};

// No code word of a tree starts with these zeros, so they can only begin an
// EOL (eleven or more zeros and a one).
constexpr const char* WhiteEolPrefix = "00000000";
constexpr const char* BlackEolPrefix = "0000000";

// A page with more lines than a normal page can hold was sent in fine resolution.
constexpr int32_t FineLines = 1210;

}  // namespace

void TG3CodeReader::Add(TTree& tree, int& nodes, const char* code, int16_t leaf) {
    int pos = 0;
    for (; code[1] != '\0'; ++code) {
        int16_t& next = At(tree, pos).Next[*code - '0'];
        if (next <= 0) {
            CheckIndex(nodes, tree.size());
            next = static_cast<int16_t>(nodes++);
        }
        pos = next;
    }
    At(tree, pos).Next[*code - '0'] = leaf;
}

void TG3CodeReader::InitG3Tables() {
    whiteTree_ = {};
    blackTree_ = {};
    whiteNodes_ = blackNodes_ = 1;
    for (const auto& c : WhiteCodes) Add(whiteTree_, whiteNodes_, c.Bits, static_cast<int16_t>(-c.Run));
    for (const auto& c : BlackCodes) Add(blackTree_, blackNodes_, c.Bits, static_cast<int16_t>(-c.Run));
    Add(whiteTree_, whiteNodes_, WhiteEolPrefix, EolPrefixMark);
    Add(blackTree_, blackNodes_, BlackEolPrefix, EolPrefixMark);
    black_ = false;
    pos_ = 0;
    eolPrefix_ = false;
    run_ = 0;
}

TG3CodeReader::TStep TG3CodeReader::Bit(int B) {
    if (eolPrefix_) {
        // Zeros after the prefix are fill; the one ends the EOL.
        if (B == 0) return StepNone;
        eolPrefix_ = false;
        black_ = false;
        pos_ = 0;
        return StepEol;
    }
    const TTree& tree = black_ ? blackTree_ : whiteTree_;
    const int16_t entry = At(tree, pos_).Next[B ? 1 : 0];
    if (entry == EolPrefixMark) {
        eolPrefix_ = true;
        pos_ = 0;
        return StepNone;
    }
    if (entry > 0) {
        pos_ = entry;
        return StepNone;
    }
    run_ = -entry;
    pos_ = 0;
    if (run_ < 64) black_ = !black_;  // a terminating code ends the run
    return StepRun;
}

void G3TifResolution::Byte(uint8_t B) {
    for (int i = 7; i >= 0; --i) {
        if (Eols == 2) PageEnd();
        switch (Reader.Bit((B >> i) & 1)) {
            case TG3CodeReader::StepEol:
                Lines = CheckedAdd(Lines, int32_t{1});
                Eols = std::min(Eols + 1, 3);
                break;
            case TG3CodeReader::StepRun:
                if (Reader.Run() > 0) Eols = 0;
                break;
            case TG3CodeReader::StepNone:
                break;
        }
    }
}

// The rest of an end-of-page sequence ends no further page.
void G3TifResolution::PageEnd() {
    MaxLines = std::max(MaxLines, Lines);
    Lines = 0;
    Eols = 3;
}

// The pages are read as the modem coded them: with every DLE doubled, the
// code stream would hold 0001 0000 where the modem coded none, and its seven
// zeros begin an EOL in the black tree, so doubled DLEs would fake lines and
// page ends.
void G3TifResolution::CountLines(std::istream& In) {
    Reader.InitG3Tables();
    MaxLines = 0;
    Lines = 0;
    Eols = 0;
    char c;
    for (int i = 0; i < MsgHeaderBytes3Com && In.get(c); ++i) Byte(static_cast<uint8_t>(c));
    const auto get = [&In](uint8_t& B) {
        char ch;
        if (!In.get(ch)) return false;
        B = static_cast<uint8_t>(ch);
        return true;
    };
    uint8_t b;
    for (TDleToken t; (t = NextDleToken(get, b)) != TDleToken::End;) {
        if (t == TDleToken::Data) Byte(b);
        else PageEnd();
    }
    MaxLines = std::max(MaxLines, Lines);
}

std::string G3TifResolution::Resolution() const { return MaxLines > FineLines ? "T4F" : "T4N"; }

void G3TifResolution::DetectResolution(const std::string& FileName, std::string& Resolution) {
    std::ifstream in;
    if (files::FileExists(FileName)) in.open(FileName, std::ios::binary);
    if (!in.is_open()) {
        MaxLines = 0;
        ui::MessageBox({"File not found!", app::Title(), ui::MbOk, ui::IconError});
        return;
    }
    CountLines(in);
    Resolution = this->Resolution();
}
