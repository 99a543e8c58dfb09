#include "echolet/GsmWav.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "echolet/EcholetCom.h"
#include "echolet/EcholetSound.h"
#include "echolet/GsmFile.h"
#include "murmel/GsmRepack.h"
#include "murmel/MessageWav.h"
#include "platform/AudioCodec.h"

namespace echolet {

namespace {

constexpr std::size_t kPairBytes = 2 * kGsmFrameBytes;
// One frame pair and the end pair.
constexpr std::size_t kShortestData = kPairBytes + 2;

bool WriteAll(const std::string& Path, const uint8_t* Data, std::size_t Length) {
    std::ofstream out(Path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(Data), static_cast<std::streamsize>(Length));
    out.close();
    return static_cast<bool>(out);
}

}  // namespace

int GsmToWav(uint8_t* Data, std::size_t Length, const std::string& Output) {
    if (Length < kShortestData) return 0;
    const std::size_t count = (Length - 2) / kPairBytes;
    for (std::size_t k = 0; k < count; ++k) {
        uint8_t pair[kPairBytes];
        std::memcpy(pair, Data + k * kPairBytes, kPairBytes);
        GsmPairToMsGsm(pair, Data + k * kGsmBlockBytes);
    }
    auto stream = audio::CompressionStream::Open(audio::kGsm610, audio::kPcm8k16Mono);
    if (!stream) return 0;
    std::size_t size = 0;
    if (!stream->Size(count * kGsmBlockBytes, size)) return 0;
    const std::size_t capacity = size * 3 / 2;
    std::vector<uint8_t> wav(capacity + murmel::kWavHeaderBytes);
    std::size_t used = 0, produced = 0;
    if (!stream->Convert(Data, count * kGsmBlockBytes, wav.data() + murmel::kWavHeaderBytes, capacity, used, produced))
        return 0;
    stream->Close();
    murmel::WriteMessageWavHeader(wav.data(), static_cast<uint32_t>(produced));
    const std::size_t total = murmel::kWavHeaderBytes + produced;
    if (Output.empty()) {
        PlayWaveImage(std::string_view(reinterpret_cast<const char*>(wav.data()), total));
        return 1;
    }
    return WriteAll(Output, wav.data(), total) ? 1 : 0;
}

int WavToGsm(const uint8_t* Wav, std::size_t Length, const std::string& Output) {
    std::size_t offset = 0, length = 0;
    if (!MessageWavSamples(std::string_view(reinterpret_cast<const char*>(Wav), Length), offset, length)) {
        EcholetMessage("Wav-File must have 1 Cannel, 8000 Hz, 16 Bit", ui::IconError);
        return 0;
    }
    auto stream = audio::CompressionStream::Open(audio::kPcm8k16Mono, audio::kGsm610);
    if (!stream) return 0;
    std::size_t size = 0;
    if (!stream->Size(length, size)) return 0;
    std::vector<uint8_t> blocks(size * 3 / 2 + murmel::kWavHeaderBytes);
    std::size_t used = 0, produced = 0;
    if (!stream->Convert(Wav + offset, length, blocks.data(), blocks.size(), used, produced))
        return 0;
    stream->Close();
    const std::size_t count = produced / kGsmBlockBytes;
    if (count == 0) return 0;
    std::vector<uint8_t> gsm(produced * kPairBytes / kGsmBlockBytes + 20);
    for (std::size_t b = 0; b < count; ++b) MsGsmToGsmPair(blocks.data() + b * kGsmBlockBytes, gsm.data() + b * kPairBytes);
    gsm[count * kPairBytes] = DLE;
    gsm[count * kPairBytes + 1] = ETX;
    return WriteAll(Output, gsm.data(), count * kPairBytes + 2) ? 1 : 0;
}

}  // namespace echolet
