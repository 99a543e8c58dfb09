#include "platform/Ole.h"

#include <cstdlib>

namespace ole {

namespace {

bool Set(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

// One platform name, its arguments after a colon left off.
bool Reachable(std::string platform) {
    platform = platform.substr(0, platform.find(':'));
    if (platform == "xcb") return Set("DISPLAY");
    if (platform.rfind("wayland", 0) == 0) return Set("WAYLAND_DISPLAY");
    return !platform.empty();
}

}  // namespace

bool Initialize() {
    const char* named = std::getenv("QT_QPA_PLATFORM");
    if (!named || !*named) return Set("WAYLAND_DISPLAY") || Set("DISPLAY");
    // A list separated by ";" is tried in order until one starts.
    const std::string list = named;
    for (std::size_t at = 0;;) {
        const std::size_t end = list.find(';', at);
        if (Reachable(list.substr(at, end == std::string::npos ? std::string::npos : end - at))) return true;
        if (end == std::string::npos) return false;
        at = end + 1;
    }
}

}  // namespace ole
