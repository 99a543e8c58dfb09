#include "platform/OleDragDrop.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace ole {
namespace {

// A snapshot of someone else's data: what it offers is read once, so the
// answers stay the same for the whole drag.
class MimeDataObject : public InterfacedObject, public DataObject {
public:
    void Offer(ClipFormat Format, std::string Bytes) {
        FormatEtc f;
        f.format = Format;
        offers_.push_back({f, std::move(Bytes)});
    }

    Result QueryGetData(const FormatEtc& Format) override {
        int best = 0;
        for (const auto& offer : offers_) best = std::max(best, FormatGrade(offer.format, Format));
        return GradeResult(best);
    }

    Result GetData(const FormatEtc& Format, StorageMedium& Medium) override {
        Medium = {};
        if (const Result r = QueryGetData(Format); r != kOk) return r;
        for (const auto& offer : offers_) {
            if (FormatGrade(offer.format, Format) != 4) continue;
            Block block = MemoryBlock::Allocate(offer.bytes.size());
            if (!block) return kOutOfMemory;
            LockedBlock locked(block);
            std::memcpy(locked.Data(), offer.bytes.data(), offer.bytes.size());
            Medium.medium = kMediumGlobal;
            Medium.block = block;
            return kOk;
        }
        return kFormatNotOffered;
    }

    // The snapshot is read-only and has no notion of canonical formats or
    // of advice; nothing here enumerates it.
    Result GetDataHere(const FormatEtc&, StorageMedium&) override { return kNotImplemented; }
    Result GetCanonicalFormatEtc(const FormatEtc&, FormatEtc& Out) override {
        Out.targetDevice = nullptr;
        return kNotImplemented;
    }
    Result SetData(const FormatEtc&, StorageMedium&, bool) override { return kNotImplemented; }
    Result EnumFormatEtc(uint32_t, FormatEnumerator** Out) override {
        if (Out) *Out = nullptr;
        return kNotImplemented;
    }
    Result DAdvise(const FormatEtc&, uint32_t, Counted*, uint32_t*) override { return kAdviseNotSupported; }
    Result DUnadvise(uint32_t) override { return kAdviseNotSupported; }
    Result EnumDAdvise(Counted** Out) override {
        if (Out) *Out = nullptr;
        return kAdviseNotSupported;
    }

private:
    struct Offered {
        FormatEtc format;
        std::string bytes;
    };
    std::vector<Offered> offers_;
};

// The local file a URL names; nothing for another host's file, a relative
// path, or a name that cannot stand in a file list.
std::optional<std::string> LocalFileOf(const QUrl& Url) {
    if (!Url.isLocalFile()) return std::nullopt;
    const QString host = Url.host();
    if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0) return std::nullopt;
    const QString path = Url.path(QUrl::FullyDecoded);
    if (!path.startsWith(QLatin1Char('/'))) return std::nullopt;
    std::string name = QFile::encodeName(path).toStdString();
    if (!FitsFileList(name)) return std::nullopt;
    return name;
}

bool g_ownDrag = false;

// The drag in hand while a target handles it.
class OwnDragScope {
public:
    explicit OwnDragScope(const QDropEvent& E) : saved_(std::exchange(g_ownDrag, E.source() != nullptr)) {}
    ~OwnDragScope() { g_ownDrag = saved_; }
    OwnDragScope(const OwnDragScope&) = delete;
    OwnDragScope& operator=(const OwnDragScope&) = delete;

private:
    bool saved_;
};

// Tells Qt the effect chosen, or no drop when there is none or the drag
// does not allow it.
void Answer(QDropEvent& E, uint32_t Effect) {
    const Qt::DropAction action = ActionOf(Effect);
    if (action != Qt::IgnoreAction && (E.possibleActions() & action)) {
        E.setDropAction(action);
        E.accept();
    } else {
        E.setDropAction(Qt::IgnoreAction);
        E.ignore();
    }
}

// The answer to an enter: Qt passes the moves and the drop of a drag only
// to a widget that accepted its enter, and a registered target hears them
// all, so the enter is always taken; the move that Qt sends right after it
// tells the drag what the target chose.
void AnswerEnter(QDragMoveEvent& E, uint32_t Effect) {
    Answer(E, Effect);
    E.accept();
}

// One object per program watches the registered widgets' drag events.
class Binding : public QObject {
public:
    struct Entry {
        Ref<DropTarget> target;
        Ref<DataObject> drag;  // the data of the drag over the widget
        bool acceptedDrops = false;
    };
    std::map<const QObject*, Entry> entries;

    using QObject::QObject;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override {
        const QEvent::Type type = Event->type();
        if (type == QEvent::Destroy) {
            // Nobody revoked the target before the widget went: the
            // binding lets go of it at the widget's very end.
            entries.erase(Watched);
            return false;
        }
        if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::DragLeave && type != QEvent::Drop)
            return false;
        const auto it = entries.find(Watched);
        if (it == entries.end()) return false;
        auto* widget = static_cast<QWidget*>(Watched);
        // The target may revoke itself while it handles the event.
        const Ref<DropTarget> target = it->second.target;
        switch (type) {
            case QEvent::DragEnter: Enter(it->second, *widget, *target, *static_cast<QDragMoveEvent*>(Event)); break;
            case QEvent::DragMove: {
                auto& e = *static_cast<QDragMoveEvent*>(Event);
                const OwnDragScope own(e);
                uint32_t effect = EffectsOf(e.possibleActions());
                target->DragOver(KeyStateOf(e.buttons(), e.modifiers()), widget->mapToGlobal(e.position().toPoint()),
                                 &effect);
                Answer(e, effect);
                break;
            }
            case QEvent::DragLeave:
                it->second.drag.reset();
                target->DragLeave();
                break;
            default: {
                auto& e = *static_cast<QDropEvent*>(Event);
                // Qt sends no drop without an enter; the data are taken from
                // the drop all the same should one come alone.
                Ref<DataObject> data = it->second.drag;
                if (!data && e.mimeData()) data = DataObjectFromMime(*e.mimeData());
                it->second.drag.reset();
                const OwnDragScope own(e);
                uint32_t effect = EffectsOf(e.possibleActions());
                const Result r = target->Drop(data.get(), KeyStateOf(e.buttons(), e.modifiers()),
                                              widget->mapToGlobal(e.position().toPoint()), &effect);
                Answer(e, r == kOk ? effect : kEffectNone);
                break;
            }
        }
        return true;
    }

