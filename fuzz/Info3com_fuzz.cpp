// The 3Com family's info blocks: the memory summary of a Refresh and each
// message's block behind the list's columns, answered by the session.
#include "fuzz/Drives.h"
#include "fuzz/FuzzKit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, std::size_t Size) {
    const fuzz::ScopedSession session(Data, Size, fuzz::kPellowPort);
    fuzz::DriveInfo3com();
    return 0;
}
