#pragma once
// The message memory of the simulated 3Com/U.S. Robotics message modems:
// 64 pages of 32768 bytes. Page 0 holds the outgoing message, page 1 the
// memory-full message, received messages follow from page 4 on as a chain of
// 34-byte headers, each followed by its DLE-shielded data; a header whose
// first byte is 0xFF ends the chain and unused memory reads 0xFF.
//
// Header layout (offsets in the header):
//   0      message number          1   type: 2 voice, 1 fax
//   2      state byte (255 new; reading the page clears bits 0 and 1)
//   3, 4   seconds or pages, high and low byte
//   5..7   day, hour, minute of the message clock (255: not known)
//   8      fax reception error     9..28  caller ID, 20 characters
//   31..33 page, offset high, offset low of the next header
//
// Everything the status lines report is read back from these bytes, so what
// the commands change shows everywhere at once.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sim3com {

constexpr int kPageSize = 32768;
constexpr int kPageCount = 64;
constexpr int kFirstMessagePage = 4;
constexpr int kHeaderSize = 34;
constexpr int kCallerIdSize = 20;
constexpr int kOutgoingLimit = 32768;     // page 0, with the end pair
constexpr int kMemoryFullLimit = 32512;   // page 1, with the end pair
constexpr int kFramesPerSecond = 50;      // GSM 06.10: 20 ms a frame
constexpr int kGsmFrameSize = 33;
constexpr uint8_t DLE = 0x10;
constexpr uint8_t ETX = 0x03;
constexpr uint8_t kStateNew = 255;
constexpr uint8_t kStateRead = 252;

enum class Kind { Voice = 2, Fax = 1 };

// One received message as a scenario describes it; the content is plain,
// the memory shields it.
struct MessageSpec {
    Kind kind = Kind::Voice;
    int number = -1;  // header byte 0; -1 numbers the messages in memory order
    int state = kStateNew;
    int day = 255, hour = 255, minute = 255;
    std::string callerId;
    int faxError = 0;
    bool encapsulated = false;        // voice frames in the 38-byte form
    std::string frames;               // voice: 33-byte GSM frames back to back
    std::vector<std::string> pages;   // fax: one coded G3 page each
    int size = -1;                    // seconds or pages; -1 counts them from the content
    // A damaged header: this page and offset stored as the next header's in
    // place of the true ones (the memory is laid out as usual all the same).
    std::optional<std::pair<int, int>> next;
    // A damaged status line: the first page it names in place of the true one.
    std::optional<int> statusPage;
};

struct MemorySpec {
    std::optional<int> usedPercent;  // overrides the computed figure of status line 0
    std::string outgoing;            // GSM frames of page 0, plain or encapsulated; empty: nothing stored
    std::string memoryFull;          // the same for page 1
    std::vector<MessageSpec> messages;
    // Status line 0 holds the six fields the host programs read; some modems
    // may send a seventh after them, the pages in use.
    bool pagesField = false;
};

// DLE shielding of data stored in the memory: every DLE doubled, then DLE ETX.
std::string Shield(std::string_view plain);
// GSM frames in the encapsulated 38-byte form.
std::string Encapsulate(std::string_view frames);

class Memory {
public:
    // Raises modemsim::ScenarioError when the messages do not fit.
    explicit Memory(const MemorySpec& spec);

    // The bytes of page p (0..63) as the page command sends them.
    std::string_view Page(int p) const;
    // The sum of the page's bytes modulo 256.
    uint8_t PageChecksum(int p) const;
    // Reading a page marks every message whose header starts in it as read.
    void PageRead(int p);

    int MessageCount() const;
    // Status line n without its line end: 0 the memory summary, 1..count a
    // message; nothing past the last message.
    std::optional<std::string> StatusLine(int n) const;
    // Playing time in seconds of message n, 0 the outgoing message and 255 the
    // memory-full message; nothing for a message that is not there.
    std::optional<int> PlaySeconds(int n) const;

    // Erases every received message; the two announcements stay.
    void EraseMessages();
    // Stores an announcement (0 or 255) from DLE-shielded data ended by DLE
    // ETX; false when it does not fit.
    bool StoreAnnouncement(int n, std::string_view shielded);

    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    struct Entry {
        int page;
        int offset;
    };
    std::vector<Entry> Directory() const;
    std::size_t Position(int page, int offset) const;
    const uint8_t* Header(const Entry& e) const;
    int UsedPercent() const;
    // Where the header after the last message lies, and the pages up to it.
    std::size_t ChainEnd() const;
    int PagesInUse() const;
    void Lay(const MessageSpec& m, int number, std::size_t& at);
    void LayAnnouncement(int page, const std::string& frames, int limit);

    std::vector<uint8_t> bytes_;
    std::map<std::size_t, int> statusPages_;  // by header position: the damaged first pages
    std::optional<int> usedPercent_;
    bool pagesField_;
};

// The day number the host programs give the modem clock for a moment: the
// day of the year before 1 July, from 1 July on the days since 1 July plus 1.
int HalfYearDayNumber(double moment);

}  // namespace sim3com
