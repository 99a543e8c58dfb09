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

}  // namespace

void RegisterCommand(const std::string& Family, const std::string& Prefix, CommandHandler Handler) {
    for (auto& e : Commands()) {
        if (e.family == Family && SameText(e.prefix, Prefix)) {
            e.handler = std::move(Handler);
            return;
        }
    }
    Commands().push_back({Family, Prefix, std::move(Handler)});
}

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

const CommandHandler* FindCommand(const std::string& Family, const std::string& Text, std::string& Prefix) {
    const CommandEntry* best = nullptr;
    for (const auto& e : Commands()) {
        if (!e.family.empty() && e.family != Family) continue;
        if (!StartsWithNoCase(Text, e.prefix)) continue;
        bool better = !best || e.prefix.size() > best->prefix.size() ||
                      (e.prefix.size() == best->prefix.size() && !e.family.empty());
        if (better) best = &e;
    }
    if (!best) return nullptr;
    Prefix = best->prefix;
    return &best->handler;
}

std::vector<SetupHook> SetupHooks(const std::string& Family) {
    std::vector<SetupHook> hooks;
    for (const auto& e : Setups())
        if (e.family.empty() || e.family == Family) hooks.push_back(e.hook);
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
