// The resolution probe over a 3Com fax message as the download writes it:
// the header, then the shielded code stream of each page.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "fuzz/FuzzKit.h"
#include "modem/g3resolution.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, std::size_t Size) {
    fuzz::NewRun();
    std::istringstream in(std::string(reinterpret_cast<const char*>(Data), Size));
    G3TifResolution probe;
    fuzz::Tolerate([&] { probe.CountLines(in); });
    const std::string resolution = probe.Resolution();
    if (probe.MaxLines < 0 || (resolution != "T4N" && resolution != "T4F")) __builtin_trap();
    if ((resolution == "T4F") != (probe.MaxLines > 1210)) __builtin_trap();
    return 0;
}
