#include "mainapp/PellowSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "mainapp/DialogKit.h"
#include "mainapp/Globals.h"
#include "mainapp/Main.h"
#include "modem/CommClass.h"
#include "modem/ModemDialogs.h"
#include "platform/QtUi.h"
#include "platform/Shell.h"
#include "platform/StrUtils.h"
#include "platform/UserDirs.h"
#include "support/Language.h"
#include "support/RegSave.h"
#include "support/WndProp.h"
#include "support/lumbraAutostart.h"

TFormPellowSettings* FormPellowSettings = nullptr;

using dialogkit::Make;
using dialogkit::Named;
using dialogkit::Q;
using dialogkit::S;

namespace {

// The folder part of a path, without its separator ("" when there is none).
std::string FolderOf(const std::string& Path) {
    const auto slash = Path.rfind('/');
    if (slash == std::string::npos) return "";
    return slash == 0 ? "/" : Path.substr(0, slash);
}

// The text of a list's item at Index; "" for no item, as an empty selection reads.
std::string ItemText(const QComboBox* List, int Index) {
    return Index >= 0 && Index < List->count() ? S(List->itemText(Index)) : std::string();
}

TFormMain& MainForm() {
    if (!FormMain) throw Exception("The options need the main window");
    return *FormMain;
}

TLumbraAutostart& Autostart() {
    TFormMain& main = MainForm();
    if (!main.LumbraAutostart) throw Exception("The main window has no autostart component");
    return *main.LumbraAutostart;
}

}  // namespace

TFormPellowSettings::TFormPellowSettings(QWidget* Owner) : QDialog(Owner) {
    WndPropPellowSettings = dialogkit::MakePlacement(this, "WndPropPellowSettings");
    setObjectName("FormPellowSettings");
    setWindowFlags(ui::DialogFrame());
    CreateControls();
    SaveDialogLogFile.defaultExt = "log";
    SaveDialogLogFile.filter = "*.log|*.log";
    FormCreate();
}

TFormPellowSettings::~TFormPellowSettings() {
    if (FormPellowSettings == this) FormPellowSettings = nullptr;
}

