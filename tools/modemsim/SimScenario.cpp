#include "tools/modemsim/SimScenario.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/StrUtils.h"

namespace modemsim {

namespace {

std::string LineError(int Line, const std::string& What) {
    return "scenario line " + std::to_string(Line) + ": " + What;
}

int HexDigit(char C) {
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'a' && C <= 'f') return C - 'a' + 10;
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    return -1;
}

// The text between the double quotes of Quoted (which starts with one), with
// its escapes resolved.
std::string Unquote(const std::string& Quoted, int Line) {
    std::string out;
    std::size_t i = 1;
    for (; i < Quoted.size() && Quoted[i] != '"'; ++i) {
        char c = Quoted[i];
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= Quoted.size()) break;
        switch (Quoted[i]) {
            case '\\': out += '\\'; break;
            case '"': out += '"'; break;
            case 'r': out += '\r'; break;
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'x': {
                int hi = i + 1 < Quoted.size() ? HexDigit(Quoted[i + 1]) : -1;
                int lo = i + 2 < Quoted.size() ? HexDigit(Quoted[i + 2]) : -1;
                if (hi < 0 || lo < 0) throw ScenarioError(LineError(Line, "\\x needs two hex digits"));
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                break;
            }
            default: throw ScenarioError(LineError(Line, std::string("unknown escape \\") + Quoted[i]));
        }
    }
    if (i >= Quoted.size()) throw ScenarioError(LineError(Line, "missing closing double quote"));
    if (!Trim(Quoted.substr(i + 1)).empty())
        throw ScenarioError(LineError(Line, "text after the closing double quote"));
    return out;
}

std::string Value(const std::string& Raw, int Line) {
    std::string v = Trim(Raw);
    if (!v.empty() && v.front() == '"') return Unquote(v, Line);
    return v;
}

}  // namespace

bool ScenarioSection::Has(const std::string& Key) const {
    for (const auto& [k, v] : entries)
        if (SameText(k, Key)) return true;
    return false;
}

std::string ScenarioSection::Get(const std::string& Key, const std::string& Default) const {
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if (SameText(it->first, Key)) return it->second;
    return Default;
}

long long ScenarioSection::GetInt(const std::string& Key, long long Default) const {
    if (!Has(Key)) return Default;
    std::string text = Get(Key);
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE)
        throw ScenarioError(LineError(line, "\"" + Key + "\" of [" + name + "] is not a number: " + text));
    return v;
}

std::vector<const ScenarioSection*> Scenario::All(const std::string& Name) const {
    std::vector<const ScenarioSection*> found;
    for (const auto& s : sections)
        if (SameText(s.name, Name)) found.push_back(&s);
    return found;
}

const ScenarioSection* Scenario::Find(const std::string& Name) const {
    for (const auto& s : sections)
        if (SameText(s.name, Name)) return &s;
    return nullptr;
}

Scenario ParseScenario(std::string_view Text) {
    Scenario sc;
    std::istringstream in{std::string(Text)};
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        std::string line = Trim(raw);
        if (line.empty() || line.front() == '#' || line.front() == ';') continue;
        if (line.front() == '[') {
            if (line.back() != ']') throw ScenarioError(LineError(number, "a heading ends with ]"));
            sc.sections.push_back({Trim(line.substr(1, line.size() - 2)), number, {}});
            continue;
        }
        if (sc.sections.empty()) sc.sections.push_back({"", 0, {}});
        std::size_t eq = line.find('=');
        std::string key = Trim(line.substr(0, eq));
        if (key.empty()) throw ScenarioError(LineError(number, "an entry needs a key"));
        std::string value = eq == std::string::npos ? "" : Value(line.substr(eq + 1), number);
        sc.sections.back().entries.emplace_back(key, value);
    }
    return sc;
}

Scenario LoadScenario(const std::string& Path) {
    std::ifstream in(Path, std::ios::binary);
    if (!in) throw ScenarioError("cannot read the scenario file " + Path);
    std::ostringstream text;
    text << in.rdbuf();
    Scenario sc = ParseScenario(text.str());
    sc.path = Path;
    return sc;
}

[[noreturn]] void Fail(const ScenarioSection& Section, const std::string& What) {
    throw ScenarioError("scenario line " + std::to_string(Section.line) + ": " + What);
}

std::string Folder(const std::string& Path) {
    const auto slash = Path.rfind('/');
    return slash == std::string::npos ? std::string() : Path.substr(0, slash + 1);
}

std::string ReadContent(const ScenarioSection& Section, const std::string& Dir, const std::string& Name) {
    const std::string path = !Name.empty() && Name[0] == '/' ? Name : Dir + Name;
    std::ifstream in(path, std::ios::binary);
    if (!in) Fail(Section, "cannot read " + path);
    std::ostringstream data;
    data << in.rdbuf();
    return data.str();
}

bool Flag(const ScenarioSection& Section, const std::string& Key) {
    const std::string v = LowerCase(Section.Get(Key, "no"));
    if (v == "yes" || v == "true" || v == "1" || v.empty()) return true;
    if (v == "no" || v == "false" || v == "0") return false;
    Fail(Section, Key + " must be yes or no");
}

int Bounded(const ScenarioSection& Section, const std::string& Key, long long Default, long long Lo, long long Hi) {
    const long long v = Section.GetInt(Key, Default);
    if (v < Lo || v > Hi)
        Fail(Section, Key + " must lie between " + std::to_string(Lo) + " and " + std::to_string(Hi));
    return static_cast<int>(v);
}

}  // namespace modemsim
