// The options dialog on the main window: what a showing offers, the enabling
// rules, the folder and file pickers, and OK writing every option in its
// order with the window taking them up.
#include "mainapp/PellowSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include "modem/ModemDialogs.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/StrUtils.h"
#include "support/WndProp.h"
#include "support/lumbraAutostart.h"
#include "tests/mainapp/MainTestKit.h"
#include "testkit/Launcher.h"

using namespace maintest;

namespace {

class PellowSettingsTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        TLumbraAutostart::ResetFirstWrite();
        modem->messages = {{MsgTypeVoice, MsgStatusOk, MsgStateOld, "0301 1234", "9 s", 0}};
    }
    void TearDown() override {
        dialog.reset();
        if (hook_) registry::RemoveChangeHook(hook_);
        MainWindowTest::TearDown();
    }

    // The window at start and its options dialog, shown.
    TFormPellowSettings& Show() {
        if (!form) Start();
        if (!dialog) dialog = std::make_unique<TFormPellowSettings>(form.get());
        dialog->show();
        return *dialog;
    }
    // Every value written or deleted from now on, as "name" (the autostart
    // value as "Run\<name>" or "-Run\<name>").
    void RecordWrites() {
        hook_ = registry::AddChangeHook([this](const registry::TRegChange& c) {
            if (c.Kind != registry::TRegChange::ValueWritten && c.Kind != registry::TRegChange::ValueDeleted) return;
            const bool run = SameText(c.Key, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
            if (!run && c.Key != PellowKey) return;
            const std::string deleted = c.Kind == registry::TRegChange::ValueDeleted ? "-" : "";
            writes.push_back(deleted + (run ? "Run\\" : "") + c.Value);
        });
    }
    void Ok() { QTest::mouseClick(dialog->ButtonOK, Qt::LeftButton); }
    static void Choose(QComboBox* List, const QString& Text) {
        const int i = List->findText(Text);
        ASSERT_GE(i, 0) << Text.toStdString();
        List->setCurrentIndex(i);
        emit List->activated(i);
    }

    std::unique_ptr<TFormPellowSettings> dialog;
    std::vector<std::string> writes;
    testkit::ScopedLaunches launches;

private:
    int hook_ = 0;
};

