// The tray dialog's rules that are pure functions of its state: the tray
// tip and icon, the status line, the message information, the counts of the
// worker's message, and the port search over the modem class keys.
#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "murmel/MurmelDlg.h"
#include "platform/Registry.h"
#include "testkit/TestKit.h"

namespace {

using namespace murmel;

TEST(TrayRefresh, TipAndIconFollowTheState) {
    struct Case {
        TrayState s;
        const char* tip;
        int icon;
    };
    //             voice  fax    new hidden going newest
    const Case cases[] = {
        {{false, false, 3, true, true, true}, "Murmel", 134},
        {{false, true, 3, true, false, false}, "Murmel", 134},
        {{true, false, 0, true, false, false}, "Murmel: no new messages", 134},
        {{true, true, 0, true, false, false}, "Murmel: no new messages, fax", 137},
        {{true, false, -2, true, false, false}, "Murmel: no new messages", 134},
        {{true, false, 1, true, false, false}, "Murmel: 1 new message", 132},
        {{true, true, 1, true, false, false}, "Murmel: 1 new message, fax", 135},
        {{true, false, 1, false, true, true}, "Murmel: 1 new message", 134},
        {{true, true, 4, false, false, false}, "Murmel: 4 new messages, fax", 137},
        {{true, false, 4, true, true, false}, "Murmel: 4 new messages", 133},
        {{true, true, 4, true, true, false}, "Murmel: 4 new messages, fax", 136},
        {{true, false, 4, true, true, true}, "Murmel: 4 new messages", 138},
        {{true, true, 12, true, true, true}, "Murmel: 12 new messages, fax", 139},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TrayTip(c.s), c.tip) << c.tip << " " << c.icon;
        EXPECT_EQ(TrayIconId(c.s), c.icon) << c.tip << " " << c.icon;
    }
}

TEST(StatusLine, ReadyCheckingCountsErasingAndMemory) {
    struct Case {
        StatusState s;
        const char* line;
    };
    //            voice  worker deleting new  pct voice fax
    const Case cases[] = {
        {{false, false, false, 0, -1, -1, -1}, "Ready"},
        {{false, false, false, 0, 12, 3, 2}, "Ready   (12% modem-memory used: 5 Messages)"},
        {{false, true, false, 0, -1, -1, -1}, "Checking Modem."},
        {{false, true, true, 0, -1, -1, -1}, "Checking Modem.   (Deleting modem-memory)"},
        {{false, true, false, 0, 12, 3, 2}, "Checking Modem."},
        {{true, true, false, 0, 12, 3, 2}, "Checking Modem."},
        {{true, false, false, 0, 12, 3, 2}, "No new Messages.   (12% modem-memory used: 5 Messages)"},
        {{true, false, false, -1, -1, -1, -1}, "No new Messages."},
        {{true, false, false, 1, 0, 0, 0}, "1 new Message.   (0% modem-memory used)"},
        {{true, true, false, 1, 0, 0, 0}, "1 new Message."},
        {{true, false, false, 7, 100, 7, 0}, "7 new Messages.   (100% modem-memory used: 7 Messages)"},
        {{true, true, true, 7, 40, 7, 0}, "7 new Messages.   (Deleting modem-memory)"},
        {{true, false, true, 2, -1, -1, -1}, "2 new Messages.   (Deleting modem-memory)"},
    };
    for (const auto& c : cases) EXPECT_EQ(StatusLine(c.s), c.line);
}

