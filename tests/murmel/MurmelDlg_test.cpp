// The tray dialog's start-up, its tray icon and menu, hiding and showing the
// window, the help page and the sibling programs, and its end.
#include "murmel/MurmelDlg.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "murmel/OptionsDlg.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/TrayIcon.h"
#include "tests/murmel/MurmelDlgKit.h"

namespace {

using namespace murmel;

// Records what reaches the desktop instead of starting it.
class RecordingLauncher : public shell::Launcher {
public:
    std::vector<std::string> calls;
    int answer = shell::Started;
    int OpenWithDefault(const std::string& Target) override {
        calls.push_back("open " + Target);
        return answer;
    }
    int StartProgram(const std::string& Program, const std::vector<std::string>& Args, const std::string&) override {
        std::string call = "start " + Program;
        for (const auto& a : Args) call += " " + a;
        calls.push_back(call);
        return answer;
    }
};

// The longest status line a check leaves (two-digit counts, a two-digit
// percentage, three-digit messages) shows whole, with or without the menu
// button that stands in for the tray.
void ExpectTheLongestStatusLineFits(CMurmelDlg& D) {
    D.OnNewmessages(0, workerkit::Counts(99, 99, 99, 99));
    D.layout()->activate();
    auto* status = D.findChild<QLabel*>("Status");
    ASSERT_TRUE(status);
    EXPECT_EQ(status->text().toStdString(), "99 new Messages.   (99% modem-memory used: 198 Messages)");
    const QRect room = status->contentsRect();
    const QRect need =
        status->fontMetrics().boundingRect(room, status->wordWrap() ? Qt::TextWordWrap : 0, status->text());
    EXPECT_LE(need.width(), room.width()) << "cut";
    EXPECT_LE(need.height(), room.height()) << "cut";
}

class TrayDialog : public dlgkit::DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        auto next = std::make_unique<RecordingLauncher>();
        launcher = next.get();
        previous = shell::InstallLauncher(std::move(next));
    }
    void TearDown() override {
        DialogTest::TearDown();
        shell::InstallLauncher(std::move(previous));
    }
    std::vector<std::string> MenuTexts() const {
        std::vector<std::string> texts;
        for (QAction* a : dlg->TrayMenu()->actions()) texts.push_back(a->isSeparator() ? "-" : a->text().toStdString());
        return texts;
    }
    QAction* Item(const char* Text) const {
        for (QAction* a : dlg->TrayMenu()->actions())
            if (a->text() == Text) return a;
        return nullptr;
    }
    // Runs Act on the options dialog once it is open, then cancels it.
    void WhenOptionsOpen(const std::function<void(COptionsDlg&)>& Act) {
        poll_ = [this, Act] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* d = dynamic_cast<COptionsDlg*>(w);
                if (d && d->isVisible()) {
                    ++optionsShown;
                    Act(*d);
                    if (d->isVisible()) d->reject();
                    return;
                }
            }
            QTimer::singleShot(5, &timers_, [this] { poll_(); });
        };
        QTimer::singleShot(0, &timers_, [this] { poll_(); });
    }
    std::function<void()> poll_;
    QObject timers_;  // the polls end with the test

    RecordingLauncher* launcher = nullptr;
    std::unique_ptr<shell::Launcher> previous;
    int optionsShown = 0;
};

TEST_F(TrayDialog, StartsHiddenInTheTrayAndIsNeverShown) {
    auto& d = Open();
    EXPECT_TRUE(d.HasTray());
    EXPECT_TRUE(d.Hidden());
    EXPECT_FALSE(d.isVisible());
    Pump(100);
    EXPECT_FALSE(d.isVisible()) << "the first paint hides the window once more";
    ASSERT_TRUE(tray->Has(kTrayIconId));
    EXPECT_EQ(tray->Calls().front(), "add 3004 Murmel");
    EXPECT_EQ(Tip(), "Murmel");
    EXPECT_EQ(d.TrayIconShown(), 134);
    EXPECT_EQ(Text("Status"), "Ready");
    EXPECT_EQ(Text("Counter"), "-1");
    EXPECT_EQ(GetProfileString(kInstall, "Path", ""), bin);
    EXPECT_TRUE(d.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(d.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint))
        << "a dialog's frame: the window goes to the tray, not to the task bar";
    for (int k = 1; k <= 10; ++k) EXPECT_FALSE(Button(("Minus" + std::to_string(k)).c_str())->isEnabled()) << k;
}

