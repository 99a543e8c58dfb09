#include "mainapp/WorkingForm.h"

#include <QHideEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "mainapp/Globals.h"
#include "platform/QtUi.h"
#include "modem/CommClass.h"
#include "modem/Modem.h"
#include "modem/ModemDialogs.h"
#include "platform/App.h"
#include "platform/Ui.h"
#include "support/WndProp.h"

TFormWork* FormWork = nullptr;

TFormWork::TFormWork(QWidget* Owner) : QDialog(Owner) {
    // First, so that it saves the placement while the controls still stand.
    WndPropWorkingForm = new TWndProp(this);
    WndPropWorkingForm->setObjectName("WndPropWorkingForm");
    WndPropWorkingForm->SetSection("Form");
    WndPropWorkingForm->SetOptions(wpAllProperties);
    setObjectName("FormWork");
    setWindowTitle("Notice");
    // No border icons: the notice cannot be closed from its frame.
    setWindowFlags(ui::DialogFrame(false));

    LabelAction = new QLabel("Working ...", this);
    LabelAction->setObjectName("LabelAction");
    LabelAction->setAlignment(Qt::AlignCenter);
    ButtonStop = new QPushButton("&Stop", this);
    ButtonStop->setObjectName("ButtonStop");
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(TimerInterval);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LabelAction);
    layout->addWidget(ButtonStop, 0, Qt::AlignHCenter);
    resize(250, 110);

    connect(ButtonStop, &QPushButton::clicked, this, [this] { done(mrAbort); });
    connect(Timer1, &QTimer::timeout, this, [this] { app::Guarded([this] { Timer1Timer(); }); });
    FormCreate();
}

void TFormWork::FormCreate() {
    WndPropWorkingForm->SetKey(std::string(PellowKey) + "\\WorkingForm");
}

int TFormWork::ShowModal() {
    setResult(mrNone);
    return exec();
}

void TFormWork::FormShow() { Timer1->start(); }

void TFormWork::FormHide() {
    ButtonStop->setVisible(true);
    Timer1->stop();
}

void TFormWork::Timer1Timer() {
    // The read pumps messages and the error box runs its own loop: a tick
    // that comes meanwhile must not read the line a second time.
    if (ticking_) return;
    ticking_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{ticking_};

    if (!ModemObject || !ModemObject->Comm) throw Exception("No modem to wait for");
    std::string line;
    ModemObject->Comm->ReadLine(ReadSeconds, line);
    if (line == "OK") {
        done(mrOk);
    } else if (!line.empty()) {
        Timer1->stop();
        ui::MessageBox({"ERROR: " + line + "!", app::Title(), ui::MbOk, ui::IconError, 0});
        done(mrAbort);
    }
}

void TFormWork::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    if (!Event->spontaneous()) FormShow();
}

void TFormWork::hideEvent(QHideEvent* Event) {
    QDialog::hideEvent(Event);
    if (!Event->spontaneous()) FormHide();
}