TEST_F(PellowSettingsTest, OkWritesEveryOptionInOrderAndTheWindowTakesThemUp) {
    TFormPellowSettings& d = Show();
    EXPECT_EQ(d.windowTitle(), "Settings Pellow");
    EXPECT_EQ(d.WndPropPellowSettings->Key(), std::string(PellowKey) + "\\PellowSettings");
    d.CheckBoxAutostart->click();
    d.CheckBoxAutorelease->click();
    d.CheckBoxQuickClose->click();
    d.CheckBoxAutoexit->click();
    d.CheckBoxAutoSaveNewFax->click();
    d.CheckBoxLogFile->click();
    d.EditLogFile->setText("/var/log/pellow.log");
    d.RadioButtonLanguageSelected->click();
    Choose(d.ComboBoxLanguageID, "German");
    Choose(d.ComboBoxBaudRate, "115200");
    d.RadioButtonCommPortFest->click();
    Choose(d.ComboBoxCommPort, "3");
    d.CheckBoxTypeShowText->click();
    form->SetStatusText("1 new message");
    modem->calls.clear();
    RecordWrites();
    Ok();

    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), mrOk);
    EXPECT_EQ(writes, (std::vector<std::string>{"Run\\Pellow", "AutoRelease", "AutoReleaseQuickClose", "AutoExit",
                                                "LogFile", "LogFileName", "FaxAutoSaveDir", "LanguageAuto",
                                                "LanguageID", "BaudRate", "CommPortAuto", "CommPort", "TypeShowText",
                                                "AutoSaveNewFax", "AutoPlayNewVoice"}));
    EXPECT_TRUE(RegReadBool("AutoRelease", PellowKey, false));
    EXPECT_TRUE(RegReadBool("AutoReleaseQuickClose", PellowKey, false));
    EXPECT_TRUE(RegReadBool("AutoExit", PellowKey, false));
    EXPECT_FALSE(RegReadBool("LogFile", PellowKey, true));
    EXPECT_FALSE(RegReadBool("LanguageAuto", PellowKey, true));
    EXPECT_EQ(RegReadInteger("LanguageID", PellowKey, 0), 7);
    EXPECT_EQ(RegReadInteger("BaudRate", PellowKey, 0), 115200);
    EXPECT_FALSE(RegReadBool("CommPortAuto", PellowKey, true));
    EXPECT_EQ(RegReadInteger("CommPort", PellowKey, 0), 3);
    EXPECT_TRUE(RegReadBool("TypeShowText", PellowKey, false));
    EXPECT_TRUE(RegReadBool("AutoSaveNewFax", PellowKey, false));
    EXPECT_FALSE(RegReadBool("AutoPlayNewVoice", PellowKey, true));
    std::string name;
    RegReadString("LogFileName", PellowKey, "", name);
    EXPECT_EQ(name, "/var/log/pellow.log");

    // The copies of the run follow, except those that act through the registry.
    EXPECT_TRUE(PellowOptions.AutoRelease);
    EXPECT_EQ(PellowOptions.LogFileName, "/var/log/pellow.log");
    EXPECT_EQ(PellowOptions.LanguageID, 7);
    EXPECT_TRUE(PellowOptions.TypeShowText);
    EXPECT_FALSE(PellowOptions.AutoSaveNewFax);
    // Autostart is on (the test's registry lets it go to the machine's keys).
    EXPECT_TRUE(form->LumbraAutostart->autostart());
    EXPECT_TRUE(files::FileExists(home.Path() + "/xdg-system/autostart/Pellow.desktop"));
    // The window speaks German now and has reloaded the list, with the type as text.
    EXPECT_EQ(form->ToolButtonMenuFile->text(), "&Datei");
    EXPECT_EQ(HeaderAt(0), "Typ");
    EXPECT_EQ(modem->calls, std::vector<std::string>{"Refresh"});
    EXPECT_EQ(Cell(0, 0), "Voice");
    EXPECT_EQ(form->StatusText(), "");
}

TEST_F(PellowSettingsTest, AShowingOffersTheOptions) {
    SetOption("BaudRate", 57600);
    detected = "";  // no modem on any port
    Start();
    PellowOptions.LanguageID = 2;
    PellowOptions.LanguageAuto = false;
    PellowOptions.FaxAutoSaveDir = "/srv/faxes";
    PellowOptions.LogFileName = "/srv/pellow.log";
    PellowOptions.AutoRelease = true;
    TFormPellowSettings& d = Show();
    EXPECT_EQ(d.ComboBoxLanguageID->currentIndex(), -1);
    EXPECT_TRUE(d.RadioButtonLanguageSelected->isChecked());
    EXPECT_EQ(d.ComboBoxBaudRate->currentText(), "57600");
    EXPECT_EQ(d.EditDautoSaveDir->text(), "/srv/faxes");
    EXPECT_FALSE(d.EditDautoSaveDir->isEnabled());
    EXPECT_EQ(d.EditLogFile->text(), "/srv/pellow.log");
    EXPECT_FALSE(d.CheckBoxAutostart->isChecked());
    // Automatic port search that found no modem: "1", not to be changed.
    EXPECT_EQ(PellowOptions.CommPort, -1);
    EXPECT_TRUE(d.RadioButtonCommPortAuto->isChecked());
    EXPECT_EQ(d.ComboBoxCommPort->currentText(), "1");
    EXPECT_FALSE(d.ComboBoxCommPort->isEnabled());

    // Autostart off: its options are off too, but Quick close follows Autorelease alone.
    EXPECT_TRUE(d.CheckBoxAutorelease->isChecked());
    for (QCheckBox* b : {d.CheckBoxAutorelease, d.CheckBoxAutoPlayNewVoice, d.CheckBoxAutoSaveNewFax, d.CheckBoxAutoexit})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_TRUE(d.CheckBoxQuickClose->isEnabled());
    d.CheckBoxAutostart->click();
    for (QCheckBox* b : {d.CheckBoxAutorelease, d.CheckBoxAutoPlayNewVoice, d.CheckBoxAutoSaveNewFax, d.CheckBoxAutoexit})
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    d.CheckBoxAutorelease->click();
    EXPECT_FALSE(d.CheckBoxQuickClose->isEnabled());
    d.CheckBoxLogFile->click();
    EXPECT_FALSE(d.EditLogFile->isEnabled());
    EXPECT_FALSE(d.ButtonLogFile->isEnabled());
    EXPECT_TRUE(d.ButtonViewLogfile->isEnabled());
    d.RadioButtonCommPortFest->click();
    EXPECT_TRUE(d.ComboBoxCommPort->isEnabled());

    // OK with no language chosen writes the language unchanged.
    Ok();
    EXPECT_EQ(RegReadInteger("LanguageID", PellowKey, 0), 2);
    EXPECT_EQ(form->ToolButtonMenuFile->text(), "&File");
}

