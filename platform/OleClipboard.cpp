#include "platform/OleClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/FileClipboard.h"
#include "platform/OleDragDrop.h"
#include "platform/OleDropFiles.h"

namespace ole {
namespace {

QClipboard* TheClipboard() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return nullptr;
    return QGuiApplication::clipboard();
}

// The bytes of Data's rendering of Format on a global block; nothing when
// it has none.
std::optional<std::string> Rendering(DataObject& Data, ClipFormat Format) {
    FormatEtc wanted;
    wanted.format = Format;
    if (Data.QueryGetData(wanted) != kOk) return std::nullopt;
    StorageMedium medium;
    if (Data.GetData(wanted, medium) != kOk) return std::nullopt;
    std::optional<std::string> bytes;
    if (medium.medium == kMediumGlobal && medium.block) {
        const LockedBlock locked(medium.block);
        bytes.emplace(reinterpret_cast<const char*>(locked.Data()), locked.Size());
    }
    ReleaseMedium(medium);
    return bytes;
}

}  // namespace

Result SetClipboard(DataObject* Data) {
    QClipboard* clipboard = TheClipboard();
    if (!clipboard) return kFail;
    if (!Data) {
        clipboard->clear();
        return kOk;
    }
    std::unique_ptr<QMimeData> mime;
    if (const auto block = Rendering(*Data, kFormatFileList))
        if (const auto names = ParseDropFiles(*block); names && !names->empty()) mime = fileclip::CopiedFilesData(*names);
    if (const auto block = Rendering(*Data, kFormatText))
        if (const auto text = ParseTextBlock(*block)) {
            if (!mime) mime = std::make_unique<QMimeData>();
            mime->setText(QString::fromStdString(*text));
        }
    if (!mime) return kFail;
    clipboard->setMimeData(mime.release());
    return kOk;
}

Result GetClipboard(DataObject** Out) {
    if (!Out) return kInvalidArgument;
    *Out = nullptr;
    QClipboard* clipboard = TheClipboard();
    const QMimeData* mime = clipboard ? clipboard->mimeData() : nullptr;
    if (!mime) return kFail;
    *Out = DataObjectFromMime(*mime).detach();
    return kOk;
}

}  // namespace ole
