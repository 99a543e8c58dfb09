// Whole-program runs of pellow against the simulator: the start-up checks,
// the command line, a run without any modem, autostart mode and the close by
// SIGTERM, all without a person (the UI log answers every box).
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "testkit/G3Encode.h"
#include "testkit/LibTiffCheck.h"
#include "testkit/ModemSim.h"
#include "testkit/TestKit.h"

namespace {

using Clock = std::chrono::steady_clock;

// One run of the program; the test decides when it ends.
class PellowRun {
public:
    PellowRun(const std::vector<std::string>& Args, const std::map<std::string, std::string>& Env) {
        pid_ = fork();
        if (pid_ == 0) {
            for (const auto& [k, v] : Env) setenv(k.c_str(), v.c_str(), 1);
            std::vector<std::string> all{testkit::BinDir() + "/pellow"};
            all.insert(all.end(), Args.begin(), Args.end());
            std::vector<char*> argv;
            for (auto& a : all) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        started_ = Clock::now();
    }
    ~PellowRun() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    // The exit code, or -1 when the program still runs after Seconds.
    int Wait(double Seconds) {
        const auto until = Clock::now() + std::chrono::duration<double>(Seconds);
        while (pid_ > 0 && Clock::now() < until) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return code_;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return pid_ > 0 ? -1 : code_;
    }
    void Signal(int Sig) {
        if (pid_ > 0) kill(pid_, Sig);
    }
    double Seconds() const { return std::chrono::duration<double>(Clock::now() - started_).count(); }

private:
    pid_t pid_ = -1;
    int code_ = -1;
    Clock::time_point started_;
};

bool WaitFor(const std::function<bool()>& Done, double Seconds) {
    const auto until = Clock::now() + std::chrono::duration<double>(Seconds);
    while (Clock::now() < until) {
        if (Done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return Done();
}

class PellowSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(home.Path() + "/ports");
        std::filesystem::create_directories(home.Path() + "/registry");
        // Only COM1 may hold a modem; COM2 to COM4 do not exist.
        for (int n = 2; n <= 4; ++n)
            std::filesystem::create_symlink(home.Path() + "/no-such-device", testkit::PortLink(n));
        Option("LogFileName", "\"" + LogPath() + "\"");
    }
    std::string LogPath() const { return home.Path() + "/Pellow.log"; }
    std::string UiLog() const { return home.Path() + "/ui.log"; }
    // A value of the system's key, as REGEDIT4 writes it ("text" or dword:...).
    void Option(const std::string& Name, const std::string& Data) {
        options_[Name] = Data;
        std::string hive = "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Norvale\\Pellow\\Version 0.50]\n";
        for (const auto& [n, d] : options_) hive += "\"" + n + "\"=" + d + "\n";
        testkit::WriteFile(home.Path() + "/registry/HKCU.reg", hive);
    }
    void Flag(const std::string& Name, bool On) { Option(Name, On ? "dword:00000001" : "dword:00000000"); }
    std::unique_ptr<PellowRun> Start(const std::vector<std::string>& Args = {},
                                     std::map<std::string, std::string> Env = {}) {
        Env.emplace("PELLOW_HOME", home.Path());
        Env.emplace("HOME", home.Path());
        Env.emplace("PELLOW_UI_LOG", UiLog());
        Env.emplace("QT_QPA_PLATFORM", "offscreen");
        return std::make_unique<PellowRun>(Args, Env);
    }
    std::string Hive() const { return testkit::ReadFile(home.Path() + "/registry/HKCU.reg"); }
    // The main window's placement, which only a normal end of the window saves.
    bool PlacementSaved() const { return Hive().find("Version 0.50\\Main\\Form]") != std::string::npos; }
    // The close handler wrote the column layout: Caller ID in its place, with a width (in the font's pixels).
    bool ColumnLayoutSaved() const {
        const std::string hive = Hive(), key = "\"cColumnW1\"=dword:";
        const auto at = hive.find(key);
        return hive.find("\"cColumn1\"=dword:00000001") != std::string::npos && at != std::string::npos &&
               std::stoul(hive.substr(at + key.size(), 8), nullptr, 16) > 0;
    }
    std::unique_ptr<testkit::ModemSim> Sim(const std::string& Scenario = "", std::vector<std::string> Args = {}) {
        if (!Scenario.empty()) {
            testkit::WriteFile(home.Path() + "/memory.txt", Scenario);
            Args.insert(Args.end(), {"--scenario", home.Path() + "/memory.txt"});
        }
        return std::make_unique<testkit::ModemSim>(testkit::PortLink(1), Args);
    }
    static long Count(const std::vector<std::string>& Lines, const std::string& Prefix) {
        long n = 0;
        for (const auto& l : Lines) n += l.compare(0, Prefix.size(), Prefix) == 0 ? 1 : 0;
        return n;
    }

    testkit::TempHome home;

private:
    std::map<std::string, std::string> options_;
};

TEST_F(PellowSystemTest, OldGuiLibraryIsRefused) {
    for (const char* version : {"4.70", "0.0", "unknown"}) {
        SCOPED_TRACE(version);
        std::filesystem::remove(UiLog());
        auto run = Start({}, {{"PELLOW_GUI_VERSION", version}});
        EXPECT_EQ(run->Wait(30), 0);
        const std::string log = testkit::ReadFile(UiLog());
        EXPECT_NE(log.find("The program needs COMCTL32.DLL in version 4.70 or higher."), std::string::npos) << log;
        EXPECT_FALSE(std::filesystem::exists(LogPath()));  // nothing of the start-up ran
    }
}

TEST_F(PellowSystemTest, RecentGuiLibraryStartsAndSigtermClosesTheWindowNormally) {
    for (const char* version : {"4.71", "4.72"}) {
        SCOPED_TRACE(version);
        std::filesystem::create_symlink(home.Path() + "/no-such-device", testkit::PortLink(1));
        auto run = Start({}, {{"PELLOW_GUI_VERSION", version}});
        ASSERT_EQ(run->Wait(4), -1);
        ASSERT_TRUE(WaitFor([&] { return testkit::ReadFile(LogPath()).find("Start von Pellow!") != std::string::npos; }, 20));
        run->Signal(SIGTERM);
        EXPECT_EQ(run->Wait(30), 0);
        EXPECT_EQ(testkit::ReadFile(UiLog()), "");
        // The close handler ran: the column layout is saved, and the window
        // went the normal way, saving its placement.
        EXPECT_TRUE(ColumnLayoutSaved()) << Hive();
        EXPECT_TRUE(PlacementSaved()) << Hive();
        std::filesystem::remove(testkit::PortLink(1));
    }
}

// A hive with a key path 200000 levels deep (a 400 kB line) is no hive the
// registry could hold: it is kept aside whole and Pellow starts on its
// defaults, and what it writes at the end is a hive of its own size.
TEST_F(PellowSystemTest, AHiveTooDeepForTheRegistryIsSetAsideAndPellowStartsOnDefaults) {
    std::filesystem::create_symlink(home.Path() + "/no-such-device", testkit::PortLink(1));
    std::string deep = "[HKEY_CURRENT_USER\\Deep";
    for (int i = 0; i < 200000; ++i) deep += "\\k";
    const std::string hive = Hive() + "\n" + deep + "]\n";
    testkit::WriteFile(home.Path() + "/registry/HKCU.reg", hive);
    auto run = Start();
    ASSERT_TRUE(WaitFor([&] { return testkit::ReadFile(LogPath()).find("Start von Pellow!") != std::string::npos; }, 20));
    EXPECT_EQ(run->Wait(2), -1);
    run->Signal(SIGTERM);
    EXPECT_EQ(run->Wait(30), 0);
    EXPECT_EQ(testkit::ReadFile(home.Path() + "/registry/HKCU.reg.bad"), hive);
    EXPECT_TRUE(PlacementSaved()) << Hive();
    EXPECT_LT(Hive().size(), 20000u);
    EXPECT_EQ(Hive().find("Deep"), std::string::npos);
}

TEST_F(PellowSystemTest, UnknownParameterEndsWithItsMessage) {
    // The options of the GUI toolkit are no parameters of the program either.
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"/AUTOSTART"}, "/AUTOSTART"}, {{"-reverse"}, "-reverse"}, {{"-AUTOSTART", "-style", "fusion"}, "-style"}};
    for (const auto& [args, shown] : cases) {
        SCOPED_TRACE(shown);
        std::filesystem::remove(UiLog());
        auto run = Start(args);
        EXPECT_EQ(run->Wait(30), 0);
        EXPECT_EQ(testkit::ReadFile(UiLog()),
                  "error\tPellow\tIn the command line, there is an unkown parameter:\\n" + shown + "\n");
        EXPECT_EQ(Hive().find("cColumn"), std::string::npos);
        EXPECT_FALSE(PlacementSaved());
    }
}

