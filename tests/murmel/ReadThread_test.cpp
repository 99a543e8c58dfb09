// The download worker against the simulated modem: the bookkeeping of what
// was already written, the pages it reads, the chain it follows, the erase,
// the result codes and the messages it posts.
#include "murmel/ReadThread.h"

#include <gtest/gtest.h>

#include "murmel/MessageWav.h"
#include "platform/Registry.h"
#include "tests/murmel/WorkerKit.h"

namespace {

using namespace murmel;
using workerkit::Counts;
using workerkit::Fax;
using workerkit::Posted;
using workerkit::Voice;

class ReadThreadSim : public workerkit::WorkerTest {};

// A WAV file of a message of Seconds seconds of generated speech (50 frames
// a second, two frames a block of 320 samples).
void ExpectVoiceFile(const std::string& path, int seconds) {
    const std::string bytes = testkit::ReadFile(path);
    const uint32_t data = static_cast<uint32_t>(seconds * 50 / 2 * 640);
    ASSERT_EQ(bytes.size(), 44u + data) << path;
    const auto header = MessageWavHeader(data);
    EXPECT_EQ(bytes.substr(0, 44), std::string(header.begin(), header.end())) << path;
}

TEST_F(ReadThreadSim, AnEmptyModemIsRecordedAsEmpty) {
    StartSim("[memory]\nused = 7\n");
    WriteProfileString(kModem, "Identstring", "002,005,001,002,003,");
    WriteProfileInt(kModem, "Savedmsg", 4);
    WriteProfileInt(kModem, "Savedmsgfax", 2);
    WriteProfileInt(kOptions, "Counter", 12);
    EXPECT_EQ(RunWorker(), NoError);
    EXPECT_EQ(Text(kModem, "Identstring"), "Empty");
    EXPECT_EQ(Int(kModem, "Savedmsg"), 0);
    EXPECT_EQ(Int(kModem, "Savedmsgfax"), 0);
    // The fax count reported is reset with the rest: no fax notice.
    EXPECT_EQ(Posts(), (std::vector<Posted>{{WM_NEWMESSAGES, 11, 256 * 7},
                                            {WM_THREADERROR, 0, NoError}}));
    EXPECT_TRUE(WavFiles().empty());
    EXPECT_EQ(CountOf("AT+MCC"), 0);

    WriteProfileFlag(kOptions, "Autodelete", true);
    EXPECT_EQ(RunWorker(), NoError);
    EXPECT_EQ(CountOf("AT+MCC"), 1);
    EXPECT_EQ(CountOf("AT+MEM"), 0);
}

TEST_F(ReadThreadSim, TheWholeDialogueInOrder) {
    StartSim(Voice(2) + Voice(3));
    EXPECT_EQ(RunWorker(), NoError);
    const std::vector<std::string> expected = {
        "ATE0", "AT&F1&B1E0Q0V1", "AT+MCS=1", "ATI4", "ATI7", "AT+MSI", "AT+MCC?",
        "AT+MSR=0", "AT+MSR=1", "AT+MSR=2", "AT+MSR=3", "AT+MTP=4",
    };
    EXPECT_EQ(Lines(), expected);
    EXPECT_EQ(WavFiles(), (std::vector<std::string>{"Voic0001.wav", "Voic0002.wav"}));
    ExpectVoiceFile(Wav(1), 2);
    ExpectVoiceFile(Wav(2), 3);
    EXPECT_EQ(Int(kOptions, "Counter"), 3);
    EXPECT_EQ(Int(kModem, "Savedmsg"), 2);
    EXPECT_EQ(Int(kModem, "Savedmsgfax"), 0);
    EXPECT_EQ(Text(kModem, "Identstring").size(), 20u);
}

TEST_F(ReadThreadSim, PostsItsMessagesInOrderWithTheirParameters) {
    StartSim("[memory]\nused = 33\n" + Voice(1) + Fax() + Voice(1));
    WriteProfileInt(kOptions, "Counter", 41);
    EXPECT_EQ(RunWorker(), NoError);
    EXPECT_EQ(Posts(), (std::vector<Posted>{{WM_NEWMESSAGESFAX, 0, 1},
                                            {WM_NEWMESSAGES, 40, Counts(2, 33, 2, 1)},
                                            {WM_MESSAGEREADY, 0, 41},
                                            {WM_MESSAGEREADY, 0, 42},
                                            {WM_THREADERROR, 0, NoError}}));
    // Nothing new the second time: the counts only, no fax notice.
    EXPECT_EQ(RunWorker(), NoError);
    const std::vector<Posted> all = Posts();
    EXPECT_EQ(std::vector<Posted>(all.begin() + 5, all.end()),
              (std::vector<Posted>{{WM_NEWMESSAGES, 42, Counts(0, 33, 2, 1)}, {WM_THREADERROR, 0, NoError}}));
    EXPECT_EQ(WavFiles().size(), 2u);
}

TEST_F(ReadThreadSim, NewMessagesAfterSavedOnesStartAtTheFirstNewPage) {
    // Messages of 40 s fill a page and more each, so the third starts on a later page.
    StartSim(Voice(40) + Voice(40));
    ASSERT_EQ(RunWorker(), NoError);
    ASSERT_EQ(WavFiles().size(), 2u);
    const std::vector<int> firstPages = PagesRead();
    StartSim(Voice(40) + Voice(40) + Voice(3));
    ASSERT_EQ(RunWorker(), NoError);
    EXPECT_EQ(WavFiles(), (std::vector<std::string>{"Voic0001.wav", "Voic0002.wav", "Voic0003.wav"}));
    ExpectVoiceFile(Wav(3), 3);
    EXPECT_EQ(Int(kModem, "Savedmsg"), 3);
    const std::vector<int> pages = PagesRead();
    ASSERT_FALSE(pages.empty());
    EXPECT_EQ(pages.front(), firstPages.back()) << "the third message's header lies on the page the second ends on";
    const std::vector<Posted> all = Posts();
    const Posted counts = all[all.size() - 3];
    EXPECT_EQ(counts, (Posted{WM_NEWMESSAGES, 2, Counts(1, counts.lParam >> 8 & 0xFF, 3, 0)}));
}

TEST_F(ReadThreadSim, AChangedMemoryIdentityMakesEveryMessageNew) {
    StartSim(Voice(1) + Voice(1));
    ASSERT_EQ(RunWorker(), NoError);
    const std::string identity = Text(kModem, "Identstring");
    EXPECT_EQ(identity, "002,001,255,255,255,");  // type, seconds, day, hour, minute of message 1
    StartSim(Voice(2) + Voice(1));
    EXPECT_EQ(RunWorker(), NoError);
    EXPECT_EQ(WavFiles().size(), 4u);
    ExpectVoiceFile(Wav(3), 2);
    EXPECT_EQ(Int(kModem, "Savedmsg"), 2);
    EXPECT_EQ(Text(kModem, "Identstring"), "002,002,255,255,255,");
}

TEST_F(ReadThreadSim, MoreSavedThanStoredResetsBothCounts) {
    StartSim(Voice(1) + Fax());
    ASSERT_EQ(RunWorker(), NoError);
    WriteProfileInt(kModem, "Savedmsg", 5);
    EXPECT_EQ(RunWorker(), NoError);
    EXPECT_EQ(WavFiles().size(), 2u);
    const std::vector<Posted> all = Posts();
    EXPECT_EQ(all[all.size() - 4], (Posted{WM_NEWMESSAGESFAX, 0, 1}));
}

// Frames of silence, 33 bytes each without any DLE, cut to Length bytes.
std::string SilentFrames(std::size_t length) {
    std::string frame(33, '\0');
    frame[0] = '\xD0';
    std::string frames;
    while (frames.size() < length) frames += frame;
    frames.resize(length);
    return frames;
}

TEST_F(ReadThreadSim, ARecordWithAWrongChecksumIsAskedAgainUpToFiveTimes) {
    std::vector<std::string> five, six;
    for (int i = 0; i < 5; ++i) five.insert(five.end(), {"--status-bad-checksum-once", "2"});
    six = five;
    six.insert(six.end(), {"--status-bad-checksum-once", "2"});
    StartSim(Voice(1) + Voice(1), five);
    EXPECT_EQ(RunWorker(), NoError);
    EXPECT_EQ(CountOf("AT+MSR=2"), 6);
    EXPECT_EQ(CountOf("AT+MSR=1"), 1);
    EXPECT_EQ(WavFiles().size(), 2u);

    std::filesystem::remove_all(out);
    std::filesystem::create_directories(out);
    WriteProfileString(kModem, "Identstring", "");
    StartSim(Voice(1) + Voice(1), six);
    EXPECT_EQ(RunWorker(), ErrorModem);
    EXPECT_EQ(CountOf("AT+MSR=2"), 6);
    EXPECT_EQ(CountOf("AT+MSR=3"), 0);
    EXPECT_TRUE(WavFiles().empty());
}

TEST_F(ReadThreadSim, AHeaderCrossingAPageEndIsReadWithTheFollowingPage) {
    // The second header starts 10 bytes before the end of page 4.
    testkit::WriteFile(home.Path() + "/long.gsm", SilentFrames(32768 - 10 - 34 - 2));
    StartSim("[message]\ntype = voice\ngsm = long.gsm\n" + Voice(2));
    EXPECT_EQ(RunWorker(), NoError);
    EXPECT_EQ(PagesRead(), (std::vector<int>{4, 5}));
    ASSERT_EQ(WavFiles().size(), 2u);
    EXPECT_EQ(testkit::ReadFile(Wav(1)).size(), 44u + (32768 - 10 - 34 - 2) / 66 * 640);
    ExpectVoiceFile(Wav(2), 2);
}

TEST_F(ReadThreadSim, AChainLeavingPages4To63OrRunningBackEndsTheRun) {
    StartSim(Voice(1, "next = 70,0\n"));
    EXPECT_EQ(RunWorker(), ErrorModem);
    EXPECT_TRUE(WavFiles().empty());
    EXPECT_EQ(Int(kModem, "Savedmsg"), 0);

    WriteProfileString(kModem, "Identstring", "");
    StartSim(Voice(1) + Voice(1, "next = 4,0\n") + Voice(1));
    EXPECT_EQ(RunWorker(), ErrorModem);
    EXPECT_EQ(WavFiles(), (std::vector<std::string>{"Voic0001.wav"}));
    EXPECT_EQ(Int(kModem, "Savedmsg"), 1);

    WriteProfileString(kModem, "Identstring", "");
    StartSim(Voice(1, "next = 3,65000\n"));
    EXPECT_EQ(RunWorker(), ErrorModem);
    EXPECT_EQ(WavFiles().size(), 1u);
}

TEST_F(ReadThreadSim, AutodeleteErasesOnlyAMemoryWithoutFaxes) {
    WriteProfileFlag(kOptions, "Autodelete", true);
    WriteProfileInt(kOptions, "Counter", 5);
    StartSim(Voice(1) + Fax());
    EXPECT_EQ(RunWorker(), NoError);
    EXPECT_EQ(CountOf("AT+MCC"), 0);
    EXPECT_EQ(CountOf("AT+MEM"), 0);
    EXPECT_EQ(WavFiles().size(), 1u);

    StartSim(Voice(1) + Voice(1));
    const std::size_t before = Posts().size();
    EXPECT_EQ(RunWorker(), NoError);
    const std::vector<std::string> lines = Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()), (std::vector<std::string>{"AT+MCC", "AT+MEM"}));
    EXPECT_EQ(Text(kModem, "Identstring"), "Deleted");
    const std::vector<Posted> all = Posts();
    EXPECT_EQ(std::vector<Posted>(all.begin() + static_cast<long>(before) + 3, all.end()),
              (std::vector<Posted>{{WM_DELETINGMEMORY, 0, 0}, {WM_NEWMESSAGES, 7, 255}, {WM_THREADERROR, 0, NoError}}));
    // The erased modem is empty at the next check, and nothing is new.
    EXPECT_EQ(RunWorker(), NoError);
    EXPECT_EQ(Text(kModem, "Identstring"), "Empty");
    EXPECT_EQ(WavFiles().size(), 3u);
}

