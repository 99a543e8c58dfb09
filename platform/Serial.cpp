#include "platform/Serial.h"

// The kernel's termios2 (for any line speed) instead of the C library's
// termios, which cannot be included beside it.
#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/Files.h"
#include "platform/StrUtils.h"

namespace serial {
namespace {

using Clock = std::chrono::steady_clock;

int MsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 0x7FFFFFFF));
}

// Waits without any file, so a dead device cannot make a caller's loop spin.
void Sleep(int ms) {
    if (ms > 0) ::poll(nullptr, 0, ms);
}

Clock::time_point Deadline(uint32_t multiplier, uint32_t constant, std::size_t count, bool& limited) {
    constexpr unsigned long long kLongest = 0x7FFFFFFF;
    const unsigned long long perByte =
        count > 0 && multiplier > kLongest / count ? kLongest : static_cast<unsigned long long>(multiplier) * count;
    const unsigned long long ms = std::min(perByte + constant, kLongest);
    limited = ms > 0;
    return Clock::now() + std::chrono::milliseconds(ms);
}

tcflag_t SizeFlag(int dataBits) {
    switch (dataBits) {
        case 5: return CS5;
        case 6: return CS6;
        case 7: return CS7;
        default: return CS8;
    }
}

tcflag_t ParityFlags(Parity parity) {
    switch (parity) {
        case Parity::Odd: return PARENB | PARODD;
        case Parity::Even: return PARENB;
        case Parity::Mark: return PARENB | CMSPAR | PARODD;
        case Parity::Space: return PARENB | CMSPAR;
        case Parity::None: break;
    }
    return 0;
}

termios2 MakeTermios(const termios2& current, const LineSettings& s) {
    const TerminalFlags f = MakeTerminalFlags(s);
    termios2 t = current;
    t.c_iflag = f.iflag;
    t.c_oflag = f.oflag;
    t.c_cflag = f.cflag;
    t.c_lflag = f.lflag;
    t.c_ispeed = t.c_ospeed = f.speed;
    std::memset(t.c_cc, 0, sizeof t.c_cc);
    // One byte at least per read, so that with the non-blocking descriptor
    // "nothing there" is EAGAIN and a read of 0 means the line hung up.
    t.c_cc[VMIN] = 1;
    t.c_cc[VSTART] = f.startChar;
    t.c_cc[VSTOP] = f.stopChar;
    return t;
}

// A device that does not have modem lines (a pseudo-terminal) says so with
// these; it is not a failure.
bool NoModemLines(int err) { return err == ENOTTY || err == EINVAL; }

// Pseudo-terminal slaves have these device majors.
bool IsPseudoTerminal(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    const unsigned major = ::major(st.st_rdev);
    return major >= 136 && major <= 143;
}

class TtyPort : public Port {
public:
    explicit TtyPort(int fd) : fd_(fd), pseudo_(IsPseudoTerminal(fd)) {}
    ~TtyPort() override { Close(); }
    TtyPort(const TtyPort&) = delete;
    TtyPort& operator=(const TtyPort&) = delete;

    bool ApplySettings(const LineSettings& s) override {
        if (fd_ < 0 || s.dataBits < 5 || s.dataBits > 8 || s.baudRate == 0) return false;
        termios2 t{};
        if (::ioctl(fd_, TCGETS2, &t) != 0) return false;
        const termios2 wanted = MakeTermios(t, s);
        if (::ioctl(fd_, TCSETS2, &wanted) != 0) return false;
        termios2 got{};
        if (::ioctl(fd_, TCGETS2, &got) != 0 || !SpeedClose(got.c_ospeed, s.baudRate)) return false;
        return SetLine(TIOCM_DTR, s.dtrOn) && SetLine(TIOCM_RTS, s.rts != LineControl::Off);
    }

    bool SetupQueues(uint32_t inSize, uint32_t outSize) override {
        return fd_ >= 0 && inSize > 0 && outSize > 0;
    }

    bool SetTimeouts(const Timeouts& timeouts) override {
        if (fd_ < 0) return false;
        timeouts_ = timeouts;
        return true;
    }

