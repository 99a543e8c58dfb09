#pragma once
// Drag and drop bound to one control of a form. The building blocks carry
// data between programs: a list of formats, the reference-counted base, a
// format enumerator and a data object whose subclasses render the data
// (DragDropObjects.cpp). The drop target decides the effect from the keys
// and the allowed effects, raises the component's events, offers the
// right-button menu, renders dropped data and scrolls the control while the
// mouse rests near its edges (DragDropTarget.cpp). TDragDrop registers the
// target for its control, watches the control's events in place of a
// subclassed window procedure, detects the start of a drag with an
// application-wide mouse filter and offers the clipboard (DragDrop.cpp).
// Everything runs on the GUI thread.
#include <QObject>
#include <QPoint>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Ole.h"

class QAction;
class QEvent;
class QMenu;
class QWidget;
class TDragDrop;

// ------------------------------------------------------------- data objects

// A growable list of format records.
class TFormatEtcList {
public:
    int32_t Count() const { return static_cast<int32_t>(list_.size()); }
    // Raise EListError "Invalid item index" for an index outside 0..Count-1.
    ole::FormatEtc GetFormat(int32_t Index) const;
    void SetFormat(int32_t Index, const ole::FormatEtc& Format);
    // Appends the record; its index, the old Count.
    int32_t AddFormat(const ole::FormatEtc& Format);
    std::unique_ptr<TFormatEtcList> CloneList() const;

private:
    std::vector<ole::FormatEtc> list_;
};

// The reference-counted base of the unit's objects.
class TDDInterfacedObject : public ole::InterfacedObject {
protected:
    TDDInterfacedObject() = default;
};

// Hands out the records of a list it owns, from a position.
class TEnumFormatEtc : public TDDInterfacedObject, public ole::FormatEnumerator {
public:
    explicit TEnumFormatEtc(std::unique_ptr<TFormatEtcList> List, int32_t Position = 0);
    ole::Result Next(int32_t Wanted, ole::FormatEtc* Records, int32_t* Fetched) override;
    ole::Result Skip(int32_t Count) override;
    ole::Result Reset() override;
    ole::Result Clone(ole::FormatEnumerator** Out) override;

private:
    std::unique_ptr<TFormatEtcList> list_;
    int32_t position_;
};

// A data object offering the formats of its list; a subclass offers a format
// by SetData at construction and renders it in RenderData.
class TDataObject : public TDDInterfacedObject, public ole::DataObject {
public:
    // Make GetData compare the index and the aspect too; nothing here sets them.
    bool CheckLindex = false;
    bool CheckdwAspect = false;

    ole::Result GetData(const ole::FormatEtc& Format, ole::StorageMedium& Medium) override;
    ole::Result GetDataHere(const ole::FormatEtc& Format, ole::StorageMedium& Medium) override;
    ole::Result QueryGetData(const ole::FormatEtc& Format) override;
    ole::Result GetCanonicalFormatEtc(const ole::FormatEtc& In, ole::FormatEtc& Out) override;
    ole::Result SetData(const ole::FormatEtc& Format, ole::StorageMedium& Medium, bool Release) override;
    ole::Result EnumFormatEtc(uint32_t Direction, ole::FormatEnumerator** Out) override;
    ole::Result DAdvise(const ole::FormatEtc& Format, uint32_t Flags, ole::Counted* Sink, uint32_t* Connection) override;
    ole::Result DUnadvise(uint32_t Connection) override;
    ole::Result EnumDAdvise(ole::Counted** Out) override;

protected:
    TDataObject() = default;
    virtual ole::Result RenderData(const ole::FormatEtc& Format, ole::StorageMedium& Medium) = 0;

private:
    TFormatEtcList formats_;
};

// ------------------------------------------------------- target and scrolling

// One edge's auto-scroll zone, in pixels; a change tells the owner.
class TScrollDetectArea {
public:
    explicit TScrollDetectArea(std::function<void()> OnChange = {}) : onChange_(std::move(OnChange)) {}
    TScrollDetectArea(const TScrollDetectArea&) = delete;
    TScrollDetectArea& operator=(const TScrollDetectArea&) = delete;
    uint16_t Margin() const { return margin_; }
    uint16_t Range() const { return range_; }
    void SetMargin(uint16_t Value);
    void SetRange(uint16_t Value);
    void Assign(const TScrollDetectArea& Source);

private:
    void Changed();
    uint16_t margin_ = 0;
    uint16_t range_ = 10;
    std::function<void()> onChange_;
};

// The auto-scroll settings of a component; all off by default.
class TScrollDetectOptions {
public:
    TScrollDetectOptions();
    TScrollDetectOptions(const TScrollDetectOptions&) = delete;
    TScrollDetectOptions& operator=(const TScrollDetectOptions&) = delete;
    // Copies the delays and the four areas.
    void Assign(const TScrollDetectOptions& Source);

