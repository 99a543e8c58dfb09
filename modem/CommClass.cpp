#include "modem/CommClass.h"

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/Checked.h"
#include "platform/Clock.h"
#include "support/Unit2.h"

std::FILE* LogTextFile = nullptr;
bool LogFileOn = false;

namespace {
const std::string kLineEnd = "\r\n";
const std::string kBlanks = "     ";

// The log shows line ends and the byte 254 by their numbers.
std::string Visible(const std::string& Text) {
    std::string out;
    out.reserve(Text.size());
    for (const char c : Text) {
        switch (static_cast<unsigned char>(c)) {
            case 10: out += "<10>"; break;
            case 13: out += "<13>"; break;
            case 254: out += "<254>"; break;
            default: out += c;
        }
    }
    return out;
}

std::string Quoted(const std::string& Text) { return "\"" + Text + "\""; }
}  // namespace

EModemClass EModemClass::ForCommand(const std::string& Command) {
    return EModemClass("ERROR occured with " + Quoted(Command));
}

int TCommClass::GetPortNumber() const { return static_cast<int>(Port()); }

bool TCommClass::OpenPort() {
    // A port whose device has gone is closed, and opened anew by its name.
    CheckLink();
    if (Connected()) {
        LogEntry("IGNORED: CONNECT (already connected)");
        KeepOpen = -1;
        return true;
    }
    if (!Connect()) {
        LogEntry("ERROR: CAN NOT CONNECT TO COM PORT");
        return false;
    }
    LinkLost = false;
    ReplyOpen = false;
    HeldByte = -1;
    LogEntry("connected");
    return true;
}

void TCommClass::ClosePort() {
    if (Connected()) {
        Disconnect();
        LogEntry("disconnected");
        WriteLog("");
    } else {
        LogEntry("IGNORED: DISCONNECT (no connection)");
    }
    KeepOpen = 0;
}

bool TCommClass::CheckLink() {
    if (PortLost()) {
        LogEntry("ERROR: COM PORT LOST (DEVICE GONE)");
        ClosePort();
        LinkLost = true;
    }
    return LinkLost;
}

void TCommClass::CheckAborted() const {
    if (WaitsAborted()) throw EAbort();
}

void TCommClass::CloseUnlessKept() {
    if (KeepOpen == 0) ClosePort();
}

void TCommClass::SendCommand(const std::string& Command, const std::string& Description) {
    LastCommand = Command;
    WriteLog(kLineEnd + kBlanks + "###" + Description);
    // With the port still closed after this, the send below writes nothing.
    // A port whose device went away since the last exchange is closed here,
    // so that it is opened again by its name.
    CheckLink();
    if (KeepOpen == 0) OpenPort();
    // What is still on its way of an earlier reply would otherwise come in
    // after the purge, as the first bytes of this command's reply.
    if (ReplyOpen && Connected() && !WaitsAborted()) AwaitQuietLine();
    LogEntry("<- " + Quoted(Command));
    PurgeBuffers(true, true);
    HeldByte = -1;
    SendString(Command + kLineEnd);
    ReplyOpen = true;
}

bool TCommClass::NextByte(uint32_t TimeoutMs, uint8_t& Byte) {
    if (HeldByte >= 0) {
        Byte = static_cast<uint8_t>(HeldByte);
        HeldByte = -1;
        return true;
    }
    SetInputTimeout(TimeoutMs);
    if (ReadByte(Byte)) return true;
    CheckLink();
    CheckAborted();
    return false;
}

bool TCommClass::TakeLineFeed(uint32_t TimeoutMs) {
    uint8_t b = 0;
    if (!NextByte(TimeoutMs, b)) return false;
    if (b == 10) return true;
    HeldByte = b;
    return false;
}

// Collects bytes up to a CR that ends a non-empty line, and the LF after it;
// LF and leading CRs are skipped. Each byte may take Seconds. A line beyond
// MaxLineLength keeps its start; the rest up to the CR is read and dropped,
// so one line stays one log line of bounded size. True when the line came
// whole, with its CR and LF.
bool TCommClass::CollectLine(int Seconds, std::string& Line) {
    const auto timeout = CheckedCast<uint32_t>(CheckedMul(Seconds, 1000));
    Line.clear();
    for (;;) {
        uint8_t b = 0;
        if (!NextByte(timeout, b)) return false;
        SetInputTimeout(200);
        if (b == 13) {
            if (Line.empty()) continue;
            const bool whole = TakeLineFeed(timeout);
            SetInputTimeout(200);
            return whole;
        }
        if (b != 10 && Line.size() < MaxLineLength) Line += static_cast<char>(b);
    }
}

void TCommClass::ReadLine(int Seconds, std::string& Line) {
    bool whole = CollectLine(Seconds, Line);
    // An unsolicited ring report is dropped and the next line read in its
    // place, with a second per byte; each dropped ring logs that line once more.
    int logged = 1;
    while (Line == "RING") {
        whole = CollectLine(1, Line);
        ++logged;
    }
    // The reply is over with its final line, once that has come to its end.
    if (whole && (Line == "OK" || Line == "ERROR")) ReplyOpen = false;
    for (int i = 0; i < logged; ++i) LogEntry("-> " + Quoted(Line));
}