TEST_F(TrayDialog, TheLongestStatusLineFits) { ExpectTheLongestStatusLineFits(Open()); }

TEST_F(TrayDialog, TheCounterNumbersTheFilesWrittenSoFar) {
    WriteProfileInt(kOptions, "Counter", 8);
    auto& d = Open();
    EXPECT_EQ(d.Current(), 7);
    EXPECT_EQ(d.Newest(), 7);
    EXPECT_EQ(d.LastRead(), 7);
}

TEST_F(TrayDialog, TheTrayMenuInItsOrderWithTheSiblingsThatExist) {
    Open();
    EXPECT_EQ(MenuTexts(), (std::vector<std::string>{"&Info...", "-", "&Delete Modem-Memory", "&Check Modem", "-", "&Open",
                                                     "O&ptions...", "-", "C&lose"}));
    EXPECT_EQ(dlg->TrayMenu()->defaultAction(), Item("&Open"));
    Close();

    testkit::WriteFile(bin + "/echolet", "");
    Open();
    EXPECT_EQ(MenuTexts(), (std::vector<std::string>{"&Info...", "-", "ECHOLE&T", "-", "&Delete Modem-Memory",
                                                     "&Check Modem", "-", "&Open", "O&ptions...", "-", "C&lose"}));
    Close();

    testkit::WriteFile(bin + "/pellow", "");
    Open();
    EXPECT_EQ(MenuTexts(), (std::vector<std::string>{"&Info...", "-", "PELLO&W", "ECHOLE&T", "-", "&Delete Modem-Memory",
                                                     "&Check Modem", "-", "&Open", "O&ptions...", "-", "C&lose"}));
    EXPECT_FALSE(Item("PELLO&W")->icon().isNull());
    Item("PELLO&W")->trigger();
    Item("ECHOLE&T")->trigger();
    EXPECT_EQ(launcher->calls, (std::vector<std::string>{"start " + bin + "/pellow", "start " + bin + "/echolet"}));
    launcher->answer = shell::ErrFileNotFound;
    Item("PELLO&W")->trigger();
    EXPECT_TRUE(Prompts().empty()) << "a sibling that does not start is not reported";
}

TEST_F(TrayDialog, AClickPlaysOnlyWhileHiddenWithNewMessages) {
    auto& d = Open();
    Mouse(tray::kLButtonDown);
    Pump(QApplication::doubleClickInterval() + 150);
    EXPECT_FALSE(d.Playing()) << "no new messages";
    WriteMessage(1, 2000);
    AnnounceWritten(0, 1);
    EXPECT_EQ(Tip(), "Murmel: 1 new message");
    EXPECT_EQ(d.TrayIconShown(), 132);
    d.OnOpen();
    Mouse(tray::kLButtonDown);
    Pump(QApplication::doubleClickInterval() + 150);
    EXPECT_FALSE(d.Playing()) << "the window is shown";
    d.windowhide();
    Mouse(tray::kLButtonDown);
    EXPECT_FALSE(d.Playing()) << "only the timer of the single click plays";
    Pump(QApplication::doubleClickInterval() + 150);
    EXPECT_TRUE(d.Playing());
    EXPECT_EQ(d.TrayIconShown(), 138);
}

TEST_F(TrayDialog, ADoubleClickShowsTheWindowAndItsFirstClickDoesNothing) {
    auto& d = Open();
    WriteMessage(1, 2000);
    AnnounceWritten(0, 1);
    Mouse(tray::kLButtonDown);
    Mouse(tray::kLButtonDblClk);
    EXPECT_FALSE(d.Hidden());
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.TrayIconShown(), 134) << "the window is shown";
    Pump(QApplication::doubleClickInterval() + 150);
    EXPECT_FALSE(d.Playing());
    Mouse(tray::kLButtonDblClk);
    EXPECT_TRUE(d.isVisible()) << "a second double click leaves it shown";
}

