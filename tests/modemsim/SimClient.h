#pragma once
// A bare client of the simulated line for the simulator's own tests: raw
// termios, plain reads and writes, no part of the system's serial code.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <string>
#include <string_view>

namespace simtest {

class SimClient {
public:
    explicit SimClient(const std::string& Path) {
        fd_ = ::open(Path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0) throw std::runtime_error("cannot open " + Path);
        termios t{};
        ::tcgetattr(fd_, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd_, TCSANOW, &t);
    }
    ~SimClient() { Close(); }
    SimClient(const SimClient&) = delete;
    SimClient& operator=(const SimClient&) = delete;

    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    int Fd() const { return fd_; }

    void Send(std::string_view Bytes) {
        std::size_t done = 0;
        while (done < Bytes.size()) {
            ssize_t n = ::write(fd_, Bytes.data() + done, Bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) throw std::runtime_error("write to the line failed");
            done += static_cast<std::size_t>(n);
        }
    }

    // Reads until Count bytes came or MaxMs passed.
    std::string Read(std::size_t Count, int MaxMs = 3000) {
        std::string out;
        auto until = Clock::now() + std::chrono::milliseconds(MaxMs);
        while (out.size() < Count && Clock::now() < until) {
            if (!Wait(Left(until))) break;
            if (!ReadSome(out, Count - out.size())) break;
        }
        return out;
    }

    // Reads until QuietMs pass without a byte (or MaxMs in all).
    std::string ReadQuiet(int QuietMs = 150, int MaxMs = 5000) {
        std::string out;
        auto until = Clock::now() + std::chrono::milliseconds(MaxMs);
        while (Clock::now() < until && Wait(std::min(QuietMs, Left(until))))
            if (!ReadSome(out, 65536)) break;
        return out;
    }

    // Sends Command and reads as many bytes as Expected has, then makes sure
    // nothing more follows for a moment.
    std::string Exchange(std::string_view Command, std::string_view Expected) {
        Send(Command);
        std::string got = Read(Expected.size());
        return got + ReadQuiet(60);
    }

    // Whether the line has hung up: poll() reports POLLHUP and a read gives
    // no byte (end of file, or EIO).
    bool HungUp() {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 2000) <= 0 || !(p.revents & POLLHUP)) return false;
        char c;
        return ::read(fd_, &c, 1) <= 0;
    }

private:
    using Clock = std::chrono::steady_clock;

    static int Left(Clock::time_point Until) {
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Until - Clock::now()).count();
        return ms < 0 ? 0 : static_cast<int>(ms);
    }
    bool Wait(int Ms) {
        pollfd p{fd_, POLLIN, 0};
        return ::poll(&p, 1, Ms) > 0 && (p.revents & POLLIN);
    }
    bool ReadSome(std::string& Out, std::size_t Max) {
        char buffer[4096];
        ssize_t n = ::read(fd_, buffer, std::min(Max, sizeof buffer));
        if (n <= 0) return false;
        Out.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    int fd_ = -1;
};

}  // namespace simtest
