// Dropped and copied blocks as the programs read them: the file-list block
// and the zero-ended text block by themselves, the viewer's drop target
// reading the file list of a drop, and the clipboard taking both from a data
// object. A block that is read must give its names from within itself (the
// same names whatever follows it, each one standing in the block as its
// coding writes it); one that is refused must lack only its end when its
// header is sound.
#include <QApplication>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzKit.h"
#include "platform/Ole.h"
#include "platform/OleClipboard.h"
#include "platform/OleDropFiles.h"
#include "viewer/DragDropFiles.h"

namespace {

uint32_t FirstName(std::string_view Block) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(Block[static_cast<std::size_t>(i)]);
    return v;
}

// The names of an accepted block, written again, stand in the block from
// its first name on: byte for byte for 8-bit names; unit for unit for
// UTF-16 ones, but where the block holds a lone surrogate, which the
// conversion to UTF-8 writes as a question mark (or the replacement
// character).
void CheckNamesWithin(std::string_view Block, const std::vector<std::string>& Names) {
    const bool wide = Block[16] != 0 || Block[17] != 0 || Block[18] != 0 || Block[19] != 0;
    for (const std::string& name : Names)
        if (!ole::FitsFileList(name)) __builtin_trap();
    const std::string again =
        ole::DropFilesBlock(Names, wide ? ole::NameCoding::Utf16 : ole::NameCoding::Ansi).substr(ole::kDropFilesHeaderSize);
    const std::size_t first = FirstName(Block);
    if (first + again.size() > Block.size()) __builtin_trap();
    const std::string_view stood = Block.substr(first, again.size());
    if (!wide) {
        if (stood != again) __builtin_trap();
        return;
    }
    for (std::size_t i = 0; i + 1 < again.size(); i += 2) {
        const auto unit = [](std::string_view B, std::size_t At) {
            return static_cast<uint16_t>(static_cast<uint8_t>(B[At]) | (static_cast<uint8_t>(B[At + 1]) << 8));
        };
        const uint16_t was = unit(stood, i), is = unit(again, i);
        if (was != is && !((is == u'?' || is == 0xFFFD) && was >= 0xD800 && was <= 0xDFFF)) __builtin_trap();
    }
}

void CheckDropFiles(std::string_view Block) {
    const std::optional<std::vector<std::string>> names = ole::ParseDropFiles(Block);
    if (names) {
        CheckNamesWithin(Block, *names);
        // Nothing after the list's end is read.
        if (ole::ParseDropFiles(std::string(Block) + std::string("\x41\x00\x42\x00\xff", 5)) != names) __builtin_trap();
        return;
    }
    // A sound header refuses only a list that does not end within the
    // block; a closing empty name (and a half unit's pad) ends it.
    if (Block.size() >= ole::kDropFilesHeaderSize && FirstName(Block) >= ole::kDropFilesHeaderSize &&
        FirstName(Block) < Block.size() && !ole::ParseDropFiles(std::string(Block) + std::string(5, '\0')))
        __builtin_trap();
}

void CheckTextBlock(std::string_view Block) {
    const std::optional<std::string> text = ole::ParseTextBlock(Block);
    if (text ? (text->size() >= Block.size() || Block[text->size()] != '\0' || Block.substr(0, text->size()) != *text ||
                text->find('\0') != std::string::npos)
             : Block.find('\0') != std::string_view::npos)
        __builtin_trap();
}

// Someone else's data object that offers the block as a file list and as
// a text, rendered on a fresh memory block each time.
class OutsideData : public TDataObject {
public:
    explicit OutsideData(std::string Block) : block_(std::move(Block)) {
        ole::StorageMedium none;
        SetData(FileListFormat(), none, false);
        ole::FormatEtc text = FileListFormat();
        text.format = ole::kFormatText;
        SetData(text, none, false);
    }

protected:
    ole::Result RenderData(const ole::FormatEtc&, ole::StorageMedium& Medium) override {
        ole::Block block = ole::MemoryBlock::Allocate(block_.size());
        if (!block) return ole::kOutOfMemory;
        {
            const ole::LockedBlock locked(block);
            if (!block_.empty()) std::memcpy(locked.Data(), block_.data(), block_.size());
        }
        Medium.medium = ole::kMediumGlobal;
        Medium.block = std::move(block);
        return ole::kOk;
    }

private:
    std::string block_;
};

TDragDropFiles* g_files = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    fuzz::FuzzHome();
    new QApplication(*argc, *argv);  // for the whole run
    g_files = new TDragDropFiles;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, std::size_t Size) {
    fuzz::NewRun();
    const std::string_view block(reinterpret_cast<const char*>(Data), Size);
    CheckDropFiles(block);
    CheckTextBlock(block);

    const auto names = ole::ParseDropFiles(block);
    const ole::Ref<ole::DataObject> data(new OutsideData(std::string(block)));
    // The viewer's drop: the names of a block that reads, none of one that does not.
    g_files->FileList = {"/the/earlier/drop.tif"};
    g_files->DropTarget()->RenderDroppedData(data.get(), ole::kKeyLeftButton, ole::kEffectCopy, {});
    if (g_files->FileList != names.value_or(std::vector<std::string>{})) __builtin_trap();

    // The clipboard takes the names or the text; our own data object of
    // what it holds reads back, with no more names than were put there.
    const bool readable = (names && !names->empty()) || ole::ParseTextBlock(block);
    if ((ole::SetClipboard(data.get()) == ole::kOk) != readable) __builtin_trap();
    if (readable) {
        ole::DataObject* back = nullptr;
        if (ole::GetClipboard(&back) != ole::kOk || !back) __builtin_trap();
        const auto held = ole::Ref<ole::DataObject>::Adopt(back);
        ole::StorageMedium medium;
        if (held->GetData(FileListFormat(), medium) == ole::kOk) {
            const ole::LockedBlock locked(medium.block);
            const auto copied =
                ole::ParseDropFiles(std::string_view(reinterpret_cast<const char*>(locked.Data()), locked.Size()));
            if (!copied || !names || copied->size() > names->size()) __builtin_trap();
        }
        ole::ReleaseMedium(medium);
    }
    return 0;
}