TEST_F(TrayDialog, TheRightButtonShowsTheTrayMenu) {
    auto& d = Open();
    Mouse(tray::kRButtonDown);
    EXPECT_TRUE(d.TrayMenu()->isVisible());
    d.TrayMenu()->hide();
    Mouse(tray::kMButtonDown);
    EXPECT_FALSE(d.TrayMenu()->isVisible()) << "other buttons are ignored";
}

TEST_F(TrayDialog, OpenShowsAndClosingOnlyHides) {
    auto& d = Open();
    Pump(50);
    Item("&Open")->trigger();
    EXPECT_TRUE(d.isVisible());
    EXPECT_FALSE(d.Hidden());
    EXPECT_FALSE(d.close());
    EXPECT_FALSE(d.isVisible());
    EXPECT_TRUE(d.Hidden());
    EXPECT_FALSE(d.Ended());
    EXPECT_TRUE(tray->Has(kTrayIconId));
}

// Window managers offer minimising also for a dialog's frame; with a tray
// it hides the window there, so the icon's clicks and "&Open" bring it back.
TEST_F(TrayDialog, MinimisingHidesTheWindowToTheTray) {
    auto& d = Open();
    Pump(50);
    WriteMessage(1, 3000);
    AnnounceWritten(0, 1);
    Item("&Open")->trigger();
    d.OnPlay();
    EXPECT_TRUE(d.Playing());
    d.showMinimized();
    Pump(20);
    EXPECT_TRUE(d.Hidden());
    EXPECT_FALSE(d.isVisible());
    EXPECT_FALSE(d.Playing()) << "hiding stops playback";
    Mouse(tray::kLButtonDblClk);
    EXPECT_FALSE(d.Hidden());
    EXPECT_TRUE(d.isVisible());
    EXPECT_FALSE(d.isMinimized());
}

TEST_F(TrayDialog, HidingStopsPlaybackAndGoesBackToTheFirstNewMessage) {
    auto& d = Open();
    Pump(50);
    for (int n = 1; n <= 3; ++n) WriteMessage(n, 3000);
    AnnounceWritten(0, 3);
    d.OnOpen();
    d.OnMinus(1);
    EXPECT_TRUE(d.Playing());
    EXPECT_EQ(d.Current(), 3);
    d.windowhide();
    EXPECT_FALSE(d.Playing());
    EXPECT_EQ(d.Current(), 1);
}

TEST_F(TrayDialog, CloseEndsTheLoopAndTheTrayIconGoes) {
    auto& d = Open();
    Item("C&lose")->trigger();
    EXPECT_TRUE(d.Ended());
    d.OnDestroy();
    EXPECT_FALSE(tray->Has(kTrayIconId));
    EXPECT_EQ(tray->Calls().back(), "delete 3004");
}

TEST_F(TrayDialog, EscapeEndsTheLoopAsCloseDoes) {
    auto& d = Open();
    d.OnOpen();
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_TRUE(d.Ended());
}

TEST_F(TrayDialog, DoModalRunsUntilCloseAndCleansUp) {
    dlg = std::make_unique<CMurmelDlg>();
    SetMainWindow(dlg.get());
    QTimer::singleShot(100, [this] { Item("C&lose")->trigger(); });
    EXPECT_EQ(dlg->exec(), kCmdCancel);
    EXPECT_FALSE(tray->Has(kTrayIconId));
}

