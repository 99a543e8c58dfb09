#include "platform/OleDropFiles.h"

#include <QString>
#include <QStringDecoder>
#include <QStringView>
#include <cstdint>

namespace ole {
namespace {

uint32_t ReadLE32(std::string_view B, std::size_t At) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(B[At + static_cast<std::size_t>(i)]);
    return v;
}

void AppendLE32(std::string& Out, uint32_t V) {
    for (int i = 0; i < 4; ++i) Out.push_back(static_cast<char>((V >> (8 * i)) & 0xFF));
}

void AppendName(std::string& Out, const std::string& Name, NameCoding Coding) {
    if (Coding == NameCoding::Ansi) {
        Out += Name;
        Out.push_back('\0');
        return;
    }
    // A leading byte-order mark is part of the name (fromUtf8 would drop it).
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
    const QString wide = utf8(QByteArrayView(Name.data(), static_cast<qsizetype>(Name.size())));
    for (const QChar c : wide) {
        Out.push_back(static_cast<char>(c.unicode() & 0xFF));
        Out.push_back(static_cast<char>(c.unicode() >> 8));
    }
    Out.append(2, '\0');
}

// The name that starts at At, and where the next one starts; nothing when
// its zero end is not within the block.
struct Name {
    std::string text;
    std::size_t next;
};

std::optional<Name> ReadAnsiName(std::string_view B, std::size_t At) {
    const std::size_t end = B.find('\0', At);
    if (end == std::string_view::npos) return std::nullopt;
    return Name{std::string(B.substr(At, end - At)), end + 1};
}

std::optional<Name> ReadWideName(std::string_view B, std::size_t At) {
    std::u16string units;
    for (std::size_t i = At; i + 1 < B.size(); i += 2) {
        const char16_t u = static_cast<char16_t>(static_cast<uint8_t>(B[i]) | (static_cast<uint8_t>(B[i + 1]) << 8));
        // The units as they stand: a leading byte-order mark is part of the
        // name, never a sign to swap its bytes or to drop it.
        if (u == 0) return Name{QStringView(units).toUtf8().toStdString(), i + 2};
        units.push_back(u);
    }
    return std::nullopt;
}

}  // namespace

bool FitsFileList(const std::string& Name) { return !Name.empty() && Name.find('\0') == std::string::npos; }

std::string DropFilesBlock(const std::vector<std::string>& Names, NameCoding Coding) {
    std::string block;
    AppendLE32(block, kDropFilesHeaderSize);
    AppendLE32(block, 0);  // drop point
    AppendLE32(block, 0);
    AppendLE32(block, 0);  // not in the non-client area
    AppendLE32(block, Coding == NameCoding::Utf16 ? 1 : 0);
    for (const std::string& name : Names)
        if (FitsFileList(name)) AppendName(block, name, Coding);
    block.append(Coding == NameCoding::Utf16 ? 2 : 1, '\0');
    return block;
}

std::optional<std::vector<std::string>> ParseDropFiles(std::string_view Block) {
    if (Block.size() < kDropFilesHeaderSize) return std::nullopt;
    const uint32_t first = ReadLE32(Block, 0);
    if (first < kDropFilesHeaderSize || first >= Block.size()) return std::nullopt;
    const bool wide = ReadLE32(Block, 16) != 0;
    std::vector<std::string> names;
    std::size_t at = first;
    for (;;) {
        const std::optional<Name> name = wide ? ReadWideName(Block, at) : ReadAnsiName(Block, at);
        if (!name) return std::nullopt;
        if (name->text.empty()) return names;
        names.push_back(name->text);
        at = name->next;
    }
}

std::optional<std::string> ParseTextBlock(std::string_view Block) {
    const std::size_t end = Block.find('\0');
    if (end == std::string_view::npos) return std::nullopt;
    return std::string(Block.substr(0, end));
}

std::optional<std::string> TextBlock(const std::string& Text) {
    if (Text.find('\0') != std::string::npos) return std::nullopt;
    return Text + '\0';
}

}  // namespace ole
