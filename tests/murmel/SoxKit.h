#pragma once
// sox as the outside reference for GSM 06.10: it makes the frames from a
// known WAV file and decodes the same frames to the samples ours must equal.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "testkit/TestKit.h"

namespace soxkit {

// Runs sox with Args and waits; false (with sox's error output) when it fails.
inline bool Sox(const QStringList& args) {
    QProcess p;
    p.start("sox", args);
    if (!p.waitForStarted(10000)) {
        ADD_FAILURE() << "sox cannot be started; tools/install-deps.sh installs it";
        return false;
    }
    p.waitForFinished(600000);
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << "sox " << args.join(' ').toStdString() << ": " << p.readAllStandardError().toStdString();
        return false;
    }
    return true;
}

// A known WAV file: 8000 Hz, 16 bit, mono, a sweep under a tremolo, so that
// the frames carry changing speech-like parameters.
inline std::string MakeKnownWav(const std::string& dir, const std::string& name, double seconds, int low = 200,
                                int high = 1400) {
    const std::string path = dir + "/" + name;
    Sox({"-n", "-r", "8000", "-b", "16", "-c", "1", QString::fromStdString(path), "synth",
         QString::number(seconds), "sine", QString("%1-%2").arg(low).arg(high), "tremolo", "4", "50"});
    return path;
}

// The GSM 06.10 frames (33 bytes each, no end pair) sox makes of a WAV file.
inline std::string EncodeGsm(const std::string& wav, const std::string& out) {
    Sox({"-D", QString::fromStdString(wav), "-t", "gsm", QString::fromStdString(out)});
    return testkit::ReadFile(out);
}

// sox's own decoding of a frame file: 160 samples a frame.
inline std::vector<int16_t> DecodeGsm(const std::string& frames, const std::string& rawOut) {
    Sox({"-D", "-t", "gsm", QString::fromStdString(frames), "-t", "raw", "-e", "signed", "-b", "16", "-L",
         QString::fromStdString(rawOut)});
    const std::string raw = testkit::ReadFile(rawOut);
    std::vector<int16_t> samples(raw.size() / 2);
    std::memcpy(samples.data(), raw.data(), samples.size() * 2);
    return samples;
}

// The samples of a message WAV file (after its 44-byte header).
inline std::vector<int16_t> WavSamples(const std::string& wav) {
    const std::string bytes = testkit::ReadFile(wav);
    if (bytes.size() < 44) return {};
    std::vector<int16_t> samples((bytes.size() - 44) / 2);
    std::memcpy(samples.data(), bytes.data() + 44, samples.size() * 2);
    return samples;
}

}  // namespace soxkit