    bool Purge(bool input, bool output) override {
        if (fd_ < 0) return false;
        // A pseudo-terminal has no line that bytes wait for: what was written
        // has been sent, as a real port at its speed would have sent it by the
        // next command. Flushing it would take back a command the peer has
        // not read yet.
        if (pseudo_) output = false;
        if (!input && !output) return true;
        const int which = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
        return ::ioctl(fd_, TCFLSH, which) == 0;
    }

    bool QueueCounts(uint32_t& input, uint32_t& output) override {
        int in = 0, out = 0;
        if (fd_ < 0) return false;
        if (::ioctl(fd_, FIONREAD, &in) != 0 || ::ioctl(fd_, TIOCOUTQ, &out) != 0) {
            NoteFailure(errno);
            return false;
        }
        input = static_cast<uint32_t>(std::max(in, 0));
        output = static_cast<uint32_t>(std::max(out, 0));
        return true;
    }

    bool ModemStatus(uint8_t& lines) override {
        lines = 0;
        if (fd_ < 0) return false;
        int bits = 0;
        if (::ioctl(fd_, TIOCMGET, &bits) != 0) return NoModemLines(errno);
        if (bits & TIOCM_CTS) lines |= LineCts;
        if (bits & TIOCM_DSR) lines |= LineDsr;
        if (bits & TIOCM_RNG) lines |= LineRing;
        if (bits & TIOCM_CAR) lines |= LineDcd;
        return true;
    }

    bool Read(void* buffer, std::size_t count, std::size_t& got) override;
    bool Write(const void* data, std::size_t count, std::size_t& written) override;

    bool WaitReadable(int ms) override { return WaitFor(POLLIN, ms); }
    bool WaitWritable(int ms) override { return WaitFor(POLLOUT, ms); }

    // A hang-up shows in poll() at once and for ever, so a look without
    // waiting tells also between calls that the device is gone.
    bool Lost() override {
        if (!lost_ && fd_ >= 0) {
            pollfd p{fd_, 0, 0};
            if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) lost_ = true;
        }
        return lost_;
    }

    void Close() override {
        if (fd_ < 0) return;
        ::ioctl(fd_, TIOCNXCL);
        ::close(fd_);
        fd_ = -1;
    }

private:
    static bool SpeedClose(uint32_t got, uint32_t wanted) {
        const uint64_t diff = got > wanted ? got - wanted : wanted - got;
        return diff * 100 <= static_cast<uint64_t>(wanted) * 3;
    }

    bool SetLine(int bit, bool on) {
        if (::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit) == 0) return true;
        return NoModemLines(errno);
    }

    uint32_t InputWaiting() const {
        int in = 0;
        return ::ioctl(fd_, FIONREAD, &in) == 0 && in > 0 ? static_cast<uint32_t>(in) : 0;
    }

    // Errors that mean the device is gone rather than that one call failed.
    void NoteFailure(int err) {
        if (err == EIO || err == ENXIO || err == ENODEV || err == EBADF) lost_ = true;
    }

    // Waits for Events on the device. A device that has hung up reports so
    // at once and for ever (and as readable and writable, though nothing
    // comes or goes): the wait ends there, and Lost() says why.
    bool WaitFor(short events, int ms) {
        if (fd_ < 0) {
            Sleep(ms);
            return false;
        }
        if (lost_) return false;
        const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(ms, 0));
        for (;;) {
            pollfd p{fd_, events, 0};
            const int r = ::poll(&p, 1, MsUntil(deadline));
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) return false;
            if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
                lost_ = true;
                return false;
            }
            const bool input = events == POLLIN && InputWaiting() > 0;
            if (input) return true;
            if (events == POLLOUT && (p.revents & POLLOUT)) return true;
            // Readable without bytes counted yet: give the line discipline a moment.
            Sleep(std::min(1, MsUntil(deadline)));
            if (MsUntil(deadline) == 0) return false;
        }
    }

    int fd_;
    bool pseudo_;
    bool lost_ = false;
    Timeouts timeouts_;
};

