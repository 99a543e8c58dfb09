// The 3Com settings dialog against the simulated modems: what loading shows
// and disables, what saving sends, a refused command, the close box, and the
// announcements recorded and played through the working notice.
#include "mainapp/Settings3comMsg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "mainapp/ModemDialogsRig.h"
#include "mainapp/WorkingForm.h"
#include "modem/StatusSink.h"
#include "support/lumbraAutostart.h"

using dialogstest::Rig3com;

namespace {

const char* const kSettings =
    "[settings]\nvoice = 1\nfax = 0\nremote = 1\nmonitor = 0\nduration = 60\nrings = 5\nfaxid = \"FAX 1\"\n"
    "password = 4711\ntollsaver = 1\nacousticring = 3\n";

// The dialog's settings as the simulated modem holds them.
struct Dialog {
    explicit Dialog(const std::string& Model = "56k-pro", std::vector<std::string> Extra = {})
        : r(Model, kSettings, std::move(Extra)), form(*Form3ComMsgSettings) {}
    // Shown, with the lines the modem received while loading.
    std::vector<std::string> Show() {
        const std::size_t mark = r.Mark();
        form.show();
        return r.Received(mark);
    }
    // OK, with the lines the modem received while saving.
    std::vector<std::string> Ok() {
        const std::size_t mark = r.Mark();
        QTest::mouseClick(form.ButtonOK, Qt::LeftButton);
        return r.Received(mark);
    }
    // The modem switched on again: what its flash holds.
    void PowerOn() {
        r.comm.ExecuteCommand("ATZ", "test");
        r.comm.ExecuteCommand("ATE0", "test");
    }
    // A fresh query through the channel, as the modem answers it now.
    std::string Ask(const std::string& Query) {
        std::string text;
        r.comm.QueryLines("ATE0V1" + Query, "test", text);
        return text;
    }
    Rig3com r;
    TForm3ComMsgSettings& form;
};

TEST(Settings3comMsg, TheProfessionalModelShowsEverySetting) {
    Dialog d;
    EXPECT_EQ(d.Show(), (std::vector<std::string>{"ATE0V1+mct?", "ATE0V1+mcg?", "ATE0V1+mcv?", "ATE0V1+mcf?",
                                                  "ATE0V1+mvd?", "ATE0V1+MFI?", "ATE0V1+mcd?", "ATE0V1+MCP?",
                                                  "ATE0V1+mcr?", "ATE0V1+mcm?"}));
    TForm3ComMsgSettings& f = d.form;
    EXPECT_EQ(f.windowTitle(), "Modem Settings");
    EXPECT_TRUE(f.CheckBoxTollSaver->isChecked());
    EXPECT_EQ(f.EditAcousticRing->text(), "3");
    EXPECT_TRUE(f.CheckBoxVoice->isChecked());
    EXPECT_FALSE(f.CheckBoxFax->isChecked());
    EXPECT_EQ(f.EditDauer->text(), "60");
    EXPECT_EQ(f.EditFaxkennung->text(), "FAX 1");
    EXPECT_TRUE(f.CheckBoxFernabfrage->isChecked());
    EXPECT_EQ(f.EditFernabfragePasswort->text(), "4711");
    EXPECT_EQ(f.EditFernabfragePasswort->echoMode(), QLineEdit::Password);
    EXPECT_EQ(f.ComboBoxKlingelzeichen->currentText(), "5");
    EXPECT_FALSE(f.CheckBoxMonitor->isChecked());
    for (QWidget* w : f.findChildren<QWidget*>()) EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(d.r.Prompts().empty());
}

TEST(Settings3comMsg, LoadingDisablesWhatTheModelLacks) {
    Dialog d("56k-message");
    d.Show();
    TForm3ComMsgSettings& f = d.form;
    for (QWidget* w : {static_cast<QWidget*>(f.CheckBoxTollSaver), static_cast<QWidget*>(f.EditAcousticRing),
                       static_cast<QWidget*>(f.LabelAcousticRing)})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    for (QWidget* w : {static_cast<QWidget*>(f.CheckBoxVoice), static_cast<QWidget*>(f.EditDauer),
                       static_cast<QWidget*>(f.EditFaxkennung), static_cast<QWidget*>(f.ComboBoxKlingelzeichen),
                       static_cast<QWidget*>(f.EditFernabfragePasswort)})
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    // Loading tells nobody: a model without a setting is no error.
    EXPECT_TRUE(d.r.Prompts().empty());
    // What the modem lacks is not saved.
    const auto sent = d.Ok();
    for (const std::string& line : sent) {
        EXPECT_EQ(line.find("+MCT"), std::string::npos) << line;
        EXPECT_EQ(line.find("+mcg"), std::string::npos) << line;
    }
    EXPECT_EQ(sent.back(), "ATE0V1+MCW");
}

TEST(Settings3comMsg, SavingSendsTheChangedValuesAndAlwaysTheFlags) {
    Dialog d;
    d.Show();
    TForm3ComMsgSettings& f = d.form;
    f.EditDauer->setText("90");
    f.CheckBoxMonitor->setChecked(true);
    f.CheckBoxTollSaver->setChecked(false);
    const auto sent = d.Ok();
    EXPECT_EQ(sent, (std::vector<std::string>{"ATE0V1+MCM=1", "ATE0V1+MCV=1", "ATE0V1+MCF=0", "ATE0V1+mvd?",
                                              "ATE0V1+MVD=90", "ATE0V1+MFI?", "ATE0V1+MCD=1", "ATE0V1+MCP?",
                                              "ATE0V1+mcr?", "ATE0V1+mcg?", "ATE0V1+MCT=0", "ATE0V1+MCW"}));
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.result(), mrOk);
    // The notice was up while it saved, and is gone with the hourglass.
    const auto p = d.r.Prompts();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].kind, "notice");
    EXPECT_EQ(p[0].text, "Please wait!\rSaving settings");
    EXPECT_FALSE(d.r.ui->WaitCursor());
    // The modem keeps them in its flash.
    d.PowerOn();
    EXPECT_EQ(d.Ask("+mvd?"), "90\r\n");
    EXPECT_EQ(d.Ask("+mcm?"), "1\r\n");

    // The texts too, once they differ, with the ID in quotes.
    d.Show();
    f.EditFaxkennung->setText("+49 30 1234");
    f.EditFernabfragePasswort->setText("0815");
    f.ComboBoxKlingelzeichen->setCurrentText("3");
    f.EditAcousticRing->setText("7");
    const auto texts = d.Ok();
    for (const char* line : {"ATE0V1+MFI=\"+49 30 1234\"", "ATE0V1+MCP=0815", "ATE0V1+MCR=3", "ATE0V1+MCG=7"})
        EXPECT_NE(std::find(texts.begin(), texts.end(), line), texts.end()) << line;
    EXPECT_EQ(d.Ask("+MFI?"), "\"+49 30 1234\"\r\n");
}

