#include "modem/Modem_3com.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <numeric>
#include <utility>

#include "modem/CommClass.h"
#include "modem/FaxTiff.h"
#include "modem/ModemDialogs.h"
#include "modem/g3resolution.h"
#include "platform/App.h"
#include "platform/Checked.h"
#include "platform/Files.h"
#include "platform/StrUtils.h"
#include "platform/Ui.h"
#include "support/DateTimeEx.h"
#include "support/Unit2.h"

namespace {

const std::string kLineEnd = "\r\n";

// A plain notice with the application's title, as the transfer reports its
// page problems before it goes on.
void ShowMessage(const std::string& Text) { ui::MessageBox({Text, app::Title(), ui::MbOk, ui::IconError, 0}); }

std::string Field(const std::string& Text, int N) {
    std::string f;
    GetField(Text, N, f);
    return f;
}

}  // namespace

void TModem3comClass::Create(TCommClass* AComm) { Comm = AComm; }

int32_t TModem3comClass::GetProgress() {
    if (LastPage == LastPageUnknown) return -1;
    // Unsigned, as the counters are read: a page count that runs backwards
    // (a damaged header) raises instead of showing nonsense.
    const auto done = CheckedAdd<uint32_t>(
        Comm->LastReadCount(),
        CheckedMul<uint32_t>(CheckedCast<uint32_t>(CheckedSub(CurPage, FirstPage)), PageSize));
    const auto total = CheckedMul<uint32_t>(CheckedCast<uint32_t>(CheckedAdd(CheckedSub(LastPage, FirstPage), 1)),
                                            PageSize);
    if (total == 0) throw EIntOverflow();
    // A page asked for again counts its bytes once more; the gauge still ends at 100.
    return std::min<int32_t>(100, CheckedCast<int32_t>(CheckedMul<uint32_t>(done, 100) / total));
}

void TModem3comClass::GetMsgInfoBlock(int32_t N, std::string& Text) {
    if (N != InfoBlockNo) {
        // Read aside: a query that fails must leave the cached block whole,
        // not emptied or half filled under the number of the message it was.
        std::string reply;
        Comm->QueryLines("ATE0V1+MSR=" + IntToStr(N) + kLineEnd, "Get MsgInfoBlock of Msg #" + IntToStr(N), reply);
        InfoBlock = std::move(reply);
        InfoBlockNo = N;
    }
    Text = InfoBlock;
}

int32_t TModem3comClass::InfoField(int32_t N, int Field) {
    std::string block;
    GetMsgInfoBlock(N, block);
    return GetFieldInt(block, Field);
}

void TModem3comClass::Refresh() {
    InfoBlockNo = -1;
    SetSelfMode(true);
    InitModemClock();
    std::string block;
    GetMsgInfoBlock(0, block);
    const int32_t used = GetFieldInt(block, 2);
    FreeMemory = std::max<int32_t>(0, CheckedSub<int32_t>(100, used));
    MsgCount = CheckedAdd(GetFieldInt(block, 3), GetFieldInt(block, 5));
    NewMsgCount = CheckedAdd(GetFieldInt(block, 4), GetFieldInt(block, 6));
    HasNew = GetFieldInt(block, 4) > 0 || GetFieldInt(block, 6) >= 1;
}

int32_t TModem3comClass::GetMsgCount() { return MsgCount; }
int32_t TModem3comClass::GetNewMsgCount() { return NewMsgCount; }
int32_t TModem3comClass::GetFreeMemory() { return FreeMemory; }
bool TModem3comClass::HasNewMsgs() { return HasNew; }
int32_t TModem3comClass::GetMsgDuration(int32_t N) { return InfoField(N, 3); }
bool TModem3comClass::CanEraseSingle() { return false; }

void TModem3comClass::GetMsgCallerId(int32_t N, std::string& Text) {
    std::string block;
    GetMsgInfoBlock(N, block);
    Text.clear();
    GetField(block, 9, Text);
}

int32_t TModem3comClass::GetMsgType(int32_t N) {
    switch (InfoField(N, 2)) {
        case 1: return MsgTypeFax;
        case 2: return MsgTypeVoice;
        default: return 0;
    }
}

void TModem3comClass::GetMsgSize(int32_t N, std::string& Text) {
    Text.clear();
    switch (InfoField(N, 2)) {
        case 1: Text = IntToStr(InfoField(N, 3)) + " p"; break;
        case 2: Text = IntToStr(InfoField(N, 3)) + " s"; break;
        default: break;
    }
}