TEST_F(TrayDialog, TheHelpPageOpensInTheBrowserOrTheBoxSaysWhereItIs) {
    auto& d = Open();
    d.OnOpen();
    QTest::keyClick(&d, Qt::Key_F1);
    ASSERT_EQ(Prompts().size(), 1u);
    EXPECT_EQ(Prompts()[0].kind, "information");
    EXPECT_EQ(Prompts()[0].caption, "Help");
    EXPECT_EQ(Prompts()[0].text,
              "Please use the HTML-helpfile\nin the subdirectory \"Help\" of the program-directory or\n"
              "https://pellow.example.org/murmel/help.html");
    EXPECT_TRUE(launcher->calls.empty());
    EXPECT_TRUE(d.isVisible());

    std::filesystem::create_directories(bin + "/Help");
    testkit::WriteFile(bin + "/Help/MurmelEn2.htm", "<html></html>");
    launcher->answer = shell::ErrNoAssociation;
    d.WinHelp(0);
    EXPECT_EQ(Prompts().size(), 2u) << "a browser that does not start";
    launcher->answer = shell::Started;
    d.WinHelp(0);
    EXPECT_EQ(launcher->calls.back(), "open " + bin + "/Help/MurmelEn2.htm");
    EXPECT_EQ(Prompts().size(), 2u);
    EXPECT_TRUE(d.Hidden()) << "the window goes to the tray while the page is read";
    d.WinHelp(0, kHelpQuit);
    EXPECT_EQ(launcher->calls.size(), 2u);
}

TEST_F(TrayDialog, TheShippedHelpPageIsBelowTheProgramFolder) {
    const std::string page = testkit::BinDir() + "/Help/MurmelEn2.htm";
    ASSERT_TRUE(std::filesystem::exists(page)) << page;
    const std::string html = testkit::ReadFile(page);
    EXPECT_NE(html.find("<title>Murmel help</title>"), std::string::npos);
}

TEST_F(TrayDialog, WithoutAPortTheSearchFindsTheModem) {
    WriteProfileString(kOptions, "Port", "");
    WriteProfileString(kOptions, "Baudrate", "");
    registry::TRegistry reg(registry::THive::HKLM);
    ASSERT_TRUE(reg.OpenKey("\\System\\CurrentControlSet\\Services\\Class\\Modem\\0000", true));
    reg.WriteString("Manufacturer", "3Com Corp.");
    reg.WriteString("AttachedTo", "COM4");
    std::vector<uint8_t> dcb(28, 0);
    dcb[4] = 0x00;
    dcb[5] = 0xC2;
    dcb[6] = 0x01;  // 115200
    reg.WriteBinaryData("DCB", dcb);
    WhenOptionsOpen([](COptionsDlg&) {});
    Open();
    EXPECT_EQ(GetProfileString(kOptions, "Port", ""), "COM4");
    EXPECT_EQ(GetProfileString(kOptions, "Baudrate", ""), "115200");
    Pump(50);
    EXPECT_EQ(optionsShown, 0);
}

TEST_F(TrayDialog, WithoutAPortOrAModemKeyTheOptionsOpen) {
    WriteProfileString(kOptions, "Port", "");
    std::string shownPort = "(not shown)";
    WhenOptionsOpen([&](COptionsDlg& o) { shownPort = o.m_strPort.toStdString(); });
    Open();
    EXPECT_EQ(optionsShown, 1);
    EXPECT_EQ(shownPort, "");
    EXPECT_EQ(GetProfileString(kOptions, "Port", "(missing)"), "");
    EXPECT_TRUE(tray->Has(kTrayIconId)) << "the start goes on after the options";
}

TEST_F(TrayDialog, APortThatIsSetSkipsTheSearch) {
    WriteProfileString(kOptions, "Port", "COM9");
    registry::TRegistry reg(registry::THive::HKLM);
    ASSERT_TRUE(reg.OpenKey("\\System\\CurrentControlSet\\Services\\Class\\Modem\\0000", true));
    reg.WriteString("Manufacturer", "3Com Corp.");
    reg.WriteString("AttachedTo", "COM4");
    reg.WriteBinaryData("DCB", std::vector<uint8_t>(28, 0));
    Open();
    EXPECT_EQ(GetProfileString(kOptions, "Port", ""), "COM9");
}

