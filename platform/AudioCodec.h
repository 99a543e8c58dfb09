#pragma once
// The audio compression stream of the platform: GSM 6.10 in 65-byte blocks
// of 320 samples (WAVE format tag 49, two GSM 06.10 frames a block) to
// 8000 Hz 16-bit mono PCM and back, on libgsm with its WAV49 packing. A
// stream is opened for one pair of formats, asked how large a conversion's
// output is, converts a whole message in one call, and is closed.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/WaveFormat.h"

namespace audio {

// GSM 6.10: tag 0x31, mono, 8000 Hz, 1625 bytes a second, 65-byte blocks of 320 samples.
constexpr WaveFormat kGsm610{0x0031, 1, 8000, 1625, 65, 0, 320};
// PCM: tag 1, mono, 8000 Hz, 16000 bytes a second, 2-byte samples.
constexpr WaveFormat kPcm8k16Mono{1, 1, 8000, 16000, 2, 16, 0};

constexpr std::size_t kGsmBlockBytes = 65;
constexpr std::size_t kPcmBlockBytes = 640;  // the 320 samples of one block

class CompressionStream {
public:
    // A stream from Source to Target; nullptr when no codec converts between
    // them (the two formats above, in either direction, are the only pair).
    static std::unique_ptr<CompressionStream> Open(const WaveFormat& Source, const WaveFormat& Target);
    ~CompressionStream();
    CompressionStream(const CompressionStream&) = delete;
    CompressionStream& operator=(const CompressionStream&) = delete;

    // How many bytes a conversion of SourceBytes produces: whole blocks only,
    // a last partial block (or partial 320 samples) gives nothing.
    bool Size(std::size_t SourceBytes, std::size_t& TargetBytes) const;

    // Converts every whole block of Source that fits Target. SourceUsed and
    // Produced tell how many bytes were taken and written. False when the
    // codec failed; what was produced up to then stays in Target.
    bool Convert(const uint8_t* Source, std::size_t SourceBytes, uint8_t* Target, std::size_t Capacity,
                 std::size_t& SourceUsed, std::size_t& Produced);

    void Close();

private:
    struct Codec;
    CompressionStream(bool Decoding, std::unique_ptr<Codec> Coder);

    bool decoding_;
    std::unique_ptr<Codec> codec_;
};

}  // namespace audio
