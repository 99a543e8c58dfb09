// The drag-and-drop component: its defaults, when it registers and revokes
// its target, drag detection, and the clipboard.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QCursor>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QWindow>

#include "platform/OleDragDrop.h"
#include "tests/viewer/DragDropKit.h"
#include "tests/viewer/ViewerTestKit.h"
#include "viewer/DragDropFiles.h"

namespace {

using dndtest::TPlainDragDrop;

TEST(TDragDrop, TheDefaultsAndTheMenusItems) {
    testkit::ScopedEnv language("LC_ALL", std::string("en_US.UTF-8"));
    TPlainDragDrop dd;
    EXPECT_FALSE(dd.AcceptOwnDnD);
    EXPECT_FALSE(dd.AutoDetectDnD);
    EXPECT_FALSE(dd.BringToFront);
    EXPECT_EQ(dd.DragDetectDelta, 10);
    EXPECT_EQ(dd.DragDropControl(), nullptr);
    EXPECT_EQ(dd.SourceCompatibility, CheckLindex | CheckdwAspect);
    EXPECT_EQ(dd.SourceEffects(), 0u);
    EXPECT_TRUE(dd.TargetPopUpMenu);
    EXPECT_EQ(dd.TargetEffects(), 0u);
    EXPECT_EQ(dd.RenderDataOn, TRenderDataOn::rdoDropSync);
    EXPECT_EQ(dd.ScrollDetectOptions().ScrollDelay, 100);
    EXPECT_EQ(dd.ScrollDetectOptions().StartDelay, 750);
    for (const TScrollDetectArea* a : {&dd.ScrollDetectOptions().AreaLeft, &dd.ScrollDetectOptions().AreaTop,
                                       &dd.ScrollDetectOptions().AreaRight, &dd.ScrollDetectOptions().AreaBottom}) {
        EXPECT_EQ(a->Margin(), 0);
        EXPECT_EQ(a->Range(), 10);
    }
    EXPECT_FALSE(dd.ScrollDetectOptions().VertScrolling || dd.ScrollDetectOptions().HorzScrolling ||
                 dd.ScrollDetectOptions().VertPageScroll || dd.ScrollDetectOptions().HorzPageScroll);
    std::vector<std::string> items;
    for (QAction* a : dd.PopupMenu()->actions()) items.push_back(a->isSeparator() ? "-" : a->text().toStdString());
    EXPECT_EQ(items, (std::vector<std::string>{"&Move Here", "&Copy Here", "&Shortcut(s) Create Here", "-", "&Abort"}));
    EXPECT_FALSE(dd.Registered());
    EXPECT_FALSE(dd.Subclassed());
    EXPECT_EQ(dd.DragDetectStatus(), ddsIdle);

    TDragDropFiles files;
    EXPECT_EQ(files.SourceCompatibility, 0u);
    EXPECT_NE(dynamic_cast<TDropTargetFiles*>(files.DropTarget()), nullptr);
    EXPECT_FALSE(files.CreateDataObject());
}

TEST(TScrollDetectOptions, AssigningCopiesTheDelaysAndAreasAndAChangeIsTold) {
    TScrollDetectOptions from, to;
    int changes = 0;
    to.OnChange = [&] { ++changes; };
    from.ScrollDelay = 5;
    from.StartDelay = 6;
    from.AreaTop.SetMargin(3);
    from.AreaRight.SetRange(20);
    from.VertScrolling = true;
    to.Assign(from);
    EXPECT_EQ(to.ScrollDelay, 5);
    EXPECT_EQ(to.StartDelay, 6);
    EXPECT_EQ(to.AreaTop.Margin(), 3);
    EXPECT_EQ(to.AreaRight.Range(), 20);
    EXPECT_FALSE(to.VertScrolling);
    EXPECT_EQ(changes, 2);
    to.AreaLeft.SetRange(10);  // no change
    EXPECT_EQ(changes, 2);
    to.AreaLeft.SetMargin(1);
    EXPECT_EQ(changes, 3);
}

class ComponentTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<QWidget>();
        form->resize(300, 200);
        control = new QWidget(form.get());
        control->setGeometry(10, 10, 200, 100);
    }
    void TearDown() override {
        dd.reset();
        form.reset();
    }
    void Make() {
        dd = std::make_unique<TPlainDragDrop>(form.get());
        dd->SetDragDropControl(control);
    }
    bool Bound(QWidget* W) const { return ole::RegisteredTarget(W) == dd->DropTarget() && W->acceptDrops(); }

    testkit::ScopedScriptedUi ui;
    std::unique_ptr<QWidget> form;
    QWidget* control = nullptr;
    std::unique_ptr<TPlainDragDrop> dd;
};

