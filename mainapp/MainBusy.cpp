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
        if (!form_.ModemReady) {
            // Ended before a modem object existed (in the detection): the
            // next Reload must make a channel and detect again.
            form_.ModemConnected = false;
            form_.NeedOpenPort = true;
            form_.SetAnimation(form_.ImageListModemNotConnected);
        } else {
            form_.ShowNewOrStill();
        }
        End();
    } catch (...) {
        form_.Busy = false;
    }
}
