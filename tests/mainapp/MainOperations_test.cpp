// The message operations of the main window.
#include <sys/stat.h>

#include <QDialog>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "mainapp/MainRules.h"
#include "platform/App.h"
#include "platform/Files.h"
#include "platform/Shell.h"
#include "support/AboutPellow.h"
#include "tests/mainapp/MainTestKit.h"

using namespace maintest;

namespace {

// Keeps what the window asks the shell to start.
class RecordingLauncher : public shell::Launcher {
public:
    struct Start {
        std::string program;
        std::vector<std::string> args;
    };
    std::vector<Start>* starts;
    explicit RecordingLauncher(std::vector<Start>* s) : starts(s) {}
    int OpenWithDefault(const std::string& Target) override {
        starts->push_back({"open", {Target}});
        return shell::Started;
    }
    int StartProgram(const std::string& Program, const std::vector<std::string>& Args, const std::string&) override {
        starts->push_back({Program, Args});
        return shell::Started;
    }
};

class MainOperationsTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        tmp = UsePrivateTemp();
        previousLauncher_ = shell::InstallLauncher(std::make_unique<RecordingLauncher>(&starts));
        modem->messages = {{MsgTypeVoice, 1, MsgStateNew, "111", "5 s", EncodeDate(2001, 3, 7) + EncodeTime(9, 5, 0, 0)},
                           {MsgTypeFax, 1, MsgStateNew, "222", "1 p", EncodeDate(2001, 3, 8) + EncodeTime(23, 59, 1, 0)},
                           {MsgTypeVoice, 1, MsgStateOld, "333", "9 s", 0},
                           {MsgTypeFax, 2, MsgStateNew, "444", "2 p", EncodeDate(2001, 3, 9)},
                           {MsgTypeFax, 1, MsgStateNew, "555", "1 p", 0}};
    }
    void TearDown() override {
        shell::InstallLauncher(std::move(previousLauncher_));
        ResetClock();
        MainWindowTest::TearDown();
    }
    void Select(std::initializer_list<int> rows) {
        form->ExtListView1->clearSelection();
        for (int r : rows) Row(r)->setSelected(true);
    }
    std::vector<std::string> Calls(bool withoutRefresh = true) {
        std::vector<std::string> out;
        for (const auto& c : modem->calls)
            if (!withoutRefresh || c != "Refresh") out.push_back(c);
        return out;
    }
    // The state after an operation; Status is what the status panel keeps
    // (the new-message count stays when the operation did nothing).
    void ExpectIdle(const std::string& Status = "") {
        EXPECT_FALSE(form->Busy);
        EXPECT_FALSE(form->TransferRunning);
        EXPECT_EQ(form->StatusText(), Status);
        EXPECT_FALSE(ui->WaitCursor());
    }
    std::string tmp;
    std::vector<RecordingLauncher::Start> starts;

private:
    std::unique_ptr<shell::Launcher> previousLauncher_;
};

TEST_F(MainOperationsTest, PlayAndViewInListOrder) {
    // Without the viewer beside the program, an outside viewer found by name
    // is started with the same parameters.
    const OutsideViewers viewers(home.Path() + "/bin", {"WANGIMG"});
    Start();
    Select({1, 0});
    std::vector<std::string> during;
    modem->during = [&](int32_t N) {
        during.push_back(std::to_string(N) + " " + form->StatusText() + (form->Busy ? " busy" : "") +
                         (form->TransferRunning ? " transfer" : "") + (ui->WaitCursor() ? " hourglass" : ""));
    };
    form->ToolButtonPlayClick();
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], "PlayMsg 1");
    ASSERT_EQ(calls[1].rfind("SaveFaxMsg 2 " + tmp + "/TMP", 0), 0u) << calls[1];
    const std::string fax = calls[1].substr(std::string("SaveFaxMsg 2 ").size());
    EXPECT_EQ(fax.substr(fax.size() - 4), ".TIF");
    EXPECT_FALSE(files::FileExists(fax.substr(0, fax.size() - 3) + "tmp"));  // the unique file is gone again
    EXPECT_EQ(during, (std::vector<std::string>{"1 Playing message ... busy hourglass",
                                                "2 Loading fax ... busy transfer hourglass"}));
    ASSERT_EQ(starts.size(), 1u);
    const std::string viewer = shell::SiblingProgram("leafor");
    EXPECT_EQ(starts[0].program, files::FileExists(viewer) ? viewer : viewers.Path("WANGIMG"));
    EXPECT_TRUE(Prompts().empty());
    EXPECT_EQ(starts[0].args, (std::vector<std::string>{fax, "/TEMP"}));
    EXPECT_EQ(form->ImageListAnimation, form->ImageListModemBlink);
    ExpectIdle();
}

