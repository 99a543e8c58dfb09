#include "platform/AudioOut.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "platform/App.h"
#include "platform/AudioCodec.h"
#include "testkit/TestKit.h"
#include "testkit/Wave.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string Bytes(std::initializer_list<int> b) {
    std::string s;
    for (int v : b) s += static_cast<char>(v);
    return s;
}

std::string Le32(uint32_t v) { return Bytes({int(v & 0xFF), int(v >> 8 & 0xFF), int(v >> 16 & 0xFF), int(v >> 24)}); }

const std::string kPcmFormat = Bytes({1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0, 2, 0, 16, 0});

TEST(ParseWaveFormat, ReadsTheSixLittleEndianFields) {
    const auto f = audio::ParseWaveFormat(kPcmFormat);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->formatTag, 1);
    EXPECT_EQ(f->channels, 1);
    EXPECT_EQ(f->samplesPerSec, 8000u);
    EXPECT_EQ(f->avgBytesPerSec, 16000u);
    EXPECT_EQ(f->blockAlign, 2);
    EXPECT_EQ(f->bitsPerSample, 16);
    // The GSM description of the modem's audio, with its two extra bytes.
    const auto gsm = audio::ParseWaveFormat(Bytes({0x31, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x59, 6, 0, 0, 65, 0, 0, 0, 2, 0, 0x40, 1}));
    ASSERT_TRUE(gsm);
    EXPECT_EQ(gsm->formatTag, 0x31);
    EXPECT_EQ(gsm->avgBytesPerSec, 1625u);
    EXPECT_EQ(gsm->blockAlign, 65);
    EXPECT_EQ(*gsm, audio::kGsm610);
    EXPECT_EQ(f->samplesPerBlock, 0) << "PCM has no extra bytes";
    // Bytes after a PCM description belong to the next chunk.
    EXPECT_EQ(audio::ParseWaveFormat(kPcmFormat + "data")->samplesPerBlock, 0);
    EXPECT_FALSE(audio::ParseWaveFormat(kPcmFormat.substr(0, 15)));
}

struct WaveCase {
    const char* name;
    std::string image;
    bool valid;
    std::size_t dataOffset;
    std::size_t dataSize;
    std::size_t declaredSize;
};

