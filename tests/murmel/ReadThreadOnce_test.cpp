// Every voice mail ends as exactly one complete WAV file, also when a run is
// cut short: by the modem vanishing in the middle of a page, or by the
// worker's process dying between a file's write and its bookkeeping.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "murmel/ReadThread.h"
#include "murmel/konvertiere.h"
#include "tests/murmel/WorkerKit.h"

namespace {

using namespace murmel;
using workerkit::Voice;

class ExactlyOnce : public workerkit::WorkerTest {
protected:
    // Messages of 9, 10, ... seconds: each file tells by its length which one it holds.
    static std::string Messages(int count) {
        std::string s;
        for (int i = 0; i < count; ++i) s += Voice(9 + i, "caller = \"message " + std::to_string(i + 1) + "\"\n");
        return s;
    }
    // Which message each WAV file holds (by its length), in file order.
    std::vector<int> Contents() const {
        std::vector<int> held;
        for (const auto& name : WavFiles()) {
            const long long size = static_cast<long long>(testkit::ReadFile(out + "/" + name).size());
            const long long data = size - 44;
            EXPECT_EQ(data % 640, 0) << name << " is not whole";
            const int seconds = static_cast<int>(data / 640 * 2 / 50);
            held.push_back(seconds - 8);
        }
        return held;
    }
    bool Sent(const std::string& line) const {
        const auto lines = Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

TEST_F(ExactlyOnce, TheModemVanishingInTheMiddleOfAPage) {
    const std::string scenario = Messages(6);
    StartSim(scenario, {"--baud", "230400"});
    std::thread worker(ReadThread, nullptr);
    // Wait until the third page is on its way, then let the line vanish.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!Sent("AT+MTP=6") && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    sim->Kill();
    worker.join();
    QCoreApplication::sendPostedEvents(&recorder);
    ASSERT_FALSE(Posts().empty());
    EXPECT_EQ(Posts().back(), (workerkit::Posted{WM_THREADERROR, 0, ErrorModem}));
    const std::vector<int> first = Contents();
    ASSERT_FALSE(first.empty()) << "the messages of the first pages were written";
    ASSERT_LT(first.size(), 6u);
    EXPECT_EQ(Int(kModem, "Savedmsg"), static_cast<int>(first.size()));

    StartSim(scenario);
    EXPECT_EQ(RunWorker(), NoError);
    EXPECT_EQ(Contents(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(Int(kModem, "Savedmsg"), 6);
    EXPECT_EQ(Int(kOptions, "Counter"), 7);
}

// The worker runs in a child process that dies the moment its K-th file is
// complete, before the bookkeeping has counted it.
void RunAndDieAfterFile(int k) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        int files = 0;
        SetWavWrittenHook([&](const std::string&) {
            if (++files == k) ::kill(::getpid(), SIGKILL);
        });
        ReadThread(nullptr);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
}

TEST_F(ExactlyOnce, TheWorkerDyingBetweenAFileAndItsBookkeeping) {
    StartSim(Messages(4));
    RunAndDieAfterFile(2);
    EXPECT_EQ(Contents(), (std::vector<int>{1, 2}));
    EXPECT_EQ(Int(kModem, "Savedmsg"), 1) << "the second file was not counted yet";
    EXPECT_EQ(Int(kOptions, "Counter"), 2);

    RunAndDieAfterFile(1);  // the uncounted message is written again, to its own number
    EXPECT_EQ(Contents(), (std::vector<int>{1, 2}));
    EXPECT_EQ(Int(kModem, "Savedmsg"), 1);

    EXPECT_EQ(RunWorker(), NoError);
    EXPECT_EQ(Contents(), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(Int(kModem, "Savedmsg"), 4);
    EXPECT_EQ(Int(kOptions, "Counter"), 5);
    EXPECT_EQ(RunWorker(), NoError);
    EXPECT_EQ(Contents(), (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(ExactlyOnce, TwoHundredFiftyMessagesWithFaxesAmongThem) {
    std::string scenario;
    for (int i = 0; i < 250; ++i) scenario += i % 25 == 7 ? workerkit::Fax() : Voice(1);
    StartSim(scenario);
    EXPECT_EQ(RunWorker(), NoError);
    EXPECT_EQ(WavFiles().size(), 240u);
    EXPECT_EQ(CountOf("AT+MSR=250"), 1);
    EXPECT_EQ(CountOf("AT+MSR=251"), 1);  // the short reply that ends the report
    EXPECT_EQ(CountOf("AT+MSR=252"), 0);
    EXPECT_EQ(Int(kModem, "Savedmsg"), 240);
    EXPECT_EQ(Int(kModem, "Savedmsgfax"), 10);
    const std::vector<workerkit::Posted> all = Posts();
    const auto counts = std::find_if(all.begin(), all.end(),
                                     [](const workerkit::Posted& p) { return p.message == WM_NEWMESSAGES; });
    ASSERT_NE(counts, all.end());
    EXPECT_EQ(counts->lParam & 0xFF, 240);
    EXPECT_EQ(counts->lParam >> 16 & 0xFF, 240);
    EXPECT_EQ(counts->lParam >> 24 & 0xFF, 10);
    EXPECT_EQ(std::count_if(all.begin(), all.end(),
                            [](const workerkit::Posted& p) { return p.message == WM_MESSAGEREADY; }),
              240);
}

}  // namespace
