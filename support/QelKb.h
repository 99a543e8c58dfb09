#pragma once
// Loads the optional keyboard-monitor library and registers status-bar
// windows with it, so lock-key panels can follow the lock keys without a
// keyboard hook of their own. Process-wide state, GUI thread only.
#include <cstddef>
#include <string>

#include "support/QelKbMon.h"

namespace QelKb {

// "QelKbMon.dll", found as a shared object beside the program.
std::string LibName();
// Another library name, for tests of a library that is missing or lacks its
// entries; an empty name restores "QelKbMon.dll". Unloads first.
void SetLibName(const std::string& Name);

// Frees a library already loaded, loads the library and fetches its two
// entries. A missing library is no error: the result is False.
bool Load();
// The last Load succeeded and Unload has not run since.
bool Loaded();
// Lists the window and registers it with the library; the library's message
// number for the window, or 0 when the library has no register entry.
unsigned Register(QelWindow* Wnd);
// Takes the window off the list and deregisters it with the library.
void Deregister(QelWindow* Wnd);
// Deregisters every listed window, last first, and frees the library.
void Unload();
// How many windows are registered.
std::size_t WindowCount();

}  // namespace QelKb
