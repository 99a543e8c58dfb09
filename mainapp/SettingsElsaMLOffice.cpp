#include "mainapp/SettingsElsaMLOffice.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <cctype>
#include <cstdio>
#include <tuple>

#include "mainapp/DialogKit.h"
#include "mainapp/Globals.h"
#include "modem/CommClass.h"
#include "platform/App.h"
#include "platform/StrUtils.h"
#include "support/Language.h"
#include "support/Unit2.h"
#include "support/WndProp.h"

TFormElsaMLOfficeSettings* FormElsaMLOfficeSettings = nullptr;

const TElsaCountry ElsaCountries[15] = {
    {"Austria", 10},        {"Belgium", 15}, {"Denmark", 49},      {"Finland", 60},     {"France", 61},
    {"Germany", 4},         {"Great Britain", 180}, {"Irland", 87}, {"Island", 82},     {"Italy", 89},
    {"Luxemburg", 105},     {"Netherlands", 120}, {"Norway", 130},  {"Sweden", 165},    {"Switzerland", 166},
};

using dialogkit::Make;
using dialogkit::Named;
using dialogkit::Q;
using dialogkit::S;

std::string ElsaReplyValue(const std::string& Reply) {
    const std::size_t colon = Reply.find(':');
    const std::size_t start = colon == std::string::npos ? 1 : colon + 2;
    return start >= Reply.size() ? std::string() : Trim(Reply.substr(start));
}

int ElsaCountryCode(const std::string& Reply) {
    const std::string digits = Reply.size() >= 4 ? Reply.substr(Reply.size() - 4, 2) : std::string();
    const bool hex = digits.size() == 2 && std::isxdigit(static_cast<unsigned char>(digits[0])) &&
                     std::isxdigit(static_cast<unsigned char>(digits[1]));
    if (!hex) throw EConvertError("'" + digits + "' is not a valid integer value");
    return StrToInt("$" + digits);
}

std::string ElsaUnquoted(const std::string& Text) {
    return Text.size() >= 2 ? Text.substr(1, Text.size() - 2) : std::string();
}

std::string ElsaVolumeText(int Position) { return IntToStr(Position * 100 / 255) + " %"; }

namespace {

// The voice formats of the quality list, in its order.
const char* const kQualities[3] = {"ADPCM2-7", "ADPCM4-7", "PCM8L-7"};

int FieldInt(const std::string& Value, int N) { return GetFieldInt(Value, N); }
bool Flag(const std::string& Value, int N) { return GetFieldInt(Value, N) == 1; }
std::string Field(const std::string& Value, int N) {
    std::string f;
    GetField(Value, N, f);
    return f;
}
std::string Bit(const QCheckBox* Box) { return Box->isChecked() ? "1" : "0"; }

// A list position from the modem; one outside the list selects nothing.
void Select(QComboBox* List, int Position) { List->setCurrentIndex(Position >= 0 && Position < List->count() ? Position : -1); }

QComboBox* DropDown(QWidget* Parent, const char* Name, const QStringList& Items) {
    auto* list = Named(new QComboBox(Parent), Name);
    list->addItems(Items);
    list->setCurrentIndex(-1);
    return list;
}

QSlider* TrackBar(QWidget* Parent, const char* Name) {
    auto* bar = Named(new QSlider(Qt::Horizontal, Parent), Name);
    bar->setRange(0, 255);
    bar->setTickInterval(16);
    bar->setTickPosition(QSlider::TicksBelow);
    bar->setPageStep(16);
    return bar;
}

}  // namespace

TFormElsaMLOfficeSettings::TFormElsaMLOfficeSettings(QWidget* Owner) : TModemForm(Owner) {
    WndPropElsaOfficeSettings = dialogkit::MakePlacement(this, "WndPropElsaOfficeSettings");
    setObjectName("FormElsaMLOfficeSettings");
    CreateControls();
    FormCreate();
}

TFormElsaMLOfficeSettings::~TFormElsaMLOfficeSettings() {
    if (FormElsaMLOfficeSettings == this) FormElsaMLOfficeSettings = nullptr;
}

