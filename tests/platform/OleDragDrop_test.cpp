#include "platform/OleDragDrop.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/OleDropFiles.h"

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "ole_dragdrop_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// What a target was told, and the effect it answers.
struct Call {
    std::string what;
    uint32_t keys = 0;
    QPoint point;
    uint32_t allowed = 0;
    ole::Ref<ole::DataObject> data;
};

class RecordingTarget : public ole::InterfacedObject, public ole::DropTarget {
public:
    std::vector<Call> calls;
    uint32_t answer = ole::kEffectCopy;
    ole::Result dropResult = ole::kOk;
    std::function<void()> during;  // runs inside each call

    ole::Result DragEnter(ole::DataObject* Data, uint32_t Keys, QPoint Point, uint32_t* Effect) override {
        return Record("enter", Data, Keys, Point, Effect);
    }
    ole::Result DragOver(uint32_t Keys, QPoint Point, uint32_t* Effect) override {
        return Record("over", nullptr, Keys, Point, Effect);
    }
    ole::Result DragLeave() override {
        calls.push_back({"leave"});
        if (during) during();
        return ole::kOk;
    }
    ole::Result Drop(ole::DataObject* Data, uint32_t Keys, QPoint Point, uint32_t* Effect) override {
        Record("drop", Data, Keys, Point, Effect);
        return dropResult;
    }

private:
    ole::Result Record(const char* What, ole::DataObject* Data, uint32_t Keys, QPoint Point, uint32_t* Effect) {
        calls.push_back({What, Keys, Point, *Effect, Data});
        *Effect = answer;
        if (during) during();
        return ole::kOk;
    }
};

std::unique_ptr<QMimeData> Files(const QStringList& Urls) {
    auto d = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& u : Urls) urls.push_back(QUrl(u));
    d->setUrls(urls);
    return d;
}

ole::FormatEtc Wanted(ole::ClipFormat Format, uint32_t Media = ole::kMediumGlobal) {
    ole::FormatEtc f;
    f.format = Format;
    f.media = Media;
    return f;
}

// The bytes a data object renders for Format; nothing when it refuses.
std::optional<std::string> Rendered(ole::DataObject& Data, ole::ClipFormat Format) {
    ole::StorageMedium medium;
    if (Data.GetData(Wanted(Format), medium) != ole::kOk) return std::nullopt;
    EXPECT_EQ(medium.medium, ole::kMediumGlobal);
    EXPECT_EQ(medium.releaser, nullptr);
    const ole::LockedBlock locked(medium.block);
    std::string bytes(reinterpret_cast<const char*>(locked.Data()), locked.Size());
    ole::ReleaseMedium(medium);
    return bytes;
}

std::optional<std::vector<std::string>> FileNames(ole::DataObject& Data) {
    const auto block = Rendered(Data, ole::kFormatFileList);
    if (!block) return std::nullopt;
    return ole::ParseDropFiles(*block);
}

class OleBinding : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        ASSERT_TRUE(ole::Initialize());
        widget = std::make_unique<QWidget>();
        widget->resize(200, 100);
        widget->move(30, 40);
        target = new RecordingTarget;
        held = target;
    }
    void TearDown() override {
        ole::RevokeDragDrop(widget.get());
        widget.reset();
        held.reset();
        ole::Uninitialize();
    }

    void Send(QEvent& E) { QCoreApplication::sendEvent(widget.get(), &E); }

    std::unique_ptr<QWidget> widget;
    RecordingTarget* target = nullptr;
    ole::Ref<RecordingTarget> held;
};