TEST_F(ComponentTest, TargetEffectsRegisterAndEmptyOnesRevoke) {
    Make();
    EXPECT_FALSE(dd->Registered());
    EXPECT_EQ(ole::RegisteredTarget(control), nullptr);
    dd->SetTargetEffects(deCopy | deMove);
    EXPECT_TRUE(dd->Registered());
    EXPECT_TRUE(dd->Subclassed());
    EXPECT_TRUE(Bound(control));
    const ole::Ref<TDropTarget> target = dd->DropTarget();
    const uint32_t held = target->RefCount();
    dd->SetTargetEffects(deCopy);  // registered already: nothing new
    EXPECT_EQ(target->RefCount(), held);

    dd->SetTargetEffects(0);
    EXPECT_FALSE(dd->Registered());
    EXPECT_FALSE(dd->Subclassed());
    EXPECT_EQ(ole::RegisteredTarget(control), nullptr);
    EXPECT_FALSE(control->acceptDrops());
    EXPECT_EQ(target->RefCount(), held - 2);  // the lock and the binding's reference are gone

    dd->SetTargetEffects(deMove);
    EXPECT_TRUE(dd->Registered());
    EXPECT_TRUE(Bound(control));
    EXPECT_EQ(target->RefCount(), held);
}

TEST_F(ComponentTest, SettingsMadeWhileLoadingTakeEffectWhenLoaded) {
    dd = std::make_unique<TPlainDragDrop>(form.get());
    dd->BeginLoading();
    dd->SetDragDropControl(control);
    dd->SetTargetEffects(deCopy);
    dd->SetSourceEffects(deCopy);
    EXPECT_FALSE(dd->Registered());
    EXPECT_FALSE(dd->Subclassed());
    EXPECT_EQ(ole::RegisteredTarget(control), nullptr);
    dd->Loaded();
    EXPECT_TRUE(dd->Registered());
    EXPECT_TRUE(Bound(control));
}

TEST_F(ComponentTest, AnotherControlTakesTheTargetAndTheWatching) {
    Make();
    dd->SetTargetEffects(deCopy);
    auto* other = new QWidget(form.get());
    dd->SetDragDropControl(other);
    EXPECT_EQ(ole::RegisteredTarget(control), nullptr);
    EXPECT_FALSE(control->acceptDrops());
    EXPECT_TRUE(Bound(other));
    EXPECT_TRUE(dd->Registered());

    // A control watched only for drags out is let go as well.
    dd->SetTargetEffects(0);
    dd->SetSourceEffects(deCopy);
    EXPECT_TRUE(dd->Subclassed());
    dd->SetDragDropControl(control);
    EXPECT_TRUE(dd->Subclassed());
    dd->AutoDetectDnD = true;
    form->show();
    QTest::mousePress(form->windowHandle(), Qt::LeftButton, Qt::NoModifier, other->geometry().center());
    EXPECT_EQ(dd->DragDetectStatus(), ddsIdle);
    QTest::mouseRelease(form->windowHandle(), Qt::LeftButton, Qt::NoModifier, other->geometry().center());
    QTest::mousePress(form->windowHandle(), Qt::LeftButton, Qt::NoModifier, control->geometry().center());
    EXPECT_EQ(dd->DragDetectStatus(), ddsLeftPressed);
    QTest::mouseRelease(form->windowHandle(), Qt::LeftButton, Qt::NoModifier, control->geometry().center());
    EXPECT_EQ(dd->DragDetectStatus(), ddsIdle);
}

