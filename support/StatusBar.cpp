#include "support/StatusBar.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "platform/App.h"
#include "platform/Checked.h"

namespace {
// Panels start below a thin top margin and are kept apart by a small gap.
constexpr int kPanelTop = 2;
constexpr int kPanelGap = 2;
}  // namespace

void TStatusPanel::SetWidth(int Width) {
    if (Width == width_) return;
    width_ = Width;
    bar_->PanelsChanged();
}

void TStatusPanel::SetBevel(TStatusPanelBevel Bevel) {
    if (Bevel == bevel_) return;
    bevel_ = Bevel;
    bar_->PanelsChanged();
}

void TStatusPanel::SetAlignment(TAlignment Alignment) {
    if (Alignment == alignment_) return;
    alignment_ = Alignment;
    const int index = bar_->IndexOfPanel(this);
    if (index >= 0) bar_->InvalidatePanel(index);
}

void TStatusPanel::SetStyle(TStatusPanelStyle Style) {
    if (Style == style_) return;
    style_ = Style;
    const int index = bar_->IndexOfPanel(this);
    if (index >= 0) bar_->InvalidatePanel(index);
}

TStatusBar::TStatusBar(QWidget* Parent) : QWidget(Parent), color_(palette().color(QPalette::Button)) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

TStatusBar::~TStatusBar() = default;

TStatusPanel* TStatusBar::AddPanel() {
    panels_.push_back(std::make_unique<TStatusPanel>(this));
    PanelsChanged();
    return panels_.back().get();
}

void TStatusBar::RemovePanel(TStatusPanel* Panel) {
    const int index = IndexOfPanel(Panel);
    if (index < 0) return;
    panels_.erase(panels_.begin() + index);
    PanelsChanged();
}

TStatusPanel* TStatusBar::Panel(int Index) const { return At(panels_, Index).get(); }

int TStatusBar::IndexOfPanel(const TStatusPanel* Panel) const {
    for (int i = 0; i < PanelCount(); ++i) {
        if (panels_[static_cast<std::size_t>(i)].get() == Panel) return i;
    }
    return -1;
}

QRect TStatusBar::PanelRect(int Index) const {
    CheckIndex(Index, panels_.size());
    int left = 0;
    for (int i = 0; i < Index; ++i) left = CheckedAdd(left, panels_[static_cast<std::size_t>(i)]->Width());
    int right = Index + 1 == PanelCount() ? width() : CheckedAdd(left, Panel(Index)->Width());
    if (Index > 0) left = CheckedAdd(left, kPanelGap);
    right = std::max(right, left);
    return QRect(QPoint(left, kPanelTop), QPoint(right - 1, height() - 1));
}

int TStatusBar::PanelAtPos(const QPoint& Pos) const {
    for (int i = 0; i < PanelCount(); ++i) {
        if (PanelRect(i).contains(Pos)) return i;
    }
    return -1;
}

void TStatusBar::InvalidatePanel(int Index) { update(PanelRect(Index)); }

void TStatusBar::PanelsChanged() { update(); }

void TStatusBar::SetColor(const QColor& Color) {
    if (Color == color_) return;
    color_ = Color;
    ColorChanged();
    update();
}

QSize TStatusBar::sizeHint() const { return QSize(200, fontMetrics().height() + 6); }

void TStatusBar::paintEvent(QPaintEvent* Event) {
    app::Guarded([&] {
        QPainter canvas(this);
        canvas.fillRect(Event->rect(), color_);
        for (int i = 0; i < PanelCount(); ++i) {
            const QRect rect = PanelRect(i);
            if (rect.isEmpty() || !Event->region().intersects(rect)) continue;
            canvas.save();
            DrawFrame(canvas, rect, Panel(i)->Bevel());
            if (Panel(i)->Style() == psOwnerDraw) DrawPanel(i, canvas, rect);
            canvas.restore();
        }
    });
}

void TStatusBar::DrawFrame(QPainter& Canvas, const QRect& Rect, TStatusPanelBevel Bevel) const {
    if (Bevel == pbNone) return;
    const QColor dark = palette().color(QPalette::Dark);
    const QColor light = palette().color(QPalette::Light);
    const QColor topLeft = Bevel == pbLowered ? dark : light;
    const QColor bottomRight = Bevel == pbLowered ? light : dark;
    Canvas.setPen(topLeft);
    Canvas.drawLine(Rect.topLeft(), Rect.topRight());
    Canvas.drawLine(Rect.topLeft(), Rect.bottomLeft());
    Canvas.setPen(bottomRight);
    Canvas.drawLine(Rect.bottomLeft(), Rect.bottomRight());
    Canvas.drawLine(Rect.topRight(), Rect.bottomRight());
}
