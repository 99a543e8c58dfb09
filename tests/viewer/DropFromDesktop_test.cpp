// A whole drop as the desktop sends it: a private X server with a light
// window manager, the viewer's window in this process, a drag started in
// another program (as a file manager's is) and driven by xdotool, so that
// real Qt data (text/uri-list) come through the X drag protocol.
//
// The pointer is driven from a thread of its own, each step waiting for the
// one before to have arrived (the source's drag started, the viewer's panel
// told of the pointer twice, the source told of the viewer's answer), so a
// loaded machine makes the test slower, never wrong; the test's thread keeps
// the event loop of the viewer (and of a drag of this process) running.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/App.h"
#include "platform/Files.h"
#include "testkit/TestKit.h"
#include "tests/viewer/FaxFiles.h"
#include "viewer/DragDropFiles.h"
#include "viewer/Imaging.h"
#include "viewer/viewer.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Each wait of the drive is bounded by this; a loaded machine stays far below it.
constexpr auto kStepLimit = std::chrono::seconds(30);

pid_t Spawn(const std::vector<std::string>& Command, int KeepFd = -1) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    for (int fd = 3; fd < 256; ++fd)
        if (fd != KeepFd) close(fd);
    std::vector<char*> argv;
    for (const std::string& s : Command) argv.push_back(const_cast<char*>(s.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

void Stop(pid_t& Pid) {
    if (Pid <= 0) return;
    kill(Pid, SIGTERM);
    waitpid(Pid, nullptr, 0);
    Pid = -1;
}

// Runs xdotool with Words to its end (from any thread); true when it succeeded.
bool Xdotool(const std::vector<std::string>& Words) {
    std::vector<std::string> command{"xdotool"};
    command.insert(command.end(), Words.begin(), Words.end());
    std::vector<char*> argv;
    for (const std::string& s : command) argv.push_back(const_cast<char*>(s.c_str()));
    argv.push_back(nullptr);
    // Its words (a query's answer, a missing window manager's complaint) are not the test's.
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&quiet, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, "xdotool", &quiet, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0) return false;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The X server, its window manager and the application object of this
// process, which shows its windows there. Without Xvfb or xdotool the tests
// skip, saying which is missing.
class Desktop : public ::testing::Environment {
public:
    static std::string& Missing() {
        static std::string missing;
        return missing;
    }
    void SetUp() override {
        for (const char* program : {"Xvfb", "xdotool", "openbox"})
            if (QStandardPaths::findExecutable(program).isEmpty())
                Missing() += std::string(Missing().empty() ? "" : ", ") + program;
        static int argc = 1;
        static char name[] = "leafor-desktop-test";
        static char* argv[] = {name, nullptr};
        if (!Missing().empty()) {
            Missing() += " not installed (tools/install-deps.sh installs xvfb, xdotool and openbox)";
            app_ = std::make_unique<app::Application>(argc, argv);
            return;
        }
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        xvfb_ = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x1024x24", "-nolisten",
                       "tcp"},
                      fds[1]);
        close(fds[1]);
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        while (poll(&p, 1, 30000) > 0) {
            char c = 0;
            if (read(fds[0], &c, 1) != 1 || c == '\n') break;
            number += c;
        }
        close(fds[0]);
        ASSERT_FALSE(number.empty()) << "Xvfb did not start";
        setenv("DISPLAY", (":" + number).c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        wm_ = Spawn({"openbox", "--sm-disable"});
        // The window manager has taken the screen once it tells its desktops.
        const auto until = Clock::now() + kStepLimit;
        bool managed = false;
        while (!(managed = Xdotool({"get_num_desktops"})) && Clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_TRUE(managed) << "openbox did not take the screen";
        app_ = std::make_unique<app::Application>(argc, argv);
        app::SetTitle("Pellow Fax Viewer");
    }
    void TearDown() override {
        app_.reset();
        Stop(wm_);
        Stop(xvfb_);
    }

private:
    pid_t xvfb_ = -1;
    pid_t wm_ = -1;
    std::unique_ptr<app::Application> app_;
};
const auto* const kDesktop = ::testing::AddGlobalTestEnvironment(new Desktop);

// What the pointer's drive waits for, set by the test's thread.
struct Heard {
    std::atomic<bool> dragging{false};
    std::atomic<int> panelMoves{0};
    std::mutex m;
    std::vector<std::string> lines;  // the source's words, as it said them
    bool Said(const std::string& Line) {
        std::lock_guard<std::mutex> lock(m);
        return std::find(lines.begin(), lines.end(), Line) != lines.end();
    }
};

// Counts the drag moves that reach the panel (an application filter sees
// them before the drop binding does).
class MoveCounter : public QObject {
public:
    MoveCounter(QObject* Panel, std::atomic<int>& Moves) : panel_(Panel), moves_(Moves) {
        qApp->installEventFilter(this);
    }
    ~MoveCounter() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* Watched, QEvent* Event) override {
        if (Watched == panel_ && Event->type() == QEvent::DragMove) ++moves_;
        return false;
    }

private:
    QObject* panel_;
    std::atomic<int>& moves_;
};

// A drag source of this program itself.
class OwnSource : public QWidget {
public:
    OwnSource(QString File, std::atomic<bool>& Dragging) : file_(std::move(File)), dragging_(Dragging) {
        resize(160, 120);
    }
    std::atomic<int> result{-1};

protected:
    void mousePressEvent(QMouseEvent*) override {
        auto* data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(file_)});
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        dragging_ = true;
        result = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    }

