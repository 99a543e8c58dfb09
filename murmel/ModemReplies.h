#pragma once
// The replies of the 3Com/U.S. Robotics message modems that Murmel's workers
// read by character position, as pure functions: the lines of the status
// report, the reading of the message clock and the page checksum.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace murmel {

// The decimal number at Pos: its leading digits, up to the first
// non-digit; 0 when there are none (or Pos lies past the text).
long DecimalAt(std::string_view Text, std::size_t Pos);

// Status record 0, the memory summary.
struct MemorySummary {
    long used = 0;   // memory used in percent, characters 4 to 6
    long voice = 0;  // voice-mail messages, characters 8 to 10
    long fax = 0;    // fax messages, characters 16 to 18
};
MemorySummary ParseSummary(std::string_view Record);

// Status record n of 1 and more, the information of message n.
struct MessageRecord {
    long type = 0;  // characters 4 to 6: 2 voice, 1 fax
    // Where the message header lies: memory page (53), offset high (57) and low (61) byte.
    long page = 0, high = 0, low = 0;
    bool checksumOk = false;  // the number at 65, modulo 256, is the sum of characters 0 to 64
};
MessageRecord ParseMessageRecord(std::string_view Record);
// The identity of the memory content: characters 4 to 11 and 20 to 31 of
// record 1 (type and size, day, hour and minute), as far as the record has them.
std::string MemoryIdentity(std::string_view Record1);

// A status line counted with its CR LF that is this short ends the report.
constexpr std::size_t kReportEndLength = 10;

// The message clock's reading (the first 15 characters of its line): how
// many seconds ago it was reset, or nothing when it is not known
// ("255,255,255,255", "254,024,000,000", or an error reply beginning with "E").
std::optional<long long> ParseClockLine(std::string_view Line);

// The page checksum: two hexadecimal digits in either case, most significant
// first; a character that is no hexadecimal digit counts as 0.
int ParsePageChecksum(char High, char Low);

}  // namespace murmel
