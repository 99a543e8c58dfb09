// The working notice: the 3Com family plays its announcements on the
// simulator and the notice waits for the modem's end line; the test ticks the
// notice's timer itself.
#include "mainapp/WorkingForm.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <string>
#include <vector>

#include "mainapp/Sim3comForms.h"
#include "support/WndProp.h"
#include "testkit/TestKit.h"

using formstest::CurrentModem;
using formstest::FormDialogs;
using formstest::TickUntilClosed;
using formstest::WhenShown;
using sim3comtest::Rig;

namespace {

const char* const kAnnouncements = "[outgoing]\nseconds = 2\n[message]\nseconds = 1\n";

// The announcements on the simulator, the family as the current modem and the
// provider's forms, as the notice meets them.
struct Notice {
    explicit Notice(std::vector<std::string> SimArgs = {}) : r(kAnnouncements, std::move(SimArgs)), current(&r.modem) {
        r.modem.Refresh();
    }
    Rig r;
    CurrentModem current;
    FormDialogs dialogs;
};

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
    // The placement component comes first among the form's children, so it
    // saves while the controls still stand.
    auto* placement = w.findChild<TWndProp*>("WndPropWorkingForm");
    ASSERT_NE(placement, nullptr);
    EXPECT_EQ(w.children().front(), placement);
    EXPECT_EQ(placement->Key(), "SOFTWARE\\Norvale\\Pellow\\Version 0.50\\WorkingForm");
    EXPECT_EQ(placement->Section(), "Form");
    EXPECT_EQ(placement->Options(), wpAllProperties);
    EXPECT_FALSE(w.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(w.windowFlags() & Qt::WindowSystemMenuHint);
}

TEST(WorkingForm, TheOutgoingMessageEndsOnTheModemsOk) {
    testkit::ScopedScriptedUi ui;
    Notice n;
    std::string action;
    bool timerRan = false;
    int ticks = 0;
    WhenShown([&] {
        action = n.dialogs.work.LabelAction->text().toStdString();
        timerRan = n.dialogs.work.Timer1->isActive();
        ticks = TickUntilClosed(n.dialogs.work, 10);
    });
    n.r.modem.PlayMsg(0);
    EXPECT_EQ(action, "Playing ...");
    EXPECT_TRUE(timerRan);
    // Two seconds of playing: at least one tick of a second's silence before the OK.
    EXPECT_GE(ticks, 2);
    EXPECT_EQ(n.dialogs.work.result(), mrOk);
    EXPECT_FALSE(n.dialogs.work.Timer1->isActive());
    EXPECT_TRUE(ui->Prompts().empty());
    EXPECT_EQ(n.r.Received("ATE0V1s31=128+MVP=0"), 1);
    EXPECT_TRUE(n.r.WaitReceived("AT"));
    EXPECT_NE(n.r.log.Text().find("###Play message #255"), std::string::npos);
}

TEST(WorkingForm, TheMemoryFullMessageEndsAtOnceWhenThereIsNone) {
    Notice n;
    int ticks = 0;
    WhenShown([&] { ticks = TickUntilClosed(n.dialogs.work, 10); });
    n.r.modem.PlayMsg(255);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(n.dialogs.work.result(), mrOk);
    EXPECT_EQ(n.r.Received("ATE0V1s31=128+MVP=255"), 1);
}

TEST(WorkingForm, AnyOtherLineIsShownAsAnErrorAndAborts) {
    testkit::ScopedScriptedUi ui;
    Notice n({"--error-on", "+MVP"});
    WhenShown([&] { TickUntilClosed(n.dialogs.work, 10); });
    n.r.modem.PlayMsg(0);
    EXPECT_EQ(n.dialogs.work.result(), mrAbort);
    const auto prompts = ui->Prompts();
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].text, "ERROR: ERROR!");
    EXPECT_EQ(prompts[0].caption, "Pellow");
    // The closing AT still goes out and is answered.
    EXPECT_NE(n.r.log.Text().find("###Stop playing"), std::string::npos);
}

TEST(WorkingForm, StopAbortsAndTheNextShowingHasItsStopButtonAgain) {
    Notice n;
    WhenShown([&] { QTest::mouseClick(n.dialogs.work.ButtonStop, Qt::LeftButton); });
    n.r.modem.PlayMsg(0);
    EXPECT_EQ(n.dialogs.work.result(), mrAbort);
    // A caller may hide the button; hiding the notice brings it back.
    n.dialogs.work.ButtonStop->setVisible(false);
    bool visible = false;
    WhenShown([&] {
        visible = n.dialogs.work.ButtonStop->isVisible();
        n.dialogs.work.done(mrAbort);
    });
    n.dialogs.work.ShowModal();
    EXPECT_FALSE(visible);
    EXPECT_TRUE(n.dialogs.work.ButtonStop->isVisibleTo(&n.dialogs.work));
}

TEST(WorkingForm, EscapeAndCloseDoNotEndTheNotice) {
    Notice n;
    bool stillShown = false;
    WhenShown([&] {
        QTest::keyClick(&n.dialogs.work, Qt::Key_Escape);
        n.dialogs.work.close();
        stillShown = n.dialogs.work.isVisible();
        TickUntilClosed(n.dialogs.work, 10);
    });
    n.r.modem.PlayMsg(0);
    EXPECT_TRUE(stillShown);
    EXPECT_EQ(n.dialogs.work.result(), mrOk);
}

TEST(WorkingForm, ATickDuringATickReadsNothing) {
    Notice n;
    int nested = 0;
    // The read pumps messages; a tick that comes in the middle must wait.
    QTimer inner;
    QObject::connect(&inner, &QTimer::timeout, [&] {
        ++nested;
        n.dialogs.work.Timer1Timer();
    });
    int ticks = 0;
    WhenShown([&] {
        inner.start(20);
        ticks = TickUntilClosed(n.dialogs.work, 10);
        inner.stop();
    });
    n.r.modem.PlayMsg(0);
    EXPECT_GT(nested, 0);
    EXPECT_EQ(n.dialogs.work.result(), mrOk);
    // One line read per outer tick, the last of them the OK; the nested ticks read none.
    const std::string log = n.r.log.Text();
    const auto play = log.find("###Play message #255");
    const auto stop = log.find("###Stop playing", play);
    ASSERT_NE(stop, std::string::npos);
    const std::string during = log.substr(play, stop - play);
    int reads = 0;
    for (auto at = during.find("-> \""); at != std::string::npos; at = during.find("-> \"", at + 1)) ++reads;
    EXPECT_EQ(reads, ticks);
    EXPECT_NE(during.find("-> \"OK\""), std::string::npos);
}

}  // namespace

TEST(WorkingForm, KeepsItsPlacementUnderItsKey) {
    formstest::ExpectPlacementKept<TFormWork>("SOFTWARE\\Norvale\\Pellow\\Version 0.50\\WorkingForm",
                                               "LabelAction");
}