bool TtyPort::Read(void* buffer, std::size_t count, std::size_t& got) {
    got = 0;
    if (fd_ < 0) return false;
    if (count == 0) return true;
    auto* out = static_cast<unsigned char*>(buffer);
    const Timeouts& t = timeouts_;
    const bool atOnce = t.readInterval == Timeouts::kReturnAtOnce && t.readTotalMultiplier == 0 &&
                        t.readTotalConstant == 0;
    const uint32_t gap = t.readInterval == Timeouts::kReturnAtOnce ? 0 : t.readInterval;
    bool limited = false;
    const auto deadline = Deadline(t.readTotalMultiplier, t.readTotalConstant, count, limited);
    auto lastByte = Clock::now();
    for (;;) {
        const ssize_t n = ::read(fd_, out + got, count - got);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
            lastByte = Clock::now();
            if (got == count) return true;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) lost_ = true;  // the end of a terminal's input: it has hung up
        if (n == 0 || errno != EAGAIN) {
            if (n < 0) NoteFailure(errno);
            return false;
        }
        if (atOnce) return true;
        int wait = limited ? MsUntil(deadline) : -1;
        if (gap > 0 && got > 0) {
            const int gapLeft = MsUntil(lastByte + std::chrono::milliseconds(gap));
            wait = wait < 0 ? gapLeft : std::min(wait, gapLeft);
        }
        if (wait == 0) return true;
        pollfd p{fd_, POLLIN, 0};
        const int r = ::poll(&p, 1, wait);
        if (r < 0 && errno != EINTR) return false;
        if (r > 0 && !(p.revents & POLLIN) && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            lost_ = true;
            return false;
        }
    }
}

bool TtyPort::Write(const void* data, std::size_t count, std::size_t& written) {
    written = 0;
    if (fd_ < 0) return false;
    const auto* in = static_cast<const unsigned char*>(data);
    bool limited = false;
    const auto deadline = Deadline(timeouts_.writeTotalMultiplier, timeouts_.writeTotalConstant, count, limited);
    while (written < count) {
        const ssize_t n = ::write(fd_, in + written, count - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n == 0 || errno != EAGAIN) {
            if (n < 0) NoteFailure(errno);
            return false;
        }
        const int wait = limited ? MsUntil(deadline) : -1;
        if (wait == 0) return true;
        pollfd p{fd_, POLLOUT, 0};
        const int r = ::poll(&p, 1, wait);
        if (r < 0 && errno != EINTR) return false;
        if (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) lost_ = true;
        if (r > 0 && !(p.revents & POLLOUT)) return false;
    }
    return true;
}

PortPtr OpenDevice(const std::string& path) {
    if (path.empty()) return nullptr;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    // The lock keeps out every other opener of ours, also one running as
    // root, whom the terminal's exclusive mode lets through.
    if (!::isatty(fd) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return nullptr;
    }
    ::ioctl(fd, TIOCEXCL);
    return std::make_shared<TtyPort>(fd);
}

std::mutex g_factoryLock;
PortFactory g_factory;

// The number n of "COMn", 0 when Text is not such a name.
int ComNumber(const std::string& text) {
    if (text.size() < 4 || !SameText(text.substr(0, 3), "COM") || text[3] == '0') return 0;
    int n = 0;
    for (std::size_t i = 3; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return 0;
        n = n * 10 + (text[i] - '0');
        if (n > 255) return 0;
    }
    return n;
}

}  // namespace

// Raw bytes in both directions; the line lives on without carrier (the
// programs watch DCD themselves) and DTR drops when the port is closed.
TerminalFlags MakeTerminalFlags(const LineSettings& s) {
    TerminalFlags f;
    if (s.xonXoffOutput) f.iflag |= IXON;
    if (s.xonXoffInput) f.iflag |= IXOFF;
    f.cflag = SizeFlag(s.dataBits) | ParityFlags(s.parity) | CREAD | CLOCAL | HUPCL | BOTHER;
    // A UART sends one and a half stop bits for five data bits when asked
    // for two; with more data bits two is the nearest it can do.
    if (s.stopBits != StopBits::One) f.cflag |= CSTOPB;
    if (s.ctsOutputFlow || s.rts == LineControl::Handshake) f.cflag |= CRTSCTS;
    f.speed = s.baudRate;
    f.startChar = s.xonChar;
    f.stopChar = s.xoffChar;
    return f;
}

