#pragma once
// Murmel's erase worker: it opens and initialises the modem as the download
// worker does, resets the modem's message clock, and erases the memory only
// when its global status block says that it holds anything. It reports to
// the dialog only by posted messages and ends every run with one result code.
namespace murmel {

// The thread's entry: the argument is ignored; the exit code is 0.
unsigned DeleteThread(void* Ignored);

}  // namespace murmel
