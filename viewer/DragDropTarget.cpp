// The drop target of the drag-and-drop unit and its auto-scroll settings.
#include <QAbstractScrollArea>
#include <QAction>
#include <QMenu>
#include <QScrollBar>
#include <QWidget>
#include <algorithm>

#include "platform/App.h"
#include "platform/OleDragDrop.h"
#include "platform/Ui.h"
#include "viewer/DragDrop.h"

// ------------------------------------------------------------ scroll options

void TScrollDetectArea::SetMargin(uint16_t Value) {
    if (Value == margin_) return;
    margin_ = Value;
    Changed();
}

void TScrollDetectArea::SetRange(uint16_t Value) {
    if (Value == range_) return;
    range_ = Value;
    Changed();
}

void TScrollDetectArea::Assign(const TScrollDetectArea& Source) {
    if (margin_ == Source.margin_ && range_ == Source.range_) return;
    margin_ = Source.margin_;
    range_ = Source.range_;
    Changed();
}

void TScrollDetectArea::Changed() {
    if (onChange_) onChange_();
}

TScrollDetectOptions::TScrollDetectOptions()
    : AreaLeft([this] { if (OnChange) OnChange(); }),
      AreaTop([this] { if (OnChange) OnChange(); }),
      AreaRight([this] { if (OnChange) OnChange(); }),
      AreaBottom([this] { if (OnChange) OnChange(); }) {}

void TScrollDetectOptions::Assign(const TScrollDetectOptions& Source) {
    ScrollDelay = Source.ScrollDelay;
    StartDelay = Source.StartDelay;
    AreaLeft.Assign(Source.AreaLeft);
    AreaTop.Assign(Source.AreaTop);
    AreaRight.Assign(Source.AreaRight);
    AreaBottom.Assign(Source.AreaBottom);
}

// --------------------------------------------------------------- TDropTarget

namespace {

// Runs a step of the target's work so that nothing escapes to the drag's
// caller: an error raised by an event handler is shown as the program shows
// every error, and the step counts as failed.
template <typename F>
bool Safely(F&& Step) {
    try {
        Step();
        return true;
    } catch (const std::exception& e) {
        app::ShowException(e);
        return false;
    }
}

bool Has(TDropEffectSet Set, uint32_t Effect) { return (Set & Effect) != 0; }

QScrollBar* BarOf(QWidget* Control, bool Vertical) {
    auto* area = qobject_cast<QAbstractScrollArea*>(Control);
    if (!area) return nullptr;
    return Vertical ? area->verticalScrollBar() : area->horizontalScrollBar();
}

}  // namespace

TDropTarget::TDropTarget(TDragDrop* Owner) : owner_(Owner) {
    vert_.vertical = true;
    for (Axis* a : {&horz_, &vert_}) {
        a->start.callOnTimeout([this, a] { StartFired(*a); });
        a->repeat.callOnTimeout([this, a] { Step(*a); });
    }
}

TDropTarget::~TDropTarget() = default;

void TDropTarget::Detach() {
    StopScrolling();
    owner_ = nullptr;
}

QPoint TDropTarget::Client(QPoint Screen) const {
    QWidget* control = owner_ ? owner_->DragDropControl() : nullptr;
    return control ? control->mapFromGlobal(Screen) : Screen;
}

void TDropTarget::GetDropEffect(uint32_t KeyState, uint32_t& Effect) {
    const TDropEffectSet target = owner_ ? owner_->TargetEffects() : 0;
    const bool shift = KeyState & ole::kKeyShift;
    const bool control = KeyState & ole::kKeyControl;
    if (!owner_ || (ownDrag_ && !owner_->AcceptOwnDnD)) Effect = ole::kEffectNone;
    else if (shift && !control && Has(target, deMove)) Effect = ole::kEffectMove;
    else if (control && shift && Has(target, deLink)) Effect = ole::kEffectLink;
    else {
        Effect = ole::kEffectNone;
        for (uint32_t e : {ole::kEffectCopy, ole::kEffectMove, ole::kEffectLink})
            if (Has(target, e) && Has(allowed_, e)) {
                Effect = e;
                break;
            }
    }
    if (owner_ && owner_->Scrolling()) Effect |= ole::kEffectScroll;
}

