#include "platform/UserDirs.h"

#include <cstdlib>
#include <fstream>
#include <vector>

namespace userdirs {

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    std::string h = home && *home ? home : ".";
    while (h.size() > 1 && h.back() == '/') h.pop_back();
    return h;
}

std::string ConfigHome() {
    const char* x = std::getenv("XDG_CONFIG_HOME");
    return x && *x == '/' ? std::string(x) : HomeFolder() + "/.config";
}

namespace {

// The absolute folders of a colon-separated list, without trailing "/";
// relative entries are not valid there and are skipped. Fallback when none.
std::vector<std::string> FolderList(const char* Variable, const std::string& Fallback) {
    const char* x = std::getenv(Variable);
    const std::string dirs = x ? x : "";
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < dirs.size()) {
        std::size_t colon = dirs.find(':', at);
        if (colon == std::string::npos) colon = dirs.size();
        std::string dir = dirs.substr(at, colon - at);
        if (!dir.empty() && dir.front() == '/') {
            while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
            out.push_back(dir);
        }
        at = colon + 1;
    }
    if (out.empty()) {
        for (std::size_t from = 0; from < Fallback.size();) {
            std::size_t colon = Fallback.find(':', from);
            if (colon == std::string::npos) colon = Fallback.size();
            out.push_back(Fallback.substr(from, colon - from));
            from = colon + 1;
        }
    }
    return out;
}

}  // namespace

std::vector<std::string> ConfigDirs() { return FolderList("XDG_CONFIG_DIRS", "/etc/xdg"); }

std::string FirstConfigDir() { return ConfigDirs().front(); }

std::string DataHome() {
    const char* x = std::getenv("XDG_DATA_HOME");
    return x && *x == '/' ? std::string(x) : HomeFolder() + "/.local/share";
}

std::vector<std::string> DataDirs() { return FolderList("XDG_DATA_DIRS", "/usr/local/share:/usr/share"); }

namespace {

// XDG_DESKTOP_DIR="$HOME/Desktop": the quoted value with $HOME expanded, as
// the user-dirs tools write it.
std::string DesktopEntry() {
    std::ifstream in(ConfigHome() + "/user-dirs.dirs");
    for (std::string line; std::getline(in, line);) {
        const std::string key = "XDG_DESKTOP_DIR=";
        if (line.compare(0, key.size(), key) != 0) continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        if (value.compare(0, 5, "$HOME") == 0) value = HomeFolder() + value.substr(5);
        if (value.empty() || value.front() != '/') return "";
        while (value.size() > 1 && value.back() == '/') value.pop_back();
        return value;
    }
    return "";
}

}  // namespace

std::string DesktopFolder() {
    const std::string d = DesktopEntry();
    return d.empty() ? HomeFolder() : d;
}

}  // namespace userdirs