TEST_F(PellowSystemTest, AnswersFromAFileAloneKeepARunWithoutAPersonGoing) {
    // No prompt log: the warning about the log file takes its answer from the
    // file, and the start-up goes on to the window; a box shown to nobody
    // would hold the run before the close by SIGTERM could reach it.
    std::filesystem::create_symlink(home.Path() + "/no-such-device", testkit::PortLink(1));
    Option("LogFileName", "\"" + home.Path() + "/no-such-folder/Pellow.log\"");
    const std::string answers = home.Path() + "/answers.txt";
    testkit::WriteFile(answers, "OK\n");
    auto run = Start({}, {{"PELLOW_UI_LOG", ""}, {"PELLOW_UI_ANSWERS", answers}});
    EXPECT_EQ(run->Wait(6), -1);
    run->Signal(SIGTERM);
    EXPECT_EQ(run->Wait(30), 0);
    EXPECT_FALSE(std::filesystem::exists(UiLog()));
    EXPECT_TRUE(ColumnLayoutSaved()) << Hive();
    EXPECT_TRUE(PlacementSaved()) << Hive();
}

TEST_F(PellowSystemTest, NoModemAtAllReachesTheNotConnectedState) {
    std::filesystem::create_symlink(home.Path() + "/no-such-device", testkit::PortLink(1));
    auto run = Start();
    // Four ports tried, none opened: the detection is over, the window waits.
    ASSERT_TRUE(WaitFor([&] {
        const std::string log = testkit::ReadFile(LogPath());
        std::size_t n = 0;
        for (auto at = log.find("CAN NOT CONNECT"); at != std::string::npos; at = log.find("CAN NOT CONNECT", at + 1)) ++n;
        return n >= 4;
    }, 30)) << testkit::ReadFile(LogPath());
    EXPECT_EQ(run->Wait(1), -1);
    const double seconds = run->Seconds();
    run->Signal(SIGTERM);
    EXPECT_EQ(run->Wait(30), 0);
    EXPECT_LT(seconds, 30.0);
    EXPECT_EQ(testkit::ReadFile(UiLog()), "");
}

