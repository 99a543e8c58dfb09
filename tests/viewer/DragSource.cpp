// A drag source for the desktop drop tests, as a file manager's drag is: a
// window at a given place that, pressed with the left (or right) button, drags the
// files it was given as a URL list (or a text), allowing copy, move and
// link. It tells on its standard output, one line each:
//   "ready X Y"      shown (and placed), with the screen point to press;
//   "dragging"       pressed, the drag starts;
//   "over ACTION"    the target under the pointer has answered copy, move,
//                    link or ignore (each change of its answer);
//   "result ACTION"  the drag has ended with ACTION.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <cstdio>

namespace {

const char* ActionName(Qt::DropAction Action) {
    switch (Action) {
        case Qt::CopyAction: return "copy";
        case Qt::MoveAction: return "move";
        case Qt::LinkAction: return "link";
        default: return "ignore";
    }
}

void Tell(const char* Word, const char* Value = nullptr) {
    if (Value != nullptr) std::printf("%s %s\n", Word, Value);
    else std::printf("%s\n", Word);
    std::fflush(stdout);
}

class Source : public QWidget {
public:
    Source(QStringList Files, QString Text) : files_(std::move(Files)), text_(std::move(Text)) {
        setWindowTitle("drag-source");
        resize(160, 120);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (shown_) return;
        shown_ = true;
        // Told after the first paint, once the window manager has placed the window.
        QTimer::singleShot(100, this, [this] {
            const QPoint centre = mapToGlobal(rect().center());
            std::printf("ready %d %d\n", centre.x(), centre.y());
            std::fflush(stdout);
        });
    }
    void mousePressEvent(QMouseEvent* Event) override {
        if ((Event->button() != Qt::LeftButton && Event->button() != Qt::RightButton) || dragged_) return;
        dragged_ = true;
        auto* data = new QMimeData;
        if (!text_.isEmpty()) {
            data->setText(text_);
        } else {
            QList<QUrl> urls;
            for (const QString& f : files_) urls.push_back(QUrl::fromLocalFile(f));
            data->setUrls(urls);
        }
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        QObject::connect(drag, &QDrag::actionChanged, [](Qt::DropAction Action) { Tell("over", ActionName(Action)); });
        Tell("dragging");
        const Qt::DropAction done = drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::CopyAction);
        Tell("result", ActionName(done));
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }

private:
    QStringList files_;
    QString text_;
    bool shown_ = false;
    bool dragged_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QPoint at(700, 100);
    QString text;
    while (!args.isEmpty() && args.front().startsWith("--")) {
        const QString option = args.takeFirst();
        const QString value = args.isEmpty() ? QString() : args.takeFirst();
        if (option == "--at") at = QPoint(value.section(',', 0, 0).toInt(), value.section(',', 1, 1).toInt());
        else if (option == "--text") text = value;
    }
    Source source(args, text);
    source.move(at);
    source.show();
    return app.exec();
}