private:
    QString file_;
    std::atomic<bool>& dragging_;
};

class DesktopDropTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Desktop::Missing().empty()) GTEST_SKIP() << Desktop::Missing();
        dir = home.Path() + "/faxes";
        mkdir(dir.c_str(), 0700);
        leafor::FaxIsTemporary = false;
        temporary = Fax("TMP1A2B.TIF", 1);
        dropped = Fax("Grüße vom Fax.tif", 3);
        form = std::make_unique<leafor::TFormMain>(std::vector<std::string>{temporary, "/TEMP"});
        form->FormCreate();
        form->move(20, 20);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        QTest::qWait(200);
        ASSERT_EQ(form->ImgEdit1->Image(), temporary);
        ASSERT_TRUE(leafor::FaxIsTemporary);
        counter = std::make_unique<MoveCounter>(form->Panel1, heard.panelMoves);
        QObject::connect(&source, &QProcess::readyReadStandardOutput, [this] {
            while (source.canReadLine()) {
                const std::string line = QString::fromUtf8(source.readLine()).trimmed().toStdString();
                if (line == "dragging") heard.dragging = true;
                std::lock_guard<std::mutex> lock(heard.m);
                heard.lines.push_back(line);
            }
        });
    }
    void TearDown() override {
        if (driver.joinable()) driver.join();
        if (source.state() != QProcess::NotRunning) source.kill();
        source.waitForFinished(2000);
        counter.reset();
        form.reset();
    }
    std::string Fax(const std::string& Name, int Pages) {
        const std::string path = dir + "/" + Name;
        faxfiles::WriteFax(path, faxfiles::NumberedPages(Pages));
        return path;
    }
    QPoint PanelCentre() const { return form->Panel1->mapToGlobal(form->Panel1->rect().center()); }
    // Beside the viewer's window, on the screen.
    QPoint SourcePlace() const { return {form->frameGeometry().right() + 40, 120}; }

    // Starts the other program's drag source; the point to press on it.
    QPoint StartSource(const QStringList& Arguments) {
        source.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const QPoint place = SourcePlace();
        source.start(QString::fromStdString(testkit::BinDir() + "/drag-source"),
                     QStringList{"--at", QString("%1,%2").arg(place.x()).arg(place.y())} + Arguments);
        QPoint at;
        const bool ready = QTest::qWaitFor(
            [&] {
                std::lock_guard<std::mutex> lock(heard.m);
                for (const std::string& line : heard.lines) {
                    const QStringList words = QString::fromStdString(line).split(' ');
                    if (words.size() == 3 && words[0] == "ready") {
                        at = QPoint(words[1].toInt(), words[2].toInt());
                        return true;
                    }
                }
                return false;
            },
            30000);
        EXPECT_TRUE(ready) << "the drag source did not show";
        return at;
    }

    // Presses at From, drags onto the panel (with Key held when given) and
    // lets go once the panel has heard the pointer twice and, with Answer,
    // once the source has heard the viewer answer it. Runs on the driver
    // thread; the test's thread waits for it with the event loop running.
    void StartDrag(QPoint From, const std::string& Key = {}, const std::string& Answer = {}) {
        const QPoint to = PanelCentre();
        driver = std::thread([this, From, to, Key, Answer] {
            driveFailure = Drive(From, to, Key, Answer);
            driveFinished = true;
        });
    }
    std::string Drive(QPoint From, QPoint To, const std::string& Key, const std::string& Answer) {
        auto xy = [](QPoint P) { return std::vector<std::string>{std::to_string(P.x()), std::to_string(P.y())}; };
        auto move = [&](QPoint P) {
            std::vector<std::string> w{"mousemove"};
            for (auto& s : xy(P)) w.push_back(s);
            return Xdotool(w);
        };
        // Waits for Done, nudging the pointer over the panel now and then so
        // that new positions reach it.
        int nudge = 0;
        auto await = [&](const std::function<bool()>& Done, bool Nudge) {
            const auto until = Clock::now() + kStepLimit;
            while (!Done()) {
                if (Clock::now() > until) return false;
                std::this_thread::sleep_for(std::chrono::milliseconds(Nudge ? 150 : 20));
                if (Nudge) move(To + QPoint(++nudge % 2, 0));
            }
            return true;
        };
        auto release = [&] {
            Xdotool({"mouseup", "1"});
            if (!Key.empty()) Xdotool({"keyup", Key});
        };
        auto fail = [&](const std::string& Why) {
            release();
            return Why;
        };
        if (!Key.empty() && !Xdotool({"keydown", Key})) return "xdotool keydown failed";
        if (!move(From) || !Xdotool({"mousedown", "1"})) return fail("xdotool could not press");
        if (!await([&] { return heard.dragging.load(); }, false)) return fail("the drag did not start");
        for (int step = 1; step <= 6; ++step) {
            move(From + (To - From) * step / 6);
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
        if (!await([&] { return heard.panelMoves >= 1; }, true)) return fail("the panel heard no drag");
        // The source sends a position only once the last one is answered:
        // a second move on the panel means the viewer's first answer is back.
        const int before = heard.panelMoves;
        if (!await([&] { return heard.panelMoves > before; }, true)) return fail("the panel heard one move only");
        if (!Answer.empty() && !await([&] { return heard.Said("over " + Answer); }, true))
            return fail("the source did not hear " + Answer);
        release();
        return "";
    }
    // Waits for the driver thread's end; what went wrong, if anything.
    std::string DriveEnd() {
        EXPECT_TRUE(QTest::qWaitFor([&] { return driveFinished.load(); }, 5 * 30000));
        if (driver.joinable()) driver.join();
        return driveFailure;
    }
    // The source's last word, once it has ended.
    std::string SourceResult() {
        EXPECT_TRUE(QTest::qWaitFor([&] { return source.state() == QProcess::NotRunning; }, 30000));
        QCoreApplication::processEvents();
        std::lock_guard<std::mutex> lock(heard.m);
        for (auto line = heard.lines.rbegin(); line != heard.lines.rend(); ++line)
            if (line->rfind("result ", 0) == 0) return *line;
        return "";
    }

    testkit::TempHome home;
    testkit::ScopedScriptedUi ui;
    std::string dir, temporary, dropped;
    std::unique_ptr<leafor::TFormMain> form;
    std::unique_ptr<MoveCounter> counter;
    Heard heard;
    QProcess source;
    std::thread driver;
    std::string driveFailure;
    std::atomic<bool> driveFinished{false};
};

