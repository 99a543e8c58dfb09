#pragma once
// One-call access to single values under a key of HKCU: a Boolean (stored as
// the integer 1 or 0), a text or an integer, each read back with the
// caller's default when the key or the value is missing. Reads never create
// a key; writes create the whole key path and raise ERegistryException when
// the key cannot be opened or created.
#include <cstdint>
#include <string>

// The key of the system under HKEY_CURRENT_USER, shared by Pellow and its viewer.
inline constexpr const char* PellowKey = "SOFTWARE\\Norvale\\Pellow\\Version 0.50";

void RegWriteBool(bool Value, const std::string& Name, const std::string& Key);
bool RegReadBool(const std::string& Name, const std::string& Key, bool Default);
void RegWriteString(const std::string& Value, const std::string& Name, const std::string& Key);
void RegReadString(const std::string& Name, const std::string& Key, const std::string& Default, std::string& Result);
void RegWriteInteger(int32_t Value, const std::string& Name, const std::string& Key);
int32_t RegReadInteger(const std::string& Name, const std::string& Key, int32_t Default);