void TFormPellowSettings::CreateControls() {

    GroupBoxLanguage = Make<QGroupBox>(this, "GroupBoxLanguage");
    RadioButtonLanguageAuto = Make<QRadioButton>(GroupBoxLanguage, "RadioButtonLanguageAuto");
    RadioButtonLanguageSelected = Make<QRadioButton>(GroupBoxLanguage, "RadioButtonLanguageSelected");
    ComboBoxLanguageID = Make<QComboBox>(GroupBoxLanguage, "ComboBoxLanguageID");
    ComboBoxLanguageID->addItems({"English", "German", "Spanish"});
    ComboBoxLanguageID->setCurrentIndex(-1);
    auto* language = new QHBoxLayout(GroupBoxLanguage);
    language->addWidget(RadioButtonLanguageAuto);
    language->addWidget(RadioButtonLanguageSelected);
    language->addWidget(ComboBoxLanguageID, 1);

    GroupBoxStartOptions = Make<QGroupBox>(this, "GroupBoxStartOptions");
    CheckBoxAutostart = Make<QCheckBox>(GroupBoxStartOptions, "CheckBoxAutostart");
    CheckBoxAutorelease = Make<QCheckBox>(GroupBoxStartOptions, "CheckBoxAutorelease");
    CheckBoxQuickClose = Make<QCheckBox>(GroupBoxStartOptions, "CheckBoxQuickClose");
    CheckBoxAutoPlayNewVoice = Make<QCheckBox>(GroupBoxStartOptions, "CheckBoxAutoPlayNewVoice");
    CheckBoxAutoSaveNewFax = Make<QCheckBox>(GroupBoxStartOptions, "CheckBoxAutoSaveNewFax");
    EditDautoSaveDir = Make<QLineEdit>(GroupBoxStartOptions, "EditDautoSaveDir");
    EditDautoSaveDir->setEnabled(false);
    // Display only, in the colour of an inactive caption.
    QPalette inactive = EditDautoSaveDir->palette();
    inactive.setColor(QPalette::Disabled, QPalette::Base, QColor(191, 205, 219));
    inactive.setColor(QPalette::Disabled, QPalette::Text, Qt::black);
    EditDautoSaveDir->setPalette(inactive);
    EditDautoSaveDir->setMinimumWidth(180);
    ButtonFaxSavePath = Make<QPushButton>(GroupBoxStartOptions, "ButtonFaxSavePath");
    CheckBoxAutoexit = Make<QCheckBox>(GroupBoxStartOptions, "CheckBoxAutoexit");
    auto* start = new QGridLayout(GroupBoxStartOptions);
    start->addWidget(CheckBoxAutostart, 0, 0, 1, 3);
    start->addWidget(CheckBoxAutorelease, 1, 0);
    start->addWidget(CheckBoxQuickClose, 1, 1, 1, 2);
    start->addWidget(CheckBoxAutoPlayNewVoice, 2, 0, 1, 3);
    start->addWidget(CheckBoxAutoSaveNewFax, 3, 0);
    start->addWidget(EditDautoSaveDir, 3, 1);
    start->addWidget(ButtonFaxSavePath, 3, 2);
    start->addWidget(CheckBoxAutoexit, 4, 0, 1, 3);
    start->setColumnStretch(1, 1);
    // The options of autostart mode stand indented below the switch itself.
    for (QWidget* w : {static_cast<QWidget*>(CheckBoxAutorelease), static_cast<QWidget*>(CheckBoxAutoPlayNewVoice),
                       static_cast<QWidget*>(CheckBoxAutoSaveNewFax), static_cast<QWidget*>(CheckBoxAutoexit)})
        w->setContentsMargins(16, 0, 0, 0);

    GroupBoxLogFile = Make<QGroupBox>(this, "GroupBoxLogFile");
    CheckBoxLogFile = Make<QCheckBox>(GroupBoxLogFile, "CheckBoxLogFile");
    EditLogFile = Make<QLineEdit>(GroupBoxLogFile, "EditLogFile");
    // Room for a log file in the user's home folder, shown whole.
    EditLogFile->setMinimumWidth(dialogkit::WidthForChars(EditLogFile, 40, QLatin1Char('x')));
    ButtonLogFile = Make<QPushButton>(GroupBoxLogFile, "ButtonLogFile");
    ButtonViewLogfile = Make<QPushButton>(GroupBoxLogFile, "ButtonViewLogfile");
    auto* log = new QGridLayout(GroupBoxLogFile);
    log->addWidget(CheckBoxLogFile, 0, 0, 1, 3);
    log->addWidget(EditLogFile, 1, 0);
    log->addWidget(ButtonLogFile, 1, 1);
    log->addWidget(ButtonViewLogfile, 1, 2);
    log->setColumnStretch(0, 1);

    GroupBoxModem = Make<QGroupBox>(this, "GroupBoxModem");
    LabelCommPort = Make<QLabel>(GroupBoxModem, "LabelCommPort");
    RadioButtonCommPortAuto = Make<QRadioButton>(GroupBoxModem, "RadioButtonCommPortAuto");
    RadioButtonCommPortFest = Make<QRadioButton>(GroupBoxModem, "RadioButtonCommPortFest");
    ComboBoxCommPort = Make<QComboBox>(GroupBoxModem, "ComboBoxCommPort");
    ComboBoxCommPort->setEditable(true);
    ComboBoxCommPort->setInsertPolicy(QComboBox::NoInsert);
    for (int n = 1; n <= 16; ++n) ComboBoxCommPort->addItem(QString::number(n));
    LabelBaudRate = Make<QLabel>(GroupBoxModem, "LabelBaudRate");
    ComboBoxBaudRate = Make<QComboBox>(GroupBoxModem, "ComboBoxBaudRate");
    ComboBoxBaudRate->addItems({"19200", "38400", "56000", "57600", "115200"});
    ComboBoxBaudRate->setCurrentIndex(-1);
    auto* modem = new QGridLayout(GroupBoxModem);
    modem->addWidget(LabelCommPort, 0, 0);
    modem->addWidget(RadioButtonCommPortAuto, 0, 1);
    modem->addWidget(RadioButtonCommPortFest, 0, 2);
    modem->addWidget(ComboBoxCommPort, 0, 3);
    modem->addWidget(LabelBaudRate, 1, 0);
    modem->addWidget(ComboBoxBaudRate, 1, 1, 1, 3, Qt::AlignLeft);
    modem->setColumnStretch(4, 1);

    GroupBoxDisplay = Make<QGroupBox>(this, "GroupBoxDisplay");
    CheckBoxTypeShowText = Make<QCheckBox>(GroupBoxDisplay, "CheckBoxTypeShowText");
    (new QVBoxLayout(GroupBoxDisplay))->addWidget(CheckBoxTypeShowText);

    ButtonOK = Make<QPushButton>(this, "ButtonOK");
    ButtonOK->setDefault(true);
    ButtonCancel = Make<QPushButton>(this, "ButtonCancel");
    QHBoxLayout* buttons = dialogkit::ButtonRow(ButtonOK, ButtonCancel);

    auto* layout = new QVBoxLayout(this);
    for (QWidget* group : {GroupBoxLanguage, GroupBoxStartOptions, GroupBoxLogFile, GroupBoxModem, GroupBoxDisplay})
        layout->addWidget(group);
    layout->addStretch(1);
    layout->addLayout(buttons);

    using dialogkit::On;
    On(CheckBoxAutostart, &QCheckBox::clicked, this, [this] { CheckBoxAutostartClick(); });
    On(CheckBoxLogFile, &QCheckBox::clicked, this, [this] { CheckBoxLogFileClick(); });
    On(CheckBoxAutorelease, &QCheckBox::clicked, this, [this] { CheckBoxAutoreleaseClick(); });
    On(RadioButtonCommPortAuto, &QRadioButton::clicked, this, [this] { RadioButtonCommPortAutoClick(); });
    On(RadioButtonCommPortFest, &QRadioButton::clicked, this, [this] { RadioButtonCommPortAutoClick(); });
    On(ButtonLogFile, &QPushButton::clicked, this, [this] { ButtonLogFileClick(); });
    On(ButtonViewLogfile, &QPushButton::clicked, this, [this] { ButtonViewLogfileClick(); });
    On(ButtonFaxSavePath, &QPushButton::clicked, this, [this] { ButtonFaxSavePathClick(); });
    // OK's result is set before its handler runs: the dialog closes also
    // when the handler stops on an error, once that has been shown.
    connect(ButtonOK, &QPushButton::clicked, this, [this] {
        dialogkit::Guard([this] { ButtonOKClick(); });
        done(mrOk);
    });
    connect(ButtonCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
    // Typing into the port list leaves no item selected, as choosing one selects it.
    connect(ComboBoxCommPort->lineEdit(), &QLineEdit::textEdited, this, [this] { portTyped_ = true; });
    connect(ComboBoxCommPort, &QComboBox::activated, this, [this] { portTyped_ = false; });
}

void TFormPellowSettings::FormCreate() {
    WndPropPellowSettings->SetKey(std::string(PellowKey) + "\\PellowSettings");
}

int TFormPellowSettings::ShowModal() {
    setResult(mrNone);
    return exec();
}

void TFormPellowSettings::reject() { done(mrCancel); }

void TFormPellowSettings::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    if (!Event->spontaneous()) dialogkit::Guard([this] { FormShow(); });
}