int32_t TModem3comClass::GetModemDayNumber() {
    const TDateTime today = Date();
    const TDateTime july = EncodeDate(YearOf(today), 7, 1);
    if (today < july) return DayOfYear(today);
    return static_cast<int32_t>(today - july) + 1;
}

void TModem3comClass::InitModemClock() {
    int h, m, s, ms;
    DecodeTime(Now(), h, m, s, ms);
    const uint16_t day = CheckedCast<uint16_t>(GetModemDayNumber());
    Comm->ExecuteCommand("ATE0V1+MCC=" + IntToStr(day) + "," + IntToStr(h) + "," + IntToStr(m) + "," + IntToStr(s) +
                             kLineEnd,
                         "Init ModemClock");
}

TDateTime TModem3comClass::MsgDate(int32_t DayNumber) {
    // The modem's day numbers are 16-bit; anything else cannot come from it.
    if (DayNumber < 0 || DayNumber > 0xFFFF) throw ERangeError();
    if (DayNumber > 253) return 0;
    const int32_t today = GetModemDayNumber();
    const TDateTime now = Date();
    const int year = YearOf(now);
    const bool firstHalf = now < EncodeDate(year, 7, 1);
    TDateTime base;
    if (DayNumber < today + 3) base = firstHalf ? EncodeDate(year - 1, 12, 31) : EncodeDate(year, 6, 30);
    else base = firstHalf ? EncodeDate(year - 1, 6, 30) : EncodeDate(year - 1, 12, 31);
    return base + DayNumber;
}

TDateTime TModem3comClass::GetMsgDateTime(int32_t N) {
    std::string block;
    GetMsgInfoBlock(N, block);
    const TDateTime date = MsgDate(GetFieldInt(block, 6));
    if (date == 0) return 0;
    return date + GetFieldInt(block, 7) / 24.0 + GetFieldInt(block, 8) / 1440.0;
}

void TModem3comClass::GetMsgInfoLine(int32_t N, std::string& Text) {
    std::string block;
    GetMsgInfoBlock(N, block);
    const TDateTime date = MsgDate(GetFieldInt(block, 6));
    int y = 0, m = 0, d = 0;
    if (date != 0) DecodeDate(date, y, m, d);
    Text.clear();
    for (int f = 1; f <= 5; ++f) Text += Field(block, f) + ",";
    Text += IntToStr(d) + "," + IntToStr(m) + "," + IntToStr(y);
    for (int f = 7; f <= 13; ++f) Text += "," + Field(block, f);
}

int32_t TModem3comClass::GetMsgState(int32_t N) {
    return (InfoField(N, 4) & 3) != 0 ? MsgStateNew : MsgStateOld;
}

int32_t TModem3comClass::GetMsgStatus(int32_t N) {
    switch (InfoField(N, 2)) {
        case 1: return InfoField(N, 5) != 0 ? MsgStatusError : MsgStatusOk;
        case 2: return MsgStatusOk;
        default: return MsgStatusNotReported;
    }
}

bool TModem3comClass::IsMsgNew(int32_t N) { return InfoField(N, 4) > 252; }

void TModem3comClass::SetSelfMode(bool On) {
    if (On) {
        Comm->ExecuteCommand("ATE0+MCS=1", "Activate Selfmode");
        return;
    }
    Comm->ExecuteCommand("ATE0+MCS=0", "Deactivate Selfmode");
    Comm->ExecuteCommand("ATE0", "Switch echo off");
}

void TModem3comClass::PlayMsg(int32_t N) {
    const std::string command = "ATE0V1s31=128+MVP=" + IntToStr(N);
    TModemDialogs& dialogs = ModemDialogs();
    if (N != 0 && N != 255) {
        const int32_t duration = GetMsgDuration(N);
        dialogs.PreparePlayingMessage(CheckedMul(duration, 10), PlayTimeText(duration),
                                      "Playing Message #" + IntToStr(N), Comm);
        Comm->SendCommand(command, "Play message #" + IntToStr(N));
        dialogs.ShowPlayingMessage();
    } else {
        Comm->SendCommand(command, "Play message #255");
        dialogs.SetWorkingAction("Playing ...");
        dialogs.ShowWorkingNotice();
    }
    Comm->ExecuteCommand("AT", "Stop playing");
}

