// The drop target: the effect from keys and allowed effects, the events it
// raises, the right-button menu, when dropped data are read, and scrolling
// the control near its edges.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <optional>

#include "tests/viewer/DragDropKit.h"
#include "tests/viewer/ViewerTestKit.h"

namespace {

using dndtest::Drag;
using dndtest::TPlainDragDrop;

class DropTargetTest : public ::testing::Test {
protected:
    void SetUp() override {
        form.resize(300, 200);
        control = new QWidget(&form);
        control->setGeometry(10, 10, 200, 100);
        dd = std::make_unique<TPlainDragDrop>(&form);
        dd->SetDragDropControl(control);
    }
    void TearDown() override { dd.reset(); }

    testkit::ScopedEnv language{"LC_ALL", std::string("en_US.UTF-8")};
    testkit::ScopedScriptedUi ui;
    QWidget form;
    QWidget* control = nullptr;
    std::unique_ptr<TPlainDragDrop> dd;
};

TEST_F(DropTargetTest, TheEffectComesFromTheKeysTheTargetsEffectsAndWhatTheSourceAllows) {
    const auto files = dndtest::FileData({"/tmp/a.tif"});
    struct Case {
        const char* what;
        TDropEffectSet target;
        Qt::DropActions allowed;
        Qt::KeyboardModifiers keys;
        uint32_t effect;        // the target's choice
        Qt::DropAction answer;  // what Qt is told
    } cases[] = {
        {"a source that allows move only, no key", deCopy | deMove, Qt::MoveAction, Qt::NoModifier, ole::kEffectMove,
         Qt::MoveAction},
        {"move only, Ctrl and Shift without link", deCopy | deMove, Qt::MoveAction, Qt::ControlModifier | Qt::ShiftModifier,
         ole::kEffectMove, Qt::MoveAction},
        {"no key copies", deCopy | deMove, Qt::CopyAction | Qt::MoveAction, Qt::NoModifier, ole::kEffectCopy,
         Qt::CopyAction},
        {"Shift moves", deCopy | deMove, Qt::CopyAction | Qt::MoveAction, Qt::ShiftModifier, ole::kEffectMove,
         Qt::MoveAction},
        {"Ctrl copies", deCopy | deMove, Qt::CopyAction | Qt::MoveAction, Qt::ControlModifier, ole::kEffectCopy,
         Qt::CopyAction},
        {"Ctrl and Shift without link: the first common", deCopy | deMove,
         Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::ControlModifier | Qt::ShiftModifier, ole::kEffectCopy,
         Qt::CopyAction},
        {"Ctrl and Shift link", deCopy | deMove | deLink, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction,
         Qt::ControlModifier | Qt::ShiftModifier, ole::kEffectLink, Qt::LinkAction},
        {"Shift moves even where the source cannot, which is no drop", deCopy | deMove, Qt::CopyAction | Qt::LinkAction,
         Qt::ShiftModifier, ole::kEffectMove, Qt::IgnoreAction},
        {"nothing in common", deLink, Qt::CopyAction | Qt::MoveAction, Qt::NoModifier, ole::kEffectNone,
         Qt::IgnoreAction},
        {"Alt counts for nothing", deCopy | deMove, Qt::CopyAction | Qt::MoveAction, Qt::AltModifier, ole::kEffectCopy,
         Qt::CopyAction},
    };
    uint32_t seen = 0;
    dd->OnDragOver = [&](TDragDrop*, uint32_t, QPoint, uint32_t& Effect) { seen = Effect; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dd->SetTargetEffects(c.target);
        ASSERT_TRUE(dd->Registered());
        Drag drag(*control, *files, c.allowed, Qt::LeftButton, c.keys);
        EXPECT_EQ(drag.Enter(), c.answer);
        EXPECT_EQ(drag.Over(), c.answer);
        EXPECT_EQ(seen, c.effect);
        drag.Leave();
    }
}

TEST_F(DropTargetTest, AnEnterThatIsNotAcceptedDropsNothing) {
    const auto files = dndtest::FileData({"/tmp/a.tif"});
    dd->SetTargetEffects(deCopy);
    bool accept = false;
    std::vector<QPoint> points;
    dd->OnDragEnter = [&](TDragDrop*, ole::DataObject* Data, uint32_t Keys, QPoint At, uint32_t& Effect, bool& Accept) {
        EXPECT_TRUE(Data);
        EXPECT_EQ(Keys, ole::kKeyLeftButton);
        EXPECT_EQ(Effect, ole::kEffectCopy);
        EXPECT_TRUE(Accept);  // what the target's check answered
        points.push_back(At);
        Accept = accept;
    };
    bool dropped = false;
    dd->OnDrop = [&](TDragDrop*, ole::DataObject*, uint32_t, QPoint, uint32_t& Effect) {
        dropped = true;
        EXPECT_EQ(Effect, accept ? ole::kEffectCopy : ole::kEffectNone);
    };
    Drag drag(*control, *files);
    EXPECT_EQ(drag.Enter({20, 30}), Qt::IgnoreAction);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0], QPoint(20, 30));  // the control's own coordinates
    EXPECT_FALSE(dd->DropTarget()->Accepted());
    EXPECT_EQ(drag.Over(), Qt::IgnoreAction);
    EXPECT_EQ(drag.Drop(), Qt::IgnoreAction);
    EXPECT_TRUE(dropped);

    accept = true;
    EXPECT_EQ(drag.Whole(), Qt::CopyAction);
}

