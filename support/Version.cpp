#include "support/Version.h"

#include "platform/GuiVersion.h"
#include "platform/Process.h"
#include "platform/Ui.h"

void StartupFailure(const std::string& Text) {
    ui::MessageSpec spec;
    spec.text = Text;
    spec.caption = "Error";
    spec.buttons = ui::MbOk;
    spec.icon = ui::IconError;
    ui::MessageBox(spec);
    process::Halt(0);
}

void CheckComCtlVersion() {
    // A library that cannot tell its version counts as 0 and is refused.
    if (guiversion::GuiLibraryVersion() >= ComCtlVersionNeeded) return;
    // The box names 4.70 while the threshold is 4.71; the text stays as users
    // have always read it.
    StartupFailure("The program needs COMCTL32.DLL in version 4.70 or higher.");
}
