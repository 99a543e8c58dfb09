#pragma once
// Echolet's application: the registration of ".gsm" files at every start,
// then its one dialog; and the about dialog.
#include <string>

namespace echolet {

// The file type that ".gsm" files are registered as.
inline constexpr const char* kFileType = "Echolet.File";

// Writes the ".gsm" file type into HKCR for the program at ProgramPath: the
// type's description, its open command (the program and the file's path in
// double quotes) and its icon, then ".gsm" itself, but only when ".gsm"
// names no other file type yet. False when a write failed; the writes after
// it are not made.
bool RegisterGsmFiles(const std::string& ProgramPath);

}  // namespace echolet
