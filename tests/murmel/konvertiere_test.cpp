// One message of a download buffer to its WAV file: the unstuffing, the
// frame form, the pairs, the file and its header, its time, the numbering.
#include "murmel/konvertiere.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <filesystem>
#include <vector>

#include "murmel/DebugLog.h"
#include "murmel/GsmRepack.h"
#include "murmel/MessageWav.h"
#include "murmel/MurmelProfile.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "tests/murmel/WorkerKit.h"

namespace {

using namespace murmel;
using Bytes = std::vector<uint8_t>;

constexpr uint8_t D = 0x10;  // DLE

TEST(konvertiere, DleUnstuffing) {
    const struct {
        Bytes in, out;
    } cases[] = {
        {{0x41, 0x42}, {0x41, 0x42}},
        {{D, D, D, 0x18, 0x41}, {D}},           // DLE DLE is one DLE; DLE CAN ends the data
        {{0x41, D, 0x03, 0x42}, {0x41, 0x42}},  // DLE ETX keeps neither
        {{D, 0x41, 0x42}, {0x42}},              // nor DLE with any other byte
        {{0x41, D, D, 0x42}, {0x41, D, 0x42}},
        {{0x18, 0x41, D}, {0x18, 0x41}},        // a last DLE has nothing after it
        {{D, 0x18}, {}},
        {{}, {}},
    };
    for (const auto& c : cases) {
        Bytes data = c.in;
        data.resize(DleUnstuff(data.data(), data.size()));
        EXPECT_EQ(data, c.out);
    }
}

Bytes Encapsulated(int frames, int badFrame = -1) {
    Bytes data;
    for (int f = 0; f < frames; ++f) {
        const uint8_t mark = f % 2 ? 0xB6 : 0xFE;
        data.insert(data.end(), {mark, f % 3 ? mark : static_cast<uint8_t>(0xFE)});
        for (int i = 0; i < 33; ++i) data.push_back(static_cast<uint8_t>(f * 7 + i));
        data.insert(data.end(), {0x00, 0xA5, static_cast<uint8_t>(f == badFrame ? 0xA4 : 0xA5)});
    }
    return data;
}

TEST(konvertiere, EncapsulationTest) {
    const struct {
        const char* name;
        Bytes data;
        bool encapsulated;
    } cases[] = {
        {"38 bytes or less counts", Bytes(38, 0x00), true},
        {"nothing at all counts", {}, true},
        {"plain frames", Bytes(39, 0xD0), false},
        {"encapsulated frames", Encapsulated(10), true},
        {"the 21st frame is not tested", Encapsulated(30, 20), true},
        {"the 20th is", Encapsulated(30, 19), false},
        {"a frame ending with the data is not tested", Encapsulated(2, 1), true},
        {"one before it is", Encapsulated(3, 1), false},
    };
    for (const auto& c : cases) EXPECT_EQ(LooksEncapsulated(c.data.data(), c.data.size()), c.encapsulated) << c.name;
}

TEST(konvertiere, PairsBecomeBlocksAndALastIncompletePairIsDropped) {
    Bytes plain(66 * 3 + 65);
    for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<uint8_t>(i * 31 + 7);
    const Bytes original = plain;
    ASSERT_EQ(PairsToBlocks(plain.data(), plain.size(), false), 3u);
    for (int k = 0; k < 3; ++k) {
        uint8_t block[65];
        GsmPairToMsGsm(original.data() + 66 * k, block);
        EXPECT_EQ(Bytes(plain.begin() + 65 * k, plain.begin() + 65 * k + 65), Bytes(block, block + 65)) << k;
    }
    Bytes enc = Encapsulated(5);
    const Bytes frames = enc;
    ASSERT_EQ(PairsToBlocks(enc.data(), enc.size(), true), 2u);
    for (int k = 0; k < 2; ++k) {
        uint8_t pair[66], block[65];
        std::copy(frames.begin() + 76 * k + 2, frames.begin() + 76 * k + 35, pair);
        std::copy(frames.begin() + 76 * k + 40, frames.begin() + 76 * k + 73, pair + 33);
        GsmPairToMsGsm(pair, block);
        EXPECT_EQ(Bytes(enc.begin() + 65 * k, enc.begin() + 65 * k + 65), Bytes(block, block + 65)) << k;
    }
    EXPECT_EQ(PairsToBlocks(enc.data(), 75, true), 0u);
}

std::time_t Local(int y, int mo, int d, int h, int mi, int s) {
    return LocalToTimeT(EncodeDate(y, mo, d) + EncodeTime(h, mi, s, 0));
}

TEST(konvertiere, MessageTimeAndTheTimeTheFileGets) {
    const std::time_t base = Local(2026, 3, 1, 8, 0, 30);
    const uint8_t known[8] = {1, 2, 0, 0, 0, 2, 3, 4};
    EXPECT_EQ(MessageTime(base, known), base + ((2 * 24 + 3) * 60 + 4) * 60);
    for (int unknownAt = 5; unknownAt <= 7; ++unknownAt) {
        uint8_t h[8] = {1, 2, 0, 0, 0, 2, 3, 4};
        h[unknownAt] = 0xFF;
        EXPECT_EQ(MessageTime(base, h), base) << unknownAt;
    }
    EXPECT_EQ(MessageTime(UnknownTimeMarker(), known), UnknownTimeMarker());
    EXPECT_EQ(UnknownTimeMarker(), Local(1971, 1, 1, 1, 1, 1));

    const std::time_t now = Local(2026, 3, 10, 12, 0, 0);
    const std::time_t created = Local(2026, 3, 10, 12, 0, 47);
    const struct {
        const char* name;
        std::time_t message, file;
    } cases[] = {
        {"a known time in the past", Local(2026, 3, 5, 9, 7, 30), Local(2026, 3, 5, 9, 7, 30)},
        {"seconds 0 move by 2", Local(2026, 3, 5, 9, 7, 0), Local(2026, 3, 5, 9, 7, 2)},
        {"seconds 1 move by 2", Local(2026, 3, 5, 9, 7, 1), Local(2026, 3, 5, 9, 7, 3)},
        {"seconds 2 stay", Local(2026, 3, 5, 9, 7, 2), Local(2026, 3, 5, 9, 7, 2)},
        {"now itself is not later", now, now + 2},
        {"a future time is not used", now + 1, Local(2026, 3, 10, 12, 0, 0)},
        {"nor the marker", UnknownTimeMarker(), Local(2026, 3, 10, 12, 0, 0)},
    };
    for (const auto& c : cases) EXPECT_EQ(FileTimeFor(c.message, created, now), c.file) << c.name;
}

// A download buffer holding messages laid out by the test.
class Buffer : public workerkit::WorkerTest {
protected:
    Buffer() : buffer(kDownloadBytes, 0xFF) {}
    // A message at Position with Data (as stored, stuffed or not); the next
    // header, 0xFF, right after it.
    std::size_t Lay(std::size_t position, uint8_t type, const Bytes& data, uint8_t day = 0xFF, uint8_t hour = 0xFF,
                    uint8_t minute = 0xFF) {
        uint8_t* h = buffer.data() + position;
        std::fill(h, h + 34, 0);
        h[0] = 1;
        h[1] = type;
        h[5] = day;
        h[6] = hour;
        h[7] = minute;
        const std::size_t next = position + 34 + data.size();
        h[31] = static_cast<uint8_t>(next / kPageBytes + 4);
        h[32] = static_cast<uint8_t>(next % kPageBytes >> 8);
        h[33] = static_cast<uint8_t>(next % kPageBytes & 0xFF);
        std::copy(data.begin(), data.end(), h + 34);
        buffer[next] = 0xFF;
        return next;
    }
    int Convert(std::size_t position, std::time_t base = UnknownTimeMarker()) {
        const int r = konvertiere(buffer, position, base);
        QCoreApplication::sendPostedEvents(&recorder);
        return r;
    }
    std::time_t FileTime(const std::string& path) {
        files::FileStatus st;
        EXPECT_TRUE(files::GetFileStatus(path, st));
        return st.created;
    }
    std::vector<uint8_t> buffer;
};

Bytes Frames(int count) {
    Bytes f;
    for (int i = 0; i < count * 33; ++i) f.push_back(static_cast<uint8_t>(i % 33 == 0 ? 0xD4 : (i * 13) % 251));
    for (auto& b : f)
        if (b == D) b = 0x11;
    return f;
}

TEST_F(Buffer, TheWavFileByteForByte) {
    WriteProfileInt(kOptions, "Counter", 3);
    Lay(100, 2, Frames(7));
    ASSERT_EQ(Convert(100), 1);
    const std::string bytes = testkit::ReadFile(Wav(3));
    ASSERT_EQ(bytes.size(), 44u + 3 * 640);
    const auto header = MessageWavHeader(3 * 640);
    EXPECT_EQ(bytes.substr(0, 44), std::string(header.begin(), header.end()));
    EXPECT_EQ(Int(kOptions, "Counter"), 4);
    EXPECT_EQ(Int(kModem, "Savedmsg", 0), 1);
    EXPECT_EQ(Posts(), (std::vector<workerkit::Posted>{{WM_MESSAGEREADY, 0, 3}}));
    EXPECT_EQ(WavFiles(), (std::vector<std::string>{"Voic0003.wav"})) << "no file is left beside it";
}

TEST_F(Buffer, AFaxIsSkippedLeavingNothingButItsRawDump) {
    Lay(0, 1, Bytes(500, 0x22));
    EXPECT_EQ(Convert(0), 1);
    EXPECT_TRUE(WavFiles().empty());
    EXPECT_EQ(Int(kOptions, "Counter"), -999);
    EXPECT_EQ(Int(kModem, "Savedmsg"), -999);
    EXPECT_TRUE(Posts().empty());

    testkit::WriteFile(out + "/Debug.txt", "");
    InitDebugSwitch();
    WriteProfileInt(kOptions, "Counter", 8);
    EXPECT_EQ(Convert(0), 1);
    const std::string dump = testkit::ReadFile(out + "/Voic0008.bin");
    EXPECT_EQ(dump, std::string(reinterpret_cast<const char*>(buffer.data()), 534));
    EXPECT_NE(testkit::ReadFile(out + "/Debug.txt").find("---   Fax-Message gefunden: Abbruch.\r\n"), std::string::npos);
    EXPECT_EQ(Int(kOptions, "Counter"), 8);
}

TEST_F(Buffer, ACounterBelow1FailsAfterStoringItPlus1) {
    WriteProfileInt(kOptions, "Counter", 0);
    Lay(0, 2, Frames(4));
    EXPECT_EQ(Convert(0), 0);
    EXPECT_EQ(Int(kOptions, "Counter"), 1);
    EXPECT_EQ(Int(kModem, "Savedmsg"), -999);
    EXPECT_TRUE(WavFiles().empty());
    EXPECT_EQ(Convert(0), 1);
    EXPECT_EQ(WavFiles(), (std::vector<std::string>{"Voic0001.wav"}));
}

TEST_F(Buffer, AMessageWithoutACompletePairGivesAnEmptyWavFile) {
    // Decided: one file per voice mail, so a message with no sound still
    // shows (and counts) as one; the worker goes on.
    Lay(0, 2, Frames(1));
    EXPECT_EQ(Convert(0), 1);
    EXPECT_EQ(testkit::ReadFile(Wav(1)), [] {
        const auto h = MessageWavHeader(0);
        return std::string(h.begin(), h.end());
    }());
    EXPECT_EQ(Int(kModem, "Savedmsg"), 1);
    Lay(200, 2, Encapsulated(1));  // 38 bytes: counts as encapsulated, holds no pair
    EXPECT_EQ(Convert(200), 1);
    EXPECT_EQ(testkit::ReadFile(Wav(2)).size(), 44u);
}

TEST_F(Buffer, StuffedAndEncapsulatedDataConvertLikeTheFramesInside) {
    Bytes frames = Frames(6);
    frames[40] = D;  // one DLE inside a frame
    Bytes stuffed;
    for (uint8_t b : frames) {
        stuffed.push_back(b);
        if (b == D) stuffed.push_back(D);
    }
    stuffed.insert(stuffed.end(), {D, 0x03});
    Lay(0, 2, stuffed);
    ASSERT_EQ(Convert(0), 1);
    Bytes wrapped;
    for (int f = 0; f < 6; ++f) {
        wrapped.insert(wrapped.end(), {0xFE, 0xFE});
        wrapped.insert(wrapped.end(), frames.begin() + 33 * f, frames.begin() + 33 * f + 33);
        wrapped.insert(wrapped.end(), {0x00, 0xA5, 0xA5});
    }
    Bytes stuffedWrapped;
    for (uint8_t b : wrapped) {
        stuffedWrapped.push_back(b);
        if (b == D) stuffedWrapped.push_back(D);
    }
    Lay(1000, 2, stuffedWrapped);
    ASSERT_EQ(Convert(1000), 1);
    EXPECT_EQ(testkit::ReadFile(Wav(1)).size(), 44u + 3 * 640);
    EXPECT_EQ(testkit::ReadFile(Wav(1)), testkit::ReadFile(Wav(2)));
}

TEST_F(Buffer, FileTimes) {
    // The platform clock says it is 10 March 2026, 12:00:00.
    SetNow(EncodeDate(2026, 3, 10) + EncodeTime(12, 0, 0, 0));
    const std::time_t base = Local(2026, 3, 1, 8, 0, 0);  // clock reset, seconds 0
    Lay(0, 2, Frames(2), 2, 3, 4);
    ASSERT_EQ(Convert(0, base), 1);
    EXPECT_EQ(FileTime(Wav(1)), Local(2026, 3, 3, 11, 4, 2));
    Lay(0, 2, Frames(2), 0xFF, 0xFF, 0xFF);  // known clock, unknown header time: the reset time
    ASSERT_EQ(Convert(0, base + 45), 1);
    EXPECT_EQ(FileTime(Wav(2)), base + 45);
    Lay(0, 2, Frames(2), 20, 0, 0);  // in the future: the file's own time, seconds 0
    ASSERT_EQ(Convert(0, base), 1);
    Lay(0, 2, Frames(2), 2, 3, 4);  // the clock not known
    ASSERT_EQ(Convert(0, UnknownTimeMarker()), 1);
    ResetClock();
    for (int n : {3, 4}) {
        const std::time_t t = FileTime(Wav(n));
        std::tm tm{};
        localtime_r(&t, &tm);
        EXPECT_EQ(tm.tm_sec, 0) << n;
        EXPECT_LE(std::llabs(static_cast<long long>(std::time(nullptr) - t)), 120) << n;
    }
}

TEST_F(Buffer, ANameTooLongFailsAndSkipsTheNumber) {
    std::string deep = out;
    while (deep.size() < 250) deep += "/xxxxxxxxxx";
    std::filesystem::create_directories(deep);
    WriteProfileString(kOptions, "Path", deep);
    Lay(0, 2, Frames(2));
    EXPECT_EQ(Convert(0), 0);
    EXPECT_EQ(Int(kOptions, "Counter"), 2);
    EXPECT_EQ(Int(kModem, "Savedmsg"), -999);
}

TEST_F(Buffer, AHeaderPointingOutsideTheBufferIsNoMessage) {
    Lay(0, 2, Frames(2));
    buffer[31] = 3;
    EXPECT_EQ(Convert(0), 0);
    buffer[31] = 64;
    EXPECT_EQ(Convert(0), 0);
    EXPECT_EQ(Convert(kDownloadBytes - 20), 0);
    EXPECT_TRUE(WavFiles().empty());
}

}  // namespace
