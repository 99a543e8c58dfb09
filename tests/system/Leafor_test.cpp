// Whole-program runs of leafor: the missing imaging library, a temporary fax
// shown and deleted at a normal end, and a file it cannot show.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <QProcess>

#include "testkit/G3Encode.h"
#include "testkit/TestKit.h"

namespace {

class LeaforRun {
public:
    LeaforRun(const std::string& Program, const std::vector<std::string>& Args, const std::string& Home) {
        pid_ = fork();
        if (pid_ == 0) {
            setenv("PELLOW_HOME", Home.c_str(), 1);
            setenv("HOME", Home.c_str(), 1);
            setenv("PELLOW_UI_LOG", (Home + "/ui.log").c_str(), 1);
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            std::vector<std::string> all{Program};
            all.insert(all.end(), Args.begin(), Args.end());
            std::vector<char*> argv;
            for (auto& a : all) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
    }
    ~LeaforRun() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    // The exit code, or -1 while it still runs after Seconds.
    int Wait(double Seconds) {
        int code = -1;
        testkit::WaitFor(
            [&] {
                int status = 0;
                if (pid_ <= 0 || waitpid(pid_, &status, WNOHANG) != pid_) return false;
                pid_ = -1;
                code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return true;
            },
            Seconds);
        return code;
    }
    void Signal(int Sig) {
        if (pid_ > 0) kill(pid_, Sig);
    }

private:
    pid_t pid_ = -1;
};

class LeaforSystemTest : public ::testing::Test {
protected:
    std::string UiLog() const { return home.Path() + "/ui.log"; }
    std::string Hive() const { return testkit::ReadFile(home.Path() + "/registry/HKCU.reg"); }
    // A one-page fine fax, made by libtiff's fax2tiff from G3 code.
    std::string Fax(const std::string& Name) {
        const std::string path = home.Path() + "/" + Name;
        const std::string raw = home.Path() + "/page.g3";
        testkit::WriteFile(raw, testkit::G3Encode(testkit::G3TestPage(400, 5)));
        QProcess p;
        p.start("fax2tiff", {"-M", "-o", QString::fromStdString(path), QString::fromStdString(raw)});
        p.waitForFinished(60000);
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        return path;
    }
    testkit::TempHome home;
};

TEST_F(LeaforSystemTest, WithoutItsImagingLibraryItSaysSoAndEndsBeforeAnyWindow) {
    // The program alone in a folder, and then beside a library that is not the imaging library.
    const std::string folder = home.Path() + "/bin";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(testkit::BinDir() + "/leafor", folder + "/leafor");
    const std::string fax = Fax("TMP1.TIF");
    for (bool impostor : {false, true}) {
        SCOPED_TRACE(impostor ? "another library" : "no library");
        if (impostor) std::filesystem::copy_file("/usr/lib/x86_64-linux-gnu/libtiff.so.6", folder + "/IMGEDIT.so");
        std::filesystem::remove(UiLog());
        LeaforRun run(folder + "/leafor", {fax, "/TEMP"}, home.Path());
        EXPECT_EQ(run.Wait(30), 0);
        EXPECT_EQ(testkit::ReadFile(UiLog()),
                  "error\tError\tImaging component (IMGEDIT.OCX) not found. Please consult the Pellow documentation\n");
        EXPECT_TRUE(std::filesystem::exists(fax));
        EXPECT_EQ(Hive().find("Viewer"), std::string::npos);
    }
}

TEST_F(LeaforSystemTest, ATemporaryFaxIsShownAndDeletedWhenTheWindowClosesNormally) {
    const std::string fax = Fax("TMP2.TIF");
    LeaforRun run(testkit::BinDir() + "/leafor", {fax, "/TEMP"}, home.Path());
    ASSERT_TRUE(testkit::WaitFor([&] { return !testkit::ReadFile(UiLog()).empty(); }, 30));
    EXPECT_EQ(run.Wait(1), -1);
    EXPECT_TRUE(std::filesystem::exists(fax));
    run.Signal(SIGTERM);
    EXPECT_EQ(run.Wait(30), 0);
    EXPECT_EQ(testkit::ReadFile(UiLog()), "message\tPellow Fax Viewer\t" + fax + "\n");
    EXPECT_FALSE(std::filesystem::exists(fax));
    EXPECT_NE(Hive().find("Version 0.50\\Viewer\\Pellow - Fax Viewer]"), std::string::npos) << Hive();
    EXPECT_NE(Hive().find("\"Zoom\"=\"100\""), std::string::npos) << Hive();
}

TEST_F(LeaforSystemTest, AFileItCannotShowIsReportedAndTheWindowStays) {
    const std::string text = home.Path() + "/text.tif";
    testkit::WriteFile(text, "no TIFF at all");
    LeaforRun run(testkit::BinDir() + "/leafor", {text}, home.Path());
    ASSERT_TRUE(testkit::WaitFor([&] { return testkit::ReadFile(UiLog()).find("error") != std::string::npos; }, 30))
        << testkit::ReadFile(UiLog());
    EXPECT_EQ(run.Wait(1), -1);
    run.Signal(SIGTERM);
    EXPECT_EQ(run.Wait(30), 0);
    const std::string log = testkit::ReadFile(UiLog());
    EXPECT_EQ(log.substr(0, log.find('\n')), "message\tPellow Fax Viewer\t" + text);
    EXPECT_NE(log.find("error\tPellow Fax Viewer\t" + text + " is no TIFF file that can be read"), std::string::npos)
        << log;
    EXPECT_TRUE(std::filesystem::exists(text));
}

}  // namespace