TEST_F(DesktopDropTest, AFileManagersDropOpensTheFileAndTheTemporaryFaxGoes) {
    StartDrag(StartSource({QString::fromStdString(dropped)}), {}, "copy");
    EXPECT_EQ(DriveEnd(), "");
    EXPECT_EQ(SourceResult(), "result copy");
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->ImgEdit1->Image() == dropped; }, 10000));
    EXPECT_EQ(form->ImgEdit1->PageCount(), 3);
    EXPECT_TRUE(form->ImgEdit1->ImageDisplayed());
    EXPECT_FALSE(files::FileExists(temporary));
    EXPECT_FALSE(leafor::FaxIsTemporary);
    EXPECT_EQ(form->DragDropFiles1->FileList, (std::vector<std::string>{dropped}));
    form->close();
    EXPECT_TRUE(files::FileExists(dropped));
}

TEST_F(DesktopDropTest, WithShiftTheSourceHearsMoveAndTheFileStays) {
    StartDrag(StartSource({QString::fromStdString(dropped)}), "shift", "move");
    EXPECT_EQ(DriveEnd(), "");
    EXPECT_EQ(SourceResult(), "result move");
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->ImgEdit1->Image() == dropped; }, 10000));
    EXPECT_EQ(form->ImgEdit1->PageCount(), 3);
    EXPECT_TRUE(files::FileExists(dropped));
}

TEST_F(DesktopDropTest, DraggedTextIsRefusedAndNothingChanges) {
    StartDrag(StartSource({"--text", QString::fromStdString(dropped)}));
    EXPECT_EQ(DriveEnd(), "");
    EXPECT_EQ(SourceResult(), "result ignore");
    EXPECT_FALSE(heard.Said("over copy"));
    QTest::qWait(200);
    EXPECT_EQ(form->ImgEdit1->Image(), temporary);
    EXPECT_TRUE(files::FileExists(temporary));
    EXPECT_TRUE(leafor::FaxIsTemporary);
}

TEST_F(DesktopDropTest, ADragOfTheViewersOwnProgramIsRefused) {
    OwnSource own(QString::fromStdString(dropped), heard.dragging);
    own.move(SourcePlace());
    own.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&own));
    QTest::qWait(200);
    StartDrag(own.mapToGlobal(own.rect().center()));
    EXPECT_EQ(DriveEnd(), "");
    EXPECT_TRUE(QTest::qWaitFor([&] { return own.result != -1; }, 30000));
    EXPECT_EQ(own.result, Qt::IgnoreAction);
    EXPECT_EQ(form->ImgEdit1->Image(), temporary);
    EXPECT_TRUE(files::FileExists(temporary));
}

}  // namespace