std::tm At(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

TEST(MessageInfo, TimeDurationSizeAndPath) {
    const std::string path = "/home/anna/Voic0007.wav";
    struct Case {
        std::tm when;
        long long size;
        const char* text;
    };
    const Case cases[] = {
        {At(2026, 12, 10, 9, 5, 7), 44 + 16000 * 65 + 15999,
         "Time:   10.12.2026,  09:05:07\nDuration:  65 s  ( 1031 KB )\n/home/anna/Voic0007.wav"},
        {At(2001, 2, 1, 23, 59, 2), 44 + 15999, "Time:   01.02.2001,  23:59:02\nDuration:  0 s  ( 15 KB )\n/home/anna/Voic0007.wav"},
        {At(2026, 12, 10, 9, 5, 0), 44 + 32000, "Time:  unknown\nDuration:  2 s  ( 31 KB )\n/home/anna/Voic0007.wav"},
        {At(2026, 12, 10, 9, 5, 1), 44, "Time:  unknown\nDuration:  0 s  ( 0 KB )\n/home/anna/Voic0007.wav"},
        {At(1971, 1, 1, 1, 1, 1), 1024, "Time:  unknown\nDuration:  0 s  ( 1 KB )\n/home/anna/Voic0007.wav"},
        // A file shorter than its header: the duration rounds toward zero.
        {At(2026, 12, 10, 9, 5, 59), 10, "Time:   10.12.2026,  09:05:59\nDuration:  0 s  ( 0 KB )\n/home/anna/Voic0007.wav"},
    };
    for (const auto& c : cases) EXPECT_EQ(MessageInfoText(path, c.when, c.size), c.text);
}

TEST(NewMessageCounts, TheFourBytesFromLowToHigh) {
    const auto c = SplitCounts(3 + 256 * 12 + 65536 * 5 + 16777216 * 2);
    EXPECT_EQ(c.newCount, 3);
    EXPECT_EQ(c.percent, 12);
    EXPECT_EQ(c.voiceCount, 5);
    EXPECT_EQ(c.faxCount, 2);
    const auto erased = SplitCounts(255);
    EXPECT_EQ(erased.newCount, 255);
    EXPECT_EQ(erased.percent, 0);
    const auto high = SplitCounts(255LL * 16777216 + 255 * 65536 + 255 * 256 + 254);
    EXPECT_EQ(high.faxCount, 255);
    EXPECT_EQ(high.newCount, 254);
}

// A device-control block of Size bytes with its speed at offset 4.
std::vector<uint8_t> Dcb(uint32_t speed, std::size_t size = 28) {
    std::vector<uint8_t> d(size, 0);
    d[0] = 28;
    for (std::size_t i = 0; i < 4 && 4 + i < size; ++i) d[4 + i] = static_cast<uint8_t>(speed >> (8 * i));
    return d;
}

// The machine hive's modem class keys, written as a modem installation would.
class PortSearch : public ::testing::Test {
protected:
    void Modem(int n, const std::vector<std::pair<std::string, std::string>>& texts, std::vector<uint8_t> dcb = Dcb(57600)) {
        char key[96];
        std::snprintf(key, sizeof key, "\\System\\CurrentControlSet\\Services\\Class\\Modem\\%04d", n);
        registry::TRegistry reg(registry::THive::HKLM);
        ASSERT_TRUE(reg.OpenKey(key, true));
        for (const auto& [name, value] : texts) reg.WriteString(name, value);
        if (!dcb.empty()) reg.WriteBinaryData("DCB", dcb);
    }
    testkit::TempHome home;
};

TEST_F(PortSearch, TheFirstModemOfTheTwoMakersGivesPortAndSpeed) {
    Modem(0, {{"Manufacturer", "Rockwell"}, {"AttachedTo", "COM1"}});
    Modem(1, {{"Manufacturer", "U.S. Robotics, Inc."}, {"AttachedTo", "COM3"}}, Dcb(115200));
    Modem(2, {{"Manufacturer", "3Com Corp."}, {"AttachedTo", "COM4"}});
    const auto found = FindModemPort();
    ASSERT_TRUE(found);
    EXPECT_EQ(found->port, "COM3");
    EXPECT_EQ(found->baudrate, 115200u);
}

TEST_F(PortSearch, EndsAtTheFirstMissingKeyOrMakerAndAtAnUnreadableModem) {
    EXPECT_FALSE(FindModemPort()) << "no keys at all";
    Modem(0, {{"Manufacturer", "Rockwell"}});
    Modem(2, {{"Manufacturer", "3Com Corp."}, {"AttachedTo", "COM2"}});
    EXPECT_FALSE(FindModemPort()) << "key 0001 is missing";
    Modem(1, {{"AttachedTo", "COM5"}});
    EXPECT_FALSE(FindModemPort()) << "key 0001 has no maker";
    Modem(1, {{"Manufacturer", "3com corp."}});
    const auto found = FindModemPort();
    ASSERT_TRUE(found) << "the makers compare exactly, so 0002 is reached";
    EXPECT_EQ(found->port, "COM2");
    EXPECT_EQ(found->baudrate, 57600u);
}

TEST_F(PortSearch, AModemWithoutItsPortOrBlockCountsAsNotFound) {
    Modem(0, {{"Manufacturer", "3Com Corp."}});
    Modem(1, {{"Manufacturer", "3Com Corp."}, {"AttachedTo", "COM2"}});
    EXPECT_FALSE(FindModemPort()) << "no AttachedTo: the search stops there";
    Modem(0, {{"AttachedTo", "COM6"}}, {});
    registry::TRegistry reg(registry::THive::HKLM);
    ASSERT_TRUE(reg.OpenKey("\\System\\CurrentControlSet\\Services\\Class\\Modem\\0000", false));
    reg.DeleteValue("DCB");
    EXPECT_FALSE(FindModemPort()) << "no DCB";
    Modem(0, {}, Dcb(38400, 29));
    EXPECT_FALSE(FindModemPort()) << "a block longer than its 28 bytes cannot be read";
    Modem(0, {}, Dcb(38400, 12));
    ASSERT_TRUE(FindModemPort());
    EXPECT_EQ(FindModemPort()->baudrate, 38400u);
    Modem(0, {{"AttachedTo", std::string(198, 'C')}});
    EXPECT_FALSE(FindModemPort()) << "a port name too long for its buffer";
    Modem(0, {{"AttachedTo", std::string(197, 'C')}});
    EXPECT_TRUE(FindModemPort());
}

TEST_F(PortSearch, AMakerTooLongForItsBufferEndsTheSearch) {
    Modem(0, {{"Manufacturer", std::string(198, 'x')}});
    Modem(1, {{"Manufacturer", "3Com Corp."}, {"AttachedTo", "COM2"}});
    EXPECT_FALSE(FindModemPort());
    Modem(0, {{"Manufacturer", std::string(197, 'x')}});
    EXPECT_TRUE(FindModemPort());
}

}  // namespace
