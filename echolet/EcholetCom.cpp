#include "echolet/EcholetCom.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <vector>

#include "platform/App.h"
#include "murmel/MurmelProfile.h"
#include "platform/Ui.h"

namespace echolet {

namespace {

constexpr std::string_view kOk = "\r\nOK\r\n";
constexpr std::string_view kConnect = "\r\nCONNECT\r\n";
constexpr int kEchoTries = 3;
// What is read and thrown away after an answer that was not the OK.
constexpr std::size_t kEchoDiscard = 98;
constexpr std::size_t kBlockSize = 512;
constexpr int kPageRetries = 5;
constexpr int kUploadWait = 10;
constexpr int kPlayWait = 20;

const char* const kGsmFilter = "GSM-Files (*.gsm)|*.gsm";

ui::FileSpec GsmFileSpec() {
    ui::FileSpec spec;
    spec.filter = kGsmFilter;
    spec.defaultExt = "gsm";
    return spec;
}

}  // namespace

void EcholetMessage(const std::string& Text, ui::Icon Icon) {
    ui::MessageSpec spec;
    spec.text = Text;
    spec.caption = app::Title();
    spec.icon = Icon;
    ui::MessageBox(spec);
}

serial::Timeouts TComTimeouts::Reply(int Seconds) const {
    const uint32_t ms = static_cast<uint32_t>(Seconds) * replySecondMs;
    return {ms, ms, ms, replyWriteMultiplier, replyWriteConstant};
}

uint32_t BaudOf(const std::string& Text) {
    uint64_t v = 0;
    for (char c : Text) {
        if (c < '0' || c > '9') break;
        v = std::min<uint64_t>(v * 10 + static_cast<uint64_t>(c - '0'), std::numeric_limits<uint32_t>::max());
    }
    return static_cast<uint32_t>(v);
}

CEcholetCom::~CEcholetCom() { closecom(); }

bool CEcholetCom::Send(std::string_view Bytes) {
    std::size_t written = 0;
    return m_hCom && m_hCom->Write(Bytes.data(), Bytes.size(), written) && written == Bytes.size();
}

bool CEcholetCom::ReadExactly(uint8_t* Buffer, std::size_t Count, std::size_t& Got) {
    Got = 0;
    return m_hCom && m_hCom->Read(Buffer, Count, Got);
}

int CEcholetCom::opencom() {
    if (m_hCom && m_hCom->Lost()) {
        // The modem went with its port (unplugged, switched off): this port
        // never works again, and the name may lead to a modem plugged in anew.
        closecom();
    }
    if (m_hCom) {
        // Left open by a failed exchange: what is still to come of its reply
        // is no answer to the next command.
        m_hCom->Purge(true, false);
        return 1;
    }
    const murmel::PortSettings settings = murmel::ReadMurmelPortSettings();
    serial::PortPtr port = serial::OpenPort(settings.port);
    if (!port) return 0;
    m_hCom = std::move(port);
    serial::LineSettings line;
    line.baudRate = BaudOf(settings.baudrate);
    line.dataBits = 8;
    line.parity = serial::Parity::None;
    line.stopBits = serial::StopBits::One;
    if (!m_hCom->ApplySettings(line)) return 0;
    if (!m_hCom->SetTimeouts(timeouts.echo)) return 0;
    return WakeModem();
}

int CEcholetCom::WakeModem() {
    for (int tries = 1;; ++tries) {
        if (!Send("ATE0\r\n")) return 0;
        if (ReadReply(kOk, 0)) break;
        if (tries == kEchoTries) return 0;
        // The echo of the command (and what else came) goes before the next try.
        uint8_t discard[kEchoDiscard];
        std::size_t got = 0;
        ReadExactly(discard, sizeof discard, got);
    }
    if (!m_hCom->SetTimeouts(timeouts.standard)) return 0;
    if (!Send("AT&F1&B1E0Q0V1\r\n") || !ReadReply(kOk, 0)) return 0;
    if (!Send("AT+MCS=1\r\n") || !ReadReply(kOk, 0)) return 0;
    return 1;
}

void CEcholetCom::closecom() {
    if (!m_hCom) return;
    m_hCom->Close();
    m_hCom.reset();
}

int CEcholetCom::ReadReply(std::string_view Expected, int Seconds) {
    if (!m_hCom) return 0;
    if (Seconds != 0 && !m_hCom->SetTimeouts(timeouts.Reply(Seconds))) return 0;
    std::string got(Expected.size(), '\0');
    std::size_t n = 0;
    if (!ReadExactly(reinterpret_cast<uint8_t*>(got.data()), got.size(), n)) return 0;
    const bool matched = n == Expected.size() && got == Expected;
    if (Seconds != 0 && !m_hCom->SetTimeouts(timeouts.standard)) return 0;
    return matched ? 1 : 0;
}

int CEcholetCom::ReadPage(TMessage Message, uint8_t* Buffer) {
    if (!opencom()) return 0;
    char command[24];
    std::snprintf(command, sizeof command, "AT+MTP=%d\r\n", PageOf(Message));
    for (int retries = kPageRetries;; --retries) {
        if (!Send(command)) return 0;
        uint8_t hex[2];
        std::size_t got = 0;
        if (!ReadExactly(hex, 2, got) || got < 2) return 0;
        const uint8_t checksum = ParseChecksum(static_cast<char>(hex[0]), static_cast<char>(hex[1]));
        bool whole = true;
        for (std::size_t k = 0; k < kPageSize / kBlockSize && whole; ++k) {
            if (!ReadExactly(Buffer + k * kBlockSize, kBlockSize, got)) return 0;
            whole = got == kBlockSize;
        }
        if (whole) {
            if (!ReadReply(kOk, 0)) return 0;
            if (PageSum(Buffer, kPageSize) == checksum) {
                closecom();
                return 1;
            }
        }
        if (retries == 0) return 0;
    }
}

int CEcholetCom::modem2file(TMessage Message) {
    std::vector<uint8_t> page;
    {
        ui::WaitCursor wait;
        page.resize(kPageSize + 2);
        if (!ReadPage(Message, page.data())) return 0;
    }
    const std::size_t limit = LimitOf(Message);
    if (PageIsEmpty(page.data(), limit)) {
        EcholetMessage("No message stored.", ui::IconWarning);
        return 1;
    }
    const auto chosen = ui::SaveFile(GsmFileSpec());
    if (!chosen) return 1;
    std::ofstream out(*chosen, std::ios::binary | std::ios::trunc);
    if (!out) return 0;
    const std::size_t n = GsmFileOfPage(page.data(), limit);
    out.write(reinterpret_cast<const char*>(page.data()), static_cast<std::streamsize>(n));
    out.close();
    return out ? 1 : 0;
}

int CEcholetCom::file2modem(TMessage Message) {
    const auto chosen = ui::OpenFile(GsmFileSpec());
    if (!chosen) return 1;
    std::ifstream in(*chosen, std::ios::binary);
    if (!in) return 0;
    std::vector<uint8_t> file(kMaxFileRead);
    in.read(reinterpret_cast<char*>(file.data()), static_cast<std::streamsize>(file.size()));
    file.resize(static_cast<std::size_t>(in.gcount()));
    in.close();
    const std::vector<uint8_t> data = ShieldFile(file.data(), file.size());
    if (data.size() > LimitOf(Message)) {
        EcholetMessage("Message too long.", ui::IconError);
        return 0;
    }
    ui::WaitCursor wait;
    if (!opencom()) return 0;
    if (!Send(Message == TMessage::Outgoing ? "AT+MVC=0\r\n" : "AT+MVC=1\r\n") || !ReadReply(kConnect, 0)) return 0;
    if (!Send(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()))) return 0;
    if (!Send("AT\r\n") || !ReadReply(kOk, kUploadWait)) return 0;
    closecom();
    return 1;
}

void CEcholetCom::PlayMessage(TMessage Message) {
    if (!opencom()) return;
    ui::WaitCursor wait;
    if (Send(Message == TMessage::Outgoing ? "AT+MVP=0\r\n" : "AT+MVP=255\r\n")) ReadReply("\r", kPlayWait);
    closecom();
}

}  // namespace echolet
