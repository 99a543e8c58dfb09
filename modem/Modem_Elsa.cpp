#include "modem/Modem_Elsa.h"

#include <algorithm>
#include <exception>
#include <fstream>

#include "modem/CommClass.h"
#include "modem/FaxTiff.h"
#include "modem/ModemDialogs.h"
#include "platform/App.h"
#include "platform/Checked.h"
#include "platform/Files.h"
#include "platform/StrUtils.h"
#include "platform/Ui.h"
#include "support/Unit2.h"

namespace {

const char* const kVoiceFormats[] = {"ADPCM2-7", "ADPCM2-8", "ADPCM4-7", "ADPCM4-8", "PCM8L-7",
                                     "PCM8U-7",  "PCM8A-7",  "PCM8L-8",  "PCM8U-8",  "PCM8A-8"};

void ShowMessage(const std::string& Text) { ui::MessageBox({Text, app::Title(), ui::MbOk, ui::IconInformation, 0}); }

// Count characters of Text from the 1-based Index; what lies beyond the end is left out.
std::string Copy(const std::string& Text, std::size_t Index, std::size_t Count) {
    if (Index < 1 || Index > Text.size()) return {};
    return Text.substr(Index - 1, Count);
}

std::string Quoted(const std::string& Text) { return "\"" + Text + "\""; }

// A decimal field; an empty one counts as 0.
int32_t FieldNumber(const std::string& Field) { return Field.empty() ? 0 : StrToInt(Field); }

}  // namespace

void TModemElsaClass::Create(TCommClass* AComm) { Comm = AComm; }

int32_t TModemElsaClass::GetProgress() {
    if (DownloadSize <= 0) return -1;
    // The last block is filled up, so more can arrive than the size says.
    const int64_t percent = static_cast<int64_t>(Comm->ReceivedBytes()) * 100 / DownloadSize;
    return static_cast<int32_t>(std::min<int64_t>(percent, 100));
}

// --- the directory

int32_t TModemElsaClass::DirLineCount() const {
    auto feeds = std::count(Directory.begin(), Directory.end(), '\n');
    if (!Directory.empty() && Directory.front() == '\n') --feeds;
    return CheckedCast<int32_t>(feeds);
}

std::string TModemElsaClass::DirLine(int32_t K) const {
    if (K < 1) return {};
    std::size_t start = 0;
    for (int32_t k = 1; k < K; ++k) {
        const std::size_t feed = Directory.find('\n', start);
        if (feed == std::string::npos) return {};
        start = feed + 1;
    }
    if (start >= Directory.size()) return {};
    const std::size_t feed = Directory.find('\n', start);
    return Directory.substr(start, feed == std::string::npos ? std::string::npos : feed + 1 - start);
}

bool TModemElsaClass::IsGreeting(const std::string& Line) { return SameText(Line.substr(0, 5), "GREET"); }

std::string TModemElsaClass::MsgLine(int32_t N) const {
    const int32_t lines = DirLineCount();
    int32_t count = 0;
    for (int32_t k = 1; k <= lines; ++k) {
        std::string line = DirLine(k);
        if (!IsGreeting(line) && ++count == N) return line;
    }
    return {};
}

// The file name is used as the modem wrote it (a line without commas still
// leaves its line end to the line, not to the name); the others are trimmed.
std::string TModemElsaClass::MsgField(int32_t N, int F) const {
    std::string field;
    GetField(MsgLine(N), F, field);
    return F == 1 ? field : Trim(field);
}

void TModemElsaClass::SetModemDateTime() {
    int year, month, day, hour, minute, second, ms;
    const TDateTime now = Now();
    DecodeDate(now, year, month, day);
    DecodeTime(now, hour, minute, second, ms);
    Comm->ExecuteCommand("AT$JDATE=" + IntToStr(year) + "," + IntToStr(month) + "," + IntToStr(day), "Setze Datum");
    Comm->ExecuteCommand("AT$JTIME=" + IntToStr(hour) + "," + IntToStr(minute) + "," + IntToStr(second),
                         "Setze Datum");
}

void TModemElsaClass::Refresh() {
    SetModemDateTime();
    Comm->QueryLines("AT$JDIR", "Get # of messages and info about them", Directory);
    const int32_t lines = DirLineCount();
    MsgCount = 0;
    for (int32_t k = 1; k <= lines; ++k)
        if (!IsGreeting(DirLine(k))) ++MsgCount;
    NewMsgCount = 0;
    for (int32_t m = 1; m <= MsgCount; ++m)
        if (IsMsgNew(m)) ++NewMsgCount;
}

int32_t TModemElsaClass::GetMsgCount() { return MsgCount; }
int32_t TModemElsaClass::GetNewMsgCount() { return NewMsgCount; }

int32_t TModemElsaClass::GetFreeMemory() {
    std::string reply;
    Comm->QueryLines("AT$JMEM=FREE", "Get free Mem", reply);
    const std::size_t colon = reply.find(':');
    return StrToInt(Trim(colon == std::string::npos ? reply : reply.substr(colon + 1)));
}

