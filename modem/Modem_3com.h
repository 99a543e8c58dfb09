#pragma once
// TModem3comClass: the 3Com/U.S. Robotics message modems. The directory comes
// from info blocks ("+MSR"), cached one message at a time; the modem clock
// is set to a half-year day number from which the message dates are rebuilt;
// the modem plays voice mail itself while the playing dialog follows it; fax
// messages and the release of new messages go through the memory pages of
// 32768 bytes ("+mtp").
#include <array>
#include <cstdint>
#include <string>

#include "modem/Modem.h"

class TModem3comClass : public TModemClass {
public:
    static constexpr int32_t PageSize = 32768;
    // LastPage while a transfer has begun and its last page is not yet known.
    static constexpr int32_t LastPageUnknown = 99;
    // Pages of the modem's memory; received messages start from page 4 on.
    static constexpr int32_t MemoryPages = 64;
    static constexpr int32_t FirstMessagePage = 4;

    int32_t MsgCount = 0;
    int32_t NewMsgCount = 0;
    int32_t InfoBlockNo = 0;  // the cached info block; -1 none
    std::string InfoBlock;
    int32_t FirstPage = 0;
    int32_t LastPage = 0;
    int32_t CurPage = 0;
    bool HasNew = false;

    explicit TModem3comClass(TCommClass* AComm) { TModem3comClass::Create(AComm); }

    void Create(TCommClass* AComm) override;
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
    void SetSelfMode(bool On) override;
    void PlayMsg(int32_t N) override;
    void SaveFaxMsg(int32_t N, const std::string& FileName, const std::string& Unused) override;
    void EraseMsg(int32_t N) override;
    bool EraseAllMsgs() override;
    bool HasNewMsgs() override;
    bool IsMsgNew(int32_t N) override;
    void ReleaseNewMsgs() override;
    void ShowSettings() override;
    void ShowInfo() override;

    // The reply of "+MSR" for message N (0: the memory summary), read once
    // and kept until another message is asked for.
    void GetMsgInfoBlock(int32_t N, std::string& Text);
    // The info block with the day number replaced by day, month and year:
    // 15 fields, the first memory page in field 12, the header offset in 13 and 14.
    void GetMsgInfoLine(int32_t N, std::string& Text);
    // Today's number in the modem's half-year count.
    int32_t GetModemDayNumber();
    void InitModemClock();
    // Copies message N, its header and its data, out of the memory pages into
    // FileName. Every page must come whole and add up to its checksum; a page
    // that does not is asked for again, at most PageRetries times. A page
    // still wrong, or one the modem does not send at all, ends the download:
    // the user is told once ("ERROR: Could not get page"), the log says what
    // failed, and EAbort is raised (nothing more to show).
    void DownloadMsg(int32_t N, const std::string& FileName);
    static constexpr int PageRetries = 5;

    using TPage = std::array<uint8_t, PageSize>;
    // What one page command brought.
    struct TPageReply {
        // The modem's result line in place of the page ("ERROR"), when it sent one.
        std::string Refusal;
        uint32_t Bytes = 0;     // page bytes that came
        bool Whole = false;     // all 32768 of them
        bool Finished = false;  // the reply came to its end (its OK line, also after a short page)
        bool Ok = false;        // that end was "OK"
        int Checksum = -1;      // the value of the two checksum characters; -1 when they did not come
        uint8_t Sum = 0;        // the page bytes added up, modulo 256
        // Whether the page can be used as it is.
        bool Good() const { return Whole && Ok && Checksum == Sum; }
        // Whether asking again may help: the modem sent the page to its end,
        // but it came short or with another sum. A whole page that the modem
        // ends with anything but OK is its refusal, not line trouble.
        bool WorthAnotherTry() const { return Refusal.empty() && Finished && (!Whole || Checksum != Sum); }
        // What went wrong, for the log.
        std::string Fault() const;
    };
    // The value of the two checksum characters: hexadecimal digits in either
    // letter case, most significant first; a character that is no digit
    // counts as 0.
    static int ChecksumValue(const char Chars[2]);

private:
    int32_t InfoField(int32_t N, int Field);
    // The date of a message day number: 0 when the modem knows none.
    TDateTime MsgDate(int32_t DayNumber);
    // One page command: checksum, page and the end of the reply.
    TPageReply ReadPage(const std::string& Command, const std::string& Description, bool SplitChecksum,
                        TPage& Buffer);
    // Page P of a download, asked for again while it comes wrong; false when
    // it never came right (logged).
    bool FetchPage(int32_t P, TPage& Buffer);
};