TEST(ParseWave, FindsTheFormatAndTheDataChunk) {
    const std::string header = testkit::MessageWav(4);  // 44 + 8 bytes
    const std::string list = "LIST" + Le32(3) + "abc" + std::string(1, '\0');
    const std::string withList = "RIFF" + Le32(0) + "WAVE" + "fmt " + Le32(16) + kPcmFormat + list + "data" + Le32(4) + "wxyz";
    const std::string longFmt = "RIFF" + Le32(0) + "WAVE" + "fmt " + Le32(18) + kPcmFormat + Bytes({0, 0}) + "data" +
                                Le32(2) + "ab";
    const WaveCase cases[] = {
        {"message file", header, true, 44, 8, 8},
        {"odd chunk padded before data", withList, true, 56, 4, 4},
        {"format with extra bytes", longFmt, true, 46, 2, 2},
        {"data cut short", header.substr(0, 48), true, 44, 4, 8},
        {"data length larger than the file", header.substr(0, 40) + Le32(1000000) + "ab", true, 44, 2, 1000000},
        {"header only", header.substr(0, 44), true, 44, 0, 8},
        {"no data chunk", header.substr(0, 36), false, 0, 0, 0},
        {"data before fmt", "RIFF" + Le32(0) + "WAVE" + "data" + Le32(2) + "ab" + "fmt " + Le32(16) + kPcmFormat, false, 0, 0, 0},
        {"format too short", "RIFF" + Le32(0) + "WAVE" + "fmt " + Le32(14) + kPcmFormat.substr(0, 14) + "data" + Le32(0),
         false, 0, 0, 0},
        {"not RIFF", "RIFX" + header.substr(4), false, 0, 0, 0},
        {"not WAVE", header.substr(0, 8) + "AVI " + header.substr(12), false, 0, 0, 0},
        {"empty", "", false, 0, 0, 0},
        {"eleven bytes", header.substr(0, 11), false, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const auto w = audio::ParseWave(c.image);
        ASSERT_EQ(w.has_value(), c.valid) << c.name;
        if (!w) continue;
        EXPECT_EQ(w->dataOffset, c.dataOffset) << c.name;
        EXPECT_EQ(w->dataSize, c.dataSize) << c.name;
        EXPECT_EQ(w->declaredSize, c.declaredSize) << c.name;
        EXPECT_EQ(w->format.samplesPerSec, 8000u) << c.name;
    }
}

TEST(AudioDevice, IsThePlatformSettingOrTheDefaultDevice) {
    {
        testkit::ScopedEnv unset("PELLOW_AUDIO_DEVICE", std::nullopt);
        EXPECT_EQ(audio::DeviceName(), "default");
    }
    testkit::ScopedEnv set("PELLOW_AUDIO_DEVICE", "null");
    EXPECT_EQ(audio::DeviceName(), "null");
}

// Counts the buffers that came back and when.
class DoneCounter {
public:
    audio::DoneHandler Handler() {
        return [this] {
            std::lock_guard<std::mutex> guard(lock_);
            ++count_;
            last_ = Clock::now();
            cv_.notify_all();
        };
    }
    int Count() {
        std::lock_guard<std::mutex> guard(lock_);
        return count_;
    }
    bool WaitFor(int n, std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> guard(lock_);
        return cv_.wait_for(guard, limit, [&] { return count_ >= n; });
    }
    Clock::time_point Last() {
        std::lock_guard<std::mutex> guard(lock_);
        return last_;
    }

private:
    std::mutex lock_;
    std::condition_variable cv_;
    int count_ = 0;
    Clock::time_point last_;
};

audio::WaveFormat MessageFormat() { return *audio::ParseWaveFormat(kPcmFormat); }

class WaveOutTest : public ::testing::Test {
protected:
    testkit::ScopedEnv device_{"PELLOW_AUDIO_DEVICE", "null"};
    DoneCounter done_;
};

TEST_F(WaveOutTest, ABufferComesBackWhenItHasPlayedForItsLength) {
    const std::string wav = testkit::MessageWavMs(500);
    auto out = audio::WaveOut::Open(MessageFormat(), done_.Handler());
    ASSERT_TRUE(out);
    const auto start = Clock::now();
    ASSERT_TRUE(out->Write(wav.data() + 44, wav.size() - 44));
    EXPECT_TRUE(out->Busy());
    EXPECT_FALSE(out->Write(wav.data() + 44, wav.size() - 44)) << "one buffer at a time";
    ASSERT_TRUE(done_.WaitFor(1, 5s));
    const auto took = done_.Last() - start;
    EXPECT_GE(took, 480ms);
    EXPECT_LT(took, 1500ms);
    EXPECT_FALSE(out->Busy());
    // The device takes the next buffer once the first is back.
    ASSERT_TRUE(out->Write(wav.data() + 44, 1600));
    ASSERT_TRUE(done_.WaitFor(2, 5s));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(done_.Count(), 2);
}

TEST_F(WaveOutTest, PauseHoldsThePositionAndRestartPlaysTheRest) {
    const std::string wav = testkit::MessageWavMs(600);
    auto out = audio::WaveOut::Open(MessageFormat(), done_.Handler());
    ASSERT_TRUE(out);
    const auto start = Clock::now();
    ASSERT_TRUE(out->Write(wav.data() + 44, wav.size() - 44));
    std::this_thread::sleep_for(200ms);
    ASSERT_TRUE(out->Pause());
    EXPECT_FALSE(done_.WaitFor(1, 800ms)) << "a paused device keeps its buffer";
    EXPECT_TRUE(out->Busy());
    const auto restarted = Clock::now();
    ASSERT_TRUE(out->Restart());
    ASSERT_TRUE(done_.WaitFor(1, 5s));
    // About 400 ms were left at the pause.
    EXPECT_GE(done_.Last() - restarted, 330ms);
    EXPECT_LT(done_.Last() - restarted, 1200ms);
    EXPECT_GE(done_.Last() - start, 1380ms);
}

TEST_F(WaveOutTest, ResetGivesTheBufferBackAtOnceAndOnlyOnce) {
    const std::string wav = testkit::MessageWavMs(3000);
    auto out = audio::WaveOut::Open(MessageFormat(), done_.Handler());
    ASSERT_TRUE(out);
    ASSERT_TRUE(out->Write(wav.data() + 44, wav.size() - 44));
    std::this_thread::sleep_for(50ms);
    const auto before = Clock::now();
    ASSERT_TRUE(out->Reset());
    EXPECT_EQ(done_.Count(), 1) << "the buffer is back when Reset returns";
    EXPECT_LT(Clock::now() - before, 300ms);
    EXPECT_FALSE(out->Busy());
    ASSERT_TRUE(out->Reset());
    out.reset();
    EXPECT_EQ(done_.Count(), 1) << "nothing was out at the second reset or at the close";
}

TEST_F(WaveOutTest, ResetOfAPausedDeviceGivesTheBufferBack) {
    const std::string wav = testkit::MessageWavMs(1000);
    auto out = audio::WaveOut::Open(MessageFormat(), done_.Handler());
    ASSERT_TRUE(out);
    ASSERT_TRUE(out->Write(wav.data() + 44, wav.size() - 44));
    ASSERT_TRUE(out->Pause());
    ASSERT_TRUE(out->Reset());
    EXPECT_EQ(done_.Count(), 1);
}

TEST_F(WaveOutTest, ClosingWhilePlayingGivesTheBufferBack) {
    const std::string wav = testkit::MessageWavMs(3000);
    auto out = audio::WaveOut::Open(MessageFormat(), done_.Handler());
    ASSERT_TRUE(out);
    ASSERT_TRUE(out->Write(wav.data() + 44, wav.size() - 44));
    const auto before = Clock::now();
    out.reset();
    EXPECT_EQ(done_.Count(), 1);
    EXPECT_LT(Clock::now() - before, 300ms);
}

TEST_F(WaveOutTest, AnEmptyBufferComesBackAtOnce) {
    auto out = audio::WaveOut::Open(MessageFormat(), done_.Handler());
    ASSERT_TRUE(out);
    ASSERT_TRUE(out->Write("", 0));
    EXPECT_TRUE(done_.WaitFor(1, 1s));
}

TEST_F(WaveOutTest, OpenRefusesWhatItCannotPlay) {
    std::string error;
    audio::WaveFormat gsm = MessageFormat();
    gsm.formatTag = 0x31;
    EXPECT_FALSE(audio::WaveOut::Open(gsm, done_.Handler(), &error));
    EXPECT_NE(error.find("PCM"), std::string::npos) << error;
    audio::WaveFormat twelve = MessageFormat();
    twelve.bitsPerSample = 12;
    EXPECT_FALSE(audio::WaveOut::Open(twelve, done_.Handler()));
    audio::WaveFormat silent = MessageFormat();
    silent.channels = 0;
    EXPECT_FALSE(audio::WaveOut::Open(silent, done_.Handler()));
    // Other PCM layouts play; the device converts them.
    for (uint16_t bits : {8, 24, 32}) {
        audio::WaveFormat f = MessageFormat();
        f.bitsPerSample = bits;
        f.channels = 2;
        f.samplesPerSec = 44100;
        EXPECT_TRUE(audio::WaveOut::Open(f, done_.Handler())) << bits;
    }
}

TEST_F(WaveOutTest, AMissingDeviceFailsAtOnceWithItsName) {
    testkit::ScopedEnv missing("PELLOW_AUDIO_DEVICE", "hw:97");
    std::string error;
    const auto before = Clock::now();
    EXPECT_FALSE(audio::WaveOut::Open(MessageFormat(), done_.Handler(), &error));
    EXPECT_LT(Clock::now() - before, 2s);
    EXPECT_NE(error.find("\"hw:97\""), std::string::npos) << error;
    EXPECT_FALSE(audio::PlayWaveImage(testkit::MessageWavMs(200)));
    EXPECT_LT(Clock::now() - before, 2s) << "a synchronous play returns at once without a device";
}

class Receiver : public QObject {
public:
    bool event(QEvent* e) override {
        app::ReceivePostedEvent();
        if (e->type() != audio::WaveDoneEvent::EventType()) return QObject::event(e);
        ++events;
        onGuiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        return true;
    }
    int events = 0;
    bool onGuiThread = false;
};

TEST_F(WaveOutTest, PostDoneToDeliversTheEventOnTheReceiversThread) {
    static int argc = 1;
    static char name[] = "audio_test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
    Receiver receiver;
    const std::string wav = testkit::MessageWavMs(100);
    auto out = audio::WaveOut::Open(MessageFormat(), audio::PostDoneTo(&receiver));
    ASSERT_TRUE(out);
    ASSERT_TRUE(out->Write(wav.data() + 44, wav.size() - 44));
    const auto limit = Clock::now() + 5s;
    while (receiver.events == 0 && Clock::now() < limit) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(receiver.events, 1);
    EXPECT_TRUE(receiver.onGuiThread);
}

TEST_F(WaveOutTest, SynchronousPlayReturnsWhenTheSoundHasEnded) {
    const auto before = Clock::now();
    EXPECT_TRUE(audio::PlayWaveImage(testkit::MessageWavMs(400)));
    EXPECT_GE(Clock::now() - before, 380ms);
    testkit::TempHome home;
    const std::string path = home.Path() + "/hello.wav";
    testkit::WriteFile(path, testkit::MessageWavMs(300));
    const auto fileStart = Clock::now();
    EXPECT_TRUE(audio::PlayWaveFile(path));
    EXPECT_GE(Clock::now() - fileStart, 280ms);

    const auto refused = Clock::now();
    EXPECT_FALSE(audio::PlayWaveFile(home.Path() + "/missing.wav"));
    EXPECT_FALSE(audio::PlayWaveImage("not a wave file"));
    std::string gsm = testkit::MessageWavMs(300);
    gsm[20] = 0x31;
    EXPECT_FALSE(audio::PlayWaveImage(gsm));
    EXPECT_LT(Clock::now() - refused, 200ms);
}

}  // namespace
