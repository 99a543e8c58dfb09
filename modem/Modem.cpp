#include "modem/Modem.h"

#include "platform/Checked.h"

// The base class implements no modem: every operation but SetSelfMode is
// left to the families.
void TModemClass::Create(TCommClass*) { throw EAbstractError(); }
int32_t TModemClass::GetProgress() { throw EAbstractError(); }
void TModemClass::Refresh() { throw EAbstractError(); }
int32_t TModemClass::GetMsgCount() { throw EAbstractError(); }
int32_t TModemClass::GetNewMsgCount() { throw EAbstractError(); }
int32_t TModemClass::GetFreeMemory() { throw EAbstractError(); }
int32_t TModemClass::GetMsgDuration(int32_t) { throw EAbstractError(); }
bool TModemClass::CanEraseSingle() { throw EAbstractError(); }
void TModemClass::GetMsgCallerId(int32_t, std::string&) { throw EAbstractError(); }
int32_t TModemClass::GetMsgType(int32_t) { throw EAbstractError(); }
void TModemClass::GetMsgSize(int32_t, std::string&) { throw EAbstractError(); }
TDateTime TModemClass::GetMsgDateTime(int32_t) { throw EAbstractError(); }
int32_t TModemClass::GetMsgState(int32_t) { throw EAbstractError(); }
int32_t TModemClass::GetMsgStatus(int32_t) { throw EAbstractError(); }
void TModemClass::SetSelfMode(bool) {}
void TModemClass::PlayMsg(int32_t) { throw EAbstractError(); }
void TModemClass::SaveFaxMsg(int32_t, const std::string&, const std::string&) { throw EAbstractError(); }
void TModemClass::EraseMsg(int32_t) { throw EAbstractError(); }
bool TModemClass::EraseAllMsgs() { throw EAbstractError(); }
bool TModemClass::HasNewMsgs() { throw EAbstractError(); }
bool TModemClass::IsMsgNew(int32_t) { throw EAbstractError(); }
void TModemClass::ReleaseNewMsgs() { throw EAbstractError(); }
void TModemClass::ShowSettings() { throw EAbstractError(); }
void TModemClass::ShowInfo() { throw EAbstractError(); }

namespace {

void WriteLE(std::ostream& Handle, uint32_t Value, int Bytes) {
    char b[4];
    for (int i = 0; i < Bytes; ++i) b[i] = static_cast<char>((Value >> (8 * i)) & 0xFF);
    Handle.write(b, Bytes);
}

}  // namespace

void WriteLongLE(std::ostream& Handle, int64_t Value) {
    if (Value < 0) throw EIntOverflow();
    WriteLE(Handle, static_cast<uint32_t>(CheckedCast<int32_t>(Value)), 4);
}

void WriteWordLE(std::ostream& Handle, int64_t Value) {
    WriteLE(Handle, CheckedCast<uint16_t>(Value), 2);
}

uint8_t ReverseBits(uint8_t B) {
    uint8_t r = 0;
    for (int i = 0; i < 8; ++i)
        if (B & (1u << i)) r = static_cast<uint8_t>(r | (0x80u >> i));
    return r;
}
