// The ELSA settings dialog against the simulated MicroLink Office: what a
// paint reads and how the replies are shown, what OK and Cancel send, and
// that no exchange ever starts while another runs.
#include "mainapp/SettingsElsaMLOffice.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

#include "mainapp/ModemDialogsRig.h"
#include "platform/App.h"
#include "platform/Exceptions.h"
#include "support/WndProp.h"

using dialogstest::RigElsa;

namespace {

const std::vector<std::string> kQueries = {"AT+GCI?",   "AT$JCFGF?", "AT$JCFGM?", "AT$JCFGT?",
                                           "AT$JCFGV?", "AT$JVGR?",  "AT$JVGT?",  "AT$JVGM?",
                                           "AT$JVGS?",  "AT$JFLI?",  "AT$JPWD?",  "AT$JRING?"};

struct Dialog {
    explicit Dialog(const std::string& Scenario = "[elsa]\n", std::vector<std::string> Extra = {})
        : r("elsa", Scenario, std::move(Extra)), form(*FormElsaMLOfficeSettings) {}
    // Shown and painted, with what the modem received meanwhile.
    std::vector<std::string> Show() {
        const std::size_t mark = r.Mark();
        form.show();
        Settle();
        return r.Received(mark);
    }
    // Events processed until the dialog has done what it was asked to.
    void Settle() {
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
    }
    std::vector<std::string> Click(QPushButton* Button) {
        const std::size_t mark = r.Mark();
        QTest::mouseClick(Button, Qt::LeftButton);
        Settle();
        return r.Received(mark);
    }
    RigElsa r;
    TFormElsaMLOfficeSettings& form;
};

TEST(ElsaReplies, TheValueFollowsTheColonAndOneCharacter) {
    const std::pair<const char*, const char*> values[] = {
        {"$JCFGF: 1,1\r\n", "1,1"},
        {"$JFLI: \"A:B\"\r\n", "\"A:B\""},
        {"$JVGT:128\r\n", "28"},
        {"$JPWD: 1,0,\"\"\r\n", "1,0,\"\""},
        {"$JCFGV:  0,3,,ADPCM4-7,1,0  \r\n", "0,3,,ADPCM4-7,1,0"},
        {"no colon\r\n", "o colon"},
        {"X:", ""},
        {"", ""},
    };
    for (const auto& [reply, value] : values) EXPECT_EQ(ElsaReplyValue(reply), value) << reply;
    const std::pair<const char*, int> codes[] = {
        {"+GCI: 04\r\n", 4}, {"+GCI: B4\r\n", 180}, {"+GCI: b4\r\n", 180}, {"42\r\n", 0x42}, {"+GCI: A6\r\n", 166},
    };
    for (const auto& [reply, code] : codes) EXPECT_EQ(ElsaCountryCode(reply), code) << reply;
    for (const char* bad : {"+GCI: 4\r\n", "+GCI: 0G\r\n", "\r\n", "", "+GCI: 04"})
        EXPECT_THROW(ElsaCountryCode(bad), EConvertError) << bad;
    EXPECT_EQ(ElsaUnquoted("\"FAX 1\""), "FAX 1");
    EXPECT_EQ(ElsaUnquoted("\""), "");
    EXPECT_EQ(ElsaVolumeText(255), "100 %");
    EXPECT_EQ(ElsaVolumeText(128), "50 %");
    EXPECT_EQ(ElsaVolumeText(0), "0 %");
}

TEST(SettingsElsaMLOffice, HasItsPagesListsAndTrackBars) {
    Dialog d;
    TFormElsaMLOfficeSettings& f = d.form;
    EXPECT_EQ(f.WndPropElsaOfficeSettings->Key(), "SOFTWARE\\Norvale\\Pellow\\Version 0.50\\ElsaOfficeSettings");
    ASSERT_EQ(f.ComboBoxCountry->count(), 15);
    EXPECT_EQ(f.ComboBoxCountry->itemText(0), "Austria");
    EXPECT_EQ(f.ComboBoxCountry->itemText(7), "Irland");
    EXPECT_EQ(f.ComboBoxCountry->itemText(14), "Switzerland");
    ASSERT_EQ(f.ComboBoxMaxDuration->count(), 31);
    EXPECT_EQ(f.ComboBoxMaxDuration->itemText(0), "infinite");
    EXPECT_EQ(f.ComboBoxMaxDuration->itemText(10), "150 s");
    EXPECT_EQ(f.ComboBoxMaxDuration->itemText(11), "165");
    EXPECT_EQ(f.ComboBoxMaxDuration->itemText(30), "450");
    ASSERT_EQ(f.ComboBoxMinDuration->count(), 16);
    EXPECT_EQ(f.ComboBoxMinDuration->itemText(15), "15 s");
    ASSERT_EQ(f.ComboBoxNoOfRings->count(), 8);
    EXPECT_EQ(f.ComboBoxNoOfRings->itemText(0), "2 x");
    EXPECT_EQ(f.ComboBoxAnoucement->itemText(3), "Msg Full");
    for (QSlider* bar : {f.TrackBarPlay, f.TrackBarRec, f.TrackBarSpeakerVolume, f.TrackBarMicroVolume}) {
        EXPECT_EQ(bar->minimum(), 0);
        EXPECT_EQ(bar->maximum(), 255);
        EXPECT_EQ(bar->tickInterval(), 16);
    }
    EXPECT_EQ(f.EditRemotePassword->echoMode(), QLineEdit::Password);
    d.Show();
    EXPECT_EQ(f.windowTitle(), "Settings ELSA ML Office");
    EXPECT_EQ(f.PageControl1->tabText(0), "&General");
    EXPECT_EQ(f.CheckBoxHangOfEvenIfMemoryFull->text(), "Hook of, even Memory full");
}

TEST(SettingsElsaMLOffice, APaintReadsTheModemAndTheRepliesFillTheControls) {
    Dialog d("[settings]\ngci = 3D\ncfgf = 1,0\ncfgm = 0,1,0,2\ncfgt = 1,0,0,1,0,1\ncfgv = \"0,3,,ADPCM4-7,1,0\"\n"
             "vgt = 255\nvgr = 128\nvgs = 0\nvgm = 64\nfli = \"\\\"FAX 1\\\"\"\npwd = \"0,1,\\\"4711\\\"\"\n"
             "ring = 4,1,0,1\n");
    EXPECT_EQ(d.Show(), kQueries);
    TFormElsaMLOfficeSettings& f = d.form;
    EXPECT_EQ(f.ComboBoxCountry->currentText(), "France");
    EXPECT_TRUE(f.CheckBoxFaxTakeOver->isChecked());
    EXPECT_FALSE(f.CheckBoxAWOnOff->isChecked());
    EXPECT_FALSE(f.CheckBoxPlaySystemMessages->isChecked());
    EXPECT_TRUE(f.CheckBoxPlayCallerID->isChecked());
    EXPECT_FALSE(f.CheckBoxPlayTimeOfMessage->isChecked());
    EXPECT_EQ(f.ComboBoxAnoucement->currentText(), "Msg #3");
    EXPECT_TRUE(f.CheckBoxReceiveFax->isChecked());
    EXPECT_FALSE(f.CheckBoxReceiveVoice->isChecked());
    EXPECT_TRUE(f.CheckBoxOnlyPlayAnnouncement->isChecked());  // field 3 is not 1
    EXPECT_TRUE(f.CheckBoxHookConf->isChecked());
    EXPECT_FALSE(f.CheckBoxDTMFConf->isChecked());
    EXPECT_TRUE(f.CheckBoxCompatibleMode->isChecked());
    // 0,3,,ADPCM4-7,1,0
    EXPECT_EQ(f.ComboBoxMaxDuration->currentText(), "infinite");
    EXPECT_EQ(f.ComboBoxMinDuration->currentText(), "3 s");
    EXPECT_EQ(f.ComboBoxMessageQuality->currentText(), "medium");
    EXPECT_TRUE(f.CheckBoxRecVoice->isChecked());
    EXPECT_FALSE(f.CheckBoxVoiceReceiveMonitor->isChecked());
    EXPECT_EQ(f.TrackBarPlay->value(), 255);
    EXPECT_EQ(f.LabelVolumePlay->text(), "100 %");
    EXPECT_EQ(f.TrackBarRec->value(), 128);
    EXPECT_EQ(f.LabelVolumeRec->text(), "50 %");
    EXPECT_EQ(f.LabelSpeakerVolume->text(), "0 %");
    EXPECT_EQ(f.LabelMicroVolume->text(), "25 %");
    EXPECT_EQ(f.EditFaxID->text(), "FAX 1");
    EXPECT_FALSE(f.CheckBoxRemoteControl->isChecked());
    EXPECT_TRUE(f.CheckBoxRemoteConfiguration->isChecked());
    EXPECT_EQ(f.EditRemotePassword->text(), "4711");
    EXPECT_EQ(f.ComboBoxNoOfRings->currentText(), "4 x");
    EXPECT_TRUE(f.CheckBoxAccousticRing->isChecked());
    EXPECT_FALSE(f.CheckBoxRingIndication->isChecked());
    EXPECT_TRUE(f.CheckBoxTollSaver->isChecked());
    EXPECT_TRUE(d.r.Prompts().empty());
    f.done(mrCancel);
}

TEST(SettingsElsaMLOffice, CodesOutsideTheListsSelectNothing) {
    Dialog d("[settings]\ngci = 42\ncfgv = \"30,15,,PCM8L-7,0,1\"\nring = 1,0,0,0\ncfgm = 1,1,1,3\n");
    d.Show();
    TFormElsaMLOfficeSettings& f = d.form;
    EXPECT_EQ(f.ComboBoxCountry->currentIndex(), -1);
    EXPECT_EQ(f.ComboBoxNoOfRings->currentIndex(), -1);
    EXPECT_EQ(f.ComboBoxMaxDuration->currentText(), "450");
    EXPECT_EQ(f.ComboBoxMinDuration->currentText(), "15 s");
    EXPECT_EQ(f.ComboBoxMessageQuality->currentText(), "high");
    EXPECT_EQ(f.ComboBoxAnoucement->currentText(), "Msg Full");
    // Saving with nothing chosen: no country command, and rings 1.
    const auto sent = d.Click(f.ButtonOK);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front(), "AT$JCFGF=1,1");
    EXPECT_NE(std::find(sent.begin(), sent.end(), "AT$JRING=1,0,0,0"), sent.end());
}

