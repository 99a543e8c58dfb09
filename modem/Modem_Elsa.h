#pragma once
// TModemElsaClass: the ELSA MicroLink Office. The modem keeps its messages as
// named files and lists them in a text directory ("AT$JDIR"): one line per
// file with name, format, flags, date, time, size and caller ID, greeting
// lines among them. The per-message operations answer from the directory of
// the last Refresh; a fax is downloaded with the block receive and written
// as TIFF; new messages are released by downloading them into the null
// device, which is what marks them read in the modem. It cannot play
// messages and has no erase-all.
#include <cstdint>
#include <iosfwd>
#include <string>

#include "modem/FaxTiff.h"
#include "modem/Modem.h"

class TModemElsaClass : public TModemClass {
public:
    // Entry b: byte b with its bit order reversed: the table that the ELSA
    // page cutter turns the downloaded fax data through.
    const TBitReverseTable& BitReverse = BitReverseTable();
    // Non-greeting directory lines and the new ones among them (last Refresh).
    int32_t MsgCount = 0;
    int32_t NewMsgCount = 0;
    // The "AT$JDIR" reply lines, each followed by CR LF.
    std::string Directory;
    // Size of the fax being downloaded (directory field 6): base of the progress.
    int32_t DownloadSize = 0;

    explicit TModemElsaClass(TCommClass* AComm) { TModemElsaClass::Create(AComm); }

    void Create(TCommClass* AComm) override;
    // Percent of the fax download; -1 before the first fax download, or for a
    // fax whose size the directory does not give.
    int32_t GetProgress() override;
    void Refresh() override;
    int32_t GetMsgCount() override;
    int32_t GetNewMsgCount() override;
    int32_t GetFreeMemory() override;
    int32_t GetMsgDuration(int32_t N) override;
    bool CanEraseSingle() override;
    void GetMsgCallerId(int32_t N, std::string& Text) override;
    int32_t GetMsgType(int32_t N) override;
    void GetMsgSize(int32_t N, std::string& Text) override;
    TDateTime GetMsgDateTime(int32_t N) override;
    int32_t GetMsgState(int32_t N) override;
    int32_t GetMsgStatus(int32_t N) override;
    void PlayMsg(int32_t N) override;
    void SaveFaxMsg(int32_t N, const std::string& FileName, const std::string& Unused) override;
    void EraseMsg(int32_t N) override;
    bool EraseAllMsgs() override;
    bool HasNewMsgs() override;
    bool IsMsgNew(int32_t N) override;
    void ReleaseNewMsgs() override;
    void ShowSettings() override;
    void ShowInfo() override;

    // Sets the modem's clock to the local date and time.
    void SetModemDateTime();
    // Lines of the directory: the count of its line feeds (one in the very
    // first place not counted), and line K with its line end; "" past the end.
    int32_t DirLineCount() const;
    std::string DirLine(int32_t K) const;
    // A line that starts with "GREET" in any letter case is a greeting.
    static bool IsGreeting(const std::string& Line);
    // The directory line of message N; "" when there is no such message.
    std::string MsgLine(int32_t N) const;
    // Field F of message N: field 1 (the file name) as it stands but for the
    // line end, fields 2 to 7 trimmed of blanks and control characters.
    std::string MsgField(int32_t N, int F) const;

private:
    // Downloads message N's file into File, which the block receive closes;
    // False (logged) when the transfer failed.
    bool Download(int32_t N, std::ofstream& File);
};
