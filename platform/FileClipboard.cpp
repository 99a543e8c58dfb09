#include "platform/FileClipboard.h"

#include <QClipboard>
#include <QDrag>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QUrl>
#include <mutex>

namespace fileclip {
namespace {

std::mutex g_lock;
DragRunner& Runner() {
    static DragRunner runner;
    return runner;
}

Qt::DropAction QtDrag(QObject* Source, QMimeData* Data, Qt::DropActions Allowed) {
    auto* drag = new QDrag(Source);  // owned by Source, deleted by Qt after the drag
    drag->setMimeData(Data);
    return drag->exec(Allowed, Qt::CopyAction);
}

}  // namespace

std::unique_ptr<QMimeData> CopiedFileData(const std::string& Path) { return CopiedFilesData({Path}); }

std::unique_ptr<QMimeData> CopiedFilesData(const std::vector<std::string>& Paths) {
    QList<QUrl> urls;
    QByteArray gnome = "copy";
    for (const std::string& path : Paths) {
        urls.push_back(QUrl::fromLocalFile(QFileInfo(QString::fromStdString(path)).absoluteFilePath()));
        gnome += "\n" + urls.back().toEncoded();
    }
    auto data = std::make_unique<QMimeData>();
    data->setUrls(urls);
    data->setData("x-special/gnome-copied-files", gnome);
    data->setData("application/x-kde-cutselection", "0");
    return data;
}

bool PutFileOnClipboard(const std::string& Path) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
    QFile file(QString::fromStdString(Path));
    if (!file.open(QIODevice::ReadOnly)) return false;
    file.close();
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return false;
    clipboard->setMimeData(CopiedFileData(Path).release());
    return true;
}

bool DragText(QObject* Source, const std::string& Text) {
    DragRunner run;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        run = Runner();
    }
    auto* data = new QMimeData;
    data->setText(QString::fromStdString(Text));
    if (!run) return QtDrag(Source, data, Qt::CopyAction) != Qt::IgnoreAction;
    std::unique_ptr<QMimeData> owned(data);
    return run(Source, owned.get(), Qt::CopyAction) != Qt::IgnoreAction;
}

DragRunner SetDragRunner(DragRunner Next) {
    std::lock_guard<std::mutex> guard(g_lock);
    auto previous = std::move(Runner());
    Runner() = std::move(Next);
    return previous;
}

}  // namespace fileclip