void TFormElsaMLOfficeSettings::CreateControls() {
    PageControl1 = Make<QTabWidget>(this, "PageControl1");
    // Every page's tab shows whole, the form grows to hold them.
    PageControl1->setUsesScrollButtons(false);
    PageControl1->setElideMode(Qt::ElideNone);
    CreateGeneralPage();
    CreateVoicePage();
    CreateOtherPages();

    PanelOKCancel = Make<QWidget>(this, "PanelOKCancel");
    ButtonOK = Make<QPushButton>(PanelOKCancel, "ButtonOK");
    ButtonOK->setDefault(true);
    ButtonCancel = Make<QPushButton>(PanelOKCancel, "ButtonCancel");
    QHBoxLayout* buttons = dialogkit::ButtonRow(ButtonOK, ButtonCancel);
    buttons->setContentsMargins(0, 0, 0, 0);
    PanelOKCancel->setLayout(buttons);

    // The pages and the panel paint their whole area themselves, so that a
    // control changing on them is no paint of the form's own surface.
    for (QWidget* w : {static_cast<QWidget*>(PageControl1), PanelOKCancel}) w->setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1, 1);
    layout->addWidget(PanelOKCancel);
    SetAlign(PageControl1, TAlign::alClient);
    SetAlign(PanelOKCancel, TAlign::alBottom);

    connect(ButtonOK, &QPushButton::clicked, this, [this] { ButtonClick(mrOk); });
    connect(ButtonCancel, &QPushButton::clicked, this, [this] { ButtonClick(mrCancel); });
    using dialogkit::On;
    On(TrackBarPlay, &QSlider::valueChanged, this, [this] { TrackBarPlayChange(); });
    On(TrackBarRec, &QSlider::valueChanged, this, [this] { TrackBarRecChange(); });
    On(TrackBarSpeakerVolume, &QSlider::valueChanged, this, [this] { TrackBarSpeakerVolumeChange(); });
    On(TrackBarMicroVolume, &QSlider::valueChanged, this, [this] { TrackBarMicroVolumeChange(); });
}

void TFormElsaMLOfficeSettings::CreateGeneralPage() {
    TabSheetGeneral = Named(new QWidget, "TabSheetGeneral");
    PageControl1->addTab(TabSheetGeneral, QString());
    GroupBoxAWOnOff = Make<QGroupBox>(TabSheetGeneral, "GroupBoxAWOnOff");
    CheckBoxAWOnOff = Make<QCheckBox>(GroupBoxAWOnOff, "CheckBoxAWOnOff");
    CheckBoxReceiveVoice = Make<QCheckBox>(GroupBoxAWOnOff, "CheckBoxReceiveVoice");
    CheckBoxReceiveFax = Make<QCheckBox>(GroupBoxAWOnOff, "CheckBoxReceiveFax");
    CheckBoxHangOfEvenIfMemoryFull = Make<QCheckBox>(GroupBoxAWOnOff, "CheckBoxHangOfEvenIfMemoryFull");
    auto* answering = new QVBoxLayout(GroupBoxAWOnOff);
    for (QWidget* w : {CheckBoxAWOnOff, CheckBoxReceiveVoice, CheckBoxReceiveFax, CheckBoxHangOfEvenIfMemoryFull})
        answering->addWidget(w);

    GroupBoxRing = Make<QGroupBox>(TabSheetGeneral, "GroupBoxRing");
    QStringList rings;
    for (int n = 2; n <= 9; ++n) rings << QString::number(n) + " x";
    ComboBoxNoOfRings = DropDown(GroupBoxRing, "ComboBoxNoOfRings", rings);
    CheckBoxAccousticRing = Make<QCheckBox>(GroupBoxRing, "CheckBoxAccousticRing");
    CheckBoxPlayCallerID = Make<QCheckBox>(GroupBoxRing, "CheckBoxPlayCallerID");
    ComboBoxAnoucement = DropDown(GroupBoxRing, "ComboBoxAnoucement", {"Msg #1", "Msg #2", "Msg #3", "Msg Full"});
    CheckBoxTollSaver = Make<QCheckBox>(GroupBoxRing, "CheckBoxTollSaver");
    auto* ring = new QGridLayout(GroupBoxRing);
    ring->addWidget(ComboBoxNoOfRings, 0, 0);
    ring->addWidget(CheckBoxAccousticRing, 0, 1);
    ring->addWidget(ComboBoxAnoucement, 1, 0);
    ring->addWidget(CheckBoxPlayCallerID, 1, 1);
    ring->addWidget(CheckBoxTollSaver, 2, 1);
    ring->setColumnStretch(1, 1);

    GroupBoxOptions = Make<QGroupBox>(TabSheetGeneral, "GroupBoxOptions");
    CheckBoxPlaySystemMessages = Make<QCheckBox>(GroupBoxOptions, "CheckBoxPlaySystemMessages");
    CheckBoxCompatibleMode = Make<QCheckBox>(GroupBoxOptions, "CheckBoxCompatibleMode");
    auto* options = new QVBoxLayout(GroupBoxOptions);
    options->addWidget(CheckBoxPlaySystemMessages);
    options->addWidget(CheckBoxCompatibleMode);

    auto* page = new QGridLayout(TabSheetGeneral);
    page->addWidget(GroupBoxAWOnOff, 0, 0, 2, 1);
    page->addWidget(GroupBoxRing, 0, 1);
    page->addWidget(GroupBoxOptions, 1, 1);
    page->setRowStretch(2, 1);
}

