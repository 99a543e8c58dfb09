// The ELSA message store of the simulator: its files, their directory
// lines, generated content and the scenario that fills it.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/StrUtils.h"
#include "testkit/FaxLetter.h"
#include "testkit/G3Encode.h"
#include "tools/modemsim/SimElsa.h"

namespace simelsa {

using modemsim::ScenarioError;
using modemsim::ScenarioSection;
using modemsim::Bounded;
using modemsim::Fail;
using modemsim::Flag;
using modemsim::Folder;
using modemsim::ReadContent;

File* Store::Find(const std::string& Name) {
    auto it = std::find_if(files.begin(), files.end(), [&](const File& f) { return f.name == Name; });
    return it == files.end() ? nullptr : &*it;
}

bool Store::Erase(const std::string& Name) {
    auto it = std::find_if(files.begin(), files.end(), [&](const File& f) { return f.name == Name; });
    if (it == files.end()) return false;
    files.erase(it);
    return true;
}

int Store::FreePercent() const {
    if (freePercent >= 0) return freePercent;
    long long used = 0;
    for (const auto& f : files) used += static_cast<long long>(f.data.size());
    return static_cast<int>(std::clamp((kCapacity - used) * 100 / kCapacity, 0LL, 100LL));
}

// The size stands right-aligned in a column of its own, as in a listing.
std::string DirectoryLine(const File& F) {
    if (!F.line.empty()) return F.line;
    std::string size = F.size.empty() ? std::to_string(F.data.size()) : F.size;
    if (size.size() < 7) size.insert(0, 7 - size.size(), ' ');
    return F.name + "," + F.format + "," + F.flags + "," + F.date + "," + F.time + "," + size + "," + F.callerId;
}

std::string FaxFile(const std::vector<std::string>& Pages) {
    std::string file;
    for (const auto& page : Pages) {
        file += "CONNECT\r\n";
        for (char c : testkit::G3ReverseBitOrder(page)) {
            file += c;
            if (static_cast<uint8_t>(c) == DLE) file += c;
        }
        file += "\x10\x03\r\n";
    }
    return file;
}

std::string VoiceData(int Seconds, unsigned Seed) {
    // Four bits a sample at 8000 samples a second.
    std::string data(static_cast<std::size_t>(Seconds) * 4000, '\0');
    uint32_t x = Seed * 2654435761u + 1;
    for (char& c : data) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    return data;
}

namespace {



// "1143,600": the lines of each page; the last number serves the pages after it.
std::vector<int> LinesOf(const ScenarioSection& s, bool fine) {
    std::vector<int> lines;
    std::stringstream list(s.Get("lines", fine ? "2287" : "1143"));
    std::string piece;
    while (std::getline(list, piece, ',')) {
        const int n = StrToIntDef(Trim(piece), -1);
        if (n < 0 || n > 100000) Fail(s, "lines must be numbers of lines, separated by commas");
        lines.push_back(n);
    }
    if (lines.empty()) Fail(s, "lines needs at least one number");
    return lines;
}

std::vector<std::string> FaxPages(const ScenarioSection& s, const std::string& dir, int index, bool fine) {
    std::vector<std::string> pages;
    for (const auto& [key, value] : s.entries)
        if (SameText(key, "g3")) pages.push_back(ReadContent(s, dir, value));
    if (!pages.empty()) return pages;
    const int count = Bounded(s, "pages", 1, 0, 99);
    if (const int letter = Bounded(s, "letter", -1, -1, 1000); letter >= 0) {
        for (int p = 0; p < count; ++p) pages.push_back(testkit::CodedFaxLetterPage(letter, p, count, fine));
        return pages;
    }
    const std::vector<int> lines = LinesOf(s, fine);
    const int seed = Bounded(s, "seed", index * 10, 0, 1000000);
    for (int p = 0; p < count; ++p) {
        const int n = lines[std::min<std::size_t>(static_cast<std::size_t>(p), lines.size() - 1)];
        pages.push_back(testkit::G3Encode(testkit::G3TestPage(n, static_cast<unsigned>(seed + p))));
    }
    return pages;
}

std::string Numbered(const char* pattern, int n) {
    char name[32];
    std::snprintf(name, sizeof name, pattern, n);
    return name;
}

File ReadFile(const ScenarioSection& s, const std::string& dir, bool greeting, int index) {
    File f;
    f.name = s.Get("name", greeting ? Numbered("GREET%d", index) : Numbered("MSG%05d", index));
    const std::string type = LowerCase(s.Get("type", "voice"));
    if (type != "voice" && type != "fax") Fail(s, "type must be voice or fax");
    const bool fine = Flag(s, "fine");
    f.format = s.Get("format", type == "fax" ? (fine ? "T4F" : "T4N") : "ADPCM4-7");
    const bool fax = type == "fax" || f.format == "T4N" || f.format == "T4F";
    f.flags = s.Get("flags", greeting ? "" : "N");
    f.date = s.Get("date", "01.01.2001");
    f.time = s.Get("time", "00:00");
    f.callerId = s.Get("caller");
    f.size = s.Get("size");
    f.line = s.Get("line");
    if (s.Has("data")) f.data = s.Get("data");
    else if (s.Has("file")) f.data = ReadContent(s, dir, s.Get("file"));
    else if (fax) f.data = FaxFile(FaxPages(s, dir, index, fine));
    else f.data = VoiceData(Bounded(s, "seconds", 5, 0, 600), static_cast<unsigned>(index));
    return f;
}

}  // namespace

Store ReadStore(const modemsim::Scenario& Data) {
    Store store;
    const std::string dir = Folder(Data.path);
    if (const auto* elsa = Data.Find("elsa"); elsa && elsa->Has("free"))
        store.freePercent = Bounded(*elsa, "free", 0, 0, 100);
    int greetings = 0, messages = 0;
    for (const auto& s : Data.sections) {
        if (SameText(s.name, "greeting")) store.files.push_back(ReadFile(s, dir, true, ++greetings));
        else if (SameText(s.name, "message")) store.files.push_back(ReadFile(s, dir, false, ++messages));
    }
    return store;
}

Store DefaultStore() {
    return ReadStore(modemsim::ParseScenario(R"([greeting]
seconds = 4
date = 15.03.2001
time = 09:00
[message]
flags =
date = 02.04.2001
time = 08:15
caller = "0301 2345678"
seconds = 6
[message]
type = fax
flags =
date = 02.04.2001
time = 11:42
caller = "+49 40 5550123"
letter = 0
[message]
date = 03.04.2001
time = 18:03
caller = "0891 112233"
seconds = 9
[message]
type = fax
fine = yes
pages = 2
letter = 1
date = 04.04.2001
time = 07:30
caller = "0221 987654"
)"));
}

}  // namespace simelsa
