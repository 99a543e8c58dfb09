#pragma once
// TForm3ComMsgSettings: the stand-alone answering settings stored in a
// 3Com/U.S. Robotics message modem (voice and fax reception, recording
// length, fax ID, remote access and its password, rings, the recording
// monitor, and on the Professional model toll saver and acoustic ring), and
// the playing and recording of its two announcements. Each showing reads
// every setting from the modem; a setting the modem does not answer has its
// controls disabled and is not saved. OK writes the settings back, one
// command each, and then to the modem's flash memory; Cancel and the close
// box write nothing.
#include <string>

#include "mainapp/ModemForm.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class TWndProp;

class TForm3ComMsgSettings : public TModemForm {
    Q_OBJECT

public:
    explicit TForm3ComMsgSettings(QWidget* Owner = nullptr);
    ~TForm3ComMsgSettings() override;

    void FormCreate();
    void FormShow();
    // Saves when Result is OK.
    void FormClose(int Result);
    void ButtonPlayNormalClick();
    void ButtonPlayMemErrorClick();
    void ButtonRecordNormalClick() { RecAnoucementStandard(); }
    void ButtonRecordOutOfMemClick() { RecAnoucementFull(); }

    // The queries and set methods, one per setting.
    bool IsTollsaverEnabled();
    void SetTollsaverEnabled(bool On);
    int GetAcousticRing();
    void SetAcousticRing(int Value);
    bool IsRecVoice();
    void SetRecVoice(bool On);
    bool IsRecFax();
    void SetRecFax(bool On);
    int GetRecDauer();
    void SetRecDauer(int Seconds);
    std::string GetFaxKennung();
    void SetFaxKennung(const std::string& Id);
    bool IsRemoteEnabled();
    void SetRemoteEnabled(bool On);
    std::string GetRemotePassword();
    void SetRemotePassword(const std::string& Password);
    int GetKlingelNo();
    void SetKlingelNo(int Rings);
    bool IsMonitor();
    void SetMonitor(bool On);
    void WriteOptions();
    void RecAnoucementStandard();
    void RecAnoucementFull();

    QGroupBox* GroupBoxReceive;
    QCheckBox* CheckBoxVoice;
    QCheckBox* CheckBoxFax;
    QLabel* LabelDauer;
    QLineEdit* EditDauer;
    QLabel* LabelSekunden;
    QLabel* LabelFaxkennung;
    QLineEdit* EditFaxkennung;
    QGroupBox* GroupBoxRemoteControl;
    QCheckBox* CheckBoxFernabfrage;
    QLabel* LabelFernabfragePasswort;
    QLineEdit* EditFernabfragePasswort;
    QGroupBox* GroupBoxAnnouncement;
    QLabel* LabelNormal;
    QPushButton* ButtonPlayNormal;
    QPushButton* ButtonRecordNormal;
    QLabel* LabelMemFull;
    QPushButton* ButtonPlayMemError;
    QPushButton* ButtonRecordOutOfMem;
    QGroupBox* GroupBoxOptions;
    QLabel* LabelKlingelzeichen;
    QComboBox* ComboBoxKlingelzeichen;
    QCheckBox* CheckBoxMonitor;
    QGroupBox* GroupBoxMessagePro;
    QCheckBox* CheckBoxTollSaver;
    QLabel* LabelAcousticRing;
    QLineEdit* EditAcousticRing;
    QPushButton* ButtonOK;
    QPushButton* ButtonCancel;
    TWndProp* WndProp3comSettings;

protected:
    void showEvent(QShowEvent* Event) override;
    bool Closing(int Result) override;

private:
    void CreateControls();
    void SetCaptions();
    void Save();
    // Sends an announcement's recording command and waits in the working
    // notice until the modem ends the recording or the user stops it.
    void RecAnoucement(const std::string& Command, const std::string& Description);
};

// Created at program start and kept for the whole run.
extern TForm3ComMsgSettings* Form3ComMsgSettings;
