#include "tools/modemsim/SimRegistry.h"

#include <map>

#include "platform/StrUtils.h"

namespace modemsim {

namespace {

struct CommandEntry {
    std::string family;
    std::string prefix;
    CommandHandler handler;
};

struct SetupEntry {
    std::string family;
    SetupHook hook;
};

// Function-local statics: the family files register from their own static
// initialisers, whose order against this file's is unspecified.
std::vector<CommandEntry>& Commands() {
    static std::vector<CommandEntry> table;
    return table;
}

std::vector<SetupEntry>& Setups() {
    static std::vector<SetupEntry> table;
    return table;
}

std::map<std::string, std::string>& OptionTable() {
    static std::map<std::string, std::string> table;
    return table;
}

std::vector<ModelInfo>& Models() {
    static std::vector<ModelInfo> table;
    return table;
}

bool StartsWithNoCase(const std::string& Text, const std::string& Prefix) {
    return Text.size() >= Prefix.size() && SameText(Text.substr(0, Prefix.size()), Prefix);
}

// How closely a registration for Target fits Model: 3 its name, 2 its
// family, 1 every model, 0 not at all.
int Rank(const std::string& Target, const ModelInfo& Model) {
    if (Target.empty()) return 1;
    if (Target == Model.name) return 3;
    return Target == Model.family ? 2 : 0;
}

std::vector<std::string>& Conflicts() {
    static std::vector<std::string> list;
    return list;
}

}  // namespace

void RegisterCommand(const std::string& Family, const std::string& Prefix, CommandHandler Handler) {
    // Which of two static registrations ran last is up to the linker, so a
    // second one must not silently win.
    for (const auto& e : Commands())
        if (e.family == Family && SameText(e.prefix, Prefix))
            Conflicts().push_back(Prefix + " for " + (Family.empty() ? "every model" : Family));
    Commands().push_back({Family, Prefix, std::move(Handler)});
}

std::vector<std::string> RegistrationConflicts() { return Conflicts(); }

void RegisterSetup(const std::string& Family, SetupHook Hook) { Setups().push_back({Family, std::move(Hook)}); }

void RegisterOption(const std::string& Name, const std::string& Help) { OptionTable()[Name] = Help; }

void RegisterModel(const ModelInfo& Model) {
    for (auto& m : Models()) {
        if (m.name == Model.name) {
            m = Model;
            return;
        }
    }
    Models().push_back(Model);
}

const CommandHandler* FindCommand(const ModelInfo& Model, const std::string& Text, std::string& Prefix) {
    const CommandEntry* best = nullptr;
    int bestRank = 0;
    for (const auto& e : Commands()) {
        int rank = Rank(e.family, Model);
        if (rank == 0 || !StartsWithNoCase(Text, e.prefix)) continue;
        bool better = !best || e.prefix.size() > best->prefix.size() ||
                      (e.prefix.size() == best->prefix.size() && rank > bestRank);
        if (better) {
            best = &e;
            bestRank = rank;
        }
    }
    if (!best) return nullptr;
    Prefix = best->prefix;
    return &best->handler;
}

std::vector<SetupHook> SetupHooks(const ModelInfo& Model) {
    std::vector<SetupHook> hooks;
    for (const auto& e : Setups())
        if (Rank(e.family, Model) > 0) hooks.push_back(e.hook);
    return hooks;
}

std::vector<OptionInfo> RegisteredOptions() {
    std::vector<OptionInfo> all;
    for (const auto& [name, help] : OptionTable()) all.push_back({name, help});
    return all;
}

bool IsRegisteredOption(const std::string& Name) { return OptionTable().count(Name) > 0; }

const ModelInfo* FindModel(const std::string& Name) {
    for (const auto& m : Models())
        if (m.name == Name) return &m;
    return nullptr;
}

std::vector<ModelInfo> RegisteredModels() { return Models(); }

}  // namespace modemsim
