// The tray dialog checking the simulated modem: the check at start and the
// announcement in the tray, playing by clicks and as files come, the result
// codes with their retries and boxes, the erase, the fax notice, the mail of
// the new files, and closing while a worker runs.
#include <gtest/gtest.h>
#include <dirent.h>

#include <QJsonArray>
#include <QJsonObject>
#include <QMenu>
#include <QTimer>

#include "murmel/MurmelDlg.h"
#include "tests/murmel/MurmelDlgKit.h"

namespace {

using namespace murmel;
using workerkit::Fax;
using workerkit::Voice;

const char* const kComError =
    "COM-Port not responding.\n\nCheck the values for the com port and the transfer rate in the options dialog. You "
    "have to select the port to which the modem is connected. \n\nCheck if other programs use the modem port. "
    "Example: Internet-Dial-In, Phone-Tools, Modem-Manager, Terminal, ...";
const char* const kModemError =
    "Modem not responding.\n\nCheck if the modem is switched on and connected with the computer.\n\nCheck the values "
    "for the com port and the transfer rate in the options dialog. You have to select the port to which the modem is "
    "connected.\n\nOnly the modems \"Sportster Message Plus\", \"56K Message Modem\" and \"56K Professional Message "
    "Modem\" of the manufacturers \"U.S. Robotics, Inc.\" and \"3Com Corp.\" are supported.";
const char* const kFileError =
    "Error opening output file.\n\nCheck if the file already exists. Check if the path is existing. Check the values "
    "for the path and the counter in the \"Options\"-Dialog. The counter must be set to a value greater than the "
    "greatest counter value of the files in the specified directory.\n\nCheck if there is enough free memory, check "
    "if the device is not write protected.\n\nThis error occurs also if the Windows-Audiocompression-Codecs are not "
    "installed. ";
const char* const kMailError = "Error sending file.\n\nSimple-Mapi Client required for sending messages.";

// ThreadSanitizer runs a thread of its own, which it may start at any time.
#if defined(__SANITIZE_THREAD__)
constexpr int kCheckerThreads = 1;
#else
constexpr int kCheckerThreads = 0;
#endif

int ThreadsOfThisProcess() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') ++n;
        closedir(d);
    }
    return n;
}

class Checks : public dlgkit::DialogTest {
protected:
    CMurmelDlg& CheckAtStart() {
        WriteProfileFlag(kOptions, "Autocheck", true);
        auto& d = Open();
        EXPECT_TRUE(d.Checking()) << "the check starts with the dialog";
        return d;
    }
    std::vector<std::string> Boxes(const char* Kind = "error") {
        std::vector<std::string> texts;
        for (const auto& p : Prompts())
            if (p.kind == Kind) {
                EXPECT_EQ(p.caption, "Murmel");
                texts.push_back(p.text);
            }
        return texts;
    }
    // Single clicks on the tray icon, each followed by its timer.
    void SingleClick() {
        Mouse(tray::kLButtonDown);
        Pump(QApplication::doubleClickInterval() + 100);
    }
};

TEST_F(Checks, AtStartNewVoiceMailIsAnnouncedAndEachClickPlaysOnSkipsOrStops) {
    StartSim("[memory]\nused = 12\n" + Voice(4) + Voice(5));
    auto& d = CheckAtStart();
    EXPECT_FALSE(d.isVisible());
    ASSERT_TRUE(CheckDone());
    EXPECT_FALSE(d.isVisible()) << "only the tray icon shows";
    EXPECT_EQ(Tip(), "Murmel: 2 new messages");
    EXPECT_EQ(d.TrayIconShown(), 132);
    EXPECT_EQ(Text("Status"), "2 new Messages.   (12% modem-memory used: 2 Messages)");
    EXPECT_EQ(d.Current(), 1);
    EXPECT_FALSE(d.Playing()) << "no autoplay here";

    SingleClick();
    EXPECT_TRUE(d.Playing());
    EXPECT_EQ(d.Current(), 1);
    EXPECT_EQ(d.TrayIconShown(), 133);
    SingleClick();
    EXPECT_TRUE(d.Playing());
    EXPECT_EQ(d.Current(), 2);
    EXPECT_EQ(d.TrayIconShown(), 138);
    SingleClick();
    EXPECT_FALSE(d.Playing());
    EXPECT_EQ(d.Current(), 1);
    EXPECT_EQ(d.TrayIconShown(), 132);
    EXPECT_TRUE(Prompts().empty());
}

