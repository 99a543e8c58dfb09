#pragma once
// A modem played by the test on the master end of a pseudo-terminal: a thread
// collects the command lines that come in (up to CR, LF left out) and writes
// back what the responder returns for each.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/PtyPair.h"

namespace ptytest {

class PtyModem {
public:
    using Responder = std::function<std::string(const std::string& line)>;

    explicit PtyModem(Responder responder) : responder_(std::move(responder)), thread_([this] { Run(); }) {}
    ~PtyModem() { Stop(); }
    PtyModem(const PtyModem&) = delete;
    PtyModem& operator=(const PtyModem&) = delete;

    const std::string& SlavePath() const { return pty_.SlavePath(); }
    std::vector<std::string> Lines() const {
        std::lock_guard<std::mutex> guard(lock_);
        return lines_;
    }
    // Unsolicited bytes.
    void Send(const std::string& bytes) {
        std::lock_guard<std::mutex> guard(lock_);
        if (!hungUp_) pty_.Write(bytes);
    }
    // The modem goes away: its end of the line is closed.
    void HangUp() {
        Stop();
        pty_.CloseMaster();
    }

private:
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        std::lock_guard<std::mutex> guard(lock_);
        hungUp_ = true;
    }

    void Run() {
        std::string line;
        while (!stop_) {
            const std::string bytes = pty_.Read(10);
            for (const char c : bytes) {
                if (c == '\n') continue;
                if (c != '\r') {
                    line += c;
                    continue;
                }
                std::string reply;
                {
                    std::lock_guard<std::mutex> guard(lock_);
                    lines_.push_back(line);
                }
                reply = responder_(line);
                line.clear();
                if (!reply.empty()) Send(reply);
            }
        }
    }

    PtyPair pty_;
    Responder responder_;
    mutable std::mutex lock_;
    std::vector<std::string> lines_;
    std::atomic<bool> stop_{false};
    bool hungUp_ = false;
    std::thread thread_;
};

}  // namespace ptytest
