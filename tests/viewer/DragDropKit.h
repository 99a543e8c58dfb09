#pragma once
// Drags as Qt hands them to a widget, sent through the drop binding, and a
// component of the plain kind whose target records what it renders.
#include <QApplication>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "viewer/DragDrop.h"

namespace dndtest {

inline std::unique_ptr<QMimeData> FileData(const std::vector<std::string>& Paths) {
    auto d = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const std::string& p : Paths) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(p)));
    d->setUrls(urls);
    return d;
}

inline std::unique_ptr<QMimeData> TextData(const std::string& Text) {
    auto d = std::make_unique<QMimeData>();
    d->setText(QString::fromStdString(Text));
    return d;
}

// One drag over a widget: each step answers the drop action Qt is told.
class Drag {
public:
    Drag(QWidget& Target, const QMimeData& Data, Qt::DropActions Allowed = Qt::CopyAction | Qt::MoveAction,
         Qt::MouseButtons Buttons = Qt::LeftButton, Qt::KeyboardModifiers Keys = Qt::NoModifier)
        : target_(Target), data_(Data), allowed_(Allowed), buttons_(Buttons), keys_(Keys) {}

    void Keys(Qt::KeyboardModifiers K) { keys_ = K; }

    Qt::DropAction Enter(QPoint At = {10, 10}) {
        QDragEnterEvent e(At, allowed_, &data_, buttons_, keys_);
        QCoreApplication::sendEvent(&target_, &e);
        return e.isAccepted() ? e.dropAction() : Qt::IgnoreAction;
    }
    Qt::DropAction Over(QPoint At = {12, 10}) {
        QDragMoveEvent e(At, allowed_, &data_, buttons_, keys_);
        QCoreApplication::sendEvent(&target_, &e);
        return e.isAccepted() ? e.dropAction() : Qt::IgnoreAction;
    }
    // The buttons are up when a drop comes.
    Qt::DropAction Drop(QPoint At = {12, 10}) {
        QDropEvent e(At, allowed_, &data_, Qt::NoButton, keys_);
        QCoreApplication::sendEvent(&target_, &e);
        return e.isAccepted() ? e.dropAction() : Qt::IgnoreAction;
    }
    void Leave() {
        QDragLeaveEvent e;
        QCoreApplication::sendEvent(&target_, &e);
    }
    // Enter, one move and the drop, as Qt sends them for a short drag.
    Qt::DropAction Whole(QPoint At = {12, 10}) {
        Enter(At);
        Over(At);
        return Drop(At);
    }

private:
    QWidget& target_;
    const QMimeData& data_;
    Qt::DropActions allowed_;
    Qt::MouseButtons buttons_;
    Qt::KeyboardModifiers keys_;
};

// What a target rendered, in order: "enter", "drop" or "process" by when.
class TRecordingTarget : public TDropTarget {
public:
    using TDropTarget::TDropTarget;
    std::vector<std::string> rendered;
    std::string phase = "enter";
    void RenderDroppedData(ole::DataObject* Data, uint32_t, uint32_t, QPoint Point) override {
        rendered.push_back(phase + (Data ? "" : " without data"));
        points.push_back(Point);
    }
    std::vector<QPoint> points;
};

class TPlainDragDrop : public TDragDrop {
public:
    explicit TPlainDragDrop(QObject* Owner = nullptr) : TDragDrop(Owner) {
        target = new TRecordingTarget(this);
        ReplaceDropTarget(ole::Ref<TDropTarget>(target));
    }
    ole::Ref<ole::DataObject> CreateDataObject() override { return {}; }
    TRecordingTarget* target;
};

}  // namespace dndtest