void TFormElsaMLOfficeSettings::CreateVoicePage() {
    TabSheetVoice = Named(new QWidget, "TabSheetVoice");
    PageControl1->addTab(TabSheetVoice, QString());
    GroupBoxVoiceVolume = Make<QGroupBox>(TabSheetVoice, "GroupBoxVoiceVolume");
    LabelPlay = Make<QLabel>(GroupBoxVoiceVolume, "LabelPlay");
    TrackBarPlay = TrackBar(GroupBoxVoiceVolume, "TrackBarPlay");
    LabelVolumePlay = Make<QLabel>(GroupBoxVoiceVolume, "LabelVolumePlay");
    LabelRec = Make<QLabel>(GroupBoxVoiceVolume, "LabelRec");
    TrackBarRec = TrackBar(GroupBoxVoiceVolume, "TrackBarRec");
    LabelVolumeRec = Make<QLabel>(GroupBoxVoiceVolume, "LabelVolumeRec");
    auto* volume = new QGridLayout(GroupBoxVoiceVolume);
    volume->addWidget(LabelPlay, 0, 0);
    volume->addWidget(TrackBarPlay, 0, 1);
    volume->addWidget(LabelVolumePlay, 0, 2);
    volume->addWidget(LabelRec, 1, 0);
    volume->addWidget(TrackBarRec, 1, 1);
    volume->addWidget(LabelVolumeRec, 1, 2);
    volume->setColumnStretch(1, 1);
    // Room for "100 %" before any value is there.
    for (QLabel* l : {LabelVolumePlay, LabelVolumeRec})
        l->setMinimumWidth(l->fontMetrics().horizontalAdvance("100 %") + 4);

    GroupBoxMessage = Make<QGroupBox>(TabSheetVoice, "GroupBoxMessage");
    ComboBoxMessageQuality = DropDown(GroupBoxMessage, "ComboBoxMessageQuality", {"low", "medium", "high"});
    QStringList minimum;
    for (int s = 0; s <= 15; ++s) minimum << QString::number(s) + " s";
    ComboBoxMinDuration = DropDown(GroupBoxMessage, "ComboBoxMinDuration", minimum);
    QStringList maximum{"infinite"};
    for (int s = 15; s <= 450; s += 15) maximum << (s <= 150 ? QString::number(s) + " s" : QString::number(s));
    ComboBoxMaxDuration = DropDown(GroupBoxMessage, "ComboBoxMaxDuration", maximum);
    CheckBoxPlayTimeOfMessage = Make<QCheckBox>(GroupBoxMessage, "CheckBoxPlayTimeOfMessage");
    CheckBoxVoiceReceiveMonitor = Make<QCheckBox>(GroupBoxMessage, "CheckBoxVoiceReceiveMonitor");
    CheckBoxOnlyPlayAnnouncement = Make<QCheckBox>(GroupBoxMessage, "CheckBoxOnlyPlayAnnouncement");
    auto* message = new QGridLayout(GroupBoxMessage);
    message->addWidget(ComboBoxMessageQuality, 0, 0);
    message->addWidget(ComboBoxMinDuration, 0, 1);
    message->addWidget(ComboBoxMaxDuration, 0, 2);
    message->addWidget(CheckBoxPlayTimeOfMessage, 1, 0, 1, 3);
    message->addWidget(CheckBoxVoiceReceiveMonitor, 2, 0, 1, 3);
    message->addWidget(CheckBoxOnlyPlayAnnouncement, 3, 0, 1, 3);

    auto* page = new QVBoxLayout(TabSheetVoice);
    page->addWidget(GroupBoxVoiceVolume);
    page->addWidget(GroupBoxMessage);
    page->addStretch(1);
}

