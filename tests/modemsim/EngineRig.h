#pragma once
// The simulator's engine driven in-process for the simulator's own tests: a
// clock of the test's own, the bytes typed in, what the line would carry at
// once, and the transcript. A family's tests derive their rig from it.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tools/modemsim/SimEngine.h"
#include "tools/modemsim/SimRegistry.h"

namespace simtest {

class EngineRig {
public:
    using OptList = std::vector<std::pair<std::string, std::string>>;

    EngineRig(modemsim::ModelInfo Model, const OptList& Opts, modemsim::Scenario Data)
        : engine_(std::move(Model), MakeOptions(Opts), std::move(Data),
                  [this](std::string_view l) { transcript.emplace_back(l); }, now) {}
    EngineRig(const EngineRig&) = delete;
    EngineRig& operator=(const EngineRig&) = delete;

    static modemsim::Options MakeOptions(const OptList& Opts) {
        modemsim::Options o;
        for (const auto& [k, v] : Opts) o.Add(k, v);
        return o;
    }

    // What the modem sends in answer to Bytes, with the line taking all it may.
    std::string Type(const std::string& Bytes) {
        engine_.Receive(Bytes, now);
        return Drain();
    }
    std::string Drain() {
        std::string out;
        while (std::size_t n = engine_.Writable(now)) {
            out.append(engine_.Output().substr(0, n));
            engine_.Written(n, now);
        }
        return out;
    }
    // Lets Ms pass on the clock and returns what the modem sent meanwhile.
    std::string Advance(uint64_t Ms) {
        now += Ms;
        engine_.Service(now);
        return Drain();
    }
    modemsim::Session& Modem() { return engine_.Modem(); }
    modemsim::Engine& Core() { return engine_; }

    uint64_t now = 1000;
    std::vector<std::string> transcript;

private:
    modemsim::Engine engine_;
};

}  // namespace simtest