void TDropTarget::CanAcceptData(ole::DataObject*, bool& Accept) { Accept = true; }

void TDropTarget::RenderDroppedData(ole::DataObject*, uint32_t, uint32_t, QPoint) {}

void TDropTarget::OwnAndAcceptedRule(uint32_t& Effect) const {
    const bool own = ownDrag_ && !(owner_ && owner_->AcceptOwnDnD);
    if (own || !accepted_) Effect = ole::kEffectNone;
}

ole::Result TDropTarget::DragEnter(ole::DataObject* Data, uint32_t KeyState, QPoint Point, uint32_t* Effect) {
    if (!Effect) return ole::kInvalidArgument;
    ownDrag_ = ole::DragFromThisProgram();
    allowed_ = *Effect;
    rightButton_ = KeyState & ole::kKeyRightButton;
    last_ = Point;
    accepted_ = false;
    if (!owner_) {
        *Effect = ole::kEffectNone;
        return ole::kOk;
    }
    const QPoint client = Client(Point);
    const TRenderDataOn on = owner_->RenderDataOn;
    if (on == TRenderDataOn::rdoEnter || on == TRenderDataOn::rdoEnterAndDropSync ||
        on == TRenderDataOn::rdoEnterAndDropAsync) {
        // A failure to read the data leaves them unread; the drag goes on.
        try {
            RenderDroppedData(Data, KeyState, *Effect, client);
        } catch (const std::exception&) {
        }
    }
    const bool ok = Safely([&] {
        GetDropEffect(KeyState, *Effect);
        CanAcceptData(Data, accepted_);
        if (owner_->OnDragEnter) owner_->OnDragEnter(owner_, Data, KeyState, client, *Effect, accepted_);
    });
    if (!ok) accepted_ = false;
    OwnAndAcceptedRule(*Effect);
    return ole::kOk;
}

ole::Result TDropTarget::DragOver(uint32_t KeyState, QPoint Point, uint32_t* Effect) {
    if (!Effect) return ole::kInvalidArgument;
    last_ = Point;
    if (!owner_) {
        *Effect = ole::kEffectNone;
        return ole::kOk;
    }
    if (owner_->ScrollDetectOptions().VertScrolling) CheckScroll(vert_);
    if (owner_->ScrollDetectOptions().HorzScrolling) CheckScroll(horz_);
    const bool ok = Safely([&] {
        GetDropEffect(KeyState, *Effect);
        if (owner_->OnDragOver) owner_->OnDragOver(owner_, KeyState, Client(Point), *Effect);
    });
    if (!ok) *Effect = ole::kEffectNone;
    OwnAndAcceptedRule(*Effect);
    return ole::kOk;
}

ole::Result TDropTarget::DragLeave() {
    ownDrag_ = false;
    if (owner_ && owner_->OnDragLeave) Safely([&] { owner_->OnDragLeave(owner_); });
    StopScrolling();
    return ole::kOk;
}

uint32_t TDropTarget::PopupChoice(uint32_t Effect, QPoint Point) {
    StopScrolling();
    const TDropEffectSet target = owner_->TargetEffects();
    owner_->PopupCopy()->setVisible(Has(target, deCopy));
    owner_->PopupMove()->setVisible(Has(target, deMove));
    owner_->PopupLink()->setVisible(Has(target, deLink));
    QAction* proposed = Has(Effect, ole::kEffectCopy)   ? owner_->PopupCopy()
                        : Has(Effect, ole::kEffectMove) ? owner_->PopupMove()
                                                        : owner_->PopupLink();
    owner_->PopupMenu()->setDefaultAction(proposed);
    const QAction* copy = owner_->PopupCopy();
    const QAction* move = owner_->PopupMove();
    const QAction* link = owner_->PopupLink();
    const QAction* chosen = owner_->PopupMenu()->exec(Point);
    if (!owner_ || !chosen) return ole::kEffectNone;
    if (chosen == copy) return ole::kEffectCopy;
    if (chosen == move) return ole::kEffectMove;
    if (chosen == link) return ole::kEffectLink;
    return ole::kEffectNone;
}

