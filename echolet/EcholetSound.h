#pragma once
// Echolet's sound on the PC: WAV images and files played to their end, and
// the samples of a message WAV file found in its chunks.
#include <cstddef>
#include <string>
#include <string_view>

namespace echolet {

// Plays a WAV image or file to its end. A sound that cannot be played for
// want of a sound device gets a box saying so; no box for what is no WAV.
bool PlayWaveImage(std::string_view Image);
bool PlayWaveFile(const std::string& Path);

// Where the samples of a message WAV file lie: true when Image is RIFF/WAVE
// with a "fmt " chunk of exactly 1 channel, 8000 Hz, 16000 bytes a second,
// block align 2, 16-bit PCM, and a "data" chunk behind it that lies wholly
// inside the image.
bool MessageWavSamples(std::string_view Image, std::size_t& Offset, std::size_t& Length);

}  // namespace echolet
