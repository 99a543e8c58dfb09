// Downloads a fax of six fine pages from the simulated ELSA MicroLink
// Office throttled to the baud rate given (57600 and 115200 by default),
// with the block receive, as SaveFaxMsg does, and sets the wall time
// against the line-rate time of the bytes that crossed the line and the CPU
// time against the wall time. Goal: at most 2 % over the line time and
// under 5 % of one core.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/BenchKit.h"
#include "modem/CommClass.h"
#include "modem/Modem_Elsa.h"
#include "modem/PumpApp.h"
#include "testkit/ModemSim.h"
#include "testkit/TestKit.h"

namespace {

constexpr int kBlocks = 100;  // at least

bool Run(int Baud) {
    testkit::TempHome home;
    // Six fine pages that look like a fax.
    testkit::WriteFile(home.Path() + "/store.txt", "[message]\ntype = fax\npages = 6\nfine = yes\nletter = 1\n");
    testkit::ModemSim sim(testkit::PortLink(2), {"--model", "elsa", "--scenario", home.Path() + "/store.txt",
                                                 "--baud", std::to_string(Baud)});
    TCommClass comm;
    comm.SetPort(pnCOM2);
    comm.SetBaudRateValue(static_cast<uint32_t>(Baud));
    TModemElsaClass modem(&comm);
    bench::LineCounter line;
    // Echo off, as the detection leaves the modem.
    comm.ExecuteCommand("ATE0", "Echo off");
    modem.Refresh();
    line.Reset();
    const std::string tiff = home.Path() + "/fax.tif";
    const bench::Stretch s;
    try {
        modem.SaveFaxMsg(1, tiff, "");
    } catch (const Exception& e) {
        std::fprintf(stderr, "the download failed (%s): %s\n", e.what(), bench::Prompts().c_str());
        return false;
    }
    const double wall = s.Wall(), cpu = s.Cpu();
    if (comm.BlockCount < kBlocks || !std::filesystem::exists(tiff) || !bench::Prompts().empty()) {
        std::fprintf(stderr, "the download took %d blocks; %s\n", comm.BlockCount, bench::Prompts().c_str());
        return false;
    }
    return bench::Transfer("ELSA fax download, " + std::to_string(comm.BlockCount) + " blocks at " + std::to_string(Baud) +
                               " baud",
                           wall, cpu, line.LineSeconds(Baud));
}

}  // namespace

int main(int argc, char** argv) {
    modemtest::EnsureApp();
    bench::ScriptUi();
    return bench::AtEachBaud(argc, argv, Run);
}
