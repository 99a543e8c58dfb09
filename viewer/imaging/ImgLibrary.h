#pragma once
// What the controls of the imaging library share: the user interface of the
// program that hosts them, and the printer that the print dialog sets up and
// printing uses.
#include "viewer/Imaging.h"

class QPrinter;

namespace imaging {

// Set by the entry points before a control exists.
void SetHostUi(CurrentUi Ui);
// The host's user interface; raises EOleException when no host has set one.
ui::UserInterface& HostUi();

// The printer of the last print dialog, the default printer until then.
QPrinter& LibraryPrinter();

}  // namespace imaging
