#pragma once
// TFormPellowSettings: Pellow's own options: the language, the autostart
// registration and what autostart mode does, the serial log, the modem's
// port and speed, and the message list's type column. Each showing reads the
// options from the program's in-memory copies and the registry; OK writes
// them all back, switches the texts to the chosen language and reloads the
// modem state. A folder picked for the faxes is in effect at once, even when
// the dialog is then cancelled.
#include <QDialog>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/Ui.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TWndProp;

class TFormPellowSettings : public QDialog {
    Q_OBJECT

public:
    explicit TFormPellowSettings(QWidget* Owner = nullptr);
    ~TFormPellowSettings() override;

    // Shown modally; the result is mrOk or mrCancel.
    int ShowModal();

    void FormCreate();
    void FormShow();
    void UpdateForm();
    void ButtonOKClick();
    void ButtonLogFileClick();
    void ButtonViewLogfileClick();
    void ButtonFaxSavePathClick();
    void CheckBoxAutostartClick() { UpdateForm(); }
    void CheckBoxLogFileClick() { UpdateForm(); }
    void CheckBoxAutoreleaseClick() { UpdateForm(); }
    void RadioButtonCommPortAutoClick() { UpdateForm(); }

    // The list positions and the language IDs they stand for.
    static constexpr int LanguageIds[3] = {9, 7, 10};

    QGroupBox* GroupBoxLanguage;
    QRadioButton* RadioButtonLanguageAuto;
    QRadioButton* RadioButtonLanguageSelected;
    QComboBox* ComboBoxLanguageID;
    QGroupBox* GroupBoxStartOptions;
    QCheckBox* CheckBoxAutostart;
    QCheckBox* CheckBoxAutorelease;
    QCheckBox* CheckBoxQuickClose;
    QCheckBox* CheckBoxAutoPlayNewVoice;
    QCheckBox* CheckBoxAutoSaveNewFax;
    QLineEdit* EditDautoSaveDir;
    QPushButton* ButtonFaxSavePath;
    QCheckBox* CheckBoxAutoexit;
    QGroupBox* GroupBoxLogFile;
    QCheckBox* CheckBoxLogFile;
    QLineEdit* EditLogFile;
    QPushButton* ButtonLogFile;
    QPushButton* ButtonViewLogfile;
    QGroupBox* GroupBoxModem;
    QLabel* LabelCommPort;
    QRadioButton* RadioButtonCommPortAuto;
    QRadioButton* RadioButtonCommPortFest;
    QComboBox* ComboBoxCommPort;
    QLabel* LabelBaudRate;
    QComboBox* ComboBoxBaudRate;
    QGroupBox* GroupBoxDisplay;
    QCheckBox* CheckBoxTypeShowText;
    QPushButton* ButtonOK;
    QPushButton* ButtonCancel;
    // The log file's save dialog.
    ui::FileSpec SaveDialogLogFile;
    TWndProp* WndPropPellowSettings;

    // The port list's item that counts: -1 once text has been typed into it,
    // until an item is chosen again.
    int SelectedCommPort() const;

protected:
    void showEvent(QShowEvent* Event) override;
    void reject() override;

private:
    void SetCaptions();
    void CreateControls();

    // The fax folder as it was before the folder picker last ran.
    std::string FaxDirBeforePicker;
    // What OK last wrote of the options that act only through the registry,
    // so that a later showing offers them and not the copies of the start.
    std::optional<bool> writtenLogFile_;
    std::optional<bool> writtenAutoSaveNewFax_;
    std::optional<bool> writtenAutoPlayNewVoice_;
    std::optional<int32_t> writtenCommPort_;
    bool portTyped_ = false;
};

// Created at program start and kept for the whole run.
extern TFormPellowSettings* FormPellowSettings;
