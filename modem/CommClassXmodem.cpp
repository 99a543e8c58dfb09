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

void ShowMessage(const std::string& Text) { ui::MessageBox({Text, app::Title(), ui::MbOk, ui::IconError, 0}); }

// One byte within the byte time-out; NoByte when none came (also when the
// port's device has gone, which ends the wait at once).
int ReadOne(TCommClass& Comm) {
    Comm.SetInputTimeout(Comm.XmodemTimes.ByteTimeoutMs);
    uint8_t b = 0;
    if (Comm.ReadByte(b)) {
        Comm.XmodemUnanswered = false;
        return b;
    }
    Comm.CheckLink();
    Comm.CheckAborted();
    return NoByte;
}

// The rest of a block after its STX. False when the sender fell silent
// inside it: such a block is not written, since its tail would be whatever
// the buffer held before.
bool ReceiveBlock(TCommClass& Comm, TBlock& Data) {
    uint8_t ignored = 0;
    Comm.SetInputTimeout(Comm.XmodemTimes.ByteTimeoutMs);
    const bool whole = Comm.ReadByte(ignored) && Comm.ReadByte(ignored) &&  // block number, complement
                       Comm.ReadData(Data.data(), BlockSize) == BlockSize && Comm.ReadByte(ignored);  // checksum
    if (!whole) {
        Comm.CheckLink();
        Comm.CheckAborted();
    }
    return whole;
}

// Asks the sender to send again: lets what is still coming of the bad
// block arrive, clears the line, NAK, a second's pause for the sender to
// start over, then the next start byte. False once the errors are used up.
bool Retry(TCommClass& Comm, int& Errors, int& Start) {
    if (Errors >= TCommClass::XmodemMaxErrors) return false;
    ++Errors;
    Comm.AwaitQuietLine();
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
        Comm.CheckAborted();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// Closes the file on every way out, an exception's included.
class TFileCloser {
public:
    TFileCloser(TCommClass& Comm, std::ofstream& File) : comm_(Comm), file_(File) {}
    ~TFileCloser() {
        comm_.SetInputTimeout(200);
        file_.close();
    }
    TFileCloser(const TFileCloser&) = delete;
    TFileCloser& operator=(const TFileCloser&) = delete;

private:
    TCommClass& comm_;
    std::ofstream& file_;
};

}  // namespace

// The error count runs over the whole transfer. A good block always goes on
// to the next start byte, also when its retry used the last error: the limit
// ends the transfer with "SOH errors!" only when a further bad start byte
// comes, so a transfer is never cut short without a message. EOT and CAN
// are taken as such also right after a NAK, where a sender that has finished
// or given up sends them again. A port whose device has gone ends the
// transfer at once: nothing more can come.
bool TCommClass::XmodemReceive(std::ofstream& FileHandle) {
    BlockCount = 0;
    XmodemUnanswered = true;
    int errors = 0;
    const auto failed = [this](const std::string& Box, const std::string& Why) {
        if (!Box.empty()) ShowMessage(Box);
        LogEntry("ERROR: Block receive failed after " + std::to_string(BlockCount) + " blocks: " + Why);
        return false;
    };
    {
        const TFileCloser closer(*this, FileHandle);
        SetInputTimeout(XmodemTimes.ByteTimeoutMs);
        SendByte(NAK);
        TBlock data{};
        int start = ReadOne(*this);
        // Whether a box has told of the start byte that did not come.
        bool told = start == NoByte;
        if (told) ShowMessage("Timeout occoured!");
        for (;;) {
            if (LinkLost) return failed(told ? "" : "Timeout occoured!", "the port was lost");
            if (start == CAN) return failed("CAN occoured!", "CAN");
            if (start == EOT) break;
            if (start == STX && ReceiveBlock(*this, data)) {
                BlockCount = CheckedAdd(BlockCount, 1);
                FileHandle.write(reinterpret_cast<const char*>(data.data()), BlockSize);
                SendByte(ACK);
                start = ReadOne(*this);
                told = start == NoByte && !LinkLost;
                if (told) ShowMessage("Timeout occoured!");
                continue;
            }
            if (LinkLost) continue;
            told = false;
            if (!Retry(*this, errors, start)) return failed("SOH errors!", "SOH errors");
        }
        SendByte(ACK);
    }
    WaitForCarrierDrop(*this);
    AwaitQuietLine();
    app::ProcessMessages();
    return true;
}

uint32_t TCommClass::ReceivedBytes() const {
    return CheckedAdd(CheckedMul(CheckedCast<uint32_t>(BlockCount), BlockSize), LastReadCount());
}
