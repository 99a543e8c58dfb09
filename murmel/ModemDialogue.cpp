#include "murmel/ModemDialogue.h"

#include <cstring>
#include <exception>
#include <vector>

#include "murmel/DebugLog.h"
#include "murmel/ModemReplies.h"
#include "murmel/MurmelProfile.h"
#include "murmel/WorkerMessages.h"

namespace murmel {

namespace {

constexpr std::size_t kLongestLine = 4096;
// The receive buffer of a terminal line, which stands for the driver's
// receive queue the port properties name.
constexpr long kReceiveQueue = 4096;

[[noreturn]] void Fail(int code) { throw RunEnd{code}; }

}  // namespace

WorkerTimeouts& Timeouts() {
    static WorkerTimeouts timeouts;
    return timeouts;
}

int ReadReply(serial::Port& Port, const char* Expected) {
    char buffer[100];
    const std::size_t count = std::strlen(Expected);
    if (count > sizeof buffer) return 0;
    std::size_t got = 0;
    if (!Port.Read(buffer, count, got)) return 0;
    return got == count && std::memcmp(buffer, Expected, count) == 0 ? 1 : 0;
}

void requirereply(serial::Port& Port, const char* Expected) {
    if (!ReadReply(Port, Expected)) Fail(ErrorModem);
}

void sendcommand(serial::Port& Port, const std::string& Command) {
    std::size_t written = 0;
    if (!Port.Write(Command.data(), Command.size(), written) || written != Command.size()) Fail(ErrorModem);
}

std::string readsome(serial::Port& Port, std::size_t Count) {
    std::string text(Count, '\0');
    std::size_t got = 0;
    if (!Port.Read(text.data(), Count, got)) Fail(ErrorModem);
    text.resize(got);
    return text;
}

std::string readline(serial::Port& Port, std::size_t Keep, std::size_t& Length) {
    std::string line;
    Length = 0;
    for (;;) {
        char c = 0;
        std::size_t got = 0;
        if (!Port.Read(&c, 1, got) || got != 1 || Length == kLongestLine) Fail(ErrorModem);
        ++Length;
        if (line.size() < Keep) line += c;
        if (c == '\n') return line;
    }
}

serial::PortPtr setupport() {
    const std::string name = GetProfileString(kOptions, "Port", kWorkerPort);
    const std::string speedText = GetProfileString(kOptions, "Baudrate", kWorkerBaudrate);
    const long speed = DecimalAt(speedText, 0);
    DebugLog("   Port: %s, Baudrate: %li", name.c_str(), speed);
    serial::PortPtr port = serial::OpenPort(name);
    if (!port) Fail(ErrorCom);
    if (DebugSwitch()) {
        uint32_t in = 0, out = 0;
        if (!port->QueueCounts(in, out)) Fail(ErrorCom);
        DebugLog("   (Inputbuffer: %li)", kReceiveQueue);
    }
    serial::LineSettings settings;  // flow control and the lines as a port has them when opened
    settings.baudRate = static_cast<uint32_t>(speed);
    settings.dataBits = 8;
    settings.parity = serial::Parity::None;
    settings.stopBits = serial::StopBits::One;
    if (!port->ApplySettings(settings) || !port->SetTimeouts(Timeouts().standard)) Fail(ErrorCom);
    DebugLog("   Port geöffnet.");
    sendcommand(*port, "ATE0\r\n");
    readsome(*port, 100);
    sendcommand(*port, "AT&F1&B1E0Q0V1\r\n");
    requirereply(*port, "\r\nOK\r\n");
    sendcommand(*port, "AT+MCS=1\r\n");
    requirereply(*port, "\r\nOK\r\n");
    DebugLog("   Modem initialisiert.");
    return port;
}

void erasememory(serial::Port& Port) {
    DebugLog("   Modemspeicher löschen.");
    PostToMainWindow(WM_DELETINGMEMORY, 0, 0);
    if (!Port.SetTimeouts(Timeouts().erase)) Fail(ErrorModem);
    sendcommand(Port, "AT+MEM\r\n");
    requirereply(Port, "\r\nOK\r\n");
    PostToMainWindow(WM_NEWMESSAGES, GetProfileInt(kOptions, "Counter", 1) - 1LL, 255);
    WriteProfileString(kModem, "Identstring", "Deleted");
    DebugLog("   Modemspeicher gelöscht.");
}

void runworker(const char* BeginText, const std::function<void(serial::PortPtr& Port)>& Body) {
    DebugLog(" ");
    DebugLog("%s", BeginText);
    serial::PortPtr port;
    int code = NoError;
    try {
        Body(port);
    } catch (const RunEnd& end) {
        code = end.code;
    } catch (const std::bad_alloc&) {
        code = ErrorMemory;
    } catch (const std::exception& e) {
        // Nothing the dialogue does should raise; should it, the modem counts as not answering.
        DebugLog("   Fehler: %s", e.what());
        code = ErrorModem;
    }
    DebugLog("   Ergebnis: %i", code);
    PostToMainWindow(WM_THREADERROR, 0, code);
    if (port) port->Close();
    DebugLog("Thread beenden.");
}

}  // namespace murmel
