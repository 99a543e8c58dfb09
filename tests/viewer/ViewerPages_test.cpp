// The viewer's pages, page box, zoom box and menu, fit modes, rotation,
// drawn rectangles, shortcuts and enabled states.
#include <QAction>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QLocale>
#include <QTest>
#include <QToolButton>

#include "tests/viewer/ViewerTestKit.h"
#include "viewer/ViewerRules.h"

namespace {

using viewertest::ViewerTest;

class ViewerPagesTest : public ViewerTest {
protected:
    leafor::TFormMain& Open(int Pages) {
        ui->Answer(Fax("fax" + std::to_string(Pages) + ".tif", Pages));
        Start();
        form->ToolButtonOpenClick();
        ui->ClearPrompts();
        return *form;
    }
    // The enabled states of the page moves: first, previous (menu, button),
    // next (menu, button), last.
    std::vector<bool> Moves() {
        auto& f = *form;
        return {f.MenuPageFirst->isEnabled(),      f.MenuPagePrevious->isEnabled(), f.ToolButtonPrevPage->isEnabled(),
                f.MenuPageNext->isEnabled(),       f.ToolButtonNextPage->isEnabled(), f.MenuPageLast->isEnabled()};
    }
    void TypeInto(QWidget* Box, const char* Keys) {
        Box->setFocus();
        QTest::keyClicks(Box, QLatin1String(Keys));
    }
};

TEST_F(ViewerPagesTest, AOnePageFaxHasEveryPageMoveDisabled) {
    Open(1);
    EXPECT_EQ(Moves(), (std::vector<bool>{false, false, false, false, false, false}));
    EXPECT_TRUE(form->ToolButtonSaveAs->isEnabled());
    EXPECT_TRUE(form->MenuZoomZoom200->isEnabled());
}

TEST_F(ViewerPagesTest, PageMovesFollowThePage) {
    auto& f = Open(5);
    EXPECT_EQ(Moves(), (std::vector<bool>{false, false, false, true, true, true}));
    f.ToolButtonNextPageClick();
    EXPECT_EQ(f.ImgEdit1->Page(), 2);
    EXPECT_EQ(PageBox(), "2");
    EXPECT_EQ(Moves(), (std::vector<bool>{true, true, true, true, true, true}));
    f.MenuPageLastClick();
    EXPECT_EQ(PageBox(), "5");
    EXPECT_EQ(Moves(), (std::vector<bool>{true, true, true, false, false, false}));
    f.MenuPageNextClick();  // at the last page nothing moves
    EXPECT_EQ(f.ImgEdit1->Page(), 5);
    f.MenuPagePreviousClick();
    EXPECT_EQ(f.ImgEdit1->Page(), 4);
    f.MenuPageFirstClick();
    EXPECT_EQ(f.ImgEdit1->Page(), 1);
    f.ToolButtonPrevPageClick();
    EXPECT_EQ(f.ImgEdit1->Page(), 1);
}

TEST_F(ViewerPagesTest, CtrlNAndCtrlPMoveFromAnyControlOfTheWindow) {
    auto& f = Open(3);
    f.activateWindow();
    QApplication::setActiveWindow(&f);
    QTest::keyClick(f.ComboBoxZoom->lineEdit(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(f.ImgEdit1->Page(), 2);
    QTest::keyClick(f.EditPage, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(f.ImgEdit1->Page(), 3);
    QTest::keyClick(f.ImgEdit1, Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(f.ImgEdit1->Page(), 2);
    EXPECT_TRUE(f.FormShortCut((Qt::CTRL | Qt::Key_P).toCombined()));
    EXPECT_EQ(f.ImgEdit1->Page(), 1);
    // A disabled item takes no key, and other keys are none of the menu's.
    EXPECT_FALSE(f.FormShortCut((Qt::CTRL | Qt::Key_P).toCombined()));
    EXPECT_FALSE(f.FormShortCut((Qt::CTRL | Qt::Key_Q).toCombined()));
    EXPECT_EQ(PageBox(), "1");
}

TEST_F(ViewerPagesTest, ThePageBoxTakesWholePageNumbersOfTheFaxOnly) {
    auto& f = Open(5);
    f.ToolButtonNextPageClick();
    for (const char* text : {"0", "-3", "99", "", "2x", "6"}) {
        SCOPED_TRACE(text);
        f.EditPage->setText(QLatin1String(text));
        f.EditPageExit();
        EXPECT_EQ(PageBox(), "2");
        EXPECT_EQ(f.ImgEdit1->Page(), 2);
        EXPECT_FALSE(f.PageEditCommitted);
    }
    // Typed: only digits pass; Enter applies at once.
    f.EditPage->clear();
    TypeInto(f.EditPage, "a4-b.");
    EXPECT_EQ(PageBox(), "4");
    QTest::keyClick(f.EditPage, Qt::Key_Return);
    EXPECT_EQ(f.ImgEdit1->Page(), 4);
    EXPECT_EQ(PageBox(), "4");
    // The box was left with its text unchanged, so its next change only
    // brings back the current page.
    EXPECT_TRUE(f.PageEditCommitted);
    f.EditPage->setText("5");
    EXPECT_EQ(PageBox(), "4");
    EXPECT_FALSE(f.PageEditCommitted);
    // Leaving the box for another control applies it too; the window losing
    // the focus does not.
    f.EditPage->setText("5");
    QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(f.EditPage, &away);
    EXPECT_EQ(f.ImgEdit1->Page(), 4);
    QFocusEvent tab(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(f.EditPage, &tab);
    EXPECT_EQ(f.ImgEdit1->Page(), 5);
}

TEST_F(ViewerPagesTest, TheZoomBoxKeepsItsLimitsAndTheLocalesSeparator) {
    auto& f = Open(1);
    f.ToolButtonBestFit->setChecked(true);
    const struct {
        const char* text;
        float zoom;
        const char* shown;
    } cases[] = {{"1", 2, "2"}, {"5000", 3000, "3000"}, {"-7", 2, "2"}, {"250", 250, "250"}, {"2", 2, "2"},
                 {"3000", 3000, "3000"}, {"12.5", 12.5f, "12.5"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        f.ComboBoxZoom->setEditText(QLatin1String(c.text));
        f.ComboBoxZoomExit();
        EXPECT_FLOAT_EQ(f.ImgEdit1->Zoom(), c.zoom);
        EXPECT_EQ(ZoomBox(), c.shown);
        EXPECT_FALSE(f.ToolButtonBestFit->isChecked());
    }
    // No number changes nothing.
    f.ComboBoxZoom->setEditText("abc");
    f.ComboBoxZoomExit();
    EXPECT_FLOAT_EQ(f.ImgEdit1->Zoom(), 12.5f);
    // Typed: no letters, one separator, "-" only at the start.
    f.ComboBoxZoom->setEditText("");
    TypeInto(f.ComboBoxZoom->lineEdit(), "x1y2..5-");
    EXPECT_EQ(ZoomBox(), "12.5");
    f.ComboBoxZoom->lineEdit()->setCursorPosition(0);
    QTest::keyClick(f.ComboBoxZoom->lineEdit(), Qt::Key_Minus);
    EXPECT_EQ(ZoomBox(), "-12.5");
    QTest::keyClick(f.ComboBoxZoom->lineEdit(), Qt::Key_Return);
    EXPECT_FLOAT_EQ(f.ImgEdit1->Zoom(), 2);
    // A comma locale: twelve comma five is 12.5, and the box shows a comma.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    f.ComboBoxZoom->setEditText("");
    TypeInto(f.ComboBoxZoom->lineEdit(), "12.,5");
    EXPECT_EQ(ZoomBox(), "12,5");
    QTest::keyClick(f.ComboBoxZoom->lineEdit(), Qt::Key_Return);
    EXPECT_FLOAT_EQ(f.ImgEdit1->Zoom(), 12.5f);
    f.ToolButtonBestFit->setChecked(true);
    f.FormPaint();
    EXPECT_NE(ZoomBox().find(','), std::string::npos) << ZoomBox();
    QLocale::setDefault(QLocale::c());
    // A list item applies when chosen.
    f.ComboBoxZoom->setCurrentIndex(f.ComboBoxZoom->findText("75"));
    emit f.ComboBoxZoom->activated(f.ComboBoxZoom->currentIndex());
    EXPECT_FLOAT_EQ(f.ImgEdit1->Zoom(), 75);
    EXPECT_FALSE(f.ToolButtonBestFit->isChecked());
}

TEST_F(ViewerPagesTest, TheZoomMenuStepsAndItsLimits) {
    auto& f = Open(1);
    f.ToolButtonFitToWidth->setChecked(true);
    const struct {
        float from;
        bool in;
        float to;
    } cases[] = {{6530, true, 6550}, {6540, true, 6540}, {6533, true, 6553}, {100, true, 120},
                 {21, false, 2},     {22, false, 2},     {2, false, 2},      {100, false, 80}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + (c.in ? " in" : " out"));
        f.ImgEdit1->SetZoom(c.from);
        if (c.in) f.MenuZoomZoomInClick();
        else f.MenuZoomZoomOutClick();
        EXPECT_FLOAT_EQ(f.ImgEdit1->Zoom(), c.to);
        EXPECT_EQ(ZoomBox(), viewerrules::ZoomText(c.to, U'.'));
        EXPECT_FALSE(f.ToolButtonFitToWidth->isChecked());
    }
    const struct {
        void (leafor::TFormMain::*item)();
        float zoom;
    } fixed[] = {{&leafor::TFormMain::MenuZoomZoom10Click, 10},   {&leafor::TFormMain::MenuZoomZoom25Click, 25},
                 {&leafor::TFormMain::MenuZoomZoom50Click, 50},   {&leafor::TFormMain::MenuZoomZoom100Click, 100},
                 {&leafor::TFormMain::MenuZoomZoom200Click, 200}};
    for (const auto& z : fixed) {
        f.ToolButtonBestFit->setChecked(true);
        (f.*z.item)();
        EXPECT_FLOAT_EQ(f.ImgEdit1->Zoom(), z.zoom);
        EXPECT_EQ(ZoomBox(), std::to_string(static_cast<int>(z.zoom)));
        EXPECT_FALSE(f.ToolButtonBestFit->isChecked());
    }
}

TEST_F(ViewerPagesTest, AWidthFitFollowsResizesUntilAZoomIsChosen) {
    auto& f = Open(2);
    f.ToolButtonFitToWidth->click();
    EXPECT_TRUE(f.ToolButtonFitToWidth->isChecked());
    // Clicking the button that is down leaves it down.
    f.ToolButtonFitToWidth->click();
    EXPECT_TRUE(f.ToolButtonFitToWidth->isChecked());
    const float first = f.ImgEdit1->Zoom();
    EXPECT_EQ(ZoomBox(), viewerrules::ZoomText(first, U'.'));
    f.resize(f.width() + 200, f.height());
    QApplication::processEvents();
    const float wider = f.ImgEdit1->Zoom();
    EXPECT_GT(wider, first);
    EXPECT_EQ(ZoomBox(), viewerrules::ZoomText(wider, U'.'));
    // One button at a time.
    f.ToolButtonBestFit->click();
    EXPECT_FALSE(f.ToolButtonFitToWidth->isChecked());
    f.ToolButtonFitToWidth->click();
    f.MenuZoomZoom50Click();
    EXPECT_FALSE(f.ToolButtonFitToWidth->isChecked());
    f.resize(f.width() - 300, f.height());
    QApplication::processEvents();
    EXPECT_FLOAT_EQ(f.ImgEdit1->Zoom(), 50);
    EXPECT_EQ(ZoomBox(), "50");
}

TEST_F(ViewerPagesTest, FitModesOnEveryPaintWithNothingShownRaiseNothing) {
    auto& f = Start();
    for (QToolButton* b : {f.ToolButtonFitToWidth, f.ToolButtonFitToHight, f.ToolButtonBestFit}) {
        b->click();
        f.FormPaint();
        f.repaint();
        f.resize(f.width() + 10, f.height());
        QApplication::processEvents();
    }
    EXPECT_TRUE(Prompts().empty());
    EXPECT_EQ(ZoomBox(), "100");
    // Nothing shown: what needs a page is off (the rotation buttons stay on).
    EXPECT_FALSE(f.MenuFileSaveAs->isEnabled());
    EXPECT_FALSE(f.MenuZoomZoom50->isEnabled());
    EXPECT_FALSE(f.MenuPageRotateLeft->isEnabled());
    EXPECT_FALSE(f.EditPage->isEnabled());
    EXPECT_TRUE(f.ToolButtonRotateLeft->isEnabled());
    EXPECT_TRUE(f.ComboBoxZoom->isEnabled());
}

TEST_F(ViewerPagesTest, RotationTurnsTheShownPage) {
    auto& f = Open(3);
    f.MenuZoomZoom10Click();
    QApplication::processEvents();
    const QImage upright = f.ImgEdit1->grab().toImage();
    f.ToolButtonRotateRight->click();
    f.MenuPageRotateRightClick();
    QApplication::processEvents();
    EXPECT_NE(f.ImgEdit1->grab().toImage(), upright);
    f.ToolButtonRotateLeft->click();
    f.MenuPageRotateLeftClick();
    QApplication::processEvents();
    EXPECT_EQ(f.ImgEdit1->grab().toImage(), upright);
    EXPECT_TRUE(Prompts().empty());
    // With no page the control reports that there is none to turn.
    form.reset();
    auto& g = Start();
    g.ToolButtonRotateRight->click();
    ASSERT_EQ(Prompts().size(), 1u);
    EXPECT_EQ(Prompts()[0].kind, "error");
}

TEST_F(ViewerPagesTest, ADrawnRectangleIsZoomedToUnlessItStartsAtAnEdge) {
    auto& f = Open(1);
    f.MenuZoomZoom25Click();
    f.ToolButtonBestFit->setChecked(true);
    // Through the control, as the mouse draws it.
    QWidget* viewport = f.ImgEdit1->findChild<QWidget*>("PageView")->findChild<QWidget*>("qt_scrollarea_viewport");
    ASSERT_NE(viewport, nullptr);
    const QPoint centre(viewport->width() / 2, viewport->height() / 2);
    QTest::mousePress(viewport, Qt::LeftButton, {}, centre);
    QTest::mouseMove(viewport, centre + QPoint(40, 30));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, centre + QPoint(40, 30));
    EXPECT_GT(f.ImgEdit1->Zoom(), 25 * 5);
    EXPECT_FALSE(f.ToolButtonBestFit->isChecked());
    EXPECT_TRUE(f.ImgEdit1->SelectionRectangle());
    EXPECT_EQ(ZoomBox(), viewerrules::ZoomText(f.ImgEdit1->Zoom(), U'.'));
    // Left or top 0, or no extent: ignored.
    f.MenuZoomZoom25Click();
    f.ToolButtonBestFit->setChecked(true);
    for (const auto& r : {std::vector<int32_t>{0, 10, 50, 50}, std::vector<int32_t>{10, 0, 50, 50},
                          std::vector<int32_t>{10, 10, 0, 50}, std::vector<int32_t>{10, 10, 50, 0}}) {
        f.ImgEdit1SelectionRectDrawn(r[0], r[1], r[2], r[3]);
        EXPECT_FLOAT_EQ(f.ImgEdit1->Zoom(), 25);
        EXPECT_TRUE(f.ToolButtonBestFit->isChecked());
    }
    EXPECT_TRUE(Prompts().empty());
}

}  // namespace
