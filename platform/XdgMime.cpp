#include "platform/XdgMime.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>

#include "platform/Files.h"
#include "platform/Shell.h"
#include "platform/StrUtils.h"
#include "platform/UserDirs.h"
#include "platform/XdgAutostart.h"

extern char** environ;

namespace xdgmime {
namespace {

using registry::THive;
using xdgautostart::EscapedValue;
using xdgautostart::ExecArgument;
using xdgautostart::ReadText;
using xdgautostart::WriteAtomically;

constexpr const char* kDefaultsSection = "[Default Applications]";

bool IsFile(const std::string& path) { return files::FileExists(path) && !files::DirectoryExists(path); }

// The default (unnamed) text value of a key of HKCR; "" when there is none.
std::string DefaultText(const std::string& key) {
    registry::TRegistry reg(THive::HKCR, registry::TRegAccess::Read);
    if (!reg.OpenKeyReadOnly("\\" + key)) return "";
    const auto type = reg.GetDataType("");
    if (type != registry::TRegDataType::rdString && type != registry::TRegDataType::rdExpandString) return "";
    return reg.ReadString("");
}

bool KeyExists(const std::string& key) {
    registry::TRegistry reg(THive::HKCR, registry::TRegAccess::Read);
    return reg.KeyExists("\\" + key);
}

std::vector<std::string> RootKeys() {
    registry::TRegistry reg(THive::HKCR, registry::TRegAccess::Read);
    if (!reg.OpenKeyReadOnly("\\")) return {};
    return reg.GetKeyNames();
}

std::vector<std::string> Split(const std::string& text, char by) {
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t end = text.find(by, at);
        if (end == std::string::npos) end = text.size();
        out.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return out;
}

std::string ApplicationsFolder() { return userdirs::DataHome() + "/applications"; }

bool Installed(const std::string& id) {
    if (id.empty()) return false;
    if (IsFile(ApplicationsFolder() + "/" + id)) return true;
    for (const std::string& dir : userdirs::DataDirs())
        if (IsFile(dir + "/applications/" + id)) return true;
    return false;
}

// The mimeapps.list files in the order the desktop reads them.
std::vector<std::string> MimeAppsLists() {
    std::vector<std::string> folders{userdirs::ConfigHome()};
    for (const std::string& d : userdirs::ConfigDirs()) folders.push_back(d);
    folders.push_back(ApplicationsFolder());
    for (const std::string& d : userdirs::DataDirs()) folders.push_back(d + "/applications");
    std::vector<std::string> desktops;
    if (const char* current = std::getenv("XDG_CURRENT_DESKTOP"))
        for (const std::string& d : Split(current, ':'))
            if (!d.empty()) desktops.push_back(LowerCase(d));
    std::vector<std::string> lists;
    for (const std::string& folder : folders) {
        for (const std::string& d : desktops) lists.push_back(folder + "/" + d + "-mimeapps.list");
        lists.push_back(folder + "/mimeapps.list");
    }
    return lists;
}

// The IDs a mimeapps.list names as MimeType's default applications.
std::vector<std::string> DefaultsIn(const std::string& text, const std::string& mimeType) {
    std::istringstream in(text);
    bool inDefaults = false;
    for (std::string line; std::getline(in, line);) {
        line = Trim(line);
        if (!line.empty() && line.front() == '[') {
            inDefaults = line == kDefaultsSection;
            continue;
        }
        const std::size_t eq = line.find('=');
        if (!inDefaults || eq == std::string::npos || Trim(line.substr(0, eq)) != mimeType) continue;
        std::vector<std::string> ids;
        for (const std::string& id : Split(line.substr(eq + 1), ';'))
            if (!Trim(id).empty()) ids.push_back(Trim(id));
        return ids;
    }
    return {};
}

// Runs the shared MIME database's builder over the user's MIME folder.
bool UpdateDatabase(const std::string& folder) {
    const char* argv[] = {"update-mime-database", folder.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Writes Text to Path when it holds something else; Failures gets what failed.
void Put(const std::string& path, const std::string& text, std::vector<std::string>& failures, bool* changed = nullptr) {
    if (changed) *changed = false;
    if (IsFile(path) && ReadText(path) == text) return;
    const std::string folder = path.substr(0, path.rfind('/'));
    if (!files::ForceDirectories(folder) || !WriteAtomically(path, text)) {
        failures.push_back("cannot write " + path + ": " + std::strerror(errno));
        return;
    }
    if (changed) *changed = true;
}

}  // namespace

const std::vector<TMimeExtension>& MimeExtensions() {
    static const std::vector<TMimeExtension> table{{".gsm", "audio/x-gsm", "GSM 06.10 audio"}};
    return table;
}

std::string DesktopFileId(const std::string& FileType) {
    std::string id = "pellow-";
    for (char c : FileType) {
        const auto u = static_cast<unsigned char>(c);
        id += std::isalnum(u) || c == '_' ? static_cast<char>(std::tolower(u)) : '-';
    }
    return id + ".desktop";
}

std::vector<std::string> SplitCommand(const std::string& Command) {
    const std::size_t start = Command.find_first_not_of(" \t");
    if (start == std::string::npos) return {};
    std::string program;
    std::string rest;
    if (Command[start] == '"') {
        const std::size_t close = Command.find('"', start + 1);
        program = Command.substr(start + 1, close == std::string::npos ? std::string::npos : close - start - 1);
        rest = close == std::string::npos ? "" : Command.substr(close + 1);
    } else {
        // The longest run of words that names a file, as the shell looks for
        // a program whose path has blanks and no quotes.
        std::size_t end = Command.size();
        for (;;) {
            const std::string candidate = Trim(Command.substr(start, end - start));
            if (IsFile(candidate)) {
                program = candidate;
                break;
            }
            const std::size_t blank = Command.find_last_of(" \t", end - 1);
            if (blank == std::string::npos || blank < start) break;
            end = Command.find_last_not_of(" \t", blank);
            if (end == std::string::npos || end < start) break;
            ++end;
        }
        if (program.empty()) {
            end = Command.find_first_of(" \t", start);
            if (end == std::string::npos) end = Command.size();
            program = Command.substr(start, end - start);
        } else {
            end = start + program.size();
        }
        rest = Command.substr(end);
    }
    std::vector<std::string> parts{program};
    for (const std::string& arg : shell::SplitParameters(rest)) parts.push_back(arg);
    return parts;
}

std::string ExecLine(const std::string& Command) {
    const std::vector<std::string> parts = SplitCommand(Command);
    if (parts.empty() || parts.front().empty()) return "";
    std::string line = ExecArgument(parts.front(), true);
    for (std::size_t i = 1; i < parts.size(); ++i) line += " " + (parts[i] == "%1" ? "%f" : ExecArgument(parts[i], false));
    return EscapedValue(line);
}

std::string ProgramName(const std::string& Command) {
    const std::vector<std::string> parts = SplitCommand(Command);
    if (parts.empty()) return "";
    std::string name = parts.front().substr(parts.front().find_last_of('/') + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    if (!name.empty()) name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    return name;
}

std::string EntryText(const std::string& Description, const std::string& Command,
                      const std::vector<std::string>& MimeTypes) {
    const std::string exec = ExecLine(Command);
    if (exec.empty()) return "";
    std::string text = "[Desktop Entry]\nType=Application\nName=" + EscapedValue(ProgramName(Command)) + "\n";
    if (!Description.empty()) text += "Comment=" + EscapedValue(Description) + "\n";
    text += "Exec=" + exec + "\nNoDisplay=true\n";
    if (!MimeTypes.empty()) {
        text += "MimeType=";
        for (const std::string& m : MimeTypes) text += m + ";";
        text += "\n";
    }
    return text;
}

std::string PackageText(const TMimeExtension& Extension) {
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                       "  <mime-type type=\"") +
           Extension.mimeType + "\">\n    <comment>" + Extension.comment + "</comment>\n    <glob pattern=\"*" +
           Extension.extension + "\"/>\n  </mime-type>\n</mime-info>\n";
}

std::string ChosenDefault(const std::string& MimeType) {
    for (const std::string& list : MimeAppsLists()) {
        if (!IsFile(list)) continue;
        for (const std::string& id : DefaultsIn(ReadText(list), MimeType))
            if (Installed(id)) return id;
    }
    return "";
}

std::string WithDefault(const std::string& MimeApps, const std::string& MimeType, const std::string& Id) {
    std::vector<std::string> lines = Split(MimeApps, '\n');
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    const std::string entry = MimeType + "=" + Id;
    std::size_t section = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (Trim(lines[i]) == kDefaultsSection) section = i;
    if (section == lines.size()) {
        if (!lines.empty() && !Trim(lines.back()).empty()) lines.push_back("");
        lines.push_back(kDefaultsSection);
        lines.push_back(entry);
    } else {
        std::size_t end = section + 1;
        bool replaced = false;
        for (; end < lines.size(); ++end) {
            const std::string line = Trim(lines[end]);
            if (!line.empty() && line.front() == '[') break;
            const std::size_t eq = line.find('=');
            if (eq != std::string::npos && Trim(line.substr(0, eq)) == MimeType) {
                lines[end] = entry;
                replaced = true;
            }
        }
        if (!replaced) {
            std::size_t at = end;
            while (at > section + 1 && Trim(lines[at - 1]).empty()) --at;
            lines.insert(lines.begin() + static_cast<long>(at), entry);
        }
    }
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
    return out;
}

void Sync() {
    std::vector<std::string> failures;
    const std::vector<std::string> keys = RootKeys();
    // The file type each known extension names, as its key is stored.
    std::vector<std::string> typeOf(MimeExtensions().size());
    for (std::size_t e = 0; e < MimeExtensions().size(); ++e) {
        const std::string named = DefaultText(MimeExtensions()[e].extension);
        for (const std::string& k : keys)
            if (!named.empty() && SameText(k, named)) typeOf[e] = k;
    }
    std::vector<bool> hasEntry(MimeExtensions().size(), false);
    for (const std::string& key : keys) {
        if (key.empty() || key.front() == '.') continue;
        const std::string command = DefaultText(key + "\\shell\\open\\command");
        std::vector<std::string> mimeTypes;
        for (std::size_t e = 0; e < MimeExtensions().size(); ++e)
            if (typeOf[e] == key) mimeTypes.push_back(MimeExtensions()[e].mimeType);
        const std::string text = EntryText(DefaultText(key), command, mimeTypes);
        if (text.empty()) continue;
        Put(ApplicationsFolder() + "/" + DesktopFileId(key), text, failures);
        for (std::size_t e = 0; e < MimeExtensions().size(); ++e)
            if (typeOf[e] == key) hasEntry[e] = true;
    }
    for (std::size_t e = 0; e < MimeExtensions().size(); ++e) {
        const TMimeExtension& ext = MimeExtensions()[e];
        if (!KeyExists(ext.extension)) continue;
        const std::string mimeFolder = userdirs::DataHome() + "/mime";
        std::string package = ext.mimeType;
        for (char& c : package)
            if (c == '/') c = '-';
        bool changed = false;
        Put(mimeFolder + "/packages/pellow-" + package + ".xml", PackageText(ext), failures, &changed);
        if ((changed || !IsFile(mimeFolder + "/mime.cache")) && !UpdateDatabase(mimeFolder))
            failures.push_back("cannot update the MIME database in " + mimeFolder);
        if (!hasEntry[e]) continue;
        const std::string id = DesktopFileId(typeOf[e]);
        const std::string chosen = ChosenDefault(ext.mimeType);
        if (!chosen.empty() && chosen != id) continue;
        const std::string list = userdirs::ConfigHome() + "/mimeapps.list";
        const std::string old = IsFile(list) ? ReadText(list) : "";
        const std::vector<std::string> ids = DefaultsIn(old, ext.mimeType);
        if (!ids.empty() && ids.front() == id) continue;
        Put(list, WithDefault(old, ext.mimeType, id), failures);
    }
    if (failures.empty()) return;
    std::string message = "File associations not in step with the registry:";
    for (const std::string& f : failures) message += " " + f + ";";
    message.pop_back();
    throw std::runtime_error(message);
}

void OnRegistryChange(const registry::TRegChange& Change) {
    if (Change.Hive == THive::HKCR) Sync();
}

}  // namespace xdgmime
