#pragma once
// Files and folders of the platform: the temporary folder, unique temporary
// files, the null device, the state directory and file times.
#include <ctime>
#include <string>

#include "platform/Clock.h"

namespace files {

// $TMPDIR or /tmp, with a trailing "/" as the temporary path has one.
std::string TempPath();
// Creates a new empty file "<Dir>/<first three bytes of Prefix><unique>.tmp"
// exclusively and returns its path; "" when none could be created.
std::string TempFileName(const std::string& Dir, const std::string& Prefix);
// The device that swallows what is written to it ("NUL", "nul:").
std::string NullDevice();
// Maps the names the units use for the null device to it; other names unchanged.
std::string MapDeviceName(const std::string& Name);

// $PELLOW_HOME, else $XDG_CONFIG_HOME/pellow, else ~/.config/pellow; no trailing "/".
std::string StateDir();
// Whether $PELLOW_HOME is set: the machine-wide files then live in the state directory too.
bool PrivateState();

// The folder of a file's path without a trailing separator; the root stays
// "/", and a bare name has "".
std::string FolderOfFile(const std::string& Path);

bool FileExists(const std::string& Path);
bool DirectoryExists(const std::string& Path);
bool ForceDirectories(const std::string& Path);
bool DeleteFile(const std::string& Path);
// Whether both names lead to one existing file (also through links).
bool SameFile(const std::string& A, const std::string& B);
long long FileSize(const std::string& Path);  // -1 when missing
// Sets the modification time; False when the file cannot be touched.
bool SetFileDate(const std::string& Path, TDateTime When);

// A file's status as the programs read and set it, times in whole seconds
// since the epoch. Linux keeps no creation time that a program can set, so
// the last-write time stands for it: reading gives it as both, and setting
// writes the last-write time (and the access time as given), which is what
// a later reading of the creation time then shows.
struct FileStatus {
    std::time_t created = 0;
    std::time_t written = 0;
    std::time_t accessed = 0;
    long long size = 0;
};
bool GetFileStatus(const std::string& Path, FileStatus& Status);
bool SetFileStatus(const std::string& Path, const FileStatus& Status);

}  // namespace files