TEST_F(MainOperationsTest, OutsideViewersByNameAndTheErrorBox) {
    // Pellow's folder without the viewer beside it.
    const std::string folder = home.Path() + "/program";
    mkdir(folder.c_str(), 0700);
    app::OverrideProgramFolder(folder);
    struct Restore {
        ~Restore() { app::OverrideProgramFolder(""); }
    } restore;
    ASSERT_FALSE(files::FileExists(shell::SiblingProgram("leafor")));
    const OutsideViewers viewers(home.Path() + "/bin", {});
    Start();
    Select({1});
    form->ToolButtonPlayClick();
    const auto p = Prompts();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].text, "Error occured on excecution of KODAKIMG.EXE\r\nProgram not found!");
    EXPECT_EQ(p[0].kind, "error");
    EXPECT_TRUE(starts.empty());
    // An outside viewer found by name gets the same parameters.
    viewers.Add("WANGIMG");
    form->ToolButtonPlayClick();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].program, viewers.Path("WANGIMG"));
    EXPECT_EQ(starts[0].args.at(1), "/TEMP");
    EXPECT_EQ(Prompts().size(), 1u);
}

TEST_F(MainOperationsTest, NothingSelectedPlaysNothing) {
    Start();
    form->ExtListView1->clearSelection();
    form->ToolButtonPlayClick();
    EXPECT_TRUE(Calls().empty());
    ExpectIdle("4 new messages");
}

TEST_F(MainOperationsTest, SaveFaxAsRemembersTheFolder) {
    Start();
    Select({3, 1});
    const std::string chosen = home.Path() + "/faxes/one.tif";
    mkdir((home.Path() + "/faxes").c_str(), 0700);
    ui->Answer(chosen);
    form->MenuFileSaveAsClick();
    EXPECT_EQ(Calls(), std::vector<std::string>{"SaveFaxMsg 2 " + chosen});
    EXPECT_EQ(testkit::ReadFile(chosen).substr(4), "fax 2");
    std::string folder;
    RegReadString("SaveFaxPath", PellowKey, "", folder);
    EXPECT_EQ(folder, home.Path() + "/faxes");
    const auto p = Prompts();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].kind, "save");
    ExpectIdle();
    // The root keeps its separator.
    ui->Answer("/x.tif");
    form->MenuFileSaveAsClick();
    RegReadString("SaveFaxPath", PellowKey, "", folder);
    EXPECT_EQ(folder, "/");
}

// The scripted answers, and the file dialogs as they were asked for.
class DialogRecordingUi : public ui::ScriptedUi {
public:
    std::vector<ui::FileSpec> saves;
    std::optional<std::string> SaveFile(const ui::FileSpec& Spec) override {
        saves.push_back(Spec);
        return ScriptedUi::SaveFile(Spec);
    }
};

