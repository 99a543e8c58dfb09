#pragma once
// Echolet's conversions between its GSM message data (33-byte GSM 06.10
// frames ended by DLE ETX, as ".gsm" files hold them) and the system's
// message WAV files (16-bit mono PCM at 8000 Hz behind a 44-byte header),
// through the platform's GSM 6.10 codec and the repacking of the frames
// into the codec's 65-byte blocks and back.
#include <cstddef>
#include <cstdint>
#include <string>

namespace echolet {

// The GSM message data to a message WAV file named Output, or, with an
// empty Output, played to its end. The frames are repacked into blocks in
// place, so Data holds blocks afterwards. 1 when written or played; 0 when
// the data holds no frame pair and its end pair (68 bytes), or the codec or
// the file failed.
int GsmToWav(uint8_t* Data, std::size_t Length, const std::string& Output);

// A message WAV file's bytes to a GSM message file named Output. A file that
// is not RIFF/WAVE with a "fmt " chunk of 1 channel, 8000 Hz, 16-bit PCM and
// a "data" chunk inside the file gets the box "Wav-File must have 1 Cannel,
// 8000 Hz, 16 Bit". 1 when written; 0 on any failure, and when the samples
// make no whole block (fewer than 320).
int WavToGsm(const uint8_t* Wav, std::size_t Length, const std::string& Output);

}  // namespace echolet
