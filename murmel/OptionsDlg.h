#pragma once
// Murmel's options dialog: the members the tray dialog fills from the
// profile and reads back after OK, their controls (the dialog's control ids
// are the controls' object names), and the exchange between the two with
// the standard validation: a value out of its limits is refused with the
// standard message, the focus goes to its field and the dialog stays open.
#include <QDialog>
#include <QString>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

class COptionsDlg : public QDialog {
public:
    explicit COptionsDlg(QWidget* Parent = nullptr);

    // The dialog's data; the constructor's values are 0 and empty.
    int m_bAlwaysontop = 0;
    int m_bAutocheck = 0;
    int m_bAutoplay = 0;
    int m_bAutodelete = 0;
    QString m_strPath;
    unsigned m_nCounter = 0;
    int m_bMailmessages = 0;
    QString m_strMailadress;
    QString m_strPort;
    QString m_strBaudrate;
    int m_bRingsetup = 0;
    unsigned m_nRingnumber = 0;

    // Fills the controls from the members, then the ring field follows the check box.
    void OnInitDialog();
    // Transfers in the dialog's order; when saving, the first value that
    // fails its limits stops the transfer and gives false.
    bool DoDataExchange(bool SaveAndValidate);
    void OnRingsetup();
    void OnBrowse();

    int exec() override;
    void accept() override;

private:
    QCheckBox* check(const char* id) const;
    QLineEdit* edit(const char* id) const;

    QComboBox* port_;
    QComboBox* baudrate_;
};
