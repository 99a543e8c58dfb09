#include "support/RegSave.h"

#include "platform/Registry.h"

using registry::THive;
using registry::TRegistry;

// Each routine has its own registry object, so nothing stays open between calls.
// The write does not look at whether the key opened: a key that could not be
// opened or created makes the write itself raise.
void RegWriteBool(bool Value, const std::string& Name, const std::string& Key) {
    TRegistry reg(THive::HKCU);
    reg.OpenKey(Key, true);
    reg.WriteBool(Name, Value);
}

// Reads open the key for reading only, so they go on working where the hive
// cannot be written.
bool RegReadBool(const std::string& Name, const std::string& Key, bool Default) {
    TRegistry reg(THive::HKCU);
    if (reg.OpenKeyReadOnly(Key) && reg.ValueExists(Name)) return reg.ReadBool(Name);
    return Default;
}

void RegWriteString(const std::string& Value, const std::string& Name, const std::string& Key) {
    TRegistry reg(THive::HKCU);
    reg.OpenKey(Key, true);
    reg.WriteString(Name, Value);
}

void RegReadString(const std::string& Name, const std::string& Key, const std::string& Default, std::string& Result) {
    Result = Default;
    TRegistry reg(THive::HKCU);
    if (reg.OpenKeyReadOnly(Key) && reg.ValueExists(Name)) Result = reg.ReadString(Name);
}

void RegWriteInteger(int32_t Value, const std::string& Name, const std::string& Key) {
    TRegistry reg(THive::HKCU);
    reg.OpenKey(Key, true);
    reg.WriteInteger(Name, Value);
}

int32_t RegReadInteger(const std::string& Name, const std::string& Key, int32_t Default) {
    TRegistry reg(THive::HKCU);
    if (reg.OpenKeyReadOnly(Key) && reg.ValueExists(Name)) return reg.ReadInteger(Name);
    return Default;
}