TEST_F(PellowSettingsTest, TheDetectedPortIsOffered) {
    Start();
    PellowOptions.CommPort = 4;
    TFormPellowSettings& d = Show();
    EXPECT_EQ(d.ComboBoxCommPort->currentText(), "4");
}

TEST_F(PellowSettingsTest, ABaudRateNotOfTheListStopsOkAtItsStep) {
    SetOption("BaudRate", 9600);
    TFormPellowSettings& d = Show();
    EXPECT_EQ(d.ComboBoxBaudRate->currentIndex(), -1);
    d.RadioButtonLanguageSelected->click();
    Choose(d.ComboBoxLanguageID, "Spanish");
    RecordWrites();
    modem->calls.clear();
    Ok();
    // Autostart stays off: no value to delete.
    EXPECT_EQ(writes, (std::vector<std::string>{"AutoRelease", "AutoReleaseQuickClose", "AutoExit",
                                                "LogFile", "LogFileName", "FaxAutoSaveDir", "LanguageAuto",
                                                "LanguageID"}));
    const auto p = Prompts();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].text, "'' is not a valid integer value.");
    // Neither the language switch nor the reload came; the dialog closed all the same.
    EXPECT_EQ(form->ToolButtonMenuFile->text(), "&File");
    EXPECT_TRUE(modem->calls.empty());
    EXPECT_FALSE(d.isVisible());
}

TEST_F(PellowSettingsTest, TypedPortTextIsNotAChoice) {
    TFormPellowSettings& d = Show();
    d.RadioButtonCommPortFest->click();
    Choose(d.ComboBoxCommPort, "3");
    QTest::keyClicks(d.ComboBoxCommPort->lineEdit(), "7");
    EXPECT_EQ(d.SelectedCommPort(), -1);
    RecordWrites();
    Ok();
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(writes.back(), "CommPortAuto");
    ASSERT_EQ(Prompts().size(), 1u);
    EXPECT_EQ(Prompts()[0].text, "'' is not a valid integer value.");

    ui->ClearPrompts();
    d.show();
    d.RadioButtonCommPortFest->click();
    QTest::keyClicks(d.ComboBoxCommPort->lineEdit(), "9");
    Choose(d.ComboBoxCommPort, "5");
    Ok();
    EXPECT_TRUE(Prompts().empty());
    EXPECT_EQ(RegReadInteger("CommPort", PellowKey, 0), 5);
}

