#pragma once
// The resolution probe of the 3Com family: the modems do not say whether a
// stored fax came in normal or fine vertical resolution, so the probe decodes
// the modified-Huffman code stream far enough to count the coded lines of
// each page. A page of more than 1210 lines (between a normal page's ~1143 and
// a fine page's ~2287) is fine resolution.
#include <array>
#include <cstdint>
#include <istream>
#include <string>

// Walks the one-dimensional T.4 code trees one bit at a time, most
// significant bit of each byte first, switching between the white and the
// black tree as the runs alternate.
class TG3CodeReader {
public:
    enum TStep {
        StepNone,  // inside a code word or the fill of an EOL
        StepRun,   // a code word ended; Run() holds its run length
        StepEol,   // an EOL ended; the next line starts white
    };

    // An entry of a node: the index of the next node (> 0), a leaf holding
    // the negated run length (<= 0), or the EOL-prefix mark.
    static constexpr int16_t EolPrefixMark = 30000;
    static constexpr int MaxNodes = 104;
    struct TNode {
        int16_t Next[2] = {0, 0};
    };
    using TTree = std::array<TNode, MaxNodes>;

    TG3CodeReader() { InitG3Tables(); }

    // Builds both trees afresh and starts at the root of the white tree.
    void InitG3Tables();
    TStep Bit(int B);
    int32_t Run() const { return run_; }
    bool Black() const { return black_; }

    const TTree& WhiteTree() const { return whiteTree_; }
    const TTree& BlackTree() const { return blackTree_; }
    int WhiteNodes() const { return whiteNodes_; }
    int BlackNodes() const { return blackNodes_; }

private:
    void Add(TTree& tree, int& nodes, const char* code, int16_t leaf);

    TTree whiteTree_{};
    TTree blackTree_{};
    int whiteNodes_ = 1;
    int blackNodes_ = 1;
    bool black_ = false;
    int pos_ = 0;
    bool eolPrefix_ = false;
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
