#include "modem/g3resolution.h"

#include <algorithm>
#include <fstream>
#include <vector>

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

namespace {

void AddCode(TG3CodeReader::TTree& tree, int& nodes, const char* code, int16_t leaf) {
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

// Bytes of the download read from its file at a time.
constexpr std::size_t SourceBlock = 64 * 1024;

}  // namespace

// The states are numbered: the white tree's nodes from 0 (its root, where a
// line starts), then the black tree's, then the fill of an EOL after white
// and after black.
struct TG3CodeReader::TCode {
    TTree WhiteTree{};
    TTree BlackTree{};
    int WhiteNodes = 1;
    int BlackNodes = 1;
    std::vector<TByteEntry> Table;  // 256 entries a state: where each byte leads and what it ended

    int States() const { return WhiteNodes + BlackNodes + 2; }
    bool InEol(TState s) const { return s >= WhiteNodes + BlackNodes; }
    bool IsBlack(TState s) const { return InEol(s) ? s == EolState(true) : s >= WhiteNodes; }
    TState EolState(bool black) const { return static_cast<TState>(WhiteNodes + BlackNodes + (black ? 1 : 0)); }
    TState NodeState(bool black, int pos) const { return static_cast<TState>(black ? WhiteNodes + pos : pos); }

    struct TBitStep {
        TState Next;
        TStep Step;
        int32_t Run;
    };
    TBitStep Step(TState s, int bit) const {
        if (InEol(s)) {
            // Zeros after the prefix are fill; the one ends the EOL.
            if (bit == 0) return {s, StepNone, 0};
            return {NodeState(false, 0), StepEol, 0};
        }
        const bool black = IsBlack(s);
        const int16_t entry = At(black ? BlackTree : WhiteTree, black ? s - WhiteNodes : s).Next[bit ? 1 : 0];
        if (entry == EolPrefixMark) return {EolState(black), StepNone, 0};
        if (entry > 0) return {NodeState(black, entry), StepNone, 0};
        const int32_t run = -entry;
        // A terminating code ends the run, a make-up code leaves its colour.
        return {NodeState(run < 64 ? !black : black, 0), StepRun, run};
    }
};

const TG3CodeReader::TCode& TG3CodeReader::Code() {
    static const TCode code = [] {
        TCode c;
        for (const auto& w : WhiteCodes) AddCode(c.WhiteTree, c.WhiteNodes, w.Bits, static_cast<int16_t>(-w.Run));
        for (const auto& b : BlackCodes) AddCode(c.BlackTree, c.BlackNodes, b.Bits, static_cast<int16_t>(-b.Run));
        AddCode(c.WhiteTree, c.WhiteNodes, WhiteEolPrefix, EolPrefixMark);
        AddCode(c.BlackTree, c.BlackNodes, BlackEolPrefix, EolPrefixMark);
        CheckIndex(c.States() - 1, 256);
        c.Table.resize(static_cast<std::size_t>(c.States()) * 256);
        for (int s = 0; s < c.States(); ++s) {
            for (int b = 0; b < 256; ++b) {
                auto state = static_cast<TState>(s);
                unsigned steps = 0;
                int n = 0;
                for (int i = 7; i >= 0; --i) {
                    const TCode::TBitStep r = c.Step(state, (b >> i) & 1);
                    state = r.Next;
                    if (r.Step == StepNone) continue;
                    const TByteStep step = r.Step == StepEol ? ByteEol : r.Run > 0 ? ByteRun : ByteZeroRun;
                    // Three at most: the two-bit code words are black ones, and
                    // white ones of four bits and more come between them.
                    CheckIndex(n, 4);
                    steps |= static_cast<unsigned>(step) << (2 * n++);
                }
                c.Table[static_cast<std::size_t>(s) * 256 + static_cast<std::size_t>(b)] = {
                    state, static_cast<uint8_t>(steps)};
            }
        }
        return c;
    }();
    return code;
}

TG3CodeReader::TG3CodeReader() : code_(&Code()), table_(code_->Table.data()) {}

void TG3CodeReader::InitG3Tables() {
    state_ = code_->NodeState(false, 0);
    run_ = 0;
}

TG3CodeReader::TStep TG3CodeReader::Bit(int B) {
    const TCode::TBitStep r = code_->Step(state_, B);
    state_ = r.Next;
    if (r.Step == StepRun) run_ = r.Run;
    return r.Step;
}

bool TG3CodeReader::Black() const { return code_->IsBlack(state_); }
const TG3CodeReader::TTree& TG3CodeReader::WhiteTree() const { return code_->WhiteTree; }
const TG3CodeReader::TTree& TG3CodeReader::BlackTree() const { return code_->BlackTree; }
int TG3CodeReader::WhiteNodes() const { return code_->WhiteNodes; }
int TG3CodeReader::BlackNodes() const { return code_->BlackNodes; }

bool TByteSource::Fill(std::size_t N) {
    if (buf_.size() - at_ >= N) return true;
    buf_.erase(0, at_);
    at_ = 0;
    while (buf_.size() < N && in_) {
        const std::size_t had = buf_.size();
        buf_.resize(had + SourceBlock);
        in_.read(buf_.data() + had, static_cast<std::streamsize>(SourceBlock));
        buf_.resize(had + static_cast<std::size_t>(in_.gcount()));
    }
    return buf_.size() >= N;
}

bool TByteSource::Peek(std::size_t Offset, uint8_t& B) {
    if (!Fill(Offset + 1)) return false;
    B = static_cast<uint8_t>(buf_[at_ + Offset]);
    return true;
}

bool TByteSource::LooksAt(std::string_view Text) {
    return Fill(Text.size()) && std::string_view(buf_).substr(at_, Text.size()) == Text;
}

void TByteSource::Skip(std::size_t N) {
    while (N > 0 && Fill(1)) {
        const std::size_t n = std::min(N, buf_.size() - at_);
        at_ += n;
        N -= n;
    }
}

void G3TifResolution::Byte(uint8_t B) {
    for (auto steps = Reader.Byte(B); steps;) {
        switch (steps.Next()) {
            case TG3CodeReader::ByteEol:
                Lines = CheckedAdd(Lines, int32_t{1});
                Eols = std::min(Eols + 1, 3);
                if (Eols == 2) PageEnd();
                break;
            case TG3CodeReader::ByteRun:
                Eols = 0;
                break;
            case TG3CodeReader::ByteZeroRun:
                break;
        }
    }
}

// Two EOLs in a row end a page; the rest of its end-of-page sequence ends no
// further page.
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
    TByteSource src(In);
    uint8_t b;
    for (int i = 0; i < MsgHeaderBytes3Com && src.Get(b); ++i) Byte(b);
    const auto get = [&src](uint8_t& B) { return src.Get(B); };
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
