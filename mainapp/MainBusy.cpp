#include "mainapp/MainBusy.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QTreeWidget>
#include <QToolBar>
#include <QToolButton>

#include "mainapp/MainPictures.h"
#include "modem/CommClass.h"
#include "modem/Modem.h"
#include "support/Language.h"
#include "support/QelStatusBar.h"

TFormMain::TBusy::~TBusy() {
    if (std::uncaught_exceptions() > uncaught_) Recover();
}

void TFormMain::TBusy::Begin() {
    form_.Busy = true;
    form_.UpdateControls();
}

void TFormMain::TBusy::End() {
    form_.Busy = false;
    form_.ShowLinkLost();
    if (form_.closeRequested_) {
        form_.closeRequested_ = false;
        // The close may release messages (autostart): its own waits count again.
        for (TCommClass* comm : form_.Channels()) comm->ResumeWaits();
        QTimer::singleShot(0, &form_, [f = &form_] { f->close(); });
    }
    form_.UpdateControls();
}

std::vector<TCommClass*> TFormMain::Channels() const {
    std::vector<TCommClass*> channels;
    if (CommObject) channels.push_back(CommObject);
    if (ModemObject && ModemObject->Comm && ModemObject->Comm != CommObject) channels.push_back(ModemObject->Comm);
    return channels;
}

// A close asked for while an operation waits for the modem ends that wait at
// the channel's next message pump (every wait after it at once), and the
// dialog the operation shows; the operation ends quietly, and the close is
// carried out as it ends.
void TFormMain::EndWaitsForClose() {
    for (TCommClass* comm : Channels()) comm->AbortWaits();
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->done(QDialog::Rejected);
}

// The modem's port went away under the operation: the list is no longer the
// modem's, and only Reload can be used, which opens the port again by its
// name or searches the modem anew.
void TFormMain::ShowLinkLost() {
    if (!ModemConnected || !CommObject || !CommObject->LinkLost) return;
    ModemConnected = false;
    ExtListView1->clear();
    SetStatusText(Lang->MainStatusNoModemFound);
    StatusBar->Panels().Items(0)->SetEnabled(false);
    SetAnimation(ImageListModemNotConnected);
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