TEST_F(TrayDialog, AlwaysOnTopIsTheDefault) {
    Open();
    EXPECT_FALSE(dlg->windowFlags() & Qt::WindowStaysOnTopHint);
    Close();
    registry::TRegistry reg(registry::THive::HKCU);
    ASSERT_TRUE(reg.OpenKey("\\Software\\Hollin\\Murmel\\Options", false));
    reg.DeleteValue("Alwaysontop");
    Open();
    EXPECT_TRUE(dlg->windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(TrayDialog, TheInfoItemShowsTheAboutDialog) {
    auto& d = Open();
    bool shown = false;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != &d && w->isVisible() && w->windowTitle() == "Info about Murmel") {
                shown = true;
                static_cast<QDialog*>(w)->reject();
            }
    });
    Item("&Info...")->trigger();
    EXPECT_TRUE(shown);
}

// Without a notification area the window stands in for it.
class NoTray : public dlgkit::DialogTest {
protected:
    bool TrayAvailable() const override { return false; }
};

TEST_F(NoTray, TheWindowCarriesTipIconAndMenu) {
    auto& d = Open();
    Pump(50);
    EXPECT_FALSE(d.HasTray());
    EXPECT_FALSE(tray->Has(kTrayIconId));
    EXPECT_TRUE(d.isVisible()) << "the window stays on screen";
    EXPECT_FALSE(d.isMinimized());
    EXPECT_FALSE(d.Hidden());
    EXPECT_TRUE(d.windowFlags() & Qt::WindowMinimizeButtonHint) << "the user's way to hide it";
    EXPECT_FALSE(d.windowFlags() & Qt::WindowMaximizeButtonHint);
    auto* menu = d.findChild<QToolButton*>("Menu");
    ASSERT_TRUE(menu);
    EXPECT_TRUE(menu->isVisibleTo(&d));
    EXPECT_EQ(menu->menu(), d.TrayMenu());
    WriteMessage(1, 1000);
    Announce(0, 1, 10, 1, 1);
    d.OnNewmessagesfax(0, 1);
    EXPECT_EQ(d.windowTitle().toStdString(), "Murmel: 1 new message, fax");
    QContextMenuEvent right(QContextMenuEvent::Mouse, QPoint(5, 5), d.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&d, &right);
    EXPECT_TRUE(d.TrayMenu()->isVisible());
    d.TrayMenu()->hide();
}

TEST_F(NoTray, TheLongestStatusLineFitsWithTheMenuButton) { ExpectTheLongestStatusLineFits(Open()); }

TEST_F(NoTray, TheDialogsOwnHidingLeavesTheWindowOnScreen) {
    auto& d = Open();
    Pump(50);
    std::filesystem::create_directories(bin + "/Help");
    testkit::WriteFile(bin + "/Help/MurmelEn2.htm", "<html></html>");
    d.WinHelp(0);  // with a tray the window would go there while the page is read
    Pump(20);
    EXPECT_TRUE(d.isVisible());
    EXPECT_FALSE(d.isMinimized());
    EXPECT_FALSE(d.Hidden());
}

TEST_F(NoTray, ARestoreFromTheTaskBarIsOpenAndMinimisingIsHiding) {
    auto& d = Open();
    Pump(50);
    for (int n = 1; n <= 4; ++n) WriteMessage(n, 3000);
    WriteProfileFlag(kOptions, "Autoplay", true);
    AnnounceWritten(0, 2);
    EXPECT_FALSE(d.Playing()) << "the window is shown: the user plays";
    d.showMinimized();
    Pump(20);
    EXPECT_TRUE(d.Hidden());
    AnnounceWritten(2, 2);
    EXPECT_TRUE(d.Playing()) << "hidden, so the first new message plays at once";
    EXPECT_EQ(d.Current(), 3);
    d.showNormal();
    Pump(20);
    EXPECT_FALSE(d.Hidden());
    EXPECT_TRUE(d.Playing()) << "showing does not stop it";
    d.OnMinus(1);
    d.showMinimized();
    Pump(20);
    EXPECT_TRUE(d.Hidden());
    EXPECT_FALSE(d.Playing()) << "hiding stops playback";
    EXPECT_EQ(d.Current(), 3) << "back to the first new message";
}

TEST_F(NoTray, ClosingTheWindowEndsTheProgram) {
    auto& d = Open();
    d.showNormal();
    Pump(20);
    d.close();
    EXPECT_TRUE(d.Ended());
}

}  // namespace
