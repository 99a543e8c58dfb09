#include "platform/Keyboard.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "platform/App.h"

namespace keyboard {
namespace {

const char* const kDefaultLedFolder = "/sys/class/leds";

std::mutex g_lock;
std::string g_ledFolder = kDefaultLedFolder;

// The kernel names keyboard LEDs "<device>::capslock" and so on.
const char* LedSuffix(LockKey Key) {
    switch (Key) {
        case LockKey::Caps: return "::capslock";
        case LockKey::Num: return "::numlock";
        case LockKey::Scroll: return "::scrolllock";
    }
    return "";
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool LedLit(const std::filesystem::path& entry) {
    std::ifstream in(entry / "brightness");
    long brightness = 0;
    return in >> brightness && brightness > 0;
}

}  // namespace

void SetLedFolder(const std::string& Folder) {
    std::lock_guard<std::mutex> lock(g_lock);
    g_ledFolder = Folder.empty() ? kDefaultLedFolder : Folder;
}

std::string LedFolder() {
    std::lock_guard<std::mutex> lock(g_lock);
    return g_ledFolder;
}

bool LockKeyOn(LockKey Key) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::directory_iterator it(LedFolder(), ec);
    if (ec) return false;
    const std::string suffix = LedSuffix(Key);
    for (const fs::directory_entry& entry : it) {
        if (EndsWith(entry.path().filename().string(), suffix) && LedLit(entry.path())) return true;
    }
    return false;
}

std::string LibraryPath(const std::string& Name) { return app::LibraryPath(Name); }

}  // namespace keyboard
