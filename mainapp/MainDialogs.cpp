#include "mainapp/MainDialogs.h"

#include <QLabel>
#include <QString>

#include "mainapp/DialogPlayMessage.h"
#include "mainapp/InfoForm3com.h"
#include "mainapp/InfoFormElsa.h"
#include "mainapp/Settings3comMsg.h"
#include "mainapp/SettingsElsaMLOffice.h"
#include "mainapp/WorkingForm.h"
#include "platform/Exceptions.h"

namespace {

template <class F>
F& Shown(F* Form) {
    if (!Form) throw Exception("The dialog is not there");
    return *Form;
}

}  // namespace

MainDialogs::MainDialogs(QWidget* Owner) {
    // In the order the program makes its forms.
    Form3ComMsgSettings = new TForm3ComMsgSettings(Owner);
    FormInfo3com = new TFormInfo3com(Owner);
    FormInfoElsa = new TFormInfoElsa(Owner);
    FormElsaMLOfficeSettings = new TFormElsaMLOfficeSettings(Owner);
    FormWork = new TFormWork(Owner);
    FormPlayingMessage = new TFormPlayingMessage(Owner);
    QWidget* made[] = {Form3ComMsgSettings, FormInfo3com, FormInfoElsa, FormElsaMLOfficeSettings, FormWork,
                       FormPlayingMessage};
    for (int i = 0; i < 6; ++i) forms_[i] = made[i];
    previous_ = SetModemDialogs(this);
}

MainDialogs::~MainDialogs() {
    SetModemDialogs(previous_);
    for (auto& form : forms_) delete form.data();
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

void MainDialogs::Show3comSettings() { Shown(Form3ComMsgSettings).ShowModal(); }
void MainDialogs::Show3comInfo() { Shown(FormInfo3com).ShowModal(); }
void MainDialogs::ShowElsaSettings() { Shown(FormElsaMLOfficeSettings).ShowModal(); }
void MainDialogs::ShowElsaInfo() { Shown(FormInfoElsa).ShowModal(); }