void TModem3comClass::SaveFaxMsg(int32_t N, const std::string& FileName, const std::string&) {
    const std::string download = MakeFaxDownloadFile();
    if (download.empty()) throw EInOutError("Cannot create a temporary file");
    try {
        DownloadMsg(N, download);
    } catch (...) {
        // The writer deletes the download; one that fails on the way never reaches it.
        files::DeleteFile(download);
        throw;
    }
    std::string resolution = "T4N";
    G3TifResolution probe;
    probe.DetectResolution(download, resolution);
    if (!SaveFaxTiff(download, FileName, resolution, TPageCutter::Cut3Com))
        throw EInOutError("Cannot write file \"" + FileName + "\"");
}

void TModem3comClass::EraseMsg(int32_t) {}

// Erasing takes the modem a while. Its reply is waited for as any command's
// that changes the modem: taken only from what had already arrived, a late
// "ERROR" (or "OK") was read by the next exchange as that exchange's reply.
bool TModem3comClass::EraseAllMsgs() {
    const std::string command = "ATE0V1+mem";
    Comm->SendCommand(command, "Erasing all messages");
    const bool ok = Comm->WaitOKLong();
    InfoBlockNo = -1;
    if (!ok) throw EModemClass::ForCommand(command);
    return ok;
}

int TModem3comClass::ChecksumValue(const char Chars[2]) {
    const auto digit = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return 0;
    };
    return digit(Chars[0]) * 16 + digit(Chars[1]);
}

std::string TModem3comClass::TPageReply::Fault() const {
    if (!Refusal.empty()) return "the modem answered " + Refusal + " in place of the page";
    if (Checksum < 0) return "no reply";
    if (!Whole)
        return IntToStr(static_cast<int32_t>(Bytes)) + " of " + IntToStr(PageSize) + " bytes came" +
               (Finished ? "" : ", then nothing more");
    if (Checksum != Sum) {
        char text[64];
        std::snprintf(text, sizeof text, "the page sums to %02X, its checksum says %02X", Sum, Checksum);
        return text;
    }
    if (!Ok) return "no OK after the page";
    return "";
}

namespace {

// Whether a page read cut short holds the end of the modem's reply: then the
// modem sent the whole page and bytes were lost on the way, rather than the
// modem falling silent.
bool EndsWithOk(const uint8_t* Data, uint32_t Bytes) {
    static const std::string kEnd = "OK\r\n";
    return Bytes >= kEnd.size() && std::equal(kEnd.begin(), kEnd.end(), Data + Bytes - kEnd.size(),
                                              [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; });
}

}  // namespace

TModem3comClass::TPageReply TModem3comClass::ReadPage(const std::string& Command, const std::string& Description,
                                                      bool SplitChecksum, TPage& Buffer) {
    TPageReply reply;
    Comm->SendCommand(Command, Description);
    char checksum[2] = {0, 0};
    bool started = false;
    if (SplitChecksum) {
        started = Comm->ReadBlock(&checksum[0], 1) && checksum[0] != '\r' && checksum[0] != '\n' &&
                  Comm->ReadBlock(&checksum[1], 1);
    } else {
        started = Comm->ReadBlock(checksum, 2);
    }
    // A reply that begins with a line end is a result line, not a page.
    if (checksum[0] == '\r' || checksum[0] == '\n') {
        std::string line;
        Comm->ReadLine(2, line);
        reply.Refusal = line.empty() ? "nothing" : line;
        return reply;
    }
    if (!started) return reply;
    reply.Checksum = ChecksumValue(checksum);
    reply.Whole = Comm->ReadBlock(Buffer.data(), PageSize, &reply.Bytes);
    if (reply.Whole) {
        reply.Sum = static_cast<uint8_t>(std::accumulate(Buffer.begin(), Buffer.end(), 0u));
        reply.Ok = Comm->WaitOK();
        reply.Finished = true;
    } else {
        reply.Finished = EndsWithOk(Buffer.data(), reply.Bytes);
    }
    return reply;
}

bool TModem3comClass::FetchPage(int32_t P, TPage& Buffer) {
    for (int attempt = 0;; ++attempt) {
        const TPageReply reply =
            ReadPage("ATE0V1+mtp=" + IntToStr(P), "Get Memory block #" + IntToStr(P), false, Buffer);
        if (reply.Good()) return true;
        const std::string fault = "ERROR: Page " + IntToStr(P) + ": " + reply.Fault();
        if (!reply.WorthAnotherTry() || Comm->LinkLost || attempt == PageRetries) {
            Comm->LogEntry(fault);
            return false;
        }
        Comm->LogEntry(fault + "; asked for again");
    }
}

