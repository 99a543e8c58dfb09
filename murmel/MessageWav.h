#pragma once
// The header of the system's message WAV files: 44 bytes of RIFF/WAVE with
// one PCM format block (mono, 8000 Hz, 16 bit) and the "data" chunk, all
// numbers little-endian, the samples following from byte 44.
#include <array>
#include <cstddef>
#include <cstdint>

namespace murmel {

constexpr std::size_t kWavHeaderBytes = 44;
constexpr uint32_t kWavBytesPerSecond = 16000;

// Writes the header for DataLength bytes of samples into Out[0..43].
void WriteMessageWavHeader(uint8_t* Out, uint32_t DataLength);
std::array<uint8_t, kWavHeaderBytes> MessageWavHeader(uint32_t DataLength);

}  // namespace murmel
