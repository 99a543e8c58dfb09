// Murmel's check and erase as whole-program runs (a memory of voice mails
// only: a fax in it keeps the erase from running), under each fault of the
// line: the program checks at its start (Autocheck) and erases the memory
// after a complete check (Autodelete), against a simulator that answers one
// command family with silence, ERROR, wrong checksums, noise, dropped bytes,
// vanishes in the middle of a page, or runs at 2400 baud. Whatever the fault,
// the run ends in its bound with no box or the modem-error box, writes only
// whole WAV files, never erases a memory it did not read whole, and a start
// against a clean modem afterwards has every voice mail written exactly once.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/AudioOut.h"
#include "platform/Registry.h"
#include "testkit/ModemSim.h"
#include "testkit/TestKit.h"

namespace {

namespace fs = std::filesystem;
constexpr int kVoiceMails = 3;

struct Cell {
    std::string operation;  // "check", or "erase" (the check with Autodelete)
    std::string fault;
    std::vector<std::string> options;
    // The box the run ends with ("" none: it writes every voice mail, and
    // erases when asked); a modem gone with its port is a port that does not answer.
    std::string box;
};

void PrintTo(const Cell& C, std::ostream* Out) { *Out << C.operation << " " << C.fault; }

class MurmelFaults : public ::testing::TestWithParam<Cell> {
protected:
    void SetUp() override {
        fs::create_directories(out);
        testkit::WriteFile(memory, "[message]\ntype = voice\nseconds = 6\ntime = 3,4,5\n"
                                   "[message]\ntype = voice\nseconds = 40\ntime = 3,4,6\n"
                                   "[message]\ntype = voice\nseconds = 2\nencapsulated = yes\n");
        registry::TRegBatch batch;
        const std::string options = "\\Software\\Hollin\\Murmel\\Options";
        batch.WriteString(options, "Port", "COM2");
        batch.WriteString(options, "Path", out);
        batch.WriteString(options, "Autocheck", "TRUE");
        batch.WriteString(options, "Autoplay", "FALSE");
        batch.WriteString(options, "Autodelete", GetParam().operation == "erase" ? "TRUE" : "FALSE");
        batch.Commit();
    }

    // One start of murmel against a simulator with Options, until its check
    // has ended (the result logged) or Seconds pass; then SIGTERM.
    struct Run {
        double seconds = 0;
        std::string boxes;
        std::vector<std::string> received;
        bool ended = false;
    };
    Run Start(const std::vector<std::string>& Options, double Seconds) {
        std::vector<std::string> args{"--model", "sportster", "--scenario", memory};
        args.insert(args.end(), Options.begin(), Options.end());
        auto sim = std::make_unique<testkit::ModemSim>(testkit::PortLink(2), args);
        fs::remove(log);
        testkit::WriteFile(out + "/Debug.txt", "");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PELLOW_UI_LOG", QString::fromStdString(log));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        QProcess murmel;
        murmel.setProcessEnvironment(env);
        const auto start = std::chrono::steady_clock::now();
        murmel.start(QString::fromStdString(testkit::BinDir() + "/murmel"), {});
        EXPECT_TRUE(murmel.waitForStarted(10000));
        Run r;
        // The dialog's last word on a check: the worker's result, after its retries.
        r.ended = testkit::WaitFor(
            [&] {
                const std::string debug = testkit::ReadFile(out + "/Debug.txt");
                return testkit::ReadFile(log).find("not responding") != std::string::npos ||
                       debug.find("Ergebnis: 5") != std::string::npos;
            },
            Seconds);
        r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        murmel.terminate();
        EXPECT_TRUE(murmel.waitForFinished(15000));
        r.boxes = testkit::ReadFile(log);
        r.received = sim->TranscriptLines();
        return r;
    }
    // The WAV files written; each must be a whole message WAV.
    int WholeWavs() const {
        int n = 0;
        for (const auto& e : fs::directory_iterator(out)) {
            if (e.path().extension() != ".wav") continue;
            const std::string wav = testkit::ReadFile(e.path().string());
            const auto image = audio::ParseWave(wav);
            EXPECT_TRUE(image && image->dataSize == image->declaredSize && image->dataSize > 0) << e.path();
            ++n;
        }
        return n;
    }
    static bool Erased(const std::vector<std::string>& Received) {
        return std::find(Received.begin(), Received.end(), "AT+MEM") != Received.end();
    }

    testkit::TempHome home;
    const std::string out = home.Path() + "/out";
    const std::string memory = home.Path() + "/memory.txt";
    const std::string log = home.Path() + "/ui.log";
};

TEST_P(MurmelFaults, EndsInItsBoundLosesNothingAndTheNextCheckWorks) {
    const Cell& c = GetParam();
    const Run faulty = Start(c.options, 120);
    EXPECT_TRUE(faulty.ended) << "no result within the bound";
    // Three tries of a check, each bounded by the port time-outs.
    EXPECT_LT(faulty.seconds, 100);
    const int written = WholeWavs();
    if (c.box.empty()) {
        EXPECT_EQ(faulty.boxes, "");
        EXPECT_EQ(written, kVoiceMails);
        EXPECT_EQ(Erased(faulty.received), c.operation == "erase");
    } else {
        EXPECT_NE(faulty.boxes.find(c.box), std::string::npos) << faulty.boxes;
        EXPECT_LE(written, kVoiceMails);
        // A memory not read whole is never erased.
        if (written < kVoiceMails) {
            EXPECT_FALSE(Erased(faulty.received));
        }
    }
    // The next check, on a clean line, writes the rest and nothing twice;
    // after an erase the modem's memory is empty.
    if (Erased(faulty.received)) testkit::WriteFile(memory, "[memory]\nused = 0\n");
    const Run clean = Start({}, 60);
    EXPECT_TRUE(clean.ended);
    EXPECT_EQ(clean.boxes, "");
    EXPECT_EQ(WholeWavs(), kVoiceMails);
}

std::vector<Cell> Cells() {
    std::vector<Cell> cells;
    const std::string modem = "Modem not responding.", port = "COM-Port not responding.";
    for (const std::string op : {"check", "erase"}) {
        cells.push_back({op, "silence", {"--fault-on", "+MTP", "--silent"}, modem});
        cells.push_back({op, "error", {"--error-on", "+MTP"}, modem});
        cells.push_back({op, "checksum", {"--page-bad-checksum", "4"}, modem});
        cells.push_back({op, "noise", {"--fault-on", "+MTP", "--garbage", "16"}, modem});
        cells.push_back({op, "drops", {"--fault-on", "+MTP", "--drop-every", "5000"}, modem});
        cells.push_back({op, "vanish", {"--vanish-on", "+MTP:10000"}, port});
        cells.push_back({op, "slow", {"--baud", "38400"}, ""});
    }
    // An ERROR in place of a status record ends the report there; the header
    // chain still leads to every message.
    cells.push_back({"check", "error-in-report", {"--error-on", "+MSR=2"}, ""});
    cells.push_back({"erase", "erase-error", {"--erase-error"}, modem});
    return cells;
}

INSTANTIATE_TEST_SUITE_P(Faults, MurmelFaults, ::testing::ValuesIn(Cells()),
                         [](const ::testing::TestParamInfo<Cell>& Info) {
                             std::string name = Info.param.operation + "_" + Info.param.fault;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace
