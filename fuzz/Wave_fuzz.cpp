// WAV files as the programs read them: the RIFF chunk walk of the sound
// output, the message-WAV check, and Echolet's conversion to a ".gsm" file.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "echolet/EcholetSound.h"
#include "echolet/GsmWav.h"
#include "fuzz/FuzzKit.h"
#include "platform/AudioOut.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, std::size_t Size) {
    fuzz::NewRun();
    const std::string_view image(reinterpret_cast<const char*>(Data), Size);
    audio::ParseWaveFormat(image);
    if (const auto wave = audio::ParseWave(image)) {
        if (wave->dataOffset > Size || wave->dataSize > Size - wave->dataOffset || wave->dataSize > wave->declaredSize)
            __builtin_trap();
    }
    std::size_t offset = 0, length = 0;
    const bool message = echolet::MessageWavSamples(image, offset, length);
    const std::string out = fuzz::FuzzHome() + "/converted.gsm";
    std::filesystem::remove(out);
    fuzz::Tolerate([&] {
        if (echolet::WavToGsm(Data, Size, out) == 1) {
            // Whole 65-byte blocks of 320 samples, two 33-byte frames each, and the end pair.
            const auto written = std::filesystem::file_size(out);
            if (!message || written != length / 640 * 66 + 2) __builtin_trap();
        }
    });
    return 0;
}