TEST_F(OleBinding, RegistrationHoldsTheTargetUntilRevoked) {
    EXPECT_FALSE(widget->acceptDrops());
    EXPECT_EQ(ole::RegisterDragDrop(nullptr, target), ole::kInvalidWindow);
    EXPECT_EQ(ole::RegisterDragDrop(widget.get(), nullptr), ole::kInvalidArgument);
    EXPECT_EQ(target->RefCount(), 1u);

    ASSERT_EQ(ole::RegisterDragDrop(widget.get(), target), ole::kOk);
    EXPECT_TRUE(widget->acceptDrops());
    EXPECT_EQ(ole::RegisteredTarget(widget.get()), target);
    EXPECT_EQ(target->RefCount(), 2u);
    RecordingTarget other;
    other.AddRef();
    EXPECT_EQ(ole::RegisterDragDrop(widget.get(), &other), ole::kAlreadyRegistered);
    EXPECT_EQ(ole::RegisteredTarget(widget.get()), target);

    EXPECT_EQ(ole::RevokeDragDrop(widget.get()), ole::kOk);
    EXPECT_FALSE(widget->acceptDrops());
    EXPECT_EQ(ole::RegisteredTarget(widget.get()), nullptr);
    EXPECT_EQ(target->RefCount(), 1u);
    EXPECT_EQ(ole::RevokeDragDrop(widget.get()), ole::kNotRegistered);
    EXPECT_EQ(ole::RevokeDragDrop(nullptr), ole::kInvalidWindow);

    // A revoked widget gets its drag events as before, untouched.
    auto mime = Files({"file:///tmp/a.tif"});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    Send(enter);
    EXPECT_TRUE(target->calls.empty());
}

TEST_F(OleBinding, NothingRegistersBeforeTheServiceStarts) {
    ole::Uninitialize();
    EXPECT_EQ(ole::RegisterDragDrop(widget.get(), target), ole::kNotInitialized);
    EXPECT_FALSE(widget->acceptDrops());
    EXPECT_TRUE(ole::Initialize());
}

TEST_F(OleBinding, AWidgetThatGoesLetsGoOfItsTarget) {
    ASSERT_EQ(ole::RegisterDragDrop(widget.get(), target), ole::kOk);
    EXPECT_EQ(target->RefCount(), 2u);
    const QWidget* gone = widget.get();
    widget.reset();
    EXPECT_EQ(target->RefCount(), 1u);
    EXPECT_EQ(ole::RegisteredTarget(gone), nullptr);
}

