#include "echolet/GsmFile.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace echolet {

namespace {

// Only so many pieces are looked at before the data is taken as encapsulated.
constexpr std::size_t kPiecesTested = 10;

bool IsMark(uint8_t c) { return c == 0xFE || c == 0xB6; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

}  // namespace

int PageOf(TMessage Message) { return Message == TMessage::Outgoing ? 0 : 1; }

std::size_t LimitOf(TMessage Message) { return Message == TMessage::Outgoing ? 32768 : 32512; }

bool PageIsEmpty(const uint8_t* Page, std::size_t Limit) {
    return std::all_of(Page, Page + Limit, [](uint8_t c) { return c == 0xFF; });
}

std::size_t UnshieldPage(uint8_t* Buffer, std::size_t Limit) {
    std::size_t out = 0;
    for (std::size_t i = 0; i < Limit; ++i) {
        if (Buffer[i] != DLE) {
            Buffer[out++] = Buffer[i];
            continue;
        }
        if (i + 1 == Limit) break;
        const uint8_t next = Buffer[++i];
        if (next == ETX || next == CAN) break;
        if (next == DLE) Buffer[out++] = DLE;
    }
    Buffer[out++] = DLE;
    Buffer[out++] = ETX;
    return out;
}

bool IsEncapsulatedFrame(const uint8_t* Piece) {
    return IsMark(Piece[0]) && IsMark(Piece[1]) && Piece[35] == 0x00 && Piece[36] == 0xA5 && Piece[37] == 0xA5;
}

bool CountsAsEncapsulated(const uint8_t* Data, std::size_t N) {
    if (N <= kEncapsulatedSize) return true;
    for (std::size_t k = 0, at = 0; k < kPiecesTested && at + kEncapsulatedSize < N; ++k, at += kEncapsulatedSize)
        if (!IsEncapsulatedFrame(Data + at)) return false;
    return true;
}

std::size_t StripEncapsulation(uint8_t* Data, std::size_t N) {
    const std::size_t pieces = N / kEncapsulatedSize;
    if (pieces == 0) return N;
    for (std::size_t k = 0; k < pieces; ++k)
        std::memmove(Data + k * kGsmFrameSize, Data + k * kEncapsulatedSize + 2, kGsmFrameSize);
    std::size_t n = pieces * kGsmFrameSize;
    Data[n++] = DLE;
    Data[n++] = ETX;
    return n;
}

std::size_t GsmFileOfPage(uint8_t* Buffer, std::size_t Limit) {
    const std::size_t n = UnshieldPage(Buffer, Limit);
    return CountsAsEncapsulated(Buffer, n) ? StripEncapsulation(Buffer, n) : n;
}

std::vector<uint8_t> ShieldFile(const uint8_t* File, std::size_t N) {
    std::vector<uint8_t> out;
    out.reserve(2 * N + 2);
    for (std::size_t i = 0; i < N; ++i) {
        if (File[i] == DLE) {
            if (i + 1 < N && File[i + 1] == ETX) break;
            out.push_back(DLE);
        }
        out.push_back(File[i]);
    }
    out.push_back(DLE);
    out.push_back(ETX);
    return out;
}

uint8_t ParseChecksum(char High, char Low) { return static_cast<uint8_t>(HexValue(High) * 16 + HexValue(Low)); }

uint8_t PageSum(const uint8_t* Page, std::size_t N) {
    return static_cast<uint8_t>(std::accumulate(Page, Page + N, 0u) & 0xFF);
}

}  // namespace echolet
