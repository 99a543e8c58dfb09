#include "murmel/MessageWav.h"

#include <cstring>

namespace murmel {

namespace {

void Put16(uint8_t* at, uint16_t v) {
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* at, uint32_t v) {
    Put16(at, static_cast<uint16_t>(v));
    Put16(at + 2, static_cast<uint16_t>(v >> 16));
}

}  // namespace

void WriteMessageWavHeader(uint8_t* Out, uint32_t DataLength) {
    std::memcpy(Out, "RIFF", 4);
    Put32(Out + 4, DataLength + 36);
    std::memcpy(Out + 8, "WAVEfmt ", 8);
    Put32(Out + 16, 16);                  // length of the format block
    Put16(Out + 20, 1);                   // PCM
    Put16(Out + 22, 1);                   // channels
    Put32(Out + 24, 8000);                // samples per second
    Put32(Out + 28, kWavBytesPerSecond);  // bytes per second
    Put16(Out + 32, 2);                   // block align
    Put16(Out + 34, 16);                  // bits per sample
    std::memcpy(Out + 36, "data", 4);
    Put32(Out + 40, DataLength);
}

std::array<uint8_t, kWavHeaderBytes> MessageWavHeader(uint32_t DataLength) {
    std::array<uint8_t, kWavHeaderBytes> header{};
    WriteMessageWavHeader(header.data(), DataLength);
    return header;
}

}  // namespace murmel
