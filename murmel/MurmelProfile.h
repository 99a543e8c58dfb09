#pragma once
// Murmel's application profile: every setting and the bookkeeping of the
// modem memory, under HKEY_CURRENT_USER "Software\<key word>\<profile name>"
// ("Software\Hollin\Murmel"), one subkey per section ("Options", "Modem",
// "Install"). Texts are string values, numbers 32-bit integer values, flags
// the texts "TRUE" and "FALSE". A value that is missing or of another kind
// reads as the caller's default; reads never create a key, and failed writes
// are not reported. Echolet reads Murmel's port settings through this unit
// too.
#include <cstdint>
#include <string>

namespace murmel {

constexpr const char* kRegistryKeyWord = "Hollin";
constexpr const char* kFlagOn = "TRUE";
constexpr const char* kFlagOff = "FALSE";

// Section names.
constexpr const char* kOptions = "Options";
constexpr const char* kModem = "Modem";
constexpr const char* kInstall = "Install";

// The defaults of the values whose readers differ: the dialogs show an empty
// port and speed (an empty port starts the port search), the workers and
// Echolet fall back to these.
constexpr const char* kWorkerPort = "COM2";
constexpr const char* kWorkerBaudrate = "115200";

// The profile name: the program file's name without its extension. The
// program files are the Windows names in lower case ("Murmel.exe" is
// "murmel"), so the name's first letter is raised again: "murmel" gives
// "Murmel", a program renamed "murmel2" keeps its own profile "Murmel2".
std::string ProfileNameOf(const std::string& ProgramPath);
// The profile in use; "Murmel" until the program sets its own.
void SetProfileName(const std::string& Name);
std::string ProfileName();
// "Software\Hollin\" and the profile name.
std::string ProfileKey();
// The key of a section, from the root: "\Software\Hollin\Murmel\Options".
std::string SectionKey(const std::string& Section);

std::string GetProfileString(const std::string& Section, const std::string& Entry, const std::string& Default);
int32_t GetProfileInt(const std::string& Section, const std::string& Entry, int32_t Default);
// Write the value, making its section when missing; false when it could not
// be written (callers do not report it).
bool WriteProfileString(const std::string& Section, const std::string& Entry, const std::string& Value);
bool WriteProfileInt(const std::string& Section, const std::string& Entry, int32_t Value);

// A flag is on only when its text is "TRUE" exactly; DefaultText stands in
// for a missing value.
bool GetProfileFlag(const std::string& Section, const std::string& Entry, const char* DefaultText);
bool WriteProfileFlag(const std::string& Section, const std::string& Entry, bool On);
inline const char* FlagText(bool On) { return On ? kFlagOn : kFlagOff; }

// The process's current directory, the default of "Options" "Path".
std::string CurrentDirectory();
// A folder value as every reader uses it: with a "/" appended when it is
// not empty and does not end in one.
std::string WithSeparator(const std::string& Folder);
// "Options" "Path" (default: the current directory at this moment) as a
// folder to put file names after.
std::string OutputFolder();
// The longest file name the programs use; longer names are not used.
constexpr std::size_t kMaxPath = 260;

// Murmel's port settings as Echolet reads them: "Port" and "Baudrate" of
// "Software\Hollin\Murmel\Options", whatever the running program's profile
// is. A value that is missing, not text, or 198 bytes or longer (it does not
// fit the reader's buffer) gives its default, "COM2" or "115200".
struct PortSettings {
    std::string port;
    std::string baudrate;
};
PortSettings ReadMurmelPortSettings();

}  // namespace murmel
