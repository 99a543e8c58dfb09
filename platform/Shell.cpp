#include "platform/Shell.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <QStringList>
#include <cerrno>
#include <cstdlib>
#include <mutex>

#include "platform/App.h"
#include "platform/Files.h"
#include "platform/StrUtils.h"

namespace shell {
namespace {

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

bool IsSchemeChar(char c, bool first) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (first) return letter;
    return letter || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// "https://...", "mailto:...": a scheme of two or more characters, then ":".
bool IsUrl(const std::string& File) {
    const std::size_t colon = File.find(':');
    if (colon == std::string::npos || colon < 2) return false;
    for (std::size_t i = 0; i < colon; ++i)
        if (!IsSchemeChar(File[i], i == 0)) return false;
    return true;
}

bool EndsWithExe(const std::string& Name) {
    return Name.size() > 4 && SameText(Name.substr(Name.size() - 4), ".exe");
}

std::string WithoutExe(const std::string& Name) { return EndsWithExe(Name) ? Name.substr(0, Name.size() - 4) : Name; }

std::string ParentFolder(const std::string& Path) {
    const std::size_t slash = Path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : Path.substr(0, slash);
}

int MissingFileResult(const std::string& Path, int Errno) {
    if (Errno == EACCES) return ErrAccessDenied;
    if (Errno == ENOMEM) return ErrOutOfMemory;
    return files::DirectoryExists(ParentFolder(Path)) ? ErrFileNotFound : ErrPathNotFound;
}

int ExecutePath(const std::string& Path, const std::string& Parameters, const std::string& Directory) {
    std::string target = Path;
    struct stat st{};
    if (stat(target.c_str(), &st) != 0) {
        const int firstErrno = errno;
        target = WithoutExe(Path);
        if (target == Path || stat(target.c_str(), &st) != 0) return MissingFileResult(Path, firstErrno);
    }
    if (S_ISREG(st.st_mode) && (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH))) {
        if (access(target.c_str(), X_OK) != 0) return ErrAccessDenied;
        return CurrentLauncher().StartProgram(target, SplitParameters(Parameters), Directory);
    }
    return CurrentLauncher().OpenWithDefault(target);
}

int ExecuteByName(const std::string& Name, const std::string& Parameters, const std::string& Directory) {
    std::string program = FindOnPath(Name);
    if (program.empty() && EndsWithExe(Name)) program = FindOnPath(WithoutExe(Name));
    if (program.empty()) return ErrFileNotFound;
    return CurrentLauncher().StartProgram(program, SplitParameters(Parameters), Directory);
}

// The text editor is whatever the desktop opens the file with.
int OpenInTextEditor(const std::string& Parameters) {
    const auto args = SplitParameters(Parameters);
    if (args.empty()) return ErrNoAssociation;
    return CurrentLauncher().OpenWithDefault(args.front());
}

class DesktopLauncher : public Launcher {
public:
    int OpenWithDefault(const std::string& Target) override {
        const std::string opener = FindOnPath("xdg-open");
        if (opener.empty()) return ErrNoAssociation;
        return StartProgram(opener, {Target}, "");
    }

    int StartProgram(const std::string& Program, const std::vector<std::string>& Args,
                     const std::string& Directory) override {
        if (!Directory.empty() && !files::DirectoryExists(Directory)) return ErrPathNotFound;
        QStringList arguments;
        for (const auto& a : Args) arguments << Q(a);
        QProcess process;
        process.setProgram(Q(Program));
        process.setArguments(arguments);
        if (!Directory.empty()) process.setWorkingDirectory(Q(Directory));
        return process.startDetached() ? Started : ErrBadFormat;
    }
};

std::mutex g_lock;
std::unique_ptr<Launcher>& Slot() {
    static std::unique_ptr<Launcher> current;
    return current;
}

}  // namespace

bool IsExecutableFile(const std::string& Path) {
    struct stat st{};
    return stat(Path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(Path.c_str(), X_OK) == 0;
}

std::string FindOnPath(const std::string& Name) {
    const char* env = std::getenv("PATH");
    const std::string path = env ? env : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(':', start);
        if (end == std::string::npos) end = path.size();
        const std::string dir = end > start ? path.substr(start, end - start) : ".";
        const std::string candidate = dir + "/" + Name;
        if (IsExecutableFile(candidate)) return candidate;
        start = end + 1;
    }
    return "";
}

std::vector<std::string> SplitParameters(const std::string& Parameters) {
    std::vector<std::string> args;
    std::string arg;
    bool inArg = false;
    bool quoted = false;
    std::size_t i = 0;
    while (i < Parameters.size()) {
        const char c = Parameters[i];
        if (c == '\\') {
            std::size_t end = Parameters.find_first_not_of('\\', i);
            if (end == std::string::npos) end = Parameters.size();
            const std::size_t count = end - i;
            const bool beforeQuote = end < Parameters.size() && Parameters[end] == '"';
            // Before a quote, pairs of backslashes are one each and an odd one
            // makes the quote literal; anywhere else backslashes are plain.
            arg.append(beforeQuote ? count / 2 : count, '\\');
            i = end;
            if (beforeQuote && count % 2 == 1) {
                arg += '"';
                ++i;
            }
            inArg = true;
        } else if (c == '"') {
            if (quoted && i + 1 < Parameters.size() && Parameters[i + 1] == '"') {
                arg += '"';
                i += 2;
            } else {
                quoted = !quoted;
                ++i;
            }
            inArg = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inArg) args.push_back(arg);
            arg.clear();
            inArg = false;
            ++i;
        } else {
            arg += c;
            inArg = true;
            ++i;
        }
    }
    if (inArg) args.push_back(arg);
    return args;
}

std::string SiblingProgram(const std::string& FileName) {
    const std::string folder = app::ProgramFolder();
    return (folder.ends_with('/') ? folder : folder + "/") + WithoutExe(FileName);
}

int Execute(const std::string& File, const std::string& Parameters, const std::string& Directory) {
    if (File.empty()) return ErrFileNotFound;
    if (SameText(File, "notepad.exe") || SameText(File, "notepad")) return OpenInTextEditor(Parameters);
    if (IsUrl(File)) return CurrentLauncher().OpenWithDefault(File);
    if (File.find('/') != std::string::npos) return ExecutePath(File, Parameters, Directory);
    return ExecuteByName(File, Parameters, Directory);
}

std::unique_ptr<Launcher> MakeDesktopLauncher() { return std::make_unique<DesktopLauncher>(); }

Launcher& CurrentLauncher() {
    std::lock_guard<std::mutex> lock(g_lock);
    auto& slot = Slot();
    if (!slot) slot = MakeDesktopLauncher();
    return *slot;
}

std::unique_ptr<Launcher> InstallLauncher(std::unique_ptr<Launcher> Next) {
    std::lock_guard<std::mutex> lock(g_lock);
    auto previous = std::move(Slot());
    Slot() = std::move(Next);
    return previous;
}

}  // namespace shell
