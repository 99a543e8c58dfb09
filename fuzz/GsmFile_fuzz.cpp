// ".gsm" files and the announcement pages they come from: Echolet's
// conversion to a WAV file, the shielding of a file sent to the modem, and
// the file made of a page read from it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "echolet/EcholetSound.h"
#include "echolet/GsmFile.h"
#include "echolet/GsmWav.h"
#include "fuzz/FuzzKit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, std::size_t Size) {
    fuzz::NewRun();
    using namespace echolet;
    // As the dialog reads a file: at most the buffer's size.
    if (Size <= kMaxMessageFile) {
        std::vector<uint8_t> file(Data, Data + Size);
        const std::string out = fuzz::FuzzHome() + "/converted.wav";
        std::filesystem::remove(out);
        fuzz::Tolerate([&] {
            if (GsmToWav(file.data(), file.size(), out) == 1) {
                std::ifstream in(out, std::ios::binary);
                const std::string wav{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
                std::size_t offset = 0, length = 0;
                if (!MessageWavSamples(wav, offset, length) || length != (Size - 2) / 66 * 640) __builtin_trap();
            }
        });
    }
    const std::vector<uint8_t> shielded = ShieldFile(Data, std::min(Size, kMaxFileRead));
    if (shielded.size() < 2 || shielded[shielded.size() - 2] != DLE || shielded.back() != ETX) __builtin_trap();
    for (const TMessage m : {TMessage::Outgoing, TMessage::MemoryFull}) {
        const std::size_t limit = LimitOf(m);
        std::vector<uint8_t> page(kPageSize + 2, 0xFF);
        std::copy_n(Data, std::min(Size, page.size()), page.begin());
        PageIsEmpty(page.data(), limit);
        const std::size_t n = GsmFileOfPage(page.data(), limit);
        if (n < 2 || n > limit + 2 || page[n - 2] != DLE || page[n - 1] != ETX) __builtin_trap();
    }
    return 0;
}
