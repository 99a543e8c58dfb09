#pragma once
// The serial dialogue that both of Murmel's workers hold with the modem:
// the port set-up, replies read as exactly as many bytes as they have and
// compared byte for byte, one write call per command, and the erase of the
// memory. Every read and write is bounded by the port time-outs. A failure
// ends the worker's run with its result code (a RunEnd thrown to the run's
// frame, runworker, which posts the code as the run's last message).
#include <cstddef>
#include <functional>
#include <string>

#include "platform/Serial.h"

namespace murmel {

// The port time-outs the workers set (milliseconds).
struct WorkerTimeouts {
    // Read interval 600, 16 per byte plus 1600; writes 10 per byte plus 1000.
    serial::Timeouts standard{600, 16, 1600, 10, 1000};
    // While the memory is erased: 30000, 30000 per byte plus 30000; writes as above.
    serial::Timeouts erase{30000, 30000, 30000, 10, 1000};
};
// These values are what the workers use; tests shorten them to save time.
WorkerTimeouts& Timeouts();

// The end of a run with a result code of WorkerMessages.h.
struct RunEnd {
    int code;
};

// One read of exactly as many bytes as Expected has: 1 when they all came
// and equal it, 0 otherwise. A longer reply leaves its rest in the port.
int ReadReply(serial::Port& Port, const char* Expected);
// ReadReply, ending the run with ErrorModem when it gives 0.
void requirereply(serial::Port& Port, const char* Expected);
// The command in one write call; a failed or short write ends the run with ErrorModem.
void sendcommand(serial::Port& Port, const std::string& Command);
// One read of up to Count bytes, whatever arrives within the time-outs; a
// failed read call ends the run with ErrorModem.
std::string readsome(serial::Port& Port, std::size_t Count);
// Single bytes up to and including the next LF. The first Keep bytes are
// returned and Length counts them all. A read that yields no byte, or a line
// that runs on past 4096 bytes, ends the run with ErrorModem.
std::string readline(serial::Port& Port, std::size_t Keep, std::size_t& Length);

// Steps shared by both workers: opens the port of "Port" (default "COM2") at
// the speed of "Baudrate" (default "115200"), 8 data bits, no parity, one
// stop bit, sets the standard time-outs, and brings the modem into a known
// state ("ATE0", "AT&F1&B1E0Q0V1", "AT+MCS=1"). Port failures end the run
// with ErrorCom, dialogue failures with ErrorModem.
serial::PortPtr setupport();
// The erase: WM_DELETINGMEMORY, the erase time-outs, "AT+MEM", then
// WM_NEWMESSAGES with 255 and "Identstring" "Deleted".
void erasememory(serial::Port& Port);

// The frame of a worker run: logs " " and BeginText, runs Body with the
// run's port (Body opens it, usually by setupport), and whichever way Body
// ends posts WM_THREADERROR with the result code (NoError when Body
// returns), closes the port and logs "Thread beenden.".
void runworker(const char* BeginText, const std::function<void(serial::PortPtr& Port)>& Body);

}  // namespace murmel