TEST_F(Checks, WithAutoplayTheFirstNewMessagePlaysAsSoonAsItIsWritten) {
    StartSim(Voice(6) + Voice(2));
    WriteProfileFlag(kOptions, "Autoplay", true);
    auto& d = CheckAtStart();
    ASSERT_TRUE(PumpUntil([&] { return d.Playing(); }));
    EXPECT_EQ(d.Current(), 1);
    ASSERT_TRUE(CheckDone());
    EXPECT_EQ(d.TrayIconShown(), 133);
}

TEST_F(Checks, MinusOneWhileTheNewestIsStillComingShowsTheWaitAndPlaysItWhenWritten) {
    // At 115200 baud a page takes almost three seconds: the newest is written well after it is announced.
    StartSim(Voice(2) + Voice(40), {"--baud", "115200"});
    auto& d = CheckAtStart();
    ASSERT_TRUE(PumpUntil([&] { return d.NewCount() == 2; }));
    d.OnOpen();
    Click("Minus1");
    EXPECT_EQ(d.Pending(), 2);
    EXPECT_EQ(Text("Info"), "Waiting for message.");
    EXPECT_FALSE(d.Playing());
    ASSERT_TRUE(PumpUntil([&] { return d.Playing(); }, 60000));
    EXPECT_EQ(d.Current(), 2);
    EXPECT_EQ(d.Pending(), -1);
    EXPECT_TRUE(std::filesystem::exists(Wav(2)));
    EXPECT_NE(Text("Info"), "Waiting for message.");
}

TEST_F(Checks, AFileErrorAfterOneOfThreeLeavesTheOneWritten) {
    StartSim(Voice(1) + Voice(1) + Voice(1));
    std::filesystem::create_directories(Wav(2));  // the second file cannot be written
    auto& d = CheckAtStart();
    ASSERT_TRUE(CheckDone());
    EXPECT_EQ(Boxes(), (std::vector<std::string>{kFileError}));
    EXPECT_EQ(d.NewCount(), 1);
    EXPECT_EQ(d.Newest(), 1);
    EXPECT_EQ(d.LastRead(), 1);
    EXPECT_EQ(Tip(), "Murmel: 1 new message");
}

TEST_F(Checks, AFailedCheckClosesTheNewMessagesToThoseWritten) {
    auto& d = Open();
    Announce(0, 3);
    d.OnMinus(1);
    ASSERT_EQ(d.Pending(), 3);
    WriteMessage(1, 1000);
    d.OnMessageready(0, 1);
    d.OnThreaderror(0, ErrorFile);
    EXPECT_EQ(d.NewCount(), 1);
    EXPECT_EQ(d.Newest(), 1);
    EXPECT_EQ(d.Pending(), -1) << "the play of an unwritten number is cancelled";
    EXPECT_EQ(d.Current(), 1);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{kFileError}));
    d.OnThreaderror(0, ErrorMemory);
    EXPECT_EQ(Boxes().back(), "Out of memory.");
    EXPECT_EQ(d.ErrorCount(), 3) << "neither is retried";
}

TEST_F(Checks, APortThatCannotBeOpenedIsTriedTwiceMoreThenTheComBox) {
    WriteProfileString(kOptions, "Port", "COM7");
    testkit::WriteFile(out + "/Debug.txt", "");
    auto& d = CheckAtStart();
    ASSERT_TRUE(CheckDone());
    EXPECT_EQ(Boxes(), (std::vector<std::string>{kComError}));
    EXPECT_EQ(d.ErrorCount(), 3) << "armed again";
    const std::string log = testkit::ReadFile(out + "/Debug.txt");
    int runs = 0;
    for (std::size_t at = 0; (at = log.find("---Read-Thread beginnen.", at)) != std::string::npos; ++at) ++runs;
    EXPECT_EQ(runs, 3);
}

TEST_F(Checks, AModemThatDoesNotAnswerIsTriedTwiceMoreThenTheModemBox) {
    StartSim(Voice(1), {"--error-on", "AT+MCS=1"});
    auto& d = CheckAtStart();
    ASSERT_TRUE(CheckDone());
    EXPECT_EQ(CountOf("AT+MCS=1"), 3);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{kModemError}));
    EXPECT_FALSE(d.Checking());
}

