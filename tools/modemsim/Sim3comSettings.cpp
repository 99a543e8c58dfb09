#include "tools/modemsim/Sim3comSettings.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

#include "tools/modemsim/Sim3com.h"
#include "tools/modemsim/Sim3comContent.h"
#include "tools/modemsim/Sim3comMemory.h"

namespace sim3com {
namespace {

using modemsim::Command;
using modemsim::Outcome;
using modemsim::ResultCode;
using modemsim::Session;

constexpr std::size_t kFaxIdLength = 20;
constexpr std::size_t kPasswordLength = 4;
// The revision the models report when the command line names none.
constexpr const char* kRevision = "1.0.42";

AnswerSettings& Current(Session& S) { return S.Extension<SettingsState>().current; }

bool IsDigits(const std::string& Text) {
    return std::all_of(Text.begin(), Text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string NumberText(const Session& S, int Value) {
    if (!S.Opts().Has("settings-padded")) return std::to_string(Value);
    char b[16];
    std::snprintf(b, sizeof b, "%03d", Value);
    return b;
}

// "?" answers, "=v" sets through Put (false: out of range); anything else is an error.
template <class Answer, class Put>
Outcome Setting(Session& S, const Command& C, Answer answer, Put put) {
    if (C.args == "?") {
        S.Info(answer());
        return Outcome::Ok;
    }
    if (C.args.empty() || C.args[0] != '=') return Outcome::Error;
    return put(C.args.substr(1)) ? Outcome::Ok : Outcome::Error;
}

modemsim::CommandHandler FlagCommand(bool AnswerSettings::*Member) {
    return [Member](Session& S, const Command& C) {
        AnswerSettings& a = Current(S);
        return Setting(
            S, C, [&] { return std::string(a.*Member ? "1" : "0"); },
            [&](const std::string& v) {
                if (v != "0" && v != "1") return false;
                a.*Member = v == "1";
                return true;
            });
    };
}

modemsim::CommandHandler NumberCommand(int AnswerSettings::*Member, int Lo, int Hi) {
    return [Member, Lo, Hi](Session& S, const Command& C) {
        AnswerSettings& a = Current(S);
        return Setting(
            S, C, [&] { return NumberText(S, a.*Member); },
            [&](const std::string& v) {
                const auto n = Argument("=" + v);
                if (!n || *n < Lo || *n > Hi) return false;
                a.*Member = static_cast<int>(*n);
                return true;
            });
    };
}

Outcome FaxId(Session& S, const Command& C) {
    AnswerSettings& a = Current(S);
    return Setting(
        S, C, [&] { return "\"" + a.faxId + "\""; },
        [&](const std::string& v) {
            if (v.size() < 2 || v.front() != '"' || v.back() != '"') return false;
            const std::string id = v.substr(1, v.size() - 2);
            const bool printable =
                std::all_of(id.begin(), id.end(), [](char c) { return c >= ' ' && c <= '~' && c != '"'; });
            if (id.size() > kFaxIdLength || !printable) return false;
            a.faxId = id;
            return true;
        });
}

Outcome Password(Session& S, const Command& C) {
    AnswerSettings& a = Current(S);
    return Setting(
        S, C, [&] { return a.password; },
        [&](const std::string& v) {
            if (v.size() > kPasswordLength || !IsDigits(v)) return false;
            a.password = v;
            return true;
        });
}

Outcome WriteFlash(Session& S, const Command& C) {
    if (!C.args.empty()) return Outcome::Error;
    auto& state = S.Extension<SettingsState>();
    state.flash = state.current;
    S.Note("settings stored in flash");
    return Outcome::Ok;
}

// ATZ: the basic settings as after power-on, the answering settings from the flash.
Outcome Reset(Session& S, const Command& C) {
    if (!IsDigits(C.args)) return Outcome::Error;
    S.ResetSettings();
    auto& state = S.Extension<SettingsState>();
    state.current = state.flash;
    return Outcome::Ok;
}

Outcome Revision(Session& S, const Command& C) {
    if (!C.args.empty()) return Outcome::Error;
    S.Info(S.Opts().Get("rev-string", kRevision));
    return Outcome::Ok;
}

// Frames of Tone from the start that fit a page of Limit bytes once shielded.
std::size_t FramesThatFit(const std::string& Tone, std::size_t Limit) {
    std::size_t bytes = 2;  // the DLE ETX at the end
    std::size_t frames = 0;
    for (std::size_t at = 0; at + kGsmFrameSize <= Tone.size(); at += kGsmFrameSize) {
        std::size_t frame = kGsmFrameSize;
        for (std::size_t i = at; i < at + kGsmFrameSize; ++i) frame += static_cast<uint8_t>(Tone[i]) == DLE;
        if (bytes + frame > Limit) break;
        bytes += frame;
        ++frames;
    }
    return frames;
}

// Records until the client's next command line, which the recording's OK
// answers, or until the page is full; line ends before that line are the
// rest of the command that started the recording.
class RecordTask : public modemsim::Task {
public:
    explicit RecordTask(int Message) : message_(Message) {}

    bool Step(Session& S) override {
        if (!started_) {
            started_ = true;
            start_ = S.Now();
            tone_ = GsmTone(kMaxSeconds, 10 + message_);
            fit_ = FramesThatFit(tone_, message_ == 0 ? kOutgoingLimit : kMemoryFullLimit);
            S.Note("recording message " + std::to_string(message_));
        }
        std::string& in = S.Input();
        if (!stopAt_) {
            const std::size_t first = in.find_first_not_of("\r\n");
            in.erase(0, first == std::string::npos ? in.size() : first);
            if (!in.empty()) stopAt_ = S.Now();
        }
        if (stopAt_) {
            const std::size_t cr = in.find('\r');
            // A stop line that never ends is no reason to keep recording.
            if (cr == std::string::npos && S.Now() < *stopAt_ + kLineWaitMs) {
                S.WakeAfter(static_cast<uint32_t>(*stopAt_ + kLineWaitMs - S.Now()));
                return true;
            }
            S.Note(in.substr(0, cr));
            in.erase(0, cr == std::string::npos ? in.size() : cr + 1);
            return Finish(S, *stopAt_);
        }
        const uint64_t fullAt = start_ + static_cast<uint64_t>(fit_) * kFrameMs;
        if (S.Now() >= fullAt) return Finish(S, fullAt);
        S.WakeAfter(static_cast<uint32_t>(fullAt - S.Now()));
        return true;
    }

private:
    static constexpr int kMaxSeconds = 30;
    static constexpr uint64_t kFrameMs = 1000 / kFramesPerSecond;
    static constexpr uint64_t kLineWaitMs = 1000;

    bool Finish(Session& S, uint64_t EndMs) {
        const std::size_t frames = std::min<std::size_t>(fit_, (EndMs - start_) / kFrameMs);
        Memory* memory = S.Extension<State>().memory.get();
        if (!memory || !memory->StoreAnnouncement(message_ == 0 ? 0 : 255,
                                                  Shield(std::string_view(tone_).substr(0, frames * kGsmFrameSize)))) {
            S.Final(ResultCode::Error);
            return false;
        }
        S.Note("recorded " + std::to_string(frames * kFrameMs) + " ms");
        S.Final(ResultCode::Ok);
        return false;
    }

    int message_;
    bool started_ = false;
    uint64_t start_ = 0;
    std::optional<uint64_t> stopAt_;
    std::string tone_;
    std::size_t fit_ = 0;
};

Outcome Record(Session& S, const Command& C) {
    const auto n = Argument(C.args);
    if (!n || *n > 1) return Outcome::Error;
    S.Start(std::make_unique<RecordTask>(static_cast<int>(*n)));
    return Outcome::Started;
}

void SetUp(Session& S) {
    auto& state = S.Extension<SettingsState>();
    state.current = state.flash = ReadAnswerSettings(S.ScenarioData());
}

const modemsim::Registration registered([] {
    modemsim::RegisterOption("settings-padded", "answer the setting queries' numbers with three digits (3Com)");
    modemsim::RegisterSetup("3com", SetUp);
    modemsim::RegisterCommand("3com", "+MCV", FlagCommand(&AnswerSettings::voice));
    modemsim::RegisterCommand("3com", "+MCF", FlagCommand(&AnswerSettings::fax));
    modemsim::RegisterCommand("3com", "+MCD", FlagCommand(&AnswerSettings::remote));
    modemsim::RegisterCommand("3com", "+MCM", FlagCommand(&AnswerSettings::monitor));
    modemsim::RegisterCommand("3com", "+MVD", NumberCommand(&AnswerSettings::duration, 0, 255));
    modemsim::RegisterCommand("3com", "+MCR", NumberCommand(&AnswerSettings::rings, 1, 15));
    modemsim::RegisterCommand("3com", "+MFI", FaxId);
    modemsim::RegisterCommand("3com", "+MCP", Password);
    modemsim::RegisterCommand("56k-pro", "+MCT", FlagCommand(&AnswerSettings::tollSaver));
    modemsim::RegisterCommand("56k-pro", "+MCG", NumberCommand(&AnswerSettings::acousticRing, 0, 9));
    modemsim::RegisterCommand("3com", "+MCW", WriteFlash);
    modemsim::RegisterCommand("3com", "+MVR", Record);
    modemsim::RegisterCommand("3com", "Z", Reset);
    modemsim::RegisterCommand("3com", "#REV?", Revision);
});

}  // namespace

AnswerSettings ReadAnswerSettings(const modemsim::Scenario& Data) {
    AnswerSettings a;
    const modemsim::ScenarioSection* s = Data.Find("settings");
    if (!s) return a;
    auto flag = [s](const char* key, bool& value) { value = modemsim::Bounded(*s, key, value ? 1 : 0, 0, 1) == 1; };
    flag("voice", a.voice);
    flag("fax", a.fax);
    flag("remote", a.remote);
    flag("monitor", a.monitor);
    flag("tollsaver", a.tollSaver);
    a.duration = modemsim::Bounded(*s, "duration", a.duration, 0, 255);
    a.rings = modemsim::Bounded(*s, "rings", a.rings, 1, 15);
    a.acousticRing = modemsim::Bounded(*s, "acousticring", a.acousticRing, 0, 9);
    a.faxId = s->Get("faxid", a.faxId);
    if (a.faxId.size() > kFaxIdLength) modemsim::Fail(*s, "faxid takes at most 20 characters");
    a.password = s->Get("password", a.password);
    if (a.password.size() > kPasswordLength || !IsDigits(a.password))
        modemsim::Fail(*s, "password takes at most 4 digits");
    return a;
}

}  // namespace sim3com