std::string DevicePath(const std::string& name) {
    if (name.find('/') != std::string::npos) return name;
    const std::string prefix = "\\\\.\\";
    const std::string bare = name.compare(0, prefix.size(), prefix) == 0 ? name.substr(prefix.size()) : name;
    const int n = ComNumber(bare);
    if (n == 0) return "";
    const std::string link = files::StateDir() + "/ports/COM" + std::to_string(n);
    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0) return link;
    return "/dev/ttyS" + std::to_string(n - 1);
}

PortPtr OpenDevicePort(const std::string& name) { return OpenDevice(DevicePath(name)); }

PortPtr OpenPort(const std::string& name) {
    PortFactory factory;
    {
        std::lock_guard<std::mutex> guard(g_factoryLock);
        factory = g_factory;
    }
    if (factory) return factory(name);
    return OpenDevicePort(name);
}

PortFactory SetPortFactory(PortFactory factory) {
    std::lock_guard<std::mutex> guard(g_factoryLock);
    std::swap(g_factory, factory);
    return factory;
}

// ---- FakePort ----

void FakePort::Feed(const std::string& bytes, int delayMs) {
    if (bytes.empty()) return;
    {
        std::lock_guard<std::mutex> guard(lock_);
        input_.push_back({Clock::now() + std::chrono::milliseconds(delayMs), bytes, 0});
    }
    changed_.notify_all();
}

void FakePort::SetLines(uint8_t lines) {
    std::lock_guard<std::mutex> guard(lock_);
    lines_ = lines;
}

void FakePort::SetOutputRoom(std::size_t room) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        outputRoom_ = room;
    }
    changed_.notify_all();
}

void FakePort::SetOutputQueued(uint32_t bytes) {
    std::lock_guard<std::mutex> guard(lock_);
    outputQueued_ = bytes;
}

void FakePort::Vanish() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        vanished_ = true;
    }
    changed_.notify_all();
}

void FakePort::SetResponder(std::function<std::string(const std::string& line)> responder) {
    std::lock_guard<std::mutex> guard(lock_);
    responder_ = std::move(responder);
    lineSoFar_.clear();
}

std::string FakePort::Written() const {
    std::lock_guard<std::mutex> guard(lock_);
    return written_;
}

LineSettings FakePort::Settings() const {
    std::lock_guard<std::mutex> guard(lock_);
    return settings_;
}

Timeouts FakePort::TimeoutsSet() const {
    std::lock_guard<std::mutex> guard(lock_);
    return timeouts_;
}

uint32_t FakePort::InQueueSize() const {
    std::lock_guard<std::mutex> guard(lock_);
    return inQueue_;
}

uint32_t FakePort::OutQueueSize() const {
    std::lock_guard<std::mutex> guard(lock_);
    return outQueue_;
}

int FakePort::ApplyCount() const {
    std::lock_guard<std::mutex> guard(lock_);
    return applyCount_;
}

int FakePort::PurgeCount() const {
    std::lock_guard<std::mutex> guard(lock_);
    return purgeCount_;
}

bool FakePort::Closed() const {
    std::lock_guard<std::mutex> guard(lock_);
    return closed_;
}

std::size_t FakePort::Pending() const {
    std::lock_guard<std::mutex> guard(lock_);
    std::size_t n = 0;
    for (const Chunk& c : input_) n += c.Left();
    return n;
}

std::size_t FakePort::DueCount() const {
    const auto now = Clock::now();
    std::size_t n = 0;
    for (const Chunk& c : input_) {
        if (c.due > now) break;
        n += c.Left();
    }
    return n;
}

std::string FakePort::TakeDue(std::size_t count) {
    const auto now = Clock::now();
    std::string out;
    while (out.size() < count && !input_.empty() && input_.front().due <= now) {
        Chunk& c = input_.front();
        const std::size_t take = std::min(count - out.size(), c.Left());
        out.append(c.bytes, c.taken, take);
        c.taken += take;
        if (c.Left() == 0) input_.pop_front();
    }
    return out;
}

