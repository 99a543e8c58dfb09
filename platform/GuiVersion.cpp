#include "platform/GuiVersion.h"

#include <QtGlobal>
#include <cstdlib>
#include <mutex>

namespace guiversion {
namespace {

std::mutex g_lock;
std::optional<uint32_t> g_injected;
std::optional<uint32_t> g_cached;

// Reads a decimal number below 65536 at Pos; false when there is none.
bool ReadPart(const std::string& Text, std::size_t& Pos, uint32_t& Value) {
    const std::size_t start = Pos;
    Value = 0;
    while (Pos < Text.size() && Text[Pos] >= '0' && Text[Pos] <= '9') {
        Value = Value * 10 + static_cast<uint32_t>(Text[Pos] - '0');
        if (Value > 0xFFFF) return false;
        ++Pos;
    }
    return Pos > start;
}

uint32_t AskLibrary() {
    const char* injected = std::getenv("PELLOW_GUI_VERSION");
    if (injected && *injected) return ParseVersion(injected);
    const char* running = qVersion();
    return running ? ParseVersion(running) : 0;
}

}  // namespace

uint32_t ParseVersion(const std::string& Text) {
    std::size_t pos = 0;
    uint32_t major = 0;
    uint32_t minor = 0;
    if (!ReadPart(Text, pos, major) || pos >= Text.size() || Text[pos] != '.') return 0;
    ++pos;
    if (!ReadPart(Text, pos, minor)) return 0;
    if (pos < Text.size() && Text[pos] != '.') return 0;
    return major * 65536 + minor;
}

uint32_t GuiLibraryVersion() {
    std::lock_guard<std::mutex> lock(g_lock);
    if (g_injected) return *g_injected;
    if (!g_cached) g_cached = AskLibrary();
    return *g_cached;
}

void SetVersionForTest(std::optional<uint32_t> Version) {
    std::lock_guard<std::mutex> lock(g_lock);
    g_injected = Version;
    g_cached.reset();
}

}  // namespace guiversion