TEST_F(DropTargetTest, DroppedDataAreReadWhenTheSettingSays) {
    const auto files = dndtest::FileData({"/tmp/a.tif"});
    dd->SetTargetEffects(deCopy);
    struct Case {
        TRenderDataOn on;
        std::vector<std::string> rendered;
    } cases[] = {
        {TRenderDataOn::rdoEnter, {"enter"}},
        {TRenderDataOn::rdoEnterAndDropSync, {"enter", "drop"}},
        {TRenderDataOn::rdoEnterAndDropAsync, {"enter", "process"}},
        {TRenderDataOn::rdoDropSync, {"drop"}},
        {TRenderDataOn::rdoDropAsync, {"process"}},
        {TRenderDataOn::rdoNever, {}},
    };
    std::vector<std::pair<uint32_t, QPoint>> processed;
    dd->OnProcessDropped = [&](TDragDrop* Sender, uint32_t Keys, QPoint At, uint32_t Effect) {
        EXPECT_EQ(Sender, dd.get());
        processed.push_back({Keys | Effect << 8, At});
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.on));
        dd->RenderDataOn = c.on;
        dd->target->rendered.clear();
        processed.clear();
        Drag drag(*control, *files, Qt::CopyAction, Qt::LeftButton, Qt::ShiftModifier);
        dd->target->phase = "enter";
        drag.Enter({5, 6});
        drag.Over({7, 8});
        dd->target->phase = "drop";
        EXPECT_EQ(drag.Drop({7, 8}), Qt::CopyAction);
        // The after-work of the drop comes as a posted event.
        EXPECT_TRUE(processed.empty());
        dd->target->phase = "process";
        QCoreApplication::processEvents();
        EXPECT_EQ(dd->target->rendered, c.rendered);
        ASSERT_EQ(processed.size(), 1u);
        EXPECT_EQ(processed[0].first, ole::kKeyShift | ole::kEffectCopy << 8);
        EXPECT_EQ(processed[0].second, QPoint(7, 8));
        for (const QPoint& p : dd->target->points) EXPECT_TRUE(p == QPoint(5, 6) || p == QPoint(7, 8));
    }
}

TEST_F(DropTargetTest, ARefusedDropPostsNothing) {
    const auto text = dndtest::TextData("just text");
    dd->SetTargetEffects(deCopy);
    dd->OnDragEnter = [](TDragDrop*, ole::DataObject*, uint32_t, QPoint, uint32_t&, bool& Accept) { Accept = false; };
    int processed = 0;
    dd->OnProcessDropped = [&](TDragDrop*, uint32_t, QPoint, uint32_t) { ++processed; };
    Drag drag(*control, *text);
    EXPECT_EQ(drag.Whole(), Qt::IgnoreAction);
    QCoreApplication::processEvents();
    EXPECT_EQ(processed, 0);
}

