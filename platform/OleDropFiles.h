#pragma once
// The file-list block of a drop or a copy, and the zero-ended text block,
// as pure functions. A file-list block is a 20-byte header of five 32-bit
// little-endian fields (the offset of the first name, a drop point x and y,
// a non-client flag, a wide-character flag) and, from that offset, the names,
// each ended by one zero character, then an empty name. Names are 8-bit
// (the program's character set, UTF-8) or UTF-16 when the wide flag is set.
// Blocks come from other programs: the readers take nothing from beyond the
// block's end and refuse a block that would need it.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ole {

inline constexpr std::size_t kDropFilesHeaderSize = 20;

enum class NameCoding { Ansi, Utf16 };

// Whether a file name can stand in a file-list block: not empty (an empty
// name ends the list) and without a zero character.
bool FitsFileList(const std::string& Name);

// The block for Names with the header's offset 20 and everything else 0 but
// the wide flag; names that cannot stand in a block are left out.
std::string DropFilesBlock(const std::vector<std::string>& Names, NameCoding Coding);

// The names of a block in their order (8-bit names as they stand, UTF-16
// ones converted to UTF-8), or nothing when the block is malformed: shorter
// than its header, its first name inside the header or beyond the end, or a
// name or the closing empty name not ended within the block.
std::optional<std::vector<std::string>> ParseDropFiles(std::string_view Block);

// The text of a zero-ended text block (the bytes before its first zero), or
// nothing when the block holds no zero.
std::optional<std::string> ParseTextBlock(std::string_view Block);
// Text as a zero-ended block; nothing when the text itself holds a zero.
std::optional<std::string> TextBlock(const std::string& Text);

}  // namespace ole
