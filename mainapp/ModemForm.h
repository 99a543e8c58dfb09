#pragma once
// What the modem's settings and info dialogs share: they talk to the modem
// while they are up, and the channel lets window messages through while it
// waits for a reply, so a click can come in the middle of an exchange. Such
// a click must not start a second exchange on the port, nor end the dialog
// under the one running: a close asked for during an exchange is carried
// out when it has ended, and the dialog's own buttons that talk to the modem
// do nothing meanwhile.
#include <QDialog>
#include <functional>
#include <optional>

#include "modem/ModemDialogs.h"

class TCommClass;
class TModemClass;

class TModemForm : public QDialog {
    Q_OBJECT

public:
    explicit TModemForm(QWidget* Owner = nullptr);

    // Shown modally; the result is the modal result the dialog closed with.
    int ShowModal();
    bool Exchanging() const { return exchanging_ > 0; }

    // Ends the modal run with Result, unless an exchange runs (then when it
    // has ended) or Closing keeps the dialog open.
    void done(int Result) override;

protected:
    // The modem of the run and its channel; raises when there is none.
    static TModemClass& Modem();
    static TCommClass& Comm();
    // Runs Body as one exchange with the modem.
    void Exchange(const std::function<void()>& Body);
    // Runs Body as an exchange unless one runs already (a click meanwhile).
    void ExchangeUnlessBusy(const std::function<void()>& Body);
    // Called when the dialog is about to close with Result, outside any
    // exchange; False keeps it open. An exception raised here is shown and
    // keeps the dialog open.
    virtual bool Closing(int Result);
    // The close box and Escape close with Cancel.
    void reject() override;

private:
    int exchanging_ = 0;
    // A close asked for during an exchange.
    std::optional<int> closeAsked_;
    // Closing runs: a further close or click waits for nothing and is dropped.
    bool closing_ = false;
};
