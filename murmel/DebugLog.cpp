#include "murmel/DebugLog.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>

#include "murmel/MurmelProfile.h"
#include "platform/Files.h"

namespace murmel {

namespace {

std::atomic<bool> g_switch{false};

constexpr std::size_t kWorkerLine = 2999;
constexpr std::size_t kDialogLine = 999;
// How often a writer tries again when the other thread holds the file.
constexpr long kRetries = 1000000;

std::string Format(std::size_t Limit, const char* Fmt, va_list Args) {
    std::string text(Limit + 1, '\0');
    const int n = std::vsnprintf(text.data(), text.size(), Fmt, Args);
    text.resize(n < 0 ? 0 : std::min(static_cast<std::size_t>(n), Limit));
    return text;
}

void WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // the rest of the line is lost
        done += static_cast<std::size_t>(n);
    }
}

// Appends one line. Only a file that the other writer holds is tried again;
// a file that cannot be opened at all drops the line at once.
void Append(const std::string& Path, const std::string& Line, bool Exclusive) {
    if (Path.size() > kMaxPath) return;
    for (long attempt = 0; attempt <= kRetries; ++attempt) {
        const int fd = ::open(Path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd < 0) return;
        if (!Exclusive || ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            WriteAll(fd, Line);
            ::close(fd);
            return;
        }
        ::close(fd);
        sched_yield();
    }
}

}  // namespace

void SetDebugSwitch(bool On) { g_switch = On; }
bool DebugSwitch() { return g_switch; }

std::string DebugLogPath() { return OutputFolder() + "Debug.txt"; }

void InitDebugSwitch() {
    SetDebugSwitch(false);
    const std::string path = DebugLogPath();
    if (path.size() <= kMaxPath && files::FileExists(path)) SetDebugSwitch(true);
}

void DebugLog(const char* Fmt, ...) {
    va_list args;
    va_start(args, Fmt);
    const std::string text = Format(kWorkerLine, Fmt, args);
    va_end(args);
    const std::string line = "---" + text + "\r\n";
    if (DebugSwitch()) Append(DebugLogPath(), line, true);
    else Append(files::NullDevice(), line, false);
}

void DebugLogDialog(const char* Fmt, ...) {
    if (!DebugSwitch()) return;
    va_list args;
    va_start(args, Fmt);
    const std::string text = Format(kDialogLine, Fmt, args);
    va_end(args);
    Append(DebugLogPath(), text + "\r\n", true);
}

}  // namespace murmel
