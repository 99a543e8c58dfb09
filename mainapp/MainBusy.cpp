#include "mainapp/MainBusy.h"

#include <QTimer>

TFormMain::TBusy::~TBusy() {
    if (std::uncaught_exceptions() > uncaught_) Recover();
}

void TFormMain::TBusy::Begin() {
    form_.Busy = true;
    form_.UpdateControls();
}

void TFormMain::TBusy::End() {
    form_.Busy = false;
    form_.UpdateControls();
    if (form_.closeRequested_) {
        form_.closeRequested_ = false;
        QTimer::singleShot(0, &form_, [f = &form_] { f->close(); });
    }
}

void TFormMain::TBusy::Recover() {
    // Runs while an exception unwinds: nothing here may throw again.
    try {
        form_.TransferRunning = false;
        form_.Hourglass(false);
        form_.ClearStatusText();
        form_.ShowNewOrStill();
        End();
    } catch (...) {
        form_.Busy = false;
    }
}
