#include "platform/OleClipboard.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QUrl>
#include <cstring>
#include <string>
#include <vector>

#include "platform/OleDropFiles.h"

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "ole_clipboard_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

ole::FormatEtc Wanted(ole::ClipFormat Format) {
    ole::FormatEtc f;
    f.format = Format;
    return f;
}

// A data object that offers fixed blocks, as another program's might.
class Fixed : public ole::InterfacedObject, public ole::DataObject {
public:
    std::vector<std::pair<ole::ClipFormat, std::string>> blocks;

    ole::Result QueryGetData(const ole::FormatEtc& F) override {
        for (const auto& b : blocks)
            if (b.first == F.format) return ole::kOk;
        return ole::kFormatNotOffered;
    }
    ole::Result GetData(const ole::FormatEtc& F, ole::StorageMedium& M) override {
        for (const auto& b : blocks) {
            if (b.first != F.format) continue;
            M.medium = ole::kMediumGlobal;
            M.block = ole::MemoryBlock::Allocate(b.second.size());
            const ole::LockedBlock locked(M.block);
            std::memcpy(locked.Data(), b.second.data(), b.second.size());
            return ole::kOk;
        }
        return ole::kFormatNotOffered;
    }
    ole::Result GetDataHere(const ole::FormatEtc&, ole::StorageMedium&) override { return ole::kNotImplemented; }
    ole::Result GetCanonicalFormatEtc(const ole::FormatEtc&, ole::FormatEtc&) override { return ole::kNotImplemented; }
    ole::Result SetData(const ole::FormatEtc&, ole::StorageMedium&, bool) override { return ole::kNotImplemented; }
    ole::Result EnumFormatEtc(uint32_t, ole::FormatEnumerator**) override { return ole::kNotImplemented; }
    ole::Result DAdvise(const ole::FormatEtc&, uint32_t, ole::Counted*, uint32_t*) override { return ole::kNotImplemented; }
    ole::Result DUnadvise(uint32_t) override { return ole::kNotImplemented; }
    ole::Result EnumDAdvise(ole::Counted**) override { return ole::kNotImplemented; }
};

TEST(OleClipboard, AFileListGoesOnAsCopiedFilesAndComesBackAsAFileList) {
    App();
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->setText("before");
    ole::Ref<Fixed> data(new Fixed);
    data->blocks.push_back({ole::kFormatFileList,
                            ole::DropFilesBlock({"/tmp/a.tif", "/tmp/Grüße.TIF"}, ole::NameCoding::Ansi)});
    ASSERT_EQ(ole::SetClipboard(data.get()), ole::kOk);
    const QMimeData* mime = clipboard->mimeData();
    ASSERT_TRUE(mime);
    ASSERT_EQ(mime->urls().size(), 2);
    EXPECT_EQ(mime->urls()[1].toLocalFile().toStdString(), "/tmp/Grüße.TIF");
    EXPECT_EQ(mime->data("x-special/gnome-copied-files").toStdString(),
              "copy\nfile:///tmp/a.tif\nfile:///tmp/Gr%C3%BC%C3%9Fe.TIF");

    ole::DataObject* back = nullptr;
    ASSERT_EQ(ole::GetClipboard(&back), ole::kOk);
    ole::Ref<ole::DataObject> held = ole::Ref<ole::DataObject>::Adopt(back);
    ole::StorageMedium medium;
    ASSERT_EQ(held->GetData(Wanted(ole::kFormatFileList), medium), ole::kOk);
    const ole::LockedBlock locked(medium.block);
    EXPECT_EQ(ole::ParseDropFiles(std::string_view(reinterpret_cast<const char*>(locked.Data()), locked.Size())),
              (std::vector<std::string>{"/tmp/a.tif", "/tmp/Grüße.TIF"}));
}

TEST(OleClipboard, TextGoesOnAsPlainTextAndMalformedBlocksLeaveTheClipboard) {
    App();
    QClipboard* clipboard = QApplication::clipboard();
    ole::Ref<Fixed> text(new Fixed);
    text->blocks.push_back({ole::kFormatText, std::string("Voic0001.wav\0", 13)});
    ASSERT_EQ(ole::SetClipboard(text.get()), ole::kOk);
    EXPECT_EQ(clipboard->text().toStdString(), "Voic0001.wav");

    ole::Ref<Fixed> broken(new Fixed);
    broken->blocks.push_back({ole::kFormatText, "no zero end"});
    broken->blocks.push_back({ole::kFormatFileList, std::string(19, '\0')});
    EXPECT_EQ(ole::SetClipboard(broken.get()), ole::kFail);
    ole::Ref<Fixed> nothing(new Fixed);
    EXPECT_EQ(ole::SetClipboard(nothing.get()), ole::kFail);
    EXPECT_EQ(clipboard->text().toStdString(), "Voic0001.wav");

    EXPECT_EQ(ole::SetClipboard(nullptr), ole::kOk);
    EXPECT_TRUE(clipboard->text().isEmpty());
    EXPECT_EQ(ole::GetClipboard(nullptr), ole::kInvalidArgument);
}

}  // namespace
