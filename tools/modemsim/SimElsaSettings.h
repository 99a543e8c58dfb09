#pragma once
// The configuration of the simulated ELSA MicroLink Office. Each setting is
// a query "?" that answers "<command>: <fields>" and a set command "=" that
// takes the same fields; a value the modem cannot take answers ERROR and
// changes nothing. The settings outlive the client closing the port.
//
//   +GCI     country, two hexadecimal digits: 0A 0F 31 3C 3D 04 B4 57 52 59
//            69 78 82 A5 A6, or 42 (none of the list)
//   $JCFGF   fax take-over, answering machine on                  (flags)
//   $JCFGM   system messages, caller ID, time of message (flags), announcement 0-3
//   $JCFGT   fax, voice, field 3 (0 plays the announcement only), hook
//            configuration, DTMF configuration, compatible mode   (flags)
//   $JCFGV   longest message 0-30 (0 infinite, else n x 15 s), shortest 0-15 s,
//            an empty field, the format ADPCM2-7, ADPCM4-7 or PCM8L-7 (an empty
//            one keeps the format), record voice, monitor         (flags)
//   $JVGT $JVGR $JVGS $JVGM   play, record, speaker and microphone volume, 0-255
//   $JFLI    fax ID in double quotes, at most 20 printable characters
//   $JPWD    remote control, remote configuration (flags), the password in
//            double quotes: at most 8 of the keys 0-9, * and #
//   $JRING   rings 1-9, acoustic ring, ring indication, toll saver (flags)
//
// Option: --settings-ms MS makes every one of these commands answer MS ms late.
//
// Scenario: a section [settings] sets any of them with the fields of its set
// command, under the command's name without "$J" or "+" in small letters:
//     [settings]
//     gci = 04
//     cfgv = "0,3,,ADPCM4-7,1,0"
//     fli = "\"ELSA\""
#include <map>
#include <optional>
#include <string>

#include "tools/modemsim/Sim.h"
#include "tools/modemsim/SimScenario.h"

namespace simelsa {

// What a session keeps: each setting's fields by its command ("$JCFGV").
struct SettingsState : modemsim::ExtensionState {
    std::map<std::string, std::string> values;
};

// The settings of a modem fresh from the factory.
std::map<std::string, std::string> DefaultSettings();
// The fields a set command of Command stores: Fields in the form the queries
// answer, with Current for what an empty field keeps; nothing when the
// modem cannot take them.
std::optional<std::string> SettingFields(const std::string& Command, const std::string& Fields,
                                         const std::string& Current);
// The defaults with the [settings] section of Data applied; raises
// modemsim::ScenarioError naming a value the modem could not take.
std::map<std::string, std::string> ReadSettings(const modemsim::Scenario& Data);

}  // namespace simelsa
