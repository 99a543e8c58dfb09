#include "echolet/EcholetPictures.h"

#include <QPainter>
#include <QPainterPath>

namespace echolet {

namespace {

// A loudspeaker sending out its sound: the greeting that the modem plays.
void DrawSpeaker(QPainter& p, const QRectF& r) {
    p.setRenderHint(QPainter::Antialiasing);
    const double u = r.width() / 16.0;
    QPainterPath body;
    body.moveTo(r.left() + 2 * u, r.top() + 6 * u);
    body.lineTo(r.left() + 5 * u, r.top() + 6 * u);
    body.lineTo(r.left() + 9 * u, r.top() + 2.5 * u);
    body.lineTo(r.left() + 9 * u, r.top() + 13.5 * u);
    body.lineTo(r.left() + 5 * u, r.top() + 10 * u);
    body.lineTo(r.left() + 2 * u, r.top() + 10 * u);
    body.closeSubpath();
    p.setPen(QPen(QColor(20, 40, 90), std::max(1.0, u * 0.6)));
    p.setBrush(QColor(60, 110, 200));
    p.drawPath(body);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(200, 60, 40), std::max(1.0, u * 0.9), Qt::SolidLine, Qt::RoundCap));
    for (int w = 1; w <= 2; ++w) {
        const double radius = (2.0 + 2.2 * w) * u;
        const QRectF arc(r.left() + 9 * u - radius, r.top() + 8 * u - radius, 2 * radius, 2 * radius);
        p.drawArc(arc, -45 * 16, 90 * 16);
    }
}

}  // namespace

QIcon EcholetIcon() {
    QIcon icon;
    for (int size : {16, 32, 48}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        DrawSpeaker(p, QRectF(0, 0, size, size));
        icon.addPixmap(pm);
    }
    return icon;
}

QPixmap EcholetBitmap() {
    QPixmap pm(64, 96);
    pm.fill(QColor(236, 240, 248));
    QPainter p(&pm);
    p.setPen(QColor(120, 130, 160));
    p.drawRect(0, 0, pm.width() - 1, pm.height() - 1);
    DrawSpeaker(p, QRectF(4, 8, 56, 56));
    p.setPen(QColor(20, 40, 90));
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(11);
    p.setFont(f);
    p.drawText(QRectF(0, 66, pm.width(), 24), Qt::AlignCenter, "Echolet");
    return pm;
}

}  // namespace echolet
