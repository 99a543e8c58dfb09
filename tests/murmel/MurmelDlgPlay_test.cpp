// The tray dialog's playback on the null sound device, its buttons, the
// message information, copy, drag and the mail of the current file, and the
// refresh of its controls.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QJsonArray>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include "murmel/MurmelDlg.h"
#include "murmel/MurmelPictures.h"
#include "platform/FileClipboard.h"
#include "tests/murmel/MurmelDlgKit.h"

namespace {

using namespace murmel;

class Playback : public dlgkit::DialogTest {
protected:
    // The dialog with files 1 to Count written and announced as new.
    CMurmelDlg& WithMessages(int Count, unsigned Ms = 3000) {
        for (int n = 1; n <= Count; ++n) WriteMessage(n, Ms);
        auto& d = Open();
        AnnounceWritten(0, Count);
        return d;
    }
    // Waits for the done notices of the device to be handled.
    void Settle() { Pump(150); }
};

TEST_F(Playback, AMessageThatRunsOutPlaysTheNextUpToTheNewest) {
    auto& d = WithMessages(3, 300);
    d.OnOpen();
    d.OnPlay();
    EXPECT_EQ(d.Current(), 1);
    EXPECT_TRUE(d.Playing());
    ASSERT_TRUE(PumpUntil([&] { return d.Current() == 2; }, 3000));
    EXPECT_TRUE(d.Playing());
    ASSERT_TRUE(PumpUntil([&] { return d.Current() == 3; }, 3000));
    ASSERT_TRUE(PumpUntil([&] { return !d.Playing(); }, 3000));
    EXPECT_EQ(d.Current(), 3) << "the window is shown: the newest stays current";
}

TEST_F(Playback, AtTheNewestWhileHiddenItGoesBackToTheFirstNewMessage) {
    for (int n = 1; n <= 4; ++n) WriteMessage(n, 300);
    auto& d = Open();
    AnnounceWritten(2, 2);  // 3 and 4 are new
    d.OnMinus(1);
    EXPECT_EQ(d.Current(), 4);
    ASSERT_TRUE(PumpUntil([&] { return !d.Playing(); }, 3000));
    EXPECT_EQ(d.Current(), 3);
}

TEST_F(Playback, StopIgnoresTheDoneNoticeThatFollows) {
    auto& d = WithMessages(3);
    d.OnOpen();
    d.OnPlay();
    ASSERT_TRUE(d.Playing());
    d.OnStop();
    EXPECT_FALSE(d.Playing());
    Settle();
    EXPECT_FALSE(d.Playing()) << "the next message does not start";
    EXPECT_EQ(d.Current(), 1);
}

TEST_F(Playback, TwoPlaybacksEndedBeforeTheirNoticesComeStartNothing) {
    auto& d = WithMessages(3);
    d.OnOpen();
    d.OnPlay();
    d.OnMinus(2);  // ends the first playback
    EXPECT_EQ(d.Current(), 2);
    d.OnStop();  // ends the second before either notice is handled
    Settle();
    EXPECT_FALSE(d.Playing());
    EXPECT_EQ(d.Current(), 2);
}

TEST_F(Playback, PauseHoldsAndPlayGoesOn) {
    auto& d = WithMessages(3, 600);
    d.OnOpen();
    d.OnPlay();
    Pump(100);
    d.OnPause();
    EXPECT_TRUE(d.Paused());
    EXPECT_TRUE(Button("Pause")->icon().pixmap(24).toImage() == QIcon(ButtonBitmap(139)).pixmap(24).toImage());
    EXPECT_TRUE(Button("Play")->icon().pixmap(24).toImage() == QIcon(ButtonBitmap(131)).pixmap(24).toImage());
    Pump(900);
    EXPECT_EQ(d.Current(), 1) << "a paused message does not run out";
    d.OnPlay();
    EXPECT_FALSE(d.Paused());
    EXPECT_TRUE(Button("Play")->icon().pixmap(24).toImage() == QIcon(ButtonBitmap(138)).pixmap(24).toImage());
    ASSERT_TRUE(PumpUntil([&] { return d.Current() == 2; }, 3000));
    d.OnPause();
    d.OnSkipnext();
    EXPECT_EQ(d.Current(), 3);
    EXPECT_FALSE(d.Playing()) << "skipping while paused ends the playback";
    d.OnPause();
    EXPECT_FALSE(d.Paused()) << "pause with nothing playing does nothing";
}

TEST_F(Playback, MinusPlaysTheNewestAndTheOnesBefore) {
    auto& d = WithMessages(12, 2000);
    for (int k = 1; k <= 10; ++k) EXPECT_TRUE(Button(("Minus" + std::to_string(k)).c_str())->isEnabled()) << k;
    Click("Minus1");
    EXPECT_EQ(d.Current(), 12);
    EXPECT_EQ(Text("Counter"), "-1");
    Click("Minus10");
    EXPECT_EQ(d.Current(), 3);
    EXPECT_EQ(Text("Counter"), "-10");
    EXPECT_TRUE(d.Playing());
    Close();
    for (int n = 13; n <= 15; ++n) WriteMessage(n, 2000);
    WriteProfileInt(kOptions, "Counter", 13);
    Open();
    AnnounceWritten(12, 3);
    EXPECT_TRUE(Button("Minus3")->isEnabled());
    EXPECT_FALSE(Button("Minus4")->isEnabled()) << "as many buttons as new messages";
}

TEST_F(Playback, MinusOneWhileTheNewestIsStillComingWaitsForIt) {
    WriteMessage(1, 1000);
    auto& d = Open();
    Announce(0, 2);  // two new, none written yet
    d.OnOpen();
    Click("Minus1");
    EXPECT_EQ(d.Pending(), 2);
    EXPECT_EQ(d.Current(), 2);
    EXPECT_FALSE(d.Playing());
    EXPECT_EQ(Text("Info"), "Waiting for message.");
    EXPECT_TRUE(Button("Play")->icon().pixmap(24).toImage() == QIcon(ButtonBitmap(138)).pixmap(24).toImage())
        << "waiting counts as playing";
    d.OnMessageready(0, 1);
    EXPECT_FALSE(d.Playing()) << "message 1 is not the one waited for";
    WriteMessage(2, 1000);
    d.OnMessageready(0, 2);
    EXPECT_TRUE(d.Playing());
    EXPECT_EQ(d.Pending(), -1);
    EXPECT_NE(Text("Info").find("Voic0002.wav"), std::string::npos);
}

TEST_F(Playback, PauseWhileWaitingCancelsTheWait) {
    auto& d = Open();
    Announce(0, 1);
    Click("Minus1");
    ASSERT_EQ(d.Pending(), 1);
    Click("Pause");
    EXPECT_EQ(d.Pending(), -1);
    EXPECT_FALSE(d.Paused());
    EXPECT_NE(Text("Info"), "Waiting for message.");
    WriteMessage(1, 1000);
    d.OnMessageready(0, 1);
    EXPECT_FALSE(d.Playing());
}

TEST_F(Playback, NumbersOutsideTheMessagesPlayNothingAndCancelAWait) {
    auto& d = WithMessages(2);
    Announce(2, 1);
    d.OnMinus(1);
    ASSERT_EQ(d.Pending(), 3);
    EXPECT_EQ(d.playmessage(0), 0);
    EXPECT_EQ(d.Pending(), -1);
    EXPECT_EQ(d.playmessage(4), 0);
    EXPECT_FALSE(d.Playing());
    EXPECT_EQ(d.playmessage(2), 1);
    EXPECT_TRUE(d.Playing());
}

TEST_F(Playback, MissingShortOrUnplayableFilesLeaveTheDialogIdle) {
    auto& d = WithMessages(3);
    std::filesystem::remove(Wav(1));
    EXPECT_EQ(d.playmessage(1), 0);
    testkit::WriteFile(Wav(2), "RIFF");
    EXPECT_EQ(d.playmessage(2), 0) << "shorter than its header";
    std::string gsm = testkit::MessageWavMs(500);
    gsm[20] = 0x31;
    testkit::WriteFile(Wav(3), gsm);
    EXPECT_EQ(d.playmessage(3), 0);
    EXPECT_FALSE(d.Playing());
    EXPECT_TRUE(Prompts().empty());
}

TEST_F(Playback, WithoutASoundDeviceNothingPlaysAndNothingHangs) {
    testkit::ScopedEnv none("PELLOW_AUDIO_DEVICE", "hw:97");
    auto& d = WithMessages(2);
    QElapsedTimer t;
    t.start();
    d.OnPlay();
    EXPECT_FALSE(d.Playing());
    EXPECT_LT(t.elapsed(), 2000);
    EXPECT_TRUE(Prompts().empty());
}

TEST_F(Playback, SkipGoesOverDeletedFilesAndSkipPreviousGivesUpAfter31) {
    for (int n : {1, 4, 5, 40}) WriteMessage(n, 2000);
    WriteProfileInt(kOptions, "Counter", 41);
    auto& d = Open();
    EXPECT_EQ(d.Current(), 40);
    Click("SkipPrevious");
    EXPECT_EQ(d.Current(), 40) << "8 to 39 are missing: 32 numbers";
    WriteMessage(9, 2000);
    Click("SkipPrevious");
    EXPECT_EQ(d.Current(), 9) << "the 31st number below";
    EXPECT_FALSE(d.Playing()) << "nothing played, so nothing starts";
    Click("SkipPrevious");
    EXPECT_EQ(d.Current(), 5);
    d.OnPlay();
    Click("SkipPrevious");
    EXPECT_EQ(d.Current(), 4);
    EXPECT_TRUE(d.Playing()) << "a playing skip plays the one skipped to";
    Click("SkipPrevious");
    EXPECT_EQ(d.Current(), 1);
    Click("SkipPrevious");
    EXPECT_EQ(d.Current(), 1);
    Click("SkipNext");
    EXPECT_EQ(d.Current(), 4);
    std::filesystem::remove(Wav(5));
    std::filesystem::remove(Wav(9));
    Click("SkipNext");
    EXPECT_EQ(d.Current(), 40);
    Click("SkipNext");
    EXPECT_EQ(d.Current(), 40) << "nothing after the newest";
}

TEST_F(Playback, TheInformationTextOfTheCurrentMessage) {
    WriteMessage(1, 5000, 0);
    WriteMessage(2, 2500, 1);
    WriteMessage(3, 65000, 42);
    WriteProfileInt(kOptions, "Counter", 4);
    auto& d = Open();
    EXPECT_EQ(d.GetMessageInfo(3), "Time:   10.12.2026,  09:05:42\nDuration:  65 s  ( 1015 KB )\n" + Wav(3));
    EXPECT_EQ(Text("Info"), d.GetMessageInfo(3));
    EXPECT_EQ(d.GetMessageInfo(1), "Time:  unknown\nDuration:  5 s  ( 78 KB )\n" + Wav(1));
    EXPECT_EQ(d.GetMessageInfo(2), "Time:  unknown\nDuration:  2 s  ( 39 KB )\n" + Wav(2));
    EXPECT_EQ(d.GetMessageInfo(4), "");
    std::filesystem::create_directories(Wav(5));
    EXPECT_EQ(d.GetMessageInfo(5), "") << "a folder is no message";
    WriteProfileString(kOptions, "Path", home.Path() + "/" + std::string(250, 'p'));
    EXPECT_EQ(d.GetMessageInfo(3), "") << "a path over 260 characters";
}

TEST_F(Playback, ALongPathLosesItsMiddleAndKeepsTheFileName) {
    auto& d = WithMessages(1);
    auto* info = d.findChild<QLabel*>("Info");
    EXPECT_EQ(info->toolTip(), info->text()) << "the whole text";
    const QFontMetrics fm(info->font());
    const QString path = "/home/anna/" + QString(60, 'x') + "/Voic0001.wav";
    const QString text = "Time:  unknown\nDuration:  3 s  ( 46 KB )\n" + path;
    const int width = fm.horizontalAdvance("Duration:  3 s  ( 46 KB )") * 2;
    const QStringList lines = FittedLines(text, fm, width);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "Time:  unknown");
    EXPECT_EQ(lines[1], "Duration:  3 s  ( 46 KB )");
    EXPECT_LE(fm.horizontalAdvance(lines[2]), width);
    EXPECT_TRUE(lines[2].startsWith("/home/anna/")) << lines[2].toStdString();
    EXPECT_TRUE(lines[2].endsWith("/Voic0001.wav")) << lines[2].toStdString();
    EXPECT_EQ(FittedLines(text, fm, fm.horizontalAdvance(path) + 1)[2], path) << "a line that fits stays whole";
}

