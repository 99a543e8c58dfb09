#pragma once
// The stand-alone answering settings of the simulated 3Com/U.S. Robotics
// message modems and the recording of their two announcements.
//
//   +MCV? / +MCV=f    voice reception          +MCF? / +MCF=f    fax reception
//   +MCD? / +MCD=f    remote access            +MCM? / +MCM=f    recording monitor
//   +MVD? / +MVD=n    recording length, 0 (no limit) to 255 seconds
//   +MCR? / +MCR=n    rings before answering, 1 to 15
//   +MFI? / +MFI="t"  fax ID, at most 20 printable characters, no double quote;
//                     the query answers the ID in double quotes
//   +MCP? / +MCP=d    remote password, at most 4 digits (none clears it)
//   +MCT? / +MCT=f    toll saver           } the Professional model (56k-pro)
//   +MCG? / +MCG=n    acoustic ring, 0-9   } only; the others answer ERROR
//   +MCW              stores the settings in the flash memory; ATZ takes the
//                     settings back from there
//   +MVR=0 / +MVR=1   records the outgoing (0) or memory-full (1) message
//                     until the client sends a command line, whose reply is
//                     the recording's OK, or until the message's page is
//                     full; the message then plays as long as it was recorded
//
// Flags read and set as 0 and 1, numbers in decimal; a value out of range
// answers ERROR and changes nothing. --settings-padded answers the number
// queries with three digits ("060"), as the modems' status lines give them.
//
// Scenario (every key optional; the defaults in brackets):
//     [settings]
//     voice = 1          [1]        fax = 1            [1]
//     remote = 0         [0]        monitor = 0        [0]
//     duration = 60      [60]       rings = 4          [5]
//     faxid = "FAX 1"    [""]       password = 1234    [""]
//     tollsaver = 0      [0]        acousticring = 3   [3]
#include <string>

#include "tools/modemsim/Sim.h"
#include "tools/modemsim/SimScenario.h"

namespace sim3com {

struct AnswerSettings {
    bool voice = true;
    bool fax = true;
    bool remote = false;
    bool monitor = false;
    bool tollSaver = false;
    int duration = 60;
    int rings = 5;
    int acousticRing = 3;
    std::string faxId;
    std::string password;

    bool operator==(const AnswerSettings&) const = default;
};

// What a session keeps: the settings in use and those in the flash memory.
struct SettingsState : modemsim::ExtensionState {
    AnswerSettings current;
    AnswerSettings flash;
};

// The [settings] section of a scenario; raises modemsim::ScenarioError naming
// the line of a value out of range.
AnswerSettings ReadAnswerSettings(const modemsim::Scenario& Data);

}  // namespace sim3com
