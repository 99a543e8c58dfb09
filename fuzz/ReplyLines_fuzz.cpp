// The channel's reading of reply lines and the comma fields taken out of
// them, answered by the session (Drives.h).
#include "fuzz/Drives.h"
#include "fuzz/FuzzKit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, std::size_t Size) {
    const fuzz::ScopedSession session(Data, Size, fuzz::kPellowPort);
    fuzz::DriveReplyLines();
    return 0;
}
