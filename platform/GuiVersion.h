#pragma once
// The version of the GUI library in use, which the programs check at start
// before they build their windows: the Qt Widgets runtime, as
// major * 65536 + minor, or 0 when it cannot tell.
#include <cstdint>
#include <optional>
#include <string>

namespace guiversion {

// "6.4.2" -> 6 * 65536 + 4. Text that does not start with "major.minor"
// (decimal, each below 65536, followed by nothing or ".") gives 0.
uint32_t ParseVersion(const std::string& Text);

// The version of the running library; asked once per run and then kept.
// PELLOW_GUI_VERSION ("major.minor") stands in for the library's own answer,
// so a whole program can be run against an older library in tests.
uint32_t GuiLibraryVersion();

// Tests: a version to report instead of asking; nullopt asks again.
void SetVersionForTest(std::optional<uint32_t> Version);

}  // namespace guiversion