void TFormElsaMLOfficeSettings::CreateOtherPages() {
    TabSheetFax = Named(new QWidget, "TabSheetFax");
    PageControl1->addTab(TabSheetFax, QString());
    GroupBoxFax = Make<QGroupBox>(TabSheetFax, "GroupBoxFax");
    FaxID = Make<QLabel>(GroupBoxFax, "FaxID");
    EditFaxID = Make<QLineEdit>(GroupBoxFax, "EditFaxID");
    CheckBoxFaxTakeOver = Make<QCheckBox>(GroupBoxFax, "CheckBoxFaxTakeOver");
    auto* fax = new QGridLayout(GroupBoxFax);
    fax->addWidget(FaxID, 0, 0);
    fax->addWidget(EditFaxID, 0, 1);
    fax->addWidget(CheckBoxFaxTakeOver, 1, 0, 1, 2);
    (new QVBoxLayout(TabSheetFax))->addWidget(GroupBoxFax, 0, Qt::AlignTop);

    TabSheetRemote = Named(new QWidget, "TabSheetRemote");
    PageControl1->addTab(TabSheetRemote, QString());
    GroupBoxDialIn = Make<QGroupBox>(TabSheetRemote, "GroupBoxDialIn");
    CheckBoxRemoteControl = Make<QCheckBox>(GroupBoxDialIn, "CheckBoxRemoteControl");
    CheckBoxRemoteConfiguration = Make<QCheckBox>(GroupBoxDialIn, "CheckBoxRemoteConfiguration");
    LabelPassword = Make<QLabel>(GroupBoxDialIn, "LabelPassword");
    EditRemotePassword = Make<QLineEdit>(GroupBoxDialIn, "EditRemotePassword");
    EditRemotePassword->setEchoMode(QLineEdit::Password);
    auto* dialIn = new QGridLayout(GroupBoxDialIn);
    dialIn->addWidget(CheckBoxRemoteControl, 0, 0, 1, 2);
    dialIn->addWidget(CheckBoxRemoteConfiguration, 1, 0, 1, 2);
    dialIn->addWidget(LabelPassword, 2, 0);
    dialIn->addWidget(EditRemotePassword, 2, 1);
    GroupBoxLocalPhone = Make<QGroupBox>(TabSheetRemote, "GroupBoxLocalPhone");
    CheckBoxHookConf = Make<QCheckBox>(GroupBoxLocalPhone, "CheckBoxHookConf");
    CheckBoxDTMFConf = Make<QCheckBox>(GroupBoxLocalPhone, "CheckBoxDTMFConf");
    auto* local = new QVBoxLayout(GroupBoxLocalPhone);
    local->addWidget(CheckBoxHookConf);
    local->addWidget(CheckBoxDTMFConf);
    auto* remote = new QVBoxLayout(TabSheetRemote);
    remote->addWidget(GroupBoxDialIn);
    remote->addWidget(GroupBoxLocalPhone);
    remote->addStretch(1);

    TabSheetSpeakFree = Named(new QWidget, "TabSheetSpeakFree");
    PageControl1->addTab(TabSheetSpeakFree, QString());
    GroupBoxSpeakFree = Make<QGroupBox>(TabSheetSpeakFree, "GroupBoxSpeakFree");
    LabelMicro = Make<QLabel>(GroupBoxSpeakFree, "LabelMicro");
    TrackBarMicroVolume = TrackBar(GroupBoxSpeakFree, "TrackBarMicroVolume");
    LabelMicroVolume = Make<QLabel>(GroupBoxSpeakFree, "LabelMicroVolume");
    LabelSpeaker = Make<QLabel>(GroupBoxSpeakFree, "LabelSpeaker");
    TrackBarSpeakerVolume = TrackBar(GroupBoxSpeakFree, "TrackBarSpeakerVolume");
    LabelSpeakerVolume = Make<QLabel>(GroupBoxSpeakFree, "LabelSpeakerVolume");
    CheckBoxRecVoice = Make<QCheckBox>(GroupBoxSpeakFree, "CheckBoxRecVoice");
    auto* speak = new QGridLayout(GroupBoxSpeakFree);
    speak->addWidget(LabelMicro, 0, 0);
    speak->addWidget(TrackBarMicroVolume, 0, 1);
    speak->addWidget(LabelMicroVolume, 0, 2);
    speak->addWidget(LabelSpeaker, 1, 0);
    speak->addWidget(TrackBarSpeakerVolume, 1, 1);
    speak->addWidget(LabelSpeakerVolume, 1, 2);
    speak->addWidget(CheckBoxRecVoice, 2, 0, 1, 3);
    speak->setColumnStretch(1, 1);
    for (QLabel* l : {LabelMicroVolume, LabelSpeakerVolume})
        l->setMinimumWidth(l->fontMetrics().horizontalAdvance("100 %") + 4);
    (new QVBoxLayout(TabSheetSpeakFree))->addWidget(GroupBoxSpeakFree, 0, Qt::AlignTop);

    TabSheetModem = Named(new QWidget, "TabSheetModem");
    PageControl1->addTab(TabSheetModem, QString());
    GroupBoxCountry = Make<QGroupBox>(TabSheetModem, "GroupBoxCountry");
    LabelCountry = Make<QLabel>(GroupBoxCountry, "LabelCountry");
    ComboBoxCountry = DropDown(GroupBoxCountry, "ComboBoxCountry", {});
    CheckBoxRingIndication = Make<QCheckBox>(GroupBoxCountry, "CheckBoxRingIndication");
    auto* country = new QGridLayout(GroupBoxCountry);
    country->addWidget(LabelCountry, 0, 0);
    country->addWidget(ComboBoxCountry, 0, 1);
    country->addWidget(CheckBoxRingIndication, 1, 0, 1, 2);
    country->setColumnStretch(1, 1);
    (new QVBoxLayout(TabSheetModem))->addWidget(GroupBoxCountry, 0, Qt::AlignTop);
}

