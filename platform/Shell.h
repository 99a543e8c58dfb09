#pragma once
// Starting programs and opening documents the way the desktop does: a
// program file is started with an argument list (never through a command
// interpreter), any other file, folder or URL goes to the desktop's default
// handler (xdg-open).
#include <memory>
#include <string>
#include <vector>

namespace shell {

// Results as callers compare them: above 32 the file was started or opened,
// otherwise the reason.
constexpr int ErrOutOfResources = 0;
constexpr int ErrFileNotFound = 2;
constexpr int ErrPathNotFound = 3;
constexpr int ErrAccessDenied = 5;
constexpr int ErrOutOfMemory = 8;
constexpr int ErrBadFormat = 11;
constexpr int ErrNoAssociation = 31;
constexpr int Started = 42;

// Splits a parameter text into arguments by the command-line rules the
// callers write their parameters for: blanks separate, double quotes group
// and are removed ("a b" is one argument), \" is a literal quote, and inside
// quotes "" is one literal quote. Backslashes before anything else stay.
std::vector<std::string> SplitParameters(const std::string& Parameters);

// A regular file that this process may execute.
bool IsExecutableFile(const std::string& Path);
// The first executable of that name in the folders of PATH; "" when none.
std::string FindOnPath(const std::string& Name);

// A program of the system beside the running one: "leafor.exe" is
// "<program folder>/leafor".
std::string SiblingProgram(const std::string& FileName);

// Opens File with the default action. File is
// - a URL ("https://...", "mailto:..."): opened by the default handler;
// - "notepad.exe": the first parameter is opened in the desktop's text editor;
// - a path (contains "/"): an executable file is started with Parameters as
//   its arguments in Directory (empty: the current folder); a folder or any
//   other file is opened by the default handler;
// - a bare name: the program of that name (or without ".exe") on PATH.
// Returns Started, or ErrFileNotFound / ErrPathNotFound (missing file or
// folder), ErrAccessDenied, ErrBadFormat (the program would not start),
// ErrNoAssociation (no default handler).
int Execute(const std::string& File, const std::string& Parameters = "", const std::string& Directory = "");

// The two ways out to the operating system, replaceable for tests.
class Launcher {
public:
    virtual ~Launcher() = default;
    // Hands Target (a file, folder or URL) to the desktop's default handler.
    virtual int OpenWithDefault(const std::string& Target) = 0;
    // Starts Program (a path) with Args, detached, in Directory (empty: the current one).
    virtual int StartProgram(const std::string& Program, const std::vector<std::string>& Args,
                             const std::string& Directory) = 0;
};

// The real launcher: QProcess::startDetached, xdg-open found on PATH.
std::unique_ptr<Launcher> MakeDesktopLauncher();
// The installed launcher; the desktop one until another is installed.
Launcher& CurrentLauncher();
// Installs Next and hands back the previous launcher.
std::unique_ptr<Launcher> InstallLauncher(std::unique_ptr<Launcher> Next);

}  // namespace shell
