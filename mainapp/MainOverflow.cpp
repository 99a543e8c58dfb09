#include "mainapp/MainOverflow.h"

#include <QAction>
#include <algorithm>
#include <QEvent>
#include <QBoxLayout>
#include <QLayout>
#include <QMenu>
#include <QShortcut>
#include <QToolBar>
#include <QToolButton>

TToolBarOverflow::TToolBarOverflow(QWidget* Bar, std::vector<QToolBar*> Bars, QToolButton* Mark, QWidget* Window)
    : QObject(Bar), bar_(Bar), bars_(std::move(Bars)), mark_(Mark) {
    menu_ = new QMenu(Mark);
    menu_->setObjectName("MenuOverflow");
    mark_->setMenu(menu_);
    mark_->setPopupMode(QToolButton::InstantPopup);
    connect(menu_, &QMenu::aboutToShow, this, [this] { FillMenu(); });
    for (QToolBar* b : bars_) {
        for (QAction* a : b->actions()) {
            auto* button = qobject_cast<QToolButton*>(b->widgetForAction(a));
            QShortcut* shortcut = nullptr;
            if (button && button->menu()) {
                shortcut = new QShortcut(Window);
                shortcut->setContext(Qt::WindowShortcut);
                shortcut->setEnabled(false);
                connect(shortcut, &QShortcut::activated, this, [this, button] { OpenHiddenMenu(button); });
            }
            items_.push_back({b, a, button, shortcut});
            if (button) button->installEventFilter(this);
        }
    }
    mark_->hide();
    Bar->installEventFilter(this);
}

// The row's width with the first Count items shown (and the mark when some
// are not), reckoned as the row's and the bars' layouts reckon it: each bar's
// margins, its shown items and the spacing between them; the row's margins,
// its shown widgets and the spacing between them. Nothing is shown or hidden
// for it, so a bar is never laid out too narrow on the way.
int TToolBarOverflow::WidthFor(std::size_t Count) {
    auto* row = qobject_cast<QBoxLayout*>(bar_->layout());
    const QMargins m = row->contentsMargins();
    const bool marked = Count < items_.size();
    int width = m.left() + m.right();
    int widgets = 0;
    for (int i = 0; i < row->count(); ++i) {
        QWidget* w = row->itemAt(i)->widget();
        if (!w) continue;  // the stretch takes no spacing
        int extent = 0;
        if (auto* b = qobject_cast<QToolBar*>(w)) {
            extent = BarWidth(b, Count);
        } else if (w == mark_) {
            if (!marked) continue;
            extent = mark_->sizeHint().width();
        } else {
            if (w->isHidden()) continue;
            extent = w->sizeHint().width();
        }
        width += extent + (widgets++ > 0 ? row->spacing() : 0);
    }
    return width;
}

int TToolBarOverflow::BarWidth(QToolBar* Bar, std::size_t Count) {
    const int spacing = Bar->layout()->spacing();
    // What the bar adds around its items (margins, and in its minimum the
    // room of its own extension) comes from its reckoning of the items it
    // shows now; the minimum holds the first shown item only.
    int now = 0, wanted = 0, nowShown = 0, wantedShown = 0, nowFirst = 0, wantedFirst = 0;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].bar != Bar) continue;
        const int extent = Bar->widgetForAction(items_[i].action)->sizeHint().width();
        if (items_[i].action->isVisible()) {
            if (nowShown == 0) nowFirst = extent;
            now += extent + (nowShown++ > 0 ? spacing : 0);
        }
        if (Shown(i, Count)) {
            if (wantedShown == 0) wantedFirst = extent;
            wanted += extent + (wantedShown++ > 0 ? spacing : 0);
        }
    }
    // A bar that is not shown yet has not heard of its buttons' new texts.
    Bar->layout()->invalidate();
    const int hint = Bar->sizeHint().width() - now + wanted;
    const int minimum = Bar->minimumSizeHint().width() - nowFirst + wantedFirst;
    // A bar that may not shrink gets the larger of the two.
    return std::max(hint, minimum);
}

bool TToolBarOverflow::Shown(std::size_t Index, std::size_t Count) const {
    if (Index >= Count) return false;
    if (items_[Index].button) return true;
    // A separator stays only between buttons that stay.
    for (std::size_t j = Index + 1; j < Count && items_[j].bar == items_[Index].bar; ++j)
        if (items_[j].button) return true;
    return false;
}

int TToolBarOverflow::FullWidth() { return WidthFor(items_.size()); }

void TToolBarOverflow::Update() {
    if (updating_ || !bar_) return;
    updating_ = true;
    const int available = bar_->width();
    std::size_t count = items_.size();
    while (count > 0 && WidthFor(count) > available) --count;
    // Hiding an action disables it, and the bar's action of a button hands
    // that to the button; the window's own states are put back.
    std::vector<bool> enabled;
    for (const Item& i : items_) enabled.push_back(i.button && !i.button->testAttribute(Qt::WA_ForceDisabled));
    for (std::size_t i = 0; i < items_.size(); ++i) items_[i].action->setVisible(Shown(i, count));
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].button) items_[i].button->setEnabled(enabled[i]);
    mark_->setVisible(count < items_.size());
    // The row caches what its bars asked for; they ask anew now.
    for (QToolBar* b : bars_) {
        b->layout()->invalidate();
        b->updateGeometry();
    }
    SyncShortcuts();
    updating_ = false;
}

void TToolBarOverflow::TextsChanged() {
    SyncShortcuts();
    Update();
}

std::vector<QToolButton*> TToolBarOverflow::Hidden() const {
    std::vector<QToolButton*> out;
    for (const Item& i : items_)
        if (i.button && !i.action->isVisible()) out.push_back(i.button);
    return out;
}

void TToolBarOverflow::SyncShortcuts() {
    for (const Item& i : items_) {
        if (!i.shortcut) continue;
        // While the button shows, its own mnemonic serves; two at once
        // would make the key ambiguous and neither would work.
        i.shortcut->setKey(QKeySequence::mnemonic(i.button->text()));
        i.shortcut->setEnabled(!i.action->isVisible());
    }
}

void TToolBarOverflow::FillMenu() {
    menu_->clear();
    for (QToolButton* b : Hidden()) {
        QAction* entry = nullptr;
        if (b->menu()) {
            entry = menu_->addAction(b->text());
            entry->setMenu(b->menu());
        } else {
            entry = menu_->addAction(b->icon(), b->toolTip());
            entry->setObjectName(b->objectName());
            connect(entry, &QAction::triggered, b, &QToolButton::click);
        }
        entry->setEnabled(b->isEnabled());
    }
}

void TToolBarOverflow::OpenHiddenMenu(QToolButton* Button) {
    if (!Button->isEnabled()) return;
    Button->menu()->popup(mark_->mapToGlobal(QPoint(0, mark_->height())));
}

bool TToolBarOverflow::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == bar_ && Event->type() == QEvent::Resize) Update();
    if (Event->type() == QEvent::EnabledChange && !updating_) {
        // The bar's action of a button hands its own enabled state to the
        // button at every change of the action (as showing it again is),
        // so it keeps the state the window gives the button.
        for (const Item& i : items_)
            if (i.button == Watched) i.action->setEnabled(!i.button->testAttribute(Qt::WA_ForceDisabled));
    }
    return QObject::eventFilter(Watched, Event);
}