TEST_F(PellowSystemTest, AutoExitWithNothingNewEndsAtOnce) {
    auto sim = Sim("[message]\ntype = voice\nstate = old\nseconds = 1\n");
    Flag("AutoExit", true);
    auto run = Start({"-autostart"});
    EXPECT_EQ(run->Wait(60), 0);
    EXPECT_EQ(testkit::ReadFile(UiLog()), "");
    const auto lines = sim->TranscriptLines();
    EXPECT_GE(Count(lines, "ATE0V1+MSR=0"), 1) << testkit::ReadFile(sim->TranscriptPath());
    // Ended before the list: no message was read, no column layout saved.
    EXPECT_EQ(Count(lines, "ATE0V1+MSR=1"), 0);
    EXPECT_EQ(Hive().find("cColumn"), std::string::npos);
    EXPECT_FALSE(PlacementSaved());
}

TEST_F(PellowSystemTest, AutoExitWaitsWhenSomethingIsNew) {
    auto sim = Sim("[message]\ntype = voice\nstate = new\nseconds = 1\n");
    Flag("AutoExit", true);
    auto run = Start({"-AUTOSTART"});
    ASSERT_TRUE(WaitFor([&] { return Count(sim->TranscriptLines(), "ATE0V1+MSR=1") > 0; }, 30));
    EXPECT_EQ(run->Wait(2), -1);
    run->Signal(SIGTERM);
    EXPECT_EQ(run->Wait(30), 0);
}

