#include "testkit/Wave.h"

namespace testkit {
namespace {

void Put(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
}

}  // namespace

std::string MessageWav(std::size_t Samples, uint32_t Rate) {
    const auto data = static_cast<uint32_t>(Samples * 2);
    std::string w = "RIFF";
    Put(w, data + 36, 4);
    w += "WAVEfmt ";
    Put(w, 16, 4);
    Put(w, 1, 2);
    Put(w, 1, 2);
    Put(w, Rate, 4);
    Put(w, Rate * 2, 4);
    Put(w, 2, 2);
    Put(w, 16, 2);
    w += "data";
    Put(w, data, 4);
    for (std::size_t i = 0; i < Samples; ++i) Put(w, static_cast<uint16_t>(i % 16 < 8 ? 800 : -800), 2);
    return w;
}

std::string MessageWavMs(unsigned Ms) { return MessageWav(static_cast<std::size_t>(Ms) * 8); }

}  // namespace testkit
