#pragma once
// The forms that the modem families show while they work, made at start for
// the whole run and offered to the modem layer, which cannot reach this
// layer itself: the playing dialog and the working notice, and the families'
// settings and info dialogs.
#include <QPointer>
#include <QWidget>
#include <functional>

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

    // The families' settings and info dialogs are forms of their own, not of
    // this window; until they are there, the entries run these hooks, which
    // do nothing visible when empty.
    static std::function<void()>& Show3comSettingsHook();
    static std::function<void()>& Show3comInfoHook();
    static std::function<void()>& ShowElsaSettingsHook();
    static std::function<void()>& ShowElsaInfoHook();

private:
    TModemDialogs* previous_;
    // The forms made here; they go with the window or with this object, whichever goes first.
    QPointer<QWidget> work_;
    QPointer<QWidget> playing_;
};