    uint16_t ScrollDelay = 100;  // ms between steps
    uint16_t StartDelay = 750;   // ms in a zone before the first step
    TScrollDetectArea AreaLeft;
    TScrollDetectArea AreaTop;
    TScrollDetectArea AreaRight;
    TScrollDetectArea AreaBottom;
    bool HorzScrolling = false;
    bool VertScrolling = false;
    bool HorzPageScroll = false;
    bool VertPageScroll = false;
    // Raised when an area changes.
    std::function<void()> OnChange;
};

// The drop target a component registers for its control. Points handed to
// it are screen points; the component's events get client points.
class TDropTarget : public TDDInterfacedObject, public ole::DropTarget {
public:
    explicit TDropTarget(TDragDrop* Owner);
    ~TDropTarget() override;

    ole::Result DragEnter(ole::DataObject* Data, uint32_t KeyState, QPoint Point, uint32_t* Effect) override;
    ole::Result DragOver(uint32_t KeyState, QPoint Point, uint32_t* Effect) override;
    ole::Result DragLeave() override;
    ole::Result Drop(ole::DataObject* Data, uint32_t KeyState, QPoint Point, uint32_t* Effect) override;

    virtual void GetDropEffect(uint32_t KeyState, uint32_t& Effect);
    virtual void CanAcceptData(ole::DataObject* Data, bool& Accept);
    virtual void RenderDroppedData(ole::DataObject* Data, uint32_t KeyState, uint32_t Effect, QPoint Point);

    // What CanAcceptData (and the enter event) answered at the last enter.
    bool Accepted() const { return accepted_; }
    // 0 none, 1 towards the start (up, left), 2 towards the end.
    int VertDirection() const { return vert_.direction; }
    int HorzDirection() const { return horz_.direction; }
    TDragDrop* Owner() const { return owner_; }
    // The component is going: the target answers no drop from now on.
    void Detach();

private:
    struct Axis {
        bool vertical = false;
        QTimer start;
        QTimer repeat;
        int direction = 0;
    };
    QPoint Client(QPoint Screen) const;
    int ScrollDirection(const Axis& A) const;
    void CheckScroll(Axis& A);
    void StartAxis(Axis& A, int Direction);
    void StopAxis(Axis& A);
    void StartFired(Axis& A);
    bool Step(Axis& A);
    void StopScrolling();
    // Clears the effect of a drag that is not to be dropped here.
    void OwnAndAcceptedRule(uint32_t& Effect) const;
    uint32_t PopupChoice(uint32_t Effect, QPoint Point);

    TDragDrop* owner_;
    bool accepted_ = false;
    bool ownDrag_ = false;        // the drag comes from this program
    uint32_t allowed_ = 0;        // the effects the source allows
    bool rightButton_ = false;    // the drag was made with the right button
    QPoint last_;                 // the drag's last screen point
    Axis horz_;
    Axis vert_;
};

// ---------------------------------------------------------------- component

enum TDropEffect : uint32_t { deCopy = ole::kEffectCopy, deMove = ole::kEffectMove, deLink = ole::kEffectLink };
using TDropEffectSet = uint32_t;  // TDropEffect values or-ed
enum class TRenderDataOn { rdoEnter, rdoEnterAndDropSync, rdoEnterAndDropAsync, rdoDropSync, rdoDropAsync, rdoNever };
enum TSrcCompatibilityCheck : uint32_t { CheckLindex = 1, CheckdwAspect = 2 };
using TSrcCompatibilitySet = uint32_t;

// Detection states of OnDragDetect.
enum TDragDetectStatus { ddsIdle = 0, ddsLeftPressed = 1, ddsRightPressed = 2, ddsCancelled = 3, ddsDragDetected = 4 };

// The right-button menu's captions in the system's language.
struct TPopupCaptions {
    std::string copy, move, link, cancel;
};
TPopupCaptions PopupCaptions(int PrimaryLanguageId);

class TDragDrop : public QObject {
public:
    explicit TDragDrop(QObject* Owner = nullptr);
    ~TDragDrop() override;

    // Settings made between these two take effect at Loaded, as a form's
    // stored properties do.
    void BeginLoading() { loading_ = true; }
    void Loaded();

    bool AcceptOwnDnD = false;
    bool AutoDetectDnD = false;
    bool BringToFront = false;
    uint8_t DragDetectDelta = 10;
    TSrcCompatibilitySet SourceCompatibility = CheckLindex | CheckdwAspect;  // stored only
    bool TargetPopUpMenu = true;
    TRenderDataOn RenderDataOn = TRenderDataOn::rdoDropSync;
    TScrollDetectOptions& ScrollDetectOptions() { return *options_; }

    QWidget* DragDropControl() const { return control_; }
    void SetDragDropControl(QWidget* Control);
    TDropEffectSet SourceEffects() const { return sourceEffects_; }
    void SetSourceEffects(TDropEffectSet Effects);
    TDropEffectSet TargetEffects() const { return targetEffects_; }
    void SetTargetEffects(TDropEffectSet Effects);

