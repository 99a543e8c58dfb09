// The drag-and-drop component: its binding to the control, the control's
// events it watches, drag detection and the clipboard.
#include "viewer/DragDrop.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <QWidget>
#include <cstdlib>

#include "platform/App.h"
#include "platform/OleClipboard.h"
#include "platform/OleDragDrop.h"
#include "platform/Ui.h"

// The program's mouse filter that follows a drag detection: it sees every
// mouse event where it enters the program, at its window, once, and passes
// it on.
class TDragDetectFilter : public QObject {
public:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
};

namespace {

// Unit-wide state: the number of components, the service's start, the
// filter and the component it serves.
int g_units = 0;
bool g_oleStarted = false;
TDragDetectFilter* g_hook = nullptr;
bool g_hookInstalled = false;
TDragDrop* g_hookInstance = nullptr;

void InstallHook(TDragDrop* For) {
    if (!g_hook) g_hook = new TDragDetectFilter;
    if (!g_hookInstalled && QCoreApplication::instance()) {
        QCoreApplication::instance()->installEventFilter(g_hook);
        g_hookInstalled = true;
    }
    g_hookInstance = For;
}

void RemoveHook() {
    if (g_hookInstalled && QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(g_hook);
    g_hookInstalled = false;
    g_hookInstance = nullptr;
}

bool IsMouseEvent(QEvent::Type T) {
    return T == QEvent::MouseButtonPress || T == QEvent::MouseButtonRelease || T == QEvent::MouseButtonDblClick ||
           T == QEvent::MouseMove;
}

}  // namespace

bool TDragDetectFilter::eventFilter(QObject* Watched, QEvent* Event) {
    if (!Watched->isWindowType() || !IsMouseEvent(Event->type())) return false;
    if (!g_hookInstance) {
        RemoveHook();
        return false;
    }
    TDragDrop* served = g_hookInstance;
    app::Guarded([&] { served->HookEvent(Event); });
    return false;
}

TPopupCaptions PopupCaptions(int PrimaryLanguageId) {
    switch (PrimaryLanguageId) {
        case 7: return {"Hierher &kopieren", "Hierher &verschieben", "Verknüpfung(en) hier &erstellen", "&Abbrechen"};
        case 10: return {"&Copie aquí", "&Muévase aquí", "&Atajo(s) crea aquí ", "&Aborto"};
        case 12: return {"&Copier ici", "&Transférer ici", "&Créer un ou des raccourci(s) ici", "&Arrêt"};
        case 16: return {"&Copiare qui", "&Muoversi qui", "&Scorciatoia(e) crea qui", "&Terminazione"};
        case 21: return {"&Kopiuj tutaj", "&Przenieś tutaj", "Utwórz &skrót(y) tutaj", "&Anuluj"};
        case 22: return {"&Copíe aqui", "&Mova aqui", "&Atalho(s) cría aqui", "&Aborto"};
        default: return {"&Copy Here", "&Move Here", "&Shortcut(s) Create Here", "&Abort"};
    }
}

TDragDrop::TDragDrop(QObject* Owner)
    : QObject(Owner), options_(std::make_unique<TScrollDetectOptions>()), menu_(std::make_unique<QMenu>()) {
    if (g_units++ == 0) {
        g_oleStarted = ole::Initialize();
        RemoveHook();
        ProcessDroppedType();
    }
    target_ = new TDropTarget(this);
    move_ = menu_->addAction(QString());
    copy_ = menu_->addAction(QString());
    link_ = menu_->addAction(QString());
    menu_->addSeparator();
    cancel_ = menu_->addAction(QString());
    LocalizePopupMenu();
}

TDragDrop::~TDragDrop() {
    RevokeTarget();
    RestoreWindowProc(true);
    if (control_) disconnect(controlGone_);
    control_ = nullptr;
    if (g_hookInstance == this) RemoveHook();
    // A target that outlives the component (someone still holds it) answers
    // no drop and never calls back.
    if (target_) target_->Detach();
    stored_ = {};
    target_.reset();
    menu_.reset();
    options_.reset();
    if (--g_units == 0) {
        RemoveHook();
        delete g_hook;
        g_hook = nullptr;
        if (g_oleStarted) ole::Uninitialize();
        g_oleStarted = false;
    }
}

int TDragDrop::ProcessDroppedType() { return ole::RegisteredEventType("DDM_ProcessDropped"); }

TDragDrop* TDragDrop::DragDetectInstance() { return g_hookInstalled ? g_hookInstance : nullptr; }

void TDragDrop::LocalizePopupMenu() {
    const TPopupCaptions c = PopupCaptions(app::PrimaryLanguageId());
    copy_->setText(QString::fromStdString(c.copy));
    move_->setText(QString::fromStdString(c.move));
    link_->setText(QString::fromStdString(c.link));
    cancel_->setText(QString::fromStdString(c.cancel));
}

void TDragDrop::Loaded() {
    loading_ = false;
    if (control_) RegisterTarget();
    LocalizePopupMenu();
}

// ------------------------------------------------------------------ binding

void TDragDrop::SetDragDropControl(QWidget* Control) {
    if (Control == control_) return;
    // A control that is only watched (a drag source) is let go as well, so
    // that the new control can be watched.
    if (!loading_ && (registered_ || subclassed_)) {
        RestoreWindowProc(true);
        RevokeTarget();
    }
    if (control_) disconnect(controlGone_);
    control_ = Control;
    if (control_) controlGone_ = connect(control_, &QObject::destroyed, this, [this] { ControlDestroyed(); });
    if (!loading_) RegisterTarget();
}

void TDragDrop::SetTargetEffects(TDropEffectSet Effects) {
    targetEffects_ = Effects & (deCopy | deMove | deLink);
    if (loading_) return;
    if (targetEffects_ != 0) {
        if (!registered_) RegisterTarget();
    } else {
        RevokeTarget();
    }
}

void TDragDrop::SetSourceEffects(TDropEffectSet Effects) {
    sourceEffects_ = Effects & (deCopy | deMove | deLink);
    if (loading_) return;
    if (sourceEffects_ != 0) SubclassControl();
    else RestoreWindowProc(false);
}

void TDragDrop::RegisterTarget() {
    SubclassControl();
    if (registered_ || targetEffects_ == 0 || !control_) return;
    ole::LockObjectExternal(target_.get(), true);
    locked_ = true;
    registered_ = ole::RegisterDragDrop(control_, target_.get()) == ole::kOk;
    // A registration that failed keeps no hold on the target.
    if (!registered_) {
        ole::LockObjectExternal(target_.get(), false);
        locked_ = false;
    }
}

void TDragDrop::RevokeTarget() {
    if (!registered_ || !control_) return;
    RestoreWindowProc(false);
    // Let go only once, whatever the revoke answers.
    if (locked_) ole::LockObjectExternal(target_.get(), false);
    locked_ = false;
    if (ole::RevokeDragDrop(control_) == ole::kOk) registered_ = false;
}

void TDragDrop::SubclassControl() {
    if (!control_ || subclassed_ || (sourceEffects_ == 0 && targetEffects_ == 0)) return;
    control_->installEventFilter(this);
    subclassed_ = true;
}

void TDragDrop::RestoreWindowProc(bool Forced) {
    if (!subclassed_ || !(Forced || (sourceEffects_ == 0 && targetEffects_ == 0))) return;
    if (control_) control_->removeEventFilter(this);
    subclassed_ = false;
}

void TDragDrop::ControlDestroyed() {
    // The control's window goes: Qt says so while the control, its children
    // and its window are still there, so the target is revoked first ...
    if (subclassed_) {
        if (registered_) {
            if (locked_) ole::LockObjectExternal(target_.get(), false);
            locked_ = false;
            if (ole::RevokeDragDrop(control_) == ole::kOk) registered_ = false;
        }
        subclassed_ = false;
    }
    // ... and the control is taken from the component.
    RevokeTarget();
    RestoreWindowProc(true);
    control_ = nullptr;
    if (g_hookInstance == this) EndDetection();
}

// ------------------------------------------------------- the control's events

bool TDragDrop::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched != control_ || !subclassed_) return false;
    const QEvent::Type type = Event->type();
    if (type == ProcessDroppedType()) {
        app::Guarded([this] { ProcessDropped(); });
        return true;
    }
    if (type == QEvent::MouseButtonPress) {
        const auto* m = static_cast<QMouseEvent*>(Event);
        if (m->button() == Qt::LeftButton || m->button() == Qt::RightButton)
            app::Guarded([&] { MouseDown(m->button(), m->globalPosition().toPoint(), ole::KeyStateOf(m->buttons(), m->modifiers())); });
    } else if (type == QEvent::MouseMove) {
        const auto* m = static_cast<QMouseEvent*>(Event);
        if (DragDetectInstance() && m->buttons() == Qt::NoButton) app::Guarded([this] { EndDetection(); });
    }
    return false;
}