private:
    static void Enter(Entry& In, QWidget& Widget, DropTarget& Target, QDragMoveEvent& E) {
        In.drag = E.mimeData() ? DataObjectFromMime(*E.mimeData()) : Ref<DataObject>();
        const Ref<DataObject> data = In.drag;
        const OwnDragScope own(E);
        uint32_t effect = EffectsOf(E.possibleActions());
        Target.DragEnter(data.get(), KeyStateOf(E.buttons(), E.modifiers()), Widget.mapToGlobal(E.position().toPoint()),
                         &effect);
        AnswerEnter(E, effect);
    }
};

QPointer<Binding>& TheBinding() {
    static QPointer<Binding> binding;
    return binding;
}

Binding* BindingOf(bool Create) {
    QPointer<Binding>& binding = TheBinding();
    if (!binding && Create && QCoreApplication::instance()) binding = new Binding(QCoreApplication::instance());
    return binding.data();
}

}  // namespace

Result RegisterDragDrop(QWidget* Widget, DropTarget* Target) {
    if (!Initialized() || !qobject_cast<QApplication*>(QCoreApplication::instance())) return kNotInitialized;
    if (!Widget) return kInvalidWindow;
    if (!Target) return kInvalidArgument;
    Binding* binding = BindingOf(true);
    if (binding->entries.count(Widget)) return kAlreadyRegistered;
    Binding::Entry& entry = binding->entries[Widget];
    entry.target = Target;
    entry.acceptedDrops = Widget->acceptDrops();
    Widget->installEventFilter(binding);
    Widget->setAcceptDrops(true);
    return kOk;
}

Result RevokeDragDrop(QWidget* Widget) {
    Binding* binding = BindingOf(false);
    if (!Widget) return kInvalidWindow;
    if (!binding) return kNotRegistered;
    const auto it = binding->entries.find(Widget);
    if (it == binding->entries.end()) return kNotRegistered;
    // Taken out of the map before the target goes, whose end may call back.
    Binding::Entry entry = std::move(it->second);
    binding->entries.erase(it);
    Widget->removeEventFilter(binding);
    Widget->setAcceptDrops(entry.acceptedDrops);
    return kOk;
}

DropTarget* RegisteredTarget(const QWidget* Widget) {
    Binding* binding = BindingOf(false);
    if (!binding) return nullptr;
    const auto it = binding->entries.find(Widget);
    return it == binding->entries.end() ? nullptr : it->second.target.get();
}

bool DragFromThisProgram() { return g_ownDrag; }

Ref<DataObject> DataObjectFromMime(const QMimeData& Data, NameCoding Coding) {
    Ref<MimeDataObject> object(new MimeDataObject);
    if (Data.hasUrls()) {
        std::vector<std::string> names;
        for (const QUrl& url : Data.urls())
            if (std::optional<std::string> name = LocalFileOf(url)) names.push_back(std::move(*name));
        if (!names.empty()) object->Offer(kFormatFileList, DropFilesBlock(names, Coding));
    }
    if (Data.hasText())
        if (std::optional<std::string> text = TextBlock(Data.text().toStdString())) object->Offer(kFormatText, *text);
    return object;
}

uint32_t KeyStateOf(Qt::MouseButtons Buttons, Qt::KeyboardModifiers Modifiers) {
    uint32_t keys = 0;
    if (Buttons & Qt::LeftButton) keys |= kKeyLeftButton;
    if (Buttons & Qt::RightButton) keys |= kKeyRightButton;
    if (Buttons & Qt::MiddleButton) keys |= kKeyMiddleButton;
    if (Modifiers & Qt::ShiftModifier) keys |= kKeyShift;
    if (Modifiers & Qt::ControlModifier) keys |= kKeyControl;
    if (Modifiers & Qt::AltModifier) keys |= kKeyAlt;
    return keys;
}

uint32_t EffectsOf(Qt::DropActions Actions) {
    uint32_t effects = kEffectNone;
    if (Actions & Qt::CopyAction) effects |= kEffectCopy;
    if (Actions & Qt::MoveAction) effects |= kEffectMove;
    if (Actions & Qt::LinkAction) effects |= kEffectLink;
    return effects;
}

Qt::DropAction ActionOf(uint32_t Effect) {
    if (Effect & kEffectCopy) return Qt::CopyAction;
    if (Effect & kEffectMove) return Qt::MoveAction;
    if (Effect & kEffectLink) return Qt::LinkAction;
    return Qt::IgnoreAction;
}

QEvent::Type RegisteredEventType(const std::string& Name) {
    static std::mutex lock;
    static std::map<std::string, QEvent::Type> types;
    std::lock_guard<std::mutex> guard(lock);
    const auto it = types.find(Name);
    if (it != types.end()) return it->second;
    const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    types.emplace(Name, type);
    return type;
}

}  // namespace ole