TEST_F(MainOperationsTest, TheDesktopStandsForTheWindowsDesktopFolder) {
    // "c:\windows\desktop" is the desktop of the user's folder settings.
    const std::string desktop = home.Path() + "/Schreibtisch";
    mkdir((home.Path() + "/xdg").c_str(), 0700);
    testkit::WriteFile(home.Path() + "/xdg/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    auto recording = std::make_unique<DialogRecordingUi>();
    DialogRecordingUi& dialogs = *recording;
    auto previous = ui::Install(std::move(recording));
    Start();
    EXPECT_EQ(PellowOptions.FaxAutoSaveDir, desktop);
    Select({1});
    mkdir((home.Path() + "/chosen").c_str(), 0700);
    dialogs.Answer(home.Path() + "/chosen/fax.tif");
    form->MenuFileSaveAsClick();
    dialogs.Answer("cancel");
    form->MenuFileSaveAsClick();
    const auto mine = ui::Install(std::move(previous));  // keeps what it recorded
    ASSERT_EQ(dialogs.saves.size(), 2u);
    EXPECT_EQ(dialogs.saves[0].initialDir, desktop);
    EXPECT_EQ(dialogs.saves[0].defaultExt, "tif");
    EXPECT_EQ(dialogs.saves[0].filter, "All Tiff|*.tif|All|*.*");
    // The next dialog starts where the last file went.
    EXPECT_EQ(dialogs.saves[1].initialDir, home.Path() + "/chosen");
}

TEST_F(MainOperationsTest, CancelledSaveChangesNothing) {
    Start();
    Select({1});
    ui->Answer("cancel");
    form->MenuFileSaveAsClick();
    EXPECT_TRUE(Calls().empty());
    std::string folder;
    RegReadString("SaveFaxPath", PellowKey, "unset", folder);
    EXPECT_EQ(folder, "unset");
    ExpectIdle("4 new messages");
}

TEST_F(MainOperationsTest, SaveAsOfVoiceMailIsNotImplemented) {
    Start();
    Select({0});
    form->MenuFileSaveAsClick();
    const auto p = Prompts();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].kind, "information");
    EXPECT_EQ(p[0].text, "Saving voice messages to a file is not implemented!");
    EXPECT_TRUE(Calls().empty());
    ExpectIdle();
}

TEST_F(MainOperationsTest, SaveAllNewFaxesByTheirDates) {
    PellowOptions.FaxAutoSaveDir = home.Path();
    Start();
    PellowOptions.FaxAutoSaveDir = home.Path();
    SetNow(37000.5);
    std::vector<bool> selected;
    modem->during = [&](int32_t N) { selected.push_back(Row(N - 1)->isSelected() && form->TransferRunning); };
    form->SaveAllNewFax();
    const std::string unknown = mainrules::AutoSaveFaxName(home.Path(), 0, Now());
    ASSERT_EQ(Calls().size(), 2u);
    EXPECT_EQ(Calls()[0], "SaveFaxMsg 2 " + home.Path() + "/ FAX2001.03.08 23.59.01.tif");
    // The fax with the error status (row 4) is skipped; the one without a date is "FAX-unkown".
    ASSERT_EQ(Calls()[1].rfind("SaveFaxMsg 5 " + home.Path() + "/FAX-unkown37000.5", 0), 0u) << Calls()[1];
    EXPECT_EQ(Calls()[1].substr(Calls()[1].size() - 4), ".tif");
    EXPECT_EQ(selected, (std::vector<bool>{true, true}));
    EXPECT_TRUE(form->ExtListView1->selectedItems().isEmpty());
    ExpectIdle();
    EXPECT_FALSE(unknown.empty());
}

// Reading a message from the modem can mark others read (a 3Com modem marks
// every message whose header lies in a page it sends), so which rows are new
// is taken for all of them before the first one is read.
TEST_F(MainOperationsTest, SaveAllNewFaxesTakesEveryRowsNewStateBeforeTheFirstDownload) {
    PellowOptions.FaxAutoSaveDir = home.Path();
    Start();
    PellowOptions.FaxAutoSaveDir = home.Path();
    modem->during = [&](int32_t) {
        for (auto& m : modem->messages) m.state = MsgStateOld;
    };
    form->SaveAllNewFax();
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].rfind("SaveFaxMsg 2 ", 0), 0u) << calls[0];
    EXPECT_EQ(calls[1].rfind("SaveFaxMsg 5 ", 0), 0u) << calls[1];
    ExpectIdle();
}

TEST_F(MainOperationsTest, PlayAllNewTakesEveryRowsNewStateBeforeTheFirstPlay) {
    modem->messages.push_back({MsgTypeVoice, 2, MsgStateNew});
    Start();
    modem->during = [&](int32_t) {
        for (auto& m : modem->messages) m.state = MsgStateOld;
    };
    form->ToolButtonPlayClickNew();
    EXPECT_EQ(Calls(), (std::vector<std::string>{"PlayMsg 1", "PlayMsg 6"}));
    ExpectIdle();
}

