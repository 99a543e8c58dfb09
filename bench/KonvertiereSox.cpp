// Converts one hour of GSM 06.10 voice mail through the download worker's
// conversion path (konvertiere: unstuffing, the frame test, the repacking,
// the compression stream and the WAV file) and has sox decode the same
// frames to a WAV file in the same run; prints the seconds of audio each
// converts per CPU second. Goal: at least as fast as sox.
#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <QProcess>

#include "murmel/MurmelProfile.h"
#include "murmel/konvertiere.h"
#include "testkit/TestKit.h"

namespace {

constexpr int kSeconds = 3600;
constexpr int kFramesPerSecond = 50;
constexpr int kFrame = 33;
// Ten minutes a message: six messages make the hour, each within the
// download buffer with room to spare.
constexpr int kMessageSeconds = 600;
constexpr int kRounds = 5;

double Cpu(int who) {
    rusage u{};
    getrusage(who, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double Wall() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

bool Sox(const QStringList& args) {
    QProcess p;
    p.start("sox", args);
    if (!p.waitForStarted(10000) || !p.waitForFinished(-1) || p.exitCode() != 0) {
        std::fprintf(stderr, "sox %s failed: %s\n", args.join(' ').toStdString().c_str(),
                     p.readAllStandardError().toStdString().c_str());
        return false;
    }
    return true;
}

// A message as the modem stores it: the 34-byte header, the frames with
// every DLE doubled, DLE ETX; the next header's bytes point behind it.
std::size_t Lay(std::vector<uint8_t>& buffer, const std::string& frames) {
    std::fill(buffer.begin(), buffer.begin() + 34, 0);
    buffer[0] = 1;
    buffer[1] = 2;  // voice
    buffer[5] = buffer[6] = buffer[7] = 0xFF;
    std::size_t at = 34;
    for (char c : frames) {
        buffer[at++] = static_cast<uint8_t>(c);
        if (static_cast<uint8_t>(c) == 0x10) buffer[at++] = 0x10;
    }
    buffer[at++] = 0x10;
    buffer[at++] = 0x03;
    buffer[31] = static_cast<uint8_t>(at / murmel::kPageBytes + murmel::kFirstMessagePage);
    buffer[32] = static_cast<uint8_t>(at % murmel::kPageBytes >> 8);
    buffer[33] = static_cast<uint8_t>(at % murmel::kPageBytes & 0xFF);
    buffer[at] = 0xFF;
    return at;
}

}  // namespace

int main() {
#if defined(__SANITIZE_ADDRESS__)
    std::printf("note: built with AddressSanitizer; take the figures from a build without it\n");
#endif
    testkit::TempHome home;
    const std::string gsm = home.Path() + "/hour.gsm";
    if (!Sox({"-n", "-r", "8000", "-c", "1", QString::fromStdString(gsm), "synth", QString::number(kSeconds), "sine",
              "200-1400", "tremolo", "4", "50"}))
        return 2;
    const std::string frames = testkit::ReadFile(gsm);
    const std::size_t total = frames.size() / kFrame;
    std::printf("frames: %zu (%.0f s of audio), %zu bytes\n", total, static_cast<double>(total) / kFramesPerSecond,
                frames.size());

    murmel::WriteProfileString(murmel::kOptions, "Path", home.Path());
    std::vector<uint8_t> buffer(murmel::kDownloadBytes, 0xFF);
    const std::size_t perMessage = static_cast<std::size_t>(kMessageSeconds) * kFramesPerSecond * kFrame;
    // The machine is shared: each side converts the hour five times, taking
    // turns, and its best round counts.
    double oursCpu = 1e9, oursWall = 0, soxCpu = 1e9, soxWall = 0;
    std::size_t samples = 0;
    double soxSamples = 0;
    int messages = 0;
    for (int round = 0; round < kRounds; ++round) {
        double cpu = 0, wall = 0;
        messages = 0;
        murmel::WriteProfileInt(murmel::kOptions, "Counter", 1);
        for (std::size_t at = 0; at < frames.size(); at += perMessage, ++messages) {
            Lay(buffer, frames.substr(at, perMessage));
            const double c0 = Cpu(RUSAGE_SELF), w0 = Wall();
            if (!murmel::konvertiere(buffer, 0, murmel::UnknownTimeMarker())) {
                std::fprintf(stderr, "konvertiere failed\n");
                return 2;
            }
            cpu += Cpu(RUSAGE_SELF) - c0;
            wall += Wall() - w0;
        }
        if (cpu < oursCpu) {
            oursCpu = cpu;
            oursWall = wall;
        }
        const double c0 = Cpu(RUSAGE_CHILDREN), w0 = Wall();
        if (!Sox({"-D", "-t", "gsm", QString::fromStdString(gsm), "-b", "16",
                  QString::fromStdString(home.Path() + "/sox.wav")}))
            return 2;
        const double sc = Cpu(RUSAGE_CHILDREN) - c0, sw = Wall() - w0;
        if (sc < soxCpu) {
            soxCpu = sc;
            soxWall = sw;
        }
    }
    for (int n = 1; n <= messages; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "/Voic%04d.wav", n);
        samples += (testkit::ReadFile(home.Path() + name).size() - 44) / 2;
    }
    soxSamples = static_cast<double>(testkit::ReadFile(home.Path() + "/sox.wav").size() - 44) / 2;

    const double oursAudio = static_cast<double>(samples) / 8000, soxAudio = soxSamples / 8000;
    std::printf("konvertiere: %d messages, %.0f s of audio in %.3f s CPU (%.3f s wall): %.0f s of audio per CPU second\n",
                messages, oursAudio, oursCpu, oursWall, oursAudio / oursCpu);
    std::printf("sox:         %.0f s of audio in %.3f s CPU (%.3f s wall): %.0f s of audio per CPU second\n", soxAudio,
                soxCpu, soxWall, soxAudio / soxCpu);
    const double ratio = (oursAudio / oursCpu) / (soxAudio / soxCpu);
    std::printf("konvertiere against sox: %.2f times as fast; %s\n", ratio,
                ratio >= 1.0 ? "within the goal" : "OUTSIDE the goal");
    return ratio >= 1.0 ? 0 : 1;
}
