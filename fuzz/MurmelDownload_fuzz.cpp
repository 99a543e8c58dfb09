// Murmel's download worker answered by the session: the status records and
// their checksums, the clock line, the memory pages, the chain of message
// headers in them and each voice mail's WAV file.
#include "fuzz/Drives.h"
#include "fuzz/FuzzKit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, std::size_t Size) {
    const fuzz::ScopedSession session(Data, Size, fuzz::kMurmelPort);
    fuzz::DriveMurmelDownload(fuzz::FuzzHome() + "/murmel");
    return 0;
}
