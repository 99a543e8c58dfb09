#include "murmel/MurmelProfile.h"

#include <unistd.h>

#include <cctype>
#include <mutex>

#include "platform/Registry.h"

namespace murmel {

namespace {

using registry::TRegDataType;
using registry::TRegistry;

std::mutex g_nameLock;
std::string g_profileName = "Murmel";

// Opens the value's section for reading; false when it or the value is missing.
bool OpenValue(TRegistry& reg, const std::string& Key, const std::string& Entry) {
    return reg.OpenKeyReadOnly(Key) && reg.ValueExists(Entry);
}

std::string ReadText(const std::string& Key, const std::string& Entry, const std::string& Default) {
    try {
        TRegistry reg(registry::THive::HKCU, registry::TRegAccess::Read);
        if (!OpenValue(reg, Key, Entry)) return Default;
        const TRegDataType t = reg.GetDataType(Entry);
        if (t != TRegDataType::rdString && t != TRegDataType::rdExpandString) return Default;
        return reg.ReadString(Entry);
    } catch (const std::exception&) {
        return Default;
    }
}

template <class Write>
bool WriteValue(const std::string& Section, Write write) {
    try {
        TRegistry reg(registry::THive::HKCU);
        if (!reg.OpenKey(SectionKey(Section), true)) return false;
        write(reg);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

std::string ProfileNameOf(const std::string& ProgramPath) {
    std::string name = ProgramPath.substr(ProgramPath.find_last_of('/') + 1);
    if (const auto dot = name.find_last_of('.'); dot != std::string::npos && dot > 0) name.resize(dot);
    if (!name.empty()) name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    return name;
}

void SetProfileName(const std::string& Name) {
    std::lock_guard<std::mutex> g(g_nameLock);
    g_profileName = Name;
}

std::string ProfileName() {
    std::lock_guard<std::mutex> g(g_nameLock);
    return g_profileName;
}

std::string ProfileKey() { return std::string("Software\\") + kRegistryKeyWord + "\\" + ProfileName(); }

std::string SectionKey(const std::string& Section) { return "\\" + ProfileKey() + "\\" + Section; }

std::string GetProfileString(const std::string& Section, const std::string& Entry, const std::string& Default) {
    return ReadText(SectionKey(Section), Entry, Default);
}

int32_t GetProfileInt(const std::string& Section, const std::string& Entry, int32_t Default) {
    try {
        TRegistry reg(registry::THive::HKCU, registry::TRegAccess::Read);
        if (!OpenValue(reg, SectionKey(Section), Entry) || reg.GetDataType(Entry) != TRegDataType::rdInteger)
            return Default;
        return reg.ReadInteger(Entry);
    } catch (const std::exception&) {
        return Default;
    }
}

bool WriteProfileString(const std::string& Section, const std::string& Entry, const std::string& Value) {
    return WriteValue(Section, [&](TRegistry& reg) { reg.WriteString(Entry, Value); });
}

bool WriteProfileInt(const std::string& Section, const std::string& Entry, int32_t Value) {
    return WriteValue(Section, [&](TRegistry& reg) { reg.WriteInteger(Entry, Value); });
}

bool GetProfileFlag(const std::string& Section, const std::string& Entry, const char* DefaultText) {
    return GetProfileString(Section, Entry, DefaultText) == kFlagOn;
}

bool WriteProfileFlag(const std::string& Section, const std::string& Entry, bool On) {
    return WriteProfileString(Section, Entry, FlagText(On));
}

std::string CurrentDirectory() {
    char buffer[4096];
    return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

std::string WithSeparator(const std::string& Folder) {
    return Folder.empty() || Folder.back() == '/' ? Folder : Folder + "/";
}

std::string OutputFolder() { return WithSeparator(GetProfileString(kOptions, "Path", CurrentDirectory())); }

PortSettings ReadMurmelPortSettings() {
    // The reader's buffer holds 198 bytes with the terminating zero.
    constexpr std::size_t kBuffer = 198;
    const std::string key = std::string("\\Software\\") + kRegistryKeyWord + "\\Murmel\\" + kOptions;
    const auto fitting = [&](const char* entry, const char* fallback) {
        std::string v = ReadText(key, entry, fallback);
        return v.size() + 1 > kBuffer ? std::string(fallback) : v;
    };
    return {fitting("Port", kWorkerPort), fitting("Baudrate", kWorkerBaudrate)};
}

}  // namespace murmel
