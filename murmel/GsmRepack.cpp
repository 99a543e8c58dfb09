#include "murmel/GsmRepack.h"

#include <array>
#include <cstring>
#include <utility>

// Every parameter's width and bit position is known at compile time, so each
// layout is unrolled below into a fixed sequence of shifts and masks over at
// most two bytes per parameter: no loop over bits, no allocation.

namespace {

constexpr int kParameters = 76;
constexpr int kFrameBits = 260;
constexpr int kSignatureBits = 4;

// Width of parameter K in the order the layouts carry them.
constexpr int Width(int K) {
    constexpr int lar[8] = {6, 6, 5, 5, 4, 4, 3, 3};
    if (K < 8) return lar[K];
    const int j = (K - 8) % 17;
    return j == 0 ? 7 : j == 1 || j == 2 ? 2 : j == 3 ? 6 : 3;
}

// Bit position of parameter K within a frame's 260 parameter bits.
constexpr std::array<int, kParameters> kPosition = [] {
    std::array<int, kParameters> at{};
    int bit = 0;
    for (int k = 0; k < kParameters; ++k) {
        at[static_cast<std::size_t>(k)] = bit;
        bit += Width(k);
    }
    return at;
}();
static_assert(kPosition[kParameters - 1] + Width(kParameters - 1) == kFrameBits);

// The record's place of parameter K (const or not, as the record is).
template <int K, class Record>
auto& Slot(Record& p) {
    if constexpr (K < 8) {
        return p.LARc[K];
    } else {
        constexpr int sub = (K - 8) / 17, j = (K - 8) % 17;
        if constexpr (j == 0) return p.Nc[sub];
        else if constexpr (j == 1) return p.bc[sub];
        else if constexpr (j == 2) return p.Mc[sub];
        else if constexpr (j == 3) return p.xmaxc[sub];
        else return p.xMc[sub * 13 + j - 4];
    }
}

// W bits at bit P, most significant bit first (the frame layout).
template <int P, int W>
unsigned GetMsbFirst(const uint8_t* b) {
    constexpr int byte = P / 8, bit = P % 8;
    constexpr unsigned mask = (1u << W) - 1;
    if constexpr (bit + W <= 8) return (b[byte] >> (8 - bit - W)) & mask;
    else return ((unsigned{b[byte]} << 8 | b[byte + 1]) >> (16 - bit - W)) & mask;
}

template <int P, int W>
void PutMsbFirst(uint8_t* b, unsigned v) {
    constexpr int byte = P / 8, bit = P % 8;
    v &= (1u << W) - 1;
    if constexpr (bit + W <= 8) {
        b[byte] = static_cast<uint8_t>(b[byte] | v << (8 - bit - W));
    } else {
        const unsigned both = v << (16 - bit - W);
        b[byte] = static_cast<uint8_t>(b[byte] | both >> 8);
        b[byte + 1] = static_cast<uint8_t>(b[byte + 1] | (both & 0xFF));
    }
}

// W bits at bit P, least significant bit first (the block layout).
template <int P, int W>
unsigned GetLsbFirst(const uint8_t* b) {
    constexpr int byte = P / 8, bit = P % 8;
    constexpr unsigned mask = (1u << W) - 1;
    if constexpr (bit + W <= 8) return (b[byte] >> bit) & mask;
    else return ((b[byte] | unsigned{b[byte + 1]} << 8) >> bit) & mask;
}

template <int P, int W>
void PutLsbFirst(uint8_t* b, unsigned v) {
    constexpr int byte = P / 8, bit = P % 8;
    v &= (1u << W) - 1;
    b[byte] = static_cast<uint8_t>(b[byte] | v << bit);
    if constexpr (bit + W > 8) b[byte + 1] = static_cast<uint8_t>(b[byte + 1] | v >> (8 - bit));
}

template <std::size_t... K>
void UnpackFrame(const uint8_t* frame, GsmFrameParameters& p, std::index_sequence<K...>) {
    ((Slot<K>(p) = GetMsbFirst<kSignatureBits + kPosition[K], Width(K)>(frame)), ...);
}

template <std::size_t... K>
void PackFrame(const GsmFrameParameters& p, uint8_t* frame, std::index_sequence<K...>) {
    (PutMsbFirst<kSignatureBits + kPosition[K], Width(K)>(frame, Slot<K>(p)), ...);
}

template <int Offset, std::size_t... K>
void UnpackBlockHalf(const uint8_t* block, GsmFrameParameters& p, std::index_sequence<K...>) {
    ((Slot<K>(p) = GetLsbFirst<Offset + kPosition[K], Width(K)>(block)), ...);
}

template <int Offset, std::size_t... K>
void PackBlockHalf(const GsmFrameParameters& p, uint8_t* block, std::index_sequence<K...>) {
    (PutLsbFirst<Offset + kPosition[K], Width(K)>(block, Slot<K>(p)), ...);
}

constexpr auto kAll = std::make_index_sequence<kParameters>{};

}  // namespace

GsmFrameParameters& GsmParameters() {
    thread_local GsmFrameParameters record{};
    return record;
}

void GsmFrameUnpack(const uint8_t* frame) { UnpackFrame(frame, GsmParameters(), kAll); }

void GsmFramePack(const GsmFrameParameters& parameters, uint8_t* frame) {
    std::memset(frame, 0, kGsmFrameBytes);
    frame[0] = 0xD0;
    PackFrame(parameters, frame, kAll);
}

void GsmPairToMsGsm(const uint8_t* pair, uint8_t* block) {
    GsmFrameParameters& p = GsmParameters();
    std::memset(block, 0, kGsmBlockBytes);
    GsmFrameUnpack(pair);
    PackBlockHalf<0>(p, block, kAll);
    GsmFrameUnpack(pair + kGsmFrameBytes);
    PackBlockHalf<kFrameBits>(p, block, kAll);
}

void MsGsmToGsmPair(const uint8_t* block, uint8_t* pair) {
    GsmFrameParameters& p = GsmParameters();
    UnpackBlockHalf<0>(block, p, kAll);
    GsmFramePack(p, pair);
    UnpackBlockHalf<kFrameBits>(block, p, kAll);
    GsmFramePack(p, pair + kGsmFrameBytes);
}
