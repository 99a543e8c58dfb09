#pragma once
// A file on the clipboard as the desktop's file managers take a copied file,
// and a drag that offers a text, copy only. Both fail silently: they tell
// their caller, and nobody else.
#include <QMimeData>
#include <Qt>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QObject;

namespace fileclip {

// The clipboard data of a copied file: its file URL as text/uri-list, the
// GNOME form ("copy", then the URL; x-special/gnome-copied-files) and the KDE
// mark of a copy, not a cut (application/x-kde-cutselection "0").
std::unique_ptr<QMimeData> CopiedFileData(const std::string& Path);
// The same for several files, in their order.
std::unique_ptr<QMimeData> CopiedFilesData(const std::vector<std::string>& Paths);

// Puts the file at Path (made absolute) on the clipboard in that form. False,
// and the clipboard unchanged, when the file cannot be opened for reading or
// there is no clipboard (no application object).
bool PutFileOnClipboard(const std::string& Path);

// Runs a drag from Source that offers Text as text/plain and allows copying
// only; true when it was dropped somewhere. Source is the widget the drag
// starts from.
bool DragText(QObject* Source, const std::string& Text);

// How a drag is run: Qt's drag by default; tests put a stand-in in its place
// (a drag waits for the mouse in a loop of its own). Returns the previous
// one; an empty runner restores Qt's.
using DragRunner = std::function<Qt::DropAction(QObject* Source, QMimeData* Data, Qt::DropActions Allowed)>;
DragRunner SetDragRunner(DragRunner Runner);

}  // namespace fileclip
