#pragma once
// The start-up check of both main programs: their cool bars, tool bars, list
// view and status bars need a recent enough GUI library, and the program
// stops at once when the one in use is older.
#include <cstdint>
#include <string>

// The oldest library version the windows work with: 4.71 as major * 65536 + minor.
constexpr uint32_t ComCtlVersionNeeded = 0x40047;

// A prerequisite of the program is missing: the error box with Text, then the
// end of the process with exit code 0 (through process::Halt, so a test handler
// sees the code and the call returns).
void StartupFailure(const std::string& Text);

// Returns when the GUI library is recent enough; otherwise shows the error
// box and ends the process with exit code 0 (through process::Halt, so a test
// handler sees the code and the call returns). Runs before the program has
// set up anything else, but after its application object exists, which the
// box needs.
void CheckComCtlVersion();
