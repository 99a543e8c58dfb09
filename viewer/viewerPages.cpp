// The viewer window's pages, zoom, fit modes, rotation, selection
// rectangle, shortcuts and enabled states.
#include <QButtonGroup>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QToolButton>

#include "platform/App.h"
#include "viewer/Imaging.h"
#include "viewer/ViewerRules.h"
#include "viewer/viewer.h"

namespace leafor {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The character a key press types; 0 for a key that types none (arrows, Home, ...).
char32_t TypedChar(const QKeyEvent& Key) {
    const QString text = Key.text();
    if (text.isEmpty()) return 0;
    return text.toUcs4().value(0, 0);
}

}  // namespace

char32_t TFormMain::DecimalSeparator() const {
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? U'.' : point.toUcs4().value(0, U'.');
}

std::string TFormMain::ZoomBoxText() const { return ComboBoxZoom->currentText().toStdString(); }

void TFormMain::SetZoomText(const std::string& Text) { ComboBoxZoom->setEditText(Q(Text)); }

// ------------------------------------------------------------ page moves

void TFormMain::ToolButtonNextPageClick() {
    if (ImgEdit1->Page() < ImgEdit1->PageCount()) {
        ImgEdit1->SetPage(ImgEdit1->Page() + 1);
        ImgEdit1->ShowImage();
    }
    Buttons();
}

void TFormMain::ToolButtonPrevPageClick() {
    if (ImgEdit1->Page() > 1) {
        ImgEdit1->SetPage(ImgEdit1->Page() - 1);
        ImgEdit1->ShowImage();
    }
    Buttons();
}

void TFormMain::MenuPageFirstClick() {
    ImgEdit1->SetPage(1);
    ImgEdit1->ShowImage();
    Buttons();
}

void TFormMain::MenuPageLastClick() {
    ImgEdit1->SetPage(ImgEdit1->PageCount());
    ImgEdit1->ShowImage();
    Buttons();
}

// -------------------------------------------------------------- page box

bool TFormMain::Edit2KeyPress(char32_t Key) {
    if (Key == U'\r') {
        EditPageExit();
        return true;
    }
    return !viewerrules::PageKeyPasses(Key);
}

void TFormMain::EditPageExit() {
    PageEditCommitted = true;
    if (const auto n = viewerrules::PageFromText(EditPage->text().toStdString(), ImgEdit1->PageCount())) {
        ImgEdit1->SetPage(*n);
        ImgEdit1->ShowImage();
        Buttons();
    } else {
        EditPage->setText(QString::number(ImgEdit1->Page()));
    }
}

void TFormMain::EditPageChange() {
    if (!PageEditCommitted) return;
    PageEditCommitted = false;
    EditPage->setText(QString::number(ImgEdit1->Page()));
}

// -------------------------------------------------------------- zoom box

bool TFormMain::ComboBoxZoomKeyPress(char32_t Key) {
    if (Key == U'\r') {
        ComboBoxZoomExit();
        return true;
    }
    QLineEdit* edit = ComboBoxZoom->lineEdit();
    const std::u32string text = edit->text().toStdU32String();
    // The caret as a character position of the text.
    const auto caret = static_cast<std::size_t>(edit->text().left(edit->cursorPosition()).toStdU32String().size());
    return !viewerrules::ZoomKeyPasses(Key, text, caret, DecimalSeparator());
}

void TFormMain::ComboBoxZoomExit() {
    const auto entry = viewerrules::ApplyZoomText(ZoomBoxText(), DecimalSeparator());
    if (!entry) return;
    if (entry->text) SetZoomText(*entry->text);
    ImgEdit1->SetZoom(entry->zoom);
    FitButtonsUp();
}

void TFormMain::ComboBoxZoomChange() {
    if (!PageEditCommitted) return;
    PageEditCommitted = false;
    ImgEdit1->ShowImage();
}

// ------------------------------------------------------------- zoom menu

void TFormMain::FitButtonsUp() {
    // Grouped buttons keep one down; all go up only outside the group's rule.
    fitButtons_->setExclusive(false);
    for (QToolButton* b : {ToolButtonFitToWidth, ToolButtonFitToHight, ToolButtonBestFit}) b->setChecked(false);
    fitButtons_->setExclusive(true);
}

void TFormMain::FixedZoom(int Percent) {
    FitButtonsUp();
    SetZoomText(std::to_string(Percent));
    ImgEdit1->SetZoom(static_cast<float>(Percent));
    ImgEdit1->ShowImage();
}

void TFormMain::MenuZoomZoomInClick() {
    FitButtonsUp();
    ImgEdit1->SetZoom(viewerrules::ZoomedIn(ImgEdit1->Zoom()));
    ImgEdit1->ShowImage();
    Buttons();
}

void TFormMain::MenuZoomZoomOutClick() {
    FitButtonsUp();
    ImgEdit1->SetZoom(viewerrules::ZoomedOut(ImgEdit1->Zoom()));
    ImgEdit1->ShowImage();
    Buttons();
}

// ------------------------------------------------------- fit and painting

void TFormMain::FitButtonClick() { Repaint(); }

void TFormMain::Repaint() {
    update();
    FormPaint();
}

