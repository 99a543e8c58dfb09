#pragma once
// The simulated modem without its line: the command interpreter, the task
// that may be running, the faults and the throttle. The poll loop feeds it the
// bytes it reads and the time, and writes out what it may; tests drive it the
// same way with a clock of their own.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/modemsim/Sim.h"
#include "tools/modemsim/SimAtLine.h"
#include "tools/modemsim/SimThrottle.h"

namespace modemsim {

class Engine {
public:
    using TranscriptSink = std::function<void(std::string_view)>;
    static constexpr uint64_t kNever = UINT64_MAX;
    // Longer command lines are answered ERROR (the rest of the line is dropped).
    static constexpr std::size_t kMaxLine = 1024;

    // Reads the core's options from Opts and runs the setup hooks of the
    // model's family; a hook's exception propagates.
    Engine(ModelInfo Model, Options Opts, Scenario Data, TranscriptSink Transcript, uint64_t NowMs);

    Session& Modem() { return session_; }

    // Bytes the client sent.
    void Receive(std::string_view Bytes, uint64_t NowMs);
    // Timers: a task's wake-up, the unsolicited RING.
    void Service(uint64_t NowMs);
    // What the line may take now, and that it took Count bytes of it.
    std::string_view Output() const { return session_.output_; }
    std::size_t Writable(uint64_t NowMs);
    void Written(std::size_t Count, uint64_t NowMs);
    // When Service or a write is due next; kNever when nothing is waiting.
    uint64_t NextDeadline(uint64_t NowMs);
    // The modem is to vanish now (--vanish-on): the line must go at once,
    // as a device unplugged goes, without another byte or word.
    bool Vanishing() const { return vanishArmed_ && vanishLeft_ == 0; }
    // It sent bytes of its reply before it vanishes (--vanish-on CMD:BYTES),
    // which its client is to get, as the line has carried them.
    bool VanishesAfterBytes() const { return vanishAfter_ > 0; }

private:
    void Clock(uint64_t NowMs) { session_.now_ = NowMs; }
    void Pump();
    void FeedByte(char C);
    void EndLine();
    void Execute(const std::string& Line, const std::vector<AtCommand>& Commands);
    Outcome Run(const AtCommand& Cmd, const std::string& Line);
    Outcome RunBasic(const std::string& Text);
    Outcome RunRegister(const std::string& Text);
    // A pattern that starts with "AT" matches the whole line (Cmd nullptr),
    // any other the start of a command of it.
    bool Matches(const std::vector<std::string>& Patterns, const std::string& Line, const AtCommand* Cmd) const;
    bool AnyMatches(const std::vector<std::string>& Patterns, const std::string& Line,
                    const std::vector<AtCommand>& Cmds) const;
    void SendGarbage();
    // Whether the line faults strike the reply to this line (--fault-on).
    bool Strikes(const std::string& Line, const std::vector<AtCommand>& Cmds) const;
    void ArmVanish(const std::string& Line, const std::vector<AtCommand>& Cmds);
    void StepTask();
    void FinishTask();

    Session session_;
    Throttle throttle_;
    std::string line_;
    bool overflow_ = false;
    std::string pending_;  // received, not yet interpreted
    std::size_t pos_ = 0;  // next byte of pending_ to interpret
    bool pumping_ = false;
    std::vector<std::string> errorOn_;
    std::vector<std::string> ringOn_;
    // The line faults, and the lines whose replies they strike (all when empty).
    std::vector<std::string> faultOn_;
    bool silentFault_ = false;
    long long dropEvery_ = 0;
    long long garbage_ = 0;
    bool strikes_ = true;
    // --vanish-on: the line that makes the modem vanish, and how many more
    // bytes go out before it does.
    std::string vanishOn_;
    uint64_t vanishAfter_ = 0;
    bool vanishArmed_ = false;
    uint64_t vanishLeft_ = 0;
    bool garbageCrLf_ = false;
    uint64_t noise_ = 1;
    bool ringPending_ = false;
    uint64_t ringAt_ = 0;
    uint64_t ringEvery_ = 0;
};

// Count bytes of deterministic noise from the generator State; without CrLf
// the bytes CR and LF never occur, so the noise stays inside one line.
std::string Noise(uint64_t& State, std::size_t Count, bool CrLf);

}  // namespace modemsim
