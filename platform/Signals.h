#pragma once
// A log-off asks the desktop programs to close their main window the normal
// way. Here the session's SIGTERM and SIGHUP stand for it: the signal is
// turned into a call on the GUI thread, from the event loop, so that the
// window's close handlers run as for any other close.
#include <functional>

namespace termsignals {

// From now on SIGTERM and SIGHUP call Handler on the GUI thread (needs the
// application object; the call comes from the event loop or a pump). A
// later call replaces the handler.
void OnTerminate(std::function<void()> Handler);

// Back to the default actions of both signals.
void RestoreDefaults();

// How many of the signals have been handed to the handler in this process.
int TerminateCount();

}  // namespace termsignals
