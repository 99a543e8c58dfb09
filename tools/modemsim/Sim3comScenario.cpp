#include "tools/modemsim/Sim3comScenario.h"

#include <cmath>
#include <fstream>
#include <sstream>

#include "platform/Clock.h"
#include "platform/StrUtils.h"
#include "tools/modemsim/Sim3comContent.h"

namespace sim3com {

namespace {

using modemsim::ScenarioError;
using modemsim::ScenarioSection;
using modemsim::Bounded;
using modemsim::Fail;
using modemsim::Flag;
using modemsim::Folder;
using modemsim::ReadContent;


// A ".gsm" file ends in DLE ETX; raw frame files do not.
std::string FramesOf(std::string data) {
    if (data.size() >= 2 && data.size() % kGsmFrameSize == 2 && static_cast<uint8_t>(data[data.size() - 2]) == DLE &&
        static_cast<uint8_t>(data.back()) == ETX)
        data.resize(data.size() - 2);
    return data;
}


int StateOf(const ScenarioSection& s) {
    const std::string v = LowerCase(s.Get("state", "new"));
    if (v == "new") return kStateNew;
    if (v == "old") return kStateRead;
    return Bounded(s, "state", 0, 0, 255);
}

// "2d5h30m": how long ago, in days.
double AgoOf(const ScenarioSection& s, const std::string& text) {
    double days = 0;
    long long number = -1;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            number = (number < 0 ? 0 : number * 10) + (c - '0');
            continue;
        }
        if (number < 0 || (c != 'd' && c != 'h' && c != 'm')) Fail(s, "ago must look like 2d5h30m");
        days += static_cast<double>(number) / (c == 'd' ? 1.0 : c == 'h' ? 24.0 : 1440.0);
        number = -1;
    }
    if (number >= 0) Fail(s, "ago needs a unit after each number (d, h, m)");
    return days;
}

void ReadTime(const ScenarioSection& s, double now, MessageSpec& m) {
    if (s.Has("ago")) {
        const double moment = now - AgoOf(s, s.Get("ago"));
        int h, mi, sec, ms;
        DecodeTime(moment - std::floor(moment), h, mi, sec, ms);
        m.day = HalfYearDayNumber(moment);
        m.hour = h;
        m.minute = mi;
        return;
    }
    const std::string t = LowerCase(s.Get("time", "unknown"));
    if (t == "unknown") return;
    int parts[3];
    std::size_t at = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t comma = t.find(',', at);
        const std::string piece = t.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        parts[i] = StrToIntDef(piece, -1);
        if (parts[i] < 0 || parts[i] > 255 || (i < 2 && comma == std::string::npos)) Fail(s, "time must be day,hour,minute");
        at = comma + 1;
    }
    m.day = parts[0];
    m.hour = parts[1];
    m.minute = parts[2];
}

MessageSpec ReadMessage(const ScenarioSection& s, const std::string& dir, double now, int index) {
    MessageSpec m;
    const std::string type = LowerCase(s.Get("type", "voice"));
    if (type != "voice" && type != "fax") Fail(s, "type must be voice or fax");
    m.kind = type == "fax" ? Kind::Fax : Kind::Voice;
    m.state = StateOf(s);
    ReadTime(s, now, m);
    m.callerId = s.Get("caller");
    if (m.callerId.size() > kCallerIdSize || m.callerId.find(',') != std::string::npos)
        Fail(s, "caller must be at most 20 characters without a comma");
    m.faxError = Bounded(s, "error", 0, 0, 255);
    m.number = Bounded(s, "number", -1, -1, 254);
    m.size = Bounded(s, "size", -1, -1, 999);
    if (s.Has("next")) {
        const auto comma = s.Get("next").find(',');
        const int page = StrToIntDef(s.Get("next").substr(0, comma), -1);
        const int offset = comma == std::string::npos ? -1 : StrToIntDef(s.Get("next").substr(comma + 1), -1);
        if (page < 0 || page > 255 || offset < 0 || offset > 0xFFFF) Fail(s, "next must be page,offset");
        m.next = std::make_pair(page, offset);
    }
    if (s.Has("page")) m.statusPage = Bounded(s, "page", 0, -9999999, 9999999);
    if (m.kind == Kind::Voice) {
        m.encapsulated = Flag(s, "encapsulated");
        m.frames = s.Has("gsm") ? FramesOf(ReadContent(s, dir, s.Get("gsm")))
                                : GsmTone(Bounded(s, "seconds", 5, 0, 999), index);
        return m;
    }
    for (const auto& [key, value] : s.entries)
        if (SameText(key, "g3")) m.pages.push_back(ReadContent(s, dir, value));
    if (m.pages.empty()) {
        const int pages = Bounded(s, "pages", 1, 0, 99);
        const bool fine = Flag(s, "fine");
        const int letter = Bounded(s, "letter", -1, -1, 1000);
        for (int p = 0; p < pages; ++p)
            m.pages.push_back(letter >= 0 ? LetterPage(letter, p, pages, fine) : G3Page(index * 10 + p, fine));
    }
    return m;
}

std::string ReadAnnouncement(const ScenarioSection* s, const std::string& dir, int voice) {
    if (!s) return {};
    std::string frames = s->Has("gsm") ? FramesOf(ReadContent(*s, dir, s->Get("gsm")))
                                       : GsmTone(Bounded(*s, "seconds", 3, 0, 15), voice);
    return Flag(*s, "encapsulated") ? Encapsulate(frames) : frames;
}

}  // namespace

MemorySpec ReadMemorySpec(const modemsim::Scenario& Data, double Now) {
    MemorySpec spec;
    const std::string dir = Folder(Data.path);
    if (const auto* memory = Data.Find("memory")) {
        if (memory->Has("used")) spec.usedPercent = Bounded(*memory, "used", 0, 0, 999);
        spec.pagesField = Flag(*memory, "pages-field");
    }
    spec.outgoing = ReadAnnouncement(Data.Find("outgoing"), dir, 0);
    spec.memoryFull = ReadAnnouncement(Data.Find("memoryfull"), dir, 1);
    int index = 0;
    for (const auto* s : Data.All("message")) spec.messages.push_back(ReadMessage(*s, dir, Now, ++index));
    return spec;
}

MemorySpec DefaultMemorySpec(double Now) {
    modemsim::Scenario data = modemsim::ParseScenario(R"([outgoing]
seconds = 3
[memoryfull]
seconds = 2
[message]
type = voice
state = old
ago = 3d4h12m
caller = "0301 2345678"
seconds = 6
[message]
type = fax
state = old
ago = 2d1h40m
caller = "+49 40 5550123"
pages = 1
letter = 0
[message]
type = voice
state = new
ago = 5h20m
caller = "0891 112233"
seconds = 9
[message]
type = fax
state = new
ago = 47m
caller = "0221 987654"
pages = 2
fine = yes
letter = 1
)");
    return ReadMemorySpec(data, Now);
}

}  // namespace sim3com
