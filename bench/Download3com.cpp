// Downloads a fax message of ten memory pages from the simulator throttled
// to the baud rate given (57600 and 115200 by default), as SaveFaxMsg does
// before it writes the TIFF file, and sets the wall time against the
// line-rate time of the bytes that crossed the line (10 bits a byte) and the
// CPU time against the wall time. Goal: at most 2 % over the line time and
// under 5 % of one core.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchKit.h"
#include "modem/Sim3comRig.h"
#include "testkit/TestKit.h"

namespace {

constexpr int kPages = 10;

bool Run(int Baud) {
    testkit::TempHome home;
    // One fax whose data fill ten pages from page 4 on: 34 header bytes, the
    // data without a DLE, DLE ETX.
    const std::string page(static_cast<std::size_t>(kPages) * 32768 - 34 - 2 - 1000, 'a');
    testkit::WriteFile(home.Path() + "/big.g3", page);
    sim3comtest::Rig rig("[message]\ntype = fax\ng3 = " + home.Path() + "/big.g3\n", {"--baud", std::to_string(Baud)});
    rig.comm.SetBaudRateValue(static_cast<uint32_t>(Baud));
    // Counted from the first open: the channel may keep its port open between exchanges.
    bench::LineCounter line;
    rig.modem.Refresh();
    line.Reset();
    const std::string file = home.Path() + "/download";
    const bench::Stretch s;
    rig.modem.DownloadMsg(1, file);
    const double wall = s.Wall(), cpu = s.Cpu();
    if (rig.modem.LastPage - rig.modem.FirstPage + 1 != kPages) {
        std::fprintf(stderr, "the download read %d pages\n", rig.modem.LastPage - rig.modem.FirstPage + 1);
        return false;
    }
    return bench::Transfer("3Com fax download, " + std::to_string(kPages) + " pages at " + std::to_string(Baud) +
                               " baud",
                           wall, cpu, line.LineSeconds(Baud));
}

}  // namespace

int main(int argc, char** argv) {
    modemtest::EnsureApp();
    bench::ScriptUi();
    return bench::AtEachBaud(argc, argv, Run);
}
