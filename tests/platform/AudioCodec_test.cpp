// The GSM 6.10 <-> PCM compression stream against libgsm's plain 33-byte
// frame coding of the same speech: the block layout differs, the samples
// must not.
#include "platform/AudioCodec.h"

#include <gsm.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

using audio::CompressionStream;
using audio::kGsm610;
using audio::kPcm8k16Mono;
using audio::WaveFormat;

std::vector<int16_t> Speech(std::size_t samples) {
    std::vector<int16_t> s(samples);
    for (std::size_t i = 0; i < samples; ++i) {
        const double t = static_cast<double>(i) / 8000.0;
        s[i] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 180 * t) * std::sin(2 * M_PI * 0.9 * t) +
                                    3000 * std::sin(2 * M_PI * 2200 * t));
    }
    return s;
}

std::vector<uint8_t> Bytes(const std::vector<int16_t>& samples) {
    std::vector<uint8_t> b(samples.size() * 2);
    std::memcpy(b.data(), samples.data(), b.size());
    return b;
}

// libgsm without the WAVE packing: encode every 160 samples to a frame, then
// decode the frames again (each direction keeps its own state).
std::vector<int16_t> PlainRoundTrip(const std::vector<int16_t>& pcm) {
    gsm encoder = gsm_create();
    gsm decoder = gsm_create();
    std::vector<int16_t> out(pcm.size());
    for (std::size_t f = 0; f + 160 <= pcm.size(); f += 160) {
        gsm_byte frame[33];
        gsm_encode(encoder, const_cast<gsm_signal*>(pcm.data() + f), frame);
        EXPECT_EQ(gsm_decode(decoder, frame, out.data() + f), 0);
    }
    gsm_destroy(encoder);
    gsm_destroy(decoder);
    return out;
}

std::vector<uint8_t> ConvertAll(const WaveFormat& from, const WaveFormat& to, const std::vector<uint8_t>& in,
                         std::size_t* used = nullptr) {
    auto stream = CompressionStream::Open(from, to);
    EXPECT_TRUE(stream);
    if (!stream) return {};
    std::size_t size = 0;
    EXPECT_TRUE(stream->Size(in.size(), size));
    std::vector<uint8_t> out(size);
    std::size_t taken = 0, produced = 0;
    EXPECT_TRUE(stream->Convert(in.data(), in.size(), out.data(), out.size(), taken, produced));
    EXPECT_EQ(produced, size);
    if (used) *used = taken;
    stream->Close();
    return out;
}

TEST(AudioCodec, OpensOnlyBetweenGsm610AndPcm8000Mono16) {
    EXPECT_TRUE(CompressionStream::Open(kGsm610, kPcm8k16Mono));
    EXPECT_TRUE(CompressionStream::Open(kPcm8k16Mono, kGsm610));
    WaveFormat stereo = kPcm8k16Mono;
    stereo.channels = 2;
    WaveFormat fast = kPcm8k16Mono;
    fast.samplesPerSec = 11025;
    WaveFormat eightBit = kPcm8k16Mono;
    eightBit.bitsPerSample = 8;
    WaveFormat otherBlock = kGsm610;
    otherBlock.samplesPerBlock = 160;
    for (const WaveFormat& f : {stereo, fast, eightBit}) EXPECT_FALSE(CompressionStream::Open(kGsm610, f));
    EXPECT_FALSE(CompressionStream::Open(otherBlock, kPcm8k16Mono));
    EXPECT_FALSE(CompressionStream::Open(kGsm610, kGsm610));
    EXPECT_FALSE(CompressionStream::Open(kPcm8k16Mono, kPcm8k16Mono));
}

TEST(AudioCodec, SizesCountWholeBlocksOnly) {
    auto decode = CompressionStream::Open(kGsm610, kPcm8k16Mono);
    auto encode = CompressionStream::Open(kPcm8k16Mono, kGsm610);
    const struct {
        CompressionStream* stream;
        std::size_t in, out;
    } cases[] = {
        {decode.get(), 0, 0},     {decode.get(), 64, 0},    {decode.get(), 65, 640},
        {decode.get(), 129, 640}, {decode.get(), 130, 1280}, {encode.get(), 639, 0},
        {encode.get(), 640, 65},  {encode.get(), 1300, 130},
    };
    for (const auto& c : cases) {
        std::size_t out = 99;
        ASSERT_TRUE(c.stream->Size(c.in, out));
        EXPECT_EQ(out, c.out) << c.in;
    }
    decode->Close();
    std::size_t out = 0;
    EXPECT_FALSE(decode->Size(65, out));
}

TEST(AudioCodec, EncodingAndDecodingGiveLibgsmsPlainSamples) {
    const std::vector<int16_t> pcm = Speech(320 * 250);  // 10 s
    const std::vector<uint8_t> blocks = ConvertAll(kPcm8k16Mono, kGsm610, Bytes(pcm));
    ASSERT_EQ(blocks.size(), 250u * 65);
    const std::vector<uint8_t> decoded = ConvertAll(kGsm610, kPcm8k16Mono, blocks);
    ASSERT_EQ(decoded.size(), pcm.size() * 2);
    EXPECT_EQ(decoded, Bytes(PlainRoundTrip(pcm)));
}

TEST(AudioCodec, APartialBlockAtTheEndIsLeft) {
    const std::vector<int16_t> pcm = Speech(320 * 3 + 100);
    std::size_t used = 0;
    const std::vector<uint8_t> blocks = ConvertAll(kPcm8k16Mono, kGsm610, Bytes(pcm), &used);
    EXPECT_EQ(blocks.size(), 3u * 65);
    EXPECT_EQ(used, 3u * 640);
    std::vector<uint8_t> ragged = blocks;
    ragged.resize(ragged.size() + 30, 0x55);
    EXPECT_EQ(ConvertAll(kGsm610, kPcm8k16Mono, ragged, &used).size(), 3u * 640);
    EXPECT_EQ(used, 3u * 65);
}

TEST(AudioCodec, ConvertsOnlyWhatFitsTheTarget) {
    const std::vector<uint8_t> blocks = ConvertAll(kPcm8k16Mono, kGsm610, Bytes(Speech(320 * 4)));
    auto stream = CompressionStream::Open(kGsm610, kPcm8k16Mono);
    std::vector<uint8_t> out(640 * 2 + 639);
    std::size_t used = 0, produced = 0;
    ASSERT_TRUE(stream->Convert(blocks.data(), blocks.size(), out.data(), out.size(), used, produced));
    EXPECT_EQ(produced, 1280u);
    EXPECT_EQ(used, 130u);
    std::size_t none = 7;
    ASSERT_TRUE(stream->Convert(blocks.data(), 0, out.data(), out.size(), used, none));
    EXPECT_EQ(none, 0u);
}

TEST(AudioCodec, ATargetAtAnOddAddressGetsTheSameSamples) {
    const std::vector<uint8_t> blocks = ConvertAll(kPcm8k16Mono, kGsm610, Bytes(Speech(320 * 6)));
    const std::vector<uint8_t> aligned = ConvertAll(kGsm610, kPcm8k16Mono, blocks);
    auto stream = CompressionStream::Open(kGsm610, kPcm8k16Mono);
    std::vector<uint8_t> out(aligned.size() + 1);
    std::size_t used = 0, produced = 0;
    ASSERT_TRUE(stream->Convert(blocks.data(), blocks.size(), out.data() + 1, aligned.size(), used, produced));
    EXPECT_EQ(std::vector<uint8_t>(out.begin() + 1, out.end()), aligned);
}

}  // namespace
