#include "mainapp/ModemForm.h"

#include <QTimer>

#include "mainapp/Globals.h"
#include "modem/Modem.h"
#include "modem/ModemDialogs.h"
#include "platform/App.h"
#include "platform/Exceptions.h"
#include "platform/QtUi.h"

TModemForm::TModemForm(QWidget* Owner) : QDialog(Owner) { setWindowFlags(ui::DialogFrame()); }

TModemClass& TModemForm::Modem() {
    if (!ModemObject || !ModemObject->Comm) throw Exception("No modem to talk to");
    return *ModemObject;
}

TCommClass& TModemForm::Comm() { return *Modem().Comm; }

int TModemForm::ShowModal() {
    setResult(mrNone);
    closeAsked_.reset();
    return exec();
}

void TModemForm::Exchange(const std::function<void()>& Body) {
    struct TEnd {
        TModemForm& form;
        ~TEnd() {
            if (--form.exchanging_ > 0 || !form.closeAsked_) return;
            const int result = *form.closeAsked_;
            form.closeAsked_.reset();
            // From the event loop, so that a modal run that has not begun
            // its loop yet still sees the close.
            QTimer::singleShot(0, &form, [f = &form, result] { f->done(result); });
        }
    };
    ++exchanging_;
    TEnd end{*this};
    Body();
}

void TModemForm::ExchangeUnlessBusy(const std::function<void()>& Body) {
    if (Exchanging() || closing_) return;
    Exchange(Body);
}

void TModemForm::done(int Result) {
    if (closing_) return;
    if (Exchanging()) {
        closeAsked_ = Result;
        return;
    }
    closing_ = true;
    bool close = false;
    app::Guarded([&] { close = Closing(Result); });
    closing_ = false;
    if (close) QDialog::done(Result);
}

bool TModemForm::Closing(int) { return true; }

void TModemForm::reject() { done(mrCancel); }