void TFormElsaMLOfficeSettings::FormCreate() {
    WndPropElsaOfficeSettings->SetKey(std::string(PellowKey) + "\\ElsaOfficeSettings");
    for (const TElsaCountry& c : ElsaCountries) ComboBoxCountry->addItem(c.name);
    ComboBoxCountry->setCurrentIndex(-1);
}

void TFormElsaMLOfficeSettings::SetCaptions() {
    const LanguageClass& l = *Lang;
    setWindowTitle(Q(l.ElsaCaption));
    const std::pair<QWidget*, const std::string*> tabs[] = {
        {TabSheetGeneral, &l.ElsaTabSheetGeneral}, {TabSheetVoice, &l.ElsaTabSheetVoice},
        {TabSheetFax, &l.ElsaTabSheetFax},         {TabSheetRemote, &l.ElsaTabSheetRemote},
        {TabSheetSpeakFree, &l.ElsaTabSheetSpeakFree}, {TabSheetModem, &l.ElsaTabSheetModem},
    };
    for (const auto& [page, text] : tabs) PageControl1->setTabText(PageControl1->indexOf(page), Q(*text));
    const std::pair<QGroupBox*, const std::string*> groups[] = {
        {GroupBoxAWOnOff, &l.ElsaGroupBoxAWOnOff},       {GroupBoxRing, &l.ElsaGroupBoxRing},
        {GroupBoxOptions, &l.ElsaGroupBoxOptions},       {GroupBoxVoiceVolume, &l.ElsaGroupBoxVoiceVolume},
        {GroupBoxMessage, &l.ElsaGroupBoxMessage},       {GroupBoxFax, &l.ElsaGroupBoxFax},
        {GroupBoxDialIn, &l.ElsaGroupBoxDialIn},         {GroupBoxLocalPhone, &l.ElsaGroupBoxLocalPhone},
        {GroupBoxSpeakFree, &l.ElsaGroupBoxSpeakFree},   {GroupBoxCountry, &l.ElsaGroupBoxCountry},
    };
    for (const auto& [group, text] : groups) group->setTitle(Q(*text));
    const std::pair<QCheckBox*, const std::string*> boxes[] = {
        {CheckBoxAWOnOff, &l.ElsaCheckBoxAWOnOff},
        {CheckBoxReceiveVoice, &l.ElsaCheckBoxReceiveVoice},
        {CheckBoxReceiveFax, &l.ElsaCheckBoxReceiveFax},
        {CheckBoxHangOfEvenIfMemoryFull, &l.ElsaCheckBoxHangOfEvenIfMemoryFull},
        {CheckBoxAccousticRing, &l.ElsaCheckBoxAccousticRing},
        {CheckBoxPlayCallerID, &l.ElsaCheckBoxPlayCallerID},
        {CheckBoxTollSaver, &l.ElsaCheckBoxTollSaver},
        {CheckBoxPlaySystemMessages, &l.ElsaCheckBoxPlaySystemMessages},
        {CheckBoxCompatibleMode, &l.ElsaCheckBoxCompatibleMode},
        {CheckBoxPlayTimeOfMessage, &l.ElsaCheckBoxPlayTimeOfMessage},
        {CheckBoxVoiceReceiveMonitor, &l.ElsaCheckBoxVoiceReceiveMonitor},
        {CheckBoxOnlyPlayAnnouncement, &l.ElsaCheckBoxOnlyPlayAnnouncement},
        {CheckBoxFaxTakeOver, &l.ElsaCheckBoxFaxTakeOver},
        {CheckBoxRemoteControl, &l.ElsaCheckBoxRemoteControl},
        {CheckBoxRemoteConfiguration, &l.ElsaCheckBoxRemoteConfiguration},
        {CheckBoxHookConf, &l.ElsaCheckBoxHookConf},
        {CheckBoxDTMFConf, &l.ElsaCheckBoxDTMFConf},
        {CheckBoxRecVoice, &l.ElsaCheckBoxRecVoice},
        {CheckBoxRingIndication, &l.ElsaCheckBoxRingIndication},
    };
    for (const auto& [box, text] : boxes) box->setText(Q(*text));
    const std::pair<QLabel*, const std::string*> labels[] = {
        {LabelPlay, &l.ElsaLabelPlay},   {LabelRec, &l.ElsaLabelRec},         {FaxID, &l.ElsaFaxID},
        {LabelPassword, &l.ElsaLabelPassword}, {LabelMicro, &l.ElsaLabelMicro}, {LabelSpeaker, &l.ElsaLabelSpeaker},
        {LabelCountry, &l.ElsaLabelCountry},
    };
    for (const auto& [label, text] : labels) label->setText(Q(*text));
    ButtonOK->setText(Q(l.ElsaButtonOK));
    ButtonCancel->setText(Q(l.ElsaButtonCancel));
}

