// Echolet's two transfers of the greeting, the modem's page to a ".gsm" file
// and a ".gsm" file into the modem, each under each fault of the line:
// silence, ERROR, wrong checksums, noise, dropped bytes, the modem gone in
// the middle, a slow line. Whatever the fault, the transfer ends within its
// bound and shows no box (Echolet's port and modem failures are silent), it
// writes no file but the one a clean line gives, the modem holds the old
// greeting or the new one whole, and the next transfers work: at once on the
// same line, and after a clean modem is plugged in on the same port.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "echolet/EcholetCom.h"
#include "platform/App.h"
#include "testkit/ModemSim.h"
#include "testkit/TestKit.h"

namespace echolet {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Cell {
    std::string operation;  // "save" (modem2file) or "send" (file2modem)
    std::string fault;
    std::vector<std::string> options;
    bool done = false;  // the transfer succeeds (the file or the greeting as on a clean line)
    // The greeting the modem holds afterwards: "old", "new", or nothing:
    // not to be read (the modem is gone with its memory).
    std::optional<std::string> greeting;
    double bound = 15;  // seconds the transfer may take
    // Seconds the modem needs before it answers again (0: none): one whose
    // CONNECT did not come through waits in its upload for data, and gives
    // it up only after 10 s without a byte.
    int settle = 0;
};

void PrintTo(const Cell& C, std::ostream* Out) { *Out << C.operation << " " << C.fault; }

std::string Name(const ::testing::TestParamInfo<Cell>& Info) {
    return Info.param.operation + "_" + Info.param.fault;
}

// Frames GSM-like bytes of Frames frames and the end pair; Seed tells two
// greetings apart.
std::string Greeting(int Frames, int Seed) {
    std::string data;
    for (int f = 0; f < Frames; ++f) {
        data += static_cast<char>(0xD0 | ((f + Seed) & 0x0F));
        for (int i = 1; i < 33; ++i) data += static_cast<char>((f * 31 + i * 7 + Seed) & 0xFF);
    }
    return data + "\x10\x03";
}

// Two sound files alike, without printing their bytes.
::testing::AssertionResult Same(const std::string& Got, const std::string& Wanted) {
    if (Got == Wanted) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << Got.size() << " bytes where " << Wanted.size() << " other bytes belong";
}

class EcholetFaults : public ::testing::TestWithParam<Cell> {
protected:
    void SetUp() override {
        app::SetTitle("Echolet");
        testkit::WriteFile(oldGreeting, Greeting(300, 1));
        testkit::WriteFile(newGreeting, Greeting(200, 9));
        testkit::WriteFile(scenario, "[outgoing]\ngsm = " + oldGreeting + "\n");
    }
    // A modem on COM2 (Echolet's port without settings) holding the old greeting.
    void Plug(std::vector<std::string> Options = {}) {
        sim.reset();
        Options.insert(Options.end(), {"--scenario", scenario});
        sim = std::make_unique<testkit::ModemSim>(testkit::PortLink(2), Options);
    }

    // One transfer as the dialog's buttons start it: the file dialog
    // answered with Path.
    struct Run {
        int result = -1;
        double seconds = 0;
        std::vector<std::string> boxes;  // every prompt but the file dialogs
        bool asked = false;              // the file dialog came up
    };
    Run Transfer(const std::string& Operation, const std::string& Path) {
        testkit::ScopedScriptedUi ui;
        ui->Answer(Path);
        Run r;
        const auto start = Clock::now();
        r.result = Operation == "save" ? com.modem2file(TMessage::Outgoing) : com.file2modem(TMessage::Outgoing);
        r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        for (const auto& p : ui->Prompts()) {
            if (p.kind == "open" || p.kind == "save")
                r.asked = true;
            else
                r.boxes.push_back(p.kind + ": " + p.text);
        }
        return r;
    }
    // The greeting the modem holds, read on a line that works ("" when the
    // read fails).
    std::string Held(const std::string& Name) {
        const std::string path = home.Path() + "/" + Name + ".gsm";
        const Run r = Transfer("save", path);
        return r.result == 1 && fs::exists(path) ? testkit::ReadFile(path) : "";
    }

