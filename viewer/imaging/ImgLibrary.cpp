// The library's shared state.
#include "viewer/imaging/ImgLibrary.h"

#include <QPrinter>


namespace imaging {

namespace {
CurrentUi g_hostUi = nullptr;
}  // namespace

void SetHostUi(CurrentUi Ui) { g_hostUi = Ui; }

ui::UserInterface& HostUi() {
    if (!g_hostUi) throw EOleException("The imaging controls have no user interface to show their dialogs.");
    return g_hostUi();
}

QPrinter& LibraryPrinter() {
    // Made at its first use, when the application object exists, and kept
    // to the end of the process, as the settings of the dialog are.
    static QPrinter* printer = new QPrinter(QPrinter::HighResolution);
    return *printer;
}

}  // namespace imaging

