// The working notice: the 3Com family plays its announcements on the
// simulator and the notice waits for the modem's end line; the test ticks the
// notice's timer itself.
#include "mainapp/WorkingForm.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "mainapp/Sim3comForms.h"
#include "testkit/TestKit.h"

using formstest::CurrentModem;
using formstest::FormDialogs;
using formstest::WhenShown;
using sim3comtest::Rig;

namespace {

const char* const kAnnouncements = "[outgoing]\nseconds = 2\n[message]\nseconds = 1\n";

int TickUntilClosed(TFormWork& W, int Limit) {
    int ticks = 0;
    while (W.isVisible() && ticks < Limit) {
        W.Timer1Timer();
        ++ticks;
    }
    return ticks;
}

TEST(WorkingForm, HasTheControlsAndTextsOfTheForm) {
    testkit::TempHome home;  // its placement is saved when it goes
    TFormWork w;
    EXPECT_EQ(w.objectName(), "FormWork");
    EXPECT_EQ(w.windowTitle(), "Notice");
    EXPECT_EQ(w.findChild<QLabel*>("LabelAction")->text(), "Working ...");
    EXPECT_EQ(w.findChild<QLabel*>("LabelAction")->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    EXPECT_EQ(w.findChild<QPushButton*>("ButtonStop")->text(), "&Stop");
    auto* timer = w.findChild<QTimer*>("Timer1");
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 1400);
    EXPECT_FALSE(timer->isActive());
    EXPECT_FALSE(w.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(w.windowFlags() & Qt::WindowSystemMenuHint);
}

TEST(WorkingForm, TheOutgoingMessageEndsOnTheModemsOk) {
    testkit::ScopedScriptedUi ui;
    Rig r(kAnnouncements);
    CurrentModem current(&r.modem);
    r.modem.Refresh();
    FormDialogs dialogs;
    std::string action;
    bool timerRan = false;
    int ticks = 0;
    WhenShown([&] {
        action = dialogs.work.LabelAction->text().toStdString();
        timerRan = dialogs.work.Timer1->isActive();
        ticks = TickUntilClosed(dialogs.work, 10);
    });
    r.modem.PlayMsg(0);
    EXPECT_EQ(action, "Playing ...");
    EXPECT_TRUE(timerRan);
    // Two seconds of playing: at least one tick of a second's silence before the OK.
    EXPECT_GE(ticks, 2);
    EXPECT_EQ(dialogs.last, mrOk);
    EXPECT_FALSE(dialogs.work.Timer1->isActive());
    EXPECT_TRUE(ui->Prompts().empty());
    EXPECT_EQ(r.Received("ATE0V1s31=128+MVP=0"), 1);
    EXPECT_TRUE(r.WaitReceived("AT"));
    EXPECT_NE(r.log.Text().find("###Play message #255"), std::string::npos);
}

TEST(WorkingForm, TheMemoryFullMessageEndsAtOnceWhenThereIsNone) {
    Rig r(kAnnouncements);
    CurrentModem current(&r.modem);
    r.modem.Refresh();
    FormDialogs dialogs;
    int ticks = 0;
    WhenShown([&] { ticks = TickUntilClosed(dialogs.work, 10); });
    r.modem.PlayMsg(255);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(dialogs.last, mrOk);
    EXPECT_EQ(r.Received("ATE0V1s31=128+MVP=255"), 1);
}

TEST(WorkingForm, AnyOtherLineIsShownAsAnErrorAndAborts) {
    testkit::ScopedScriptedUi ui;
    Rig r(kAnnouncements, {"--error-on", "+MVP"});
    CurrentModem current(&r.modem);
    r.modem.Refresh();
    FormDialogs dialogs;
    WhenShown([&] { TickUntilClosed(dialogs.work, 10); });
    r.modem.PlayMsg(0);
    EXPECT_EQ(dialogs.last, mrAbort);
    const auto prompts = ui->Prompts();
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].text, "ERROR: ERROR!");
    EXPECT_EQ(prompts[0].caption, "Pellow");
    // The closing AT still goes out and is answered.
    EXPECT_NE(r.log.Text().find("###Stop playing"), std::string::npos);
}

TEST(WorkingForm, StopAbortsAndTheNextShowingHasItsStopButtonAgain) {
    Rig r(kAnnouncements);
    CurrentModem current(&r.modem);
    r.modem.Refresh();
    FormDialogs dialogs;
    WhenShown([&] { QTest::mouseClick(dialogs.work.ButtonStop, Qt::LeftButton); });
    r.modem.PlayMsg(0);
    EXPECT_EQ(dialogs.last, mrAbort);
    // A caller may hide the button; hiding the notice brings it back.
    dialogs.work.ButtonStop->setVisible(false);
    bool visible = false;
    WhenShown([&] {
        visible = dialogs.work.ButtonStop->isVisible();
        dialogs.work.done(mrAbort);
    });
    dialogs.work.ShowModal();
    EXPECT_FALSE(visible);
    EXPECT_TRUE(dialogs.work.ButtonStop->isVisibleTo(&dialogs.work));
}

TEST(WorkingForm, EscapeAndCloseDoNotEndTheNotice) {
    Rig r(kAnnouncements);
    CurrentModem current(&r.modem);
    r.modem.Refresh();
    FormDialogs dialogs;
    bool stillShown = false;
    WhenShown([&] {
        QTest::keyClick(&dialogs.work, Qt::Key_Escape);
        dialogs.work.close();
        stillShown = dialogs.work.isVisible();
        TickUntilClosed(dialogs.work, 10);
    });
    r.modem.PlayMsg(0);
    EXPECT_TRUE(stillShown);
    EXPECT_EQ(dialogs.last, mrOk);
}

TEST(WorkingForm, ATickDuringATickReadsNothing) {
    Rig r(kAnnouncements);
    CurrentModem current(&r.modem);
    r.modem.Refresh();
    FormDialogs dialogs;
    int nested = 0;
    // The read pumps messages; a tick that comes in the middle must wait.
    QTimer inner;
    QObject::connect(&inner, &QTimer::timeout, [&] {
        ++nested;
        dialogs.work.Timer1Timer();
    });
    WhenShown([&] {
        inner.start(20);
        TickUntilClosed(dialogs.work, 10);
        inner.stop();
    });
    r.modem.PlayMsg(0);
    EXPECT_GT(nested, 0);
    EXPECT_EQ(dialogs.last, mrOk);
    // The OK was read once: the closing AT's reply is the next OK.
    EXPECT_NE(r.log.Text().find("###Stop playing"), std::string::npos);
}

}  // namespace

TEST(WorkingForm, KeepsItsPlacementUnderItsKey) {
    formstest::ExpectPlacementKept<TFormWork>("SOFTWARE\\Norvale\\Pellow\\Version 0.50\\WorkingForm");
}
