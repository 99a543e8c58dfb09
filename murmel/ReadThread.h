#pragma once
// Murmel's download worker: it checks the 3Com/U.S. Robotics message modem,
// reads its clock and whole status report, decides from the bookkeeping of
// the profile which voice mails are new, reads the memory pages that hold
// them, follows the chain of message headers and hands each message to
// konvertiere. With "Autodelete" on and no fax in the memory it then resets
// the modem clock and erases the memory. It reports to the dialog only by
// posted messages and ends every run with one result code.
namespace murmel {

// The thread's entry: the argument is ignored; the exit code is 0.
unsigned ReadThread(void* Ignored);

// Tests: while set, the download buffer cannot be allocated.
void FailDownloadAllocation(bool Fail);

}  // namespace murmel
