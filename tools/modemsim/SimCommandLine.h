#pragma once
// The simulator's command line: every option a file registered, in the forms
// "--name VALUE", "--name=VALUE" and a bare "--name".
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/modemsim/Sim.h"

namespace modemsim {

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Args without the program name. A following argument that does not begin
// with "--" is the option's value. Unknown options and stray arguments raise
// UsageError.
Options ParseCommandLine(const std::vector<std::string>& Args);

// The model --model names (default "sportster"), with --model-string in place
// of its model reply; UsageError for a model nobody registered.
ModelInfo SelectModel(const Options& Opts);

// The help text: the options and the models.
std::string Usage();

}  // namespace modemsim
