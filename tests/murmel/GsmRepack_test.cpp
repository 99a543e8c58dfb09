// The repacking between 33-byte GSM 06.10 frames and 65-byte GSM 6.10
// blocks, checked against libgsm itself: its frame unpacking (gsm_explode)
// for the parameter order and widths, and its own WAV49 packing of the same
// encoded speech for the block layout.
#include "murmel/GsmRepack.h"

#include <gsm.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

using Frame = std::array<uint8_t, kGsmFrameBytes>;
using Pair = std::array<uint8_t, 2 * kGsmFrameBytes>;
using Block = std::array<uint8_t, kGsmBlockBytes>;

Pair PairOf(uint8_t first, uint8_t rest) {
    Pair p;
    p.fill(rest);
    p[0] = p[kGsmFrameBytes] = first;
    return p;
}

Block Pack(const Pair& pair) {
    Block b;
    GsmPairToMsGsm(pair.data(), b.data());
    return b;
}

Pair Unpack(const Block& block) {
    Pair p;
    MsGsmToGsmPair(block.data(), p.data());
    return p;
}

// Speech-like test signal: a few tones with an envelope, so that every
// parameter takes many values.
std::vector<gsm_signal> Signal(int frames) {
    std::vector<gsm_signal> s(static_cast<std::size_t>(frames) * 160);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / 8000.0;
        const double v = 9000 * std::sin(2 * M_PI * 210 * t) * std::sin(2 * M_PI * 1.3 * t) +
                         4000 * std::sin(2 * M_PI * 1270 * t) + 1500 * std::sin(2 * M_PI * 3100 * t * (1 + t));
        s[i] = static_cast<gsm_signal>(v);
    }
    return s;
}

// The plain frames and the WAV49 blocks libgsm makes of the same signal.
void EncodeBoth(int frames, std::vector<uint8_t>& plain, std::vector<uint8_t>& blocks) {
    std::vector<gsm_signal> pcm = Signal(frames);
    gsm a = gsm_create();
    gsm b = gsm_create();
    int one = 1;
    ASSERT_GE(gsm_option(b, GSM_OPT_WAV49, &one), 0);
    plain.assign(static_cast<std::size_t>(frames) * kGsmFrameBytes, 0);
    blocks.assign(static_cast<std::size_t>(frames / 2) * kGsmBlockBytes, 0);
    for (int f = 0; f < frames; ++f) gsm_encode(a, pcm.data() + f * 160, plain.data() + f * kGsmFrameBytes);
    for (int k = 0; k < frames / 2; ++k) {
        gsm_encode(b, pcm.data() + 2 * k * 160, blocks.data() + k * kGsmBlockBytes);
        gsm_encode(b, pcm.data() + (2 * k + 1) * 160, blocks.data() + k * kGsmBlockBytes + 32);
    }
    gsm_destroy(a);
    gsm_destroy(b);
}

std::vector<unsigned> RecordAsList(const GsmFrameParameters& p) {
    std::vector<unsigned> v(p.LARc, p.LARc + 8);
    for (int s = 0; s < 4; ++s) {
        v.push_back(p.Nc[s]);
        v.push_back(p.bc[s]);
        v.push_back(p.Mc[s]);
        v.push_back(p.xmaxc[s]);
        for (int j = 0; j < 13; ++j) v.push_back(p.xMc[13 * s + j]);
    }
    return v;
}

TEST(GsmRepack, EdgePatternsOfTheLayouts) {
    struct Case {
        const char* name;
        uint8_t first, rest, block;
    } const cases[] = {
        {"signature and zero bits", 0xD0, 0x00, 0x00},
        {"signature and one bits", 0xDF, 0xFF, 0xFF},
        {"another signature, zero bits", 0x30, 0x00, 0x00},
        {"another signature, one bits", 0x0F, 0xFF, 0xFF},
    };
    for (const auto& c : cases) {
        Block expected;
        expected.fill(c.block);
        EXPECT_EQ(Pack(PairOf(c.first, c.rest)), expected) << c.name;
    }
}