int TFormPellowSettings::SelectedCommPort() const { return portTyped_ ? -1 : ComboBoxCommPort->currentIndex(); }

void TFormPellowSettings::SetCaptions() {
    const LanguageClass& l = *Lang;
    setWindowTitle(Q(l.OptCaption));
    GroupBoxLanguage->setTitle(Q(l.OptGroupBoxLanguage));
    RadioButtonLanguageAuto->setText(Q(l.OptRadioButtonLanguageAuto));
    RadioButtonLanguageSelected->setText(Q(l.OptRadioButtonLanguageSelected));
    GroupBoxStartOptions->setTitle(Q(l.OptGroupBoxStartOptions));
    CheckBoxAutostart->setText(Q(l.OptCheckBoxAutostart));
    CheckBoxAutorelease->setText(Q(l.OptCheckBoxAutorelease));
    CheckBoxQuickClose->setText(Q(l.OptCheckBoxQuickClose));
    CheckBoxAutoPlayNewVoice->setText(Q(l.OptCheckBoxAutoPlayNewVoice));
    CheckBoxAutoSaveNewFax->setText(Q(l.OptCheckBoxAutoSaveNewFax));
    ButtonFaxSavePath->setText(Q(l.OptButtonFaxSavePath));
    CheckBoxAutoexit->setText(Q(l.OptCheckBoxAutoexit));
    GroupBoxLogFile->setTitle(Q(l.OptGroupBoxLogFile));
    CheckBoxLogFile->setText(Q(l.OptCheckBoxLogFile));
    ButtonLogFile->setText(Q(l.OptButtonLogFile));
    ButtonViewLogfile->setText(Q(l.OptButtonViewLogfile));
    GroupBoxModem->setTitle(Q(l.OptGroupBoxModem));
    LabelCommPort->setText(Q(l.OptLabelCommPort));
    RadioButtonCommPortAuto->setText(Q(l.OptRadioButtonCommPortAuto));
    RadioButtonCommPortFest->setText(Q(l.OptRadioButtonCommPortFest));
    LabelBaudRate->setText(Q(l.OptLabelBaudRate));
    GroupBoxDisplay->setTitle(Q(l.OptGroupBoxDisplay));
    CheckBoxTypeShowText->setText(Q(l.OptCheckBoxTypeShowText));
    ButtonOK->setText(Q(l.OptButtonOK));
    ButtonCancel->setText(Q(l.OptButtonCancel));
}

