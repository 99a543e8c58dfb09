// Files dropped on the viewer's panel, as Qt hands drags to it.
#include <QAction>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <cstring>

#include "platform/OleDragDrop.h"
#include "platform/OleDropFiles.h"
#include "tests/viewer/DragDropKit.h"
#include "tests/viewer/ViewerTestKit.h"
#include "viewer/DragDropFiles.h"

namespace {

using dndtest::Drag;
using viewertest::ViewerTest;

class ViewerDropTest : public ViewerTest {
protected:
    // The viewer as Pellow starts it: a temporary fax and "/TEMP".
    leafor::TFormMain& StartTemporary() {
        temporary = Fax("TMP1A2B.TIF", 2);
        Start({temporary, "/TEMP"});
        ui->ClearPrompts();
        return *form;
    }
    QWidget& Panel() { return *form->Panel1; }
    const std::vector<std::string>& List() { return form->DragDropFiles1->FileList; }
    // A drag of files over the panel, dropped; what Qt was told.
    Qt::DropAction DropFiles(const std::vector<std::string>& Paths, Qt::KeyboardModifiers Keys = Qt::NoModifier) {
        const auto data = dndtest::FileData(Paths);
        Drag drag(Panel(), *data, Qt::CopyAction | Qt::MoveAction, Qt::LeftButton, Keys);
        const Qt::DropAction answer = drag.Whole({40, 40});
        QCoreApplication::processEvents();
        return answer;
    }
    std::string Shown() { return form->ImgEdit1->Image(); }

