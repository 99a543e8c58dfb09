#include "tools/modemsim/Sim3comMemory.h"

#include <algorithm>
#include <cstdio>

#include "platform/Clock.h"
#include "tools/modemsim/SimScenario.h"

namespace sim3com {

namespace {

constexpr std::size_t kMemorySize = std::size_t{kPageCount} * kPageSize;
constexpr std::size_t kMessageArea = std::size_t{kPageCount - kFirstMessagePage} * kPageSize;

std::string Field3(int v) {
    char b[16];
    std::snprintf(b, sizeof b, "%03d", v);
    return b;
}

// The plain bytes of shielded data up to its DLE ETX, as a reader takes them.
std::string Unshield(std::string_view shielded) {
    std::string plain;
    for (std::size_t i = 0; i < shielded.size(); ++i) {
        const auto c = static_cast<uint8_t>(shielded[i]);
        if (c != DLE) {
            plain += shielded[i];
            continue;
        }
        if (i + 1 >= shielded.size()) break;
        const auto next = static_cast<uint8_t>(shielded[++i]);
        if (next == DLE) plain += static_cast<char>(DLE);
        else if (next == ETX) break;
    }
    return plain;
}

bool LooksEncapsulated(std::string_view data) {
    const auto mark = [](char c) { return static_cast<uint8_t>(c) == 0xFE || static_cast<uint8_t>(c) == 0xB6; };
    return data.size() >= 38 && mark(data[0]) && mark(data[1]) && data[35] == 0 &&
           static_cast<uint8_t>(data[36]) == 0xA5 && static_cast<uint8_t>(data[37]) == 0xA5;
}

int SecondsOf(std::string_view data) {
    const std::size_t frames = data.size() / (LooksEncapsulated(data) ? 38 : kGsmFrameSize);
    return static_cast<int>((frames + kFramesPerSecond - 1) / kFramesPerSecond);
}

}  // namespace

std::string Shield(std::string_view plain) {
    std::string out;
    out.reserve(plain.size() + plain.size() / 64 + 2);
    for (char c : plain) {
        out += c;
        if (static_cast<uint8_t>(c) == DLE) out += c;
    }
    out += static_cast<char>(DLE);
    out += static_cast<char>(ETX);
    return out;
}

std::string Encapsulate(std::string_view frames) {
    std::string out;
    for (std::size_t i = 0; i + kGsmFrameSize <= frames.size(); i += kGsmFrameSize) {
        // Both marks occur in modems' memories; alternate them so readers see each.
        const char mark = static_cast<char>((i / kGsmFrameSize) % 2 ? 0xB6 : 0xFE);
        out += mark;
        out += mark;
        out.append(frames.substr(i, kGsmFrameSize));
        out += '\0';
        out += static_cast<char>(0xA5);
        out += static_cast<char>(0xA5);
    }
    return out;
}

Memory::Memory(const MemorySpec& spec)
    : bytes_(kMemorySize, 0xFF), usedPercent_(spec.usedPercent), pagesField_(spec.pagesField) {
    LayAnnouncement(0, spec.outgoing, kOutgoingLimit);
    LayAnnouncement(1, spec.memoryFull, kMemoryFullLimit);
    std::size_t at = Position(kFirstMessagePage, 0);
    int number = 1;
    for (const auto& m : spec.messages) Lay(m, m.number >= 0 ? m.number : number++, at);
    // The end of the chain: a header of 0xFF, which must lie inside the memory
    // for every reader to find it.
    if (at + kHeaderSize > kMemorySize) throw modemsim::ScenarioError("the messages do not fit the modem memory");
}

void Memory::LayAnnouncement(int page, const std::string& frames, int limit) {
    if (frames.empty()) return;
    const std::string data = Shield(frames);
    if (data.size() > static_cast<std::size_t>(limit))
        throw modemsim::ScenarioError("announcement of page " + std::to_string(page) + " is too long");
    std::copy(data.begin(), data.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(Position(page, 0)));
}

void Memory::Lay(const MessageSpec& m, int number, std::size_t& at) {
    std::string plain;
    int size = m.size;
    if (m.kind == Kind::Voice) {
        plain = m.encapsulated ? Encapsulate(m.frames) : m.frames;
        if (size < 0) size = SecondsOf(m.frames);
    }
    std::string data;
    if (m.kind == Kind::Voice) {
        data = Shield(plain);
    } else {
        for (const auto& page : m.pages) data += Shield(page);
        if (size < 0) size = static_cast<int>(m.pages.size());
    }
    if (size > 999 || number > 255 || m.state < 0 || m.state > 255)
        throw modemsim::ScenarioError("message " + std::to_string(number) + " does not fit its status fields");
    const std::size_t next = at + kHeaderSize + data.size();
    if (next + kHeaderSize > kMemorySize) throw modemsim::ScenarioError("the messages do not fit the modem memory");

    uint8_t* h = bytes_.data() + at;
    std::fill(h, h + kHeaderSize, 0);
    h[0] = static_cast<uint8_t>(number);
    h[1] = static_cast<uint8_t>(m.kind);
    h[2] = static_cast<uint8_t>(m.state);
    h[3] = static_cast<uint8_t>(size >> 8);
    h[4] = static_cast<uint8_t>(size & 0xFF);
    h[5] = static_cast<uint8_t>(m.day);
    h[6] = static_cast<uint8_t>(m.hour);
    h[7] = static_cast<uint8_t>(m.minute);
    h[8] = static_cast<uint8_t>(m.faxError);
    std::string caller = m.callerId.substr(0, kCallerIdSize);
    caller.resize(kCallerIdSize, ' ');
    std::copy(caller.begin(), caller.end(), h + 9);
    const int nextPage = m.next ? m.next->first : static_cast<int>(next / kPageSize);
    const int nextOffset = m.next ? m.next->second : static_cast<int>(next % kPageSize);
    h[31] = static_cast<uint8_t>(nextPage);
    h[32] = static_cast<uint8_t>(nextOffset >> 8);
    h[33] = static_cast<uint8_t>(nextOffset & 0xFF);
    std::copy(data.begin(), data.end(), h + kHeaderSize);
    if (m.statusPage) statusPages_[at] = *m.statusPage;
    at = next;
}

std::size_t Memory::Position(int page, int offset) const {
    return static_cast<std::size_t>(page) * kPageSize + static_cast<std::size_t>(offset);
}

const uint8_t* Memory::Header(const Entry& e) const { return bytes_.data() + Position(e.page, e.offset); }

std::vector<Memory::Entry> Memory::Directory() const {
    std::vector<Entry> list;
    std::size_t at = Position(kFirstMessagePage, 0);
    // Each header must point forward and inside the memory, so a damaged
    // chain ends instead of looping.
    while (at + kHeaderSize <= kMemorySize && bytes_[at] != 0xFF) {
        list.push_back({static_cast<int>(at / kPageSize), static_cast<int>(at % kPageSize)});
        const uint8_t* h = bytes_.data() + at;
        const std::size_t next = Position(h[31], h[32] * 256 + h[33]);
        if (next <= at || list.size() > 255) break;
        at = next;
    }
    return list;
}

std::string_view Memory::Page(int p) const {
    if (p < 0 || p >= kPageCount) return {};
    return {reinterpret_cast<const char*>(bytes_.data()) + Position(p, 0), kPageSize};
}

uint8_t Memory::PageChecksum(int p) const {
    unsigned sum = 0;
    for (char c : Page(p)) sum += static_cast<uint8_t>(c);
    return static_cast<uint8_t>(sum & 0xFF);
}

void Memory::PageRead(int p) {
    for (const auto& e : Directory())
        if (e.page == p) bytes_[Position(e.page, e.offset) + 2] &= 0xFC;
}

int Memory::MessageCount() const { return static_cast<int>(Directory().size()); }

int Memory::UsedPercent() const {
    if (usedPercent_) return *usedPercent_;
    return static_cast<int>((ChainEnd() - Position(kFirstMessagePage, 0)) * 100 / kMessageArea);
}

std::size_t Memory::ChainEnd() const {
    const auto dir = Directory();
    if (dir.empty()) return Position(kFirstMessagePage, 0);
    const uint8_t* last = Header(dir.back());
    // A damaged header may point anywhere; the figures stay inside the memory.
    return std::clamp(Position(last[31], last[32] * 256 + last[33]), Position(kFirstMessagePage, 0), kMemorySize);
}

int Memory::PagesInUse() const {
    const std::size_t used = ChainEnd() - Position(kFirstMessagePage, 0);
    return static_cast<int>((used + kPageSize - 1) / kPageSize);
}

std::optional<std::string> Memory::StatusLine(int n) const {
    const auto dir = Directory();
    if (n < 0 || n > static_cast<int>(dir.size())) return std::nullopt;
    if (n == 0) {
        int voice = 0, newVoice = 0, fax = 0, newFax = 0;
        for (const auto& e : dir) {
            const uint8_t* h = Header(e);
            const bool isNew = h[2] > 252;
            if (h[1] == static_cast<uint8_t>(Kind::Fax)) {
                ++fax;
                newFax += isNew;
            } else {
                ++voice;
                newVoice += isNew;
            }
        }
        std::string line = "000," + Field3(UsedPercent()) + "," + Field3(voice) + "," + Field3(newVoice) + "," +
                           Field3(fax) + "," + Field3(newFax);
        if (pagesField_) line += "," + Field3(PagesInUse());
        return line;
    }
    const Entry& e = dir[static_cast<std::size_t>(n - 1)];
    const uint8_t* h = Header(e);
    std::string line = Field3(h[0]) + "," + Field3(h[1]) + "," + Field3(h[3] * 256 + h[4]) + "," + Field3(h[2]) +
                       "," + Field3(h[8]) + "," + Field3(h[5]) + "," + Field3(h[6]) + "," + Field3(h[7]) + ",";
    line.append(reinterpret_cast<const char*>(h + 9), kCallerIdSize);
    const auto damaged = statusPages_.find(e.page * kPageSize + e.offset);
    const int page = damaged == statusPages_.end() ? e.page : damaged->second;
    line += "," + Field3(page) + "," + Field3(e.offset >> 8) + "," + Field3(e.offset & 0xFF) + ",";
    unsigned sum = 0;
    for (char c : line) sum += static_cast<uint8_t>(c);
    return line + Field3(static_cast<int>(sum % 256));
}

std::optional<int> Memory::PlaySeconds(int n) const {
    if (n == 0 || n == 255) {
        const std::string_view page = Page(n == 0 ? 0 : 1);
        if (page.find_first_not_of('\xFF') == std::string_view::npos) return 0;
        return SecondsOf(Unshield(page));
    }
    const auto dir = Directory();
    if (n < 1 || n > static_cast<int>(dir.size())) return std::nullopt;
    const uint8_t* h = Header(dir[static_cast<std::size_t>(n - 1)]);
    return h[3] * 256 + h[4];
}

void Memory::EraseMessages() {
    usedPercent_.reset();
    statusPages_.clear();
    std::fill(bytes_.begin() + static_cast<std::ptrdiff_t>(Position(2, 0)), bytes_.end(), 0xFF);
}

bool Memory::StoreAnnouncement(int n, std::string_view shielded) {
    const int page = n == 0 ? 0 : 1;
    const std::size_t limit = n == 0 ? kOutgoingLimit : kMemoryFullLimit;
    if (shielded.size() > limit) return false;
    auto first = bytes_.begin() + static_cast<std::ptrdiff_t>(Position(page, 0));
    std::fill(first, first + kPageSize, 0xFF);
    std::copy(shielded.begin(), shielded.end(), first);
    return true;
}

int HalfYearDayNumber(double moment) {
    int y, m, d;
    DecodeDate(moment, y, m, d);
    const TDateTime day = static_cast<TDateTime>(static_cast<long long>(moment));
    const TDateTime start = m < 7 ? EncodeDate(y, 1, 1) : EncodeDate(y, 7, 1);
    return static_cast<int>(day - start) + 1;
}

}  // namespace sim3com
