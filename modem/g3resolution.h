#pragma once
// The resolution probe of the 3Com family: the modems do not say whether a
// stored fax came in normal or fine vertical resolution, so the probe decodes
// the modified-Huffman code stream far enough to count the coded lines of
// each page. A page of more than 1210 lines (between a normal page's ~1143 and
// a fine page's ~2287) is fine resolution.
#include <array>
#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>

// Reads the one-dimensional T.4 code, most significant bit of each byte
// first, switching between the white and the black code as the runs
// alternate. Bit walks the code trees one bit at a time; Byte takes all eight
// bits of a byte in one look-up of a table made once from those trees, so
// both always read the same code the same way.
class TG3CodeReader {
public:
    enum TStep {
        StepNone,  // inside a code word or the fill of an EOL
        StepRun,   // a code word ended; Run() holds its run length
        StepEol,   // an EOL ended; the next line starts white
    };

    // The steps a whole byte ended, in the order of its bits.
    enum TByteStep : uint8_t {
        ByteEol = 1,      // an EOL
        ByteZeroRun = 2,  // a code word of run length 0
        ByteRun = 3,      // a code word of a longer run
    };
    class TByteSteps {
    public:
        explicit TByteSteps(uint8_t Packed) : packed_(Packed) {}
        explicit operator bool() const { return packed_ != 0; }
        // Takes the next step; only while steps are left.
        TByteStep Next() {
            const auto step = static_cast<TByteStep>(packed_ & 3);
            packed_ = static_cast<uint8_t>(packed_ >> 2);
            return step;
        }

    private:
        uint8_t packed_;  // two bits a step, the first lowest: room for four
    };

    // An entry of a node: the index of the next node (> 0), a leaf holding
    // the negated run length (<= 0), or the EOL-prefix mark.
    static constexpr int16_t EolPrefixMark = 30000;
    static constexpr int MaxNodes = 104;
    struct TNode {
        int16_t Next[2] = {0, 0};
    };
    using TTree = std::array<TNode, MaxNodes>;

    TG3CodeReader();

    // Starts afresh at the root of the white tree.
    void InitG3Tables();
    TStep Bit(int B);
    // All eight bits of B at once: what Bit would end, bit by bit.
    TByteSteps Byte(uint8_t B) {
        const TByteEntry e = table_[state_ * 256u + B];
        state_ = e.Next;
        return TByteSteps(e.Steps);
    }
    // The run of the code word that Bit ended last.
    int32_t Run() const { return run_; }
    bool Black() const;

    const TTree& WhiteTree() const;
    const TTree& BlackTree() const;
    int WhiteNodes() const;
    int BlackNodes() const;

private:
    // Where the reader is: a node of the white tree, of the black tree, or
    // the fill of an EOL (with the colour before it); one byte holds them all.
    using TState = uint8_t;
    struct TByteEntry {
        TState Next;
        uint8_t Steps;
    };
    struct TCode;
    static const TCode& Code();

    const TCode* code_;
    const TByteEntry* table_;
    TState state_ = 0;
    int32_t run_ = 0;
};

// A fax message as the 3Com memory-page transfer writes it begins with the
// message header, then come its pages.
constexpr int MsgHeaderBytes3Com = 34;

// The modems keep fax data shielded: DLE DLE is one data byte 0x10, DLE ETX
// ends a page, a DLE before any other byte stands for that byte, and a DLE
// cut off by the end of the data has nothing left to shield and is dropped.
constexpr uint8_t Dle = 0x10;
constexpr uint8_t Etx = 0x03;
enum class TDleToken { Data, DleEtx, End };
// The next token of the shielded bytes that Get (bool(uint8_t&)) hands out one by one.
template <typename TGetByte>
TDleToken NextDleToken(TGetByte&& Get, uint8_t& Data) {
    if (!Get(Data)) return TDleToken::End;
    if (Data != Dle) return TDleToken::Data;
    if (!Get(Data)) return TDleToken::End;
    return Data == Etx ? TDleToken::DleEtx : TDleToken::Data;
}

// The bytes of a downloaded message one at a time, read from the stream in
// blocks, with a look-ahead. A failed read is left in the stream's state.
class TByteSource {
public:
    explicit TByteSource(std::istream& In) : in_(In) {}
    bool Get(uint8_t& B) {
        if (at_ == buf_.size() && !Fill(1)) return false;
        B = static_cast<uint8_t>(buf_[at_++]);
        return true;
    }
    // The byte Offset places ahead without taking it.
    bool Peek(std::size_t Offset, uint8_t& B);
    bool AtEnd() { return !Fill(1); }
    // Whether Text comes next; nothing is taken.
    bool LooksAt(std::string_view Text);
    void Skip(std::size_t N);

private:
    // Whether N bytes are there to take, reading on as far as needed.
    bool Fill(std::size_t N);
    std::istream& in_;
    std::string buf_;
    std::size_t at_ = 0;
};

class G3TifResolution {
public:
    // The most lines counted on one page by the last probe.
    int32_t MaxLines = 0;

    // Sets Resolution to "T4F" when a page of the file holds more than 1210
    // lines, else to "T4N". A file that cannot be opened is reported with
    // "File not found!" and leaves Resolution as it was.
    void DetectResolution(const std::string& FileName, std::string& Resolution);
    // The probe itself, over a 3Com fax message read from its start: the
    // message header taken as code as it stands, then the pages as the modem
    // coded them, each ended by DLE ETX.
    void CountLines(std::istream& In);
    // The result text for the last probe.
    std::string Resolution() const;

private:
    TG3CodeReader Reader;
    int32_t Lines = 0;
    int Eols = 0;  // consecutive EOLs; 3 and up once a page end was taken
    void Byte(uint8_t B);
    void PageEnd();
};
