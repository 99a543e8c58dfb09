#pragma once
// WAV images for tests: the 44-byte header of the message files followed by
// 16-bit mono samples.
#include <cstddef>
#include <cstdint>
#include <string>

namespace testkit {

// A message WAV image of Samples samples at Rate (8000 unless given): a quiet
// tone, so that a played file is not silence.
std::string MessageWav(std::size_t Samples, uint32_t Rate = 8000);
// The same for a length in milliseconds at 8000 Hz.
std::string MessageWavMs(unsigned Ms);

}  // namespace testkit
