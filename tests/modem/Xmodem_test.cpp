// The block receive of the channel against a sender played by a port of the
// test's own: every NAK or ACK the receiver writes brings the next scripted
// answer, so each test states the exchange byte by byte.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <deque>
#include <fstream>
#include <thread>

#include "modem/CommClass.h"
#include "platform/App.h"
#include "platform/Serial.h"
#include "testkit/TestKit.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr char STX = 2, EOT = 4, ACK = 6, NAK = 0x15, CAN = 0x18, SOH = 1;

void EnsureApp() {
    static int argc = 1;
    static char name[] = "Xmodem_test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

// 1024 bytes that tell the blocks apart and hold every control byte.
std::string Data(int seed) {
    std::string d(1024, '\0');
    for (std::size_t i = 0; i < d.size(); ++i) d[i] = static_cast<char>((i * 7 + static_cast<std::size_t>(seed) * 31) & 0xFF);
    return d;
}

// A block on the wire; the checksum is what the sender computed plus Off.
std::string Block(int number, const std::string& data, int off = 0) {
    unsigned sum = 0;
    for (char c : data) sum += static_cast<uint8_t>(c);
    return std::string{STX, static_cast<char>(number), static_cast<char>(255 - number)} + data +
           static_cast<char>((sum + static_cast<unsigned>(off)) & 0xFF);
}

// What the sender does on one control byte: chunks of bytes, each due some
// milliseconds after the control byte came.
struct Answer {
    std::vector<std::pair<std::string, int>> chunks;
    Answer() = default;
    Answer(std::string bytes) : chunks{{std::move(bytes), 0}} {}  // NOLINT: a plain answer reads best as bytes
    Answer(std::vector<std::pair<std::string, int>> c) : chunks(std::move(c)) {}
};
const Answer Silence{std::vector<std::pair<std::string, int>>{}};
Answer After(int ms, std::string bytes) { return Answer(std::vector<std::pair<std::string, int>>{{std::move(bytes), ms}}); }

class SenderPort : public serial::Port {
public:
    std::deque<Answer> script;
    // The status lines, by the milliseconds since the port was made.
    std::function<uint8_t(int64_t)> lines = [](int64_t) { return uint8_t{0}; };

    // The control bytes the receiver wrote: N for NAK, A for ACK, ? for others.
    std::string Controls() const {
        std::string c;
        for (char b : written_) c += b == NAK ? 'N' : b == ACK ? 'A' : '?';
        return c;
    }
    int Purges() const { return purges_; }

    bool ApplySettings(const serial::LineSettings&) override { return true; }
    bool SetupQueues(uint32_t, uint32_t) override { return true; }
    bool SetTimeouts(const serial::Timeouts&) override { return true; }
    bool Purge(bool input, bool) override {
        ++purges_;
        if (input) Take(DueCount());
        return true;
    }
    bool QueueCounts(uint32_t& input, uint32_t& output) override {
        input = static_cast<uint32_t>(DueCount());
        output = 0;
        return true;
    }
    bool ModemStatus(uint8_t& l) override {
        l = lines(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - made_).count());
        return true;
    }
    bool Read(void* buffer, std::size_t count, std::size_t& got) override {
        const std::string bytes = Take(std::min(count, DueCount()));
        std::copy(bytes.begin(), bytes.end(), static_cast<char*>(buffer));
        got = bytes.size();
        return true;
    }
    bool Write(const void* data, std::size_t count, std::size_t& written) override {
        const auto* p = static_cast<const char*>(data);
        for (std::size_t i = 0; i < count; ++i) {
            if (p[i] != NAK && p[i] != ACK) continue;  // the download command, if any
            written_ += p[i];
            if (script.empty()) continue;
            for (const auto& [bytes, ms] : script.front().chunks)
                pending_.push_back({Clock::now() + std::chrono::milliseconds(ms), bytes});
            script.pop_front();
        }
        written = count;
        return true;
    }
    bool WaitReadable(int ms) override {
        const auto until = Clock::now() + std::chrono::milliseconds(ms);
        while (DueCount() == 0 && Clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return DueCount() > 0;
    }
    bool WaitWritable(int) override { return true; }
    bool Lost() override { return false; }
    void Close() override {}

private:
    struct Chunk {
        Clock::time_point due;
        std::string bytes;
    };
    std::size_t DueCount() const {
        std::size_t n = 0;
        for (const auto& c : pending_)
            if (c.due <= Clock::now()) n += c.bytes.size();
        return n;
    }
    std::string Take(std::size_t n) {
        std::string out;
        for (auto it = pending_.begin(); it != pending_.end() && out.size() < n;) {
            if (it->due > Clock::now()) {
                ++it;
                continue;
            }
            const std::size_t k = std::min(n - out.size(), it->bytes.size());
            out += it->bytes.substr(0, k);
            it->bytes.erase(0, k);
            it = it->bytes.empty() ? pending_.erase(it) : it;
        }
        return out;
    }

    std::deque<Chunk> pending_;
    std::string written_;
    int purges_ = 0;
    Clock::time_point made_ = Clock::now();
};

class Xmodem : public ::testing::Test {
protected:
    Xmodem() { EnsureApp(); }

    // Runs the receive into a fresh file; the file must be closed afterwards.
    std::string Receive() {
        EXPECT_TRUE(comm.OpenPort());
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        const auto start = Clock::now();
        comm.XmodemReceive(file);
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
        EXPECT_FALSE(file.is_open()) << "the receive closes the file on every way out";
        EXPECT_EQ(comm.InputTimeout(), 200u);
        return testkit::ReadFile(path);
    }
    std::vector<std::string> Prompted() {
        std::vector<std::string> t;
        for (const auto& p : ui->Prompts()) t.push_back(p.text);
        return t;
    }
    // For the tests that only count retries: no pause after each NAK, and a
    // shorter silence to end a byte. The tests that measure the waits keep
    // the real times.
    void QuickRetries() {
        comm.XmodemTimes.RetryPauseSeconds = 0;
        comm.XmodemTimes.ByteTimeoutMs = 300;
    }
    // The next exchange on a port of its own.
    void NewPort() {
        comm.ClosePort();
        port = std::make_shared<SenderPort>();
    }

    testkit::TempHome home;
    testkit::ScopedScriptedUi ui;
    std::shared_ptr<SenderPort> port = std::make_shared<SenderPort>();
    serial::ScopedPortFactory factory{[this](const std::string&) -> serial::PortPtr { return port; }};
    TCommClass comm;
    std::string path = home.Path() + "/download.bin";
    double seconds = 0;
};

using Texts = std::vector<std::string>;

TEST(XmodemTimes, TheWaitsTheModemsExpect) {
    const TCommClass::TXmodemTimes t;
    EXPECT_EQ(t.ByteTimeoutMs, 1000u);
    EXPECT_EQ(t.RetryPauseSeconds, 1);
    EXPECT_EQ(t.CarrierDropWaitMs, 5000u);
    EXPECT_EQ(TCommClass::XmodemMaxErrors, 12);
    const TCommClass::TLineTimes line;
    EXPECT_EQ(line.QuietMs, 200u);
    EXPECT_EQ(line.QuietLimitMs, 2000u);
    EXPECT_EQ(line.BlockTimeoutMs, 20000u);
    EXPECT_EQ(line.LongWaitSeconds, 60);
}

TEST_F(Xmodem, EotAtOnceLeavesTheFileEmpty) {
    port->script = {std::string{EOT}};
    EXPECT_EQ(Receive(), "");
    EXPECT_EQ(port->Controls(), "NA");
    EXPECT_EQ(comm.BlockCount, 0);
    EXPECT_EQ(comm.ReceivedBytes(), 1u) << "the EOT's read";
    EXPECT_EQ(Prompted(), Texts{});
}

TEST_F(Xmodem, ThreeBlocksGiveTheirDataInOrder) {
    port->script = {Block(1, Data(1)), Block(2, Data(2)), Block(3, Data(3)), std::string{EOT}};
    EXPECT_EQ(Receive(), Data(1) + Data(2) + Data(3));
    EXPECT_EQ(port->Controls(), "NAAAA");
    EXPECT_EQ(comm.BlockCount, 3);
    EXPECT_EQ(comm.ReceivedBytes(), 3072u + 1u);
    EXPECT_EQ(Prompted(), Texts{});
}

TEST_F(Xmodem, NeitherChecksumNorBlockNumberIsChecked) {
    // The sender's filler stays in the file too.
    const std::string last = "end" + std::string(1021, '\x1A');
    port->script = {Block(1, Data(1), 1), Block(7, Data(2), 200), Block(3, last), std::string{EOT}};
    EXPECT_EQ(Receive(), Data(1) + Data(2) + last);
    EXPECT_EQ(port->Controls(), "NAAAA");
}

TEST_F(Xmodem, ABadStartByteIsAskedForAgain) {
    port->script = {std::string{SOH}, Block(1, Data(1)), std::string{EOT}};
    EXPECT_EQ(Receive(), Data(1));
    EXPECT_EQ(port->Controls(), "NNAA");
    EXPECT_GE(seconds, 1.0) << "a second's pause before the next try";
    EXPECT_EQ(Prompted(), Texts{});
}

TEST_F(Xmodem, TimeoutIsShownOnceAndTheRetriesGoOnQuietly) {
    port->script = {Silence, Silence, Block(1, Data(1)), std::string{EOT}};
    EXPECT_EQ(Receive(), Data(1));
    EXPECT_EQ(port->Controls(), "NNNAA");
    EXPECT_EQ(Prompted(), Texts{"Timeout occoured!"});
    EXPECT_GE(seconds, 4.0) << "two seconds of silence and two pauses";
}

// A zero byte is a bad start byte like any other, not a time-out.
TEST_F(Xmodem, AZeroStartByteIsNoTimeout) {
    QuickRetries();
    port->script = {std::string(1, '\0'), Block(1, Data(1)), std::string{EOT}};
    EXPECT_EQ(Receive(), Data(1));
    EXPECT_EQ(port->Controls(), "NNAA");
    EXPECT_EQ(Prompted(), Texts{});
}

TEST_F(Xmodem, TimeoutAfterABlock) {
    port->script = {Block(1, Data(1)), Silence, Block(2, Data(2)), std::string{EOT}};
    EXPECT_EQ(Receive(), Data(1) + Data(2));
    EXPECT_EQ(port->Controls(), "NANAA");
    EXPECT_EQ(Prompted(), Texts{"Timeout occoured!"});
    EXPECT_GE(seconds, 2.0) << "a second of silence and a pause";
}

TEST_F(Xmodem, CanEndsTheReceiveAtOnce) {
    port->script = {Block(1, Data(1)), std::string{CAN}};
    EXPECT_EQ(Receive(), Data(1));
    EXPECT_EQ(port->Controls(), "NA") << "no answer to CAN";
    EXPECT_EQ(Prompted(), Texts{"CAN occoured!"});
}

// A sender that has finished or given up says so again after a NAK; that
// is no bad start byte.
TEST_F(Xmodem, EotAndCanAfterANakAreTakenAsSuch) {
    QuickRetries();
    port->script = {Block(1, Data(1)), std::string{SOH}, std::string{EOT}};
    EXPECT_EQ(Receive(), Data(1));
    EXPECT_EQ(port->Controls(), "NANA");
    EXPECT_EQ(Prompted(), Texts{});

    ui->ClearPrompts();
    port->script = {std::string{SOH}, std::string{CAN}};
    EXPECT_EQ(Receive(), "");
    EXPECT_EQ(Prompted(), Texts{"CAN occoured!"});
}

// The data read of a block ends after a second of silence; what came is
// not written, and the block is asked for again.
TEST_F(Xmodem, AShortBlockIsNotWritten) {
    const std::string full = Block(2, Data(2));
    struct Case {
        const char* name;
        std::string cut;
    };
    const Case cases[] = {
        {"data cut short", full.substr(0, 3 + 600)},
        {"checksum missing", full.substr(0, full.size() - 1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NewPort();
        QuickRetries();
        port->script = {Block(1, Data(1)), c.cut, Block(2, Data(3)), std::string{EOT}};
        EXPECT_EQ(Receive(), Data(1) + Data(3));
        EXPECT_EQ(port->Controls(), "NANAA");
        EXPECT_EQ(comm.BlockCount, 2);
        EXPECT_EQ(Prompted(), Texts{});
    }
}

// The rest of a block that comes after the data read has given up is no
// checksum: the block is still not written, and the late bytes count as a
// bad start byte.
TEST_F(Xmodem, ABlockWhoseTailComesLateIsNotWritten) {
    QuickRetries();
    const std::string late = Block(2, Data(2));
    ASSERT_NE(late[3 + 600], STX);
    port->script = {Block(1, Data(1)), Answer({{late.substr(0, 3 + 600), 0}, {late.substr(3 + 600), 500}}), Silence,
                    Block(2, Data(3)), std::string{EOT}};
    EXPECT_EQ(Receive(), Data(1) + Data(3));
    EXPECT_EQ(port->Controls(), "NANNAA");
    EXPECT_EQ(comm.BlockCount, 2);
    EXPECT_EQ(Prompted(), Texts{});
}

// Twelve errors are tolerated; a good block after the twelfth goes on to
// the next start byte, so the transfer is not cut short without a word.
TEST_F(Xmodem, TheErrorLimitReachedByARetryStillReceivesToTheEnd) {
    QuickRetries();
    port->script = {Block(1, Data(1))};
    for (int i = 0; i < 12; ++i) port->script.push_back(std::string{SOH});
    port->script.push_back(Block(2, Data(2)));
    port->script.push_back(Block(3, Data(3)));
    port->script.push_back(std::string{EOT});
    EXPECT_EQ(Receive(), Data(1) + Data(2) + Data(3));
    EXPECT_EQ(port->Controls(), "NA" + std::string(12, 'N') + "AAA");
    EXPECT_EQ(Prompted(), Texts{});
}

TEST_F(Xmodem, TheThirteenthBadStartByteEndsWithSohErrors) {
    QuickRetries();
    port->script = {Block(1, Data(1))};
    for (int i = 0; i < 12; ++i) port->script.push_back(std::string{static_cast<char>(0x55)});
    port->script.push_back(Block(2, Data(2)));
    port->script.push_back(std::string{SOH});
    port->script.push_back(Block(3, Data(3)));
    EXPECT_EQ(Receive(), Data(1) + Data(2));
    EXPECT_EQ(port->Controls(), "NA" + std::string(12, 'N') + "A") << "no NAK for the thirteenth";
    EXPECT_EQ(Prompted(), Texts{"SOH errors!"});
    EXPECT_EQ(port->Purges(), 1 + 12) << "one as the port opened, one before each NAK";
}

TEST_F(Xmodem, TheCarrierWaitEndsWhenTheModemHangsUp) {
    port->lines = [](int64_t ms) { return uint8_t(ms < 400 ? 11 : 3); };
    port->script = {std::string{EOT}};
    const uint64_t pumps = app::PumpCount();
    Receive();
    EXPECT_GE(seconds, 0.35);
    EXPECT_LT(seconds, 1.5);
    EXPECT_GT(app::PumpCount(), pumps + 2) << "the window stays alive while it waits";
}

TEST_F(Xmodem, TheCarrierWaitIsBounded) {
    comm.XmodemTimes.CarrierDropWaitMs = 700;
    port->lines = [](int64_t) { return uint8_t{11}; };
    port->script = {Block(1, Data(1)), std::string{EOT}};
    EXPECT_EQ(Receive(), Data(1));
    EXPECT_GE(seconds, 0.7 - 0.05);
    EXPECT_LT(seconds, 0.7 + 1.2);
    // Another line pattern (RING on) is no call in progress.
    NewPort();
    port->lines = [](int64_t) { return uint8_t{15}; };
    port->script = {std::string{EOT}};
    Receive();
    EXPECT_LT(seconds, 0.5);
}

// Without a carrier line the end of the call shows in the modem's result
// text; the receive reads it up to a moment's silence, which also gives the
// last ACK time to leave before the next command purges the line.
TEST_F(Xmodem, TheModemsLastWordsAreReadUpToASilence) {
    port->script = {std::string{EOT}, After(50, "\r\nNO CARRIER\r\n")};
    Receive();
    EXPECT_EQ(port->Controls(), "NA");
    EXPECT_EQ(comm.InputCount(), 0u);
    EXPECT_GE(seconds, 0.25);
    EXPECT_LT(seconds, 0.8);
}

TEST_F(Xmodem, AChatteringLineIsLeftAtTheLimit) {
    comm.LineTimes.QuietLimitMs = 600;
    std::vector<std::pair<std::string, int>> chatter;
    for (int ms = 0; ms < 6000; ms += 50) chatter.emplace_back("RING\r\n", ms);
    port->script = {std::string{EOT}, Answer(chatter)};
    Receive();
    EXPECT_GE(seconds, 0.55);
    EXPECT_LT(seconds, 1.4);
}

TEST_F(Xmodem, ReceivedBytesCountsTheReadInProgress) {
    const std::string second = Block(2, Data(2));
    port->script = {Block(1, Data(1)), Answer({{second.substr(0, 600), 0}, {second.substr(600), 400}}),
                    std::string{EOT}};
    std::vector<uint32_t> samples;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { samples.push_back(comm.ReceivedBytes()); });
    timer.start(20);
    EXPECT_EQ(Receive(), Data(1) + Data(2));
    // Block 1 done and 597 bytes of block 2's data (600 less its three header bytes).
    EXPECT_NE(std::find(samples.begin(), samples.end(), 1024u + 597u), samples.end());
    EXPECT_TRUE(std::is_sorted(samples.begin(), samples.end()));
}

}  // namespace