TEST_F(Checks, ASuccessfulCheckDoesNotRearmTheRetries) {
    StartSim(Voice(1));
    auto& d = Open();
    d.OnThreaderror(0, ErrorModem);  // a failure: the check is started again, and succeeds
    EXPECT_EQ(d.ErrorCount(), 2);
    ASSERT_TRUE(CheckDone());
    EXPECT_EQ(d.ErrorCount(), 2);
    EXPECT_TRUE(Boxes().empty());
    WriteProfileString(kOptions, "Port", "COM7");
    d.OnCheckmodem();
    ASSERT_TRUE(CheckDone());
    EXPECT_EQ(Boxes(), (std::vector<std::string>{kComError})) << "the third failure of the run";
}

TEST_F(Checks, CheckModemDoesNothingWhileAWorkerIsHeld) {
    StartSim(Voice(20), {"--baud", "115200"});
    auto& d = CheckAtStart();
    d.OnCheckmodem();
    d.OnCheckmodem();
    ASSERT_TRUE(CheckDone(60000));
    EXPECT_EQ(CountOf("ATE0"), 1);
}

TEST_F(Checks, EraseAfterConfirmationCountsAre255AndTheDisplayKeepsTheMessages) {
    StartSim(Voice(1) + Fax(), {"--erase-ms", "1000"});  // long enough to see the erase going on
    auto& d = CheckAtStart();
    ASSERT_TRUE(CheckDone());
    ASSERT_EQ(d.NewCount(), 1);
    ui->Answer("No");
    d.OnDeletememory();
    EXPECT_FALSE(d.Checking());
    EXPECT_FALSE(d.WorkerHeld());
    const auto question = Prompts().back();
    EXPECT_EQ(question.kind, "warning");
    EXPECT_EQ(question.caption, "Murmel");
    EXPECT_EQ(question.text, "All messages and faxes in the modem-memory will be deleted.\nDo you wish to continue ?");
    EXPECT_EQ(question.buttons, (std::vector<std::string>{"Yes", "No"}));

    ui->Answer("Yes");
    d.OnDeletememory();
    EXPECT_TRUE(d.Checking());
    ASSERT_TRUE(PumpUntil([&] { return d.Deleting() || !d.Checking(); }));
    EXPECT_TRUE(d.Deleting());
    EXPECT_EQ(Text("Status"), "1 new Message.   (Deleting modem-memory)");
    ASSERT_TRUE(CheckDone());
    EXPECT_EQ(CountOf("AT+MEM"), 1);
    EXPECT_EQ(d.NewCount(), 1) << "the count 255 changes no message number";
    EXPECT_EQ(d.Newest(), 1);
    EXPECT_EQ(Text("Status"), "1 new Message.   (0% modem-memory used)");
    EXPECT_EQ(GetProfileString(kModem, "Identstring", ""), "Deleted");
}

TEST_F(Checks, The255CountAloneLeavesTheDisplayUntilTheNextRefresh) {
    auto& d = Open();
    AnnounceWritten(0, 2);
    const std::string before = Text("Status");
    d.OnNewmessages(2, 255);
    EXPECT_EQ(Text("Status"), before);
    EXPECT_EQ(d.NewCount(), 2);
    d.UpdateDisplay();
    EXPECT_EQ(Text("Status"), "2 new Messages.   (0% modem-memory used)");
}

TEST_F(Checks, NewFaxesAreToldInABoxAndInTheTray) {
    StartSim(Fax() + Fax(3));
    auto& d = CheckAtStart();
    ASSERT_TRUE(CheckDone());
    const auto info = Boxes("information");
    ASSERT_EQ(info.size(), 1u);
    EXPECT_EQ(info[0], "New fax messagest. (Number: 2)\n\nPlease use the Software of the manufacturer of the modem to display.");
    EXPECT_EQ(Tip(), "Murmel: no new messages, fax");
    EXPECT_EQ(d.TrayIconShown(), 137);
    d.OnCheckmodem();
    ASSERT_TRUE(CheckDone());
    EXPECT_EQ(Boxes("information").size(), 1u) << "the same faxes are told once";
}