TEST_F(MainOperationsTest, ReleaseThenReload) {
    TFormMain& f = Start();
    f.ToolButtonReleaseClick();
    EXPECT_EQ(modem->calls, (std::vector<std::string>{"Refresh", "ReleaseNewMsgs", "Refresh"}));
    EXPECT_EQ(f.ImageListAnimation, f.ImageListModemStill);
    EXPECT_FALSE(f.ToolButtonRelease->isEnabled());
    ExpectIdle();
}

TEST_F(MainOperationsTest, PlayAllNewVoiceMail) {
    modem->messages.push_back({MsgTypeVoice, 2, MsgStateNew});
    Start();
    form->ToolButtonPlayClickNew();
    EXPECT_EQ(Calls(false), (std::vector<std::string>{"Refresh", "PlayMsg 1", "PlayMsg 6"}));
    EXPECT_TRUE(form->ExtListView1->selectedItems().isEmpty());
    ExpectIdle();
}

struct EraseCase {
    bool single;
    std::vector<int> rows;
    const char* question;
    const char* answer;
    std::vector<std::string> calls;
};

class MainEraseTest : public MainOperationsTest, public ::testing::WithParamInterface<EraseCase> {};

TEST_P(MainEraseTest, AsksTheRightQuestion) {
    const EraseCase& c = GetParam();
    modem->canEraseSingle = c.single;
    TFormMain& f = Start();
    f.ExtListView1->clearSelection();
    for (int r : c.rows) Row(r)->setSelected(true);
    ui->Answer(c.answer);
    f.ToolButtonEraseClick();
    const auto p = Prompts();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].text, c.question);
    EXPECT_EQ(p[0].kind, "question");
    EXPECT_EQ(p[0].buttons, (std::vector<std::string>{"OK", "Cancel"}));
    EXPECT_EQ(Calls(false), c.calls);
    ExpectIdle(std::string(c.answer) == "OK" ? "" : "4 new messages");
}

INSTANTIATE_TEST_SUITE_P(
    Questions, MainEraseTest,
    ::testing::Values(
        EraseCase{true, {2}, "Do you really want to erase the selected message?", "OK", {"Refresh", "EraseMsg 3", "Refresh"}},
        EraseCase{true, {4, 0, 2}, "Do you really want to erase the selected 3 messages?", "OK",
                  {"Refresh", "EraseMsg 1", "EraseMsg 3", "EraseMsg 5", "Refresh"}},
        EraseCase{true, {4, 0, 2}, "Do you really want to erase the selected 3 messages?", "Cancel", {"Refresh"}},
        EraseCase{false, {1}, "Do you really want to erase all messages?", "OK", {"Refresh", "EraseAllMsgs", "Refresh"}},
        EraseCase{false, {}, "Do you really want to erase all messages?", "Cancel", {"Refresh"}}));

TEST_F(MainOperationsTest, EraseWithNothingSelectedSaysSo) {
    Start();
    form->ExtListView1->clearSelection();
    form->ToolButtonEraseClick();
    const auto p = Prompts();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].text, "There is no message selected to erase");
    EXPECT_EQ(p[0].kind, "information");
    EXPECT_TRUE(Calls().empty());
    ExpectIdle("4 new messages");
}

TEST_F(MainOperationsTest, ModemDialogsAndTheOptionsDialog) {
    Start();
    std::vector<std::string> statuses;
    modem->during = [&](int32_t) { statuses.push_back(form->StatusText() + (form->Busy ? " busy" : "")); };
    form->ToolButtonModemSettingsClick();
    form->ToolButtonAboutClick();
    EXPECT_EQ(Calls(), (std::vector<std::string>{"ShowSettings", "ShowInfo"}));
    EXPECT_EQ(statuses, (std::vector<std::string>{"Showing dialog \"Settings\" busy", "Running Dialog \"Info\" busy"}));
    statuses.clear();
    ExpectIdle();
    // The options dialog comes without the busy state.
    QTimer::singleShot(0, [&] {
        auto* options = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        statuses.push_back(options ? options->objectName().toStdString() : "no dialog");
        statuses.push_back(form->Busy ? "busy" : "idle");
        if (options) options->reject();
    });
    form->MenuSettingsPellow->trigger();
    EXPECT_EQ(statuses, (std::vector<std::string>{"FormPellowSettings", "idle"}));
    EXPECT_TRUE(Prompts().empty());
}

