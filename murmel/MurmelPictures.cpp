#include "murmel/MurmelPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace murmel {
namespace {

const QColor kOutline(40, 40, 48);
const QColor kBody(70, 110, 170);
const QColor kIdleBody(120, 130, 150);
const QColor kNew(255, 190, 0);
const QColor kGo(20, 150, 40);
const QColor kPaper(250, 250, 245);
const QColor kStop(200, 40, 30);
const QColor kHold(230, 140, 20);

QPixmap Blank(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    return pm;
}

struct Painter : QPainter {
    explicit Painter(QPixmap& pm) : QPainter(&pm) {
        setRenderHint(QPainter::Antialiasing, true);
        // Everything is drawn on a 16 x 16 grid.
        scale(pm.width() / 16.0, pm.height() / 16.0);
    }
};

// The murmel: a round speech bubble with sound waves inside.
void Bubble(QPainter& p, const QColor& body) {
    QPainterPath bubble;
    bubble.addEllipse(QRectF(1, 1.5, 13, 10.5));
    QPolygonF tail;
    tail << QPointF(3.5, 10) << QPointF(2, 15) << QPointF(7.5, 11.5);
    bubble.addPolygon(tail);
    p.setPen(QPen(kOutline, 0.8));
    p.setBrush(body);
    p.drawPath(bubble.simplified());
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 1.1, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i) {
        const double r = 1.4 + 1.6 * i;
        p.drawArc(QRectF(4.5 - r, 6.75 - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
    }
}

void PlayMark(QPainter& p, const QRectF& r, const QColor& c) {
    QPolygonF tri;
    tri << r.topLeft() << QPointF(r.right(), r.center().y()) << r.bottomLeft();
    p.setPen(QPen(kOutline, 0.6));
    p.setBrush(c);
    p.drawPolygon(tri);
}

// A small sheet with lines: a fax was reported.
void FaxMark(QPainter& p) {
    p.setPen(QPen(kOutline, 0.6));
    p.setBrush(kPaper);
    p.drawRect(QRectF(10, 0.5, 5.5, 7));
    p.setPen(QPen(QColor(60, 60, 60), 0.7));
    for (int i = 0; i < 3; ++i) p.drawLine(QPointF(11, 2.5 + 1.7 * i), QPointF(14.5, 2.5 + 1.7 * i));
}

// What a tray icon shows besides the bubble.
enum class Mark { None, New, PlayingMore, PlayingNewest };

QPixmap TrayPicture(int size, Mark mark, bool fax) {
    QPixmap pm = Blank(size);
    Painter p(pm);
    Bubble(p, mark == Mark::None ? kIdleBody : kBody);
    switch (mark) {
    case Mark::None: break;
    case Mark::New:
        p.setPen(QPen(kOutline, 0.6));
        p.setBrush(kNew);
        p.drawEllipse(QRectF(9.5, 9.5, 6, 6));
        break;
    case Mark::PlayingMore:
        PlayMark(p, QRectF(8.5, 9, 4.5, 6.5), kGo);
        PlayMark(p, QRectF(12, 10, 3.5, 4.5), kNew);
        break;
    case Mark::PlayingNewest: PlayMark(p, QRectF(9.5, 9, 5.5, 6.5), kGo); break;
    }
    if (fax) FaxMark(p);
    return pm;
}

QIcon TrayIconOf(Mark mark, bool fax) {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48}) icon.addPixmap(TrayPicture(size, mark, fax));
    return icon;
}

void Sheet(QPainter& p, const QRectF& r) {
    p.setPen(QPen(kOutline, 0.7));
    p.setBrush(kPaper);
    p.drawRect(r);
    p.setPen(QPen(QColor(90, 90, 90), 0.6));
    for (double y = r.top() + 2; y < r.bottom() - 1; y += 2) p.drawLine(QPointF(r.left() + 1.5, y), QPointF(r.right() - 1.5, y));
}

}  // namespace

