// What the download worker leaves in the output folder: the samples (against
// sox's own decoding of the frames the simulator holds, plain and in the
// 38-byte form), the file times from the modem clock, and the debug log.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "murmel/DebugLog.h"
#include "murmel/ReadThread.h"
#include "platform/Files.h"
#include "tests/murmel/SoxKit.h"
#include "tests/murmel/WorkerKit.h"

namespace {

using namespace murmel;
using workerkit::Voice;
using workerkit::VoiceFrames;

class ReadThreadFiles : public workerkit::WorkerTest {
protected:
    std::time_t FileTime(int n) {
        struct stat st {};
        EXPECT_EQ(::stat(Wav(n).c_str(), &st), 0);
        return st.st_mtime;
    }
    static int LocalSeconds(std::time_t t) {
        std::tm tm{};
        localtime_r(&t, &tm);
        return tm.tm_sec;
    }
};

TEST_F(ReadThreadFiles, SamplesEqualSoxsDecodingOfTheStoredFrames) {
    const std::string a = soxkit::MakeKnownWav(home.Path(), "a.wav", 6.1, 180, 1500);
    const std::string b = soxkit::MakeKnownWav(home.Path(), "b.wav", 3.0, 900, 300);
    soxkit::EncodeGsm(a, home.Path() + "/a.gsm");
    soxkit::EncodeGsm(b, home.Path() + "/b.gsm");
    const auto soxA = soxkit::DecodeGsm(home.Path() + "/a.gsm", home.Path() + "/a.raw");
    const auto soxB = soxkit::DecodeGsm(home.Path() + "/b.gsm", home.Path() + "/b.raw");
    StartSim(VoiceFrames("a.gsm", false) + VoiceFrames("a.gsm", true) + VoiceFrames("b.gsm", true) +
             VoiceFrames("b.gsm", false));
    ASSERT_EQ(RunWorker(), NoError);
    ASSERT_EQ(WavFiles().size(), 4u);
    const auto pairsOf = [](const std::vector<int16_t>& s) {
        return std::vector<int16_t>(s.begin(), s.begin() + static_cast<long>(s.size() / 320 * 320));
    };
    EXPECT_EQ(soxkit::WavSamples(Wav(1)), pairsOf(soxA));
    EXPECT_EQ(soxkit::WavSamples(Wav(2)), pairsOf(soxA));
    EXPECT_EQ(soxkit::WavSamples(Wav(3)), pairsOf(soxB));
    EXPECT_EQ(soxkit::WavSamples(Wav(4)), pairsOf(soxB));
    EXPECT_GT(soxkit::WavSamples(Wav(1)).size(), 6u * 8000);
}

TEST_F(ReadThreadFiles, AKnownClockDatesTheFilesFromTheirHeaders) {
    // The clock was reset 10 days, 2 hours and 30 seconds ago; the message
    // came 3 days, 4 hours and 5 minutes after that.
    StartSim(Voice(1, "time = 3,4,5\n") + Voice(1), {"--clock", "10,2,0,30"});
    ASSERT_EQ(RunWorker(), NoError);
    const std::time_t expected = std::time(nullptr) - ((10 * 24 + 2) * 3600 + 30) + ((3 * 24 + 4) * 60 + 5) * 60;
    EXPECT_LE(std::llabs(static_cast<long long>(FileTime(1) - expected)), 4);
    EXPECT_GE(LocalSeconds(FileTime(1)), 2) << "0 and 1 are kept for unknown times";
    // Header time unknown: the moment of the clock reset.
    EXPECT_LE(std::llabs(static_cast<long long>(FileTime(2) - (expected - ((3 * 24 + 4) * 60 + 5) * 60))), 4);
}

TEST_F(ReadThreadFiles, UnknownClockReadingsGiveTheFilesTheirOwnMinute) {
    const std::vector<std::vector<std::string>> variants = {
        {},                                          // 255,255,255,255
        {"--clock-unknown", "254,024,000,000"},      // the other form
        {"--error-on", "+MCC?"},                     // ERROR: no OK follows
    };
    int n = 0;
    for (const auto& args : variants) {
        WriteProfileString(kModem, "Identstring", "");
        StartSim(Voice(1, "time = 3,4,5\n"), args);
        ASSERT_EQ(RunWorker(), NoError) << n;
        ++n;
        EXPECT_EQ(LocalSeconds(FileTime(n)), 0) << n;
        EXPECT_LE(std::llabs(static_cast<long long>(FileTime(n) - std::time(nullptr))), 120) << n;
        EXPECT_EQ(CountOf("AT+MCC?"), 1);
    }
}

TEST_F(ReadThreadFiles, TheDebugLogWithTheSwitchOnAndNothingWithItOff) {
    StartSim(Voice(1) + Voice(1));
    InitDebugSwitch();
    ASSERT_EQ(RunWorker(), NoError);
    EXPECT_FALSE(files::FileExists(out + "/Debug.txt"));
    EXPECT_FALSE(files::FileExists(out + "/Voic0001.bin"));

    testkit::WriteFile(out + "/Debug.txt", "");
    InitDebugSwitch();
    WriteProfileString(kModem, "Identstring", "");
    ASSERT_EQ(RunWorker(), NoError);
    const std::string log = testkit::ReadFile(out + "/Debug.txt");
    // The lines the worker frames its work with, in order.
    std::size_t at = 0;
    for (const char* line : {"--- \r\n", "---Read-Thread beginnen.\r\n", "---   (Inputbuffer: 4096)\r\n",
                             "---Modeminfo: (ATI4):\r\n", "---Modeminfo: (ATI7):\r\n", "---Modeminfo: (AT+MSI):\r\n",
                             "---   Statusstring 0: 000,", "---   Statusstring 1: 001,", "---   Statusstring 2: 002,",
                             "---konvertiere() beginnen.\r\n", "---   konvertiere() fertig.\r\n",
                             "---konvertiere() beginnen.\r\n", "---   konvertiere() fertig.\r\n", "---Thread beenden.\r\n"}) {
        const std::size_t found = log.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << "\n" << log;
        at = found + 1;
    }
    EXPECT_TRUE(files::FileExists(out + "/Voic0003.bin"));
    EXPECT_TRUE(files::FileExists(out + "/Voic0004.bin"));

    // Autodelete with a fax in the memory says so.
    WriteProfileFlag(kOptions, "Autodelete", true);
    StartSim(Voice(1) + workerkit::Fax());
    ASSERT_EQ(RunWorker(), NoError);
    EXPECT_NE(testkit::ReadFile(out + "/Debug.txt").find("---Modemspeicher nicht gelöscht.\r\n"), std::string::npos);
    EXPECT_EQ(CountOf("AT+MEM"), 0);
}

}  // namespace
