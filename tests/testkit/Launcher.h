#pragma once
// Keeps, for its lifetime, what the program hands the desktop to open or to
// start, instead of opening or starting it; answers every call with Answer.
#include <memory>
#include <string>
#include <vector>

#include "platform/Shell.h"

namespace testkit {

class ScopedLaunches {
public:
    explicit ScopedLaunches(int Answer = shell::Started)
        : previous_(shell::InstallLauncher(std::make_unique<Recorder>(calls_, Answer))) {}
    ~ScopedLaunches() { shell::InstallLauncher(std::move(previous_)); }
    ScopedLaunches(const ScopedLaunches&) = delete;
    ScopedLaunches& operator=(const ScopedLaunches&) = delete;

    // Each call: the target opened, or "start " and the program started.
    const std::vector<std::string>& Calls() const { return calls_; }

private:
    class Recorder : public shell::Launcher {
    public:
        Recorder(std::vector<std::string>& Calls, int Answer) : calls_(Calls), answer_(Answer) {}
        int OpenWithDefault(const std::string& Target) override {
            calls_.push_back(Target);
            return answer_;
        }
        int StartProgram(const std::string& Program, const std::vector<std::string>&, const std::string&) override {
            calls_.push_back("start " + Program);
            return answer_;
        }

    private:
        std::vector<std::string>& calls_;
        int answer_;
    };

    std::vector<std::string> calls_;
    std::unique_ptr<shell::Launcher> previous_;
};

}  // namespace testkit