    testkit::TempHome home;
    const std::string oldGreeting = home.Path() + "/old.gsm";
    const std::string newGreeting = home.Path() + "/new.gsm";
    const std::string scenario = home.Path() + "/modem.ini";
    const std::string saved = home.Path() + "/saved.gsm";
    std::unique_ptr<testkit::ModemSim> sim;
    CEcholetCom com;
};

TEST_P(EcholetFaults, EndsInItsBoundWritesNothingWrongAndTheNextTransferWorks) {
    const Cell& c = GetParam();
    const bool save = c.operation == "save";
    // The transfer on a clean line: the file it saves, the greeting it leaves.
    Plug();
    {
        CEcholetCom clean;
        testkit::ScopedScriptedUi ui;
        ui->Answer(save ? home.Path() + "/clean.gsm" : newGreeting);
        ASSERT_EQ(save ? clean.modem2file(TMessage::Outgoing) : clean.file2modem(TMessage::Outgoing), 1);
    }
    const std::string cleanFile = save ? testkit::ReadFile(home.Path() + "/clean.gsm") : "";
    if (save) {
        ASSERT_TRUE(Same(cleanFile, testkit::ReadFile(oldGreeting)));
    } else {
        ASSERT_TRUE(Same(Held("clean-held"), testkit::ReadFile(newGreeting)));
    }

    Plug(c.options);
    const Run r = Transfer(c.operation, save ? saved : newGreeting);
    EXPECT_LT(r.seconds, c.bound);
    EXPECT_EQ(r.boxes, std::vector<std::string>{}) << "the failures are silent";
    EXPECT_EQ(r.result, c.done ? 1 : 0);
    if (save) {
        // The file dialog comes after the page is read whole, never before.
        EXPECT_EQ(r.asked, c.done);
        if (c.done) {
            EXPECT_TRUE(Same(testkit::ReadFile(saved), cleanFile));
        } else {
            EXPECT_FALSE(fs::exists(saved)) << "no file from a page that did not come whole";
        }
    }
    // The next transfer on the same line, the other way round (the faults
    // strike only the failed transfer's command): after an upload it reads
    // what the modem holds.
    if (c.greeting) {
        std::this_thread::sleep_for(std::chrono::seconds(c.settle));
        if (save) {
            const Run upload = Transfer("send", newGreeting);
            EXPECT_EQ(upload.result, 1) << "no upload after the failed save";
            EXPECT_EQ(*c.greeting, "old");
        } else {
            EXPECT_TRUE(Same(Held("held"), testkit::ReadFile(*c.greeting == "new" ? newGreeting : oldGreeting)))
                << "the modem holds neither greeting whole";
        }
    }
    // A clean modem plugged in on the same port: the same transfer works.
    Plug();
    fs::remove(saved);
    const Run next = Transfer(c.operation, save ? saved : newGreeting);
    EXPECT_EQ(next.result, 1);
    EXPECT_EQ(next.boxes, std::vector<std::string>{});
    if (save) {
        EXPECT_TRUE(Same(testkit::ReadFile(saved), cleanFile));
    } else {
        EXPECT_TRUE(Same(Held("next-held"), testkit::ReadFile(newGreeting)));
    }
    EXPECT_FALSE(com.IsOpen());
}

std::vector<Cell> Cells() {
    return {
        // The modem's page (AT+MTP=0): 32768 bytes behind a two-digit checksum.
        {"save", "silence", {"--fault-on", "+MTP", "--silent"}, false, "old"},
        {"save", "error", {"--error-on", "+MTP"}, false, "old"},
        {"save", "checksum", {"--page-bad-checksum", "0"}, false, "old", 30},
        // Two wrong sendings, then a right one: the retries bring it whole.
        {"save", "checksum_twice", {"--page-bad-checksum", "0:2"}, true, "old"},
        {"save", "garbage", {"--fault-on", "+MTP", "--garbage", "16"}, false, "old"},
        {"save", "drops", {"--fault-on", "+MTP", "--drop-every", "5000"}, false, "old", 30},
        {"save", "unplugged", {"--vanish-on", "+MTP:10000"}, false, std::nullopt},
        {"save", "slow", {"--baud", "38400"}, true, "old", 30},
        // The upload (AT+MVC=0, CONNECT, the data, then AT and its OK); the
        // data carries no checksum.
        {"send", "silence", {"--fault-on", "+MVC", "--silent"}, false, "old"},
        {"send", "error", {"--error-on", "+MVC"}, false, "old"},
        {"send", "garbage", {"--fault-on", "+MVC", "--garbage", "16"}, false, "old", 15, 11},
        {"send", "drops", {"--fault-on", "+MVC", "--drop-every", "3"}, false, "old", 15, 11},
        // The greeting went in whole, but the OK after it does not come.
        {"send", "error_after", {"--error-on", "AT"}, false, "new"},
        {"send", "unplugged", {"--vanish-on", "+MVC:11"}, false, std::nullopt},
        {"send", "slow", {"--baud", "38400"}, true, "new", 30},
    };
}

INSTANTIATE_TEST_SUITE_P(Faults, EcholetFaults, ::testing::ValuesIn(Cells()), Name);

}  // namespace
}  // namespace echolet