void TFormElsaMLOfficeSettings::FormShow() {
    loaded_ = false;
    SetCaptions();
}

void TFormElsaMLOfficeSettings::showEvent(QShowEvent* Event) {
    TModemForm::showEvent(Event);
    if (!Event->spontaneous()) dialogkit::Guard([this] { FormShow(); });
}

void TFormElsaMLOfficeSettings::paintEvent(QPaintEvent* Event) {
    TModemForm::paintEvent(Event);
    FormPaint();
}

void TFormElsaMLOfficeSettings::FormPaint() {
    // A paint that comes while a run talks to the modem asks for nothing: the
    // run in hand brings the modem's values anyway.
    if (loadAsked_ || Exchanging()) return;
    loadAsked_ = true;
    QTimer::singleShot(0, this, [this] {
        loadAsked_ = false;
        if (!isVisible() || Exchanging()) return;
        dialogkit::Guard([this] { Exchange([this] { LoadValues(); }); });
    });
}

void TFormElsaMLOfficeSettings::LoadValues() {
    ++loadRuns_;
    TCommClass& comm = Comm();
    std::string reply;
    comm.QueryLines("AT+GCI?", "Get Country", reply);
    const int code = ElsaCountryCode(reply);
    if (code == ElsaNoCountry) ComboBoxCountry->setCurrentIndex(-1);
    for (int i = 0; i < 15; ++i)
        if (ElsaCountries[i].code == code) ComboBoxCountry->setCurrentIndex(i);

    auto query = [&comm](const char* Command, const char* Description) {
        std::string text;
        comm.QueryLines(Command, Description, text);
        return ElsaReplyValue(text);
    };
    const std::string cfgf = query("AT$JCFGF?", "Get configuration of automatic receive");
    const std::string cfgm = query("AT$JCFGM?", "Get configuration of annoucement");
    const std::string cfgt = query("AT$JCFGT?", "Get configuration of Fax/Voice Receive");
    const std::string cfgv = query("AT$JCFGV?", "Get configuration of Voice Receive");
    const std::string vgr = query("AT$JVGR?", "Get volume record message");
    const std::string vgt = query("AT$JVGT?", "Get volume play message");
    const std::string vgm = query("AT$JVGM?", "Get volume of micro");
    const std::string vgs = query("AT$JVGS?", "Get volume of speaker");
    const std::string fli = query("AT$JFLI?", "Get FAX-ID");
    const std::string pwd = query("AT$JPWD?", "Get Remote Password");
    const std::string ring = query("AT$JRING?", "Get # of Rings");

    CheckBoxReceiveFax->setChecked(Flag(cfgt, 1));
    CheckBoxReceiveVoice->setChecked(Flag(cfgt, 2));
    CheckBoxOnlyPlayAnnouncement->setChecked(!Flag(cfgt, 3));
    CheckBoxHookConf->setChecked(Flag(cfgt, 4));
    CheckBoxDTMFConf->setChecked(Flag(cfgt, 5));
    CheckBoxCompatibleMode->setChecked(Flag(cfgt, 6));
    CheckBoxFaxTakeOver->setChecked(Flag(cfgf, 1));
    CheckBoxAWOnOff->setChecked(Flag(cfgf, 2));
    CheckBoxPlaySystemMessages->setChecked(Flag(cfgm, 1));
    CheckBoxPlayCallerID->setChecked(Flag(cfgm, 2));
    CheckBoxPlayTimeOfMessage->setChecked(Flag(cfgm, 3));
    Select(ComboBoxAnoucement, FieldInt(cfgm, 4));
    Select(ComboBoxMaxDuration, FieldInt(cfgv, 1));
    Select(ComboBoxMinDuration, FieldInt(cfgv, 2));
    const std::string quality = Field(cfgv, 4);
    for (int i = 0; i < 3; ++i)
        if (quality == kQualities[i]) ComboBoxMessageQuality->setCurrentIndex(i);
    CheckBoxRecVoice->setChecked(Flag(cfgv, 5));
    CheckBoxVoiceReceiveMonitor->setChecked(Flag(cfgv, 6));
    EditRemotePassword->setText(Q(ElsaUnquoted(Field(pwd, 3))));
    CheckBoxRemoteControl->setChecked(Flag(pwd, 1));
    CheckBoxRemoteConfiguration->setChecked(Flag(pwd, 2));
    Select(ComboBoxNoOfRings, FieldInt(ring, 1) - 2);
    CheckBoxAccousticRing->setChecked(Flag(ring, 2));
    CheckBoxTollSaver->setChecked(Flag(ring, 4));
    CheckBoxRingIndication->setChecked(Flag(ring, 3));
    // Each followed by its change handler, so that its label follows even
    // when the position stays.
    const std::tuple<QSlider*, const std::string*, void (TFormElsaMLOfficeSettings::*)()> bars[] = {
        {TrackBarPlay, &vgt, &TFormElsaMLOfficeSettings::TrackBarPlayChange},
        {TrackBarRec, &vgr, &TFormElsaMLOfficeSettings::TrackBarRecChange},
        {TrackBarSpeakerVolume, &vgs, &TFormElsaMLOfficeSettings::TrackBarSpeakerVolumeChange},
        {TrackBarMicroVolume, &vgm, &TFormElsaMLOfficeSettings::TrackBarMicroVolumeChange},
    };
    for (const auto& [bar, value, change] : bars) {
        bar->setValue(StrToInt(*value));
        (this->*change)();
    }
    EditFaxID->setText(Q(ElsaUnquoted(fli)));
    loaded_ = true;
}