// Quiet counts from the last byte in either direction, so a line that has
// been still since the reply's end costs no wait, while a reply still being
// sent (or a modem about to answer the command just sent) is waited for.
void TCommClass::AwaitQuietLine() {
    HeldByte = -1;
    DrainInput(LineTimes.QuietMs, LineTimes.QuietLimitMs);
    CheckLink();
    ReplyOpen = false;
}

bool TCommClass::WaitOK() {
    std::string line;
    ReadLine(2, line);
    if (line == LastCommand) ReadLine(2, line);
    const bool ok = line == "OK";
    CloseUnlessKept();
    return ok;
}

bool TCommClass::WaitOKNow() {
    std::string line;
    ReadLine(0, line);
    const bool ok = line == "OK";
    CloseUnlessKept();
    return ok;
}

bool TCommClass::WaitOKLong() {
    std::string line;
    do {
        ReadLine(LineTimes.LongWaitSeconds, line);
    } while (line != "OK" && line != "ERROR" && !line.empty());
    CloseUnlessKept();
    return line == "OK";
}

void TCommClass::ExecuteCommand(const std::string& Command, const std::string& Description) {
    SendCommand(Command + kLineEnd, Description);
    if (!WaitOKLong()) throw EModemClass::ForCommand(Command);
}

std::string TCommClass::QueryReply(const std::string& Command, const std::string& Description) {
    SendCommand(Command, Description);
    std::string reply;
    ReadLine(1, reply);
    if (reply == "ERROR" || !WaitOK()) throw EModemClass::ForCommand(Command);
    return reply;
}

int TCommClass::QueryInteger(const std::string& Command, const std::string& Description) {
    return GetFieldInt(QueryReply(Command, Description), 1);
}

bool TCommClass::QueryFlag(const std::string& Command, const std::string& Description) {
    return GetFieldInt(QueryReply(Command, Description), 1) == 1;
}

// The reply lines up to "OK". A modem that falls silent, a port that could
// not be opened or whose device went away, or a reply without end fails the
// command like "ERROR" does.
void TCommClass::QueryLines(const std::string& Command, const std::string& Description, std::string& Text) {
    Text.clear();
    SendCommand(Command, Description);
    std::string line;
    ReadLine(2, line);
    int quiet = 0;
    while (line != "OK" && line != "ERROR") {
        quiet = line.empty() ? quiet + 1 : 0;
        if (quiet >= MaxQuietLines || Text.size() > MaxReplyText || (quiet > 0 && LinkLost))
            throw EModemClass::ForCommand(Command);
        Text += line + kLineEnd;
        ReadLine(1, line);
    }
    if (line == "ERROR") throw EModemClass::ForCommand(Command);
}

// A port lost inside the exchange stays closed until the next command: what
// a device found again under the name would send is no part of this reply.
bool TCommClass::ReadBlock(void* Buffer, uint32_t Count, uint32_t* Got) {
    if (Got) *Got = 0;
    if (LinkLost || !OpenPort()) return false;
    auto* next = static_cast<uint8_t*>(Buffer);
    uint32_t got = 0;
    if (HeldByte >= 0 && Count > 0) {
        *next++ = static_cast<uint8_t>(HeldByte);
        HeldByte = -1;
        ++got;
    }
    SetInputTimeout(LineTimes.BlockTimeoutMs);
    got += ReadData(next, Count - got);
    SetInputTimeout(200);
    if (Got) *Got = got;
    CheckLink();
    CheckAborted();
    return got == Count;
}

void TCommClass::WriteLog(const std::string& Text) {
    if (!LogFileOn) return;
    if (!LogTextFile) throw EInOutError("File not open");
    std::FILE* f = LogTextFile;
    if (std::fwrite(Text.data(), 1, Text.size(), f) != Text.size() ||
        std::fwrite(kLineEnd.data(), 1, kLineEnd.size(), f) != kLineEnd.size() || std::fflush(f) != 0) {
        const int err = errno;
        std::clearerr(f);
        throw EInOutError("I/O error " + std::to_string(err));
    }
}

void TCommClass::LogEntry(const std::string& Text) {
    if (!LogFileOn) return;
    const TDateTime now = Now();
    WriteLog(kBlanks + DateToStr(now) + " " + TimeToStr(now) + " COM" + std::to_string(GetPortNumber()) + " " +
             Visible(Text));
}

// Waits without processing messages; it sleeps rather than spinning, which
// nobody can tell apart except by the CPU it leaves free.
void TCommClass::DelaySeconds(int Seconds) {
    const TDateTime until = Now() + Seconds / 86400.0;
    for (TDateTime now = Now(); now < until; now = Now()) {
        const double ms = (until - now) * 86400000.0;
        std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<int64_t>(ms < 50 ? ms + 1 : 50)));
    }
}
