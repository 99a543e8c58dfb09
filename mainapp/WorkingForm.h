#pragma once
// TFormWork: the working notice. It keeps the GUI alive while the modem plays
// or records an announcement and waits for the modem's end line: "OK" ends it
// with OK, any other line is shown as an error and ends it with Abort, Stop
// ends it with Abort. It has no time-out of its own.
#include <QDialog>

class QLabel;
class QPushButton;
class QTimer;
class TWndProp;

class TFormWork : public QDialog {
    Q_OBJECT

public:
    static constexpr int TimerInterval = 1400;
    // The longest a tick waits for a reply byte, in seconds.
    static constexpr int ReadSeconds = 1;

    explicit TFormWork(QWidget* Owner = nullptr);

    // Shown modally; the result is mrOk or mrAbort.
    int ShowModal();

    void FormCreate();
    void FormShow();
    void FormHide();
    void Timer1Timer();

    QLabel* LabelAction;
    QPushButton* ButtonStop;
    QTimer* Timer1;
    TWndProp* WndPropWorkingForm;

protected:
    void showEvent(QShowEvent* Event) override;
    void hideEvent(QHideEvent* Event) override;
    // Only the modem's line or Stop end the notice, not Escape.
    void reject() override {}

private:
    bool ticking_ = false;
};

// Created at program start and kept for the whole run.
extern TFormWork* FormWork;
