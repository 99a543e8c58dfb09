#pragma once
// The tables behind the registration functions of Sim.h, as the core reads them.
#include <string>
#include <vector>

#include "tools/modemsim/Sim.h"

namespace modemsim {

struct OptionInfo {
    std::string name;
    std::string help;
};

// The handler for Text (an extended command such as "+mtp=3" or a basic one
// such as "i4") in a session of Model: the longest registered prefix that Text
// begins with, letters compared without regard to case, among the handlers
// registered for the model's name, its family or every model; for equal
// prefixes the model's own wins over its family's, and that over one for
// every model. nullptr when none matches; Prefix receives the matching prefix
// as registered.
const CommandHandler* FindCommand(const ModelInfo& Model, const std::string& Text, std::string& Prefix);
// The setup hooks that apply to Model (registered for every model, its family
// or its name), in registration order.
std::vector<SetupHook> SetupHooks(const ModelInfo& Model);
// Every registered option, sorted by name.
std::vector<OptionInfo> RegisteredOptions();
bool IsRegisteredOption(const std::string& Name);
// The model of that name, or nullptr.
const ModelInfo* FindModel(const std::string& Name);
// Prefixes registered twice for the same target ("+MSR for 3com"); the
// simulator refuses to start with any.
std::vector<std::string> RegistrationConflicts();
// Every registered model, in registration order.
std::vector<ModelInfo> RegisteredModels();

}  // namespace modemsim
