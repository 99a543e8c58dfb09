#pragma once
// Splits a command line into the commands it chains.
#include <string>
#include <string_view>
#include <vector>

namespace modemsim {

struct AtCommand {
    std::string text;       // as received: "E0", "s31=128", "&F1", "+MVP=3"
    bool extended = false;  // starts with "+", "#" or "$" and runs to ";" or the end of the line
    bool bad = false;       // cannot be read as a command; the line stops here with ERROR
};

// Line is a whole command line that begins with "AT" in any letter case.
// Basic commands are a letter (or "&" and a letter) with an optional number;
// "S" takes "n=v", "n?" or "n"; "D" takes the rest of the line up to ";".
// Blanks between commands are skipped. An extended command runs to the next
// ";" outside double quotes or to the end of the line. Splitting stops after
// the first bad command.
std::vector<AtCommand> SplitAtLine(std::string_view Line);

// Whether Line begins with "AT" in any letter case.
bool IsAtLine(std::string_view Line);

}  // namespace modemsim
