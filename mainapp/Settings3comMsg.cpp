#include "mainapp/Settings3comMsg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <functional>
#include <vector>

#include "mainapp/DialogKit.h"
#include "mainapp/Globals.h"
#include "modem/CommClass.h"
#include "modem/Modem.h"
#include "modem/ModemDialogs.h"
#include "modem/StatusSink.h"
#include "platform/StrUtils.h"
#include "platform/Ui.h"
#include "support/Language.h"
#include "support/Unit2.h"
#include "support/WndProp.h"

TForm3ComMsgSettings* Form3ComMsgSettings = nullptr;

using dialogkit::Make;
using dialogkit::Named;
using dialogkit::Q;
using dialogkit::S;

namespace {

constexpr const char* kEnd = "\r\n";

std::string Bit(bool On) { return On ? "1" : "0"; }

// The main window's status text panel, as the window offers it to the modem layer.
void Status(const std::string& Text) { StatusSink().SetPanelText(1, Text); }

}  // namespace

TForm3ComMsgSettings::TForm3ComMsgSettings(QWidget* Owner) : TModemForm(Owner) {
    WndProp3comSettings = dialogkit::MakePlacement(this, "WndProp3comSettings");
    setObjectName("Form3ComMsgSettings");
    CreateControls();
    FormCreate();
}

TForm3ComMsgSettings::~TForm3ComMsgSettings() {
    if (Form3ComMsgSettings == this) Form3ComMsgSettings = nullptr;
}

