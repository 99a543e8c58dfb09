#include "mainapp/MainDialogs.h"

#include <QLabel>
#include <QString>

#include "mainapp/DialogPlayMessage.h"
#include "mainapp/WorkingForm.h"

namespace {

void Run(const std::function<void()>& Hook) {
    if (Hook) Hook();
}

}  // namespace

MainDialogs::MainDialogs(QWidget* Owner) {
    FormWork = new TFormWork(Owner);
    FormPlayingMessage = new TFormPlayingMessage(Owner);
    work_ = FormWork;
    playing_ = FormPlayingMessage;
    previous_ = SetModemDialogs(this);
}

MainDialogs::~MainDialogs() {
    SetModemDialogs(previous_);
    delete work_.data();
    delete playing_.data();
    FormWork = nullptr;
    FormPlayingMessage = nullptr;
}

void MainDialogs::PreparePlayingMessage(int32_t MaxSteps, const std::string& TotalTime, const std::string& MsgNo,
                                        TCommClass* Comm) {
    FormPlayingMessage->Prepare(MaxSteps, TotalTime, MsgNo, Comm);
}

int MainDialogs::ShowPlayingMessage() { return FormPlayingMessage->ShowModal(); }

void MainDialogs::SetWorkingAction(const std::string& Action) {
    FormWork->LabelAction->setText(QString::fromStdString(Action));
}

int MainDialogs::ShowWorkingNotice() { return FormWork->ShowModal(); }

std::function<void()>& MainDialogs::Show3comSettingsHook() {
    static std::function<void()> hook;
    return hook;
}
std::function<void()>& MainDialogs::Show3comInfoHook() {
    static std::function<void()> hook;
    return hook;
}
std::function<void()>& MainDialogs::ShowElsaSettingsHook() {
    static std::function<void()> hook;
    return hook;
}
std::function<void()>& MainDialogs::ShowElsaInfoHook() {
    static std::function<void()> hook;
    return hook;
}

void MainDialogs::Show3comSettings() { Run(Show3comSettingsHook()); }
void MainDialogs::Show3comInfo() { Run(Show3comInfoHook()); }
void MainDialogs::ShowElsaSettings() { Run(ShowElsaSettingsHook()); }
void MainDialogs::ShowElsaInfo() { Run(ShowElsaInfoHook()); }
