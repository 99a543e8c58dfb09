#include "platform/UserDirs.h"

#include <cstdlib>
#include <fstream>

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

std::string FirstConfigDir() {
    const char* x = std::getenv("XDG_CONFIG_DIRS");
    const std::string dirs = x ? x : "";
    std::size_t at = 0;
    while (at < dirs.size()) {
        std::size_t colon = dirs.find(':', at);
        if (colon == std::string::npos) colon = dirs.size();
        std::string dir = dirs.substr(at, colon - at);
        // Relative entries are not valid there and are skipped.
        if (!dir.empty() && dir.front() == '/') {
            while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
            return dir;
        }
        at = colon + 1;
    }
    return "/etc/xdg";
}

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
