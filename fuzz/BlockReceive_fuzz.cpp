// The block receive of an ELSA download: each NAK or ACK the receiver
// writes brings the session's next piece.
#include "fuzz/Drives.h"
#include "fuzz/FuzzKit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, std::size_t Size) {
    const fuzz::ScopedSession session(Data, Size, fuzz::kPellowPort);
    fuzz::DriveBlockReceive("FAX0001.T4F", fuzz::FuzzHome() + "/download");
    return 0;
}