void TForm3ComMsgSettings::CreateControls() {

    GroupBoxReceive = Make<QGroupBox>(this, "GroupBoxReceive");
    CheckBoxVoice = Make<QCheckBox>(GroupBoxReceive, "CheckBoxVoice");
    CheckBoxVoice->setToolTip("Enable voice recording");
    CheckBoxFax = Make<QCheckBox>(GroupBoxReceive, "CheckBoxFax");
    CheckBoxFax->setToolTip("Enable Fax reception");
    LabelDauer = Make<QLabel>(GroupBoxReceive, "LabelDauer");
    EditDauer = Make<QLineEdit>(GroupBoxReceive, "EditDauer");
    EditDauer->setToolTip("Duration of voice recording: 1-255 sec, 0=infenite");
    EditDauer->setMinimumWidth(dialogkit::WidthForChars(EditDauer, 3));
    EditDauer->setMaximumWidth(60);
    LabelSekunden = Make<QLabel>(GroupBoxReceive, "LabelSekunden");
    LabelFaxkennung = Make<QLabel>(GroupBoxReceive, "LabelFaxkennung");
    EditFaxkennung = Make<QLineEdit>(GroupBoxReceive, "EditFaxkennung");
    EditFaxkennung->setMaxLength(20);
    EditFaxkennung->setToolTip("The Fax ID of the faxmodem");
    // A fax ID is digits, "+" and blanks: room for the longest whole.
    EditFaxkennung->setMinimumWidth(dialogkit::WidthForChars(EditFaxkennung, 20));
    auto* receive = new QGridLayout(GroupBoxReceive);
    receive->addWidget(CheckBoxVoice, 0, 0);
    receive->addWidget(CheckBoxFax, 0, 1, 1, 2);
    receive->addWidget(LabelDauer, 1, 0);
    receive->addWidget(EditDauer, 1, 1);
    receive->addWidget(LabelSekunden, 1, 2);
    receive->addWidget(LabelFaxkennung, 2, 0);
    receive->addWidget(EditFaxkennung, 2, 1, 1, 2);
    receive->setColumnStretch(2, 1);

    GroupBoxRemoteControl = Make<QGroupBox>(this, "GroupBoxRemoteControl");
    CheckBoxFernabfrage = Make<QCheckBox>(GroupBoxRemoteControl, "CheckBoxFernabfrage");
    CheckBoxFernabfrage->setToolTip("Enable remote control");
    LabelFernabfragePasswort = Make<QLabel>(GroupBoxRemoteControl, "LabelFernabfragePasswort");
    EditFernabfragePasswort = Make<QLineEdit>(GroupBoxRemoteControl, "EditFernabfragePasswort");
    EditFernabfragePasswort->setMaxLength(4);
    EditFernabfragePasswort->setEchoMode(QLineEdit::Password);
    EditFernabfragePasswort->setToolTip("Password for remote control. Only digits are allowed!");
    EditFernabfragePasswort->setFixedWidth(dialogkit::WidthForChars(EditFernabfragePasswort, 4));
    auto* remote = new QHBoxLayout(GroupBoxRemoteControl);
    remote->addWidget(CheckBoxFernabfrage);
    remote->addStretch(1);
    remote->addWidget(LabelFernabfragePasswort);
    remote->addWidget(EditFernabfragePasswort);

    GroupBoxAnnouncement = Make<QGroupBox>(this, "GroupBoxAnnouncement");
    LabelNormal = Make<QLabel>(GroupBoxAnnouncement, "LabelNormal");
    ButtonPlayNormal = Make<QPushButton>(GroupBoxAnnouncement, "ButtonPlayNormal");
    ButtonRecordNormal = Make<QPushButton>(GroupBoxAnnouncement, "ButtonRecordNormal");
    LabelMemFull = Make<QLabel>(GroupBoxAnnouncement, "LabelMemFull");
    ButtonPlayMemError = Make<QPushButton>(GroupBoxAnnouncement, "ButtonPlayMemError");
    ButtonRecordOutOfMem = Make<QPushButton>(GroupBoxAnnouncement, "ButtonRecordOutOfMem");
    auto* announcement = new QGridLayout(GroupBoxAnnouncement);
    announcement->addWidget(LabelNormal, 0, 0);
    announcement->addWidget(ButtonPlayNormal, 0, 1);
    announcement->addWidget(ButtonRecordNormal, 0, 2);
    announcement->addWidget(LabelMemFull, 1, 0);
    announcement->addWidget(ButtonPlayMemError, 1, 1);
    announcement->addWidget(ButtonRecordOutOfMem, 1, 2);
    announcement->setColumnStretch(0, 1);

    GroupBoxOptions = Make<QGroupBox>(this, "GroupBoxOptions");
    LabelKlingelzeichen = Make<QLabel>(GroupBoxOptions, "LabelKlingelzeichen");
    ComboBoxKlingelzeichen = Make<QComboBox>(GroupBoxOptions, "ComboBoxKlingelzeichen");
    ComboBoxKlingelzeichen->setEditable(true);
    ComboBoxKlingelzeichen->setInsertPolicy(QComboBox::NoInsert);
    ComboBoxKlingelzeichen->addItems({"3", "4", "5", "6"});
    ComboBoxKlingelzeichen->setCurrentText("3");
    ComboBoxKlingelzeichen->setToolTip("Number of the after the AW answers a call");
    CheckBoxMonitor = Make<QCheckBox>(GroupBoxOptions, "CheckBoxMonitor");
    CheckBoxMonitor->setToolTip("Turn on Speaker/Headset to monitor a current voice recording");
    auto* options = new QGridLayout(GroupBoxOptions);
    options->addWidget(LabelKlingelzeichen, 0, 0);
    options->addWidget(ComboBoxKlingelzeichen, 0, 1);
    options->addWidget(CheckBoxMonitor, 1, 0, 1, 3);
    options->setColumnStretch(2, 1);

    GroupBoxMessagePro = Make<QGroupBox>(this, "GroupBoxMessagePro");
    CheckBoxTollSaver = Make<QCheckBox>(GroupBoxMessagePro, "CheckBoxTollSaver");
    CheckBoxTollSaver->setToolTip("See documentation");
    LabelAcousticRing = Make<QLabel>(GroupBoxMessagePro, "LabelAcousticRing");
    EditAcousticRing = Make<QLineEdit>(GroupBoxMessagePro, "EditAcousticRing");
    EditAcousticRing->setText("0");
    EditAcousticRing->setToolTip("Volume of ring Signal; 0 = off");
    EditAcousticRing->setMinimumWidth(dialogkit::WidthForChars(EditAcousticRing, 3));
    EditAcousticRing->setMaximumWidth(60);
    auto* pro = new QHBoxLayout(GroupBoxMessagePro);
    pro->addWidget(CheckBoxTollSaver);
    pro->addStretch(1);
    pro->addWidget(LabelAcousticRing);
    pro->addWidget(EditAcousticRing);

    ButtonOK = Make<QPushButton>(this, "ButtonOK");
    ButtonOK->setDefault(true);
    ButtonCancel = Make<QPushButton>(this, "ButtonCancel");
    QHBoxLayout* buttons = dialogkit::ButtonRow(ButtonOK, ButtonCancel);

    auto* grid = new QGridLayout(this);
    grid->addWidget(GroupBoxReceive, 0, 0);
    grid->addWidget(GroupBoxRemoteControl, 1, 0);
    grid->addWidget(GroupBoxAnnouncement, 0, 1);
    grid->addWidget(GroupBoxOptions, 1, 1);
    grid->addWidget(GroupBoxMessagePro, 2, 0, 1, 2);
    grid->setRowStretch(3, 1);
    grid->addLayout(buttons, 4, 0, 1, 2);

    using dialogkit::On;
    On(ButtonPlayNormal, &QPushButton::clicked, this, [this] { ButtonPlayNormalClick(); });
    On(ButtonPlayMemError, &QPushButton::clicked, this, [this] { ButtonPlayMemErrorClick(); });
    On(ButtonRecordNormal, &QPushButton::clicked, this, [this] { ButtonRecordNormalClick(); });
    On(ButtonRecordOutOfMem, &QPushButton::clicked, this, [this] { ButtonRecordOutOfMemClick(); });
    connect(ButtonOK, &QPushButton::clicked, this, [this] { done(mrOk); });
    connect(ButtonCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
}

void TForm3ComMsgSettings::FormCreate() {
    WndProp3comSettings->SetKey(std::string(PellowKey) + "\\3comSettings");
}

// --- the queries and set methods

bool TForm3ComMsgSettings::IsTollsaverEnabled() {
    return Comm().QueryFlag(std::string("ATE0V1+mct?") + kEnd, "Get info: Tollsaver?");
}
void TForm3ComMsgSettings::SetTollsaverEnabled(bool On) {
    Comm().ExecuteCommand("ATE0V1+MCT=" + Bit(On) + kEnd, "Set: Tollsaver=" + Bit(On));
}

int TForm3ComMsgSettings::GetAcousticRing() {
    return Comm().QueryInteger(std::string("ATE0V1+mcg?") + kEnd, "Get info: AcousticRing?");
}
void TForm3ComMsgSettings::SetAcousticRing(int Value) {
    if (Value != GetAcousticRing()) Comm().ExecuteCommand("ATE0V1+MCG=" + IntToStr(Value) + kEnd, "Set acoustic ring");
}

bool TForm3ComMsgSettings::IsRecVoice() {
    return Comm().QueryFlag(std::string("ATE0V1+mcv?") + kEnd, "Get info: RecVoice?");
}
void TForm3ComMsgSettings::SetRecVoice(bool On) {
    Comm().ExecuteCommand("ATE0V1+MCV=" + Bit(On) + kEnd, "Set: Voice=" + Bit(On));
}

bool TForm3ComMsgSettings::IsRecFax() {
    return Comm().QueryFlag(std::string("ATE0V1+mcf?") + kEnd, "Get info: RecFax?");
}
void TForm3ComMsgSettings::SetRecFax(bool On) {
    Comm().ExecuteCommand("ATE0V1+MCF=" + Bit(On) + kEnd, "Set: Fax=" + Bit(On));
}

int TForm3ComMsgSettings::GetRecDauer() {
    return Comm().QueryInteger(std::string("ATE0V1+mvd?") + kEnd, "Get info: RecDuration?");
}
void TForm3ComMsgSettings::SetRecDauer(int Seconds) {
    if (Seconds != GetRecDauer())
        Comm().ExecuteCommand("ATE0V1+MVD=" + IntToStr(Seconds) + kEnd, "Set: RecDauer=" + IntToStr(Seconds));
}

std::string TForm3ComMsgSettings::GetFaxKennung() {
    std::string reply;
    Comm().QueryLines(std::string("ATE0V1+MFI?") + kEnd, "Get info: Faxkennung", reply);
    // The opening quote, and the closing quote with the line end.
    return reply.size() > 4 ? reply.substr(1, reply.size() - 4) : std::string();
}
void TForm3ComMsgSettings::SetFaxKennung(const std::string& Id) {
    if (Id != GetFaxKennung()) Comm().ExecuteCommand("ATE0V1+MFI=\"" + Id + "\"" + kEnd, "Set Faxkennnung");
}

bool TForm3ComMsgSettings::IsRemoteEnabled() {
    return Comm().QueryFlag(std::string("ATE0V1+mcd?") + kEnd, "Get info: IsRemote?");
}
void TForm3ComMsgSettings::SetRemoteEnabled(bool On) {
    Comm().ExecuteCommand("ATE0V1+MCD=" + Bit(On) + kEnd, "Set: Remote=" + Bit(On));
}

std::string TForm3ComMsgSettings::GetRemotePassword() {
    std::string reply;
    try {
        Comm().QueryLines(std::string("ATE0V1+MCP?") + kEnd, "Get info: RemotePassword?", reply);
    } catch (const EAbort&) {
        throw;
    } catch (const std::exception&) {
        return "";
    }
    return reply.size() > 2 ? reply.substr(0, reply.size() - 2) : std::string();
}
void TForm3ComMsgSettings::SetRemotePassword(const std::string& Password) {
    if (Password != GetRemotePassword())
        Comm().ExecuteCommand("ATE0V1+MCP=" + Password + kEnd, "Set remote password");
}

int TForm3ComMsgSettings::GetKlingelNo() {
    return Comm().QueryInteger(std::string("ATE0V1+mcr?") + kEnd, "Get info: KlingelNo?");
}
void TForm3ComMsgSettings::SetKlingelNo(int Rings) {
    if (Rings != GetKlingelNo()) Comm().ExecuteCommand("ATE0V1+MCR=" + IntToStr(Rings) + kEnd, "Set KlingelNo");
}

bool TForm3ComMsgSettings::IsMonitor() {
    return Comm().QueryFlag(std::string("ATE0V1+mcm?") + kEnd, "Get info: Monitor?");
}
void TForm3ComMsgSettings::SetMonitor(bool On) {
    Comm().ExecuteCommand("ATE0V1+MCM=" + Bit(On) + kEnd, "Set: Monitor=" + Bit(On));
}

void TForm3ComMsgSettings::WriteOptions() {
    Comm().ExecuteCommand(std::string("ATE0V1+MCW") + kEnd, "Save options to flash memory");
}

// --- showing and saving

void TForm3ComMsgSettings::SetCaptions() {
    const LanguageClass& l = *Lang;
    setWindowTitle(Q(l.Com3Caption));
    GroupBoxReceive->setTitle(Q(l.Com3GroupBoxReceive));
    GroupBoxRemoteControl->setTitle(Q(l.Com3GroupBoxRemoteControl));
    GroupBoxAnnouncement->setTitle(Q(l.Com3GroupBoxAnnouncement));
    GroupBoxOptions->setTitle(Q(l.Com3GroupBoxOptions));
    GroupBoxMessagePro->setTitle(Q(l.Com3GroupBoxMessagePro));
    CheckBoxVoice->setText(Q(l.Com3CheckBoxVoice));
    CheckBoxFax->setText(Q(l.Com3CheckBoxFax));
    LabelDauer->setText(Q(l.Com3LabelDauer));
    LabelSekunden->setText(Q(l.Com3LabelSekunden));
    LabelFaxkennung->setText(Q(l.Com3LabelFaxkennung));
    CheckBoxFernabfrage->setText(Q(l.Com3CheckBoxFernabfrage));
    LabelFernabfragePasswort->setText(Q(l.Com3LabelFernabfragePasswort));
    LabelNormal->setText(Q(l.Com3LabelNormal));
    LabelMemFull->setText(Q(l.Com3LabelMemFull));
    ButtonPlayNormal->setText(Q(l.Com3ButtonPlayNormal));
    ButtonRecordNormal->setText(Q(l.Com3ButtonRecordNormal));
    ButtonPlayMemError->setText(Q(l.Com3ButtonPlayMemError));
    ButtonRecordOutOfMem->setText(Q(l.Com3ButtonRecordOutOfMem));
    LabelKlingelzeichen->setText(Q(l.Com3LabelKlingelzeichen));
    CheckBoxMonitor->setText(Q(l.Com3CheckBoxMonitor));
    CheckBoxTollSaver->setText(Q(l.Com3CheckBoxTollSaver));
    LabelAcousticRing->setText(Q(l.Com3LabelAcousticRing));
    ButtonOK->setText(Q(l.Com3ButtonOK));
    ButtonCancel->setText(Q(l.Com3ButtonCancel));
}

namespace {

// The settings in the order the dialog reads them.
enum { kTollSaver, kAcousticRing, kVoice, kFax, kDuration, kFaxId, kRemote, kPassword, kRings, kMonitor, kCount };
// The order they are saved in.
constexpr int kSaveOrder[kCount] = {kMonitor,  kVoice, kFax,          kDuration, kFaxId,
                                    kRemote, kPassword, kRings, kAcousticRing, kTollSaver};

}  // namespace

void TForm3ComMsgSettings::FormShow() {
    SetCaptions();
    auto number = [](QLineEdit* e, int v) { e->setText(QString::number(v)); };
    const std::vector<std::pair<std::vector<QWidget*>, std::function<void()>>> loads = {
        {{CheckBoxTollSaver}, [this] { CheckBoxTollSaver->setChecked(IsTollsaverEnabled()); }},
        {{EditAcousticRing, LabelAcousticRing}, [&] { number(EditAcousticRing, GetAcousticRing()); }},
        {{CheckBoxVoice}, [this] { CheckBoxVoice->setChecked(IsRecVoice()); }},
        {{CheckBoxFax}, [this] { CheckBoxFax->setChecked(IsRecFax()); }},
        {{EditDauer, LabelDauer, LabelSekunden}, [&] { number(EditDauer, GetRecDauer()); }},
        {{EditFaxkennung, LabelFaxkennung}, [this] { EditFaxkennung->setText(Q(GetFaxKennung())); }},
        {{CheckBoxFernabfrage}, [this] { CheckBoxFernabfrage->setChecked(IsRemoteEnabled()); }},
        {{EditFernabfragePasswort, LabelFernabfragePasswort},
         [this] { EditFernabfragePasswort->setText(Q(GetRemotePassword())); }},
        {{ComboBoxKlingelzeichen, LabelKlingelzeichen},
         [this] { ComboBoxKlingelzeichen->setCurrentText(QString::number(GetKlingelNo())); }},
        {{CheckBoxMonitor}, [this] { CheckBoxMonitor->setChecked(IsMonitor()); }},
    };
    Exchange([&] {
        for (const auto& [controls, load] : loads) {
            for (QWidget* w : controls) w->setEnabled(true);
            // A setting the modem does not answer is one it does not have.
            try {
                load();
            } catch (const EAbort&) {
                throw;
            } catch (const std::exception&) {
                for (QWidget* w : controls) w->setEnabled(false);
            }
        }
    });
}

void TForm3ComMsgSettings::Save() {
    // The cursor and the notice go on every way out, an error included.
    const ui::WaitCursor hourglass;
    const auto notice = ShowWaitMessage("Please wait!\rSaving settings");
    const struct {
        const char* name;
        QWidget* control;
        std::function<void()> save;
    } settings[kCount] = {
        {"Toll Saver", CheckBoxTollSaver, [this] { SetTollsaverEnabled(CheckBoxTollSaver->isChecked()); }},
        {"Acoustic Ring", EditAcousticRing, [this] { SetAcousticRing(StrToInt(S(EditAcousticRing->text()))); }},
        {"Voice", CheckBoxVoice, [this] { SetRecVoice(CheckBoxVoice->isChecked()); }},
        {"Fax", CheckBoxFax, [this] { SetRecFax(CheckBoxFax->isChecked()); }},
        {"Duration", EditDauer, [this] { SetRecDauer(StrToInt(S(EditDauer->text()))); }},
        {"FAX ID", EditFaxkennung, [this] { SetFaxKennung(S(EditFaxkennung->text())); }},
        {"Remote Control", CheckBoxFernabfrage, [this] { SetRemoteEnabled(CheckBoxFernabfrage->isChecked()); }},
        {"Remote Password", EditFernabfragePasswort,
         [this] { SetRemotePassword(S(EditFernabfragePasswort->text())); }},
        {"Rings", ComboBoxKlingelzeichen, [this] { SetKlingelNo(StrToInt(S(ComboBoxKlingelzeichen->currentText()))); }},
        {"Monitor", CheckBoxMonitor, [this] { SetMonitor(CheckBoxMonitor->isChecked()); }},
    };
    for (int i : kSaveOrder) {
        Status(std::string("Save Option \"") + settings[i].name + "\"");
        if (settings[i].control->isEnabled()) settings[i].save();
    }
    Status("Save to NVRAM");
    WriteOptions();
    Status("");
}

void TForm3ComMsgSettings::FormClose(int Result) {
    if (Result == mrOk) Save();
}

bool TForm3ComMsgSettings::Closing(int Result) {
    // An error stops the saving and keeps the dialog open.
    Exchange([&] { FormClose(Result); });
    return true;
}

void TForm3ComMsgSettings::showEvent(QShowEvent* Event) {
    TModemForm::showEvent(Event);
    if (!Event->spontaneous()) dialogkit::Guard([this] { FormShow(); });
}

// --- the announcements

void TForm3ComMsgSettings::ButtonPlayNormalClick() {
    ExchangeUnlessBusy([] { Modem().PlayMsg(0); });
}

void TForm3ComMsgSettings::ButtonPlayMemErrorClick() {
    ExchangeUnlessBusy([] { Modem().PlayMsg(255); });
}

void TForm3ComMsgSettings::RecAnoucement(const std::string& Command, const std::string& Description) {
    ExchangeUnlessBusy([&] {
        TCommClass& comm = Comm();
        comm.SendCommand(Command + kEnd, Description);
        ModemDialogs().SetWorkingAction("Recording ...");
        ModemDialogs().ShowWorkingNotice();
        comm.SendCommand(std::string("AT") + kEnd, "Quit Rec");
        comm.WaitOKNow();
    });
}

void TForm3ComMsgSettings::RecAnoucementStandard() { RecAnoucement("AT+MVR=0", "Rec Ansage Standard"); }

void TForm3ComMsgSettings::RecAnoucementFull() { RecAnoucement("AT+MVR=1", "Rec Ansage Full"); }
