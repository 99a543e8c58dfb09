#pragma once
// TCommClass: the line-oriented AT command dialogue over the serial port
// driver, with the serial log. An exchange opens the port with its command
// and closes it with the OK wait that ends it, unless an earlier exchange
// left the port open; then the port stays open until ClosePort.
#include <cstdint>
#include <cstdio>
#include <iosfwd>
#include <string>

#include "modem/CPDrv.h"
#include "platform/Exceptions.h"

// The failure of a modem command: "ERROR occured with "<command>"".
class EModemClass : public Exception {
public:
    using Exception::Exception;
    static EModemClass ForCommand(const std::string& Command);
};

// The serial log of the main program: it opens the file and sets the flag;
// the channel appends one line per serial event while the flag is on.
extern std::FILE* LogTextFile;
extern bool LogFileOn;

class TCommClass : public TCommPortDriver {
public:
    using TCommPortDriver::TCommPortDriver;

    // The command most recently sent; the OK wait knows the echo by it.
    std::string LastCommand;
    // Blocks received by the running block receive.
    int32_t BlockCount = 0;
    // 0: each exchange opens and closes the port; -1: an exchange found it
    // open, so it stays open until ClosePort.
    int32_t KeepOpen = 0;
    // The device went away under the open port (unplugged, the modem gone)
    // and the port has not been opened again since: the exchange that met it
    // ended at once and closed the port; the next exchange opens it again by
    // its name.
    bool LinkLost = false;

    int GetPortNumber() const;
    bool OpenPort();
    void ClosePort();
    // Whether the port's device is gone: an open port whose device went away
    // is closed here (and logged), so this also tells it between exchanges.
    bool CheckLink();
    void SendCommand(const std::string& Command, const std::string& Description);
    // One reply line; Seconds is the longest silence allowed before each
    // byte. The line ends at its CR, and the LF after it is taken with it
    // (waited for as long as any byte), so that nothing of this reply is
    // left for the next.
    void ReadLine(int Seconds, std::string& Line);
    // Reads and drops what the modem still sends of an earlier reply, until
    // the line has been quiet for LineTimes.QuietMs (counted from its last
    // byte in either direction), for at most LineTimes.QuietLimitMs; like a
    // send, it processes no messages. A command that follows a reply not
    // read to its end waits for this before its purge.
    void AwaitQuietLine();
    bool WaitOK();
    bool WaitOKNow();
    bool WaitOKLong();
    void ExecuteCommand(const std::string& Command, const std::string& Description);
    int QueryInteger(const std::string& Command, const std::string& Description);
    bool QueryFlag(const std::string& Command, const std::string& Description);
    void QueryLines(const std::string& Command, const std::string& Description, std::string& Text);
    // Count bytes within LineTimes.BlockTimeoutMs of silence; True when all
    // came. Got, when given, receives how many did.
    bool ReadBlock(void* Buffer, uint32_t Count, uint32_t* Got = nullptr);
    void WriteLog(const std::string& Text);
    void LogEntry(const std::string& Text);
    void DelaySeconds(int Seconds);

    // Modem detection. Port below 0 tries COM1 to COM4, any other value that
    // one port; Result names the modem found ("3comMsgPlus", "ElsaMLOffice"),
    // or tells why none was ("unkown", "Modem already in use", empty).
    void DetectModem(int Port, std::string& Result);
    bool SendInitString();
    bool Is3ComMessagePlus();
    bool Is3ComPro();
    bool IsMicroLinkOffice();
    bool CheckMicroLinkFirmware();
    // The version in an AT#REV? reply, in hundredths (1.20 gives 120).
    static int64_t FirmwareVersion(const std::string& Reply);

    // Block receive (1024-byte blocks with a one-byte checksum) into
    // FileHandle, once the modem's download command has started the
    // exchange. The file is closed on every way out, also after "CAN
    // occoured!" and "SOH errors!", so callers never close it themselves.
    // True when the transfer ended with the sender's EOT, so that every block
    // came whole; False when it failed (the user has been told in a box).
    bool XmodemReceive(std::ofstream& FileHandle);
    // The blocks done plus the bytes of the read in progress, for a progress gauge.
    uint32_t ReceivedBytes() const;
    // The last block receive heard nothing at all from the sender (no block,
    // no control byte, no reply line): the modem did not answer.
    bool XmodemUnanswered = false;
    // Bad start bytes and incomplete blocks tolerated over one transfer.
    static constexpr int XmodemMaxErrors = 12;
    // The times of the block receive; tests shorten them where they wait
    // only for a count of retries to run out or for a bound to end a wait.
    struct TXmodemTimes {
        // A start byte, or the next byte inside a block, that does not come
        // within this is missing.
        uint32_t ByteTimeoutMs = 1000;
        // The pause after each NAK of a retry, for the sender to start over.
        int RetryPauseSeconds = 1;
        // After the transfer, how long the modem may keep its carrier before
        // the receive returns anyway.
        uint32_t CarrierDropWaitMs = 5000;
    };
    TXmodemTimes XmodemTimes;
    // The times of the dialogue; tests shorten them where they only wait for
    // a bound to end a wait.
    struct TLineTimes {
        // The line counts as quiet after this much silence, and the wait for
        // it ends after QuietLimitMs whatever comes.
        uint32_t QuietMs = 200;
        uint32_t QuietLimitMs = 2000;
        // ReadBlock waits this long for a byte.
        uint32_t BlockTimeoutMs = 20000;
        // WaitOKLong waits this long for each line.
        int LongWaitSeconds = 60;
    };
    TLineTimes LineTimes;

    // The longest reply line kept; the rest of a longer line up to its CR is dropped.
    static constexpr std::size_t MaxLineLength = 4096;
    // QueryLines gives up after this many empty lines in a row (a second of
    // silence each, or none at all on a port that could not be opened) ...
    static constexpr int MaxQuietLines = 5;
    // ... or when the reply grows beyond this.
    static constexpr std::size_t MaxReplyText = 1 << 20;

    // Raises EAbort once the waits are aborted (AbortWaits): the operation
    // ends quietly, and the program can close.
    void CheckAborted() const;

private:
    bool CollectLine(int Seconds, std::string& Line);
    // The next byte of the line within TimeoutMs (a byte held back first).
    bool NextByte(uint32_t TimeoutMs, uint8_t& Byte);
    // After the CR of a line: True for its LF; any other byte is held back
    // as the next line's first.
    bool TakeLineFeed(uint32_t TimeoutMs);
    std::string QueryReply(const std::string& Command, const std::string& Description);
    void CloseUnlessKept();

    // A command went out whose reply has not been read to its final line
    // ("OK" or "ERROR"): the rest of it may still be on its way.
    bool ReplyOpen = false;
    // A byte read after a line's CR that was not its LF: the next line's first.
    int HeldByte = -1;
};
