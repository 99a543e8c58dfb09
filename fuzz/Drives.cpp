#include "fuzz/Drives.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz/FuzzKit.h"
#include "modem/CommClass.h"
#include "modem/Modem_3com.h"
#include "modem/Modem_Elsa.h"
#include "murmel/DebugLog.h"
#include "murmel/MurmelProfile.h"
#include "murmel/ReadThread.h"
#include "platform/Registry.h"
#include "support/Unit2.h"

namespace fuzz {

namespace {

// A channel on COM1 whose quiet-line waits end at once: a session has no
// time, only the order of its pieces.
class Channel : public TCommClass {
public:
    Channel() {
        SetPort(pnCOM1);
        LineTimes.QuietMs = 0;
        LineTimes.QuietLimitMs = 0;
        XmodemTimes = {0, 0, 0};
    }
    ~Channel() override { ClosePort(); }
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;
};

// Each field of Text as a text and as a number; field 0 leaves the caller's text.
void Fields(const std::string& Text) {
    for (int n : {-2147483647 - 1, -1, 0, 1, 2, 3, 5, 8, 13, 15, 16, 40, 2147483647}) {
        std::string field = "kept";
        GetField(Text, n, field);
        if (n == 0 && field != "kept") __builtin_trap();
        Tolerate([&] { GetFieldInt(Text, n); });
    }
}

// What the message list shows of message N, as either family gives it.
void Columns(TModemClass& Modem, int32_t N) {
    std::string text;
    Tolerate([&] { Modem.GetMsgType(N); });
    Tolerate([&] { Modem.GetMsgCallerId(N, text); });
    Tolerate([&] { Modem.GetMsgSize(N, text); });
    Tolerate([&] { Modem.GetMsgDateTime(N); });
    Tolerate([&] { Modem.GetMsgState(N); });
    Tolerate([&] { Modem.GetMsgStatus(N); });
    Tolerate([&] { Modem.IsMsgNew(N); });
}

}  // namespace

void DriveReplyLines() {
    Channel comm;
    std::string modem;
    Tolerate([&] { comm.DetectModem(1, modem); });
    Tolerate([&] {
        std::string text;
        comm.QueryLines("ATE0V1+MSR=0\r\n", "Get MsgInfoBlock of Msg #0", text);
        if (text.size() > TCommClass::MaxReplyText + TCommClass::MaxLineLength + 2) __builtin_trap();
        Fields(text);
    });
    Tolerate([&] { Fields(std::to_string(comm.QueryInteger("ATS0?", "Rings"))); });
    Tolerate([&] { comm.QueryFlag("AT+MCS?", "Selfmode"); });
    Tolerate([&] { comm.ExecuteCommand("ATE0", "Switch echo off"); });
}

void DriveInfo3com() {
    Channel comm;
    TModem3comClass modem(&comm);
    Tolerate([&] { modem.Refresh(); });
    const int32_t count = modem.GetMsgCount();
    for (int32_t n = 1; n <= std::min<int32_t>(count, 8) + 1; ++n) {
        Columns(modem, n);
        std::string text;
        Tolerate([&] { modem.GetMsgDuration(n); });
        Tolerate([&] { modem.GetMsgInfoLine(n, text); });
    }
}

void DriveElsaDirectory() {
    Channel comm;
    TModemElsaClass modem(&comm);
    Tolerate([&] { modem.Refresh(); });
    const int32_t count = modem.GetMsgCount();
    for (int32_t n = 0; n <= std::min<int32_t>(count, 8) + 1; ++n) {
        Columns(modem, n);
        for (int f = 1; f <= 8; ++f) Tolerate([&] { modem.MsgField(n, f); });
    }
    Tolerate([&] { modem.GetFreeMemory(); });
}

void DriveBlockReceive(const std::string& FileName, const std::string& Path) {
    Channel comm;
    Tolerate([&] {
        comm.SendCommand("AT$JDNL=\"" + FileName + "\"", "Download starten");
        std::ofstream file(Path, std::ios::binary | std::ios::trunc);
        comm.XmodemReceive(file);
        if (file.is_open()) __builtin_trap();
        // A block cut short is asked for again, never written.
        if (std::filesystem::file_size(Path) != static_cast<std::uintmax_t>(comm.BlockCount) * 1024u)
            __builtin_trap();
    });
}

void DriveMurmelDownload(const std::string& Folder) {
    std::error_code ec;
    std::filesystem::remove_all(Folder, ec);
    std::filesystem::create_directories(Folder);
    std::ofstream(Folder + "/Debug.txt", std::ios::trunc);
    using namespace murmel;
    registry::TRegBatch batch;
    batch.WriteString(SectionKey(kOptions), "Port", kMurmelPort);
    batch.WriteString(SectionKey(kOptions), "Path", Folder);
    batch.WriteString(SectionKey(kOptions), "Autodelete", kFlagOn);
    batch.WriteString(SectionKey(kOptions), "Ringsetup", kFlagOn);
    batch.WriteInteger(SectionKey(kOptions), "Counter", 1);
    batch.WriteString(SectionKey(kModem), "Identstring", "");
    batch.WriteInteger(SectionKey(kModem), "Savedmsg", 0);
    batch.WriteInteger(SectionKey(kModem), "Savedmsgfax", 0);
    batch.Commit();
    SetDebugSwitch(true);
    ReadThread(nullptr);
}

}  // namespace fuzz
