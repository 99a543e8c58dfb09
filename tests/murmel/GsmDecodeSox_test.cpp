// Frames that sox made from a known WAV file, repacked pair by pair and
// decoded by the platform's compression stream, give exactly the samples
// that sox decodes from the same frames; the reverse direction gives back
// the frames libgsm's WAVE packing stands for.
#include <gtest/gtest.h>

#include <vector>

#include "murmel/GsmRepack.h"
#include "platform/AudioCodec.h"
#include "tests/murmel/SoxKit.h"
#include "testkit/TestKit.h"

namespace {

TEST(GsmDecodeSox, RepackedPairsDecodeToSoxsSamples) {
    testkit::TempHome home;
    const std::string wav = soxkit::MakeKnownWav(home.Path(), "known.wav", 7.3);
    const std::string frames = soxkit::EncodeGsm(wav, home.Path() + "/known.gsm");
    ASSERT_EQ(frames.size() % kGsmFrameBytes, 0u);
    const std::size_t pairs = frames.size() / (2 * kGsmFrameBytes);
    ASSERT_GT(pairs, 150u);
    const std::vector<int16_t> reference = soxkit::DecodeGsm(home.Path() + "/known.gsm", home.Path() + "/ref.raw");
    ASSERT_EQ(reference.size(), frames.size() / kGsmFrameBytes * 160);

    std::vector<uint8_t> blocks(pairs * kGsmBlockBytes);
    for (std::size_t k = 0; k < pairs; ++k)
        GsmPairToMsGsm(reinterpret_cast<const uint8_t*>(frames.data()) + k * 2 * kGsmFrameBytes,
                       blocks.data() + k * kGsmBlockBytes);
    auto stream = audio::CompressionStream::Open(audio::kGsm610, audio::kPcm8k16Mono);
    ASSERT_TRUE(stream);
    std::size_t size = 0, used = 0, produced = 0;
    ASSERT_TRUE(stream->Size(blocks.size(), size));
    std::vector<int16_t> samples(size / 2);
    ASSERT_TRUE(stream->Convert(blocks.data(), blocks.size(), reinterpret_cast<uint8_t*>(samples.data()), size, used,
                                produced));
    ASSERT_EQ(produced, pairs * 640);
    // An odd last frame has no partner and stays out.
    EXPECT_EQ(samples, std::vector<int16_t>(reference.begin(), reference.begin() + static_cast<long>(pairs * 320)));

    // Encoding sox's decoded samples again and unpacking the blocks gives
    // frames that sox decodes like the blocks.
    auto encoder = audio::CompressionStream::Open(audio::kPcm8k16Mono, audio::kGsm610);
    std::vector<uint8_t> again(pairs * kGsmBlockBytes);
    ASSERT_TRUE(encoder->Convert(reinterpret_cast<const uint8_t*>(samples.data()), produced, again.data(),
                                 again.size(), used, produced));
    std::string pairsOut(pairs * 2 * kGsmFrameBytes, '\0');
    for (std::size_t k = 0; k < pairs; ++k)
        MsGsmToGsmPair(again.data() + k * kGsmBlockBytes, reinterpret_cast<uint8_t*>(pairsOut.data()) + k * 66);
    testkit::WriteFile(home.Path() + "/again.gsm", pairsOut);
    const std::vector<int16_t> soxAgain = soxkit::DecodeGsm(home.Path() + "/again.gsm", home.Path() + "/again.raw");
    auto decoder = audio::CompressionStream::Open(audio::kGsm610, audio::kPcm8k16Mono);
    std::vector<int16_t> oursAgain(pairs * 320);
    ASSERT_TRUE(decoder->Convert(again.data(), again.size(), reinterpret_cast<uint8_t*>(oursAgain.data()),
                                 oursAgain.size() * 2, used, produced));
    EXPECT_EQ(oursAgain, soxAgain);
}

}  // namespace