TEST_F(PellowSystemTest, AutoSaveNewFaxWritesIntoTheFolder) {
    auto sim = Sim("[message]\ntype = fax\nstate = new\ntime = 66,9,5\npages = 2\n"
                   "[message]\ntype = fax\nstate = old\ntime = 66,9,7\n"
                   "[message]\ntype = voice\nstate = new\nseconds = 1\n");
    const std::string dir = home.Path() + "/faxes";
    std::filesystem::create_directories(dir);
    Flag("AutoSaveNewFax", true);
    Option("FaxAutoSaveDir", "\"" + dir + "\"");
    auto run = Start({"-AUTOSTART"});
    auto files = [&] {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
        return names;
    };
    ASSERT_TRUE(WaitFor([&] { return !files().empty() && run->Wait(0) == -1 && Count(sim->TranscriptLines(), "AT") > 0; }, 60));
    std::this_thread::sleep_for(std::chrono::seconds(2));
    run->Signal(SIGTERM);
    EXPECT_EQ(run->Wait(30), 0);
    const auto names = files();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].rfind(" FAX", 0), 0u) << names[0];
    EXPECT_EQ(names[0].substr(names[0].size() - 4), ".tif");
    EXPECT_EQ(std::system(("tiffinfo \"" + dir + "/" + names[0] + "\" > /dev/null 2>&1").c_str()), 0);
    EXPECT_EQ(Count(sim->TranscriptLines(), "ATE0V1s31=128+MVP="), 0);  // playing was not asked for
}

