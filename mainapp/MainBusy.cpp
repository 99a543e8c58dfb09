#include "mainapp/MainBusy.h"

#include <QAction>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

TFormMain::TBusy::~TBusy() {
    if (std::uncaught_exceptions() > uncaught_) Recover();
}

void TFormMain::TBusy::Begin() {
    form_.Busy = true;
    form_.UpdateControls();
}

void TFormMain::TBusy::End() {
    form_.Busy = false;
    if (form_.closeRequested_) {
        form_.closeRequested_ = false;
        QTimer::singleShot(0, &form_, [f = &form_] { f->close(); });
    }
    form_.UpdateControls();
}

namespace {

template <typename Step>
void Quietly(const Step& S) {
    try {
        S();
    } catch (...) {
    }
}

}  // namespace

void TFormMain::TBusy::Recover() {
    // Runs while an exception unwinds: nothing here may throw again, and
    // each step goes on when the one before failed.
    Quietly([this] {
        form_.TransferRunning = false;
        form_.Hourglass(false);
        form_.ClearStatusText();
    });
    Quietly([this] {
        if (!form_.ModemReady) {
            // Ended before a modem object existed (in the detection): the
            // next Reload must make a channel and detect again.
            form_.ModemConnected = false;
            form_.NeedOpenPort = true;
            form_.SetAnimation(form_.ImageListModemNotConnected);
        } else {
            form_.ShowNewOrStill();
        }
    });
    try {
        End();
    } catch (...) {
        // The modem could not even say what it holds, so the controls
        // cannot follow it; Reload stays, which asks it again.
        form_.Busy = false;
        form_.ToolBarMenu->setEnabled(true);
        form_.ToolButtonReload->setEnabled(true);
        form_.MenuEditReload->setEnabled(true);
    }
}