void TModem3comClass::DownloadMsg(int32_t N, const std::string& FileName) {
    LastPage = LastPageUnknown;
    int32_t endOffset = 0;
    std::ofstream file(FileName, std::ios::binary | std::ios::trunc);
    if (!file) throw EInOutError("Cannot create file \"" + FileName + "\"");
    std::string line;
    if (N + 1 < MsgCount) {
        GetMsgInfoLine(N + 1, line);
        LastPage = GetFieldInt(line, 12);
    }
    GetMsgInfoLine(N, line);
    const int32_t start = CheckedAdd(CheckedMul(GetFieldInt(line, 13), 256), GetFieldInt(line, 14));
    FirstPage = CurPage = GetFieldInt(line, 12);
    // Received messages lie in pages 4 to 63, each after the one before; a
    // damaged info line would have every page from anywhere up to the last
    // page asked for, 32768 bytes each, or nothing at all.
    if (FirstPage < FirstMessagePage || FirstPage >= MemoryPages || FirstPage > LastPage) throw ERangeError();
    TPage page;
    page.fill(0);
    while (CurPage <= LastPage) {
        // A page that does not come right ends the download: the fax would
        // be wrong, and the pages after it only cost a time-out each.
        if (!FetchPage(CurPage, page)) {
            Comm->LogEntry("ERROR: Could not get page " + IntToStr(CurPage) + " of message " + IntToStr(N) +
                           ": the download failed");
            ShowMessage("ERROR: Could not get page");
            throw EAbort();
        }
        if (CurPage == FirstPage) {
            CheckIndex(CheckedAdd(start, MsgHeaderBytes3Com - 1), page.size());
            LastPage = page[static_cast<std::size_t>(start) + 31];
            endOffset = page[static_cast<std::size_t>(start) + 32] * 256 + page[static_cast<std::size_t>(start) + 33];
            // The modem has no page beyond its memory; asking for each of them
            // would only collect errors and time-outs. A last page before the
            // first belongs to no message.
            if (LastPage >= MemoryPages || LastPage < FirstPage) throw ERangeError();
        }
        const int32_t from = CurPage == FirstPage ? start : 0;
        const int32_t count = CurPage == LastPage ? CheckedSub(endOffset, from) : PageSize - from;
        // The copy must stay inside the page: a header that points elsewhere ends the download.
        if (count < 0 || CheckedAdd(from, count) > PageSize) throw ERangeError();
        file.write(reinterpret_cast<const char*>(page.data()) + from, count);
        CurPage = CheckedAdd(CurPage, 1);
    }
    file.close();
    if (file.fail()) throw EInOutError("Cannot write file \"" + FileName + "\"");
}

// Reading a message's first page is what marks it read; the page itself is
// not kept. A modem that sends no page at all (gone, or silent past the time-
// out) ends the release there: the next page command would only wait as long.
void TModem3comClass::ReleaseNewMsgs() {
    TPage page;
    for (int32_t i = 1; i <= MsgCount; ++i) {
        if (!IsMsgNew(i)) continue;
        std::string line;
        GetMsgInfoLine(i, line);
        const int32_t first = GetFieldInt(line, 12);
        const TPageReply reply = ReadPage("ATE0V1+mtp=" + IntToStr(first) + kLineEnd,
                                          "Transfer memory page to release message", true, page);
        if (!reply.Whole) ShowMessage("ERROR: Characters lost!");
        if (!reply.Refusal.empty() || (reply.Whole && !reply.Ok)) ShowMessage("ERROR: Releasing Message failed!");
        if (!reply.Good())
            Comm->LogEntry("ERROR: Release of message " + IntToStr(i) + ", page " + IntToStr(first) + ": " +
                           reply.Fault());
        if (reply.Refusal.empty() && !reply.Finished) {
            InfoBlockNo = -1;
            throw EAbort();
        }
    }
    InfoBlockNo = -1;
}

void TModem3comClass::ShowSettings() { ModemDialogs().Show3comSettings(); }
void TModem3comClass::ShowInfo() { ModemDialogs().Show3comInfo(); }
