#include "murmel/DeleteThread.h"

#include "murmel/ModemDialogue.h"
#include "murmel/ModemReplies.h"
#include "murmel/WorkerMessages.h"

namespace murmel {
namespace {

// The status line's buffer holds 100 bytes with the terminating zero: of a
// longer line the first 99 characters count, which hold both counts.
constexpr std::size_t kStatusBuffer = 99;

}  // namespace

unsigned DeleteThread(void*) {
    runworker("Delete-Thread beginnen.", [](serial::PortPtr& port) {
        port = setupport();
        sendcommand(*port, "AT+MCC\r\n");
        requirereply(*port, "\r\nOK\r\n");
        sendcommand(*port, "AT+MSR=0\r\n");
        requirereply(*port, "\r\n");
        std::size_t length = 0;
        const std::string line = readline(*port, kStatusBuffer, length);
        if (length <= kReportEndLength) throw RunEnd{ErrorModem};
        requirereply(*port, "OK\r\n");
        const MemorySummary counts = ParseSummary(line);
        // An empty memory keeps its content as it is; only its clock was reset.
        if (counts.voice > 0 || counts.fax > 0) erasememory(*port);
    });
    return 0;
}

}  // namespace murmel
