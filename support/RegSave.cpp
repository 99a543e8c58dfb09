#include "support/RegSave.h"

#include "platform/Registry.h"

using registry::THive;
using registry::TRegistry;

namespace {

// Each routine has its own registry object, so nothing stays open between calls.
// The write does not look at whether the key opened: a key that could not be
// opened or created makes the write itself raise.
template <typename Write>
void WriteValue(const std::string& Key, Write write) {
    TRegistry reg(THive::HKCU);
    reg.OpenKey(Key, true);
    write(reg);
}

// Reads open the key for reading only, so they go on working where the hive
// cannot be written, and never create it.
template <typename T, typename Read>
T ReadValue(const std::string& Name, const std::string& Key, T Default, Read read) {
    TRegistry reg(THive::HKCU);
    if (reg.OpenKeyReadOnly(Key) && reg.ValueExists(Name)) return read(reg);
    return Default;
}

}  // namespace

void RegWriteBool(bool Value, const std::string& Name, const std::string& Key) {
    WriteValue(Key, [&](TRegistry& reg) { reg.WriteBool(Name, Value); });
}

bool RegReadBool(const std::string& Name, const std::string& Key, bool Default) {
    return ReadValue(Name, Key, Default, [&](const TRegistry& reg) { return reg.ReadBool(Name); });
}

void RegWriteString(const std::string& Value, const std::string& Name, const std::string& Key) {
    WriteValue(Key, [&](TRegistry& reg) { reg.WriteString(Name, Value); });
}

void RegReadString(const std::string& Name, const std::string& Key, const std::string& Default, std::string& Result) {
    Result = Default;
    Result = ReadValue(Name, Key, Default, [&](const TRegistry& reg) { return reg.ReadString(Name); });
}

void RegWriteInteger(int32_t Value, const std::string& Name, const std::string& Key) {
    WriteValue(Key, [&](TRegistry& reg) { reg.WriteInteger(Name, Value); });
}

int32_t RegReadInteger(const std::string& Name, const std::string& Key, int32_t Default) {
    return ReadValue(Name, Key, Default, [&](const TRegistry& reg) { return reg.ReadInteger(Name); });
}