TEST_F(PellowSettingsTest, TheFaxFolderPickerTakesEffectAtOnce) {
    Start();
    PellowOptions.FaxAutoSaveDir = "/srv/faxes";
    TFormPellowSettings& d = Show();
    const struct {
        const char* answer;
        const char* folder;
    } cases[] = {
        {"/home/me/Faxes", "/home/me/Faxes/"},
        {"/", "/"},
        {"/home/me/Faxes/", "/home/me/Faxes/"},
        {"cancel", "/home/me/Faxes/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        ui->ClearPrompts();
        ui->Answer(c.answer);
        d.ButtonFaxSavePath->click();
        const auto p = Prompts();
        ASSERT_EQ(p.size(), 1u);
        EXPECT_EQ(p[0].kind, "folder");
        EXPECT_EQ(p[0].caption, "Save faxes into directory ...");
        EXPECT_EQ(PellowOptions.FaxAutoSaveDir, c.folder);
        EXPECT_EQ(d.EditDautoSaveDir->text().toStdString(), c.folder);
    }
    // No folder at all has no last character to look at: it stays empty.
    PellowOptions.FaxAutoSaveDir = "";
    ui->Answer("cancel");
    d.ButtonFaxSavePath->click();
    EXPECT_EQ(PellowOptions.FaxAutoSaveDir, "");
    EXPECT_EQ(d.EditDautoSaveDir->text(), "");
    // A cancelled picker keeps the folder it had, with the separator added.
    PellowOptions.FaxAutoSaveDir = "/srv/faxes";
    ui->Answer("cancel");
    d.ButtonFaxSavePath->click();
    EXPECT_EQ(PellowOptions.FaxAutoSaveDir, "/srv/faxes/");
    // Cancel leaves the folder in effect, but writes nothing.
    QTest::mouseClick(d.ButtonCancel, Qt::LeftButton);
    EXPECT_EQ(d.result(), mrCancel);
    EXPECT_EQ(PellowOptions.FaxAutoSaveDir, "/srv/faxes/");
    std::string stored;
    RegReadString("FaxAutoSaveDir", PellowKey, "(none)", stored);
    EXPECT_EQ(stored, "(none)");
}

TEST_F(PellowSettingsTest, TheLogFilePickerAndTheViewer) {
    Start();
    PellowOptions.LogFileName = "/srv/log/old.log";
    TFormPellowSettings& d = Show();
    ui->Answer("/srv/log/new.log");
    d.ButtonLogFile->click();
    auto p = Prompts();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].kind, "save");
    EXPECT_EQ(p[0].text, "/srv/log/old.log");
    EXPECT_EQ(d.EditLogFile->text(), "/srv/log/new.log");
    ui->Answer("cancel");
    d.ButtonLogFile->click();
    EXPECT_EQ(d.EditLogFile->text(), "/srv/log/new.log");
    // The viewer opens the log as last saved, in the desktop's editor.
    d.ButtonViewLogfile->click();
    EXPECT_EQ(launches.Calls(), std::vector<std::string>{"/srv/log/old.log"});
    Ok();
    d.show();
    d.ButtonViewLogfile->click();
    EXPECT_EQ(launches.Calls(), (std::vector<std::string>{"/srv/log/old.log", "/srv/log/new.log"}));
}

TEST_F(PellowSettingsTest, ALaterShowingOffersWhatOkWrote) {
    // The log runs and nothing is saved automatically in this run.
    Start();
    LogFileOn = true;
    TFormPellowSettings& d = Show();
    d.CheckBoxAutostart->click();
    d.CheckBoxLogFile->click();
    d.CheckBoxAutoSaveNewFax->click();
    d.CheckBoxAutoPlayNewVoice->click();
    d.RadioButtonCommPortFest->click();
    Choose(d.ComboBoxCommPort, "3");
    Ok();
    d.show();
    EXPECT_FALSE(d.CheckBoxLogFile->isChecked());
    EXPECT_TRUE(d.CheckBoxAutoSaveNewFax->isChecked());
    EXPECT_TRUE(d.CheckBoxAutoPlayNewVoice->isChecked());
    EXPECT_EQ(d.ComboBoxCommPort->currentText(), "3");
    Ok();
    EXPECT_FALSE(RegReadBool("LogFile", PellowKey, true));
    EXPECT_TRUE(RegReadBool("AutoSaveNewFax", PellowKey, false));
    EXPECT_TRUE(RegReadBool("AutoPlayNewVoice", PellowKey, false));
    EXPECT_EQ(RegReadInteger("CommPort", PellowKey, 0), 3);
    // They act at the next start, not in this run.
    EXPECT_TRUE(LogFileOn);
    EXPECT_FALSE(PellowOptions.AutoSaveNewFax);
}

}  // namespace
