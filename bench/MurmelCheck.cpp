// Murmel's check of 60 new voice mails at its default 115200 baud: the
// download worker's whole run (set-up, status report, the memory pages,
// a WAV file for each message). Sets the wall time against the line-rate
// time of the bytes that crossed the line, and the CPU time against the wall
// time.
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/BenchKit.h"
#include "murmel/MurmelProfile.h"
#include "murmel/ReadThread.h"
#include "testkit/ModemSim.h"
#include "testkit/TestKit.h"

int main() {
    constexpr int kBaud = 115200, kMessages = 60;
    testkit::TempHome home;
    std::string scenario;
    for (int i = 0; i < kMessages; ++i) scenario += "[message]\ntype = voice\nseconds = 3\ntime = 12,9," + std::to_string(i) + "\n";
    testkit::WriteFile(home.Path() + "/memory.txt", scenario);
    testkit::ModemSim sim(testkit::PortLink(2), {"--model", "sportster", "--scenario", home.Path() + "/memory.txt",
                                                 "--baud", std::to_string(kBaud)});
    const std::string out = home.Path() + "/out";
    std::filesystem::create_directories(out);
    murmel::WriteProfileString(murmel::kOptions, "Path", out);
    murmel::WriteProfileString(murmel::kOptions, "Port", "COM2");
    bench::LineCounter line;
    const bench::Stretch s;
    murmel::ReadThread(nullptr);
    const double wall = s.Wall(), cpu = s.Cpu();
    int wavs = 0;
    for (const auto& e : std::filesystem::directory_iterator(out)) wavs += e.path().extension() == ".wav";
    if (wavs != kMessages) {
        std::fprintf(stderr, "the check wrote %d WAV files\n", wavs);
        return 2;
    }
    return bench::Transfer("Murmel's check of " + std::to_string(kMessages) + " new voice mails at 115200 baud (" +
                               std::to_string(line.Bytes()) + " bytes, " + std::to_string(wavs) + " WAV files)",
                           wall, cpu, line.LineSeconds(kBaud))
               ? 0
               : 1;
}
