#pragma once
// TFormPlayingMessage: the playing dialog. While the modem plays a voice mail
// it counts tenths of a second up to the message's length and shows the
// elapsed time; it reads nothing from the modem. Stop breaks the playback
// with a line end; every end of the dialog sends "AT", which the modem takes
// as the end of playing too.
#include <QDialog>
#include <cstdint>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class TCommClass;
class TWndProp;

class TFormPlayingMessage : public QDialog {
    Q_OBJECT

public:
    static constexpr int TimerInterval = 100;

    explicit TFormPlayingMessage(QWidget* Owner = nullptr);

    // What the caller sets before showing: the progress maximum (tenths of
    // a second), the total time text, the message line and the channel.
    void Prepare(int32_t MaxSteps, const std::string& TotalTime, const std::string& MsgNo, TCommClass* AComm);
    // Shown modally; the result is mrOk when the time is up, mrCancel when stopped.
    int ShowModal();

    void FormCreate();
    void FormShow();
    void FormHide();
    void Timer1Timer();
    void ButtonAbbrechenMouseUp();
    void ButtonAbbrechenClick();
    void FormClose();

    QLabel* LabelMsgNo;
    QLabel* LabelTotalTime;
    QLabel* LabelValueTotalTime;
    QLabel* LabelCurTime;
    QLabel* LabelValueCurTime;
    QProgressBar* ProgressBarTime;
    QPushButton* ButtonAbbrechen;
    QTimer* Timer1;
    TWndProp* WndPropPlayingMessage;
    // The channel the stop commands go through; set by the caller before showing.
    TCommClass* Comm = nullptr;

    // The progress as the dialog counts it; the bar follows it.
    int32_t Position() const { return position_; }
    void SetMax(int32_t Max);

public slots:
    void done(int Result) override;

protected:
    void showEvent(QShowEvent* Event) override;
    void hideEvent(QHideEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void reject() override;

private:
    void SetPosition(int32_t Value);

    int32_t position_ = 0;
    int32_t max_ = 0;
    bool running_ = false;  // a modal run whose closing command is still to be sent
};

// Created at program start and kept for the whole run.
extern TFormPlayingMessage* FormPlayingMessage;
