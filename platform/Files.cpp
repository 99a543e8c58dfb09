#include "platform/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>

namespace files {

std::string TempPath() {
    const char* t = std::getenv("TMPDIR");
    std::string p = (t && *t) ? t : "/tmp";
    if (p.back() != '/') p += '/';
    return p;
}

std::string TempFileName(const std::string& Dir, const std::string& Prefix) {
    std::string dir = Dir.empty() ? "." : Dir;
    if (dir.back() != '/') dir += '/';
    const std::string pre = Prefix.substr(0, 3);
    unsigned seed = static_cast<unsigned>(getpid()) * 2654435761u ^ static_cast<unsigned>(std::time(nullptr));
    for (int attempt = 0; attempt < 65535; ++attempt) {
        seed = seed * 1103515245u + 12345u;
        char hex[8];
        std::snprintf(hex, sizeof hex, "%04X", (seed >> 8) & 0xFFFF);
        const std::string path = dir + pre + hex + ".tmp";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST) return "";
    }
    return "";
}

std::string NullDevice() { return "/dev/null"; }

std::string MapDeviceName(const std::string& Name) {
    std::string up;
    for (char c : Name) up += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (up == "NUL" || up == "NUL:") return NullDevice();
    return Name;
}

std::string StateDir() {
    if (const char* h = std::getenv("PELLOW_HOME"); h && *h) {
        std::string p = h;
        while (p.size() > 1 && p.back() == '/') p.pop_back();
        return p;
    }
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) return std::string(x) + "/pellow";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config/pellow";
}

bool PrivateState() {
    const char* h = std::getenv("PELLOW_HOME");
    return h && *h;
}

bool FileExists(const std::string& Path) {
    struct stat st {};
    return ::stat(Path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& Path) {
    struct stat st {};
    return ::stat(Path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const std::string& Path) {
    std::error_code ec;
    std::filesystem::create_directories(Path, ec);
    return DirectoryExists(Path);
}

bool DeleteFile(const std::string& Path) { return ::unlink(Path.c_str()) == 0; }

std::string FolderOfFile(const std::string& Path) {
    const auto slash = Path.rfind('/');
    if (slash == std::string::npos) return "";
    if (slash == 0) return "/";
    return Path.substr(0, slash);
}

bool SameFile(const std::string& A, const std::string& B) {
    struct stat a {}, b {};
    if (::stat(A.c_str(), &a) != 0 || ::stat(B.c_str(), &b) != 0) return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

long long FileSize(const std::string& Path) {
    struct stat st {};
    if (::stat(Path.c_str(), &st) != 0) return -1;
    return static_cast<long long>(st.st_size);
}

bool SetFileDate(const std::string& Path, TDateTime When) {
    const std::time_t t = LocalToTimeT(When);
    if (t == static_cast<std::time_t>(-1)) return false;
    timespec times[2];
    times[0].tv_sec = t;
    times[0].tv_nsec = 0;
    times[1] = times[0];
    return ::utimensat(AT_FDCWD, Path.c_str(), times, 0) == 0;
}

bool GetFileStatus(const std::string& Path, FileStatus& Status) {
    struct stat st {};
    if (::stat(Path.c_str(), &st) != 0) return false;
    Status.created = Status.written = st.st_mtim.tv_sec;
    Status.accessed = st.st_atim.tv_sec;
    Status.size = static_cast<long long>(st.st_size);
    return true;
}

bool SetFileStatus(const std::string& Path, const FileStatus& Status) {
    timespec times[2];
    times[0].tv_sec = Status.accessed;
    times[0].tv_nsec = 0;
    times[1].tv_sec = Status.written;
    times[1].tv_nsec = 0;
    return ::utimensat(AT_FDCWD, Path.c_str(), times, 0) == 0;
}

}  // namespace files
