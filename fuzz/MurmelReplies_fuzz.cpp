// The status records and clock line of Murmel's workers, read by character
// position.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "murmel/ModemReplies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, std::size_t Size) {
    const std::string_view line(reinterpret_cast<const char*>(Data), Size);
    const murmel::MemorySummary summary = murmel::ParseSummary(line);
    const murmel::MessageRecord record = murmel::ParseMessageRecord(line);
    for (const long v : {summary.used, summary.voice, summary.fax, record.type, record.page, record.high, record.low})
        if (v < 0) __builtin_trap();
    if (murmel::MemoryIdentity(line).size() > 20) __builtin_trap();
    murmel::ParseClockLine(line.substr(0, 15));
    for (std::size_t pos : {std::size_t{0}, Size / 2, Size, Size + 1}) murmel::DecimalAt(line, pos);
    if (Size >= 2 && (murmel::ParsePageChecksum(line[0], line[1]) < 0 || murmel::ParsePageChecksum(line[0], line[1]) > 255))
        __builtin_trap();
    return 0;
}