TEST_F(ComponentTest, DestroyingTheComponentRevokesWhileTheControlLives) {
    Make();
    dd->SetTargetEffects(deCopy);
    const ole::Ref<TDropTarget> target = dd->DropTarget();
    dd.reset();
    EXPECT_EQ(ole::RegisteredTarget(control), nullptr);
    EXPECT_FALSE(control->acceptDrops());
    EXPECT_EQ(target->RefCount(), 1u);
    EXPECT_EQ(target->Owner(), nullptr);
    // What still reaches the orphaned target drops nothing.
    uint32_t effect = ole::kEffectCopy;
    EXPECT_EQ(target->Drop(nullptr, 0, QPoint(), &effect), ole::kFail);
    EXPECT_EQ(effect, ole::kEffectNone);
}

TEST_F(ComponentTest, DestroyingTheFormRevokesBeforeTheWindowIsGone) {
    Make();
    dd->SetTargetEffects(deCopy);
    form->show();
    const ole::Ref<TDropTarget> target = dd->DropTarget();
    const QPointer<QWindow> window = form->windowHandle();
    ASSERT_TRUE(window);
    bool checked = false;
    // Connected after the component: runs when the component has seen the control go.
    QObject::connect(control, &QObject::destroyed, [&] {
        checked = true;
        EXPECT_EQ(ole::RegisteredTarget(control), nullptr);
        EXPECT_TRUE(window) << "the window went before the target was revoked";
        EXPECT_EQ(target->RefCount(), 2u);  // ours and the component's, no lock, no binding
    });
    dd.release();  // the form owns it
    form.reset();
    EXPECT_TRUE(checked);
    EXPECT_EQ(target->RefCount(), 1u);
}

class DetectTest : public ComponentTest {
protected:
    void SetUp() override {
        ComponentTest::SetUp();
        Make();
        dd->AutoDetectDnD = true;
        dd->SetSourceEffects(deCopy);
        dd->OnDragDetect = [this](TDragDrop* Sender, uint32_t Keys, QPoint Start, QPoint Current, int Status) {
            EXPECT_EQ(Sender, dd.get());
            statuses.push_back(Status);
            starts.push_back(Start);
            currents.push_back(Current);
            keys = Keys;
            if (Status == ddsDragDetected && endsDrag) dd->SetDragDetectStatus(ddsIdle);
        };
        form->show();
        window = form->windowHandle();
    }
    // Points of the control in the window.
    QPoint At(int X, int Y) const { return control->geometry().topLeft() + QPoint(X, Y); }
    void Press(Qt::MouseButton B, QPoint P) { QTest::mousePress(window, B, Qt::NoModifier, P); }
    void Release(Qt::MouseButton B, QPoint P) { QTest::mouseRelease(window, B, Qt::NoModifier, P); }
    void Move(QPoint P) { QTest::mouseMove(window, P); }

    QWindow* window = nullptr;
    std::vector<int> statuses;
    std::vector<QPoint> starts, currents;
    uint32_t keys = 0;
    bool endsDrag = false;
};

