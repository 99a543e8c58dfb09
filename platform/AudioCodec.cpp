#include "platform/AudioCodec.h"

#include <gsm.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace audio {

// The samples go out as the host holds them; WAVE data is little-endian.
static_assert(std::endian::native == std::endian::little, "PCM samples are written in host order");

namespace {

constexpr int kFrameSamples = 160;
// With WAV49 packing the first frame of a block takes 33 bytes when
// decoding, and the encoder writes the first 32 and a half.
constexpr std::size_t kFirstHalfIn = 33;
constexpr std::size_t kFirstHalfOut = 32;

}  // namespace

struct CompressionStream::Codec {
    gsm handle = nullptr;
    ~Codec() {
        if (handle) gsm_destroy(handle);
    }
};

CompressionStream::CompressionStream(bool Decoding, std::unique_ptr<Codec> Coder)
    : decoding_(Decoding), codec_(std::move(Coder)) {}

CompressionStream::~CompressionStream() = default;

std::unique_ptr<CompressionStream> CompressionStream::Open(const WaveFormat& Source, const WaveFormat& Target) {
    const bool decoding = Source == kGsm610 && Target == kPcm8k16Mono;
    if (!decoding && !(Source == kPcm8k16Mono && Target == kGsm610)) return nullptr;
    auto codec = std::make_unique<Codec>();
    codec->handle = gsm_create();
    if (!codec->handle) return nullptr;
    int wav49 = 1;
    // A libgsm built without the WAVE packing refuses the option.
    if (gsm_option(codec->handle, GSM_OPT_WAV49, &wav49) < 0) return nullptr;
    return std::unique_ptr<CompressionStream>(new CompressionStream(decoding, std::move(codec)));
}

bool CompressionStream::Size(std::size_t SourceBytes, std::size_t& TargetBytes) const {
    if (!codec_) return false;
    TargetBytes = decoding_ ? SourceBytes / kGsmBlockBytes * kPcmBlockBytes
                            : SourceBytes / kPcmBlockBytes * kGsmBlockBytes;
    return true;
}

bool CompressionStream::Convert(const uint8_t* Source, std::size_t SourceBytes, uint8_t* Target,
                                std::size_t Capacity, std::size_t& SourceUsed, std::size_t& Produced) {
    SourceUsed = Produced = 0;
    if (!codec_) return false;
    const std::size_t inBlock = decoding_ ? kGsmBlockBytes : kPcmBlockBytes;
    const std::size_t outBlock = decoding_ ? kPcmBlockBytes : kGsmBlockBytes;
    const std::size_t blocks = std::min(SourceBytes / inBlock, Capacity / outBlock);
    gsm_signal pcm[2 * kFrameSamples];
    const bool direct = reinterpret_cast<std::uintptr_t>(Target) % alignof(gsm_signal) == 0;
    for (std::size_t b = 0; b < blocks; ++b) {
        const uint8_t* in = Source + b * inBlock;
        uint8_t* out = Target + b * outBlock;
        if (decoding_) {
            auto* block = const_cast<gsm_byte*>(in);
            // Straight into the target where its samples are aligned.
            gsm_signal* samples = direct ? reinterpret_cast<gsm_signal*>(out) : pcm;
            if (gsm_decode(codec_->handle, block, samples) < 0 ||
                gsm_decode(codec_->handle, block + kFirstHalfIn, samples + kFrameSamples) < 0)
                return false;
            if (!direct) std::memcpy(out, pcm, kPcmBlockBytes);
        } else {
            std::memcpy(pcm, in, kPcmBlockBytes);
            gsm_encode(codec_->handle, pcm, out);
            gsm_encode(codec_->handle, pcm + kFrameSamples, out + kFirstHalfOut);
        }
        SourceUsed += inBlock;
        Produced += outBlock;
    }
    return true;
}

void CompressionStream::Close() { codec_.reset(); }

}  // namespace audio