void TFormPellowSettings::FormShow() {
    const TPellowOptions& o = PellowOptions;
    SetCaptions();
    CheckBoxTypeShowText->setChecked(o.TypeShowText);
    EditDautoSaveDir->setText(Q(o.FaxAutoSaveDir));
    CheckBoxAutostart->setChecked(Autostart().autostart());
    CheckBoxAutorelease->setChecked(o.AutoRelease);
    CheckBoxQuickClose->setChecked(o.AutoReleaseQuickClose);
    CheckBoxAutoexit->setChecked(o.AutoExit);
    CheckBoxLogFile->setChecked(writtenLogFile_.value_or(LogFileOn));
    CheckBoxAutoSaveNewFax->setChecked(writtenAutoSaveNewFax_.value_or(o.AutoSaveNewFax));
    CheckBoxAutoPlayNewVoice->setChecked(writtenAutoPlayNewVoice_.value_or(o.AutoPlayNewVoice));
    EditLogFile->setText(Q(o.LogFileName));
    // Two radio buttons of one group: checking one unchecks the other.
    (o.LanguageAuto ? RadioButtonLanguageAuto : RadioButtonLanguageSelected)->setChecked(true);
    for (int i = 0; i < 3; ++i)
        if (LanguageIds[i] == o.LanguageID) ComboBoxLanguageID->setCurrentIndex(i);
    const int baud = ComboBoxBaudRate->findText(QString::number(RegReadInteger("BaudRate", PellowKey, 57600)),
                                                Qt::MatchExactly);
    if (baud >= 0) ComboBoxBaudRate->setCurrentIndex(baud);
    ComboBoxCommPort->setCurrentIndex(0);
    const int port = ComboBoxCommPort->findText(QString::number(writtenCommPort_.value_or(o.CommPort)),
                                                Qt::MatchExactly);
    if (port >= 0) ComboBoxCommPort->setCurrentIndex(port);
    portTyped_ = false;
    const bool automatic = RegReadBool("CommPortAuto", PellowKey, true);
    (automatic ? RadioButtonCommPortAuto : RadioButtonCommPortFest)->setChecked(true);
    UpdateForm();
}

void TFormPellowSettings::UpdateForm() {
    const bool autostart = CheckBoxAutostart->isChecked();
    for (QCheckBox* b : {CheckBoxAutorelease, CheckBoxAutoPlayNewVoice, CheckBoxAutoSaveNewFax, CheckBoxAutoexit})
        b->setEnabled(autostart);
    CheckBoxQuickClose->setEnabled(CheckBoxAutorelease->isChecked());
    EditLogFile->setEnabled(CheckBoxLogFile->isChecked());
    ButtonLogFile->setEnabled(CheckBoxLogFile->isChecked());
    ComboBoxCommPort->setEnabled(RadioButtonCommPortFest->isChecked());
    ButtonFaxSavePath->setEnabled(true);
    ButtonViewLogfile->setEnabled(true);
}