void TFormElsaMLOfficeSettings::ButtonOKClick() {
    TCommClass& comm = Comm();
    const int country = ComboBoxCountry->currentIndex();
    if (country >= 0) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(ElsaCountries[country].code));
        comm.ExecuteCommand(std::string("AT+GCI=") + hex, std::string("Set Country=") + hex);
    }
    const int quality = ComboBoxMessageQuality->currentIndex();
    const std::string qualityText = quality >= 0 ? kQualities[quality] : "";
    auto position = [](const QComboBox* List, int Offset = 0) { return IntToStr(List->currentIndex() + Offset); };
    comm.ExecuteCommand("AT$JCFGF=" + Bit(CheckBoxFaxTakeOver) + "," + Bit(CheckBoxAWOnOff),
                        "Set Automatische Faxübernahme");
    comm.ExecuteCommand("AT$JCFGM=" + Bit(CheckBoxPlaySystemMessages) + "," + Bit(CheckBoxPlayCallerID) + "," +
                            Bit(CheckBoxPlayTimeOfMessage) + "," + position(ComboBoxAnoucement),
                        "Set Annoucement");
    comm.ExecuteCommand("AT$JCFGT=" + Bit(CheckBoxReceiveFax) + "," + Bit(CheckBoxReceiveVoice) + "," +
                            (CheckBoxOnlyPlayAnnouncement->isChecked() ? "0" : "1") + "," + Bit(CheckBoxHookConf) +
                            "," + Bit(CheckBoxDTMFConf) + "," + Bit(CheckBoxCompatibleMode),
                        "Set Fax/Voice");
    comm.ExecuteCommand("AT$JCFGV=" + position(ComboBoxMaxDuration) + "," + position(ComboBoxMinDuration) + ",," +
                            qualityText + "," + Bit(CheckBoxRecVoice) + "," + Bit(CheckBoxVoiceReceiveMonitor),
                        "Set Voice-Mode");
    comm.ExecuteCommand("AT$JFLI=\"" + S(EditFaxID->text()) + "\"", "Set Fax-ID");
    comm.ExecuteCommand("AT$JPWD=" + Bit(CheckBoxRemoteControl) + "," + Bit(CheckBoxRemoteConfiguration) + ",\"" +
                            S(EditRemotePassword->text()) + "\"",
                        "Set Remote Options");
    comm.ExecuteCommand("AT$JRING=" + position(ComboBoxNoOfRings, 2) + "," + Bit(CheckBoxAccousticRing) + "," +
                            Bit(CheckBoxRingIndication) + "," + Bit(CheckBoxTollSaver),
                        "Set ring options");
    comm.ExecuteCommand("AT$JVGT=" + IntToStr(TrackBarPlay->value()), "Volume");
    comm.ExecuteCommand("AT$JVGR=" + IntToStr(TrackBarRec->value()), "Volume");
    comm.ExecuteCommand("AT$JVGS=" + IntToStr(TrackBarSpeakerVolume->value()), "Volume");
    comm.ExecuteCommand("AT$JVGM=" + IntToStr(TrackBarMicroVolume->value()), "Volume");
}

