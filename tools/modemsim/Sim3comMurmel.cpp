// The parts of the 3Com/U.S. Robotics message modems that Murmel's download
// and erase workers meet besides the memory commands of Sim3com.cpp:
//
//   +MSI        the stand-alone settings, a few information lines, then OK
//
// (the rings they set with +MCR are one of the answering settings,
// Sim3comSettings.h)
//
// and the faults and clock states their retry paths and checks need:
//
//   --clock D,H,M,S              the message clock runs from this reading at start
//   --clock-unknown TEXT         what +MCC? says while the clock is not known
//                                (default "255,255,255,255"; "254,024,000,000" occurs too)
//   --status-bad-checksum-once N each time given: one answer of status line N
//                                carries a checksum off by one
//   --page-short-once P          each time given: one reply of page P lacks the
//                                last 1000 bytes of the page (then OK as usual)
//   --page-bad-checksum-once P   each time given: one reply of page P carries a
//                                checksum off by one
//
// Each spoiled reply is noted in the transcript.
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>

#include "tools/modemsim/Sim3com.h"
#include "tools/modemsim/Sim3comSettings.h"

namespace sim3com {

namespace {

using modemsim::Command;
using modemsim::Outcome;
using modemsim::Session;

constexpr int kChecksumAt = 65;  // the checksum field of a message's status line

struct Extras : modemsim::ExtensionState {
    std::map<int, int> badStatus;  // answers still to spoil
};

// How often each number was given to a repeatable option.
std::map<int, int> Counts(const Session& S, const std::string& option) {
    std::map<int, int> counts;
    for (const auto& v : S.Opts().All(option)) {
        const auto n = Argument("=" + v);
        if (!n || *n > 255) throw std::invalid_argument("--" + option + " takes a number from 0 to 255");
        ++counts[static_cast<int>(*n)];
    }
    return counts;
}

// Takes one spoiling of Key when any is left.
bool TakeOne(std::map<int, int>& left, int key) {
    const auto it = left.find(key);
    if (it == left.end() || it->second == 0) return false;
    --it->second;
    return true;
}

// The clock reading "D,H,M,S" in seconds.
long long ClockSeconds(const std::string& text) {
    int d = 0, h = 0, m = 0, s = 0;
    char end = 0;
    if (std::sscanf(text.c_str(), "%d,%d,%d,%d%c", &d, &h, &m, &s, &end) != 4 || d < 0 || d > 999 || h < 0 ||
        h > 23 || m < 0 || m > 59 || s < 0 || s > 59)
        throw std::invalid_argument("--clock must be D,H,M,S (days to 999)");
    return ((d * 24LL + h) * 60 + m) * 60 + s;
}

void SetUp(Session& S) {
    auto& state = S.Extension<State>();
    auto& extras = S.Extension<Extras>();
    if (S.Opts().Has("clock")) state.clock.Set(ClockSeconds(S.Opts().Get("clock")), S.Now());
    if (S.Opts().Has("clock-unknown")) state.clock.SetUnknownText(S.Opts().Get("clock-unknown"));
    extras.badStatus = Counts(S, "status-bad-checksum-once");
    if (!extras.badStatus.empty()) {
        state.statusFault = [&S, &extras](int n, std::string& line) {
            if (line.size() < kChecksumAt + 3 || !TakeOne(extras.badStatus, n)) return;
            const int sum = std::stoi(line.substr(kChecksumAt, 3));
            char field[8];
            std::snprintf(field, sizeof field, "%03d", (sum + 1) % 256);
            line.replace(kChecksumAt, 3, field);
            S.Note("status line " + std::to_string(n) + " sent with a wrong checksum");
        };
    }
}

Outcome StandAloneInfo(Session& S, const Command& C) {
    if (!C.args.empty()) return Outcome::Error;
    const auto& state = S.Extension<State>();
    S.Info(std::string("Stand-alone mode: ") + (state.selfMode ? "on" : "off"));
    S.Info("Rings before answer: " + std::to_string(S.Extension<SettingsState>().current.rings));
    S.Info("Messages stored: " + std::to_string(state.memory ? state.memory->MessageCount() : 0));
    return Outcome::Ok;
}

const modemsim::Registration registered([] {
    modemsim::RegisterOption("clock", "D,H,M,S: the message clock runs from this reading at start (3Com)");
    modemsim::RegisterOption("clock-unknown", "TEXT: what +MCC? says while the clock is not known (3Com)");
    modemsim::RegisterOption("status-bad-checksum-once",
                             "N: one answer of status line N with a wrong checksum; repeat for more (3Com)");
    modemsim::RegisterSetup("3com", SetUp);
    modemsim::RegisterCommand("3com", "+MSI", StandAloneInfo);
});

}  // namespace

}  // namespace sim3com
