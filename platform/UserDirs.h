#pragma once
// The user's well-known folders, where the programs' Windows defaults point
// ("c:\windows\desktop" is the user's desktop folder here).
#include <string>
#include <vector>

namespace userdirs {

// The desktop folder of the XDG user-dirs settings
// ($XDG_CONFIG_HOME/user-dirs.dirs, XDG_DESKTOP_DIR), else $HOME; no trailing "/".
std::string DesktopFolder();
// $HOME, or "." when it is not set.
std::string HomeFolder();
// The base folder of the user's desktop settings: $XDG_CONFIG_HOME when it is
// an absolute path, else $HOME/.config.
std::string ConfigHome();
// The first folder of the machine's desktop settings: the first absolute
// path in $XDG_CONFIG_DIRS, else /etc/xdg.
std::string FirstConfigDir();
// Every folder of the machine's desktop settings, in their order: the
// absolute paths in $XDG_CONFIG_DIRS, else /etc/xdg.
std::vector<std::string> ConfigDirs();
// The base folder of the user's desktop data (applications, MIME types):
// $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share.
std::string DataHome();
// The machine's data folders in their order: the absolute paths in
// $XDG_DATA_DIRS, else /usr/local/share and /usr/share.
std::vector<std::string> DataDirs();

}  // namespace userdirs
