// Downloads a message of ten memory pages from the simulator throttled to
// 115200 baud, as SaveFaxMsg does before it writes the TIFF file, and prints
// the wall time against the time the bytes take on the line (10 bits a byte)
// and the CPU time of this process. Goal: at most 2 % over the line time and
// under 5 % of one core.
#include <cstdio>
#include <string>

#include "modem/Sim3comRig.h"
#include "platform/PtyPair.h"
#include "testkit/TestKit.h"

namespace {

constexpr int kBaud = 115200;
constexpr int kPages = 10;
constexpr long kPageReply = 2 + 32768 + 6;  // checksum, page, CR LF "OK" CR LF

}  // namespace

int main() {
    modemtest::EnsureApp();
    testkit::TempHome home;
    // One fax whose data fill ten pages from page 4 on: 34 header bytes, the
    // data without a DLE, DLE ETX.
    const std::string page(static_cast<std::size_t>(kPages) * 32768 - 34 - 2 - 1000, 'a');
    testkit::WriteFile(home.Path() + "/big.g3", page);
    sim3comtest::Rig rig("[message]\ntype = fax\ng3 = " + home.Path() + "/big.g3\n",
                         {"--baud", std::to_string(kBaud)});
    rig.modem.Refresh();
    const std::string file = home.Path() + "/download";

    ptytest::CpuMeter meter;
    rig.modem.DownloadMsg(1, file);
    const double wall = meter.WallSeconds();
    const double cpu = meter.CpuSeconds();

    const long status = 2 + 68 + 2 + 4;  // the one "+MSR" reply of the download
    const long bytes = kPages * kPageReply + status;
    const double line = static_cast<double>(bytes) * 10.0 / kBaud;
    const long got = static_cast<long>(testkit::ReadFile(file).size());
    std::printf("pages %d (%d..%d), file %ld bytes\n", rig.modem.LastPage - rig.modem.FirstPage + 1,
                rig.modem.FirstPage, rig.modem.LastPage, got);
    std::printf("line bytes %ld at %d baud: line-rate time %.3f s\n", bytes, kBaud, line);
    std::printf("wall time %.3f s (%+.2f %% against the line rate)\n", wall, (wall / line - 1.0) * 100.0);
    std::printf("CPU time %.3f s (%.2f %% of the wall time)\n", cpu, cpu / wall * 100.0);
    const bool ok = rig.modem.LastPage - rig.modem.FirstPage + 1 == kPages && wall <= line * 1.02 && cpu < wall * 0.05;
    std::printf("%s\n", ok ? "within the goal" : "OUTSIDE the goal");
    return ok ? 0 : 1;
}
