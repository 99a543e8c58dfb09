#pragma once
// The user's well-known folders, where the programs' Windows defaults point
// ("c:\windows\desktop" is the user's desktop folder here).
#include <string>

namespace userdirs {

// The desktop folder of the XDG user-dirs settings
// ($XDG_CONFIG_HOME/user-dirs.dirs, XDG_DESKTOP_DIR), else $HOME; no trailing "/".
std::string DesktopFolder();
// $HOME, or "." when it is not set.
std::string HomeFolder();

}  // namespace userdirs
