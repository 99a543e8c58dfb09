#include "tools/modemsim/SimElsaSettings.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <memory>
#include <vector>

#include "platform/StrUtils.h"

namespace simelsa {
namespace {

using modemsim::Command;
using modemsim::Outcome;
using modemsim::ResultCode;
using modemsim::Session;

// One field of a setting: what it may hold, turned into the form the modem
// keeps it in; nothing when it may not hold that.
using FieldRule = std::function<std::optional<std::string>(const std::string& Field, const std::string& Current)>;

std::vector<std::string> Split(const std::string& Text) {
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (;;) {
        const std::size_t comma = Text.find(',', at);
        parts.push_back(Text.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
        if (comma == std::string::npos) return parts;
        at = comma + 1;
    }
}

FieldRule Number(int Lo, int Hi) {
    return [Lo, Hi](const std::string& f, const std::string&) -> std::optional<std::string> {
        if (f.empty() || f.size() > 4 || !std::all_of(f.begin(), f.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        const int n = std::stoi(f);
        if (n < Lo || n > Hi) return std::nullopt;
        return std::to_string(n);
    };
}

const FieldRule kFlag = Number(0, 1);

const FieldRule kEmpty = [](const std::string& f, const std::string&) -> std::optional<std::string> {
    if (!f.empty()) return std::nullopt;
    return f;
};

const FieldRule kFormat = [](const std::string& f, const std::string& current) -> std::optional<std::string> {
    if (f.empty()) return current;
    if (f != "ADPCM2-7" && f != "ADPCM4-7" && f != "PCM8L-7") return std::nullopt;
    return f;
};

FieldRule Quoted(std::size_t Longest, const std::function<bool(char)>& Allowed) {
    return [Longest, Allowed](const std::string& f, const std::string&) -> std::optional<std::string> {
        if (f.size() < 2 || f.front() != '"' || f.back() != '"') return std::nullopt;
        const std::string inner = f.substr(1, f.size() - 2);
        if (inner.size() > Longest || !std::all_of(inner.begin(), inner.end(), Allowed)) return std::nullopt;
        return f;
    };
}

const FieldRule kCountry = [](const std::string& f, const std::string&) -> std::optional<std::string> {
    static const char* const known[] = {"0A", "0F", "31", "3C", "3D", "04", "B4", "57",
                                        "52", "59", "69", "78", "82", "A5", "A6", "42"};
    const std::string code = UpperCase(f);
    if (std::none_of(std::begin(known), std::end(known), [&](const char* k) { return code == k; }))
        return std::nullopt;
    return code;
};

struct Setting {
    const char* command;
    const char* scenarioKey;
    std::vector<FieldRule> fields;
    const char* factory;
    // The whole value is one field (a text that may hold commas).
    bool whole = false;
};

const std::vector<Setting>& Settings() {
    static const auto printable = [](char c) { return c >= ' ' && c <= '~' && c != '"'; };
    static const auto key = [](char c) { return (c >= '0' && c <= '9') || c == '*' || c == '#'; };
    static const std::vector<Setting> all = {
        {"+GCI", "gci", {kCountry}, "04"},
        {"$JCFGF", "cfgf", {kFlag, kFlag}, "1,1"},
        {"$JCFGM", "cfgm", {kFlag, kFlag, kFlag, Number(0, 3)}, "1,0,1,0"},
        {"$JCFGT", "cfgt", {kFlag, kFlag, kFlag, kFlag, kFlag, kFlag}, "1,1,1,0,1,0"},
        {"$JCFGV", "cfgv", {Number(0, 30), Number(0, 15), kEmpty, kFormat, kFlag, kFlag}, "0,3,,ADPCM4-7,1,0"},
        {"$JVGT", "vgt", {Number(0, 255)}, "128"},
        {"$JVGR", "vgr", {Number(0, 255)}, "128"},
        {"$JVGS", "vgs", {Number(0, 255)}, "192"},
        {"$JVGM", "vgm", {Number(0, 255)}, "160"},
        {"$JFLI", "fli", {Quoted(20, printable)}, "\"ELSA MicroLink\"", true},
        {"$JPWD", "pwd", {kFlag, kFlag, Quoted(8, key)}, "1,0,\"1234\""},
        {"$JRING", "ring", {Number(1, 9), kFlag, kFlag, kFlag}, "4,1,1,0"},
    };
    return all;
}

const Setting* Find(const std::string& Command) {
    for (const Setting& s : Settings())
        if (SameText(s.command, Command)) return &s;
    return nullptr;
}

// Sends a reply once the modem has taken its time for it; what the client
// sends meanwhile waits for the command interpreter.
class LateReply : public modemsim::Task {
public:
    LateReply(std::string Text, ResultCode Code, uint32_t Ms) : text_(std::move(Text)), code_(Code), ms_(Ms) {}
    bool Step(Session& S) override {
        if (!started_) {
            started_ = true;
            due_ = S.Now() + ms_;
        }
        if (S.Now() < due_) {
            S.WakeAfter(static_cast<uint32_t>(due_ - S.Now()));
            return true;
        }
        if (!text_.empty()) S.Info(text_);
        S.Final(code_);
        return false;
    }

private:
    std::string text_;
    ResultCode code_;
    uint32_t ms_;
    bool started_ = false;
    uint64_t due_ = 0;
};

// "?" answers the fields, "=fields" stores them.
Outcome SettingCommand(Session& S, const Command& C) {
    auto& values = S.Extension<SettingsState>().values;
    std::string& value = values[C.prefix];
    std::string text;
    bool ok = true;
    if (C.args == "?") {
        text = C.prefix + ": " + value;
    } else {
        const auto stored = C.args.empty() || C.args[0] != '=' ? std::nullopt
                                                                : SettingFields(C.prefix, C.args.substr(1), value);
        ok = stored.has_value();
        if (ok) value = *stored;
    }
    const long long ms = S.Opts().GetInt("settings-ms", 0);
    if (ms > 0) {
        S.Start(std::make_unique<LateReply>(text, ok ? ResultCode::Ok : ResultCode::Error, static_cast<uint32_t>(ms)));
        return Outcome::Started;
    }
    if (!text.empty()) S.Info(text);
    return ok ? Outcome::Ok : Outcome::Error;
}

void SetUp(Session& S) { S.Extension<SettingsState>().values = ReadSettings(S.ScenarioData()); }

const modemsim::Registration registered([] {
    modemsim::RegisterOption("settings-ms", "MS: the configuration commands answer after MS ms (ELSA)");
    modemsim::RegisterSetup("elsa", SetUp);
    for (const Setting& s : Settings()) modemsim::RegisterCommand("elsa", s.command, SettingCommand);
});

}  // namespace

std::map<std::string, std::string> DefaultSettings() {
    std::map<std::string, std::string> values;
    for (const Setting& s : Settings()) values[s.command] = s.factory;
    return values;
}

std::optional<std::string> SettingFields(const std::string& Command, const std::string& Fields,
                                         const std::string& Current) {
    const Setting* s = Find(Command);
    if (!s) return std::nullopt;
    const std::vector<std::string> parts = s->whole ? std::vector<std::string>{Fields} : Split(Fields);
    const std::vector<std::string> current = s->whole ? std::vector<std::string>{Current} : Split(Current);
    if (parts.size() != s->fields.size()) return std::nullopt;
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto f = s->fields[i](parts[i], i < current.size() ? current[i] : std::string());
        if (!f) return std::nullopt;
        out += (i > 0 ? "," : "") + *f;
    }
    return out;
}

std::map<std::string, std::string> ReadSettings(const modemsim::Scenario& Data) {
    auto values = DefaultSettings();
    const modemsim::ScenarioSection* section = Data.Find("settings");
    if (!section) return values;
    for (const Setting& s : Settings()) {
        if (!section->Has(s.scenarioKey)) continue;
        const auto stored = SettingFields(s.command, section->Get(s.scenarioKey), values[s.command]);
        if (!stored) modemsim::Fail(*section, std::string(s.scenarioKey) + " holds what the modem cannot take");
        values[s.command] = *stored;
    }
    return values;
}

}  // namespace simelsa
