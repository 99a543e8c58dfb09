#pragma once
// The abstract modem of Pellow. The main window, the working notice and the
// modem dialogs drive whichever modem detection found only through these
// operations; each family overrides all of them (the ELSA family keeps the
// empty SetSelfMode). The unit also holds the byte helpers that the fax TIFF
// writer and the ELSA family share.
#include <cstdint>
#include <ostream>
#include <string>

#include "platform/Clock.h"
#include "platform/Exceptions.h"

class TCommClass;

// Message type codes (GetMsgType); any other value is neither.
constexpr int MsgTypeVoice = 1;
constexpr int MsgTypeFax = 2;
// Message state codes (GetMsgState).
constexpr int MsgStateNew = 1;
constexpr int MsgStateOld = 3;
// Reception status codes (GetMsgStatus).
constexpr int MsgStatusNotReported = 0;
constexpr int MsgStatusOk = 1;
constexpr int MsgStatusError = 2;

class TModemClass {
public:
    // Not owned: the main window owns the channel.
    TCommClass* Comm = nullptr;
    // Free message memory in percent, kept by the 3Com family's Refresh.
    int32_t FreeMemory = 0;

    TModemClass() = default;
    TModemClass(const TModemClass&) = delete;
    TModemClass& operator=(const TModemClass&) = delete;
    virtual ~TModemClass() = default;

    // The operations in slot order. Messages are numbered from 1 in the
    // directory order of the last Refresh.
    // 0: stores the channel and sets up the family's state; a family's C++
    // constructor calls its own Create, since constructors cannot dispatch.
    virtual void Create(TCommClass* AComm);
    // 1: percent of the fax download in hand; -1 while the family cannot tell.
    virtual int32_t GetProgress();
    // 2: reads the directory and memory state from the modem.
    virtual void Refresh();
    virtual int32_t GetMsgCount();       // 3
    virtual int32_t GetNewMsgCount();    // 4
    virtual int32_t GetFreeMemory();     // 5: percent, 0..100
    virtual int32_t GetMsgDuration(int32_t N);  // 6: seconds
    // 7: False when messages can only be erased all at once.
    virtual bool CanEraseSingle();
    virtual void GetMsgCallerId(int32_t N, std::string& Text);  // 8
    virtual int32_t GetMsgType(int32_t N);      // 9: MsgType*
    virtual void GetMsgSize(int32_t N, std::string& Text);      // 10: display text
    // 11: reception date and time; 0 when the modem gives none.
    virtual TDateTime GetMsgDateTime(int32_t N);
    virtual int32_t GetMsgState(int32_t N);     // 12: MsgState*
    virtual int32_t GetMsgStatus(int32_t N);    // 13: MsgStatus*
    // 14: stand-alone answering mode on or off; does nothing by default.
    virtual void SetSelfMode(bool On);
    // 15: plays message N through the modem's speaker, blocking.
    virtual void PlayMsg(int32_t N);
    // 16: downloads fax N and writes it as the TIFF file FileName. The callers
    // pass a third text that no family reads.
    virtual void SaveFaxMsg(int32_t N, const std::string& FileName, const std::string& Unused);
    virtual void EraseMsg(int32_t N);           // 17
    virtual bool EraseAllMsgs();                // 18
    virtual bool HasNewMsgs();                  // 19
    virtual bool IsMsgNew(int32_t N);           // 20
    virtual void ReleaseNewMsgs();              // 21: marks every new message read
    virtual void ShowSettings();                // 22: modal settings dialog
    virtual void ShowInfo();                    // 23: modal info dialog
};

// Writes Value as 4 bytes, least significant first. Only 0 to 2147483647 fit;
// anything else raises EIntOverflow and writes nothing.
void WriteLongLE(std::ostream& Handle, int64_t Value);
// Writes Value as 2 bytes, least significant first; outside 0 to 65535 raises
// EIntOverflow and writes nothing.
void WriteWordLE(std::ostream& Handle, int64_t Value);
// B with its bit order reversed: bit 0 becomes bit 7 and so on.
uint8_t ReverseBits(uint8_t B);
