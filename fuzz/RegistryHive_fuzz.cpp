// A registry hive file as the registry reads it. A text that parses is
// written back in its canonical form, and that form reads back to itself.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzKit.h"
#include "platform/RegistryFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, std::size_t Size) {
    const std::string text(reinterpret_cast<const char*>(Data), Size);
    const std::string root = "HKEY_CURRENT_USER";
    registry::TRegKey hive;
    try {
        hive = registry::ParseHive(text, root);
    } catch (const registry::EHiveSyntax&) {
        return 0;
    }
    const std::string canonical = registry::FormatHive(hive, root);
    std::string again;
    try {
        again = registry::FormatHive(registry::ParseHive(canonical, root), root);
    } catch (const registry::EHiveSyntax&) {
        __builtin_trap();
    }
    if (again != canonical) __builtin_trap();
    std::vector<std::string> names;
    registry::SplitKeyPath(text, names);
    registry::ValidValueName(text);
    return 0;
}
