#include "echolet/EcholetSound.h"

#include <fstream>
#include <iterator>

#include "echolet/EcholetCom.h"
#include "platform/AudioOut.h"

namespace echolet {

bool PlayWaveImage(std::string_view Image) {
    if (audio::PlayWaveImage(Image)) return true;
    if (audio::ParseWave(Image))
        EcholetMessage("The sound could not be played: no sound device could be opened.", ui::IconWarning);
    return false;
}

bool PlayWaveFile(const std::string& Path) {
    std::ifstream in(Path, std::ios::binary);
    if (!in) return false;
    const std::string image{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return PlayWaveImage(image);
}

bool MessageWavSamples(std::string_view Image, std::size_t& Offset, std::size_t& Length) {
    const auto wave = audio::ParseWave(Image);
    if (!wave) return false;
    const audio::WaveFormat& f = wave->format;
    if (f.formatTag != audio::kFormatPcm || f.channels != 1 || f.samplesPerSec != 8000 || f.avgBytesPerSec != 16000 ||
        f.blockAlign != 2 || f.bitsPerSample != 16 || wave->declaredSize != wave->dataSize)
        return false;
    Offset = wave->dataOffset;
    Length = wave->dataSize;
    return true;
}

}  // namespace echolet