void TFormPellowSettings::ButtonOKClick() {
    TPellowOptions& o = PellowOptions;
    Autostart().SetAutostart(CheckBoxAutostart->isChecked());
    MainForm().ClearStatusText();
    o.AutoRelease = CheckBoxAutorelease->isChecked();
    RegWriteBool(o.AutoRelease, "AutoRelease", PellowKey);
    o.AutoReleaseQuickClose = CheckBoxQuickClose->isChecked();
    RegWriteBool(o.AutoReleaseQuickClose, "AutoReleaseQuickClose", PellowKey);
    o.AutoExit = CheckBoxAutoexit->isChecked();
    RegWriteBool(o.AutoExit, "AutoExit", PellowKey);
    // The running program's log stays as it is until the next start.
    RegWriteBool(CheckBoxLogFile->isChecked(), "LogFile", PellowKey);
    writtenLogFile_ = CheckBoxLogFile->isChecked();
    o.LogFileName = S(EditLogFile->text());
    RegWriteString(o.LogFileName, "LogFileName", PellowKey);
    RegWriteString(o.FaxAutoSaveDir, "FaxAutoSaveDir", PellowKey);
    o.LanguageAuto = RadioButtonLanguageAuto->isChecked();
    RegWriteBool(o.LanguageAuto, "LanguageAuto", PellowKey);
    const int language = ComboBoxLanguageID->currentIndex();
    if (language >= 0 && language < 3) o.LanguageID = LanguageIds[language];
    RegWriteInteger(o.LanguageID, "LanguageID", PellowKey);
    RegWriteInteger(StrToInt(ItemText(ComboBoxBaudRate, ComboBoxBaudRate->currentIndex())), "BaudRate", PellowKey);
    RegWriteBool(RadioButtonCommPortAuto->isChecked(), "CommPortAuto", PellowKey);
    const int32_t port = StrToInt(ItemText(ComboBoxCommPort, SelectedCommPort()));
    RegWriteInteger(port, "CommPort", PellowKey);
    writtenCommPort_ = port;
    o.TypeShowText = CheckBoxTypeShowText->isChecked();
    RegWriteBool(o.TypeShowText, "TypeShowText", PellowKey);
    RegWriteBool(CheckBoxAutoSaveNewFax->isChecked(), "AutoSaveNewFax", PellowKey);
    writtenAutoSaveNewFax_ = CheckBoxAutoSaveNewFax->isChecked();
    RegWriteBool(CheckBoxAutoPlayNewVoice->isChecked(), "AutoPlayNewVoice", PellowKey);
    writtenAutoPlayNewVoice_ = CheckBoxAutoPlayNewVoice->isChecked();
    Lang->SetLanguage(o.LanguageAuto ? o.StartLanguageID : o.LanguageID);
    MainForm().ApplyLanguage();
    MainForm().ToolButtonReloadClick(this);
}

void TFormPellowSettings::ButtonLogFileClick() {
    ui::FileSpec spec = SaveDialogLogFile;
    spec.fileName = S(EditLogFile->text());
    spec.initialDir = FolderOf(spec.fileName);
    if (const auto chosen = ui::SaveFile(spec)) EditLogFile->setText(Q(*chosen));
}

void TFormPellowSettings::ButtonViewLogfileClick() {
    // The name as last saved, not the one being edited.
    shell::Execute("notepad.exe", "\"" + PellowOptions.LogFileName + "\"");
}

void TFormPellowSettings::ButtonFaxSavePathClick() {
    std::string& folder = PellowOptions.FaxAutoSaveDir;
    FaxDirBeforePicker = folder;
    const auto chosen = ui::BrowseFolder(Lang->OptFaxDirPickerCaption, userdirs::DesktopFolder());
    folder = chosen ? *chosen : FaxDirBeforePicker;
    // An empty folder has no last character to look at; it stays empty.
    if (!folder.empty() && folder.back() != '/') folder += '/';
    EditDautoSaveDir->setText(Q(folder));
}