    testkit::ScopedEnv language{"LC_ALL", std::string("en_US.UTF-8")};
    std::string temporary;
};

TEST_F(ViewerDropTest, TheDropComponentIsSetAsTheViewerHasIt) {
    Start();
    TDragDropFiles& dd = *form->DragDropFiles1;
    EXPECT_EQ(dd.objectName().toStdString(), "DragDropFiles1");
    EXPECT_EQ(dd.DragDropControl(), form->Panel1);
    EXPECT_TRUE(dd.AutoDetectDnD);
    EXPECT_FALSE(dd.AcceptOwnDnD);
    EXPECT_FALSE(dd.BringToFront);
    EXPECT_EQ(dd.SourceCompatibility, 0u);
    EXPECT_EQ(dd.SourceEffects(), 0u);
    EXPECT_TRUE(dd.TargetPopUpMenu);
    EXPECT_EQ(dd.TargetEffects(), deCopy | deMove);
    EXPECT_EQ(dd.RenderDataOn, TRenderDataOn::rdoEnterAndDropSync);
    EXPECT_TRUE(dd.Registered());
    EXPECT_EQ(ole::RegisteredTarget(form->Panel1), dd.DropTarget());
    EXPECT_TRUE(form->Panel1->acceptDrops());
}

TEST_F(ViewerDropTest, OfThreeDroppedFilesOnlyTheFirstIsShown) {
    Start();
    const std::string first = Fax("first.TIF", 3);
    const std::string second = Fax("second.tif", 1);
    const std::string third = dir + "/notes.txt";
    testkit::WriteFile(third, "a text");
    EXPECT_EQ(DropFiles({first, second, third}), Qt::CopyAction);
    EXPECT_EQ(List(), (std::vector<std::string>{first, second, third}));
    EXPECT_EQ(Shown(), first);
    EXPECT_EQ(form->ImgEdit1->PageCount(), 3);
    EXPECT_TRUE(form->ImgEdit1->ImageDisplayed());
    EXPECT_EQ(PageBox(), "1");
    // The other names are not looked at: a text file behind a fax is no obstacle.
    EXPECT_TRUE(PromptLines().empty());
}

TEST_F(ViewerDropTest, TheFirstNameMustEndInTifInAnyCase) {
    Start();
    struct Case {
        const char* name;
        bool shown;
    } cases[] = {{"a.tif", true},   {"b.TIF", true},       {"c.Tif", true}, {"d.tiff", false},
                 {"e.TIFF", false}, {"f.tif.txt", false}, {"g", false},    {"h.tif.d/fax", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string before = Shown();
        const std::string path = dir + "/" + c.name;
        if (std::string(c.name).find('/') != std::string::npos) mkdir((dir + "/h.tif.d").c_str(), 0700);
        faxfiles::WriteFax(path, faxfiles::NumberedPages(1));
        const auto data = dndtest::FileData({path});
        Drag drag(Panel(), *data);
        EXPECT_EQ(drag.Enter(), c.shown ? Qt::CopyAction : Qt::IgnoreAction);
        EXPECT_EQ(drag.Over(), c.shown ? Qt::CopyAction : Qt::IgnoreAction);
        EXPECT_EQ(drag.Drop(), c.shown ? Qt::CopyAction : Qt::IgnoreAction);
        QCoreApplication::processEvents();
        EXPECT_EQ(Shown(), c.shown ? path : before);
    }
}

TEST_F(ViewerDropTest, ATextFileOrPlainTextIsRefusedAndNothingChanges) {
    auto& f = StartTemporary();
    const std::string text = dir + "/letter.txt";
    testkit::WriteFile(text, "Dear ...");
    EXPECT_EQ(DropFiles({text}), Qt::IgnoreAction);
    const auto plain = dndtest::TextData(dir + "/other.tif");
    Drag drag(Panel(), *plain);
    EXPECT_EQ(drag.Enter(), Qt::IgnoreAction);
    EXPECT_EQ(drag.Over(), Qt::IgnoreAction);
    EXPECT_EQ(drag.Drop(), Qt::IgnoreAction);
    QCoreApplication::processEvents();
    EXPECT_EQ(Shown(), temporary);
    EXPECT_TRUE(files::FileExists(temporary));
    EXPECT_TRUE(leafor::FaxIsTemporary);
    EXPECT_TRUE(PromptLines().empty());
    f.close();
    EXPECT_FALSE(files::FileExists(temporary));
}

TEST_F(ViewerDropTest, PlainTextAfterADroppedFaxIsStillRefused) {
    // The list of the earlier drop stays, as data without a list do not
    // touch it; the drop must not take it for the text's.
    Start();
    const std::string fax = Fax("first.tif", 1);
    ASSERT_EQ(DropFiles({fax}), Qt::CopyAction);
    const std::string temp = Fax("TMPX.TIF", 1);
    leafor::FaxIsTemporary = true;
    form->ImgAdmin1->SetImage(temp);
    form->ShowFile();
    const auto plain = dndtest::TextData("some words");
    Drag drag(Panel(), *plain);
    EXPECT_EQ(drag.Whole(), Qt::IgnoreAction);
    QCoreApplication::processEvents();
    EXPECT_EQ(List(), (std::vector<std::string>{fax}));
    EXPECT_EQ(Shown(), temp);
    EXPECT_TRUE(files::FileExists(temp));
    EXPECT_TRUE(leafor::FaxIsTemporary);
}

TEST_F(ViewerDropTest, ShiftAnswersMoveAndNoKeyCopyButTheFileStaysWhereItIs) {
    Start();
    const std::string fax = Fax("moved.tif", 1);
    EXPECT_EQ(DropFiles({fax}, Qt::ShiftModifier), Qt::MoveAction);
    EXPECT_EQ(Shown(), fax);
    EXPECT_TRUE(files::FileExists(fax));
    const std::string other = Fax("copied.tif", 1);
    EXPECT_EQ(DropFiles({other}), Qt::CopyAction);
    EXPECT_EQ(Shown(), other);
    // Ctrl and Shift ask for a link, which the viewer does not take: the first common effect.
    const std::string third = Fax("third.tif", 1);
    EXPECT_EQ(DropFiles({third}, Qt::ControlModifier | Qt::ShiftModifier), Qt::CopyAction);
    EXPECT_EQ(Shown(), third);
}

TEST_F(ViewerDropTest, ADroppedFileReplacingATemporaryFaxDeletesIt) {
    auto& f = StartTemporary();
    const std::string fax = Fax("kept.tif", 3);
    EXPECT_EQ(DropFiles({fax}), Qt::CopyAction);
    EXPECT_FALSE(files::FileExists(temporary));
    EXPECT_FALSE(leafor::FaxIsTemporary);
    EXPECT_EQ(Shown(), fax);
    EXPECT_EQ(f.ImgEdit1->PageCount(), 3);
    f.close();
    EXPECT_TRUE(files::FileExists(fax));
}

TEST_F(ViewerDropTest, DroppingTheTemporaryFaxItselfKeepsIt) {
    auto& f = StartTemporary();
    EXPECT_EQ(DropFiles({temporary}), Qt::CopyAction);
    EXPECT_TRUE(files::FileExists(temporary));
    EXPECT_FALSE(leafor::FaxIsTemporary);
    EXPECT_EQ(Shown(), temporary);
    f.close();
    EXPECT_TRUE(files::FileExists(temporary));
}

TEST_F(ViewerDropTest, UTF16AndAnsiListsGiveTheSameNames) {
    Start();
    const std::string a = Fax("Grüße €.tif", 1);
    const std::string b = Fax("日本 fax.TIF", 2);
    const std::vector<std::string> names{a, b, a};
    TDropTarget& target = *form->DragDropFiles1->DropTarget();
    const auto mime = dndtest::FileData(names);
    const ole::Ref<ole::DataObject> wide = ole::DataObjectFromMime(*mime, ole::NameCoding::Utf16);
    const ole::Ref<ole::DataObject> ansi(new TDataObjectFiles(names));
    for (const ole::Ref<ole::DataObject>& data : {wide, ansi}) {
        form->DragDropFiles1->FileList.clear();
        uint32_t effect = ole::kEffectCopy | ole::kEffectMove;
        const QPoint at = form->Panel1->mapToGlobal(QPoint(30, 30));
        ASSERT_EQ(target.DragEnter(data.get(), ole::kKeyLeftButton, at, &effect), ole::kOk);
        EXPECT_EQ(effect, ole::kEffectCopy);
        EXPECT_EQ(List(), names);
        effect = ole::kEffectCopy | ole::kEffectMove;
        ASSERT_EQ(target.Drop(data.get(), 0, at, &effect), ole::kOk);
        QCoreApplication::processEvents();
        EXPECT_EQ(List(), names);
        EXPECT_EQ(Shown(), a);
    }
}

// Data that offer a file list whose block is as given.
class TBlockData : public TDataObject {
public:
    explicit TBlockData(std::string Block) : block_(std::move(Block)) {
        ole::StorageMedium none;
        SetData(FileListFormat(), none, false);
    }

protected:
    ole::Result RenderData(const ole::FormatEtc&, ole::StorageMedium& M) override {
        M.medium = ole::kMediumGlobal;
        M.block = ole::MemoryBlock::Allocate(block_.size());
        const ole::LockedBlock locked(M.block);
        if (!block_.empty()) std::memcpy(locked.Data(), block_.data(), block_.size());
        return ole::kOk;
    }

private:
    std::string block_;
};

TEST_F(ViewerDropTest, MalformedFileListsAreRefused) {
    auto& f = StartTemporary();
    const std::string fax = Fax("good.tif", 1);
    const std::string good = ole::DropFilesBlock({fax}, ole::NameCoding::Ansi);
    std::string farOffset = good;
    farOffset[3] = '\x7F';
    std::string wideFlag = good;
    wideFlag[16] = 1;
    const std::string blocks[] = {
        "",
        good.substr(0, 19),
        good.substr(0, good.size() - 1),  // no closing name
        good.substr(0, good.size() - 2),  // the name without its zero
        farOffset,
        wideFlag,  // 8-bit names read as UTF-16 find no zero pair
    };
    TDropTarget& target = *f.DragDropFiles1->DropTarget();
    for (const std::string& block : blocks) {
        SCOPED_TRACE(block.size());
        const ole::Ref<ole::DataObject> data(new TBlockData(block));
        uint32_t effect = ole::kEffectCopy;
        const QPoint at = f.Panel1->mapToGlobal(QPoint(30, 30));
        ASSERT_EQ(target.DragEnter(data.get(), ole::kKeyLeftButton, at, &effect), ole::kOk);
        EXPECT_EQ(effect, ole::kEffectNone);
        EXPECT_TRUE(List().empty());
        effect = ole::kEffectCopy;
        EXPECT_EQ(target.Drop(data.get(), 0, at, &effect), ole::kFail);
        QCoreApplication::processEvents();
        EXPECT_EQ(Shown(), temporary);
    }
    // The same block whole is taken.
    const ole::Ref<ole::DataObject> data(new TBlockData(good));
    uint32_t effect = ole::kEffectCopy;
    const QPoint at = f.Panel1->mapToGlobal(QPoint(30, 30));
    target.DragEnter(data.get(), ole::kKeyLeftButton, at, &effect);
    EXPECT_EQ(effect, ole::kEffectCopy);
    EXPECT_TRUE(files::FileExists(temporary));
}

TEST_F(ViewerDropTest, PressingAButtonOnThePanelStartsNoDetection) {
    Start();
    const QPoint at = form->Panel1->mapTo(form.get(), QPoint(40, 40));
    QTest::mousePress(form->windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(TDragDrop::DragDetectInstance(), nullptr);
    QTest::mouseMove(form->windowHandle(), at + QPoint(30, 30));
    QTest::mouseRelease(form->windowHandle(), Qt::LeftButton, Qt::NoModifier, at + QPoint(30, 30));
    QTest::mousePress(form->windowHandle(), Qt::RightButton, Qt::NoModifier, at);
    EXPECT_EQ(TDragDrop::DragDetectInstance(), nullptr);
    QTest::mouseRelease(form->windowHandle(), Qt::RightButton, Qt::NoModifier, at);
    EXPECT_EQ(form->DragDropFiles1->DragDetectStatus(), ddsIdle);
}

TEST_F(ViewerDropTest, ClosingTheViewerRevokesItsTargetWhileThePanelIsThere) {
    Start();
    QWidget* panel = form->Panel1;
    const ole::Ref<TDropTarget> target = form->DragDropFiles1->DropTarget();
    bool checked = false;
    QObject::connect(panel, &QObject::destroyed, [&] {
        checked = true;
        EXPECT_EQ(ole::RegisteredTarget(panel), nullptr);
    });
    QObject::connect(form->DragDropFiles1, &QObject::destroyed, [&] {
        // The component goes first, the panel still standing.
        EXPECT_FALSE(checked);
    });
    form.reset();
    EXPECT_TRUE(checked);
    EXPECT_EQ(target->RefCount(), 1u);
}

TEST_F(ViewerDropTest, ARightButtonDropOffersCopyAndMoveInTheSystemsLanguage) {
    testkit::ScopedEnv german("LC_ALL", std::string("de_DE.UTF-8"));
    Start();
    form->DragDropFiles1->LocalizePopupMenu();
    const std::string fax = Fax("menu.tif", 1);
    std::vector<std::string> offered;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        for (QAction* a : menu->actions())
            if (a->isVisible() && !a->isSeparator()) offered.push_back(a->text().toStdString());
        menu->setActiveAction(form->DragDropFiles1->PopupMove());
        QTest::keyClick(menu, Qt::Key_Return);
        if (menu->isVisible()) menu->close();
    });
    const auto data = dndtest::FileData({fax});
    Drag drag(Panel(), *data, Qt::CopyAction | Qt::MoveAction, Qt::RightButton);
    drag.Enter();
    EXPECT_EQ(drag.Drop(), Qt::MoveAction);
    QCoreApplication::processEvents();
    EXPECT_EQ(offered, (std::vector<std::string>{"Hierher &verschieben", "Hierher &kopieren", "&Abbrechen"}));
    EXPECT_EQ(Shown(), fax);
}

}  // namespace
