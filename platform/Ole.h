#pragma once
// What stands for OLE here: the desktop's own services for the clipboard,
// drag and drop and the windows the programs show, reached through the GUI
// toolkit's display connection. Initialising them can fail where no display
// can be reached, which the GUI toolkit would only report by ending the
// process; this is asked before its application object is made.
#include <string>

namespace ole {

// Whether the GUI toolkit's platform can reach its display: the platform
// named by QT_QPA_PLATFORM (a display-less one such as "offscreen" always
// can), or else the one the toolkit picks (Wayland when WAYLAND_DISPLAY is
// set, else X11), which needs WAYLAND_DISPLAY or DISPLAY.
bool Initialize();

}  // namespace ole
