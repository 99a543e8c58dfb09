// Pellow as a user has it when the modem is unplugged while it works: the
// real program on a private X server (Xvfb), driven by its keys through
// xdotool as a user would drive it, against the simulator killed in the
// middle of a Reload and in the middle of a fax download. A new simulator on
// the same link is the modem plugged in again: one Reload (F5) brings the
// list back without a restart, and no partial TIFF is left anywhere.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "testkit/G3Encode.h"
#include "testkit/LibTiffCheck.h"
#include "testkit/ModemSim.h"
#include "testkit/TestKit.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point Start) { return std::chrono::duration<double>(Clock::now() - Start).count(); }

// A program of the test's own, ended (and reaped) with the object. Its
// output goes to Output (nowhere when empty).
class Child {
public:
    Child(const std::vector<std::string>& Argv, const std::map<std::string, std::string>& Env, int KeepFd = -1,
          const std::string& Output = "") {
        pid_ = fork();
        if (pid_ == 0) {
            for (const auto& [k, v] : Env) setenv(k.c_str(), v.c_str(), 1);
            const int out = Output.empty() ? open("/dev/null", O_RDWR) : open(Output.c_str(), O_WRONLY | O_CREAT, 0644);
            dup2(out, 1);
            dup2(out, 2);
            for (int fd = 3; fd < 1024; ++fd)
                if (fd != KeepFd) close(fd);
            std::vector<std::string> args = Argv;
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execvp(argv[0], argv.data());
            _exit(127);
        }
    }
    ~Child() {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t Pid() const { return pid_; }
    // The exit code, or -1 while it still runs after Seconds.
    int Wait(double Seconds) {
        testkit::WaitFor(
            [&] {
                int status = 0;
                if (pid_ <= 0 || waitpid(pid_, &status, WNOHANG) != pid_) return pid_ <= 0;
                pid_ = -1;
                code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return true;
            },
            Seconds);
        return pid_ > 0 ? -1 : code_;
    }
    void Signal(int Sig) {
        if (pid_ > 0) kill(pid_, Sig);
    }

private:
    pid_t pid_ = -1;
    int code_ = -1;
};

// A private X server on a free display. No window manager: xdotool gives
// the window the input focus itself.
class XServer {
public:
    XServer() {
        int fds[2];
        if (pipe(fds) != 0) return;
        // Xvfb picks a free display and writes its number to the descriptor.
        xvfb_ = std::make_unique<Child>(std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(fds[1]),
                                                                 "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
                                        std::map<std::string, std::string>{}, fds[1]);
        close(fds[1]);
        std::string number;
        char c;
        pollfd p{fds[0], POLLIN, 0};
        while (poll(&p, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (!number.empty()) display_ = ":" + number;
    }
    const std::string& Display() const { return display_; }

    // xdotool on this display (bounded in time); what it printed.
    std::string Xdotool(const std::string& Args) const {
        std::string out;
        const std::string command = "DISPLAY=" + display_ + " timeout 10 xdotool " + Args + " 2>/dev/null";
        if (FILE* f = popen(command.c_str(), "r")) {
            char buf[256];
            while (std::fgets(buf, sizeof buf, f)) out += buf;
            pclose(f);
        }
        return out;
    }

private:
    std::unique_ptr<Child> xvfb_;
    std::string display_;
};

bool Have(const char* Program) {
    return std::system(("command -v " + std::string(Program) + " > /dev/null 2>&1").c_str()) == 0;
}

long Lines(const std::string& Text) { return static_cast<long>(std::count(Text.begin(), Text.end(), '\n')); }

class PellowUnplugged : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* p : {"Xvfb", "xdotool"})
            ASSERT_TRUE(Have(p)) << p << " is needed (tools/install-deps.sh installs it)";
        ASSERT_FALSE(x.Display().empty()) << "Xvfb did not start";
        std::filesystem::create_directories(home.Path() + "/ports");
        std::filesystem::create_directories(home.Path() + "/registry");
        std::filesystem::create_directories(tmp);
        // Only COM1 may hold a modem; COM2 to COM4 do not exist.
        for (int n = 2; n <= 4; ++n)
            std::filesystem::create_symlink(home.Path() + "/no-such-device", testkit::PortLink(n));
        testkit::WriteFile(home.Path() + "/registry/HKCU.reg",
                           "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Norvale\\Pellow\\Version 0.50]\n"
                           "\"LogFileName\"=\"" + home.Path() + "/Pellow.log\"\n");
        testkit::WriteFile(home.Path() + "/p1.g3", testkit::G3Encode(page1));
        testkit::WriteFile(home.Path() + "/p2.g3", testkit::G3Encode(page2));
        testkit::WriteFile(home.Path() + "/memory.txt",
                           "[message]\ntype = fax\nstate = new\ncaller = \"0221 987654\"\ng3 = " + home.Path() +
                               "/p1.g3\ng3 = " + home.Path() + "/p2.g3\n"
                               "[message]\ntype = voice\nstate = new\nseconds = 1\n"
                               "[message]\ntype = voice\nstate = old\nseconds = 2\n");
    }
    // The modem plugged in on COM1, with Faults.
    std::unique_ptr<testkit::ModemSim> Modem(std::vector<std::string> Faults) {
        Faults.insert(Faults.begin(), {"--model", "sportster", "--scenario", home.Path() + "/memory.txt"});
        return std::make_unique<testkit::ModemSim>(testkit::PortLink(1), Faults);
    }
    // The program as a user starts it, on the test's X server; every box and
    // file dialog is answered from the answers file and written to the UI log.
    std::unique_ptr<Child> Pellow() {
        return std::make_unique<Child>(std::vector<std::string>{testkit::BinDir() + "/pellow"},
                                       std::map<std::string, std::string>{{"HOME", home.Path()},
                                                                          {"TMPDIR", tmp},
                                                                          {"DISPLAY", x.Display()},
                                                                          {"QT_QPA_PLATFORM", "xcb"},
                                                                          {"LANG", "en_US.UTF-8"},
                                                                          {"LC_ALL", ""},
                                                                          {"PELLOW_UI_LOG", UiLog()},
                                                                          {"PELLOW_UI_ANSWERS", Answers()}},
                                       -1, Output());
    }
    // What the program wrote to its standard output and error (the sanitizers' reports).
    std::string Output() const { return home.Path() + "/pellow.out"; }
    std::string UiLog() const { return home.Path() + "/ui.log"; }
    std::string Answers() const { return home.Path() + "/answers.txt"; }
    std::string Ui() const { return testkit::ReadFile(UiLog()); }
    std::string Log() const { return testkit::ReadFile(home.Path() + "/Pellow.log"); }
    static bool Has(const std::vector<std::string>& Lines, const std::string& Line) {
        return std::find(Lines.begin(), Lines.end(), Line) != Lines.end();
    }
    // The main window, once it shows.
    std::string Window() {
        std::string id;
        testkit::WaitFor(
            [&] {
                id = x.Xdotool("search --onlyvisible --name '^Pellow \\(Version 0.50\\)$'");
                return !id.empty();
            },
            60);
        return id.substr(0, id.find('\n'));
    }
    void Keys(const std::string& Keys) {
        x.Xdotool("windowfocus --sync " + window);
        x.Xdotool("key " + Keys);
    }
    // The windows the program shows (the main window, an open menu).
    long Windows(pid_t Pid) const { return Lines(x.Xdotool("search --onlyvisible --pid " + std::to_string(Pid))); }
    // File > Save as, as a user opens it: the File menu, then its item.
    void SaveAs(pid_t Pid) {
        const long before = Windows(Pid);
        Keys("alt+f");
        ASSERT_TRUE(testkit::WaitFor([&] { return Windows(Pid) > before; }, 10)) << "the File menu did not open";
        x.Xdotool("key a");
    }
    // Every TIFF, download or half-written file anywhere under the home.
    std::vector<std::string> FaxFiles() const {
        std::vector<std::string> found;
        for (const auto& e : std::filesystem::recursive_directory_iterator(home.Path())) {
            const std::string name = e.path().filename().string();
            const auto any = {".tif", ".TIF", ".part", ".tmp"};
            if (std::any_of(any.begin(), any.end(), [&](const char* end) { return name.find(end) != std::string::npos; }))
                found.push_back(e.path().string());
        }
        return found;
    }

