#pragma once
// What the two modem info dialogs share: the caption "Info", a page control
// whose first page "General" shows the modem's model and firmware replies
// and the port, and the bottom panel with the OK button centred in it.
#include <string>

#include "mainapp/ModemForm.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QTabWidget;
class QWidget;
class TWndProp;

// The left edge that centres an item of Width in a panel of PanelWidth: half
// the difference, an exact half rounded to the even neighbour.
int CentredLeft(int PanelWidth, int Width);

class TInfoForm : public TModemForm {
    Q_OBJECT

public:
    // Name is the form's and Key the subkey of its placement.
    TInfoForm(QWidget* Owner, const char* Name, const char* Key);

    void FormCreate();
    // Fills the General page; the 3Com form goes on with its own pages.
    virtual void FormShow();
    void PanelGeneralResize();

    QTabWidget* PageControl1;
    QWidget* TabSheetGeneral;
    QScrollArea* ScrollBoxGeneral;
    QLabel* LabelModem;
    QLabel* LabelVersion;
    QLabel* LabelComPort;
    QLabel* ModemId;
    QLabel* LabelModemVersion;
    QLabel* LabelPort;
    QWidget* PanelOK;
    QPushButton* ButtonOK;
    TWndProp* WndPropInfoForm;

protected:
    // The whole reply of Command, as the channel gives it.
    static std::string Reply(const std::string& Command, const std::string& Description);
    // A page with one read-only text in a fixed-pitch font.
    QPlainTextEdit* AddMemoPage(const char* Page, const char* Caption, const char* Memo);
    void showEvent(QShowEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    std::string key_;
};