TEST_F(ReadThreadSim, AutodeleteWithNothingNewStillErasesAVoiceOnlyMemory) {
    StartSim(Voice(1));
    ASSERT_EQ(RunWorker(), NoError);
    WriteProfileFlag(kOptions, "Autodelete", true);
    EXPECT_EQ(RunWorker(), NoError);
    EXPECT_EQ(CountOf("AT+MEM"), 1);
    EXPECT_EQ(WavFiles().size(), 1u);
}

TEST_F(ReadThreadSim, Counter9999NamesTheFileAndStores10000) {
    WriteProfileInt(kOptions, "Counter", 9999);
    StartSim(Voice(1));
    EXPECT_EQ(RunWorker(), NoError);
    EXPECT_EQ(WavFiles(), (std::vector<std::string>{"Voic9999.wav"}));
    EXPECT_EQ(Int(kOptions, "Counter"), 10000);
    StartSim(Voice(2) + Voice(1));
    EXPECT_EQ(RunWorker(), NoError);
    EXPECT_EQ(WavFiles(), (std::vector<std::string>{"Voic10000.wav", "Voic10001.wav", "Voic9999.wav"}));
}

TEST_F(ReadThreadSim, FaxesBeforeVoiceMailDoNotCountAsSavedVoiceMail) {
    StartSim(Fax() + Voice(1));
    ASSERT_EQ(RunWorker(), NoError);
    ASSERT_EQ(WavFiles().size(), 1u);
    StartSim(Fax() + Voice(1) + Voice(3));
    EXPECT_EQ(RunWorker(), NoError);
    EXPECT_EQ(WavFiles(), (std::vector<std::string>{"Voic0001.wav", "Voic0002.wav"}));
    ExpectVoiceFile(Wav(1), 1);
    ExpectVoiceFile(Wav(2), 3);
    EXPECT_EQ(Int(kModem, "Savedmsg"), 2);
    // and the third check finds nothing new, doubling nothing
    EXPECT_EQ(RunWorker(), NoError);
    EXPECT_EQ(WavFiles().size(), 2u);
}

