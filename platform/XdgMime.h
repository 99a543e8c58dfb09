#pragma once
// The desktop's file associations in step with the file types of HKCR: what
// opening a ".gsm" file does on the desktop follows what HKCR says it does.
//
// - Every file type key of HKCR with an open command ("<type>\shell\open\command")
//   is a desktop entry "pellow-<type>.desktop" in $XDG_DATA_HOME/applications
//   whose Exec line is that command, the file's path in place of "%1"; it is
//   no menu entry (NoDisplay), as a file type is none. It lists the MIME types
//   of the extensions that name the type.
// - An extension of HKCR that the desktop knows by a MIME type (".gsm":
//   audio/x-gsm) gets that MIME type defined for its files in
//   $XDG_DATA_HOME/mime (a package, then the database rebuilt).
// - When the extension names a type with an entry, that entry becomes the
//   user's default application for the MIME type ($XDG_CONFIG_HOME/mimeapps.list),
//   unless the desktop already has another handler chosen for it: that
//   choice stays, as an extension that names another file type stays.
//
// Nothing is ever removed: the registry's associations are written, never taken back.
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace xdgmime {

// An extension of HKCR and the MIME type its files have on the desktop.
struct TMimeExtension {
    const char* extension;  // ".gsm"
    const char* mimeType;   // "audio/x-gsm"
    const char* comment;    // the MIME type's description
};
const std::vector<TMimeExtension>& MimeExtensions();

// The desktop file ID of a file type: "pellow-" and the type's name in small
// letters, every character but letters, digits and "_" as "-", ".desktop":
// "Echolet.File" is "pellow-echolet-file.desktop".
std::string DesktopFileId(const std::string& FileType);

// The program and the arguments of an open command as the shell takes them:
// a program in double quotes, or else the longest run of words that names an
// existing file (the program's path may hold blanks without quotes), or else
// the first word; then the arguments split by the command-line rules.
std::vector<std::string> SplitCommand(const std::string& Command);
// The Exec line of an open command: the program in double quotes, "%1" as
// the file's path (%f), every other argument as it is. "" when the command
// names no program.
std::string ExecLine(const std::string& Command);
// The name the desktop shows for the program: its file name without an
// extension, with a capital first letter ("/opt/tools/echolet" is "Echolet").
std::string ProgramName(const std::string& Command);

// The whole desktop entry of a file type.
std::string EntryText(const std::string& Description, const std::string& Command,
                      const std::vector<std::string>& MimeTypes);
// The MIME package that defines the type for the extension.
std::string PackageText(const TMimeExtension& Extension);

// The desktop file ID the desktop opens files of MimeType with now: the
// first installed one that a "Default Applications" entry names, looked up in
// the mimeapps.list files in their order (the user's settings, the machine's,
// then the data folders; each desktop's own file before the common one). ""
// when none is chosen.
std::string ChosenDefault(const std::string& MimeType);
// MimeApps with the default application of MimeType set to Id, everything
// else as it was.
std::string WithDefault(const std::string& MimeApps, const std::string& MimeType, const std::string& Id);

// Brings the desktop in step with HKCR. Raises std::runtime_error naming what
// could not be written, after doing all it could.
void Sync();
// The registry's change hook: syncs when HKCR has changed.
void OnRegistryChange(const registry::TRegChange& Change);

}  // namespace xdgmime
