#pragma once
// The forms that the modem families show while they work, made at start for
// the whole run and offered to the modem layer, which cannot reach this
// layer itself: the families' settings and info dialogs, the working notice
// and the playing dialog.
#include <QPointer>
#include <QWidget>

#include "modem/ModemDialogs.h"

class MainDialogs : public TModemDialogs {
public:
    // Creates the forms (owned by Owner) and registers itself; the destructor
    // withdraws the registration.
    explicit MainDialogs(QWidget* Owner);
    ~MainDialogs() override;
    MainDialogs(const MainDialogs&) = delete;
    MainDialogs& operator=(const MainDialogs&) = delete;

    void PreparePlayingMessage(int32_t MaxSteps, const std::string& TotalTime, const std::string& MsgNo,
                               TCommClass* Comm) override;
    int ShowPlayingMessage() override;
    void SetWorkingAction(const std::string& Action) override;
    int ShowWorkingNotice() override;
    void Show3comSettings() override;
    void Show3comInfo() override;
    void ShowElsaSettings() override;
    void ShowElsaInfo() override;

private:
    TModemDialogs* previous_;
    // The forms made here; they go with the window or with this object, whichever goes first.
    QPointer<QWidget> forms_[6];
};