void TDragDrop::Store(uint32_t KeyState, QPoint Point, uint32_t Effect, ole::DataObject* Data) {
    stored_.keyState = KeyState;
    stored_.point = Point;
    stored_.effect = Effect;
    stored_.data = Data;
}

QPoint TDragDrop::ClientPoint(QPoint Screen) const { return control_ ? control_->mapFromGlobal(Screen) : Screen; }

void TDragDrop::ProcessDropped() {
    // Taken out first: what the handler does may start another drop.
    TStoredDrop drop = std::move(stored_);
    stored_ = {};
    const QPoint client = ClientPoint(drop.point);
    if ((RenderDataOn == TRenderDataOn::rdoEnterAndDropAsync || RenderDataOn == TRenderDataOn::rdoDropAsync) &&
        drop.data && target_) {
        const ui::WaitCursor busy;
        target_->RenderDroppedData(drop.data.get(), drop.keyState, drop.effect, client);
    }
    drop.data.reset();
    if (OnProcessDropped) OnProcessDropped(this, drop.keyState, client, drop.effect);
}

QWidget* TDragDrop::OwnerWindow() const {
    if (auto* owner = qobject_cast<QWidget*>(parent())) return owner->window();
    return control_ ? control_->window() : nullptr;
}

// ------------------------------------------------------------ drag detection

