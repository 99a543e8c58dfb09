#include "tools/modemsim/SimPty.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace modemsim {

namespace {

[[noreturn]] void Fail(const std::string& What) {
    throw std::runtime_error(What + ": " + std::strerror(errno));
}

void MakeRaw(int Fd) {
    termios t{};
    if (tcgetattr(Fd, &t) != 0) Fail("tcgetattr");
    cfmakeraw(&t);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    if (tcsetattr(Fd, TCSANOW, &t) != 0) Fail("tcsetattr");
}

// Points LinkPath at Target in one step, so a client never sees the link
// missing or half made.
void PlaceLink(const std::string& Target, const std::string& LinkPath) {
    namespace fs = std::filesystem;
    fs::path link(LinkPath);
    std::error_code ec;
    if (link.has_parent_path()) fs::create_directories(link.parent_path(), ec);
    auto status = fs::symlink_status(link, ec);
    if (!ec && fs::exists(status) && !fs::is_symlink(status))
        throw std::runtime_error(LinkPath + " exists and is not a symbolic link");
    std::string temp = LinkPath + ".modemsim-" + std::to_string(getpid());
    ::unlink(temp.c_str());
    if (::symlink(Target.c_str(), temp.c_str()) != 0) Fail("symlink " + temp);
    if (::rename(temp.c_str(), LinkPath.c_str()) != 0) {
        int saved = errno;
        ::unlink(temp.c_str());
        errno = saved;
        Fail("rename to " + LinkPath);
    }
}

}  // namespace

PtyLine::PtyLine(const std::string& LinkPath) : link_(LinkPath) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) Fail("posix_openpt");
    try {
        if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) Fail("grantpt/unlockpt");
        char name[128];
        if (::ptsname_r(master_, name, sizeof name) != 0) Fail("ptsname_r");
        slaveName_ = name;
        slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (slave_ < 0) Fail("open " + slaveName_);
        MakeRaw(slave_);
        int flags = ::fcntl(master_, F_GETFL);
        if (flags < 0 || ::fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) Fail("fcntl");
        PlaceLink(slaveName_, link_);
        linked_ = true;
    } catch (...) {
        if (slave_ >= 0) ::close(slave_);
        ::close(master_);
        throw;
    }
}

PtyLine::~PtyLine() {
    if (linked_) {
        // Another simulator may have taken the name over since; leave its link alone.
        char target[256];
        ssize_t n = ::readlink(link_.c_str(), target, sizeof target - 1);
        if (n >= 0 && std::string(target, static_cast<std::size_t>(n)) == slaveName_) ::unlink(link_.c_str());
    }
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
}

std::size_t PtyLine::Unread() const {
    int waiting = 0;
    if (::ioctl(slave_, FIONREAD, &waiting) != 0 || waiting < 0) return 0;
    return static_cast<std::size_t>(waiting);
}

}  // namespace modemsim