TEST_F(Playback, CopyPutsTheCurrentFileOnTheClipboard) {
    auto& d = WithMessages(2);
    QApplication::clipboard()->setText("before");
    std::filesystem::remove(Wav(2));
    d.OnMinus(2);
    std::filesystem::remove(Wav(1));
    Click("Copy");
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "before") << "a missing file fails silently";
    WriteMessage(1, 1000);
    Click("Copy");
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_EQ(data->urls().size(), 1);
    EXPECT_EQ(data->urls()[0].toLocalFile().toStdString(), Wav(1));
    EXPECT_TRUE(data->hasFormat("x-special/gnome-copied-files"));
    EXPECT_TRUE(Prompts().empty());
}

TEST_F(Playback, PressingOnTheWindowDragsThePathOfTheCurrentFile) {
    auto& d = WithMessages(2);
    d.OnOpen();
    std::vector<std::string> dragged;
    auto previous = fileclip::SetDragRunner([&](QObject*, QMimeData* data, Qt::DropActions allowed) {
        dragged.push_back(data->text().toStdString());
        EXPECT_EQ(allowed, Qt::DropActions(Qt::CopyAction));
        return Qt::IgnoreAction;
    });
    QTest::mousePress(&d, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mousePress(d.findChild<QLabel*>("Status"), Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mousePress(Button("Stop"), Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseRelease(Button("Stop"), Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mousePress(&d, Qt::RightButton, {}, QPoint(3, 3));
    std::filesystem::remove(Wav(1));
    QTest::mousePress(&d, Qt::LeftButton, {}, QPoint(3, 3));
    fileclip::SetDragRunner(previous);
    EXPECT_EQ(dragged, (std::vector<std::string>{Wav(1), Wav(1), Wav(1)}))
        << "the window and its texts drag, a button does not; the file need not exist";
}

TEST_F(Playback, SendOpensTheMailProgramWithTheFile) {
    testkit::WriteFakeComposer(bin, 0);
    testkit::ScopedEnv path("PATH", bin + ":/usr/bin:/bin");
    auto& d = WithMessages(3);
    d.OnMinus(2);
    Click("Send");
    const auto runs = testkit::ComposerRuns(bin);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0], (std::vector<std::string>{"--utf8", "--subject", "Murmel", "--body", "Murmel in Attachment",
                                                 "--attach", Wav(2)}));
    EXPECT_TRUE(Prompts().empty());
}

TEST_F(Playback, SendWithoutAMailRouteOrAFailingOneShowsTheMailBox) {
    testkit::ScopedEnv path("PATH", bin);
    testkit::ScopedEnv noSendmail("PELLOW_SENDMAIL", home.Path() + "/nothing");
    EXPECT_EQ(MapiAvailable(), 0);
    WithMessages(1);
    Click("Send");
    testkit::WriteFakeComposer(bin, 4);
    EXPECT_EQ(MapiAvailable(), 1);
    Click("Send");
    const auto p = Prompts();
    ASSERT_EQ(p.size(), 2u);
    for (const auto& box : p) {
        EXPECT_EQ(box.kind, "error");
        EXPECT_EQ(box.caption, "Murmel");
        EXPECT_EQ(box.text, "Error sending file.\n\nSimple-Mapi Client required for sending messages.");
    }
}

TEST_F(Playback, TheStatusLineAndTheTrayFollowTheChecks) {
    auto& d = Open();
    EXPECT_EQ(Text("Status"), "Ready");
    Announce(5, 0, 12, 3, 2);
    EXPECT_EQ(Text("Status"), "No new Messages.   (12% modem-memory used: 5 Messages)");
    EXPECT_EQ(Tip(), "Murmel: no new messages");
    d.OnNewmessagesfax(0, 2);
    EXPECT_EQ(Tip(), "Murmel: no new messages, fax");
    EXPECT_EQ(d.TrayIconShown(), 137);
    d.OnDeletingmemory(0, 0);
    EXPECT_EQ(Text("Status"), "No new Messages.   (Deleting modem-memory)   (12% modem-memory used: 5 Messages)");
}

}  // namespace