TEST(SettingsElsaMLOffice, OkAndCancelSendEveryValueInOrder) {
    Dialog d;
    std::vector<std::string> all = d.Show();
    const std::vector<std::string> saving = {"AT+GCI=04",
                                             "AT$JCFGF=1,1",
                                             "AT$JCFGM=1,0,1,0",
                                             "AT$JCFGT=1,1,1,0,1,0",
                                             "AT$JCFGV=0,3,,ADPCM4-7,1,0",
                                             "AT$JFLI=\"ELSA MicroLink\"",
                                             "AT$JPWD=1,0,\"1234\"",
                                             "AT$JRING=4,1,1,0",
                                             "AT$JVGT=128",
                                             "AT$JVGR=128",
                                             "AT$JVGS=192",
                                             "AT$JVGM=160"};
    const auto ok = d.Click(d.form.ButtonOK);
    EXPECT_EQ(ok, saving);
    EXPECT_FALSE(d.form.isVisible());
    EXPECT_EQ(d.form.result(), mrOk);
    all.insert(all.end(), ok.begin(), ok.end());
    std::vector<std::string> whole = kQueries;
    whole.insert(whole.end(), saving.begin(), saving.end());
    EXPECT_EQ(all, whole);

    d.Show();
    EXPECT_EQ(d.Click(d.form.ButtonCancel), saving);
    EXPECT_EQ(d.form.result(), mrCancel);
    // The close box alone sends nothing.
    d.Show();
    const std::size_t mark = d.r.Mark();
    d.form.close();
    d.Settle();
    EXPECT_TRUE(d.r.Received(mark).empty());
    EXPECT_TRUE(d.r.Prompts().empty());
}