void TFormMain::FormPaint() {
    if (ToolButtonFitToWidth->isChecked()) ImgEdit1->FitImage(1, true);
    if (ToolButtonFitToHight->isChecked()) ImgEdit1->FitImage(2, true);
    if (ToolButtonBestFit->isChecked()) ImgEdit1->FitImage(0, true);
    if (ImgEdit1->ImageDisplayed()) SetZoomText(viewerrules::ZoomText(ImgEdit1->Zoom(), DecimalSeparator()));
}

void TFormMain::paintEvent(QPaintEvent* Event) {
    QMainWindow::paintEvent(Event);
    app::Guarded([this] { FormPaint(); });
}

void TFormMain::resizeEvent(QResizeEvent* Event) {
    QMainWindow::resizeEvent(Event);
    app::Guarded([this] { Repaint(); });
}

// -------------------------------------------------------------- rotation

void TFormMain::ToolButtonRotateRightClick() {
    ImgEdit1->TurnClockwise();
    ImgEdit1->RepaintImage();
}

void TFormMain::ToolButtonRotateLeftClick() {
    ImgEdit1->TurnCounterClockwise();
    ImgEdit1->RepaintImage();
}

// --------------------------------------------------- selection rectangle

void TFormMain::ImgEdit1SelectionRectDrawn(int32_t Left, int32_t Top, int32_t Width, int32_t Height) {
    if (Left != 0 && Top != 0 && Width != 0 && Height != 0) {
        try {
            FitButtonsUp();
            ImgEdit1->SetSelectionRectangle(false);
            ImgEdit1->ZoomToRectangle();
            SetZoomText(viewerrules::ZoomText(ImgEdit1->Zoom(), DecimalSeparator()));
            ImgEdit1->SetSelectionRectangle(true);
        } catch (const std::exception&) {
            // Guarded: the remaining steps are skipped without a message.
        }
    }
    Buttons();
}

// ------------------------------------------------------------- shortcuts

bool TFormMain::FormShortCut(int KeyAndModifiers) {
    const QKeySequence pressed(KeyAndModifiers);
    for (QMenu* menu : {MenuFile, MenuZoom, MenuPage, MenuHelp}) {
        for (QAction* a : menu->actions()) {
            if (a->shortcut().isEmpty() || a->shortcut() != pressed || !a->isEnabled()) continue;
            a->trigger();
            return true;
        }
    }
    return false;
}

bool TFormMain::eventFilter(QObject* Watched, QEvent* Event) {
    auto* widget = qobject_cast<QWidget*>(Watched);
    if (Event->type() == QEvent::KeyPress && widget && widget->window() == this) {
        auto* key = static_cast<QKeyEvent*>(Event);
        bool taken = false;
        app::Guarded([&] { taken = FormShortCut(key->keyCombination().toCombined()); });
        if (taken) return true;
        const char32_t typed = TypedChar(*key);
        if (typed != 0 && Watched == EditPage) {
            app::Guarded([&] { taken = Edit2KeyPress(typed); });
            return taken;
        }
        if (typed != 0 && Watched == ComboBoxZoom->lineEdit()) {
            app::Guarded([&] { taken = ComboBoxZoomKeyPress(typed); });
            return taken;
        }
    }
    // Leaving a box for another control; not the window losing the focus.
    const auto reason = Event->type() == QEvent::FocusOut ? static_cast<QFocusEvent*>(Event)->reason()
                                                          : Qt::OtherFocusReason;
    if (Event->type() == QEvent::FocusOut && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
        if (Watched == EditPage) app::Guarded([this] { EditPageExit(); });
        else if (Watched == ComboBoxZoom->lineEdit()) app::Guarded([this] { ComboBoxZoomExit(); });
    }
    return QMainWindow::eventFilter(Watched, Event);
}

// -------------------------------------------------------- enabled states

void TFormMain::Buttons() {
    const bool shown = ImgEdit1->ImageDisplayed();
    // With a page shown the page-independent items are enabled; without one,
    // everything that needs a page goes off too (a choice of ours: nothing
    // would come of them).
    for (QAction* a : {MenuPageRotateRight, MenuPageRotateLeft, MenuFileSaveAs, MenuFileSavePage, MenuFilePrint,
                       MenuZoomZoomIn, MenuZoomZoom10, MenuZoomZoom25, MenuZoomZoom50, MenuZoomZoom100,
                       MenuZoomZoom200, MenuZoomZoomOut})
        a->setEnabled(shown);
    ToolButtonSaveAs->setEnabled(shown);
    ToolButtonPrint->setEnabled(shown);
    EditPage->setEnabled(shown);
    if (!shown) {
        for (QAction* a : {MenuPageFirst, MenuPageLast, MenuPagePrevious, MenuPageNext}) a->setEnabled(false);
        ToolButtonPrevPage->setEnabled(false);
        ToolButtonNextPage->setEnabled(false);
        return;
    }
    const int32_t page = ImgEdit1->Page(), count = ImgEdit1->PageCount();
    MenuPageFirst->setEnabled(page >= 2);
    MenuPageLast->setEnabled(page != count);
    MenuPagePrevious->setEnabled(page >= 2);
    ToolButtonPrevPage->setEnabled(page >= 2);
    MenuPageNext->setEnabled(page < count);
    ToolButtonNextPage->setEnabled(page < count);
    ComboBoxZoom->setEnabled(true);
    EditPage->setText(QString::number(page));
    SetZoomText(viewerrules::ZoomText(ImgEdit1->Zoom(), DecimalSeparator()));
}

}  // namespace leafor