int32_t TModemElsaClass::GetMsgDuration(int32_t) {
    ShowMessage("Function \"GetMsgDuration\" on Elsa ML Office not avaiable");
    return 0;
}

bool TModemElsaClass::CanEraseSingle() { return true; }

void TModemElsaClass::GetMsgCallerId(int32_t N, std::string& Text) { Text = MsgField(N, 7); }

int32_t TModemElsaClass::GetMsgType(int32_t N) {
    const std::string format = MsgField(N, 2);
    if (std::any_of(std::begin(kVoiceFormats), std::end(kVoiceFormats), [&](const char* f) { return format == f; }))
        return MsgTypeVoice;
    if (format == "T4N" || format == "T4F") return MsgTypeFax;
    return 255;
}

void TModemElsaClass::GetMsgSize(int32_t N, std::string& Text) { Text = MsgField(N, 6); }

// "dd.mm.yyyy" and "hh:mm"; a field that is no number or no date raises
// EConvertError.
TDateTime TModemElsaClass::GetMsgDateTime(int32_t N) {
    const std::string date = MsgField(N, 4);
    const std::string time = MsgField(N, 5);
    const TDateTime day = EncodeDate(StrToInt(Copy(date, 7, 4)), StrToInt(Copy(date, 4, 2)), StrToInt(Copy(date, 1, 2)));
    return day + StrToInt(Copy(time, 1, 2)) / 24.0 + StrToInt(Copy(time, 4, 2)) / 1440.0;
}

int32_t TModemElsaClass::GetMsgState(int32_t N) {
    return MsgField(N, 3).find('N') != std::string::npos ? MsgStateNew : MsgStateOld;
}

int32_t TModemElsaClass::GetMsgStatus(int32_t) { return MsgStatusOk; }

void TModemElsaClass::PlayMsg(int32_t) { ShowMessage("Play not avaiable on ELSA ML Office"); }

// --- transfers

bool TModemElsaClass::Download(int32_t N, std::ofstream& File) {
    const std::string name = MsgField(N, 1);
    Comm->SendCommand("AT$JDNL=" + Quoted(name), "Download starten");
    if (Comm->XmodemReceive(File)) return true;
    Comm->LogEntry("ERROR: Download of message " + IntToStr(N) + " (=" + name + ") failed");
    return false;
}

// A download that fails on the way is no fax: the block receive has told the
// user why, and nothing is written.
void TModemElsaClass::SaveFaxMsg(int32_t N, const std::string& FileName, const std::string&) {
    const int32_t size = FieldNumber(MsgField(N, 6));
    if (size < 0) throw ERangeError();
    DownloadSize = size;
    const std::string download = MakeFaxDownloadFile();
    if (download.empty()) throw EInOutError("Cannot create a temporary file");
    {
        // The download is of no use when the transfer fails on the way.
        struct TRemoveOnThrow {
            const std::string& path;
            const int pending = std::uncaught_exceptions();
            ~TRemoveOnThrow() {
                if (std::uncaught_exceptions() > pending) files::DeleteFile(path);
            }
        } guard{download};
        std::ofstream file(download, std::ios::binary | std::ios::trunc);
        if (!file) throw EInOutError("Cannot create file \"" + download + "\"");
        if (!Download(N, file)) throw EAbort();
    }
    if (!SaveFaxTiff(download, FileName, MsgField(N, 2), TPageCutter::CutElsa))
        throw EInOutError("Cannot write file \"" + FileName + "\"");
}

void TModemElsaClass::EraseMsg(int32_t N) {
    const std::string name = MsgField(N, 1);
    Comm->ExecuteCommand("AT$JDEL=" + Quoted(name), "Erase Message #" + IntToStr(N) + " (=" + name + ")");
}

bool TModemElsaClass::EraseAllMsgs() { return false; }

bool TModemElsaClass::HasNewMsgs() {
    for (int32_t i = 1; i <= MsgCount; ++i)
        if (IsMsgNew(i)) return true;
    return false;
}

bool TModemElsaClass::IsMsgNew(int32_t N) { return GetMsgState(N) != MsgStateOld; }

// A complete download is what marks a message read in the modem. A modem
// that is gone, or that sends nothing at all for a download, ends the
// release there: each further message would only cost the block receive's
// retries and boxes again.
void TModemElsaClass::ReleaseNewMsgs() {
    for (int32_t i = 1; i <= MsgCount; ++i) {
        if (!IsMsgNew(i)) continue;
        std::ofstream nul(files::MapDeviceName("NUL"), std::ios::binary);
        if (!Download(i, nul) && (Comm->LinkLost || Comm->XmodemUnanswered)) throw EAbort();
    }
}

void TModemElsaClass::ShowSettings() { ModemDialogs().ShowElsaSettings(); }
void TModemElsaClass::ShowInfo() { ModemDialogs().ShowElsaInfo(); }