TEST(SettingsElsaMLOffice, WhatTheUserChangedIsSavedAndARepaintBringsTheModemsValueBack) {
    Dialog d;
    d.Show();
    TFormElsaMLOfficeSettings& f = d.form;
    ASSERT_TRUE(f.CheckBoxAWOnOff->isChecked());
    f.CheckBoxAWOnOff->click();
    f.TrackBarPlay->setValue(200);
    EXPECT_EQ(f.LabelVolumePlay->text(), "78 %");
    // Changing the controls is no paint of the form's own surface.
    d.Settle();
    EXPECT_EQ(f.LoadRuns(), 1);
    EXPECT_FALSE(f.CheckBoxAWOnOff->isChecked());
    // The form uncovered again: its surface is painted, the modem read again.
    const std::size_t mark = d.r.Mark();
    f.repaint();
    EXPECT_TRUE(d.r.Received(mark).empty()) << "no exchange inside the paint";
    d.Settle();
    EXPECT_EQ(d.r.Received(mark), kQueries);
    EXPECT_TRUE(f.CheckBoxAWOnOff->isChecked());
    EXPECT_EQ(f.TrackBarPlay->value(), 128);
    // Changed once more and saved.
    f.CheckBoxAWOnOff->click();
    f.EditFaxID->setText("Office 2");
    const auto sent = d.Click(f.ButtonOK);
    EXPECT_NE(std::find(sent.begin(), sent.end(), "AT$JCFGF=1,0"), sent.end());
    EXPECT_NE(std::find(sent.begin(), sent.end(), "AT$JFLI=\"Office 2\""), sent.end());
    std::string text;
    d.r.comm.QueryLines("AT$JFLI?", "test", text);
    EXPECT_EQ(text, "$JFLI: \"Office 2\"\r\n");
}

