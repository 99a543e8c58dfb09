#pragma once
// What the benchmarks share: the bytes that cross the line, counted at our
// end of the real port; the CPU and wall clocks of a measured stretch; and
// the one line per figure that tools/run-bench.sh gathers into its table:
//   FIGURE <TAB> what <TAB> ours <TAB> reference <TAB> ratio <TAB> goal <TAB> verdict
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/Serial.h"
#include "platform/Ui.h"

namespace bench {

// Counts what is read and written through every port the programs open.
class LineCounter {
public:
    LineCounter() : factory_([this](const std::string& name) -> serial::PortPtr {
          serial::PortPtr real = serial::OpenDevicePort(name);
          return real ? std::make_shared<Counted>(real, *this) : nullptr;
      }) {}
    long long Bytes() const { return read_ + written_; }
    // The time the bytes take at Baud with a start and a stop bit (8N1).
    double LineSeconds(double Baud) const { return static_cast<double>(Bytes()) * 10.0 / Baud; }
    void Reset() { read_ = written_ = 0; }

private:
    class Counted : public serial::Port {
    public:
        Counted(serial::PortPtr real, LineCounter& c) : real_(std::move(real)), c_(c) {}
        bool ApplySettings(const serial::LineSettings& s) override { return real_->ApplySettings(s); }
        bool SetupQueues(uint32_t i, uint32_t o) override { return real_->SetupQueues(i, o); }
        bool SetTimeouts(const serial::Timeouts& t) override { return real_->SetTimeouts(t); }
        bool Purge(bool i, bool o) override { return real_->Purge(i, o); }
        bool QueueCounts(uint32_t& i, uint32_t& o) override { return real_->QueueCounts(i, o); }
        bool ModemStatus(uint8_t& l) override { return real_->ModemStatus(l); }
        bool Read(void* b, std::size_t n, std::size_t& got) override {
            const bool ok = real_->Read(b, n, got);
            c_.read_ += static_cast<long long>(got);
            return ok;
        }
        bool Write(const void* d, std::size_t n, std::size_t& written) override {
            const bool ok = real_->Write(d, n, written);
            c_.written_ += static_cast<long long>(written);
            return ok;
        }
        bool WaitReadable(int ms) override { return real_->WaitReadable(ms); }
        bool WaitWritable(int ms) override { return real_->WaitWritable(ms); }
        bool Lost() override { return real_->Lost(); }
        void Close() override { real_->Close(); }

    private:
        serial::PortPtr real_;
        LineCounter& c_;
    };
    std::atomic<long long> read_{0}, written_{0};
    serial::ScopedPortFactory factory_;
};

// Boxes are recorded, not shown: a benchmark runs without a person.
inline void ScriptUi() { ui::Install(std::make_unique<ui::ScriptedUi>()); }
// The texts of the boxes shown so far, one a line.
inline std::string Prompts() {
    std::string texts;
    if (auto* s = dynamic_cast<ui::ScriptedUi*>(&ui::Current()))
        for (const auto& p : s->Prompts()) texts += p.text + "\n";
    return texts;
}

// The process's CPU seconds (user and system, its threads included) and the wall clock.
inline double CpuSeconds(int Who = RUSAGE_SELF) {
    rusage u{};
    getrusage(Who, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
inline double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct Stretch {
    double cpu0 = CpuSeconds(), wall0 = WallSeconds();
    double Cpu() const { return CpuSeconds() - cpu0; }
    double Wall() const { return WallSeconds() - wall0; }
};

// One row of the table; true when the goal is met (no goal: always).
inline bool Figure(const std::string& What, const std::string& Ours, const std::string& Reference, double Ratio,
                   const std::string& Goal, bool Met) {
    std::printf("FIGURE\t%s\t%s\t%s\t%.3f\t%s\t%s\n", What.c_str(), Ours.c_str(), Reference.c_str(), Ratio,
                Goal.c_str(), Goal.empty() ? "" : Met ? "met" : "MISSED");
    std::fflush(stdout);
    return Met;
}

inline std::string Seconds(double S) {
    char t[32];
    std::snprintf(t, sizeof t, "%.3f s", S);
    return t;
}

// The two figures of a transfer over the line: wall time against the line
// time of its bytes (goal: within 2 %), and its CPU share of one core (goal: under 5 %).
inline bool Transfer(const std::string& What, double Wall, double Cpu, double Line) {
    const bool a = Figure(What + ": wall time / line-rate time", Seconds(Wall), Seconds(Line), Wall / Line, "<= 1.02",
                          Wall <= Line * 1.02);
    const bool b = Figure(What + ": CPU time / wall time", Seconds(Cpu), Seconds(Wall), Cpu / Wall, "< 0.05",
                          Cpu < Wall * 0.05);
    return a && b;
}

// Runs Run at each baud rate of the command line (57600 and 115200 without
// one); 0 when every run met its goals.
template <typename TRun>
int AtEachBaud(int argc, char** argv, TRun&& Run) {
    bool ok = true;
    if (argc > 1) {
        for (int i = 1; i < argc; ++i) ok = Run(std::atoi(argv[i])) && ok;
    } else {
        ok = Run(57600) && ok;
        ok = Run(115200) && ok;
    }
    return ok ? 0 : 1;
}

}  // namespace bench
