#include "platform/XdgAutostart.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "platform/Files.h"
#include "platform/Shell.h"
#include "platform/StrUtils.h"
#include "platform/UserDirs.h"

namespace xdgautostart {
namespace {

using registry::THive;

constexpr const char* kMarkKey = "X-Pellow-Run=";

}  // namespace

std::string EscapedValue(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            default: out += c;
        }
    }
    // A leading blank would be taken for the space around "=".
    if (!out.empty() && out.front() == ' ') out.replace(0, 1, "\\s");
    return out;
}

std::string ExecArgument(const std::string& arg, bool quote) {
    static const std::string reserved = " \t\n\"'\\><~|&;$*?#()`";
    if (arg.empty() || arg.find_first_of(reserved) != std::string::npos) quote = true;
    std::string out = quote ? "\"" : "";
    for (char c : arg) {
        if (c == '%') {
            out += "%%";
            continue;
        }
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
        out += c;
    }
    if (quote) out += '"';
    return out;
}

namespace {

bool IsAncestorOrSelf(const std::string& key, const std::string& of) {
    if (key.size() > of.size() || !SameText(of.substr(0, key.size()), key)) return false;
    return key.size() == of.size() || of[key.size()] == '\\';
}

}  // namespace

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

namespace {

std::string Failure(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

}  // namespace

// Readers of the folder (the session starting up) never see half an entry.
bool WriteAtomically(const std::string& path, const std::string& text) {
    const std::string temp = path + ".tmp" + std::to_string(::getpid());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(temp.c_str(), path.c_str()) == 0) return true;
    const int saved = errno;
    ::unlink(temp.c_str());
    errno = saved;
    return false;
}

namespace {

// The entries Hive's Run key stands for: file name -> text.
std::map<std::string, std::string> WantedEntries(THive Hive) {
    std::map<std::string, std::string> wanted;
    registry::TRegistry reg(Hive, registry::TRegAccess::Read);
    if (!reg.OpenKeyReadOnly(std::string("\\") + RunKey)) return wanted;
    for (const std::string& name : reg.GetValueNames()) {
        const auto type = reg.GetDataType(name);
        if (name.empty() || (type != registry::TRegDataType::rdString &&
                             type != registry::TRegDataType::rdExpandString))
            continue;
        const std::string text = EntryText(name, reg.ReadString(name), Hive);
        if (!text.empty()) wanted[EntryFileName(name)] = text;
    }
    return wanted;
}

}  // namespace

std::string Folder(THive Hive) {
    switch (Hive) {
        case THive::HKCU: return userdirs::ConfigHome() + "/autostart";
        case THive::HKLM: return userdirs::FirstConfigDir() + "/autostart";
        case THive::HKCR: break;
    }
    return "";
}

std::string EntryFileName(const std::string& ValueName) {
    std::string out;
    for (std::size_t i = 0; i < ValueName.size(); ++i) {
        const char c = ValueName[i];
        if (c == '%') out += "%25";
        else if (c == '/') out += "%2F";
        else if (c == '.' && i == 0) out += "%2E";
        else out += c;
    }
    return out + ".desktop";
}

std::string ExecLine(const std::string& Data) {
    const std::vector<std::string> args = shell::SplitParameters(Data);
    if (args.empty() || args.front().empty()) return "";
    std::string line;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i > 0) line += ' ';
        line += ExecArgument(args[i], i == 0);
    }
    return EscapedValue(line);
}

std::string EntryText(const std::string& ValueName, const std::string& Data, THive Hive) {
    const std::string exec = ExecLine(Data);
    if (exec.empty()) return "";
    return "[Desktop Entry]\nType=Application\nName=" + EscapedValue(ValueName) + "\nExec=" + exec + "\n" + kMarkKey +
           registry::HiveRootName(Hive) + "\n";
}

bool IsOwnEntry(const std::string& Text, THive Hive) {
    std::istringstream in(Text);
    const std::string mark = kMarkKey + registry::HiveRootName(Hive);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line == mark) return true;
    }
    return false;
}

void Sync(THive Hive) {
    const std::string folder = Folder(Hive);
    if (folder.empty()) return;
    const auto wanted = WantedEntries(Hive);
    std::vector<std::string> failures;
    if (!wanted.empty() && !files::ForceDirectories(folder)) failures.push_back(Failure("cannot make", folder));
    for (const auto& [name, text] : wanted) {
        const std::string path = folder + "/" + name;
        if (files::FileExists(path) && ReadText(path) == text) continue;
        if (!WriteAtomically(path, text)) failures.push_back(Failure("cannot write", path));
    }
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (wanted.count(name) || entry.path().extension() != ".desktop" || !entry.is_regular_file(ec)) continue;
        const std::string path = entry.path().string();
        if (IsOwnEntry(ReadText(path), Hive) && ::unlink(path.c_str()) != 0)
            failures.push_back(Failure("cannot remove", path));
    }
    if (failures.empty()) return;
    std::string message = "Autostart entries not in step with the registry:";
    for (const std::string& f : failures) message += " " + f + ";";
    message.pop_back();
    throw std::runtime_error(message);
}

void OnRegistryChange(const registry::TRegChange& Change) {
    if (Change.Hive == THive::HKCR) return;
    const bool concerned = Change.Kind == registry::TRegChange::ValueWritten ||
                                   Change.Kind == registry::TRegChange::ValueDeleted
                               ? SameText(Change.Key, RunKey)
                               : IsAncestorOrSelf(Change.Key, RunKey);
    if (concerned) Sync(Change.Hive);
}

}  // namespace xdgautostart