TEST_F(ReadThreadSim, RingsAreSetOnlyWhenAskedFor) {
    StartSim(Voice(1));
    EXPECT_EQ(RunWorker(), NoError);
    EXPECT_EQ(CountOf("AT+MCR=5"), 0);
    WriteProfileFlag(kOptions, "Ringsetup", true);
    EXPECT_EQ(RunWorker(), NoError);
    EXPECT_EQ(CountOf("AT+MCR=5"), 1);
    WriteProfileInt(kOptions, "Ringnumber", 3);
    WriteProfileString(kOptions, "Ringsetup", "true");
    EXPECT_EQ(RunWorker(), NoError);
    EXPECT_EQ(CountOf("AT+MCR=3"), 0) << "only TRUE exactly is on";
    WriteProfileString(kOptions, "Ringsetup", "TRUE");
    WriteProfileInt(kOptions, "Ringnumber", 40);
    EXPECT_EQ(RunWorker(), ErrorModem) << "the modem refuses 40 rings";
}

TEST_F(ReadThreadSim, PageFaultsAreRetriedUpToFiveTimes) {
    // A short page with a wrong checksum, then a wrong checksum, in small
    // letters: accepted on the third read.
    StartSim(Voice(1), {"--page-short", "4:1", "--page-bad-checksum", "4:2", "--page-checksum-lowercase"});
    EXPECT_EQ(RunWorker(), NoError);
    EXPECT_EQ(PagesRead(), (std::vector<int>{4, 4, 4}));
    EXPECT_EQ(WavFiles().size(), 1u);

    // Six failed reads end the run; five are retried.
    WriteProfileString(kModem, "Identstring", "");
    StartSim(Voice(1), {"--page-short", "4:3", "--page-bad-checksum", "4:6"});
    EXPECT_EQ(RunWorker(), ErrorModem);
    EXPECT_EQ(PagesRead().size(), 6u);
    EXPECT_EQ(WavFiles().size(), 1u);

    WriteProfileString(kModem, "Identstring", "");
    StartSim(Voice(1), {"--page-short", "4:2", "--page-bad-checksum", "4:5"});
    EXPECT_EQ(RunWorker(), NoError);
    EXPECT_EQ(PagesRead().size(), 6u);
    EXPECT_EQ(WavFiles().size(), 2u);

    // ERROR in place of the OK after a page is not retried.
    WriteProfileString(kModem, "Identstring", "");
    StartSim(Voice(1), {"--page-error", "4"});
    EXPECT_EQ(RunWorker(), ErrorModem);
    EXPECT_EQ(PagesRead().size(), 1u);
}

