#pragma once
// The tray dialog under test: a private profile, output folder and program
// folder, the scripted message boxes, a recording tray, the null sound
// device, a fake sendmail, and the simulator when a test starts it. The
// dialog runs as the application's main window, and the test drives its
// loop.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utime.h>

#include "murmel/MurmelDlg.h"
#include "murmel/MurmelProfile.h"
#include "murmel/WorkerMessages.h"
#include "platform/App.h"
#include "testkit/FakeMail.h"
#include "testkit/FakeTray.h"
#include "testkit/TestKit.h"
#include "testkit/Wave.h"
#include "tests/murmel/WorkerKit.h"
#include "tests/support/QelTestApp.h"  // the tests' one application object

namespace dlgkit {

class DialogTest : public workerkit::WorkerTest {
protected:
    void SetUp() override {
        WorkerTest::SetUp();
        bin = home.Path() + "/bin";
        std::filesystem::create_directories(bin);
        app::OverrideProgramFolder(bin);
        mailer = std::make_unique<testkit::FakeSendmail>(home.Path() + "/sendmail");
        trayScope = std::make_unique<testkit::ScopedFakeTray>(TrayAvailable());
        tray = &**trayScope;
        // Nothing checks or plays by itself unless a test says so.
        murmel::WriteProfileFlag(murmel::kOptions, "Autocheck", false);
        murmel::WriteProfileFlag(murmel::kOptions, "Autoplay", false);
        murmel::WriteProfileFlag(murmel::kOptions, "Alwaysontop", false);
    }
    void TearDown() override {
        Close();
        trayScope.reset();
        app::OverrideProgramFolder("");
        WorkerTest::TearDown();
    }

    // Constructs the dialog and runs its start; the loop's first turn follows.
    CMurmelDlg& Open() {
        dlg = std::make_unique<CMurmelDlg>();
        murmel::SetMainWindow(dlg.get());
        dlg->Start();
        QApplication::processEvents();
        return *dlg;
    }
    // Ends the loop and the window as "C&lose" does.
    void Close() {
        if (!dlg) return;
        dlg->EndDialog(murmel::kCmdCancel);
        dlg->OnDestroy();
        murmel::SetMainWindow(&recorder);
        dlg.reset();
    }

    // Runs the loop until Done holds or Ms have passed; whether it held.
    bool PumpUntil(const std::function<bool()>& Done, int Ms = 20000) {
        QElapsedTimer t;
        t.start();
        while (!Done()) {
            if (t.elapsed() > Ms) return false;
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return true;
    }
    void Pump(int Ms) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < Ms) QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    // The dialog's worker has ended and its result is handled.
    bool CheckDone(int Ms = 30000) {
        return PumpUntil([this] { return !dlg->Checking() && !dlg->WorkerHeld(); }, Ms);
    }

    // Message file N of Ms milliseconds, its time with Second seconds.
    std::string WriteMessage(int N, unsigned Ms, int Second = 30) {
        const std::string path = Wav(N);
        testkit::WriteFile(path, testkit::MessageWavMs(Ms));
        std::tm when{};
        when.tm_year = 2026 - 1900;
        when.tm_mon = 11;
        when.tm_mday = 10;
        when.tm_hour = 9;
        when.tm_min = 5;
        when.tm_sec = Second;
        when.tm_isdst = -1;
        const std::time_t t = std::mktime(&when);
        utimbuf times{t, t};
        utime(path.c_str(), &times);
        return path;
    }

    // What a check posts when it finds Fresh new messages after file Before.
    void Announce(int Before, int Fresh, int Percent = 10, int Voice = -1, int Faxes = 0) {
        dlg->OnNewmessages(Before, workerkit::Counts(Fresh, Percent, Voice < 0 ? Fresh : Voice, Faxes));
    }
    // The same, and then each of the files reported written.
    void AnnounceWritten(int Before, int Fresh) {
        Announce(Before, Fresh);
        for (int n = Before + 1; n <= Before + Fresh; ++n) dlg->OnMessageready(0, n);
    }

    std::string Text(const char* Label) const {
        return dlg->findChild<QLabel*>(Label)->text().toStdString();
    }
    QPushButton* Button(const char* Name) const { return dlg->findChild<QPushButton*>(Name); }
    void Click(const char* Name) { Button(Name)->click(); }
    // The tray icon's tip as the desktop shows it.
    std::string Tip() { return tray->Get(murmel::kTrayIconId).tip; }
    void Mouse(int Message) { tray->Mouse(murmel::kTrayIconId, Message); }

    // The prompts shown so far by kind, caption and text.
    std::vector<ui::Prompt> Prompts() { return ui->Prompts(); }

    testkit::ScopedScriptedUi ui;
    // Whether the desktop has a notification area.
    virtual bool TrayAvailable() const { return true; }
    std::unique_ptr<testkit::ScopedFakeTray> trayScope;
    testkit::FakeTray* tray = nullptr;
    std::unique_ptr<testkit::FakeSendmail> mailer;
    std::string bin;
    std::unique_ptr<CMurmelDlg> dlg;
};

}  // namespace dlgkit
