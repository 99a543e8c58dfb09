#include "murmel/ModemReplies.h"

namespace murmel {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

constexpr std::size_t kChecked = 65;  // characters 0 to 64 are summed

}  // namespace

long DecimalAt(std::string_view Text, std::size_t Pos) {
    long v = 0;
    for (std::size_t i = Pos; i < Text.size() && Text[i] >= '0' && Text[i] <= '9'; ++i) {
        // Far more digits than a field has cannot come from a modem; stop
        // before the number overflows.
        if (v > 99999999) break;
        v = v * 10 + (Text[i] - '0');
    }
    return v;
}

MemorySummary ParseSummary(std::string_view Record) {
    return {DecimalAt(Record, 4), DecimalAt(Record, 8), DecimalAt(Record, 16)};
}

MessageRecord ParseMessageRecord(std::string_view Record) {
    MessageRecord r;
    r.type = DecimalAt(Record, 4);
    r.page = DecimalAt(Record, 53);
    r.high = DecimalAt(Record, 57);
    r.low = DecimalAt(Record, 61);
    if (Record.size() > kChecked) {
        unsigned sum = 0;
        for (std::size_t i = 0; i < kChecked; ++i) sum += static_cast<uint8_t>(Record[i]);
        r.checksumOk = DecimalAt(Record, kChecked) % 256 == static_cast<long>(sum % 256);
    }
    return r;
}

std::string MemoryIdentity(std::string_view Record1) {
    const auto piece = [&](std::size_t from, std::size_t count) {
        return from < Record1.size() ? std::string(Record1.substr(from, count)) : std::string();
    };
    return piece(4, 8) + piece(20, 12);
}

std::optional<long long> ParseClockLine(std::string_view Line) {
    if (Line == "255,255,255,255" || Line == "254,024,000,000" || (!Line.empty() && Line[0] == 'E'))
        return std::nullopt;
    const long long days = DecimalAt(Line, 0), hours = DecimalAt(Line, 4), minutes = DecimalAt(Line, 8),
                    seconds = DecimalAt(Line, 12);
    return ((days * 24 + hours) * 60 + minutes) * 60 + seconds;
}

int ParsePageChecksum(char High, char Low) { return HexDigit(High) * 16 + HexDigit(Low); }

}  // namespace murmel
