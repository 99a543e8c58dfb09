// The ELSA MicroLink Office's commands in the simulator: directory, clock,
// free memory, erase and download of its files.
#include "tools/modemsim/SimElsa.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/Clock.h"
#include "platform/Exceptions.h"

namespace simelsa {

namespace {

using modemsim::Command;
using modemsim::Outcome;
using modemsim::Session;

Store& StoreOf(Session& S) {
    auto& state = S.Extension<State>();
    if (!state.store) state.store = std::make_unique<Store>(DefaultStore());
    return *state.store;
}

// "=a,b,c" with three decimal numbers of at most four digits.
std::optional<std::vector<int>> ThreeNumbers(const std::string& Args) {
    if (Args.empty() || Args[0] != '=') return std::nullopt;
    std::vector<int> numbers;
    std::size_t at = 1;
    for (;;) {
        const std::size_t comma = Args.find(',', at);
        const std::string piece = Args.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        if (piece.empty() || piece.size() > 4 ||
            !std::all_of(piece.begin(), piece.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        numbers.push_back(std::stoi(piece));
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    if (numbers.size() != 3) return std::nullopt;
    return numbers;
}

// The file name of "=\"name\"".
std::optional<std::string> QuotedName(const std::string& Args) {
    if (Args.size() < 3 || Args[0] != '=' || Args[1] != '"' || Args.back() != '"') return std::nullopt;
    std::string name = Args.substr(2, Args.size() - 3);
    if (name.find('"') != std::string::npos) return std::nullopt;
    return name;
}

Outcome Directory(Session& S, const Command& C) {
    if (!C.args.empty()) return Outcome::Error;
    for (const auto& f : StoreOf(S).files) S.Info(DirectoryLine(f));
    return Outcome::Ok;
}

Outcome SetDate(Session& S, const Command& C) {
    const auto n = ThreeNumbers(C.args);
    if (!n) return Outcome::Error;
    try {
        EncodeDate((*n)[0], (*n)[1], (*n)[2]);
    } catch (const EConvertError&) {
        return Outcome::Error;
    }
    S.Extension<State>().date = C.args.substr(1);
    return Outcome::Ok;
}

Outcome SetTime(Session& S, const Command& C) {
    const auto n = ThreeNumbers(C.args);
    if (!n || (*n)[0] > 23 || (*n)[1] > 59 || (*n)[2] > 59) return Outcome::Error;
    S.Extension<State>().time = C.args.substr(1);
    return Outcome::Ok;
}

Outcome FreeMemory(Session& S, const Command& C) {
    if (C.args != "=FREE" && C.args != "=free") return Outcome::Error;
    S.Info("FREE: " + std::to_string(StoreOf(S).FreePercent()));
    return Outcome::Ok;
}

Outcome Erase(Session& S, const Command& C) {
    const auto name = QuotedName(C.args);
    if (!name || !StoreOf(S).Erase(*name)) return Outcome::Error;
    return Outcome::Ok;
}

Outcome Download(Session& S, const Command& C) {
    const auto name = QuotedName(C.args);
    const File* f = name ? StoreOf(S).Find(*name) : nullptr;
    if (!f) return Outcome::Error;
    S.Start(MakeDownload(f->name, f->data, ReadFaults(S.Opts())));
    return Outcome::Started;
}

void SetUp(Session& S) {
    // The fault options are read at every download; a bad one ends the start instead.
    ReadFaults(S.Opts());
    auto& state = S.Extension<State>();
    const auto& data = S.ScenarioData();
    const bool none = data.path.empty() && data.sections.empty();
    state.store = std::make_unique<Store>(none ? DefaultStore() : ReadStore(data));
}

const modemsim::Registration registered([] {
    modemsim::RegisterOption("dnl-bad-start", "B[:N]: N wrong start bytes in place of download block B (ELSA)");
    modemsim::RegisterOption("dnl-pause", "B[:MS]: pause MS ms (default 1500) before download block B (ELSA)");
    modemsim::RegisterOption("dnl-cancel", "B: CAN in place of download block B (ELSA)");
    modemsim::RegisterOption("dnl-bad-checksum", "B: download block B with a wrong checksum (ELSA)");
    modemsim::RegisterOption("dnl-short", "B: download block B stops after half its data the first time (ELSA)");
    modemsim::RegisterOption("dnl-garbage", "B: line noise before download block B (ELSA)");
    modemsim::RegisterSetup("elsa", SetUp);
    modemsim::RegisterCommand("elsa", "$JDIR", Directory);
    modemsim::RegisterCommand("elsa", "$JDATE", SetDate);
    modemsim::RegisterCommand("elsa", "$JTIME", SetTime);
    modemsim::RegisterCommand("elsa", "$JMEM", FreeMemory);
    modemsim::RegisterCommand("elsa", "$JDEL", Erase);
    modemsim::RegisterCommand("elsa", "$JDNL", Download);
});

}  // namespace

}  // namespace simelsa
