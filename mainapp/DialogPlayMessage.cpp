#include "mainapp/DialogPlayMessage.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <QHideEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

#include "mainapp/Globals.h"
#include "platform/QtUi.h"
#include "modem/CommClass.h"
#include "modem/ModemDialogs.h"
#include "platform/App.h"
#include "platform/Checked.h"
#include "support/WndProp.h"

TFormPlayingMessage* FormPlayingMessage = nullptr;

namespace {
QLabel* MakeLabel(QWidget* Parent, const char* Name, const char* Caption) {
    auto* label = new QLabel(Caption, Parent);
    label->setObjectName(Name);
    return label;
}
}  // namespace

TFormPlayingMessage::TFormPlayingMessage(QWidget* Owner) : QDialog(Owner) {
    // First, so that it saves the placement while the controls still stand.
    WndPropPlayingMessage = new TWndProp(this);
    WndPropPlayingMessage->setObjectName("WndPropPlayingMessage");
    WndPropPlayingMessage->SetSection("Form");
    WndPropPlayingMessage->SetOptions(wpAllProperties);
    setObjectName("FormPlayingMessage");
    setWindowTitle("Playing Message");
    // Only the system menu among the border icons.
    setWindowFlags(ui::DialogFrame(true));

    LabelMsgNo = MakeLabel(this, "LabelMsgNo", "Playing Msg# ");
    LabelTotalTime = MakeLabel(this, "LabelTotalTime", "Total Time:");
    LabelValueTotalTime = MakeLabel(this, "LabelValueTotalTime", "");
    LabelCurTime = MakeLabel(this, "LabelCurTime", "Current Time:");
    LabelValueCurTime = MakeLabel(this, "LabelValueCurTime", "");
    ProgressBarTime = new QProgressBar(this);
    ProgressBarTime->setObjectName("ProgressBarTime");
    ProgressBarTime->setTextVisible(false);
    ProgressBarTime->setRange(0, 0);
    ButtonAbbrechen = new QPushButton("&Stop", this);
    ButtonAbbrechen->setObjectName("ButtonAbbrechen");
    ButtonAbbrechen->installEventFilter(this);
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(TimerInterval);

    auto* grid = new QGridLayout(this);
    grid->addWidget(LabelMsgNo, 0, 0, 1, 2);
    grid->addWidget(LabelTotalTime, 1, 0);
    grid->addWidget(LabelValueTotalTime, 1, 1);
    grid->addWidget(LabelCurTime, 2, 0);
    grid->addWidget(LabelValueCurTime, 2, 1);
    grid->addWidget(ProgressBarTime, 3, 0, 1, 2);
    grid->addWidget(ButtonAbbrechen, 4, 0, 1, 2, Qt::AlignHCenter);
    resize(280, 160);

    connect(ButtonAbbrechen, &QPushButton::clicked, this, [this] { app::Guarded([this] { ButtonAbbrechenClick(); }); });
    connect(Timer1, &QTimer::timeout, this, [this] { app::Guarded([this] { Timer1Timer(); }); });
    FormCreate();
}

void TFormPlayingMessage::FormCreate() {
    WndPropPlayingMessage->SetKey(std::string(PellowKey) + "\\PlayingMessage");
}

void TFormPlayingMessage::SetMax(int32_t Max) {
    max_ = std::max<int32_t>(0, Max);
    ProgressBarTime->setMaximum(max_);
    SetPosition(position_);
}

// The bar holds its position between 0 and the maximum, as a progress bar does.
void TFormPlayingMessage::SetPosition(int32_t Value) {
    position_ = std::clamp<int32_t>(Value, 0, max_);
    ProgressBarTime->setValue(position_);
}

void TFormPlayingMessage::Prepare(int32_t MaxSteps, const std::string& TotalTime, const std::string& MsgNo,
                                  TCommClass* AComm) {
    SetMax(MaxSteps);
    LabelValueTotalTime->setText(QString::fromStdString(TotalTime));
    LabelMsgNo->setText(QString::fromStdString(MsgNo));
    Comm = AComm;
}

int TFormPlayingMessage::ShowModal() {
    setResult(mrNone);
    running_ = true;
    // In the screen centre, as the form is placed.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    const int result = exec();
    // A run that ended without a modal result still ends the playback.
    if (running_) {
        running_ = false;
        app::Guarded([this] { FormClose(); });
    }
    return result;
}

void TFormPlayingMessage::FormShow() {
    Timer1->start();
    SetPosition(0);
    LabelValueCurTime->setText("0");
}

void TFormPlayingMessage::FormHide() { Timer1->stop(); }

void TFormPlayingMessage::Timer1Timer() {
    SetPosition(CheckedAdd<int32_t>(position_, 1));
    LabelValueCurTime->setText(QString::fromStdString(PlayTimeText(position_ / 10)));
    if (position_ >= max_) done(mrOk);
}

void TFormPlayingMessage::ButtonAbbrechenMouseUp() {
    if (Comm) Comm->SendCommand("\r\n", "Stop playing (2)");
    hide();
}

void TFormPlayingMessage::ButtonAbbrechenClick() { done(mrCancel); }

void TFormPlayingMessage::FormClose() {
    if (Comm) Comm->SendCommand("AT\r\n", "Stop playing (3)");
}

void TFormPlayingMessage::done(int Result) {
    if (running_) {
        running_ = false;
        app::Guarded([this] { FormClose(); });
    }
    QDialog::done(Result);
}

void TFormPlayingMessage::reject() { done(mrCancel); }

void TFormPlayingMessage::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    if (!Event->spontaneous()) FormShow();
}

void TFormPlayingMessage::hideEvent(QHideEvent* Event) {
    QDialog::hideEvent(Event);
    if (!Event->spontaneous()) FormHide();
}

bool TFormPlayingMessage::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == ButtonAbbrechen && Event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(Event);
        if (ButtonAbbrechen->rect().contains(mouse->position().toPoint())) {
            app::Guarded([this] { ButtonAbbrechenMouseUp(); });
            // Only the left button clicks; after any other the dialog, hidden
            // already, would wait for a click that never comes.
            if (mouse->button() != Qt::LeftButton) app::Guarded([this] { ButtonAbbrechenClick(); });
        }
    }
    return QDialog::eventFilter(Watched, Event);
}
