#include "tools/modemsim/Sim3comContent.h"

#include <cmath>
#include <numbers>

extern "C" {
#include <gsm.h>
}

#include "testkit/FaxLetter.h"
#include "testkit/G3Encode.h"
#include "tools/modemsim/Sim3comMemory.h"

namespace sim3com {

std::string GsmTone(int seconds, int voice) {
    gsm coder = gsm_create();
    if (!coder) return {};
    std::string frames;
    const int count = seconds * kFramesPerSecond;
    frames.reserve(static_cast<std::size_t>(count) * kGsmFrameSize);
    // Short beeps whose pitch tells the messages apart when they are played.
    const double pitch = 330.0 + 110.0 * (voice % 5);
    long sample = 0;
    for (int f = 0; f < count; ++f) {
        gsm_signal pcm[160];
        for (auto& s : pcm) {
            const bool sounding = (sample % 6000) < 4000;
            const double t = static_cast<double>(sample++) / 8000.0;
            s = sounding ? static_cast<gsm_signal>(6000.0 * std::sin(2.0 * std::numbers::pi * pitch * t)) : 0;
        }
        gsm_byte out[kGsmFrameSize];
        gsm_encode(coder, pcm, out);
        frames.append(reinterpret_cast<const char*>(out), kGsmFrameSize);
    }
    gsm_destroy(coder);
    return frames;
}

std::string G3Page(int index, bool fine) {
    const int lines = fine ? 2287 : 1143;
    return testkit::G3Encode(testkit::G3TestPage(lines, static_cast<unsigned>(index) + 1));
}

std::string LetterPage(int Letter, int Page, int Pages, bool Fine) {
    return testkit::CodedFaxLetterPage(Letter, Page, Pages, Fine);
}

}  // namespace sim3com

