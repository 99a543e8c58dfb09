// Pellow's Reload of a 60-message memory at its default 57600 baud, as the
// modem sees it: the detection on the configured port, the family's Refresh
// (self mode, clock, memory summary) and every column of the list for each
// message. Sets the wall time against the line-rate time of the bytes that
// crossed the line and the CPU time against the wall time.
#include <cstdio>
#include <string>

#include "bench/BenchKit.h"
#include "modem/CommClass.h"
#include "modem/Modem_3com.h"
#include "modem/PumpApp.h"
#include "testkit/ModemSim.h"
#include "testkit/TestKit.h"

int main() {
    modemtest::EnsureApp();
    bench::ScriptUi();
    constexpr int kBaud = 57600, kMessages = 60;
    testkit::TempHome home;
    std::string scenario;
    for (int i = 0; i < kMessages; ++i)
        scenario += i % 4 == 3 ? "[message]\ntype = fax\npages = 1\nletter = 1\n"
                               : "[message]\ntype = voice\nseconds = 1\ncaller = \"0301 23456" + std::to_string(i % 10) +
                                     "\"\n";
    testkit::WriteFile(home.Path() + "/memory.txt", scenario);
    testkit::ModemSim sim(testkit::PortLink(2), {"--model", "56k-message", "--scenario", home.Path() + "/memory.txt",
                                                 "--baud", std::to_string(kBaud)});
    bench::LineCounter line;
    TCommClass comm;
    comm.SetBaudRate(br57600);
    const bench::Stretch s;
    std::string found;
    comm.DetectModem(2, found);
    TModem3comClass modem(&comm);
    modem.Refresh();
    for (int n = 1; n <= modem.GetMsgCount(); ++n) {
        std::string text;
        modem.GetMsgType(n);
        modem.GetMsgCallerId(n, text);
        modem.GetMsgDateTime(n);
        modem.GetMsgSize(n, text);
        modem.GetMsgState(n);
        modem.GetMsgStatus(n);
    }
    const double wall = s.Wall(), cpu = s.Cpu();
    if (found != "3comMsgPlus" || modem.GetMsgCount() != kMessages) {
        std::fprintf(stderr, "detected \"%s\", %d messages\n", found.c_str(), modem.GetMsgCount());
        return 2;
    }
    return bench::Transfer("Pellow's Reload of " + std::to_string(kMessages) + " messages at 57600 baud (" +
                               std::to_string(line.Bytes()) + " bytes)",
                           wall, cpu, line.LineSeconds(kBaud))
               ? 0
               : 1;
}