// The right-button menu while it shows: what it offers, then a key for it.
struct MenuSeen {
    bool shown = false;
    std::vector<std::string> visible;
    std::string proposed;
};

// Chooses the item of that caption as a person does, moving to it and
// pressing Return; with none, presses Escape.
void AnswerMenu(MenuSeen& Seen, std::optional<std::string> Item) {
    QTimer::singleShot(0, [&Seen, Item] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        Seen.shown = true;
        for (QAction* a : menu->actions())
            if (a->isVisible()) Seen.visible.push_back(a->isSeparator() ? "-" : a->text().toStdString());
        if (menu->defaultAction()) Seen.proposed = menu->defaultAction()->text().toStdString();
        if (!Item) {
            QTest::keyClick(menu, Qt::Key_Escape);
            return;
        }
        for (QAction* a : menu->actions())
            if (a->text().toStdString() == *Item) menu->setActiveAction(a);
        QTest::keyClick(menu, Qt::Key_Return);
        if (menu->isVisible()) {
            ADD_FAILURE() << "the menu took no choice";
            menu->close();
        }
    });
}

TEST_F(DropTargetTest, ARightButtonDropAsksWhatToDoAndEscapeDropsNothing) {
    const auto files = dndtest::FileData({"/tmp/a.tif"});
    dd->SetTargetEffects(deCopy | deMove);
    int processed = 0;
    uint32_t processedEffect = 0;
    dd->OnProcessDropped = [&](TDragDrop*, uint32_t, QPoint, uint32_t Effect) {
        ++processed;
        processedEffect = Effect;
    };
    {
        MenuSeen seen;
        AnswerMenu(seen, std::nullopt);
        Drag drag(*control, *files, Qt::CopyAction | Qt::MoveAction, Qt::RightButton);
        drag.Enter();
        drag.Over();
        EXPECT_EQ(drag.Drop(), Qt::IgnoreAction);
        EXPECT_TRUE(seen.shown);
        EXPECT_EQ(seen.visible, (std::vector<std::string>{"&Move Here", "&Copy Here", "-", "&Abort"}));
        EXPECT_EQ(seen.proposed, "&Copy Here");
        QCoreApplication::processEvents();
        EXPECT_EQ(processed, 0);
    }
    {
        MenuSeen seen;
        AnswerMenu(seen, "&Move Here");
        Drag drag(*control, *files, Qt::CopyAction | Qt::MoveAction, Qt::RightButton);
        drag.Enter();
        EXPECT_EQ(drag.Drop(), Qt::MoveAction);
        EXPECT_TRUE(seen.shown);
        QCoreApplication::processEvents();
        EXPECT_EQ(processed, 1);
        EXPECT_EQ(processedEffect, ole::kEffectMove);
    }
    {
        // With Shift the menu proposes the move; with the menu off a right-button drop just drops.
        MenuSeen seen;
        AnswerMenu(seen, "&Move Here");
        Drag drag(*control, *files, Qt::CopyAction | Qt::MoveAction, Qt::RightButton, Qt::ShiftModifier);
        drag.Enter();
        EXPECT_EQ(drag.Drop(), Qt::MoveAction);
        EXPECT_EQ(seen.proposed, "&Move Here");
    }
    {
        dd->TargetPopUpMenu = false;
        MenuSeen seen;
        AnswerMenu(seen, std::nullopt);
        Drag drag(*control, *files, Qt::CopyAction | Qt::MoveAction, Qt::RightButton);
        drag.Enter();
        EXPECT_EQ(drag.Drop(), Qt::CopyAction);
        QCoreApplication::processEvents();
        EXPECT_FALSE(seen.shown);
    }
}

