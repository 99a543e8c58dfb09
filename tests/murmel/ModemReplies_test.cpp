// The modem replies the workers read by position, real-looking and
// malformed ones side by side.
#include "murmel/ModemReplies.h"

#include <gtest/gtest.h>

namespace {

using namespace murmel;

std::string WithChecksum(std::string head, int delta = 0) {
    unsigned sum = 0;
    for (char c : head) sum += static_cast<uint8_t>(c);
    char cs[8];
    std::snprintf(cs, sizeof cs, "%03u", (sum + static_cast<unsigned>(delta)) % 256);
    return head + cs + "\r\n";
}

const std::string kHead = "003,002,012,255,000,071,010,030,0301 2345678        ,005,127,200,";

TEST(ModemReplies, DecimalsByPosition) {
    const struct {
        const char* text;
        std::size_t pos;
        long value;
    } cases[] = {
        {"000,030,002", 4, 30}, {"000,030,002", 8, 2},  {"000,030,002", 11, 0}, {"000,030,002", 40, 0},
        {"12x4", 0, 12},        {" 12", 0, 0},          {"-5", 0, 0},           {"", 0, 0},
        {"99999999999999", 0, 999999999},
    };
    for (const auto& c : cases) EXPECT_EQ(DecimalAt(c.text, c.pos), c.value) << c.text << " @" << c.pos;
}

TEST(ModemReplies, TheSummary) {
    const struct {
        const char* line;
        long used, voice, fax;
    } cases[] = {
        {"000,030,002,001,002,001\r\n", 30, 2, 2},
        {"000,030,002,001,002,001,004\r\n", 30, 2, 2},  // with the seventh field
        {"000,100,255,000,000,000\r\n", 100, 255, 0},
        {"000,007,0\r\n", 7, 0, 0},                     // too short for the fax count
        {"ERROR\r\n", 0, 0, 0},
    };
    for (const auto& c : cases) {
        const MemorySummary s = ParseSummary(c.line);
        EXPECT_EQ(s.used, c.used) << c.line;
        EXPECT_EQ(s.voice, c.voice) << c.line;
        EXPECT_EQ(s.fax, c.fax) << c.line;
    }
}

TEST(ModemReplies, MessageRecordsAndTheirChecksums) {
    const struct {
        std::string line;
        long type, page, high, low;
        bool ok;
    } cases[] = {
        {WithChecksum(kHead), 2, 5, 127, 200, true},
        {WithChecksum(kHead, 1), 2, 5, 127, 200, false},
        {WithChecksum(kHead, 256), 2, 5, 127, 200, true},  // the same modulo 256
        {kHead + "999\r\n", 2, 5, 127, 200, false},
        {kHead.substr(0, 64), 2, 5, 127, 200, false},  // no checksum at all
        {"001,001,002", 1, 0, 0, 0, false},
    };
    for (const auto& c : cases) {
        const MessageRecord r = ParseMessageRecord(c.line);
        EXPECT_EQ(r.type, c.type) << c.line;
        EXPECT_EQ(r.page, c.page) << c.line;
        EXPECT_EQ(r.high, c.high) << c.line;
        EXPECT_EQ(r.low, c.low) << c.line;
        EXPECT_EQ(r.checksumOk, c.ok) << c.line;
    }
    // Bytes above 127 in the caller ID count as unsigned.
    std::string high = kHead;
    high[40] = static_cast<char>(0xE4);
    EXPECT_TRUE(ParseMessageRecord(WithChecksum(high)).checksumOk);
}

TEST(ModemReplies, MemoryIdentityIsTypeSizeAndTime) {
    EXPECT_EQ(MemoryIdentity(WithChecksum(kHead)), "002,012,071,010,030,");
    EXPECT_EQ(MemoryIdentity("001,002,012"), "002,012");
    EXPECT_EQ(MemoryIdentity(""), "");
}

TEST(ModemReplies, ClockReadings) {
    const struct {
        const char* line;
        long long seconds;  // -1: not known
    } cases[] = {
        {"000,000,000,000", 0},
        {"012,023,059,058", ((12 * 24 + 23) * 60 + 59) * 60 + 58},
        {"255,255,255,255", -1},
        {"254,024,000,000", -1},
        {"ERROR\r\n", -1},
        {"E", -1},
        {"254,024,000,001", ((254LL * 24 + 24) * 60 + 0) * 60 + 1},  // only the two marks are unknown
        {"1,2\r\n", 86400},
    };
    for (const auto& c : cases) {
        const auto v = ParseClockLine(c.line);
        EXPECT_EQ(v ? *v : -1, c.seconds) << c.line;
    }
}

TEST(ModemReplies, PageChecksums) {
    const struct {
        char high, low;
        int value;
    } cases[] = {{'3', 'F', 63}, {'3', 'f', 63}, {'F', 'F', 255}, {'a', '0', 160}, {'0', '0', 0}, {'G', '1', 1},
                 {'\r', '\n', 0}};
    for (const auto& c : cases) EXPECT_EQ(ParsePageChecksum(c.high, c.low), c.value) << c.high << c.low;
}

}  // namespace