// A modem whose memory summary holds the six fields alone (the simulator's
// default) and two new faxes in a row: the first one's last memory page
// holds the second one's header, and reading it marks the second read in the
// modem. Both are saved, each to its own pages in its own resolution.
TEST_F(PellowSystemTest, AutoSaveNewFaxSavesTwoNewFaxesThatShareAPage) {
    const testkit::G3Page normal1 = testkit::G3TestPage(1143, 31), normal2 = testkit::G3TestPage(1143, 32);
    const testkit::G3Page fine = testkit::G3TestPage(2287, 33);
    const std::string g3 = home.Path() + "/g3";
    std::filesystem::create_directories(g3);
    testkit::WriteFile(g3 + "/n1", testkit::G3Encode(normal1));
    testkit::WriteFile(g3 + "/n2", testkit::G3Encode(normal2));
    testkit::WriteFile(g3 + "/f", testkit::G3Encode(fine));
    auto sim = Sim("[message]\ntype = fax\nstate = new\ntime = 66,9,5\ng3 = " + g3 + "/n1\ng3 = " + g3 + "/n2\n"
                   "[message]\ntype = fax\nstate = new\ntime = 66,9,7\ng3 = " + g3 + "/f\n");
    const std::string dir = home.Path() + "/faxes";
    std::filesystem::create_directories(dir);
    Flag("AutoSaveNewFax", true);
    Option("FaxAutoSaveDir", "\"" + dir + "\"");
    auto run = Start({"-AUTOSTART"});
    auto files = [&] {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    // Both written, or the one written and the run gone on long enough for the other.
    WaitFor([&] { return files().size() >= 2; }, 60);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    run->Signal(SIGTERM);
    EXPECT_EQ(run->Wait(30), 0);
    EXPECT_EQ(testkit::ReadFile(UiLog()), "");
    const auto names = files();
    ASSERT_EQ(names.size(), 2u) << testkit::ReadFile(sim->TranscriptPath());
    EXPECT_EQ(names[0].substr(names[0].size() - 12), "09.05.00.tif") << names[0];
    EXPECT_EQ(names[1].substr(names[1].size() - 12), "09.07.00.tif") << names[1];
    const tiffcheck::Decoded first = tiffcheck::Read(dir + "/" + names[0]);
    const tiffcheck::Decoded second = tiffcheck::Read(dir + "/" + names[1]);
    EXPECT_TRUE(first.pages == (std::vector<testkit::G3Page>{normal1, normal2})) << first.pages.size() << " pages";
    EXPECT_EQ(first.yResolutions, (std::vector<float>{98, 98}));
    EXPECT_TRUE(second.pages == std::vector<testkit::G3Page>{fine}) << second.pages.size() << " pages";
    EXPECT_EQ(second.yResolutions, std::vector<float>{196});
    EXPECT_TRUE(first.errors.empty() && second.errors.empty());
    EXPECT_EQ(tiffcheck::TiffInfoComplaints(dir + "/" + names[0]), "");
    EXPECT_EQ(tiffcheck::TiffInfoComplaints(dir + "/" + names[1]), "");
}

TEST_F(PellowSystemTest, AutoPlayNewVoicePlaysEachNewMessageOnce) {
    auto sim = Sim("[message]\ntype = voice\nstate = new\nseconds = 1\n"
                   "[message]\ntype = voice\nstate = old\nseconds = 1\n"
                   "[message]\ntype = voice\nstate = new\nseconds = 1\n");
    Flag("AutoPlayNewVoice", true);
    auto run = Start({"-AUTOSTART"});
    ASSERT_TRUE(WaitFor([&] { return Count(sim->TranscriptLines(), "ATE0V1s31=128+MVP=3") == 1; }, 60))
        << testkit::ReadFile(sim->TranscriptPath());
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const auto lines = sim->TranscriptLines();
    EXPECT_EQ(Count(lines, "ATE0V1s31=128+MVP=1"), 1);
    EXPECT_EQ(Count(lines, "ATE0V1s31=128+MVP=2"), 0);
    EXPECT_EQ(Count(lines, "ATE0V1s31=128+MVP=3"), 1);
    run->Signal(SIGTERM);
    EXPECT_EQ(run->Wait(30), 0);
}

TEST_F(PellowSystemTest, ClosingWithAutoReleaseReleasesAndEnds) {
    auto sim = Sim("[message]\ntype = voice\nstate = new\nseconds = 1\n[message]\ntype = fax\nstate = old\n");
    Flag("AutoRelease", true);
    auto run = Start({"-AUTOSTART"});
    ASSERT_TRUE(WaitFor([&] { return Count(sim->TranscriptLines(), "ATE0V1+MSR=2") > 0; }, 60));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const long pagesBefore = Count(sim->TranscriptLines(), "ATE0V1+mtp=");
    run->Signal(SIGTERM);
    EXPECT_EQ(run->Wait(60), 0);
    EXPECT_GT(Count(sim->TranscriptLines(), "ATE0V1+mtp="), pagesBefore) << testkit::ReadFile(sim->TranscriptPath());
    // The columns are saved first; the end comes before the placement is.
    EXPECT_NE(Hive().find("cColumn0"), std::string::npos);
    EXPECT_FALSE(PlacementSaved());
}

TEST_F(PellowSystemTest, ClosingWithoutAutostartReleasesNothing) {
    auto sim = Sim("[message]\ntype = voice\nstate = new\nseconds = 1\n");
    Flag("AutoRelease", true);
    auto run = Start();
    ASSERT_TRUE(WaitFor([&] { return Count(sim->TranscriptLines(), "ATE0V1+MSR=1") > 0; }, 60));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    run->Signal(SIGHUP);
    EXPECT_EQ(run->Wait(30), 0);
    EXPECT_EQ(Count(sim->TranscriptLines(), "ATE0V1+mtp="), 0);
}

// The autostart entry of an earlier installation, on a machine whose HKLM
// the user may not change: every start rewrites the user's Run value for the
// program as it is now, and the desktop's autostart entry follows it.
TEST_F(PellowSystemTest, EveryStartKeepsTheUsersAutostartAndPointsItAtThisProgram) {
    std::filesystem::create_symlink(home.Path() + "/no-such-device", testkit::PortLink(1));
    testkit::WriteFile(home.Path() + "/registry/HKCU.reg",
                       Hive() + "\n[HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run]\n"
                                "\"Pellow\"=\"\\\"/old/place/pellow\\\" -AUTOSTART\"\n");
    const std::string machine = home.Path() + "/registry/HKLM.reg";
    testkit::WriteFile(machine, "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n");
    ASSERT_EQ(chmod(machine.c_str(), 0444), 0);
    const std::string program = std::filesystem::canonical(testkit::BinDir() + "/pellow").string();
    const std::string entry = home.Path() + "/xdg/autostart/Pellow.desktop";
    for (int start = 0; start < 2; ++start) {
        SCOPED_TRACE(start);
        std::filesystem::remove(LogPath());
        auto run = Start();
        ASSERT_TRUE(WaitFor([&] { return testkit::ReadFile(LogPath()).find("Start von Pellow!") != std::string::npos; }, 20));
        // Up to its message loop, where a SIGTERM closes the window.
        EXPECT_EQ(run->Wait(1.5), -1);
        run->Signal(SIGTERM);
        EXPECT_EQ(run->Wait(30), 0);
        // The quoted path and the blank before the start options, which are still empty then.
        EXPECT_NE(Hive().find("\"Pellow\"=\"\\\"" + program + "\\\" \"\n"), std::string::npos) << Hive();
        const std::string text = testkit::ReadFile(entry);
        EXPECT_NE(text.find("\nExec=\"" + program + "\"\n"), std::string::npos) << text;
    }
    EXPECT_EQ(testkit::ReadFile(machine), "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n");
}

}  // namespace