TEST_F(Checks, TheNewFilesAreMailedAfterTheCheckNewestFirst) {
    StartSim(Voice(1) + Voice(2) + Fax());
    WriteProfileFlag(kOptions, "Mailmessages", true);
    WriteProfileString(kOptions, "Mailadress", "anna@example.org");
    CheckAtStart();
    ASSERT_TRUE(CheckDone());
    ASSERT_EQ(mailer->Messages().size(), 1u);
    const auto m = testkit::MimeSummary(mailer->Messages()[0]);
    EXPECT_TRUE(m["defects"].toArray().isEmpty());
    EXPECT_EQ(m["to"].toArray(), QJsonArray({"anna@example.org"}));
    EXPECT_EQ(m["headers"].toObject()["Subject"].toString().toStdString(), "Murmel");
    const auto parts = m["parts"].toArray();
    ASSERT_EQ(parts.size(), 3);
    EXPECT_EQ(parts[0].toObject()["hex"].toString().toStdString(),
              QByteArray("Murmel in Attachment").toHex().toStdString());
    for (int i = 1; i <= 2; ++i) {
        const auto part = parts[i].toObject();
        const int n = 3 - i;
        EXPECT_EQ(part["filename"].toString().toStdString(), MessageFileName(n));
        const std::string file = testkit::ReadFile(Wav(n));
        EXPECT_EQ(part["hex"].toString().toStdString(), QByteArray::fromStdString(file).toHex().toStdString()) << n;
    }
    EXPECT_TRUE(Boxes().empty());

    dlg->OnCheckmodem();
    ASSERT_TRUE(CheckDone());
    EXPECT_EQ(mailer->Messages().size(), 1u) << "a check with nothing new mails nothing";
}

TEST_F(Checks, AMailThatCannotBeSentShowsTheMailBox) {
    StartSim(Voice(1));
    WriteProfileFlag(kOptions, "Mailmessages", true);
    WriteProfileString(kOptions, "Mailadress", "anna@example.org");
    mailer->ExitWith(1);
    CheckAtStart();
    ASSERT_TRUE(CheckDone());
    EXPECT_EQ(Boxes(), (std::vector<std::string>{kMailError}));
    Close();
    testkit::ScopedEnv path("PATH", bin);
    testkit::ScopedEnv none("PELLOW_SENDMAIL", home.Path() + "/no-sendmail");
    WriteProfileInt(kModem, "Savedmsg", 0);
    CheckAtStart();
    ASSERT_TRUE(CheckDone());
    EXPECT_EQ(Boxes(), (std::vector<std::string>{kMailError, kMailError})) << "no mail route at all";
}

TEST_F(Checks, WithoutNewMessagesNothingIsMailed) {
    StartSim(Fax());
    WriteProfileFlag(kOptions, "Mailmessages", true);
    WriteProfileString(kOptions, "Mailadress", "anna@example.org");
    CheckAtStart();
    ASSERT_TRUE(CheckDone());
    EXPECT_TRUE(mailer->Messages().empty());
}

TEST_F(Checks, ClosingWhileAWorkerRunsWaitsForItAndNoThreadOutlivesTheDialog) {
    StartSim(Voice(2) + Voice(30), {"--baud", "115200"});
    const int threadsBefore = ThreadsOfThisProcess();
    WriteProfileFlag(kOptions, "Autocheck", true);
    dlg = std::make_unique<CMurmelDlg>();
    SetMainWindow(dlg.get());
    QElapsedTimer t;
    QTimer::singleShot(300, dlg.get(), [this, &t] {
        EXPECT_TRUE(dlg->WorkerHeld());
        t.start();
        dlg->TrayMenu()->actions().back()->trigger();  // "C&lose"
    });
    EXPECT_EQ(dlg->exec(), kCmdCancel);
    EXPECT_GT(t.elapsed(), 1000) << "the download went on to its end";
    EXPECT_FALSE(dlg->WorkerHeld());
    EXPECT_TRUE(std::filesystem::exists(Wav(2))) << "the worker finished its run";
    SetMainWindow(&recorder);
    dlg.reset();
    EXPECT_LE(ThreadsOfThisProcess(), threadsBefore + kCheckerThreads);
}

}  // namespace