TEST_F(OleBinding, QtDragEventsReachTheTargetWithTheirKeysEffectsAndData) {
    widget->setAcceptDrops(false);
    ASSERT_EQ(ole::RegisterDragDrop(widget.get(), target), ole::kOk);
    auto mime = Files({"file:///tmp/fax.TIF", "file:///tmp/Grüße%20€.tif"});
    const QPoint at(12, 34);

    target->answer = ole::kEffectMove;
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::ShiftModifier);
    Send(enter);
    ASSERT_EQ(target->calls.size(), 1u);
    const Call c = target->calls[0];
    EXPECT_EQ(c.what, "enter");
    EXPECT_EQ(c.keys, ole::kKeyLeftButton | ole::kKeyShift);
    EXPECT_EQ(c.allowed, ole::kEffectCopy | ole::kEffectMove);
    EXPECT_EQ(c.point, widget->mapToGlobal(at));
    ASSERT_TRUE(c.data);
    EXPECT_EQ(FileNames(*c.data), (std::vector<std::string>{"/tmp/fax.TIF", "/tmp/Grüße €.tif"}));
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::MoveAction);
    EXPECT_FALSE(ole::DragFromThisProgram());

    // An effect the drag does not allow, or none, is no drop.
    target->answer = ole::kEffectLink;
    QDragMoveEvent over(at + QPoint(1, 0), Qt::CopyAction | Qt::MoveAction, mime.get(), Qt::RightButton,
                        Qt::ControlModifier | Qt::AltModifier);
    Send(over);
    ASSERT_EQ(target->calls.size(), 2u);
    EXPECT_EQ(target->calls[1].what, "over");
    EXPECT_EQ(target->calls[1].keys, ole::kKeyRightButton | ole::kKeyControl | ole::kKeyAlt);
    EXPECT_FALSE(over.isAccepted());
    EXPECT_EQ(over.dropAction(), Qt::IgnoreAction);
    target->answer = ole::kEffectNone;
    QDragMoveEvent none(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    Send(none);
    EXPECT_FALSE(none.isAccepted());

    // The drop hands over the same data as the enter.
    target->answer = ole::kEffectCopy | ole::kEffectScroll;
    QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, mime.get(), Qt::NoButton, Qt::NoModifier);
    Send(drop);
    ASSERT_EQ(target->calls.size(), 4u);
    EXPECT_EQ(target->calls[3].what, "drop");
    EXPECT_EQ(target->calls[3].data.get(), c.data.get());
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);

    // A drop the target fails is none, whatever effect it left. An enter
    // that the target refuses still keeps the drag's moves and drop coming,
    // as a registered target hears them all.
    target->answer = ole::kEffectNone;
    QDragEnterEvent refused(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    Send(refused);
    EXPECT_EQ(refused.dropAction(), Qt::IgnoreAction);
    target->answer = ole::kEffectCopy;
    target->dropResult = ole::kFail;
    QDropEvent failed(at, Qt::CopyAction, mime.get(), Qt::NoButton, Qt::NoModifier);
    Send(failed);
    ASSERT_EQ(target->calls.size(), 6u);
    EXPECT_EQ(target->calls[5].what, "drop");
    EXPECT_FALSE(failed.isAccepted());
    EXPECT_EQ(failed.dropAction(), Qt::IgnoreAction);

    QDragEnterEvent again(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    Send(again);
    QDragLeaveEvent leave;
    Send(leave);
    EXPECT_EQ(target->calls.back().what, "leave");
}

TEST_F(OleBinding, ATargetMayRevokeItselfWhileItHandlesADrag) {
    ASSERT_EQ(ole::RegisterDragDrop(widget.get(), target), ole::kOk);
    target->during = [this] { ole::RevokeDragDrop(widget.get()); };
    auto mime = Files({"file:///tmp/a.tif"});
    QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    Send(enter);
    EXPECT_EQ(target->calls.size(), 1u);
    EXPECT_EQ(ole::RegisteredTarget(widget.get()), nullptr);
    EXPECT_EQ(target->RefCount(), 1u);
}

TEST(DataObjectFromMime, OffersLocalFilesAsAFileListAndTextAsText) {
    App();
    auto mime = Files({"file:///tmp/one.tif", "file://server/share/two.tif", "http://example.org/three.tif",
                       "file:relative.tif", "file:///tmp/a%00b.tif", "file://localhost/tmp/four.tif",
                       "file:///tmp/%E6%97%A5%E6%9C%AC.tif"});
    mime->setText("plain text");
    const std::vector<std::string> local{"/tmp/one.tif", "/tmp/four.tif", "/tmp/日本.tif"};

    ole::Ref<ole::DataObject> wide = ole::DataObjectFromMime(*mime);
    ole::Ref<ole::DataObject> ansi = ole::DataObjectFromMime(*mime, ole::NameCoding::Ansi);
    EXPECT_EQ(FileNames(*wide), local);
    EXPECT_EQ(FileNames(*ansi), local);
    EXPECT_EQ(Rendered(*wide, ole::kFormatFileList)->substr(16, 4), std::string("\1\0\0\0", 4));
    EXPECT_EQ(Rendered(*ansi, ole::kFormatFileList)->substr(16, 4), std::string("\0\0\0\0", 4));
    EXPECT_EQ(Rendered(*wide, ole::kFormatText), std::string("plain text\0", 11));

    EXPECT_EQ(wide->QueryGetData(Wanted(ole::kFormatFileList)), ole::kOk);
    EXPECT_EQ(wide->QueryGetData(Wanted(ole::kFormatFileList, ole::kMediumStream)), ole::kMediumNotOffered);
    ole::FormatEtc icon = Wanted(ole::kFormatFileList);
    icon.aspect = 4;
    EXPECT_EQ(wide->QueryGetData(icon), ole::kAspectNotOffered);
    ole::StorageMedium medium;
    EXPECT_EQ(wide->GetData(icon, medium), ole::kAspectNotOffered);
    EXPECT_EQ(medium.block, nullptr);
    EXPECT_EQ(wide->QueryGetData(Wanted(2)), ole::kFormatNotOffered);
}

TEST(DataObjectFromMime, TextOrForeignFilesOnlyBringNoFileList) {
    App();
    QMimeData text;
    text.setText("/tmp/fax.tif");
    ole::Ref<ole::DataObject> plain = ole::DataObjectFromMime(text);
    EXPECT_EQ(plain->QueryGetData(Wanted(ole::kFormatFileList)), ole::kFormatNotOffered);
    EXPECT_EQ(FileNames(*plain), std::nullopt);
    EXPECT_EQ(plain->QueryGetData(Wanted(ole::kFormatText)), ole::kOk);

    auto remote = Files({"http://example.org/x.tif", "file://elsewhere/x.tif"});
    ole::Ref<ole::DataObject> none = ole::DataObjectFromMime(*remote);
    EXPECT_EQ(none->QueryGetData(Wanted(ole::kFormatFileList)), ole::kFormatNotOffered);

    QMimeData zero;
    zero.setText(QString::fromUtf8("a\0b", 3));
    EXPECT_EQ(ole::DataObjectFromMime(zero)->QueryGetData(Wanted(ole::kFormatText)), ole::kFormatNotOffered);

    // What a snapshot cannot do it says so, and hands out nothing.
    ole::FormatEnumerator* formats = reinterpret_cast<ole::FormatEnumerator*>(1);
    EXPECT_EQ(plain->EnumFormatEtc(ole::kDirectionGet, &formats), ole::kNotImplemented);
    EXPECT_EQ(formats, nullptr);
    ole::StorageMedium medium;
    EXPECT_EQ(plain->SetData(Wanted(ole::kFormatText), medium, false), ole::kNotImplemented);
}

TEST(KeysAndEffects, QtTermsMapOneToOne) {
    EXPECT_EQ(ole::KeyStateOf(Qt::NoButton, Qt::NoModifier), 0u);
    EXPECT_EQ(ole::KeyStateOf(Qt::LeftButton | Qt::MiddleButton, Qt::ShiftModifier | Qt::ControlModifier),
              ole::kKeyLeftButton | ole::kKeyMiddleButton | ole::kKeyShift | ole::kKeyControl);
    EXPECT_EQ(ole::KeyStateOf(Qt::RightButton, Qt::AltModifier | Qt::MetaModifier), ole::kKeyRightButton | ole::kKeyAlt);

    EXPECT_EQ(ole::EffectsOf(Qt::IgnoreAction), ole::kEffectNone);
    EXPECT_EQ(ole::EffectsOf(Qt::CopyAction | Qt::LinkAction), ole::kEffectCopy | ole::kEffectLink);
    EXPECT_EQ(ole::EffectsOf(Qt::TargetMoveAction), ole::kEffectMove);

    EXPECT_EQ(ole::ActionOf(ole::kEffectNone), Qt::IgnoreAction);
    EXPECT_EQ(ole::ActionOf(ole::kEffectScroll), Qt::IgnoreAction);
    EXPECT_EQ(ole::ActionOf(ole::kEffectMove | ole::kEffectScroll), Qt::MoveAction);
    EXPECT_EQ(ole::ActionOf(ole::kEffectLink), Qt::LinkAction);
    EXPECT_EQ(ole::ActionOf(ole::kEffectCopy | ole::kEffectLink), Qt::CopyAction);
}

TEST(RegisteredEventType, OneNameOneType) {
    const QEvent::Type a = ole::RegisteredEventType("DDM_ProcessDropped");
    EXPECT_GE(a, QEvent::User);
    EXPECT_EQ(ole::RegisteredEventType("DDM_ProcessDropped"), a);
    EXPECT_NE(ole::RegisteredEventType("another"), a);
}

}  // namespace