TEST_F(MainOperationsTest, AboutBoxIsShownModallyWhileBusy) {
    Start();
    std::string seen;
    QTimer::singleShot(0, [&] {
        seen = form->StatusText() + (form->Busy ? " busy" : "");
        if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) box->accept();
    });
    form->MenuHelpAboutPellowClick();
    EXPECT_EQ(seen, "Running Dialog \"Info\" busy");
    ExpectIdle();
    FormAboutPellow = nullptr;
}

TEST_F(MainOperationsTest, MenuAndPopupEntriesReachTheirOperations) {
    struct Entry {
        const char* action;
        std::vector<std::string> calls;  // Refresh included
        const char* prompt;
    };
    const Entry entries[] = {
        {"MenuEditPlayView", {"PlayMsg 1"}, ""},
        {"PopUpPlayView", {"PlayMsg 1"}, ""},
        {"MenuEditPlayNew", {"PlayMsg 1"}, ""},
        {"MenuEditReload", {"Refresh"}, ""},
        {"PopUpReload", {"Refresh"}, ""},
        {"MenuSettingsModem", {"ShowSettings"}, ""},
        {"MenuHelpAboutModem", {"ShowInfo"}, ""},
        {"PopUpSave", {}, "Saving voice messages to a file is not implemented!"},
        {"MenuFileSaveAs", {}, "Saving voice messages to a file is not implemented!"},
        {"MenuEditEraseall", {}, "Do you really want to erase the selected message?"},
        {"PopUpErase", {}, "Do you really want to erase the selected message?"},
        {"MenuEditReleaseall", {"ReleaseNewMsgs", "Refresh"}, ""},
        {"PopUpRelease", {"ReleaseNewMsgs", "Refresh"}, ""},
    };
    for (const auto& e : entries) {
        SCOPED_TRACE(e.action);
        Start();
        Select({0});
        modem->calls.clear();
        ui->ClearPrompts();
        ui->Answer("Cancel");
        form->PopupMenuPopup();
        auto* action = form->findChild<QAction*>(e.action);
        ASSERT_NE(action, nullptr);
        ASSERT_TRUE(action->isEnabled());
        action->trigger();
        EXPECT_EQ(modem->calls, e.calls);
        const auto p = Prompts();
        if (*e.prompt) {
            ASSERT_EQ(p.size(), 1u);
            EXPECT_EQ(p[0].text, e.prompt);
        } else {
            EXPECT_TRUE(p.empty());
        }
        EXPECT_FALSE(form->Busy);
        form.reset();
        for (auto& m : modem->messages) m.state = MsgStateNew;
        modem->messages[2].state = MsgStateOld;
    }
}

TEST_F(MainOperationsTest, KeysOfTheWindowAndTheList) {
    TFormMain& f = Start();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    QTest::keyClick(&f, Qt::Key_F5);
    EXPECT_EQ(std::count(modem->calls.begin(), modem->calls.end(), "Refresh"), 2);
    Select({2});
    ui->Answer("Cancel");
    f.ExtListView1->setFocus();
    QTest::keyClick(f.ExtListView1, Qt::Key_Delete);
    ASSERT_EQ(Prompts().size(), 1u);
    EXPECT_EQ(Prompts()[0].text, "Do you really want to erase the selected message?");
    Select({0});
    QTest::keyClick(f.ExtListView1, Qt::Key_Return);
    EXPECT_EQ(Calls(), std::vector<std::string>{"PlayMsg 1"});
}

TEST_F(MainOperationsTest, ListInputsDoNothingWhileTheirButtonsAreDisabled) {
    detected = "";
    TFormMain& f = Start();
    EXPECT_TRUE(f.ExtListView1KeyDown(Qt::Key_Return));
    EXPECT_TRUE(f.ExtListView1KeyDown(Qt::Key_Delete));
    f.ExtListView1DblClick();
    EXPECT_TRUE(Prompts().empty());
    EXPECT_EQ(ModemObject, nullptr);
    EXPECT_FALSE(f.Busy);
}

