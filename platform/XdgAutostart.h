#pragma once
// The desktop's autostart in step with the registry's Run keys: every text
// value under "SOFTWARE\Microsoft\Windows\CurrentVersion\Run" of HKCU is an
// entry "<name>.desktop" in the user's autostart folder
// ($XDG_CONFIG_HOME/autostart), every one of HKLM an entry in the machine's
// ($XDG_CONFIG_DIRS' first folder/autostart, /etc/xdg/autostart by default),
// whose Exec line is the value's data. A value with empty data stands for no
// entry, as it starts nothing. RunOnce has no counterpart there.
//
// An entry made here carries the line "X-Pellow-Run=<hive name>"; only such
// entries are ever removed, so an entry of the user's own that happens to
// have the same name outlives the value.
#include <string>

#include "platform/Registry.h"

namespace xdgautostart {

// The key whose values are mirrored, below the root of HKCU and HKLM.
inline constexpr const char* RunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

// The autostart folder of Hive's entries; "" for a hive without any (HKCR).
std::string Folder(registry::THive Hive);
// The file name of the entry for a value: the name with "%", "/" and a
// leading "." percent-encoded, and ".desktop".
std::string EntryFileName(const std::string& ValueName);
// The Exec line for a value's data: its arguments, split by the command-line
// rules the data is written in, quoted and escaped as desktop entries want
// them (the program always in double quotes). "" when the data names no program.
std::string ExecLine(const std::string& Data);
// The whole entry for a value of Hive; "" when the data names no program.
std::string EntryText(const std::string& ValueName, const std::string& Data, registry::THive Hive);
// Whether Text is an entry made here for Hive.
bool IsOwnEntry(const std::string& Text, registry::THive Hive);

// Pieces of desktop entries that every desktop mirror uses.
// Text as a desktop entry's string value holds it (its escapes applied).
std::string EscapedValue(const std::string& Text);
// One argument of an Exec line: in double quotes where a character has a
// meaning of its own there (or always with Quote), "%" doubled everywhere
// since it starts a field code.
std::string ExecArgument(const std::string& Arg, bool Quote);
// The whole file; "" when it cannot be read.
std::string ReadText(const std::string& Path);
// Writes the file whole or not at all (a temporary file renamed over it).
bool WriteAtomically(const std::string& Path, const std::string& Text);

// Brings Hive's autostart folder in step with its Run key: writes the entry
// of each value, removes the entries made here whose value is gone. Raises
// std::runtime_error naming what could not be written or removed, after
// doing all it could.
void Sync(registry::THive Hive);
// The registry's change hook: syncs the hive when its Run key, or a key
// above it, has changed.
void OnRegistryChange(const registry::TRegChange& Change);

}  // namespace xdgautostart
