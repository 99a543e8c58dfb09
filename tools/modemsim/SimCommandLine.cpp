#include "tools/modemsim/SimCommandLine.h"

#include "tools/modemsim/SimRegistry.h"

namespace modemsim {

namespace {

const Registration lineOptions([] {
    RegisterOption("link", "PATH: make PATH a symbolic link to the simulated port (required)");
    RegisterOption("transcript", "FILE: write every received line to FILE, one per line");
    RegisterOption("scenario", "FILE: what the modem holds (see README.md)");
    RegisterOption("model", "NAME: the modem to play (default sportster)");
    RegisterOption("model-string", "TEXT: reply TEXT to AT#MDL? instead of the model's own reply");
    RegisterOption("help", "show this text");
});

}  // namespace

Options ParseCommandLine(const std::vector<std::string>& Args) {
    Options opts;
    for (std::size_t i = 0; i < Args.size(); ++i) {
        const std::string& arg = Args[i];
        if (arg.rfind("--", 0) != 0 || arg.size() == 2) throw UsageError("unexpected argument \"" + arg + "\"");
        std::string name = arg.substr(2);
        std::string value;
        std::size_t eq = name.find('=');
        if (eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.erase(eq);
        } else if (i + 1 < Args.size() && Args[i + 1].rfind("--", 0) != 0) {
            value = Args[++i];
        }
        if (!IsRegisteredOption(name)) throw UsageError("unknown option --" + name);
        opts.Add(name, value);
    }
    return opts;
}

ModelInfo SelectModel(const Options& Opts) {
    std::string name = Opts.Get("model", "sportster");
    const ModelInfo* found = FindModel(name);
    if (!found) {
        std::string known;
        for (const auto& m : RegisteredModels()) known += " " + m.name;
        throw UsageError("unknown model \"" + name + "\"; known:" + known);
    }
    ModelInfo model = *found;
    if (Opts.Has("model-string")) model.modelReply = Opts.Get("model-string");
    return model;
}

std::string Usage() {
    std::string text = "usage: modemsim --link PATH [options]\n\noptions:\n";
    for (const auto& o : RegisteredOptions()) text += "  --" + o.name + "  " + o.help + "\n";
    text += "\nmodels:\n";
    for (const auto& m : RegisteredModels())
        text += "  " + m.name + " (" + m.family + ")" +
                (m.modelReply.empty() ? "" : ": AT#MDL? answers \"" + m.modelReply + "\"") + "\n";
    return text;
}

}  // namespace modemsim
