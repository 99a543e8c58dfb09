// The playing dialog: the 3Com family plays a voice mail on the simulator and
// the test drives the dialog's 100 ms timer itself, so no test waits for a
// message's real length.
#include "mainapp/DialogPlayMessage.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "mainapp/Sim3comForms.h"
#include "support/WndProp.h"

using formstest::FormDialogs;
using formstest::Tick;
using formstest::TickUntilClosed;
using formstest::WhenShown;
using sim3comtest::Rig;

namespace {

const char* const kMessages = R"([message]
seconds = 65
[message]
seconds = 0
[message]
seconds = 3
)";

std::string Text(const QLabel* L) { return L->text().toStdString(); }

TEST(DialogPlayMessage, HasTheControlsAndTextsOfTheForm) {
    testkit::TempHome home;  // its placement is saved when it goes
    TFormPlayingMessage d;
    EXPECT_EQ(d.objectName(), "FormPlayingMessage");
    EXPECT_EQ(d.windowTitle(), "Playing Message");
    EXPECT_EQ(Text(d.findChild<QLabel*>("LabelMsgNo")), "Playing Msg# ");
    EXPECT_EQ(Text(d.findChild<QLabel*>("LabelTotalTime")), "Total Time:");
    EXPECT_EQ(Text(d.findChild<QLabel*>("LabelCurTime")), "Current Time:");
    ASSERT_NE(d.findChild<QLabel*>("LabelValueTotalTime"), nullptr);
    ASSERT_NE(d.findChild<QLabel*>("LabelValueCurTime"), nullptr);
    ASSERT_NE(d.findChild<QProgressBar*>("ProgressBarTime"), nullptr);
    EXPECT_EQ(d.findChild<QPushButton*>("ButtonAbbrechen")->text(), "&Stop");
    auto* timer = d.findChild<QTimer*>("Timer1");
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 100);
    EXPECT_FALSE(timer->isActive());
    // The placement component comes first among the form's children, so it
    // saves while the controls still stand.
    auto* placement = d.findChild<TWndProp*>("WndPropPlayingMessage");
    ASSERT_NE(placement, nullptr);
    EXPECT_EQ(d.children().front(), placement);
    EXPECT_EQ(placement->Key(), "SOFTWARE\\Norvale\\Pellow\\Version 0.50\\PlayingMessage");
    EXPECT_EQ(placement->Section(), "Form");
    EXPECT_EQ(placement->Options(), wpAllProperties);
    EXPECT_EQ(d.ProgressBarTime->minimum(), 0);
    EXPECT_FALSE(d.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(d.windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST(DialogPlayMessage, RunsForTheMessagesLengthAndThenSendsAt) {
    Rig r(kMessages);
    r.modem.Refresh();
    FormDialogs dialogs;
    TFormPlayingMessage& d = dialogs.play;
    int ticks = 0;
    std::string atSixAndAHalf, total, msgNo;
    bool timerRan = false;
    int startPosition = -1;
    WhenShown([&] {
        timerRan = d.Timer1->isActive();
        startPosition = d.Position();
        total = Text(d.LabelValueTotalTime);
        msgNo = Text(d.LabelMsgNo);
        EXPECT_EQ(Text(d.LabelValueCurTime), "0");
        ticks = TickUntilClosed(d, 1000, [&](int t) {
            if (t == 65) atSixAndAHalf = Text(d.LabelValueCurTime);
        });
    });
    r.modem.PlayMsg(1);
    EXPECT_TRUE(timerRan);
    EXPECT_EQ(startPosition, 0);
    EXPECT_EQ(d.ProgressBarTime->maximum(), 650);
    EXPECT_EQ(ticks, 650);
    EXPECT_EQ(d.Position(), 650);
    EXPECT_EQ(total, "01:05");
    EXPECT_EQ(msgNo, "Playing Message #1");
    EXPECT_EQ(atSixAndAHalf, "00:06");
    EXPECT_EQ(dialogs.play.result(), mrOk);
    EXPECT_FALSE(d.Timer1->isActive());
    // Closing sends AT, which ends the playback; PlayMsg's own AT follows.
    const std::string log = r.log.Text();
    const auto closing = log.find("###Stop playing (3)");
    ASSERT_NE(closing, std::string::npos);
    EXPECT_NE(log.find("<- \"AT<13><10>\"", closing), std::string::npos);
    EXPECT_EQ(log.find("###Stop playing (2)"), std::string::npos);
    EXPECT_NE(log.find("###Stop playing\r\n", closing), std::string::npos);
    EXPECT_TRUE(r.WaitReceived("playing stopped"));
}

TEST(DialogPlayMessage, AMessageOfNoLengthClosesAtTheFirstTick) {
    Rig r(kMessages);
    r.modem.Refresh();
    FormDialogs dialogs;
    int ticks = 0;
    WhenShown([&] { ticks = TickUntilClosed(dialogs.play, 10); });
    r.modem.PlayMsg(2);
    EXPECT_EQ(dialogs.play.ProgressBarTime->maximum(), 0);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(dialogs.play.result(), mrOk);
}

TEST(DialogPlayMessage, StopSendsALineEndThenAtAndEndsWithCancel) {
    Rig r(kMessages);
    r.modem.Refresh();
    FormDialogs dialogs;
    TFormPlayingMessage& d = dialogs.play;
    WhenShown([&] {
        Tick(d, 20);
        QTest::mouseClick(d.ButtonAbbrechen, Qt::LeftButton);
    });
    r.modem.PlayMsg(1);
    EXPECT_EQ(dialogs.play.result(), mrCancel);
    EXPECT_EQ(d.Position(), 20);
    EXPECT_FALSE(d.isVisible());
    const std::string log = r.log.Text();
    const auto stop = log.find("###Stop playing (2)");
    ASSERT_NE(stop, std::string::npos);
    const auto lineEnd = log.find("<- \"<13><10>\"", stop);
    const auto closing = log.find("###Stop playing (3)", stop);
    ASSERT_NE(lineEnd, std::string::npos);
    ASSERT_NE(closing, std::string::npos);
    EXPECT_LT(lineEnd, closing);
    EXPECT_NE(log.find("<- \"AT<13><10>\"", closing), std::string::npos);
    // Once: the closing command is not sent again for the click after the hide.
    EXPECT_EQ(log.find("###Stop playing (3)", closing + 1), std::string::npos);
    EXPECT_TRUE(r.WaitReceived("playing stopped"));
}

TEST(DialogPlayMessage, ARightButtonReleaseOnStopStillEndsTheRun) {
    Rig r(kMessages);
    r.modem.Refresh();
    FormDialogs dialogs;
    WhenShown([&] { QTest::mouseClick(dialogs.play.ButtonAbbrechen, Qt::RightButton); });
    r.modem.PlayMsg(3);
    EXPECT_EQ(dialogs.play.result(), mrCancel);
    const std::string log = r.log.Text();
    EXPECT_NE(log.find("###Stop playing (2)"), std::string::npos);
    EXPECT_NE(log.find("###Stop playing (3)"), std::string::npos);
}

TEST(DialogPlayMessage, ClosingTheWindowCancelsAndSendsAt) {
    Rig r(kMessages);
    r.modem.Refresh();
    FormDialogs dialogs;
    WhenShown([&] { dialogs.play.close(); });
    r.modem.PlayMsg(3);
    EXPECT_EQ(dialogs.play.result(), mrCancel);
    EXPECT_NE(r.log.Text().find("###Stop playing (3)"), std::string::npos);
}

TEST(DialogPlayMessage, EveryShowingStartsAgainAtZero) {
    Rig r(kMessages);
    r.modem.Refresh();
    FormDialogs dialogs;
    WhenShown([&] {
        Tick(dialogs.play, 5);
        dialogs.play.close();
    });
    r.modem.PlayMsg(3);
    EXPECT_EQ(dialogs.play.Position(), 5);
    int first = -1;
    WhenShown([&] {
        first = dialogs.play.Position();
        dialogs.play.close();
    });
    r.modem.PlayMsg(3);
    EXPECT_EQ(first, 0);
}

TEST(DialogPlayMessage, TheTimeShowsMinutesAndSecondsOfTheTimeText) {
    EXPECT_EQ(PlayTimeText(0), "00:00");
    EXPECT_EQ(PlayTimeText(65), "01:05");
    EXPECT_EQ(PlayTimeText(3599), "59:59");
}

}  // namespace

TEST(DialogPlayMessage, KeepsItsPlacementUnderItsKey) {
    formstest::ExpectPlacementKept<TFormPlayingMessage>("SOFTWARE\\Norvale\\Pellow\\Version 0.50\\PlayingMessage",
                                               "LabelMsgNo");
}
