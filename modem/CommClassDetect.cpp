// Modem detection: which port answers like a modem, and whether that modem
// is one of the models the families serve.
#include "modem/CommClass.h"
#include "modem/StatusSink.h"
#include "platform/StrUtils.h"

namespace {

// The status bar panel that shows which port is under test.
constexpr int kStatusTextPanel = 1;
// The ports a search without a given port goes through.
constexpr int kFirstSearchedPort = 1;
constexpr int kLastSearchedPort = 4;
// A modem echoes the init command and then answers it; a device that goes on
// talking after the echo without ever saying "OK" is not waited for longer.
constexpr int kMaxLinesAfterEcho = 10;

// The reply line to the model query, as one complete exchange.
std::string ModelReply(TCommClass& Comm) {
    Comm.SendCommand("AT#MDL?", "Get Modem ID");
    std::string reply;
    Comm.ReadLine(1, reply);
    Comm.WaitOK();
    return reply;
}

// Whether the line status shows a port that another device holds: its modem
// has DSR up but does not let us send.
bool HeldElsewhere(uint8_t Lines) { return (Lines & serial::LineDsr) != 0 && (Lines & serial::LineCts) == 0; }

// Tries port N; True when it holds a supported modem and the search is over.
// Result keeps the last thing a port told about itself.
bool TryPort(TCommClass& Comm, int N, std::string& Result) {
    StatusSink().SetPanelText(kStatusTextPanel, "Testing COM" + std::to_string(N));
    // A number the channel cannot name is no port: opening would try the
    // port named before.
    const bool named = N >= pnCOM1 && N <= pnCOM16;
    if (named) Comm.SetPort(static_cast<TPortNumber>(N));
    Comm.WriteLog("     ###Test if comm port" + std::to_string(N) + " avaiable");
    if (!named || !Comm.OpenPort()) return false;
    const uint8_t lines = Comm.GetLineStatus();
    Comm.ClosePort();
    if (HeldElsewhere(lines)) {
        Result = "Modem already in use";
        Comm.ClosePort();
        return false;
    }
    if (!Comm.SendInitString()) {
        Comm.ClosePort();
        return false;
    }
    Result = "unkown";
    if (Comm.Is3ComMessagePlus() || Comm.Is3ComPro()) {
        Result = "3comMsgPlus";
        Comm.ClosePort();
        return true;
    }
    if (Comm.IsMicroLinkOffice() && Comm.CheckMicroLinkFirmware()) {
        Result = "ElsaMLOffice";
        Comm.ClosePort();
        return true;
    }
    Comm.ClosePort();
    return false;
}

}  // namespace

void TCommClass::DetectModem(int Port, std::string& Result) {
    Result.clear();
    // An open port keeps its name, so every port tried would be this one.
    if (Connected()) ClosePort();
    const int first = Port < 0 ? kFirstSearchedPort : Port;
    const int last = Port < 0 ? kLastSearchedPort : Port;
    for (int n = first; n <= last; ++n)
        if (TryPort(*this, n, Result)) return;
}

bool TCommClass::SendInitString() {
    // SendCommand adds its own line end, so ATE0 goes out with two.
    SendCommand("ATE0\r\n", "Send Ini String");
    std::string line;
    ReadLine(2, line);
    if (line == "ATE0")
        for (int more = 0; more < kMaxLinesAfterEcho && !line.empty() && line != "OK"; ++more) ReadLine(2, line);
    const bool ok = line == "OK";
    PurgeBuffers(true, true);
    return ok;
}

bool TCommClass::Is3ComMessagePlus() {
    const std::string reply = ModelReply(*this);
    return reply == "U.S. Robotics Sportster MessagePlus 56000" || reply == "U.S. Robotics 56K Message";
}

bool TCommClass::Is3ComPro() {
    const std::string reply = ModelReply(*this);
    // The second form really ends in a blank; without it the reply is not ours.
    return reply == "56K Professional Message Modem" || reply == "U.S. Robotics 56K Pro Msg ";
}

bool TCommClass::IsMicroLinkOffice() {
    const std::string reply = ModelReply(*this);
    return reply == "#MDL: \"MicroLink Office\"" || reply == "\"MicroLink Office\"";
}

// Firmware before 1.20 lacks what the family needs.
bool TCommClass::CheckMicroLinkFirmware() {
    SendCommand("AT#REV?", "Get Firmware Version");
    std::string reply;
    ReadLine(1, reply);
    WaitOK();
    return FirmwareVersion(reply) >= 120;
}

// The reply reads like "Version 1.20 ...": the version follows the character
// after the first "n" and ends at the next blank. The part after the "." is
// hundredths, so "1.2" is 1.02. Integer hundredths keep the comparison exact.
int64_t TCommClass::FirmwareVersion(const std::string& Reply) {
    std::string text = Reply;
    const auto n = text.find('n');
    text.erase(0, n == std::string::npos ? 1 : n + 2);
    const auto blank = text.find(' ');
    if (blank != std::string::npos) text.erase(blank);
    const auto dot = text.find('.');
    const int64_t major = dot == std::string::npos ? 0 : StrToIntDef(text.substr(0, dot), 0);
    const int64_t minor = StrToIntDef(dot == std::string::npos ? text : text.substr(dot + 1), 0);
    return major * 100 + minor;
}