TEST_F(ReadThreadSim, EveryResultCode) {
    // ErrorCom: no port, or a speed of 0 from an empty "Baudrate".
    EXPECT_EQ(RunWorker(), ErrorCom);
    StartSim(Voice(1));
    WriteProfileString(kOptions, "Baudrate", "");
    EXPECT_EQ(RunWorker(), ErrorCom);
    WriteProfileString(kOptions, "Baudrate", "57600");
    // ErrorFile: the output folder is missing; the number is skipped.
    WriteProfileString(kOptions, "Path", home.Path() + "/missing");
    EXPECT_EQ(RunWorker(), ErrorFile);
    EXPECT_EQ(Int(kOptions, "Counter"), 2);
    EXPECT_EQ(Int(kModem, "Savedmsg"), 0);
    WriteProfileString(kOptions, "Path", out);
    // ErrorMemory: no download buffer.
    FailDownloadAllocation(true);
    EXPECT_EQ(RunWorker(), ErrorMemory);
    FailDownloadAllocation(false);
    // NoError, and the message that failed before is written now.
    EXPECT_EQ(RunWorker(), NoError);
    EXPECT_EQ(WavFiles(), (std::vector<std::string>{"Voic0002.wav"}));
    // ErrorModem: a modem that says nothing.
    StartSim(Voice(1), {"--silent"});
    EXPECT_EQ(RunWorker(), ErrorModem);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"ATE0", "AT&F1&B1E0Q0V1"}));
}

TEST_F(ReadThreadSim, MissingPortAndSpeedFallBackToCom2At115200) {
    WriteProfileString(kOptions, "Port", "COM3");
    StartSim(Voice(1));
    EXPECT_EQ(RunWorker(), ErrorCom);
    registry::TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(SectionKey(kOptions), false));
    reg.DeleteValue("Port");
    reg.DeleteValue("Baudrate");
    EXPECT_EQ(RunWorker(), NoError);
}

}  // namespace