bool FakePort::ApplySettings(const LineSettings& settings) {
    std::lock_guard<std::mutex> guard(lock_);
    if (vanished_ || failApply) return false;
    settings_ = settings;
    ++applyCount_;
    return true;
}

bool FakePort::SetupQueues(uint32_t inSize, uint32_t outSize) {
    std::lock_guard<std::mutex> guard(lock_);
    if (vanished_ || failSetup) return false;
    inQueue_ = inSize;
    outQueue_ = outSize;
    return true;
}

bool FakePort::SetTimeouts(const Timeouts& timeouts) {
    std::lock_guard<std::mutex> guard(lock_);
    if (vanished_) return false;
    timeouts_ = timeouts;
    return true;
}

bool FakePort::Purge(bool input, bool output) {
    std::lock_guard<std::mutex> guard(lock_);
    if (vanished_ || failPurge) return false;
    ++purgeCount_;
    if (input) {
        const auto now = Clock::now();
        while (!input_.empty() && input_.front().due <= now) input_.pop_front();
    }
    if (output) outputQueued_ = 0;
    return true;
}

bool FakePort::QueueCounts(uint32_t& input, uint32_t& output) {
    std::lock_guard<std::mutex> guard(lock_);
    if (vanished_) return false;
    input = static_cast<uint32_t>(std::min<std::size_t>(DueCount(), UINT32_MAX));
    output = outputQueued_;
    return true;
}

bool FakePort::ModemStatus(uint8_t& lines) {
    std::lock_guard<std::mutex> guard(lock_);
    lines = 0;
    if (vanished_ || failStatus) return false;
    lines = lines_;
    return true;
}

bool FakePort::Read(void* buffer, std::size_t count, std::size_t& got) {
    std::lock_guard<std::mutex> guard(lock_);
    got = 0;
    if (vanished_) return false;
    const std::string bytes = TakeDue(count);
    std::memcpy(buffer, bytes.data(), bytes.size());
    got = bytes.size();
    return true;
}

bool FakePort::Write(const void* data, std::size_t count, std::size_t& written) {
    std::lock_guard<std::mutex> guard(lock_);
    written = 0;
    if (vanished_) return false;
    written = std::min(count, outputRoom_);
    outputRoom_ -= outputRoom_ == SIZE_MAX ? 0 : written;
    const auto* bytes = static_cast<const char*>(data);
    written_.append(bytes, written);
    if (responder_) Answer(std::string_view(bytes, written));
    return true;
}

void FakePort::Answer(std::string_view bytes) {
    for (const char c : bytes) {
        if (c == '\n') continue;
        if (c != '\r') {
            lineSoFar_ += c;
            continue;
        }
        std::string reply = responder_(lineSoFar_);
        lineSoFar_.clear();
        if (!reply.empty()) input_.push_back({Clock::now(), std::move(reply), 0});
    }
    changed_.notify_all();
}

bool FakePort::WaitReadable(int ms) {
    std::unique_lock<std::mutex> guard(lock_);
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(ms, 0));
    for (;;) {
        if (vanished_) return false;
        if (DueCount() > 0) return true;
        // Bytes come in the order fed, so the first chunk is the one to wait for.
        auto until = deadline;
        if (!input_.empty()) until = std::min(until, input_.front().due);
        if (Clock::now() >= deadline) return false;
        changed_.wait_until(guard, until);
    }
}

bool FakePort::WaitWritable(int ms) {
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait_for(guard, std::chrono::milliseconds(std::max(ms, 0)),
                      [this] { return vanished_ || outputRoom_ > 0; });
    return !vanished_ && outputRoom_ > 0;
}

bool FakePort::Lost() {
    std::lock_guard<std::mutex> guard(lock_);
    return vanished_;
}

void FakePort::Close() {
    std::lock_guard<std::mutex> guard(lock_);
    closed_ = true;
}

}  // namespace serial
