// The ELSA family's directory lines and free memory, answered by the session.
#include "fuzz/Drives.h"
#include "fuzz/FuzzKit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, std::size_t Size) {
    const fuzz::ScopedSession session(Data, Size, fuzz::kPellowPort);
    fuzz::DriveElsaDirectory();
    return 0;
}
