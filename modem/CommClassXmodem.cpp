// The block receive of TCommClass: the modem sends a file in 1024-byte
// blocks (STX, block number, its complement, the data, a one-byte checksum)
// once the receiver asks with NAK, and ends with EOT. Block number and
// checksum are not verified: every complete block is written and
// acknowledged.
#include <array>
#include <chrono>
#include <fstream>
#include <thread>

#include "modem/CommClass.h"
#include "platform/App.h"
#include "platform/Checked.h"
#include "platform/Clock.h"
#include "platform/Ui.h"

namespace {

constexpr uint8_t STX = 2;
constexpr uint8_t EOT = 4;
constexpr uint8_t ACK = 6;
constexpr uint8_t NAK = 21;
constexpr uint8_t CAN = 24;
// What a read that timed out gives in place of a byte.
constexpr int NoByte = -1;
constexpr uint32_t BlockSize = 1024;
// The lines CTS, DSR and DCD on, RING off: the modem is still in the call.
constexpr uint8_t InCall = 11;

using TBlock = std::array<uint8_t, BlockSize>;

void ShowMessage(const std::string& Text) { ui::MessageBox({Text, app::Title(), ui::MbOk, ui::IconNone, 0}); }

// One byte within the byte time-out; NoByte when none came.
int ReadOne(TCommClass& Comm) {
    Comm.SetInputTimeout(Comm.XmodemTimes.ByteTimeoutMs);
    uint8_t b = 0;
    return Comm.ReadByte(b) ? b : NoByte;
}

// The rest of a block after its STX. False when the sender fell silent
// inside it: such a block is not written, since its tail would be whatever
// the buffer held before.
bool ReceiveBlock(TCommClass& Comm, TBlock& Data) {
    uint8_t ignored = 0;
    Comm.SetInputTimeout(Comm.XmodemTimes.ByteTimeoutMs);
    if (!Comm.ReadByte(ignored) || !Comm.ReadByte(ignored)) return false;  // block number, complement
    if (Comm.ReadData(Data.data(), BlockSize) != BlockSize) return false;
    return Comm.ReadByte(ignored);  // checksum
}

// Asks the sender to send again: clears the line, NAK, a second's pause for
// the sender to start over, then the next start byte. False once the errors
// are used up.
bool Retry(TCommClass& Comm, int& Errors, int& Start) {
    if (Errors >= TCommClass::XmodemMaxErrors) return false;
    ++Errors;
    Comm.PurgeBuffers(true, true);
    Comm.SendByte(NAK);
    Comm.DelaySeconds(Comm.XmodemTimes.RetryPauseSeconds);
    Start = ReadOne(Comm);
    return true;
}

// The modem ends the call after the transfer; a modem that keeps it does not
// hold the program for longer than the bound.
void WaitForCarrierDrop(TCommClass& Comm) {
    const uint32_t start = GetTickCount();
    while (Comm.GetLineStatus() == InCall && GetTickCount() - start < Comm.XmodemTimes.CarrierDropWaitMs) {
        app::ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// A line without a carrier signal (or a modem that does not drop it) shows
// the end of the call only by the modem's result text. Reading that up to a
// moment's silence also gives the last ACK time to leave: the next command
// purges the line, and an ACK purged unsent leaves the transfer unconfirmed
// (the message stays new in the modem).
void AwaitQuietLine(TCommClass& Comm) {
    const uint32_t timeout = Comm.InputTimeout();
    Comm.SetInputTimeout(Comm.XmodemTimes.QuietMs);
    const uint32_t start = GetTickCount();
    uint8_t dropped = 0;
    while (Comm.ReadByte(dropped) && GetTickCount() - start < Comm.XmodemTimes.QuietLimitMs) {
    }
    Comm.SetInputTimeout(timeout);
}

void CloseFile(TCommClass& Comm, std::ofstream& File) {
    Comm.SetInputTimeout(200);
    File.close();
}

}  // namespace

// The error count runs over the whole transfer. A good block always goes on
// to the next start byte, also when its retry used the last error: the limit
// ends the transfer with "SOH errors!" only when a further bad start byte
// comes, so a transfer is never cut short without a message. EOT and CAN
// are taken as such also right after a NAK, where a sender that has finished
// or given up sends them again.
void TCommClass::XmodemReceive(std::ofstream& FileHandle) {
    BlockCount = 0;
    int errors = 0;
    SetInputTimeout(XmodemTimes.ByteTimeoutMs);
    SendByte(NAK);
    TBlock data{};
    int start = ReadOne(*this);
    if (start == NoByte) ShowMessage("Timeout occoured!");
    for (;;) {
        if (start == CAN) {
            ShowMessage("CAN occoured!");
            CloseFile(*this, FileHandle);
            return;
        }
        if (start == EOT) break;
        if (start == STX && ReceiveBlock(*this, data)) {
            BlockCount = CheckedAdd(BlockCount, 1);
            FileHandle.write(reinterpret_cast<const char*>(data.data()), BlockSize);
            SendByte(ACK);
            start = ReadOne(*this);
            if (start == NoByte) ShowMessage("Timeout occoured!");
            continue;
        }
        if (!Retry(*this, errors, start)) {
            ShowMessage("SOH errors!");
            CloseFile(*this, FileHandle);
            return;
        }
    }
    SendByte(ACK);
    CloseFile(*this, FileHandle);
    WaitForCarrierDrop(*this);
    AwaitQuietLine(*this);
    app::ProcessMessages();
}

uint32_t TCommClass::ReceivedBytes() const {
    return CheckedAdd(CheckedMul(CheckedCast<uint32_t>(BlockCount), BlockSize), LastReadCount());
}