// Keeps what the window's status text panel is given.
struct StatusTexts : TStatusSink {
    StatusTexts() : previous(SetStatusSink(this)) {}
    ~StatusTexts() override { SetStatusSink(previous); }
    void SetPanelText(int Index, const std::string& Text) override {
        if (Index == 1) texts.push_back(Text);
    }
    TStatusSink* previous;
    std::vector<std::string> texts;
};

TEST(Settings3comMsg, TheStatusPanelFollowsTheSaving) {
    Dialog d("56k-message");
    d.Show();
    StatusTexts status;
    d.Ok();
    EXPECT_EQ(status.texts,
              (std::vector<std::string>{"Save Option \"Monitor\"", "Save Option \"Voice\"", "Save Option \"Fax\"",
                                        "Save Option \"Duration\"", "Save Option \"FAX ID\"",
                                        "Save Option \"Remote Control\"", "Save Option \"Remote Password\"",
                                        "Save Option \"Rings\"", "Save Option \"Acoustic Ring\"",
                                        "Save Option \"Toll Saver\"", "Save to NVRAM", ""}));
}

TEST(Settings3comMsg, ARefusedCommandStopsTheSavingAndTellsTheUser) {
    Dialog d("56k-pro", {"--error-on", "+MCF="});
    d.Show();
    d.form.EditDauer->setText("90");
    const auto sent = d.Ok();
    EXPECT_EQ(sent, (std::vector<std::string>{"ATE0V1+MCM=0", "ATE0V1+MCV=1", "ATE0V1+MCF=0"}));
    const auto p = d.r.Prompts();
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[1].text, "ERROR occured with \"ATE0V1+MCF=0\r\n\"");
    EXPECT_FALSE(d.r.ui->WaitCursor());
    // The dialog stays, and nothing reached the flash.
    EXPECT_TRUE(d.form.isVisible());
    d.PowerOn();
    EXPECT_EQ(d.Ask("+mvd?"), "60\r\n");
    // A duration that is no number stops the saving at its step.
    d.r.ui->ClearPrompts();
    d.form.EditDauer->setText("ninety");
    EXPECT_EQ(d.Ok(), (std::vector<std::string>{"ATE0V1+MCM=0", "ATE0V1+MCV=1", "ATE0V1+MCF=0"}));
    d.form.done(mrCancel);
}

