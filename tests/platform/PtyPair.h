#pragma once
// A pseudo-terminal whose master end the test holds, so the test plays the
// device behind the slave end that the code under test opens. A second slave
// descriptor stays open, so the master keeps working while the code under
// test closes and reopens its end.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <stdexcept>
#include <string>

namespace ptytest {

class PtyPair {
public:
    PtyPair() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
            throw std::runtime_error("no pseudo-terminal");
        slave_ = ::ptsname(master_);
        keeper_ = ::open(slave_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (keeper_ < 0) throw std::runtime_error("cannot open " + slave_);
    }
    ~PtyPair() {
        CloseMaster();
        if (keeper_ >= 0) ::close(keeper_);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& SlavePath() const { return slave_; }
    int Master() const { return master_; }
    int Keeper() const { return keeper_; }

    // Bytes for the slave end to read.
    void Write(const std::string& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
            if (n <= 0) throw std::runtime_error("pty write failed");
            done += static_cast<std::size_t>(n);
        }
    }

    // What the slave end wrote, collected until Ms of silence.
    std::string Read(int ms) {
        std::string out;
        char buf[4096];
        pollfd p{master_, POLLIN, 0};
        while (::poll(&p, 1, ms) > 0 && (p.revents & POLLIN)) {
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0) break;
            out.append(buf, static_cast<std::size_t>(n));
        }
        return out;
    }

    // The device goes away: the slave end hangs up.
    void CloseMaster() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    int keeper_ = -1;
    std::string slave_;
};

// CPU time of this process and wall time, for "waiting costs no CPU" checks.
class CpuMeter {
public:
    CpuMeter() : cpu0_(Cpu()), wall0_(std::chrono::steady_clock::now()) {}
    double CpuSeconds() const { return Cpu() - cpu0_; }
    double WallSeconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0_).count();
    }
    // CPU time as a share of one core over the wall time.
    double Load() const { return CpuSeconds() / WallSeconds(); }

private:
    static double Cpu() {
        timespec t{};
        ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
    }
    double cpu0_;
    std::chrono::steady_clock::time_point wall0_;
};

// Milliseconds since Start, for checks of how long a wait took.
inline double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace ptytest