    testkit::TempHome home;
    const std::string tmp = home.Path() + "/tmp";
    const testkit::G3Page page1 = testkit::G3TestPage(1143, 41);
    const testkit::G3Page page2 = testkit::G3TestPage(1143, 42);
    XServer x;
    std::string window;
};

TEST_F(PellowUnplugged, KilledMidReloadAndMidDownloadThenOneReloadBringsTheListBack) {
    const std::string lost = home.Path() + "/lost fax.tif";
    const std::string saved = home.Path() + "/saved fax.tif";
    // The Reload's error box, the save dialog, the download's box, the save dialog.
    testkit::WriteFile(Answers(), "OK\n" + lost + "\nOK\n" + saved + "\n");

    // The modem is unplugged while the first Reload reads the list.
    auto first = Modem({"--vanish-on", "ATE0V1+MSR=2"});
    const auto start = Clock::now();
    auto pellow = Pellow();
    ASSERT_TRUE(testkit::WaitFor([&] { return Ui().find("ERROR occured with \"ATE0V1+MSR=2") != std::string::npos; },
                                 60))
        << Ui() << Log();
    EXPECT_LT(Since(start), 30.0);
    EXPECT_EQ(Lines(Ui()), 1) << Ui();
    window = Window();
    ASSERT_FALSE(window.empty());
    EXPECT_EQ(pellow->Wait(0), -1) << "pellow runs on";

    // Plugged in again, one Reload: the list comes back, found by the port's name.
    auto second = Modem({"--vanish-on", "ATE0V1+mtp=4:10000"});
    Keys("F5");
    ASSERT_TRUE(testkit::WaitFor([&] { return Has(second->TranscriptLines(), "ATE0V1+MSR=3"); }, 30)) << Log();
    EXPECT_FALSE(Has(second->TranscriptLines(), "AT#MDL?")) << "no new search";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const std::string afterReload = Ui();
    EXPECT_EQ(Lines(afterReload), 1) << "the list came back without a word: " << afterReload;

    // Unplugged again in the middle of the fax's page: the save dialog, then
    // one box, and no file.
    SaveAs(pellow->Pid());
    ASSERT_TRUE(testkit::WaitFor([&] { return Ui().find("ERROR: Could not get page") != std::string::npos; }, 30))
        << Ui() << Log();
    const std::string afterDownload = Ui();
    const std::string prompts = afterDownload.substr(afterReload.size());
    EXPECT_EQ(prompts.rfind("save\t", 0), 0u) << prompts;
    EXPECT_EQ(prompts.substr(prompts.find('\n') + 1), "error\tPellow\tERROR: Could not get page\n") << prompts;
    EXPECT_NE(Log().find("ERROR: Could not get page 4 of message 1: the download failed"), std::string::npos);
    EXPECT_EQ(FaxFiles(), std::vector<std::string>{}) << "no partial TIFF, no download left anywhere";
    EXPECT_EQ(pellow->Wait(0), -1);

    // Plugged in again: one Reload brings the list back, without a restart,
    // and the fax of its first row is saved whole.
    auto third = Modem({});
    Keys("F5");
    ASSERT_TRUE(testkit::WaitFor([&] { return Has(third->TranscriptLines(), "ATE0V1+MSR=3"); }, 30)) << Log();
    EXPECT_FALSE(Has(third->TranscriptLines(), "AT#MDL?"));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(Ui(), afterDownload) << "the list came back without a word";
    SaveAs(pellow->Pid());
    ASSERT_TRUE(testkit::WaitFor([&] { return std::filesystem::exists(saved) && Lines(Ui()) == 4; }, 30))
        << Ui() << Log();
    ASSERT_TRUE(testkit::WaitFor([&] { return FaxFiles() == std::vector<std::string>{saved}; }, 10))
        << testing::PrintToString(FaxFiles());
    const tiffcheck::Decoded fax = tiffcheck::Read(saved);
    EXPECT_TRUE(fax.pages == (std::vector<testkit::G3Page>{page1, page2})) << fax.pages.size() << " pages";
    EXPECT_TRUE(fax.errors.empty()) << testing::PrintToString(fax.errors);

    pellow->Signal(SIGTERM);
    EXPECT_EQ(pellow->Wait(30), 0) << testkit::ReadFile(Output());
    EXPECT_EQ(FaxFiles(), std::vector<std::string>{saved}) << "no partial TIFF, no download left anywhere";
    EXPECT_FALSE(std::filesystem::exists(lost));
}

}  // namespace