ole::Result TDropTarget::Drop(ole::DataObject* Data, uint32_t KeyState, QPoint Point, uint32_t* Effect) {
    if (!Effect) return ole::kInvalidArgument;
    last_ = Point;
    // The target is held: a handler may let go of the component's reference.
    const ole::Ref<TDropTarget> self(this);
    if (!owner_) {
        *Effect = ole::kEffectNone;
        return ole::kFail;
    }
    const QPoint client = Client(Point);
    bool ok = Safely([&] {
        if (accepted_) GetDropEffect(KeyState, *Effect);
        else *Effect = ole::kEffectNone;
        if (owner_->OnDragOver) owner_->OnDragOver(owner_, KeyState, client, *Effect);
    });
    if (!ok) *Effect = ole::kEffectNone;
    OwnAndAcceptedRule(*Effect);
    if (rightButton_ && owner_->TargetPopUpMenu && (*Effect & ~ole::kEffectScroll) != ole::kEffectNone)
        *Effect = PopupChoice(*Effect, Point);
    StopScrolling();
    if (owner_ && owner_->OnDrop) ok = Safely([&] { owner_->OnDrop(owner_, Data, KeyState, client, *Effect); });
    if (!ok || !owner_ || (*Effect & ~ole::kEffectScroll) == ole::kEffectNone) {
        ownDrag_ = false;
        *Effect = ole::kEffectNone;
        return ole::kFail;
    }
    if (owner_->BringToFront)
        if (QWidget* window = owner_->OwnerWindow()) {
            window->raise();
            window->activateWindow();
        }
    const TRenderDataOn on = owner_->RenderDataOn;
    const bool async = on == TRenderDataOn::rdoEnterAndDropAsync || on == TRenderDataOn::rdoDropAsync;
    owner_->Store(KeyState, Point, *Effect, async ? Data : nullptr);
    if (on == TRenderDataOn::rdoEnterAndDropSync || on == TRenderDataOn::rdoDropSync) {
        // A failure to read the data restores the cursor; the drop ends as usual.
        try {
            const ui::WaitCursor busy;
            RenderDroppedData(Data, KeyState, *Effect, client);
        } catch (const std::exception&) {
        }
    }
    if (QWidget* control = owner_ ? owner_->DragDropControl() : nullptr)
        QCoreApplication::postEvent(control, new QEvent(static_cast<QEvent::Type>(TDragDrop::ProcessDroppedType())));
    return ole::kOk;
}

// --------------------------------------------------------------- auto-scroll

int TDropTarget::ScrollDirection(const Axis& A) const {
    QWidget* control = owner_ ? owner_->DragDropControl() : nullptr;
    if (!control) return 0;
    const TScrollDetectOptions& o = owner_->ScrollDetectOptions();
    const TScrollDetectArea& nearArea = A.vertical ? o.AreaTop : o.AreaLeft;
    const TScrollDetectArea& farArea = A.vertical ? o.AreaBottom : o.AreaRight;
    const QPoint client = Client(last_);
    const int at = A.vertical ? client.y() : client.x();
    const int size = A.vertical ? control->height() : control->width();
    const int nearFrom = nearArea.Margin();
    const int nearTo = nearFrom + nearArea.Range();
    const int farTo = size - farArea.Margin() - 1;
    const int farFrom = farTo - farArea.Range();
    // Zones that meet or overlap (a control smaller than both) never scroll.
    if (nearTo >= farFrom) return 0;
    const int wanted = (at >= nearFrom && at <= nearTo) ? 1 : (at >= farFrom && at <= farTo) ? 2 : 0;
    const QScrollBar* bar = BarOf(control, A.vertical);
    if (wanted == 0 || !bar) return 0;
    if (wanted == 1) return bar->value() > bar->minimum() ? 1 : 0;
    return bar->value() < bar->maximum() ? 2 : 0;
}

