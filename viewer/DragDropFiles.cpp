#include "viewer/DragDropFiles.h"

#include <cstring>
#include <string_view>

#include "platform/OleDropFiles.h"

ole::FormatEtc FileListFormat() {
    ole::FormatEtc f;
    f.format = ole::kFormatFileList;
    f.targetDevice = nullptr;
    f.aspect = ole::kAspectContent;
    f.lindex = -1;
    f.media = ole::kMediumGlobal;
    return f;
}

TDragDropFiles::TDragDropFiles(QObject* Owner) : TDragDrop(Owner) {
    ReplaceDropTarget(ole::Ref<TDropTarget>(new TDropTargetFiles(this)));
    SourceCompatibility = 0;
}

ole::Ref<ole::DataObject> TDragDropFiles::CreateDataObject() {
    if (FileList.empty()) return {};
    return ole::Ref<ole::DataObject>(new TDataObjectFiles(FileList));
}

void TDropTargetFiles::CanAcceptData(ole::DataObject* Data, bool& Accept) {
    Accept = Data && Data->QueryGetData(FileListFormat()) == ole::kOk;
}

void TDropTargetFiles::RenderDroppedData(ole::DataObject* Data, uint32_t, uint32_t, QPoint) {
    if (!Data || !files_ || !Owner()) return;
    ole::StorageMedium medium;
    if (Data->GetData(FileListFormat(), medium) != ole::kOk) return;
    files_->FileList.clear();
    if (medium.medium == ole::kMediumGlobal && medium.block) {
        const ole::LockedBlock locked(medium.block);
        const std::string_view block(reinterpret_cast<const char*>(locked.Data()), locked.Size());
        if (auto names = ole::ParseDropFiles(block)) files_->FileList = std::move(*names);
    }
    ole::ReleaseMedium(medium);
}

TDataObjectFiles::TDataObjectFiles(const std::vector<std::string>& List)
    : stream_(ole::DropFilesBlock(List, ole::NameCoding::Ansi)) {
    ole::StorageMedium none;
    SetData(FileListFormat(), none, false);  // offers the format; the answer is always a failure
}

ole::Result TDataObjectFiles::RenderData(const ole::FormatEtc& Format, ole::StorageMedium& Medium) {
    if (Format.format != ole::kFormatFileList) return ole::kFail;
    ole::Block block = ole::MemoryBlock::Allocate(stream_.size());
    if (!block) return ole::kOutOfMemory;
    {
        const ole::LockedBlock locked(block);
        std::memcpy(locked.Data(), stream_.data(), stream_.size());
    }
    Medium.medium = ole::kMediumGlobal;
    Medium.block = std::move(block);
    Medium.releaser = nullptr;
    return ole::kOk;
}