TEST(SettingsElsaMLOffice, NoExchangeStartsWhileAnotherRuns) {
    // A modem slow to answer, so that each reading run is still waiting
    // when the window's messages come through.
    Dialog d("[elsa]\n", {"--settings-ms", "150"});
    TFormElsaMLOfficeSettings& f = d.form;
    int pumps = 0;
    app::SetPumpObserver([&] {
        if (!f.Exchanging()) return;
        ++pumps;
        // Covered and uncovered again and again while it reads (a bounded
        // number of times, so that runs piling up would end), and OK pressed.
        if (pumps <= 20) f.repaint();
        if (pumps == 3) QTest::mouseClick(f.ButtonOK, Qt::LeftButton);
    });
    const std::size_t mark = d.r.Mark();
    f.show();
    for (int i = 0; i < 200 && f.isVisible(); ++i) dialogstest::Pump(20);
    app::SetPumpObserver({});
    EXPECT_GT(pumps, 3);
    EXPECT_EQ(f.LoadRuns(), 1);
    // The reading run ended, then the saving ran, then the dialog closed.
    const auto received = d.r.Received(mark);
    ASSERT_EQ(received.size(), kQueries.size() + 12);
    EXPECT_EQ(std::vector<std::string>(received.begin(), received.begin() + 12), kQueries);
    EXPECT_EQ(received[12], "AT+GCI=04");
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.result(), mrOk);
}

TEST(SettingsElsaMLOffice, ARefusedSetCommandStopsTheSavingAndIsShown) {
    Dialog d("[elsa]\n", {"--error-on", "$JCFGT="});
    d.Show();
    const auto sent = d.Click(d.form.ButtonOK);
    EXPECT_EQ(sent, (std::vector<std::string>{"AT+GCI=04", "AT$JCFGF=1,1", "AT$JCFGM=1,0,1,0", "AT$JCFGT=1,1,1,0,1,0"}));
    const auto p = d.r.Prompts();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].text, "ERROR occured with \"AT$JCFGT=1,1,1,0,1,0\"");
    // OK's result stood before the saving began.
    EXPECT_FALSE(d.form.isVisible());
}

