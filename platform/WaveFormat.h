#pragma once
// The description of a wave format, as the sound output and the compression
// stream take it: a wave file's "fmt " fields and, for a compressed format,
// its samples per block.
#include <cstdint>

namespace audio {

struct WaveFormat {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t samplesPerBlock = 0;  // the extra field of a compressed format; 0 for PCM
    bool operator==(const WaveFormat&) const = default;
};

}  // namespace audio