void TDragDrop::RaiseDragDetect(uint32_t KeyState, QPoint Current) {
    if (OnDragDetect) OnDragDetect(this, KeyState, ClientPoint(detectStart_), ClientPoint(Current), detectStatus_);
}

void TDragDrop::TakeDetection() {
    if (TDragDrop* other = DragDetectInstance(); other && other != this) {
        RemoveHook();
        other->detectStatus_ = ddsIdle;
        other->RaiseDragDetect(other->detectKeys_, other->detectStart_);
    }
    InstallHook(this);
}

void TDragDrop::EndDetection() {
    TDragDrop* served = DragDetectInstance();
    RemoveHook();
    if (!served) return;
    served->detectStatus_ = ddsIdle;
    served->RaiseDragDetect(served->detectKeys_, served->detectStart_);
}

void TDragDrop::MouseDown(Qt::MouseButton Button, QPoint Screen, uint32_t KeyState) {
    if (!AutoDetectDnD || detectStatus_ != ddsIdle || sourceEffects_ == 0) return;
    detectStatus_ = Button == Qt::LeftButton ? ddsLeftPressed : ddsRightPressed;
    detectStart_ = Screen;
    detectKeys_ = KeyState;
    RaiseDragDetect(detectKeys_, Screen);
    TakeDetection();
}

void TDragDrop::StartDragDetect(int Button) {
    if (Button == 0) detectStatus_ = ddsLeftPressed;
    else if (Button == 1) detectStatus_ = ddsRightPressed;
    else {
        detectStatus_ = ddsIdle;
        return;
    }
    detectStart_ = QCursor::pos();
    const Qt::KeyboardModifiers keys = QGuiApplication::queryKeyboardModifiers();
    detectKeys_ = ((keys & Qt::ShiftModifier) ? ole::kKeyShift : 0) | ((keys & Qt::ControlModifier) ? ole::kKeyControl : 0);
    TakeDetection();
    RaiseDragDetect(detectKeys_, detectStart_);
}

void TDragDrop::HookEvent(QEvent* Event) {
    const auto* m = static_cast<QMouseEvent*>(Event);
    const QEvent::Type type = Event->type();
    const bool down = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    const bool up = type == QEvent::MouseButtonRelease;
    const Qt::MouseButton button = m->button();
    const QPoint at = m->globalPosition().toPoint();
    detectKeys_ = ole::KeyStateOf(m->buttons(), m->modifiers());
    const bool pressed = detectStatus_ == ddsLeftPressed || detectStatus_ == ddsRightPressed;
    if (down && ((detectStatus_ == ddsLeftPressed && button == Qt::RightButton) ||
                 (detectStatus_ == ddsRightPressed && button == Qt::LeftButton))) {
        buttonCount_ = 2;
        detectStatus_ = ddsCancelled;
        RaiseDragDetect(detectKeys_, at);
    } else if (detectStatus_ == ddsCancelled) {
        if (down) buttonCount_ = 2;
        else if (up && --buttonCount_ <= 0) {
            RemoveHook();
            detectStatus_ = ddsIdle;
            RaiseDragDetect(detectKeys_, at);
        }
    } else if (up && ((detectStatus_ == ddsLeftPressed && button == Qt::LeftButton) ||
                      (detectStatus_ == ddsRightPressed && button == Qt::RightButton))) {
        RemoveHook();
        detectStatus_ = ddsIdle;
        RaiseDragDetect(detectKeys_, at);
    } else if (pressed && (std::abs(at.x() - detectStart_.x()) > DragDetectDelta ||
                           std::abs(at.y() - detectStart_.y()) > DragDetectDelta)) {
        detectStatus_ = ddsDragDetected;
        RemoveHook();
        RaiseDragDetect(detectKeys_, at);
        if (detectStatus_ != ddsIdle) {
            detectStatus_ = ddsIdle;
            RaiseDragDetect(detectKeys_, at);
        }
    }
}

// ----------------------------------------------------------------- clipboard

bool TDragDrop::CopyToClipboard() {
    const ole::Ref<ole::DataObject> data = CreateDataObject();
    return data && ole::SetClipboard(data.get()) == ole::kOk;
}

bool TDragDrop::PasteFromClipboard() {
    ole::DataObject* raw = nullptr;
    if (ole::GetClipboard(&raw) != ole::kOk) return false;
    const ole::Ref<ole::DataObject> data = ole::Ref<ole::DataObject>::Adopt(raw);
    if (target_) target_->RenderDroppedData(data.get(), 0, ole::kEffectCopy, QPoint(-1, -1));
    return true;
}