QIcon TrayIcon(int Id) {
    switch (Id) {
    case 132: return TrayIconOf(Mark::New, false);
    case 133: return TrayIconOf(Mark::PlayingMore, false);
    case 138: return TrayIconOf(Mark::PlayingNewest, false);
    case 137: return TrayIconOf(Mark::None, true);
    case 135: return TrayIconOf(Mark::New, true);
    case 136: return TrayIconOf(Mark::PlayingMore, true);
    case 139: return TrayIconOf(Mark::PlayingNewest, true);
    default: return TrayIconOf(Mark::None, false);
    }
}

QPixmap ButtonBitmap(int Id) {
    QPixmap pm = Blank(kButtonBitmapSize);
    Painter p(pm);
    p.setPen(QPen(kOutline, 0.7));
    switch (Id) {
    case 131: PlayMark(p, QRectF(5, 3, 8, 10), kGo); break;
    case 138:
        PlayMark(p, QRectF(4, 3, 7, 10), kNew);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kGo, 1.0, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(8, 5, 6, 6), -60 * 16, 120 * 16);
        p.drawArc(QRectF(8, 3, 8, 10), -60 * 16, 120 * 16);
        break;
    case 134:
    case 139:
        p.setBrush(Id == 139 ? kHold : QColor(90, 90, 100));
        p.drawRect(QRectF(4.5, 3, 2.5, 10));
        p.drawRect(QRectF(9, 3, 2.5, 10));
        break;
    case 129:
        p.setBrush(kStop);
        p.drawRect(QRectF(4, 4, 8, 8));
        break;
    case 132:
        PlayMark(p, QRectF(3.5, 3.5, 7, 9), kBody);
        p.setBrush(kBody);
        p.drawRect(QRectF(10.5, 3.5, 2, 9));
        break;
    case 135: {
        QPolygonF tri;
        tri << QPointF(12.5, 3.5) << QPointF(5.5, 8) << QPointF(12.5, 12.5);
        p.setBrush(kBody);
        p.drawPolygon(tri);
        p.drawRect(QRectF(3.5, 3.5, 2, 9));
        break;
    }
    case 136:
        Sheet(p, QRectF(2.5, 1.5, 8, 10));
        Sheet(p, QRectF(5.5, 4.5, 8, 10));
        break;
    case 137:
        p.setBrush(kPaper);
        p.drawRect(QRectF(1.5, 4, 13, 9));
        p.drawLine(QPointF(1.5, 4), QPointF(8, 9.5));
        p.drawLine(QPointF(14.5, 4), QPointF(8, 9.5));
        break;
    default: return QPixmap();
    }
    return pm;
}

QPixmap MenuBitmap(int Id) {
    if (Id != 145 && Id != 146) return QPixmap();
    QPixmap pm = Blank(kMenuBitmapSize);
    Painter p(pm);
    if (Id == 145) {
        // Pellow: the modem with its message light.
        p.setPen(QPen(kOutline, 0.8));
        p.setBrush(QColor(214, 205, 180));
        p.drawRoundedRect(QRectF(1, 5, 14, 7), 1.5, 1.5);
        p.setBrush(kGo);
        p.drawEllipse(QRectF(3, 7.5, 2, 2));
        p.setBrush(kNew);
        p.drawEllipse(QRectF(6.5, 7.5, 2, 2));
    } else {
        // Echolet: the greeting going out as sound waves.
        p.setPen(QPen(kOutline, 0.8));
        p.setBrush(kBody);
        QPolygonF cone;
        cone << QPointF(1, 6) << QPointF(4, 6) << QPointF(8, 2) << QPointF(8, 14) << QPointF(4, 10) << QPointF(1, 10);
        p.drawPolygon(cone);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kBody, 1.2, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 2; ++i) {
            const double r = 3.0 + 2.5 * i;
            p.drawArc(QRectF(8 - r, 8 - r, 2 * r, 2 * r), -50 * 16, 100 * 16);
        }
    }
    return pm;
}

QIcon ProgramIcon() { return TrayIconOf(Mark::New, false); }

}  // namespace murmel
