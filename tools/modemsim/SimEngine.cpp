#include "tools/modemsim/SimEngine.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <tuple>
#include <utility>

#include "platform/StrUtils.h"
#include "tools/modemsim/SimRegistry.h"

namespace modemsim {

namespace {

const Registration coreOptions([] {
    RegisterOption("baud", "N: send at most N/10 bytes per second (default: as fast as the line takes them)");
    RegisterOption("silent", "never send a byte (the line still records what comes in)");
    RegisterOption("error-on", "CMD: answer ERROR to CMD; \"AT...\" names a whole line, anything else "
                               "a command prefix such as \"+MSR\" or \"E0\"; repeatable");
    RegisterOption("ring-on", "CMD: send RING before the reply to CMD (matched as for --error-on); repeatable");
    RegisterOption("ring-after", "MS: send an unsolicited RING MS milliseconds after the start");
    RegisterOption("ring-every", "MS: with --ring-after, repeat the RING every MS milliseconds");
    RegisterOption("garbage", "N: send N bytes of noise after the echo of every command line");
    RegisterOption("garbage-crlf", "let the noise contain CR and LF too");
    RegisterOption("seed", "N: seed of the noise (default 1)");
    RegisterOption("drop-every", "N: drop every N-th byte of the output");
    RegisterOption("fault-on", "CMD: --silent, --garbage and --drop-every strike only the replies to CMD (matched "
                               "as for --error-on), and what those start; repeatable");
    RegisterOption("vanish-on", "CMD[:BYTES]: at the first line matching CMD the modem vanishes (the simulator "
                                "dies hard, as if unplugged) once BYTES more bytes have gone out (default 0)");
});

// "CMD" or "CMD:BYTES"; BYTES 0 when left out.
std::pair<std::string, uint64_t> CommandAndCount(const std::string& Value) {
    const std::size_t colon = Value.rfind(':');
    if (colon == std::string::npos) return {Value, 0};
    const std::string count = Value.substr(colon + 1);
    if (count.empty() || count.find_first_not_of("0123456789") != std::string::npos || count.size() > 12)
        throw std::invalid_argument("--vanish-on needs CMD or CMD:BYTES, not \"" + Value + "\"");
    return {Value.substr(0, colon), std::stoull(count)};
}

// Where the command of a received line begins: at its first "AT" in any
// letter case; npos when it has none.
std::size_t CommandStart(const std::string& Line) {
    for (std::size_t i = 0; i + 1 < Line.size(); ++i)
        if (IsAtLine(std::string_view(Line).substr(i, 2))) return i;
    return std::string::npos;
}

bool StartsWithNoCase(const std::string& Text, const std::string& Prefix) {
    return Text.size() >= Prefix.size() && SameText(Text.substr(0, Prefix.size()), Prefix);
}

// The number of a basic command ("E1" -> 1); -1 when it has other characters
// or more than three digits. No digits reads as 0.
int BasicNumber(std::string_view Digits) {
    if (Digits.size() > 3) return -1;
    int v = 0;
    for (char c : Digits) {
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

bool IsNoOpBasic(const std::string& Name) {
    static const char* const names[] = {"B",  "H",  "L",  "M",  "N",  "P",  "T",  "W",  "X",  "Y",  "&A", "&B",
                                        "&C", "&D", "&G", "&H", "&I", "&K", "&M", "&N", "&R", "&S", "&W", "&Y"};
    return std::any_of(std::begin(names), std::end(names), [&](const char* n) { return Name == n; });
}

}  // namespace

std::string Noise(uint64_t& State, std::size_t Count, bool CrLf) {
    std::string out;
    out.reserve(Count);
    while (out.size() < Count) {
        // xorshift64*: cheap and the same on every run for one seed.
        State ^= State >> 12;
        State ^= State << 25;
        State ^= State >> 27;
        char c = static_cast<char>((State * 2685821657736338717ULL) >> 56);
        if (!CrLf && (c == '\r' || c == '\n')) continue;
        out += c;
    }
    return out;
}

Engine::Engine(ModelInfo Model, Options Opts, Scenario Data, TranscriptSink Transcript, uint64_t NowMs)
    : session_(std::move(Model), std::move(Opts), std::move(Data)),
      throttle_(static_cast<uint64_t>(std::max<long long>(0, session_.Opts().GetInt("baud", 0))) / 10, NowMs) {
    for (const auto& conflict : RegistrationConflicts())
        throw std::logic_error("two handlers are registered for " + conflict);
    const Options& o = session_.Opts();
    Clock(NowMs);
    session_.transcript_ = std::move(Transcript);
    silentFault_ = o.Has("silent");
    dropEvery_ = std::max<long long>(0, o.GetInt("drop-every", 0));
    faultOn_ = o.All("fault-on");
    strikes_ = faultOn_.empty();
    session_.silent_ = (silentFault_ && strikes_) || !session_.Model().answers;
    session_.dropEvery_ = strikes_ ? dropEvery_ : 0;
    errorOn_ = o.All("error-on");
    ringOn_ = o.All("ring-on");
    garbage_ = std::max<long long>(0, o.GetInt("garbage", 0));
    if (o.Has("vanish-on")) std::tie(vanishOn_, vanishAfter_) = CommandAndCount(o.Get("vanish-on"));
    garbageCrLf_ = o.Has("garbage-crlf");
    noise_ = static_cast<uint64_t>(o.GetInt("seed", 1));
    if (noise_ == 0) noise_ = 1;  // the generator would stay at zero
    if (o.Has("ring-after")) {
        ringPending_ = true;
        ringAt_ = NowMs + static_cast<uint64_t>(std::max<long long>(0, o.GetInt("ring-after", 0)));
        ringEvery_ = static_cast<uint64_t>(std::max<long long>(0, o.GetInt("ring-every", 0)));
    }
    for (const auto& hook : SetupHooks(session_.Model())) hook(session_);
}

// --- Input

void Engine::Receive(std::string_view Bytes, uint64_t NowMs) {
    Clock(NowMs);
    pending_.append(Bytes);
    Pump();
}

void Engine::Pump() {
    if (pumping_) return;  // a task that ends inside the loop below hands back to it
    pumping_ = true;
    while (pos_ < pending_.size()) {
        if (session_.task_) {
            std::size_t room = Session::kInputLimit - std::min(Session::kInputLimit, session_.input_.size());
            session_.input_.append(pending_, pos_, room);
            pending_.clear();
            pos_ = 0;
            StepTask();
            continue;
        }
        FeedByte(pending_[pos_++]);
    }
    pending_.clear();
    pos_ = 0;
    pumping_ = false;
}

void Engine::FeedByte(char C) {
    if (C == '\n') return;
    if (C == '\r') {
        EndLine();
        return;
    }
    if (line_.size() < kMaxLine) line_ += C;
    else overflow_ = true;
}

void Engine::EndLine() {
    std::string line;
    line.swap(line_);
    bool overflow = overflow_;
    overflow_ = false;
    session_.Note(line);
    // A modem takes a command from its "AT" on: what came before it (line
    // noise, a receiver's stray NAK) is no part of it.
    const std::size_t at = CommandStart(line);
    if (at == std::string::npos) return;
    line.erase(0, at);
    const std::vector<AtCommand> commands = SplitAtLine(line);
    ArmVanish(line, commands);
    strikes_ = Strikes(line, commands);
    session_.silent_ = (silentFault_ && strikes_) || !session_.Model().answers;
    session_.dropEvery_ = strikes_ ? dropEvery_ : 0;
    if (session_.echo_) session_.Send(line + "\r\n");
    if (garbage_ > 0 && strikes_) SendGarbage();
    if (session_.silent_) return;
    session_.inReply_ = false;
    if (overflow) {
        session_.Final(ResultCode::Error);
        return;
    }
    Execute(line, commands);
}

bool Engine::Strikes(const std::string& Line, const std::vector<AtCommand>& Cmds) const {
    return faultOn_.empty() || AnyMatches(faultOn_, Line, Cmds);
}

void Engine::ArmVanish(const std::string& Line, const std::vector<AtCommand>& Cmds) {
    if (vanishArmed_ || vanishOn_.empty() || !AnyMatches({vanishOn_}, Line, Cmds)) return;
    vanishArmed_ = true;
    vanishLeft_ = vanishAfter_;
    session_.Note("vanishing after " + std::to_string(vanishAfter_) + " more bytes");
}

void Engine::SendGarbage() {
    // Noise is line trouble, not an answer: it comes even from a silent modem.
    std::string noise = Noise(noise_, static_cast<std::size_t>(garbage_), garbageCrLf_);
    session_.Queue(noise);
}

// --- Commands

bool Engine::Matches(const std::vector<std::string>& Patterns, const std::string& Line, const AtCommand* Cmd) const {
    for (const auto& pattern : Patterns) {
        if (IsAtLine(pattern)) {
            if (!Cmd && SameText(pattern, Line)) return true;
        } else if (Cmd && !pattern.empty() && StartsWithNoCase(Cmd->text, pattern)) {
            return true;
        }
    }
    return false;
}

bool Engine::AnyMatches(const std::vector<std::string>& Patterns, const std::string& Line,
                        const std::vector<AtCommand>& Cmds) const {
    if (Matches(Patterns, Line, nullptr)) return true;
    return std::any_of(Cmds.begin(), Cmds.end(), [&](const AtCommand& c) { return Matches(Patterns, Line, &c); });
}

void Engine::Execute(const std::string& Line, const std::vector<AtCommand>& commands) {
    if (AnyMatches(ringOn_, Line, commands)) session_.SendCode(ResultCode::Ring);
    if (Matches(errorOn_, Line, nullptr)) {
        session_.Final(ResultCode::Error);
        return;
    }
    for (const auto& cmd : commands) {
        Outcome outcome = cmd.bad || Matches(errorOn_, Line, &cmd) ? Outcome::Error : Run(cmd, Line);
        switch (outcome) {
            case Outcome::Ok: continue;
            case Outcome::Error: session_.Final(ResultCode::Error); return;
            case Outcome::Replied: return;
            case Outcome::Started: StepTask(); return;
        }
    }
    session_.Final(ResultCode::Ok);
}

Outcome Engine::Run(const AtCommand& Cmd, const std::string& Line) {
    std::string prefix;
    const CommandHandler* handler = FindCommand(session_.Model(), Cmd.text, prefix);
    if (!handler) return Cmd.extended ? Outcome::Error : RunBasic(Cmd.text);
    try {
        Outcome outcome = (*handler)(session_, Command{prefix, Cmd.text, Cmd.text.substr(prefix.size()), Line});
        if (outcome == Outcome::Started && !session_.task_) return Outcome::Replied;
        return outcome;
    } catch (const std::exception& e) {
        // A broken handler costs its command, not the simulator.
        std::fprintf(stderr, "modemsim: %s failed: %s\n", Cmd.text.c_str(), e.what());
        return Outcome::Error;
    }
}

Outcome Engine::RunBasic(const std::string& Text) {
    bool amp = Text[0] == '&';
    std::string name = UpperCase(Text.substr(0, amp ? 2 : 1));
    if (name == "S") return RunRegister(Text);
    int n = BasicNumber(std::string_view(Text).substr(name.size()));
    if (n < 0) return Outcome::Error;
    if (name == "E" || name == "V" || name == "Q") {
        if (n > 1) return Outcome::Error;
        if (name == "E") session_.echo_ = n == 1;
        else if (name == "V") session_.verbose_ = n == 1;
        else session_.quiet_ = n == 1;
        return Outcome::Ok;
    }
    if (name == "Z" || name == "&F") {
        session_.ResetSettings();
        return Outcome::Ok;
    }
    return IsNoOpBasic(name) ? Outcome::Ok : Outcome::Error;
}

// "Sn=v" sets, "Sn?" reads (three digits, as modems report registers), "Sn" selects.
Outcome Engine::RunRegister(const std::string& Text) {
    std::size_t mark = Text.find_first_of("=?");
    int reg = BasicNumber(std::string_view(Text).substr(1, mark == std::string::npos ? std::string::npos : mark - 1));
    if (reg < 0 || reg > 255 || mark == 1) return Outcome::Error;
    if (mark == std::string::npos) return Outcome::Ok;
    if (Text[mark] == '?') {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%03u", static_cast<unsigned>(session_.S(reg)));
        session_.Info(digits);
        return Outcome::Ok;
    }
    int value = BasicNumber(std::string_view(Text).substr(mark + 1));
    if (value < 0 || value > 255) return Outcome::Error;
    session_.SetS(reg, static_cast<uint8_t>(value));
    return Outcome::Ok;
}

// --- Tasks

void Engine::StepTask() {
    while (session_.task_) {
        session_.stepNow_ = false;
        std::size_t before = session_.produced_;
        bool more = false;
        try {
            more = session_.task_->Step(session_);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "modemsim: a task failed: %s\n", e.what());
            session_.Final(ResultCode::Error);
        }
        if (!more) {
            FinishTask();
            return;
        }
        // Output that never reaches the queue (a silent modem, dropped bytes)
        // would never drain, so the task goes on at once instead.
        bool vanished = session_.produced_ > before && session_.output_.empty();
        if (!session_.stepNow_ && !vanished) return;
    }
}

void Engine::FinishTask() {
    session_.task_.reset();
    session_.wakePending_ = false;
    // What the task left unread was sent before the bytes still pending.
    pending_.insert(pos_, session_.input_);
    session_.input_.clear();
}

// --- Timers and output

void Engine::Service(uint64_t NowMs) {
    Clock(NowMs);
    if (session_.task_ && session_.wakePending_ && NowMs >= session_.wakeAt_) {
        session_.wakePending_ = false;
        StepTask();
    }
    if (ringPending_ && NowMs >= ringAt_ && !session_.task_ && !session_.silent_) {
        session_.inReply_ = false;
        session_.SendCode(ResultCode::Ring);
        if (ringEvery_ > 0) ringAt_ = NowMs + ringEvery_;
        else ringPending_ = false;
    }
    Pump();
}

std::size_t Engine::Writable(uint64_t NowMs) {
    Clock(NowMs);
    // At a limited speed the line waits for a bucket of bytes rather than
    // waking for each single byte.
    if (throttle_.ReadyAt(session_.output_.size(), NowMs) > NowMs) return 0;
    std::size_t n = std::min(session_.output_.size(), throttle_.Allowed(NowMs));
    // A modem about to vanish sends no byte past its count.
    if (vanishArmed_) n = static_cast<std::size_t>(std::min<uint64_t>(n, vanishLeft_));
    return n;
}

void Engine::Written(std::size_t Count, uint64_t NowMs) {
    Clock(NowMs);
    Count = std::min(Count, session_.output_.size());
    session_.output_.erase(0, Count);
    if (vanishArmed_) vanishLeft_ -= std::min<uint64_t>(Count, vanishLeft_);
    if (Count > 0 && session_.output_.empty() && session_.task_) StepTask();
    // A task that streams refills the queue at once: the line runs on.
    throttle_.Sent(Count, NowMs, !session_.output_.empty());
    Pump();
}

uint64_t Engine::NextDeadline(uint64_t NowMs) {
    Clock(NowMs);
    uint64_t next = kNever;
    if (session_.task_ && session_.wakePending_) next = std::min(next, session_.wakeAt_);
    if (ringPending_ && !session_.silent_ && !session_.task_) next = std::min(next, ringAt_);
    if (!session_.output_.empty()) {
        uint64_t ready = throttle_.ReadyAt(session_.output_.size(), NowMs);
        if (ready > NowMs) next = std::min(next, ready);
    }
    return next;
}

}  // namespace modemsim
