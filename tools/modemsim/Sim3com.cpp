#include "tools/modemsim/Sim3com.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "tools/modemsim/Sim3comScenario.h"

namespace sim3com {

using modemsim::Command;
using modemsim::Outcome;
using modemsim::ResultCode;
using modemsim::Session;

std::string MessageClock::Text(uint64_t NowMs) const {
    if (!known_) return unknown_;
    const long long total = seconds_ + static_cast<long long>((NowMs - setAt_) / 1000);
    char b[48];
    std::snprintf(b, sizeof b, "%03lld,%03lld,%03lld,%03lld", total / 86400, total / 3600 % 24, total / 60 % 60,
                  total % 60);
    return b;
}

void MessageClock::Set(long long Seconds, uint64_t NowMs) {
    known_ = true;
    seconds_ = Seconds;
    setAt_ = NowMs;
}

namespace {

// Decimal digits only, as the modem reads its arguments; at most 9 of them.
std::optional<long long> Number(const std::string& text) {
    if (text.empty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return std::stoll(text);
}

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (;;) {
        const std::size_t comma = text.find(',', at);
        parts.push_back(text.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
        if (comma == std::string::npos) return parts;
        at = comma + 1;
    }
}

Memory& MemoryOf(Session& S) {
    auto& state = S.Extension<State>();
    if (!state.memory) state.memory = std::make_unique<Memory>(DefaultMemorySpec(Now()));
    return *state.memory;
}

bool Listed(const Session& S, const std::string& option, int page) {
    for (const auto& v : S.Opts().All(option))
        if (Number(v) == page) return true;
    return false;
}

// Whether the fault of a "P" or "P:N" option strikes this sending of page P:
// "P" every time, "P:N" the first N times.
bool Strikes(Session& S, const std::string& option, int page) {
    if (Listed(S, option, page)) return true;
    for (const auto& v : S.Opts().All(option)) {
        const std::size_t colon = v.find(':');
        if (colon == std::string::npos && Number(v)) continue;  // a plain "P", taken above
        const auto p = Number(v.substr(0, colon));
        const auto n = colon == std::string::npos ? std::nullopt : Number(v.substr(colon + 1));
        if (!p || !n) throw std::invalid_argument("--" + option + " needs P or P:N, not \"" + v + "\"");
        if (*p != page) continue;
        int& struck = S.Extension<State>().struck[option + ":" + std::to_string(page)];
        if (struck >= *n) return false;
        ++struck;
        return true;
    }
    return false;
}

// Plays for the message's length; the first byte from the client stops it and
// is swallowed, what follows it goes back to the command interpreter.
class PlayTask : public modemsim::Task {
public:
    explicit PlayTask(int seconds) : seconds_(seconds) {}

    bool Step(Session& S) override {
        if (!started_) {
            started_ = true;
            end_ = S.Now() + static_cast<uint64_t>(seconds_) * 1000;
            S.Note("playing for " + std::to_string(seconds_) + " s");
        }
        // The LF that ends the command line after its CR is no stop.
        if (!sawInput_ && !S.Input().empty()) {
            sawInput_ = true;
            if (S.Input()[0] == '\n') S.Input().erase(0, 1);
        }
        if (!S.Input().empty()) {
            S.Input().erase(0, 1);
            S.Note("playing stopped");
            S.Final(ResultCode::Ok);
            return false;
        }
        if (S.Now() >= end_) {
            S.Final(ResultCode::Ok);
            return false;
        }
        S.WakeAfter(static_cast<uint32_t>(end_ - S.Now()));
        return true;
    }

private:
    int seconds_;
    bool started_ = false;
    bool sawInput_ = false;
    uint64_t end_ = 0;
};

Outcome StatusReport(Session& S, const Command& C) {
    const auto n = Argument(C.args);
    if (!n || *n > 255) return Outcome::Error;
    auto line = MemoryOf(S).StatusLine(static_cast<int>(*n));
    if (!line) return Outcome::Error;
    if (const auto& fault = S.Extension<State>().statusFault) fault(static_cast<int>(*n), *line);
    S.Info(*line);
    return Outcome::Ok;
}

Outcome ClockCommand(Session& S, const Command& C) {
    auto& clock = S.Extension<State>().clock;
    if (C.args.empty()) {
        clock.Set(0, S.Now());
        return Outcome::Ok;
    }
    if (C.args == "?") {
        S.Info(clock.Text(S.Now()));
        return Outcome::Ok;
    }
    if (C.args[0] != '=') return Outcome::Error;
    const auto parts = Split(C.args.substr(1));
    if (parts.size() != 4) return Outcome::Error;
    long long v[4];
    const long long limit[4] = {999, 23, 59, 59};
    for (int i = 0; i < 4; ++i) {
        const auto p = Number(parts[static_cast<std::size_t>(i)]);
        if (!p || *p > limit[i]) return Outcome::Error;
        v[i] = *p;
    }
    clock.Set(((v[0] * 24 + v[1]) * 60 + v[2]) * 60 + v[3], S.Now());
    return Outcome::Ok;
}

Outcome SelfMode(Session& S, const Command& C) {
    auto& state = S.Extension<State>();
    if (C.args == "?") {
        S.Info(state.selfMode ? "1" : "0");
        return Outcome::Ok;
    }
    const auto n = Argument(C.args);
    if (!n || *n > 1) return Outcome::Error;
    state.selfMode = *n == 1;
    return Outcome::Ok;
}

Outcome Play(Session& S, const Command& C) {
    const auto n = Argument(C.args);
    if (!n || *n > 255) return Outcome::Error;
    const auto seconds = MemoryOf(S).PlaySeconds(static_cast<int>(*n));
    if (!seconds) return Outcome::Error;
    S.Start(std::make_unique<PlayTask>(*seconds));
    return Outcome::Started;
}

// Erasing the memory takes its time on a real modem, and may end in ERROR
// with nothing erased; the reply comes when it is over.
class EraseTask : public modemsim::Task {
public:
    EraseTask(uint32_t ms, bool fails) : ms_(ms), fails_(fails) {}

    bool Step(Session& S) override {
        if (!started_) {
            started_ = true;
            end_ = S.Now() + ms_;
        }
        if (S.Now() < end_) {
            S.WakeAfter(static_cast<uint32_t>(end_ - S.Now()));
            return true;
        }
        if (!fails_) MemoryOf(S).EraseMessages();
        S.Note(fails_ ? "erase failed" : "erased");
        S.Final(fails_ ? ResultCode::Error : ResultCode::Ok);
        return false;
    }

private:
    uint32_t ms_;
    bool fails_;
    bool started_ = false;
    uint64_t end_ = 0;
};

Outcome Erase(Session& S, const Command& C) {
    if (!C.args.empty()) return Outcome::Error;
    const long long ms = std::clamp<long long>(S.Opts().GetInt("erase-ms", 0), 0, 600000);
    const bool fails = S.Opts().Has("erase-error");
    if (ms == 0 && !fails) {
        MemoryOf(S).EraseMessages();
        return Outcome::Ok;
    }
    S.Start(std::make_unique<EraseTask>(static_cast<uint32_t>(ms), fails));
    return Outcome::Started;
}

Outcome TransferPage(Session& S, const Command& C) {
    const auto p = Argument(C.args);
    if (!p || *p >= kPageCount) return Outcome::Error;
    const int page = static_cast<int>(*p);
    Memory& memory = MemoryOf(S);
    unsigned checksum = memory.PageChecksum(page);
    if (Strikes(S, "page-bad-checksum", page)) checksum = (checksum + 1) & 0xFF;
    char hex[3];
    std::snprintf(hex, sizeof hex, S.Opts().Has("page-checksum-lowercase") ? "%02x" : "%02X", checksum);
    std::string data(hex, 2);
    // A short page loses its second half on the way; the modem ends it as usual.
    const std::string_view bytes = memory.Page(page);
    data.append(Strikes(S, "page-short", page) ? bytes.substr(0, bytes.size() / 2) : bytes);
    memory.PageRead(page);
    S.Stream(std::move(data), Listed(S, "page-error", page) ? ResultCode::Error : ResultCode::Ok);
    return Outcome::Started;
}

void SetUp(Session& S) {
    auto& state = S.Extension<State>();
    const auto& data = S.ScenarioData();
    const bool none = data.path.empty() && data.sections.empty();
    state.memory = std::make_unique<Memory>(none ? DefaultMemorySpec(Now()) : ReadMemorySpec(data, Now()));
}

const modemsim::Registration registered([] {
    modemsim::RegisterOption("page-error", "P: end the reply of memory page P with ERROR in place of OK (3Com)");
    modemsim::RegisterOption("page-bad-checksum",
                             "P or P:N: send memory page P with a wrong checksum (every time, or the first N times) (3Com)");
    modemsim::RegisterOption("page-short",
                             "P or P:N: memory page P loses its second half on the way (every time, or the first N "
                             "times); its reply still ends with OK (3Com)");
    modemsim::RegisterOption("page-checksum-lowercase", "send page checksums in small hexadecimal letters (3Com)");
    modemsim::RegisterOption("erase-ms", "MS: erasing the memory takes MS ms before its reply (3Com)");
    modemsim::RegisterOption("erase-error", "erasing the memory fails: nothing is erased, the reply is ERROR (3Com)");
    modemsim::RegisterSetup("3com", SetUp);
    modemsim::RegisterCommand("3com", "+MSR", StatusReport);
    modemsim::RegisterCommand("3com", "+MCC", ClockCommand);
    modemsim::RegisterCommand("3com", "+MCS", SelfMode);
    modemsim::RegisterCommand("3com", "+MVP", Play);
    modemsim::RegisterCommand("3com", "+MEM", Erase);
    modemsim::RegisterCommand("3com", "+MTP", TransferPage);
});

}  // namespace

std::optional<long long> Argument(const std::string& Args) {
    if (Args.size() < 2 || Args[0] != '=') return std::nullopt;
    return Number(Args.substr(1));
}

}  // namespace sim3com
