// The main window's cool bar at its first-start size and when the window is
// made narrow: every control at first start, the overflow mark, the Alt keys.
#include <QApplication>
#include <algorithm>
#include <QLayout>
#include <QMenu>
#include <QShortcut>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "mainapp/MainOverflow.h"
#include "tests/mainapp/MainTestKit.h"

using namespace maintest;

namespace {

class MainOverflowTest : public MainWindowTest {
protected:
    std::vector<QToolButton*> Buttons() {
        TFormMain& f = *form;
        return {f.ToolButtonMenuFile, f.ToolButtonEdit,    f.ToolButtonSettings, f.ToolButtonHelp,
                f.ToolButtonReload,   f.ToolButtonPlayNew, f.ToolButtonPlay,     f.ToolButtonRelease,
                f.ToolButtonErase,    f.ToolButtonModemSettings, f.ToolButtonAbout};
    }
    // What a key needs to reach a menu, for a failure's message.
    static std::string Diagnosis(TFormMain& f, QToolButton* Button, Qt::Key Key) {
        std::string out = std::string("button ") + (Button->isEnabled() ? "enabled" : "disabled") +
                          ", active window " + (QApplication::activeWindow() == &f ? "the form" : "another") +
                          ", popup " + (QApplication::activePopupWidget() ? "open" : "none");
        for (QShortcut* s : f.findChildren<QShortcut*>())
            if (s->key() == QKeySequence(Qt::ALT | Key))
                out += std::string(", shortcut ") + (s->isEnabled() ? "enabled" : "disabled");
        return out;
    }
    // Lays the window out as a shown window is.
    void Settle() {
        QApplication::processEvents();
        form->ToolBarOverflow->Update();
        QApplication::processEvents();
    }
    // Each shown button has its full size, inside the cool bar, clear of the others.
    void ExpectWholeAndInside(const std::string& Where) {
        QWidget* bar = form->CoolBar1;
        QRect previous;
        for (QToolButton* b : Buttons()) {
            if (!b->isVisible()) continue;
            SCOPED_TRACE(Where + " " + b->objectName().toStdString());
            EXPECT_GE(b->width(), b->sizeHint().width());
            const QRect r(b->mapTo(bar, QPoint(0, 0)), b->size());
            EXPECT_TRUE(bar->rect().contains(r)) << r.x() << "+" << r.width() << " in " << bar->width();
            EXPECT_FALSE(r.intersects(previous));
            previous = r;
        }
        // No bar is squeezed, so none shows an overflow of its own.
        for (QToolBar* t : {form->ToolBarMenu, form->ToolBarButtons}) EXPECT_GE(t->width(), t->sizeHint().width());
    }
    void UseLanguage(int Id) {
        SetOption("LanguageAuto", false);
        SetOption("LanguageID", Id);
    }
};

TEST_F(MainOverflowTest, TheFirstStartShowsEveryMenuAndToolButtonInEachLanguage) {
    const std::pair<int, const char*> languages[] = {{LangEnglish, "&Settings"}, {LangGerman, "&Einstellungen"},
                                                     {LangSpanish, nullptr},    {LangFrench, nullptr},
                                                     {LangItalian, nullptr},    {LangPortuguese, nullptr}};
    for (const auto& [id, settings] : languages) {
        SCOPED_TRACE(id);
        UseLanguage(id);
        Create();
        Settle();
        if (settings) {
            EXPECT_EQ(form->ToolButtonSettings->text().toStdString(), settings);
        }
        for (QToolButton* b : Buttons()) EXPECT_TRUE(b->isVisible()) << b->objectName().toStdString();
        EXPECT_FALSE(form->ToolButtonOverflow->isVisible());
        EXPECT_TRUE(form->ToolBarOverflow->Hidden().empty());
        ExpectWholeAndInside("first start");
        // The overflow reckons the bar's width as the bar's own layout does.
        EXPECT_EQ(form->ToolBarOverflow->FullWidth(), form->CoolBar1->layout()->sizeHint().width());
        // Sized for its content, not simply large.
        EXPECT_LE(form->width(), 700);
        form.reset();
    }
}

TEST_F(MainOverflowTest, ANarrowWindowPutsTheButtonsThatDoNotFitBehindTheMark) {
    modem->messages = {{MsgTypeVoice, MsgStatusOk, MsgStateOld}};
    TFormMain& f = Start();
    const int designed = f.width();
    const int full = f.ToolBarOverflow->FullWidth();
    std::vector<bool> states;
    for (QToolButton* b : Buttons()) states.push_back(b->isEnabled());
    ASSERT_NE(std::count(states.begin(), states.end(), false), 0);  // Play new and Release: nothing is new
    for (int width : {full - 10, 330, 260, 180}) {
        f.resize(width, f.height());
        Settle();
        SCOPED_TRACE(width);
        const std::vector<QToolButton*> hidden = f.ToolBarOverflow->Hidden();
        ASSERT_FALSE(hidden.empty());
        EXPECT_TRUE(f.ToolButtonOverflow->isVisible());
        for (QToolButton* b : hidden) EXPECT_FALSE(b->isVisible()) << b->objectName().toStdString();
        // The buttons go from the end: what shows comes before what is hidden.
        const auto all = Buttons();
        const std::size_t shown = all.size() - hidden.size();
        for (std::size_t i = 0; i < all.size(); ++i) EXPECT_EQ(all[i]->isVisible(), i < shown) << i;
        ExpectWholeAndInside("narrow");
        const QRect mark(f.ToolButtonOverflow->mapTo(f.CoolBar1, QPoint(0, 0)), f.ToolButtonOverflow->size());
        EXPECT_TRUE(f.CoolBar1->rect().contains(mark));
    }
    f.resize(designed, f.height());
    Settle();
    EXPECT_TRUE(f.ToolBarOverflow->Hidden().empty());
    EXPECT_FALSE(f.ToolButtonOverflow->isVisible());
    // Hidden and shown again, each button has the state the window gave it.
    for (std::size_t i = 0; i < states.size(); ++i)
        EXPECT_EQ(Buttons()[i]->isEnabled(), states[i]) << Buttons()[i]->objectName().toStdString();
    f.ToolButtonReloadClick(&f);
    for (std::size_t i = 0; i < states.size(); ++i) EXPECT_EQ(Buttons()[i]->isEnabled(), states[i]) << i;
}

TEST_F(MainOverflowTest, TheMarksMenuOffersTheHiddenButtonsInTheirStates) {
    modem->messages = {{MsgTypeVoice, MsgStatusOk, MsgStateOld}};
    TFormMain& f = Start();
    f.resize(240, f.height());
    Settle();
    const std::vector<QToolButton*> hidden = f.ToolBarOverflow->Hidden();
    ASSERT_GE(hidden.size(), 5u);  // at least the last five tool buttons
    f.ToolBarOverflow->FillMenu();
    const QList<QAction*> entries = f.ToolButtonOverflow->menu()->actions();
    ASSERT_EQ(static_cast<std::size_t>(entries.size()), hidden.size());
    for (std::size_t i = 0; i < hidden.size(); ++i) {
        QToolButton* b = hidden[i];
        QAction* e = entries[static_cast<qsizetype>(i)];
        SCOPED_TRACE(b->objectName().toStdString());
        EXPECT_EQ(e->isEnabled(), b->isEnabled());
        if (b->menu()) {
            EXPECT_EQ(e->menu(), b->menu());
            EXPECT_EQ(e->text(), b->text());
        } else {
            EXPECT_EQ(e->text(), b->toolTip());
            EXPECT_FALSE(e->icon().isNull());
        }
    }
    // Nothing new: Release is offered, but disabled; the modem info works from the menu.
    auto entry = [&](QToolButton* b) {
        for (std::size_t i = 0; i < hidden.size(); ++i)
            if (hidden[i] == b) return entries[static_cast<qsizetype>(i)];
        return static_cast<QAction*>(nullptr);
    };
    ASSERT_NE(entry(f.ToolButtonRelease), nullptr);
    EXPECT_FALSE(entry(f.ToolButtonRelease)->isEnabled());
    ASSERT_NE(entry(f.ToolButtonAbout), nullptr);
    ASSERT_TRUE(entry(f.ToolButtonAbout)->isEnabled());
    entry(f.ToolButtonAbout)->trigger();
    EXPECT_EQ(modem->calls.back(), "ShowInfo");
    // While an operation runs the menu offers nothing that could start another.
    f.Busy = true;
    f.UpdateControls();
    f.ToolBarOverflow->FillMenu();
    for (QAction* e : f.ToolButtonOverflow->menu()->actions()) EXPECT_FALSE(e->isEnabled()) << e->text().toStdString();
}

TEST_F(MainOverflowTest, EveryMenusAltKeyOpensItVisibleOrHidden) {
    TFormMain& f = Start();
    QApplication::setActiveWindow(&f);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    struct Case {
        QToolButton* button;
        QMenu* menu;
        Qt::Key key;
    };
    const Case cases[] = {{f.ToolButtonMenuFile, f.MenuFile, Qt::Key_F},
                          {f.ToolButtonEdit, f.MenuEdit, Qt::Key_E},
                          {f.ToolButtonSettings, f.MenuSettings, Qt::Key_S},
                          {f.ToolButtonHelp, f.MenuHelp, Qt::Key_H}};
    for (int width : {f.width(), 120}) {
        f.resize(width, f.height());
        Settle();
        for (const Case& c : cases) {
            SCOPED_TRACE(c.button->objectName().toStdString() + (c.button->isVisible() ? " shown" : " hidden"));
            bool opened = false;
            // A shown button opens its menu modally: look and close it from inside.
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, [&] {
                if (c.menu->isVisible()) {
                    opened = true;
                    c.menu->close();
                }
            });
            poll.start(10);
            // A closed menu gives the activation back to the window later on
            // some platforms; the user presses the next key in the window.
            f.activateWindow();
            ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &f; }, 1000));
            QTest::keyClick(&f, c.key, Qt::AltModifier);
            for (int i = 0; i < 50 && !opened; ++i) QTest::qWait(10);
            const QWidget* active = QApplication::activeWindow();
            EXPECT_TRUE(opened) << "enabled=" << c.button->isEnabled()
                                << " active=" << (active ? active->objectName().toStdString() : "none");
            c.menu->close();
        }
    }
    EXPECT_FALSE(f.ToolButtonHelp->isVisible()) << "the narrow window was not narrow";
}

}  // namespace