TEST_F(DropTargetTest, ALeftButtonDropAsksNothing) {
    const auto files = dndtest::FileData({"/tmp/a.tif"});
    dd->SetTargetEffects(deCopy | deMove | deLink);
    MenuSeen seen;
    AnswerMenu(seen, std::nullopt);
    Drag drag(*control, *files, Qt::CopyAction | Qt::LinkAction);
    drag.Enter();
    EXPECT_EQ(drag.Drop(), Qt::CopyAction);
    QCoreApplication::processEvents();
    EXPECT_FALSE(seen.shown);
}

TEST(PopupCaptions, EachLanguageOfTheTableAndEnglishOtherwise) {
    struct Case {
        int id;
        TPopupCaptions captions;
    } cases[] = {
        {7, {"Hierher &kopieren", "Hierher &verschieben", "Verknüpfung(en) hier &erstellen", "&Abbrechen"}},
        {10, {"&Copie aquí", "&Muévase aquí", "&Atajo(s) crea aquí ", "&Aborto"}},
        {12, {"&Copier ici", "&Transférer ici", "&Créer un ou des raccourci(s) ici", "&Arrêt"}},
        {16, {"&Copiare qui", "&Muoversi qui", "&Scorciatoia(e) crea qui", "&Terminazione"}},
        {21, {"&Kopiuj tutaj", "&Przenieś tutaj", "Utwórz &skrót(y) tutaj", "&Anuluj"}},
        {22, {"&Copíe aqui", "&Mova aqui", "&Atalho(s) cría aqui", "&Aborto"}},
        {9, {"&Copy Here", "&Move Here", "&Shortcut(s) Create Here", "&Abort"}},
        {19, {"&Copy Here", "&Move Here", "&Shortcut(s) Create Here", "&Abort"}},
        {0, {"&Copy Here", "&Move Here", "&Shortcut(s) Create Here", "&Abort"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const TPopupCaptions got = PopupCaptions(c.id);
        EXPECT_EQ(got.copy, c.captions.copy);
        EXPECT_EQ(got.move, c.captions.move);
        EXPECT_EQ(got.link, c.captions.link);
        EXPECT_EQ(got.cancel, c.captions.cancel);
    }
}

TEST(PopupCaptions, TheMenuSpeaksTheSystemsLanguage) {
    testkit::ScopedEnv language("LC_ALL", std::string("de_DE.UTF-8"));
    TPlainDragDrop dd;
    std::vector<std::string> items;
    for (QAction* a : dd.PopupMenu()->actions()) items.push_back(a->isSeparator() ? "-" : a->text().toStdString());
    EXPECT_EQ(items, (std::vector<std::string>{"Hierher &verschieben", "Hierher &kopieren",
                                               "Verknüpfung(en) hier &erstellen", "-", "&Abbrechen"}));
    EXPECT_EQ(dd.PopupMove(), dd.PopupMenu()->actions()[0]);
    EXPECT_EQ(dd.PopupCancel(), dd.PopupMenu()->actions()[4]);
}

// ----------------------------------------------------------- auto-scroll

class AutoScrollTest : public ::testing::Test {
protected:
    // A scroll area of the given size over a large page, scrolled to its middle.
    void Make(QSize Size) {
        area = new QScrollArea(&form);
        auto* page = new QWidget;
        page->resize(2000, 2000);
        area->setWidget(page);
        area->setGeometry(QRect(QPoint(0, 0), Size));
        form.resize(Size + QSize(20, 20));
        form.show();
        QCoreApplication::processEvents();
        area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum() / 2);
        area->horizontalScrollBar()->setValue(area->horizontalScrollBar()->maximum() / 2);
        dd = std::make_unique<TPlainDragDrop>(&form);
        TScrollDetectOptions& o = dd->ScrollDetectOptions();
        o.StartDelay = 20;
        o.ScrollDelay = 10;
        o.VertScrolling = true;
        o.HorzScrolling = true;
        dd->SetDragDropControl(area);
        dd->SetTargetEffects(deCopy);
        dd->OnBeforeScrolling = [this](TDragDrop*, QPoint, int& Interval, int Direction, bool Page) {
            directions.push_back(Direction);
            EXPECT_FALSE(Page);
            EXPECT_EQ(Interval, 10);
        };
    }
    void TearDown() override { dd.reset(); }
    QPoint Bars() const { return {area->horizontalScrollBar()->value(), area->verticalScrollBar()->value()}; }

    testkit::ScopedScriptedUi ui;
    QWidget form;
    QScrollArea* area = nullptr;
    std::unique_ptr<TPlainDragDrop> dd;
    std::vector<int> directions;
    std::unique_ptr<QMimeData> files = dndtest::FileData({"/tmp/a.tif"});
};

TEST_F(AutoScrollTest, ZonesThatOverlapNeverScroll) {
    // 15 pixels: the near zone 0..10 and the far zone 4..14 overlap.
    Make(QSize(15, 15));
    const QPoint start = Bars();
    Drag drag(*area, *files);
    drag.Enter({7, 7});
    for (int at = 0; at < 15; ++at) {
        drag.Over({at, at});
        QTest::qWait(15);
    }
    QTest::qWait(60);
    EXPECT_EQ(Bars(), start);
    EXPECT_TRUE(directions.empty());
    EXPECT_EQ(dd->DropTarget()->VertDirection(), 0);
    drag.Leave();
}

TEST_F(AutoScrollTest, RestingNearAnEdgeScrollsTowardsItUntilTheDragGoes) {
    Make(QSize(200, 150));
    const QPoint start = Bars();
    uint32_t effect = 0;
    dd->OnDragOver = [&](TDragDrop*, uint32_t, QPoint, uint32_t& Effect) { effect = Effect; };
    Drag drag(*area, *files);
    drag.Enter({100, 75});
    drag.Over({100, 5});  // in the top zone, not near the sides
    EXPECT_EQ(dd->DropTarget()->VertDirection(), 1);
    EXPECT_EQ(dd->DropTarget()->HorzDirection(), 0);
    QTest::qWait(10);
    EXPECT_EQ(Bars(), start);  // not before the start delay
    ASSERT_TRUE(QTest::qWaitFor([&] { return Bars().y() < start.y() - 1; }, 2000));
    EXPECT_EQ(Bars().x(), start.x());
    ASSERT_FALSE(directions.empty());
    EXPECT_EQ(directions.front(), 0);  // up
    // While it scrolls, the effect says so; Qt is told the plain copy.
    EXPECT_EQ(drag.Over({100, 5}), Qt::CopyAction);
    EXPECT_EQ(effect, ole::kEffectCopy | ole::kEffectScroll);

    drag.Over({197, 75});  // the right zone
    ASSERT_TRUE(QTest::qWaitFor([&] { return Bars().x() > start.x() + 1; }, 2000));
    EXPECT_EQ(directions.back(), 3);
    drag.Leave();
    const QPoint left = Bars();
    QTest::qWait(60);
    EXPECT_EQ(Bars(), left);
    EXPECT_EQ(dd->DropTarget()->HorzDirection(), 0);
    drag.Enter({100, 75});
    EXPECT_EQ(drag.Over({100, 75}), Qt::CopyAction);
    EXPECT_EQ(effect, ole::kEffectCopy);  // the end of scrolling took the flag away
    drag.Leave();
}

TEST_F(AutoScrollTest, NoScrollingWhereTheBarIsAtItsEndOrTheControlHasNone) {
    Make(QSize(200, 150));
    area->verticalScrollBar()->setValue(0);
    Drag drag(*area, *files);
    drag.Enter({100, 75});
    drag.Over({100, 3});
    EXPECT_EQ(dd->DropTarget()->VertDirection(), 0);
    drag.Leave();

    QWidget plain(&form);
    plain.resize(200, 150);
    dd->SetDragDropControl(&plain);
    Drag other(plain, *files);
    other.Enter({100, 75});
    other.Over({100, 3});
    EXPECT_EQ(dd->DropTarget()->VertDirection(), 0);
    other.Leave();
    QTest::qWait(40);
    EXPECT_TRUE(directions.empty());
}

}  // namespace