TEST(GsmRepack, SignatureNibbleIsIgnored) {
    std::mt19937 random(7);
    for (int i = 0; i < 50; ++i) {
        Pair p;
        for (auto& b : p) b = static_cast<uint8_t>(random());
        Pair marked = p;
        marked[0] = static_cast<uint8_t>(0xD0 | (p[0] & 0x0F));
        marked[kGsmFrameBytes] = static_cast<uint8_t>(0xD0 | (p[kGsmFrameBytes] & 0x0F));
        EXPECT_EQ(Pack(p), Pack(marked));
    }
}

TEST(GsmRepack, BlockOfOneBitsGivesFramesStartingDF) {
    Block ones;
    ones.fill(0xFF);
    const Pair pair = Unpack(ones);
    EXPECT_EQ(pair, PairOf(0xDF, 0xFF));
    Block zeros{};
    EXPECT_EQ(Unpack(zeros), PairOf(0xD0, 0x00));
}

TEST(GsmRepack, UnpackedParametersEqualLibgsmsExplode) {
    std::vector<uint8_t> plain, blocks;
    EncodeBoth(200, plain, blocks);
    gsm g = gsm_create();
    for (int f = 0; f < 200; ++f) {
        gsm_signal exploded[76];
        ASSERT_EQ(gsm_explode(g, plain.data() + f * kGsmFrameBytes, exploded), 0);
        GsmFrameUnpack(plain.data() + f * kGsmFrameBytes);
        const std::vector<unsigned> ours = RecordAsList(GsmParameters());
        for (int k = 0; k < 76; ++k) ASSERT_EQ(ours[static_cast<std::size_t>(k)], static_cast<unsigned>(exploded[k])) << f << " " << k;
    }
    gsm_destroy(g);
}

TEST(GsmRepack, PairsGiveLibgsmsOwnWav49Blocks) {
    std::vector<uint8_t> plain, blocks;
    EncodeBoth(400, plain, blocks);
    for (std::size_t k = 0; k < 200; ++k) {
        Block b;
        GsmPairToMsGsm(plain.data() + 2 * k * kGsmFrameBytes, b.data());
        ASSERT_EQ(0, std::memcmp(b.data(), blocks.data() + k * kGsmBlockBytes, kGsmBlockBytes)) << "block " << k;
        // and back: the reverse gives the two frames, signature 0xD included
        Pair p;
        MsGsmToGsmPair(blocks.data() + k * kGsmBlockBytes, p.data());
        ASSERT_EQ(0, std::memcmp(p.data(), plain.data() + 2 * k * kGsmFrameBytes, p.size())) << "pair " << k;
    }
}

TEST(GsmRepack, RoundTripOfArbitraryBits) {
    std::mt19937 random(11);
    for (int i = 0; i < 500; ++i) {
        Block b;
        for (auto& x : b) x = static_cast<uint8_t>(random());
        const Pair p = Unpack(b);
        EXPECT_EQ(p[0] >> 4, 0xD);
        EXPECT_EQ(p[kGsmFrameBytes] >> 4, 0xD);
        EXPECT_EQ(Pack(p), b);
    }
}

TEST(GsmRepack, FramePackCutsEachParameterToItsWidth) {
    GsmFrameParameters wide{};
    for (auto& v : wide.LARc) v = 0xFFFFFFFFu;
    for (int s = 0; s < 4; ++s) wide.Nc[s] = wide.bc[s] = wide.Mc[s] = wide.xmaxc[s] = 0xFFFFFFFFu;
    for (auto& v : wide.xMc) v = 0xFFFFFFFFu;
    Frame f;
    GsmFramePack(wide, f.data());
    Frame ones;
    ones.fill(0xFF);
    ones[0] = 0xDF;
    EXPECT_EQ(f, ones);
}

}  // namespace
