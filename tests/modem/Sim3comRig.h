#pragma once
// A 3Com family object on COM2, with the simulator playing a 3Com message
// modem from a scenario of the test's own, a serial log and a fixed clock.
#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "modem/CommClass.h"
#include "modem/CommClassLog.h"
#include "modem/Modem_3com.h"
#include "modem/PumpApp.h"
#include "platform/Clock.h"
#include "testkit/ModemSim.h"
#include "testkit/TestKit.h"

namespace sim3comtest {

// Puts the clock at a fixed moment for the lifetime of the object.
class FixedClock {
public:
    explicit FixedClock(TDateTime Moment) { SetNow(Moment); }
    ~FixedClock() { ResetClock(); }
    FixedClock(const FixedClock&) = delete;
    FixedClock& operator=(const FixedClock&) = delete;
};

inline std::vector<std::string> WithScenario(const std::string& Path, std::vector<std::string> Args) {
    Args.insert(Args.begin(), {"--model", "56k-message", "--scenario", Path});
    return Args;
}

inline std::string WriteScenario(const std::string& Dir, const std::string& Text) {
    const std::string path = Dir + "/memory.txt";
    testkit::WriteFile(path, Text);
    return path;
}

class Rig {
public:
    explicit Rig(const std::string& Scenario, std::vector<std::string> SimArgs = {})
        : sim(testkit::PortLink(2), WithScenario(WriteScenario(log.Home(), Scenario), std::move(SimArgs))),
          modem(&comm) {
        modemtest::EnsureApp();
        comm.SetPort(pnCOM2);
        comm.SetBaudRate(br115200);
    }

    // How often the simulator received Line.
    long Received(const std::string& Line) const {
        const auto lines = sim.TranscriptLines();
        return std::count(lines.begin(), lines.end(), Line);
    }
    // Waits up to Ms for the simulator to have received Line Times times.
    bool WaitReceived(const std::string& Line, long Times = 1, int Ms = 3000) const {
        for (int waited = 0; waited < Ms; waited += 10) {
            if (Received(Line) >= Times) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return Received(Line) >= Times;
    }
    // The received lines that begin with Prefix, in order.
    std::vector<std::string> ReceivedStarting(const std::string& Prefix) const {
        std::vector<std::string> out;
        for (const auto& l : sim.TranscriptLines())
            if (l.compare(0, Prefix.size(), Prefix) == 0) out.push_back(l);
        return out;
    }

    commtest::SerialLog log;  // first: it makes the private state directory
    testkit::ModemSim sim;
    TCommClass comm;
    TModem3comClass modem;
};

}  // namespace sim3comtest
