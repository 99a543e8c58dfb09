#pragma once
// Drops on a widget reach a registered drop target: the widget's Qt drag
// events become the target's DragEnter, DragOver, DragLeave and Drop. The
// dragged Qt data become a data object that offers the dragged local files
// as a file-list block and plain text as a text block; the key state and the
// allowed effects come from the Qt event, and the effect the target chooses
// goes back to Qt, as no drop at all when the drag does not allow it.
// Registered event types stand in for registered window messages.
#include <QEvent>
#include <Qt>
#include <string>

#include "platform/Ole.h"
#include "platform/OleDropFiles.h"

class QMimeData;
class QWidget;

namespace ole {

// Binds Target to Widget's drag events and makes the widget accept drops;
// the binding holds a reference to the target until RevokeDragDrop, or until
// the widget is gone. Fails with kNotInitialized before Initialize (or without
// an application object), kInvalidWindow or kInvalidArgument for a null
// widget or target, kAlreadyRegistered for a widget that has a target.
Result RegisterDragDrop(QWidget* Widget, DropTarget* Target);
// Unbinds the widget's target (kNotRegistered when it has none).
Result RevokeDragDrop(QWidget* Widget);
// The target bound to Widget, or null.
DropTarget* RegisteredTarget(const QWidget* Widget);

// Whether the drag that a target is handling started in this program.
bool DragFromThisProgram();

// The data of a drag or of the clipboard as a data object, read from Data at
// once: the local files of its URL list as a file-list block with names in
// Coding (files of another host and names that cannot stand in a block are
// left out; no block without a file), its plain text as a text block.
Ref<DataObject> DataObjectFromMime(const QMimeData& Data, NameCoding Coding = NameCoding::Utf16);

// The key state of a drag from Qt's buttons and modifiers.
uint32_t KeyStateOf(Qt::MouseButtons Buttons, Qt::KeyboardModifiers Modifiers);
// The effects of a set of Qt drop actions.
uint32_t EffectsOf(Qt::DropActions Actions);
// The Qt drop action of a chosen effect (the first of copy, move and link it
// holds), IgnoreAction for none.
Qt::DropAction ActionOf(uint32_t Effect);

// The event type registered under Name: the same name gives the same type
// everywhere in the program.
QEvent::Type RegisteredEventType(const std::string& Name);

}  // namespace ole
