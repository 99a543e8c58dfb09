// Viewing a fax from Pellow's list, end to end: Pellow's window against the
// simulated modem downloads the fax, writes the temporary TIFF file and
// starts the built viewer beside it, which shows the file and deletes it
// when its window closes; and when no viewer starts, the file goes at once.
#include <dirent.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "modem/Modem.h"
#include "platform/Files.h"
#include "platform/Shell.h"
#include "testkit/ModemSim.h"
#include "tests/mainapp/MainTestKit.h"

using namespace maintest;

namespace {

// The files in Folder whose names end in ".TIF".
std::vector<std::string> TifFiles(const std::string& Folder) {
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::directory_iterator(Folder)) {
        const std::string name = e.path().filename().string();
        if (name.size() > 4 && name.substr(name.size() - 4) == ".TIF") found.push_back(e.path().string());
    }
    return found;
}

// The process running Program with Argument on its command line; 0 when none.
pid_t ProcessWith(const std::string& Program, const std::string& Argument) {
    DIR* proc = opendir("/proc");
    pid_t found = 0;
    while (dirent* e = proc ? readdir(proc) : nullptr) {
        const pid_t pid = static_cast<pid_t>(std::atoi(e->d_name));
        if (pid <= 0) continue;
        std::ifstream in("/proc/" + std::string(e->d_name) + "/cmdline", std::ios::binary);
        const std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<std::string> args;
        std::size_t start = 0;
        for (std::size_t i = 0; i < line.size(); ++i)
            if (line[i] == '\0') args.push_back(line.substr(start, i - start)), start = i + 1;
        if (args.size() >= 2 && args[0] == Program && std::find(args.begin(), args.end(), Argument) != args.end())
            found = pid;
    }
    if (proc) closedir(proc);
    return found;
}

class PellowViewTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        tmp = UsePrivateTemp();
    }
    void TearDown() override {
        // The program keeps its modem object to the end; a test frees the real one.
        TModemClass* made = ModemObject != modem.get() ? ModemObject : nullptr;
        MainWindowTest::TearDown();
        delete made;
    }
    std::string tmp;
};

TEST_F(PellowViewTest, AFaxFromTheListIsShownByTheViewerWhichDeletesItAtClose) {
    const std::string viewer = shell::SiblingProgram("leafor.exe");
    ASSERT_TRUE(files::FileExists(viewer)) << viewer;
    UseRealModem();
    std::filesystem::create_directories(home.Path() + "/ports");
    for (int n = 2; n <= 4; ++n)
        std::filesystem::create_symlink(home.Path() + "/no-such-device", testkit::PortLink(n));
    const testkit::ModemSim sim(testkit::PortLink(1));
    // The viewer answers its boxes into a log of its own.
    const std::string viewerLog = home.Path() + "/leafor-ui.log";
    const ScopedEnv log("PELLOW_UI_LOG", viewerLog);
    Start();
    ASSERT_NE(ModemObject, nullptr);
    int fax = -1;
    for (int row = 0; row < form->ExtListView1->topLevelItemCount() && fax < 0; ++row)
        if (ModemObject->GetMsgType(row + 1) == MsgTypeFax) fax = row;
    ASSERT_GE(fax, 0) << "the simulator's memory holds no fax";
    form->ExtListView1->clearSelection();
    Row(fax)->setSelected(true);
    form->ToolButtonPlayClick();
    EXPECT_TRUE(Prompts().empty());

    const auto written = TifFiles(tmp);
    ASSERT_EQ(written.size(), 1u);
    const std::string file = written[0];
    // The viewer shows the path, then the fax, and reports no error.
    ASSERT_TRUE(testkit::WaitFor([&] { return testkit::ReadFile(viewerLog).find(file) != std::string::npos; }, 60))
        << testkit::ReadFile(viewerLog);
    EXPECT_EQ(testkit::ReadFile(viewerLog), "message\tPellow Fax Viewer\t" + file + "\n");
    pid_t pid = 0;
    ASSERT_TRUE(testkit::WaitFor([&] { return (pid = ProcessWith(viewer, file)) != 0; }, 10));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(files::FileExists(file));
    EXPECT_EQ(testkit::ReadFile(viewerLog).find("error"), std::string::npos) << testkit::ReadFile(viewerLog);
    // Closed the normal way (as at a log-off), the viewer deletes the file.
    kill(pid, SIGTERM);
    EXPECT_TRUE(testkit::WaitFor([&] { return !files::FileExists(file); }, 30));
    EXPECT_TRUE(testkit::WaitFor([&] { return ProcessWith(viewer, file) == 0; }, 30));
    EXPECT_EQ(testkit::ReadFile(viewerLog), "message\tPellow Fax Viewer\t" + file + "\n");
}

// A viewer that is there but does not start.
class FailingLauncher : public shell::Launcher {
public:
    int OpenWithDefault(const std::string&) override { return shell::ErrNoAssociation; }
    int StartProgram(const std::string&, const std::vector<std::string>&, const std::string&) override {
        return shell::ErrBadFormat;
    }
};

TEST_F(PellowViewTest, WhenNoViewerStartsTheTemporaryFaxIsRemoved) {
    const OutsideViewers none(home.Path() + "/bin", {});
    auto previous = shell::InstallLauncher(std::make_unique<FailingLauncher>());
    modem->messages = {{MsgTypeFax, MsgStatusOk, MsgStateNew, "222", "1 p", 0}};
    Start();
    Row(0)->setSelected(true);
    form->ToolButtonPlayClick();
    shell::InstallLauncher(std::move(previous));
    ASSERT_EQ(modem->calls.size(), 2u);  // Refresh, then the download
    const std::string file = modem->calls[1].substr(std::string("SaveFaxMsg 1 ").size());
    EXPECT_EQ(file.rfind(tmp + "/TMP", 0), 0u) << file;
    EXPECT_FALSE(files::FileExists(file));
    EXPECT_TRUE(TifFiles(tmp).empty());
    const auto p = Prompts();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].text, "Error occured on excecution of " + shell::SiblingProgram("leafor.exe") +
                             "\r\nErrorcode: 11");
}

}  // namespace