void TDropTarget::CheckScroll(Axis& A) {
    const int direction = ScrollDirection(A);
    const bool running = A.start.isActive() || A.repeat.isActive();
    if (direction > 0) {
        if (!running || direction != A.direction) StartAxis(A, direction);
    } else if (running) {
        StopAxis(A);
    }
}

void TDropTarget::StartAxis(Axis& A, int Direction) {
    StopAxis(A);
    A.start.setInterval(owner_->ScrollDetectOptions().StartDelay);
    A.start.start();
    A.direction = Direction;
}

void TDropTarget::StartFired(Axis& A) {
    A.start.stop();
    A.repeat.setInterval(owner_->ScrollDetectOptions().ScrollDelay);
    // The repeat timer runs on only when the step scrolled; a step that
    // stopped or restarted the axis has set its timers itself.
    if (Step(A)) A.repeat.start();
}

bool TDropTarget::Step(Axis& A) {
    if (!owner_) return false;
    const TScrollDetectOptions& o = owner_->ScrollDetectOptions();
    const int direction = ScrollDirection(A);
    const bool on = A.vertical ? o.VertScrolling : o.HorzScrolling;
    if (direction == 0 || !on) {
        if (A.start.isActive() || A.repeat.isActive() || A.direction != 0) StopAxis(A);
        return false;
    }
    if (direction != A.direction) {
        StartAxis(A, direction);
        return false;
    }
    int interval = o.ScrollDelay;
    const bool page = A.vertical ? o.VertPageScroll : o.HorzPageScroll;
    const int scrollDirection = A.vertical ? (direction == 1 ? 0 : 1) : (direction == 1 ? 2 : 3);
    const QPoint client = Client(last_);
    if (owner_->OnBeforeScrolling)
        Safely([&] { owner_->OnBeforeScrolling(owner_, client, interval, scrollDirection, page); });
    using S = TDragDrop::TScroll;
    owner_->ScrollControl(A.vertical, direction == 1 ? (page ? S::PageBack : S::LineBack) : (page ? S::PageOn : S::LineOn));
    if (owner_ && owner_->OnAfterScrolling) Safely([&] { owner_->OnAfterScrolling(owner_); });
    A.repeat.setInterval(std::clamp(interval, 1, 10000));
    return true;
}

void TDropTarget::StopAxis(Axis& A) {
    A.start.stop();
    if (A.repeat.isActive() && owner_) owner_->ScrollControl(A.vertical, TDragDrop::TScroll::End);
    A.repeat.stop();
    A.direction = 0;
}

void TDropTarget::StopScrolling() {
    StopAxis(vert_);
    StopAxis(horz_);
}

void TDragDrop::ScrollControl(bool Vertical, TScroll Code) {
    // What the control itself does with a scroll message ...
    if (QScrollBar* bar = BarOf(control_, Vertical)) {
        switch (Code) {
            case TScroll::LineBack: bar->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
            case TScroll::LineOn: bar->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
            case TScroll::PageBack: bar->triggerAction(QAbstractSlider::SliderPageStepSub); break;
            case TScroll::PageOn: bar->triggerAction(QAbstractSlider::SliderPageStepAdd); break;
            case TScroll::End: break;
        }
    }
    // ... and what the watching component notes of it: the drop effect
    // carries the scroll flag while an axis scrolls.
    if (subclassed_) (Vertical ? scrollingVert_ : scrollingHorz_) = Code != TScroll::End;
}
