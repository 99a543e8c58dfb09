#pragma once
// TFormElsaMLOfficeSettings: the configuration stored in an ELSA MicroLink
// Office: answering machine and reception, announcements, rings, the voice
// recording's format and limits, volumes, fax ID, remote access and the
// telephone line's country. The values are read from the modem whenever the
// dialog's own surface is painted, so a repaint (after another window
// covered it, say) shows the modem's values again; OK and Cancel both write
// every value back, one command each.
//
// The reading never happens inside the paint itself: a paint asks for a run,
// which starts from the event loop, and not while a run or the saving talks
// to the modem.
#include <string>

#include "mainapp/ModemForm.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTabWidget;
class QWidget;
class TWndProp;

// The countries of the list, in its order, with the codes the modem knows them by.
struct TElsaCountry {
    const char* name;
    int code;
};
extern const TElsaCountry ElsaCountries[15];
// The code that stands for no country of the list.
constexpr int ElsaNoCountry = 0x42;

// What the dialog reads of a reply: the text after its first ":" and the
// character after that, blanks and line ends trimmed.
std::string ElsaReplyValue(const std::string& Reply);
// The country code of an "AT+GCI?" reply: the two characters before its
// final CR LF as a hexadecimal number; raises EConvertError when they are not one.
int ElsaCountryCode(const std::string& Reply);
// A quoted text without its first and last character.
std::string ElsaUnquoted(const std::string& Text);
// A track bar's position as its label shows it: 255 is "100 %".
std::string ElsaVolumeText(int Position);

class TFormElsaMLOfficeSettings : public TModemForm {
    Q_OBJECT

public:
    explicit TFormElsaMLOfficeSettings(QWidget* Owner = nullptr);
    ~TFormElsaMLOfficeSettings() override;

    void FormCreate();
    void FormShow();
    // The paint of the form's own surface: asks for a reading run.
    void FormPaint();
    // One reading run: every value from the modem into the controls.
    void LoadValues();
    // OK and Cancel alike: every value to the modem. The close calls it only
    // once a reading run of this showing has ended.
    void ButtonOKClick();
    void TrackBarPlayChange();
    void TrackBarRecChange();
    void TrackBarSpeakerVolumeChange();
    void TrackBarMicroVolumeChange();
    // The reading runs so far, for whoever watches the dialog.
    int LoadRuns() const { return loadRuns_; }

    QTabWidget* PageControl1;
    QWidget* TabSheetGeneral;
    QGroupBox* GroupBoxAWOnOff;
    QCheckBox* CheckBoxAWOnOff;
    QCheckBox* CheckBoxReceiveVoice;
    QCheckBox* CheckBoxReceiveFax;
    QCheckBox* CheckBoxHangOfEvenIfMemoryFull;
    QGroupBox* GroupBoxRing;
    QComboBox* ComboBoxNoOfRings;
    QCheckBox* CheckBoxAccousticRing;
    QCheckBox* CheckBoxPlayCallerID;
    QComboBox* ComboBoxAnoucement;
    QCheckBox* CheckBoxTollSaver;
    QGroupBox* GroupBoxOptions;
    QCheckBox* CheckBoxPlaySystemMessages;
    QCheckBox* CheckBoxCompatibleMode;
    QWidget* TabSheetVoice;
    QGroupBox* GroupBoxVoiceVolume;
    QLabel* LabelPlay;
    QSlider* TrackBarPlay;
    QLabel* LabelVolumePlay;
    QLabel* LabelRec;
    QSlider* TrackBarRec;
    QLabel* LabelVolumeRec;
    QGroupBox* GroupBoxMessage;
    QComboBox* ComboBoxMessageQuality;
    QComboBox* ComboBoxMinDuration;
    QComboBox* ComboBoxMaxDuration;
    QCheckBox* CheckBoxPlayTimeOfMessage;
    QCheckBox* CheckBoxVoiceReceiveMonitor;
    QCheckBox* CheckBoxOnlyPlayAnnouncement;
    QWidget* TabSheetFax;
    QGroupBox* GroupBoxFax;
    QLabel* FaxID;
    QLineEdit* EditFaxID;
    QCheckBox* CheckBoxFaxTakeOver;
    QWidget* TabSheetRemote;
    QGroupBox* GroupBoxDialIn;
    QCheckBox* CheckBoxRemoteControl;
    QCheckBox* CheckBoxRemoteConfiguration;
    QLabel* LabelPassword;
    QLineEdit* EditRemotePassword;
    QGroupBox* GroupBoxLocalPhone;
    QCheckBox* CheckBoxHookConf;
    QCheckBox* CheckBoxDTMFConf;
    QWidget* TabSheetSpeakFree;
    QGroupBox* GroupBoxSpeakFree;
    QLabel* LabelMicro;
    QSlider* TrackBarMicroVolume;
    QLabel* LabelMicroVolume;
    QLabel* LabelSpeaker;
    QSlider* TrackBarSpeakerVolume;
    QLabel* LabelSpeakerVolume;
    QCheckBox* CheckBoxRecVoice;
    QWidget* TabSheetModem;
    QGroupBox* GroupBoxCountry;
    QLabel* LabelCountry;
    QComboBox* ComboBoxCountry;
    QCheckBox* CheckBoxRingIndication;
    QWidget* PanelOKCancel;
    QPushButton* ButtonOK;
    QPushButton* ButtonCancel;
    TWndProp* WndPropElsaOfficeSettings;

protected:
    void showEvent(QShowEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;
    bool Closing(int Result) override;

private:
    void CreateControls();
    void CreateGeneralPage();
    void CreateVoicePage();
    void CreateOtherPages();
    void SetCaptions();
    // A button's click: the saving, then the close with Result.
    void ButtonClick(int Result);

    bool loadAsked_ = false;
    bool saveOnClose_ = false;
    bool loaded_ = false;  // a reading run of this showing has ended
    int loadRuns_ = 0;
};

// Created at program start and kept for the whole run.
extern TFormElsaMLOfficeSettings* FormElsaMLOfficeSettings;