    // Events; points are client points of the control.
    std::function<void(TDragDrop* Sender)> OnAfterScrolling;
    std::function<void(TDragDrop* Sender, QPoint Point, int& Interval, int Direction, bool Page)> OnBeforeScrolling;
    std::function<void(TDragDrop* Sender, uint32_t KeyState, QPoint Start, QPoint Current, int Status)> OnDragDetect;
    std::function<void(TDragDrop* Sender, ole::DataObject* Data, uint32_t KeyState, QPoint Point, uint32_t& Effect,
                       bool& Accept)>
        OnDragEnter;
    std::function<void(TDragDrop* Sender)> OnDragLeave;
    std::function<void(TDragDrop* Sender, uint32_t KeyState, QPoint Point, uint32_t& Effect)> OnDragOver;
    std::function<void(TDragDrop* Sender, ole::DataObject* Data, uint32_t KeyState, QPoint Point, uint32_t& Effect)>
        OnDrop;
    // Stored only: nothing here raises them.
    std::function<void(TDragDrop* Sender, bool EscapePressed, uint32_t KeyState, ole::Result& Result)>
        OnQueryContinueDrag;
    std::function<void(TDragDrop* Sender, uint32_t Effect, ole::Result& Result)> OnGiveFeedback;
    std::function<void(TDragDrop* Sender, uint32_t KeyState, QPoint Point, uint32_t Effect)> OnProcessDropped;

    virtual ole::Ref<ole::DataObject> CreateDataObject() = 0;
    virtual bool CopyToClipboard();
    virtual bool PasteFromClipboard();
    // 0 the left button, 1 the right one; anything else ends a detection.
    virtual void StartDragDetect(int Button);

    int DragDetectStatus() const { return detectStatus_; }
    void SetDragDetectStatus(int Status) { detectStatus_ = Status; }

    bool Registered() const { return registered_; }
    bool Subclassed() const { return subclassed_; }
    TDropTarget* DropTarget() const { return target_.get(); }
    QMenu* PopupMenu() const { return menu_.get(); }
    QAction* PopupMove() const { return move_; }
    QAction* PopupCopy() const { return copy_; }
    QAction* PopupLink() const { return link_; }
    QAction* PopupCancel() const { return cancel_; }
    void LocalizePopupMenu();

    // The component whose drag detection the program's mouse filter serves;
    // null while no filter is installed.
    static TDragDrop* DragDetectInstance();
    // The event type of the drop's after-work posted to the control.
    static int ProcessDroppedType();

protected:
    // A subclass's target in place of the plain one (before any registration).
    void ReplaceDropTarget(ole::Ref<TDropTarget> Target) { target_ = std::move(Target); }
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    friend class TDropTarget;
    friend class TDragDetectFilter;
    struct TStoredDrop {
        uint32_t keyState = 0;
        QPoint point;
        uint32_t effect = ole::kEffectNone;
        ole::Ref<ole::DataObject> data;
    };
    enum class TScroll { LineBack, LineOn, PageBack, PageOn, End };

    void RegisterTarget();
    void RevokeTarget();
    void SubclassControl();
    void RestoreWindowProc(bool Forced);
    void ControlDestroyed();
    void ProcessDropped();
    void MouseDown(Qt::MouseButton Button, QPoint Screen, uint32_t KeyState);
    QPoint ClientPoint(QPoint Screen) const;
    // The control's own scrolling and the scroll flags the effect reads.
    void ScrollControl(bool Vertical, TScroll Code);
    bool Scrolling() const { return scrollingHorz_ || scrollingVert_; }
    void RaiseDragDetect(uint32_t KeyState, QPoint Current);
    void TakeDetection();
    void EndDetection();
    void HookEvent(QEvent* Event);
    void Store(uint32_t KeyState, QPoint Point, uint32_t Effect, ole::DataObject* Data);
    QWidget* OwnerWindow() const;

    bool loading_ = false;
    QWidget* control_ = nullptr;
    QMetaObject::Connection controlGone_;
    TDropEffectSet sourceEffects_ = 0;
    TDropEffectSet targetEffects_ = 0;
    ole::Ref<TDropTarget> target_;
    std::unique_ptr<TScrollDetectOptions> options_;
    std::unique_ptr<QMenu> menu_;
    QAction* move_ = nullptr;
    QAction* copy_ = nullptr;
    QAction* link_ = nullptr;
    QAction* cancel_ = nullptr;

    bool registered_ = false;
    bool locked_ = false;  // the outside lock a registration holds on the target
    bool subclassed_ = false;
    TStoredDrop stored_;
    bool scrollingHorz_ = false;
    bool scrollingVert_ = false;

    int detectStatus_ = ddsIdle;
    QPoint detectStart_;  // screen
    uint32_t detectKeys_ = 0;
    int buttonCount_ = 0;
};