TEST_F(DetectTest, AMoveOfExactlyTheDeltaIsNoDragAndOnePixelMoreIs) {
    struct Case {
        const char* what;
        uint8_t delta;
        QPoint within;  // moves that stay a press
        QPoint beyond;
    } cases[] = {
        {"across", 10, {10, 10}, {11, 0}},
        {"down", 10, {-10, 10}, {0, 11}},
        {"back and up", 10, {-10, -10}, {-11, -3}},
        {"a small delta", 3, {3, -3}, {0, -4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        statuses.clear();
        starts.clear();
        currents.clear();
        dd->DragDetectDelta = c.delta;
        const QPoint start = At(50, 50);
        Press(Qt::LeftButton, start);
        EXPECT_EQ(dd->DragDetectStatus(), ddsLeftPressed);
        EXPECT_EQ(TDragDrop::DragDetectInstance(), dd.get());
        Move(start + QPoint(c.within.x(), 0));
        Move(start + QPoint(0, c.within.y()));
        Move(start + c.within);
        EXPECT_EQ(dd->DragDetectStatus(), ddsLeftPressed);
        Move(start + c.beyond);
        // Detected, and the handler left it so: back to idle, told again.
        EXPECT_EQ(statuses, (std::vector<int>{ddsLeftPressed, ddsDragDetected, ddsIdle}));
        EXPECT_EQ(starts.back(), QPoint(50, 50));
        EXPECT_EQ(currents[1], QPoint(50, 50) + c.beyond);
        EXPECT_EQ(TDragDrop::DragDetectInstance(), nullptr);
        Release(Qt::LeftButton, start + c.beyond);
        EXPECT_EQ(statuses.size(), 3u);
    }
}

TEST_F(DetectTest, AHandlerThatEndsTheDragIsToldOnce) {
    endsDrag = true;
    Press(Qt::RightButton, At(50, 50));
    Move(At(70, 50));
    EXPECT_EQ(statuses, (std::vector<int>{ddsRightPressed, ddsDragDetected}));
    EXPECT_EQ(keys, ole::kKeyRightButton);
    Release(Qt::RightButton, At(70, 50));
}

TEST_F(DetectTest, ReleasingTheButtonOrPressingBothEndsTheDetection) {
    Press(Qt::LeftButton, At(50, 50));
    Release(Qt::LeftButton, At(52, 50));
    EXPECT_EQ(statuses, (std::vector<int>{ddsLeftPressed, ddsIdle}));
    EXPECT_EQ(TDragDrop::DragDetectInstance(), nullptr);

    statuses.clear();
    Press(Qt::LeftButton, At(50, 50));
    Press(Qt::RightButton, At(50, 50));
    EXPECT_EQ(dd->DragDetectStatus(), ddsCancelled);
    Move(At(90, 90));  // cancelled: moving does not start a drag
    Release(Qt::RightButton, At(90, 90));
    EXPECT_EQ(dd->DragDetectStatus(), ddsCancelled);
    Release(Qt::LeftButton, At(90, 90));
    EXPECT_EQ(statuses, (std::vector<int>{ddsLeftPressed, ddsCancelled, ddsIdle}));
    EXPECT_EQ(TDragDrop::DragDetectInstance(), nullptr);
}

TEST_F(DetectTest, TheViewersSettingsNeverDetect) {
    // No effects offered as a source: a press starts nothing, and nothing
    // follows the mouse.
    dd->SetSourceEffects(0);
    dd->SetTargetEffects(deCopy | deMove);
    Press(Qt::LeftButton, At(50, 50));
    EXPECT_EQ(TDragDrop::DragDetectInstance(), nullptr);
    Move(At(90, 90));
    Release(Qt::LeftButton, At(90, 90));
    Press(Qt::RightButton, At(50, 50));
    Release(Qt::RightButton, At(50, 50));
    EXPECT_TRUE(statuses.empty());
    EXPECT_EQ(dd->DragDetectStatus(), ddsIdle);

    // Nor without AutoDetectDnD.
    dd->SetSourceEffects(deCopy);
    dd->AutoDetectDnD = false;
    Press(Qt::LeftButton, At(50, 50));
    Release(Qt::LeftButton, At(50, 50));
    EXPECT_TRUE(statuses.empty());
}

TEST_F(DetectTest, ADetectionStartedByCallTakesTheFilterFromAnother) {
    TPlainDragDrop other(form.get());
    std::vector<int> otherStatuses;
    other.OnDragDetect = [&](TDragDrop*, uint32_t, QPoint, QPoint, int Status) { otherStatuses.push_back(Status); };
    Press(Qt::LeftButton, At(50, 50));
    EXPECT_EQ(TDragDrop::DragDetectInstance(), dd.get());
    QCursor::setPos(form->mapToGlobal(At(50, 50)));
    other.StartDragDetect(1);
    EXPECT_EQ(TDragDrop::DragDetectInstance(), &other);
    EXPECT_EQ(other.DragDetectStatus(), ddsRightPressed);
    EXPECT_EQ(otherStatuses, (std::vector<int>{ddsRightPressed}));
    EXPECT_EQ(dd->DragDetectStatus(), ddsIdle);
    EXPECT_EQ(statuses, (std::vector<int>{ddsLeftPressed, ddsIdle}));
    Release(Qt::LeftButton, At(50, 50));
    other.StartDragDetect(2);  // no such button: ends it, nothing else
    EXPECT_EQ(other.DragDetectStatus(), ddsIdle);
    EXPECT_EQ(otherStatuses.size(), 1u);
    other.SetDragDetectStatus(ddsIdle);
}

TEST_F(DetectTest, AMoveOverTheControlWithNoButtonDownEndsADetection) {
    control->setMouseTracking(true);
    Move(At(50, 50));
    QCursor::setPos(form->mapToGlobal(At(50, 50)));
    dd->StartDragDetect(0);
    EXPECT_EQ(TDragDrop::DragDetectInstance(), dd.get());
    Move(At(52, 51));
    EXPECT_EQ(TDragDrop::DragDetectInstance(), nullptr);
    EXPECT_EQ(statuses, (std::vector<int>{ddsLeftPressed, ddsIdle}));
}

TEST_F(DetectTest, TheComponentThatGoesTakesItsFilterAlong) {
    Press(Qt::LeftButton, At(50, 50));
    EXPECT_EQ(TDragDrop::DragDetectInstance(), dd.get());
    dd.reset();
    EXPECT_EQ(TDragDrop::DragDetectInstance(), nullptr);
    Move(At(90, 90));  // nothing is served any more
    Release(Qt::LeftButton, At(90, 90));
}

TEST(TDragDropUnit, TheServiceRunsWhileAComponentExists) {
    EXPECT_FALSE(ole::Initialized());
    {
        auto first = std::make_unique<TPlainDragDrop>();
        EXPECT_TRUE(ole::Initialized());
        TPlainDragDrop second;
        first.reset();
        EXPECT_TRUE(ole::Initialized());
    }
    EXPECT_FALSE(ole::Initialized());
}

TEST(TDragDropFiles, TheClipboardTakesAndGivesTheFileList) {
    testkit::ScopedScriptedUi ui;
    TDragDropFiles dd;
    EXPECT_FALSE(dd.CopyToClipboard());
    dd.FileList = {"/tmp/one.tif", "/tmp/Grüße.TIF"};
    ASSERT_TRUE(dd.CopyToClipboard());
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(mime);
    ASSERT_EQ(mime->urls().size(), 2);
    EXPECT_EQ(mime->urls()[1].toLocalFile().toStdString(), "/tmp/Grüße.TIF");

    dd.FileList.clear();
    ASSERT_TRUE(dd.PasteFromClipboard());
    EXPECT_EQ(dd.FileList, (std::vector<std::string>{"/tmp/one.tif", "/tmp/Grüße.TIF"}));
    // Text on the clipboard brings no list: the list stays.
    QApplication::clipboard()->setText("/tmp/other.tif");
    EXPECT_TRUE(dd.PasteFromClipboard());
    EXPECT_EQ(dd.FileList.size(), 2u);
}

}  // namespace