TEST_F(MainOperationsTest, DoubleClickPlaysThenReloads) {
    TFormMain& f = Start();
    Select({0});
    f.ExtListView1DblClick();
    EXPECT_EQ(Calls(false), (std::vector<std::string>{"Refresh", "PlayMsg 1", "Refresh"}));
}

TEST_F(MainOperationsTest, KeyReleasesAreSwallowedDuringAFaxDownload) {
    TFormMain& f = Start();
    KeyReleaseCounter probe;
    f.ExtListView1->installEventFilter(&probe);
    QTest::keyRelease(f.ExtListView1, Qt::Key_Space);
    EXPECT_EQ(probe.releases, 1);
    int during = -1;
    modem->during = [&](int32_t) {
        QTest::keyRelease(f.ExtListView1, Qt::Key_Space);
        during = probe.releases;
    };
    Select({1});
    f.ToolButtonPlayClick();
    EXPECT_EQ(during, 1);
    QTest::keyRelease(f.ExtListView1, Qt::Key_Space);
    EXPECT_EQ(probe.releases, 2);
}

TEST_F(MainOperationsTest, ProgressTextDuringADownload) {
    TFormMain& f = Start();
    SetNow(40000.0);
    std::vector<std::string> texts;
    modem->during = [&](int32_t) {
        modem->progress = -1;
        f.TimerAnimationTimer();
        texts.push_back(f.StatusText());
        SetNow(40000.0 + EncodeTime(0, 0, 30, 0));
        modem->progress = 25;
        f.TimerAnimationTimer();
        texts.push_back(f.StatusText());
    };
    Select({1});
    f.ToolButtonPlayClick();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "Loading fax ...");
    EXPECT_EQ(texts[1].rfind("Loading fax ... 25%   -   ", 0), 0u) << texts[1];
    const std::string remaining = texts[1].substr(std::string("Loading fax ... 25%   -   ").size());
    const std::string expect = TimeToStr(EncodeTime(0, 1, 30, 0));
    EXPECT_TRUE(remaining == expect || remaining == TimeToStr(EncodeTime(0, 1, 29, 999))) << remaining;
    ExpectIdle();
    f.TimerAnimationTimer();  // no transfer: the status stays
    EXPECT_EQ(f.StatusText(), "");
}

TEST_F(MainOperationsTest, AnOperationEndedByAnExceptionLeavesTheWindowUsable) {
    TFormMain& f = Start();
    modem->during = [](int32_t) { throw Exception("ERROR occured with \"AT+MTP=4\""); };
    Select({1});
    EXPECT_THROW(f.ToolButtonPlayClick(), Exception);
    ExpectIdle();
    EXPECT_TRUE(f.ToolButtonReload->isEnabled());
    EXPECT_TRUE(f.ToolButtonPlay->isEnabled());
    EXPECT_EQ(f.ImageListAnimation, f.ImageListModemBlink);
}

TEST_F(MainOperationsTest, AModemThatCannotAnswerAfterAFailureStillLeavesReload) {
    // Once the operation has failed, the modem cannot even tell whether
    // something is new, so the controls cannot follow it.
    struct Gone : FakeModem {
        bool gone = false;
        bool HasNewMsgs() override {
            if (gone) throw Exception("port gone");
            return FakeModem::HasNewMsgs();
        }
    };
    auto failing = std::make_unique<Gone>();
    failing->messages = modem->messages;
    Gone& m = *failing;
    modem = std::move(failing);
    TFormMain& f = Start();
    m.during = [&](int32_t) {
        m.gone = true;
        throw Exception("ERROR occured with \"AT+MTP=4\"");
    };
    Select({1});
    EXPECT_THROW(f.ToolButtonPlayClick(), Exception);
    ExpectIdle();
    EXPECT_TRUE(f.ToolBarMenu->isEnabled());
    EXPECT_TRUE(f.ToolButtonReload->isEnabled());
    EXPECT_TRUE(f.MenuEditReload->isEnabled());
    // Back again: the next Reload sets every control from the modem.
    m.gone = false;
    m.during = nullptr;
    f.MenuEditReload->trigger();
    EXPECT_TRUE(f.ToolButtonPlay->isEnabled());
    EXPECT_TRUE(f.ToolButtonRelease->isEnabled());
    EXPECT_EQ(f.StatusText(), "4 new messages");
}

