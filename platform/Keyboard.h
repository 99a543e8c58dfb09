#pragma once
// The keyboard as the status bar's lock-key panels see it: the toggle state
// of the three lock keys, and where an optional keyboard-monitor library is
// looked for.
#include <string>

namespace keyboard {

enum class LockKey { Caps, Num, Scroll };

// Whether the key's toggle state is on, read from the keyboard LEDs that the
// kernel exposes (any keyboard with the LED lit counts). A state that cannot
// be read counts as off.
bool LockKeyOn(LockKey Key);

// The folder of the LED entries, "/sys/class/leds" unless a test points it
// elsewhere; an empty folder restores the default.
void SetLedFolder(const std::string& Folder);
std::string LedFolder();

// The shared object that a library name of the system stands for: the name
// without a ".dll" ending (any case), with ".so", in the running program's
// folder; a name with a "/" is a path and is used as it is.
std::string LibraryPath(const std::string& Name);

}  // namespace keyboard
