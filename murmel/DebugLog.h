#pragma once
// Murmel's diagnostic trace "Debug.txt" in its output folder, written only
// when that file exists as the dialog starts. Each line is a complete open,
// append and close, so the dialog's thread and a worker can write at once:
// the open takes the file for itself, and a writer that finds it taken tries
// again. Worker lines carry the marker "---", the dialog's lines none.
#include <string>

namespace murmel {

// The process-wide switch; it is set once as the dialog starts.
void SetDebugSwitch(bool On);
bool DebugSwitch();
// Off, then on when the log file exists and its name is not too long.
void InitDebugSwitch();
// "Options" "Path" (with a "/" appended), then "Debug.txt"; built anew for
// every line, so a new "Path" counts from the next line.
std::string DebugLogPath();

// printf-style. A worker line is cut to 2999 characters, a dialog line to
// 999. With the switch off DebugLog still writes, to the null device, and
// DebugLogDialog does nothing at all.
void DebugLog(const char* Format, ...) __attribute__((format(printf, 1, 2)));
void DebugLogDialog(const char* Format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace murmel