TEST(SettingsElsaMLOffice, AReadingRunEndsAtAFailureAndTheControlsKeepWhatTheyHad) {
    Dialog d("[settings]\nvgr = 99\n", {"--error-on", "$JVGT?"});
    TFormElsaMLOfficeSettings& f = d.form;
    f.TrackBarRec->setValue(7);
    const auto received = d.Show();
    EXPECT_EQ(received, std::vector<std::string>(kQueries.begin(), kQueries.begin() + 7));
    // The country came before the failure; nothing of the other replies did.
    EXPECT_EQ(f.ComboBoxCountry->currentText(), "Germany");
    EXPECT_EQ(f.TrackBarRec->value(), 7);
    const auto p = d.r.Prompts();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].text, "ERROR occured with \"AT$JVGT?\"");
    EXPECT_TRUE(f.isVisible());
    f.done(mrCancel);
}

TEST(SettingsElsaMLOffice, NeitherButtonWritesControlsThatNoReadingRunOfTheShowingFilled) {
    for (const bool ok : {true, false}) {
        Dialog d("[settings]\nvgr = 99\n", {"--error-on", "$JVGT?"});
        d.Show();
        ASSERT_EQ(d.r.Prompts().size(), 1u);
        EXPECT_EQ(d.Click(ok ? d.form.ButtonOK : d.form.ButtonCancel), std::vector<std::string>{}) << ok;
        EXPECT_FALSE(d.form.isVisible());
        EXPECT_EQ(d.form.result(), ok ? mrOk : mrCancel);
        EXPECT_EQ(d.r.Prompts().size(), 1u);
    }
}

TEST(SettingsElsaMLOffice, NorDoTheyWriteWhatAnEarlierShowingRead) {
    Dialog d;
    EXPECT_EQ(d.Show(), kQueries);
    EXPECT_EQ(d.Click(d.form.ButtonCancel).size(), 12u);
    // Another modem on the port, one whose reading run fails: the controls
    // still hold the first modem's values, which this one never gave.
    d.r.sim.Kill();
    testkit::ModemSim other(testkit::PortLink(2), {"--model", "elsa", "--error-on", "$JVGT?"});
    const auto sets = [&other] {
        long n = 0;
        for (const std::string& line : other.TranscriptLines())
            n += line.rfind("AT", 0) == 0 && line.find('=') != std::string::npos;
        return n;
    };
    d.form.show();
    d.Settle();
    ASSERT_EQ(d.r.Prompts().size(), 1u);
    EXPECT_EQ(d.r.Prompts()[0].text, "ERROR occured with \"AT$JVGT?\"");
    QTest::mouseClick(d.form.ButtonOK, Qt::LeftButton);
    d.Settle();
    EXPECT_FALSE(d.form.isVisible());
    EXPECT_EQ(sets(), 0);
    EXPECT_EQ(d.r.Prompts().size(), 1u);
}

TEST(SettingsElsaMLOffice, AQueryThatNeverEndsIsGivenUpAsTheChannelBoundsIt) {
    // The modem keeps silent on one query: the channel gives up after its
    // quiet lines (some seconds), and the run ends there.
    Dialog d("[elsa]\n", {"--silent", "--fault-on", "$JCFGM?"});
    const auto received = d.Show();
    EXPECT_EQ(received, std::vector<std::string>(kQueries.begin(), kQueries.begin() + 3));
    const auto p = d.r.Prompts();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].text, "ERROR occured with \"AT$JCFGM?\"");
    EXPECT_FALSE(d.form.Exchanging());
    // The next paint tries again, and the modem answers it.
    EXPECT_TRUE(d.form.isVisible());
    d.form.done(mrCancel);
}

}  // namespace