void TFormElsaMLOfficeSettings::ButtonClick(int Result) {
    saveOnClose_ = true;
    done(Result);
}

bool TFormElsaMLOfficeSettings::Closing(int) {
    if (!saveOnClose_) return true;
    saveOnClose_ = false;
    // Controls that never showed the modem's values (every reading run of
    // this showing failed) would write defaults or an older showing's values
    // over settings nobody chose: nothing is saved then.
    if (!loaded_) return true;
    // The button's result stands before its handler runs: the dialog closes
    // also when the saving stops on an error, once that has been shown.
    app::Guarded([this] { Exchange([this] { ButtonOKClick(); }); });
    return true;
}

void TFormElsaMLOfficeSettings::TrackBarPlayChange() { LabelVolumePlay->setText(Q(ElsaVolumeText(TrackBarPlay->value()))); }
void TFormElsaMLOfficeSettings::TrackBarRecChange() { LabelVolumeRec->setText(Q(ElsaVolumeText(TrackBarRec->value()))); }
void TFormElsaMLOfficeSettings::TrackBarSpeakerVolumeChange() {
    LabelSpeakerVolume->setText(Q(ElsaVolumeText(TrackBarSpeakerVolume->value())));
}
void TFormElsaMLOfficeSettings::TrackBarMicroVolumeChange() {
    LabelMicroVolume->setText(Q(ElsaVolumeText(TrackBarMicroVolume->value())));
}