TEST_F(MainOperationsTest, AFaxViewWithoutATemporaryFileSaysSo) {
    TFormMain& f = Start();
    const ScopedEnv missing("TMPDIR", home.Path() + "/no-such-folder");
    Select({1});
    EXPECT_THROW(f.ToolButtonPlayClick(), EInOutError);
    EXPECT_TRUE(Calls().empty());
    EXPECT_TRUE(starts.empty());
    ExpectIdle();
}

TEST_F(MainOperationsTest, ACloseDuringAnOperationWaitsForItsEnd) {
    TFormMain& f = Start();
    bool visibleDuring = false;
    modem->during = [&](int32_t) {
        f.close();
        visibleDuring = f.isVisible();
    };
    Select({0});
    f.ToolButtonPlayClick();
    EXPECT_TRUE(visibleDuring);
    QApplication::processEvents();
    EXPECT_FALSE(f.isVisible());
}

TEST_F(MainOperationsTest, ClosingInAutostartModeReleasesAndEnds) {
    // How the window stands when the modem is told to release.
    struct Releasing : FakeModem {
        std::function<void()> seen;
        void ReleaseNewMsgs() override {
            seen();
            FakeModem::ReleaseNewMsgs();
        }
    };
    const std::vector<FakeMessage> messages = modem->messages;
    for (const bool quickClose : {true, false}) {
        SCOPED_TRACE(quickClose);
        auto releasing = std::make_unique<Releasing>();
        releasing->messages = messages;
        Releasing& m = *releasing;
        modem = std::move(releasing);
        halts.clear();
        SetOption("AutoRelease", true);
        SetOption("AutoReleaseQuickClose", quickClose);
        TFormMain& f = Start({"-AUTOSTART"});
        f.show();
        std::string during;
        m.seen = [&] {
            during = std::string(f.isVisible() ? "shown" : "hidden") + (f.Busy ? " busy " : " ") + f.StatusText() +
                     (ui->WaitCursor() ? " hourglass" : "") +
                     (f.ImageListAnimation == f.ImageListModemDownload ? " download" : "");
        };
        f.close();
        EXPECT_EQ(Calls(), std::vector<std::string>{"ReleaseNewMsgs"});
        EXPECT_EQ(during, std::string(quickClose ? "hidden" : "shown") +
                              " busy Releasing all messages ... hourglass download");
        EXPECT_EQ(halts, std::vector<int>{0});
        EXPECT_EQ(RegReadInteger("cColumn0", PellowKey, -9), 0);  // the columns are saved first
        form.reset();
    }
}

TEST_F(MainOperationsTest, ClosingInAutostartModeWithNothingNewReleasesNothing) {
    for (auto& msg : modem->messages) msg.state = MsgStateOld;
    SetOption("AutoRelease", true);
    TFormMain& f = Start({"-AUTOSTART"});
    f.close();
    EXPECT_TRUE(Calls().empty());
    EXPECT_EQ(halts, std::vector<int>{0});
}

TEST_F(MainOperationsTest, ClosingWithoutAutostartReleasesNothing) {
    SetOption("AutoRelease", true);
    TFormMain& f = Start();
    f.close();
    EXPECT_TRUE(Calls().empty());
    EXPECT_TRUE(halts.empty());
}

TEST_F(MainOperationsTest, MenuExitClosesAndEnds) {
    TFormMain& f = Start();
    f.MenuFileExit->trigger();
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(halts, std::vector<int>{0});
    EXPECT_EQ(RegReadInteger("cColumnW1", PellowKey, -9), f.ExtListView1->columnWidth(1));
    EXPECT_GT(RegReadInteger("cColumnW1", PellowKey, -9), 0);
}

}  // namespace
