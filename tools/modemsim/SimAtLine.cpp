#include "tools/modemsim/SimAtLine.h"

#include <cctype>

namespace modemsim {

namespace {

bool IsDigit(char C) { return C >= '0' && C <= '9'; }
bool IsLetter(char C) { return std::isalpha(static_cast<unsigned char>(C)) != 0; }

std::size_t SkipDigits(std::string_view Line, std::size_t Pos) {
    while (Pos < Line.size() && IsDigit(Line[Pos])) ++Pos;
    return Pos;
}

// End of the extended command that starts at Pos: the next ";" outside
// double quotes, or the end of the line.
std::size_t ExtendedEnd(std::string_view Line, std::size_t Pos) {
    bool quoted = false;
    for (; Pos < Line.size(); ++Pos) {
        if (Line[Pos] == '"') quoted = !quoted;
        else if (Line[Pos] == ';' && !quoted) break;
    }
    return Pos;
}

// End of the basic command that starts at Pos; Pos itself when there is none.
std::size_t BasicEnd(std::string_view Line, std::size_t Pos) {
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(Line[Pos])));
    if (c == '&') {
        if (Pos + 1 >= Line.size() || !IsLetter(Line[Pos + 1])) return Pos;
        return SkipDigits(Line, Pos + 2);
    }
    if (!IsLetter(c)) return Pos;
    if (c == 'D') return ExtendedEnd(Line, Pos + 1);
    std::size_t end = SkipDigits(Line, Pos + 1);
    if (c != 'S') return end;
    if (end < Line.size() && Line[end] == '?') return end + 1;
    if (end < Line.size() && Line[end] == '=') return SkipDigits(Line, end + 1);
    return end;
}

}  // namespace

bool IsAtLine(std::string_view Line) {
    return Line.size() >= 2 && (Line[0] == 'A' || Line[0] == 'a') && (Line[1] == 'T' || Line[1] == 't');
}

std::vector<AtCommand> SplitAtLine(std::string_view Line) {
    std::vector<AtCommand> commands;
    std::size_t pos = 2;
    while (pos < Line.size()) {
        char c = Line[pos];
        if (c == ' ' || c == ';') {
            ++pos;
            continue;
        }
        if (c == '+' || c == '#' || c == '$') {
            std::size_t end = ExtendedEnd(Line, pos);
            commands.push_back({std::string(Line.substr(pos, end - pos)), true, false});
            pos = end;
            continue;
        }
        std::size_t end = BasicEnd(Line, pos);
        if (end == pos) {
            commands.push_back({std::string(Line.substr(pos)), false, true});
            break;
        }
        commands.push_back({std::string(Line.substr(pos, end - pos)), false, false});
        pos = end;
    }
    return commands;
}

}  // namespace modemsim
