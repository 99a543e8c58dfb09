#pragma once
// A worker run against the simulated modem: a private profile and output
// folder, the simulator with a scenario, the worker on its own thread, and
// the messages it posted, in order, as a window would receive them.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "murmel/DebugLog.h"
#include "murmel/ModemDialogue.h"
#include "murmel/MurmelProfile.h"
#include "murmel/ReadThread.h"
#include "murmel/WorkerMessages.h"
#include "testkit/ModemSim.h"
#include "testkit/TestKit.h"

namespace workerkit {

struct Posted {
    int message;
    int64_t wParam;
    int64_t lParam;
    bool operator==(const Posted&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Posted& p) {
    return os << "WM_USER+" << p.message - murmel::WM_USER << "(" << p.wParam << ", " << p.lParam << ")";
}

// Stands in for the dialog: keeps every worker message it receives.
class Recorder : public QObject {
public:
    bool event(QEvent* e) override {
        if (auto* w = dynamic_cast<murmel::WorkerEvent*>(e)) {
            EXPECT_EQ(w->type(), murmel::EventTypeOf(w->Message()));
            got.push_back({w->Message(), w->WParam(), w->LParam()});
            return true;
        }
        return QObject::event(e);
    }
    std::vector<Posted> got;
};

inline QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "murmel-tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? QCoreApplication::instance()
                                                                : new QCoreApplication(argc, argv);
    return *app;
}

// The status line counts of WM_NEWMESSAGES, as the worker packs them.
inline int64_t Counts(int64_t fresh, int64_t used, int64_t voice, int64_t fax) {
    return fresh + 256 * used + 65536 * voice + 16777216 * fax;
}

class WorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        murmel::SetProfileName("Murmel");
        out = home.Path() + "/out";
        std::filesystem::create_directories(out);
        murmel::WriteProfileString(murmel::kOptions, "Port", "COM2");
        murmel::WriteProfileString(murmel::kOptions, "Baudrate", "115200");
        murmel::WriteProfileString(murmel::kOptions, "Path", out);
        // Silences of the dialogue end sooner; a test pins the real values.
        murmel::Timeouts().standard.readInterval = 200;
        murmel::Timeouts().erase = {5000, 100, 5000, 10, 1000};
        murmel::SetMainWindow(&recorder);
    }
    void TearDown() override {
        murmel::SetMainWindow(nullptr);
        murmel::Timeouts() = murmel::WorkerTimeouts();
        murmel::SetDebugSwitch(false);
    }

    // Starts the simulator on COM2 with Scenario and further options.
    void StartSim(const std::string& Scenario, std::vector<std::string> Args = {}) {
        sim.reset();
        const std::string file = home.Path() + "/scenario" + std::to_string(++scenarios) + ".txt";
        testkit::WriteFile(file, Scenario);
        Args.insert(Args.begin(), {"--scenario", file});
        sim = std::make_unique<testkit::ModemSim>(testkit::PortLink(2), Args);
    }

    // One worker run (the download worker unless Entry names another) to its
    // end; the messages it posted are added to
    // `recorder.got`. Returns its result code, which must be the one last
    // message of the run.
    int RunWorker(unsigned (*Entry)(void*) = murmel::ReadThread) {
        const std::size_t before = recorder.got.size();
        std::thread worker(Entry, nullptr);
        worker.join();
        QCoreApplication::sendPostedEvents(&recorder);
        const std::vector<Posted> run(recorder.got.begin() + static_cast<long>(before), recorder.got.end());
        const auto ends = std::count_if(run.begin(), run.end(),
                                        [](const Posted& p) { return p.message == murmel::WM_THREADERROR; });
        EXPECT_EQ(ends, 1);
        if (run.empty() || run.back().message != murmel::WM_THREADERROR) {
            ADD_FAILURE() << "the run did not end with WM_THREADERROR";
            return -1;
        }
        return static_cast<int>(run.back().lParam);
    }

    std::vector<Posted> Posts() const { return recorder.got; }
    std::vector<std::string> Lines() const { return sim->TranscriptLines(); }
    int CountOf(const std::string& Line) const {
        const auto lines = Lines();
        return static_cast<int>(std::count(lines.begin(), lines.end(), Line));
    }
    // The page numbers asked for, in order.
    std::vector<int> PagesRead() const {
        std::vector<int> pages;
        for (const auto& l : Lines())
            if (l.rfind("AT+MTP=", 0) == 0) pages.push_back(std::stoi(l.substr(7)));
        return pages;
    }
    // The WAV files of the output folder by name.
    std::vector<std::string> WavFiles() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(out)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string Wav(int n) const {
        char name[32];
        std::snprintf(name, sizeof name, "/Voic%04d.wav", n);
        return out + name;
    }

    int32_t Int(const char* section, const char* entry, int32_t fallback = -999) const {
        return murmel::GetProfileInt(section, entry, fallback);
    }
    std::string Text(const char* section, const char* entry) const {
        return murmel::GetProfileString(section, entry, "(missing)");
    }

    testkit::TempHome home;
    std::string out;
    Recorder recorder;
    std::unique_ptr<testkit::ModemSim> sim;
    int scenarios = 0;
};

// Scenario sections.
inline std::string Voice(int seconds, const std::string& extra = "") {
    return "[message]\ntype = voice\nseconds = " + std::to_string(seconds) + "\n" + extra;
}
inline std::string VoiceFrames(const std::string& gsmFile, bool encapsulated, const std::string& extra = "") {
    return "[message]\ntype = voice\ngsm = " + gsmFile + "\nencapsulated = " + (encapsulated ? "yes" : "no") + "\n" +
           extra;
}
inline std::string Fax(int pages = 1) { return "[message]\ntype = fax\npages = " + std::to_string(pages) + "\n"; }

}  // namespace workerkit
