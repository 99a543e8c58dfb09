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
    // Copies message N, its header and its data, out of the memory pages into FileName.
    void DownloadMsg(int32_t N, const std::string& FileName);

private:
    using TPage = std::array<uint8_t, PageSize>;

    int32_t InfoField(int32_t N, int Field);
    // The date of a message day number: 0 when the modem knows none.
    TDateTime MsgDate(int32_t DayNumber);
    // One page command: checksum, page, OK wait; Complete tells whether all
    // 32768 bytes came, the result whether the OK did.
    bool ReadPage(const std::string& Command, const std::string& Description, bool SplitChecksum, TPage& Buffer,
                  bool& Complete);
};
