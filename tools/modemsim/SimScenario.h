#pragma once
// The scenario file: what the simulated modem holds (messages, settings) in a
// generic form that each family reads its own way.
//
//     # comment
//     [message]
//     type = voice
//     caller = "0815 4711"
//     data = "\x01\x02"
//     [message]
//     type = fax
//
// A heading "[name]" starts a section; a name may repeat (each heading is a
// section of its own). Other lines are "key = value" (a line without "=" is a
// key with an empty value). Keys and values are trimmed; a value in double
// quotes keeps its blanks and understands \\ \" \r \n \t and \xHH. Lines
// before the first heading belong to a section with the empty name.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace modemsim {

struct ScenarioSection {
    std::string name;  // as written between the brackets
    int line = 0;      // line number of the heading (0 for the unnamed first section)
    std::vector<std::pair<std::string, std::string>> entries;  // in file order

    bool Has(const std::string& Key) const;  // keys compare without regard to letter case
    // The last value of Key, or Default.
    std::string Get(const std::string& Key, const std::string& Default = "") const;
    // As Get, read as a decimal integer; a value that is not one raises
    // ScenarioError naming the key and the section's line.
    long long GetInt(const std::string& Key, long long Default) const;
};

struct Scenario {
    std::string path;  // the file it was read from; "" when none
    std::vector<ScenarioSection> sections;

    // Every section of that name (letter case ignored), in file order.
    std::vector<const ScenarioSection*> All(const std::string& Name) const;
    // The first section of that name, or nullptr.
    const ScenarioSection* Find(const std::string& Name) const;
};

// A scenario that cannot be read; the message names the line.
class ScenarioError : public std::exception {
public:
    explicit ScenarioError(std::string Message) : message_(std::move(Message)) {}
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

Scenario ParseScenario(std::string_view Text);
// Reads and parses the file; raises ScenarioError when it cannot be read.
Scenario LoadScenario(const std::string& Path);

// Helpers for the families' readers; each failure raises ScenarioError
// naming the section's line.
[[noreturn]] void Fail(const ScenarioSection& Section, const std::string& What);
// The folder of a scenario file with its trailing "/", where relative content names start.
std::string Folder(const std::string& Path);
// The bytes of a content file named in a section (absolute, or relative to Dir).
std::string ReadContent(const ScenarioSection& Section, const std::string& Dir, const std::string& Name);
// yes/true/1 (or a bare key) and no/false/0; missing is no.
bool Flag(const ScenarioSection& Section, const std::string& Key);
// An integer that must lie between Lo and Hi.
int Bounded(const ScenarioSection& Section, const std::string& Key, long long Default, long long Lo, long long Hi);

}  // namespace modemsim