TEST(Settings3comMsg, CancelAndTheCloseBoxSaveNothing) {
    Dialog d;
    d.Show();
    d.form.EditDauer->setText("90");
    std::size_t mark = d.r.Mark();
    QTest::mouseClick(d.form.ButtonCancel, Qt::LeftButton);
    EXPECT_EQ(d.form.result(), mrCancel);
    EXPECT_TRUE(d.r.Received(mark).empty());
    d.Show();
    d.form.EditDauer->setText("90");
    mark = d.r.Mark();
    d.form.close();
    EXPECT_FALSE(d.form.isVisible());
    EXPECT_TRUE(d.r.Received(mark).empty());
    EXPECT_EQ(d.Ask("+mvd?"), "60\r\n");
}

TEST(Settings3comMsg, ATollSaverTheModemRefusesIsNeitherShownNorSaved) {
    Dialog d("56k-pro", {"--error-on", "+mct?"});
    d.Show();
    EXPECT_FALSE(d.form.CheckBoxTollSaver->isEnabled());
    EXPECT_TRUE(d.form.EditAcousticRing->isEnabled());
    const auto sent = d.Ok();
    for (const std::string& line : sent) EXPECT_EQ(line.find("+MCT="), std::string::npos) << line;
    EXPECT_EQ(sent.back(), "ATE0V1+MCW");
}

TEST(Settings3comMsg, AnnouncementsAreRecordedAndPlayedWithTheWorkingNotice) {
    Dialog d;
    d.Show();
    TFormWork& work = *FormWork;
    std::vector<std::string> actions;
    std::size_t mark = d.r.Mark();
    // The user stops the recording after about a second.
    formstest::WhenShown([&] {
        actions.push_back(work.LabelAction->text().toStdString());
        dialogstest::Pump(1100);
        QTest::mouseClick(work.ButtonStop, Qt::LeftButton);
    });
    d.form.ButtonRecordNormal->click();
    EXPECT_EQ(d.r.ReceivedAtLeast(mark, 2), (std::vector<std::string>{"AT+MVR=0", "AT"}));
    // The modem plays what it recorded, and the notice ends with its OK.
    mark = d.r.Mark();
    int ticks = 0;
    formstest::WhenShown([&] {
        actions.push_back(work.LabelAction->text().toStdString());
        ticks = formstest::TickUntilClosed(work, 10);
    });
    d.form.ButtonPlayNormal->click();
    EXPECT_EQ(actions, (std::vector<std::string>{"Recording ...", "Playing ..."}));
    EXPECT_GE(ticks, 2);
    EXPECT_LT(ticks, 10);
    EXPECT_EQ(d.r.ReceivedAtLeast(mark, 2), (std::vector<std::string>{"ATE0V1s31=128+MVP=0", "AT"}));
    // As long as it was recorded: a started second counts whole.
    const auto lines = d.r.sim.TranscriptLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "playing for 2 s"), lines.end());
    EXPECT_TRUE(d.r.Prompts().empty());

    // The memory-full message in the same way, and no line is left over for
    // the settings that follow.
    mark = d.r.Mark();
    formstest::WhenShown([&] {
        dialogstest::Pump(300);
        QTest::mouseClick(work.ButtonStop, Qt::LeftButton);
    });
    d.form.ButtonRecordOutOfMem->click();
    EXPECT_EQ(d.r.Received(mark).front(), "AT+MVR=1");
    EXPECT_EQ(d.Ask("+mvd?"), "60\r\n");
    // It plays as message 255, as short as it was recorded.
    mark = d.r.Mark();
    formstest::WhenShown([&] { formstest::TickUntilClosed(work, 10); });
    d.form.ButtonPlayMemError->click();
    EXPECT_EQ(d.r.ReceivedAtLeast(mark, 2), (std::vector<std::string>{"ATE0V1s31=128+MVP=255", "AT"}));
    const auto after = d.r.sim.TranscriptLines();
    EXPECT_NE(std::find(after.begin() + static_cast<std::ptrdiff_t>(mark), after.end(), "playing for 1 s"), after.end());
    EXPECT_TRUE(d.r.Prompts().empty());
}

}  // namespace
