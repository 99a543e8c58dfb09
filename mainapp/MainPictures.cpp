#include "mainapp/MainPictures.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <array>
#include <cmath>

#include "platform/Checked.h"

TImageList::TImageList(const QString& Name, QList<QPixmap> Images, QObject* Owner)
    : QObject(Owner), images_(std::move(Images)) {
    setObjectName(Name);
}

const QPixmap& TImageList::Image(int Index) const { return At(images_, Index); }

QSize TImageList::ImageSize() const { return images_.isEmpty() ? QSize() : images_.front().size(); }

namespace pictures {
namespace {

const QColor kOutline(40, 40, 48);
const QColor kVoice(30, 70, 160);
const QColor kPaper(250, 250, 245);
const QColor kNew(255, 190, 0);
const QColor kError(210, 20, 20);
const QColor kGo(20, 150, 40);
const QColor kBody(214, 205, 180);
const QColor kLedOff(90, 90, 80);
const QColor kLedGreen(40, 230, 60);
const QColor kLedRed(240, 40, 30);

QPixmap Blank(int w, int h) {
    QPixmap pm(w, h);
    pm.fill(Qt::transparent);
    return pm;
}

struct Painter : QPainter {
    explicit Painter(QPixmap& pm) : QPainter(&pm) { setRenderHint(QPainter::Antialiasing, true); }
};

// A loudspeaker with sound waves: the picture of voice mail.
void Speaker(QPainter& p, const QRectF& r, const QColor& c, int waves) {
    const double u = r.width() / 16.0;
    p.setPen(QPen(kOutline, 0.8 * u));
    p.setBrush(c);
    QPolygonF cone;
    cone << QPointF(r.left() + 1 * u, r.top() + 6 * u) << QPointF(r.left() + 4 * u, r.top() + 6 * u)
         << QPointF(r.left() + 8 * u, r.top() + 2 * u) << QPointF(r.left() + 8 * u, r.top() + 14 * u)
         << QPointF(r.left() + 4 * u, r.top() + 10 * u) << QPointF(r.left() + 1 * u, r.top() + 10 * u);
    p.drawPolygon(cone);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(c, 1.3 * u, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < waves; ++i) {
        const double rad = (3.0 + 2.5 * i) * u;
        const QRectF arc(r.left() + 8 * u - rad, r.top() + 8 * u - rad, 2 * rad, 2 * rad);
        p.drawArc(arc, -50 * 16, 100 * 16);
    }
}

// A sheet with a folded corner and text lines: the picture of a fax.
void Sheet(QPainter& p, const QRectF& r) {
    const double u = r.width() / 16.0;
    QPainterPath page;
    page.moveTo(r.left() + 3 * u, r.top() + 1 * u);
    page.lineTo(r.left() + 10 * u, r.top() + 1 * u);
    page.lineTo(r.left() + 14 * u, r.top() + 5 * u);
    page.lineTo(r.left() + 14 * u, r.top() + 15 * u);
    page.lineTo(r.left() + 3 * u, r.top() + 15 * u);
    page.closeSubpath();
    p.setPen(QPen(kOutline, 0.9 * u));
    p.setBrush(kPaper);
    p.drawPath(page);
    p.drawLine(QPointF(r.left() + 10 * u, r.top() + 1 * u), QPointF(r.left() + 10 * u, r.top() + 5 * u));
    p.drawLine(QPointF(r.left() + 10 * u, r.top() + 5 * u), QPointF(r.left() + 14 * u, r.top() + 5 * u));
    p.setPen(QPen(QColor(60, 60, 60), 1.0 * u));
    for (int i = 0; i < 4; ++i) {
        const double y = r.top() + (7 + 2 * i) * u;
        p.drawLine(QPointF(r.left() + 5 * u, y), QPointF(r.left() + (i == 3 ? 9 : 12) * u, y));
    }
}

// The mark of a new message: a small star at the top left.
void NewMark(QPainter& p, const QRectF& r) {
    const double u = r.width() / 16.0;
    const QPointF c(r.left() + 3.5 * u, r.top() + 3.5 * u);
    QPolygonF star;
    for (int i = 0; i < 10; ++i) {
        const double a = -M_PI / 2 + i * M_PI / 5;
        const double rad = (i % 2 ? 1.4 : 3.4) * u;
        star << QPointF(c.x() + rad * std::cos(a), c.y() + rad * std::sin(a));
    }
    p.setPen(QPen(QColor(150, 90, 0), 0.6 * u));
    p.setBrush(kNew);
    p.drawPolygon(star);
}

// The mark of a reception error: a red disc with a white bar at the bottom right.
void ErrorMark(QPainter& p, const QRectF& r) {
    const double u = r.width() / 16.0;
    const QRectF disc(r.left() + 9 * u, r.top() + 9 * u, 7 * u, 7 * u);
    p.setPen(QPen(Qt::white, 0.7 * u));
    p.setBrush(kError);
    p.drawEllipse(disc);
    p.setPen(QPen(Qt::white, 1.4 * u, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(disc.center().x(), disc.top() + 1.6 * u), QPointF(disc.center().x(), disc.top() + 3.8 * u));
    p.drawPoint(QPointF(disc.center().x(), disc.top() + 5.4 * u));
}

QPixmap ListImage(bool voice, bool isNew, bool error) {
    QPixmap pm = Blank(ListImageSize, ListImageSize);
    Painter p(pm);
    const QRectF r(0, 0, ListImageSize, ListImageSize);
    if (voice) Speaker(p, r.adjusted(1, 0, 1, 0), kVoice, 2);
    else Sheet(p, r);
    if (isNew) NewMark(p, r);
    if (error) ErrorMark(p, r);
    return pm;
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& c, double width) {
    p.setPen(QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    const double a = std::atan2(to.y() - from.y(), to.x() - from.x());
    const double head = width * 2.2;
    QPolygonF tip;
    tip << to << QPointF(to.x() - head * std::cos(a - 0.6), to.y() - head * std::sin(a - 0.6))
        << QPointF(to.x() - head * std::cos(a + 0.6), to.y() - head * std::sin(a + 0.6));
    p.setBrush(c);
    p.setPen(QPen(c, 1));
    p.drawPolygon(tip);
}

// The modem of the tool pictures: a flat box with a row of lights.
void SmallModem(QPainter& p, const QRectF& r) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(kBody);
    p.drawRoundedRect(r, 2, 2);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i) {
        p.setBrush(i == 0 ? kLedGreen : kLedOff);
        p.drawEllipse(QRectF(r.left() + 3 + i * 4, r.bottom() - 4, 2.5, 2.5));
    }
}

void Gear(QPainter& p, QPointF c, double rad, const QColor& col) {
    QPolygonF g;
    for (int i = 0; i < 16; ++i) {
        const double a = i * M_PI / 8;
        const double rr = (i % 2) ? rad * 0.72 : rad;
        g << QPointF(c.x() + rr * std::cos(a), c.y() + rr * std::sin(a));
    }
    p.setPen(QPen(kOutline, 0.8));
    p.setBrush(col);
    p.drawPolygon(g);
    p.setBrush(Qt::white);
    p.drawEllipse(c, rad * 0.3, rad * 0.3);
}

QPixmap Tool24(Tool which) {
    const int s = ToolImageSize;
    QPixmap pm = Blank(s, s);
    Painter p(pm);
    switch (which) {
        case Tool::Reload: {
            p.setPen(QPen(kGo, 3, Qt::SolidLine, Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(4, 4, 16, 16), 60 * 16, 280 * 16);
            QPolygonF tip;
            tip << QPointF(13, 1) << QPointF(19, 5.5) << QPointF(12.5, 9.5);
            p.setPen(Qt::NoPen);
            p.setBrush(kGo);
            p.drawPolygon(tip);
            break;
        }
        case Tool::Play:
        case Tool::PlayNew: {
            QPolygonF tri;
            tri << QPointF(6, 3) << QPointF(21, 12) << QPointF(6, 21);
            p.setPen(QPen(kOutline, 1));
            p.setBrush(kGo);
            p.drawPolygon(tri);
            if (which == Tool::PlayNew) NewMark(p, QRectF(-1, -1, 16, 16));
            break;
        }
        case Tool::Release: {
            p.setPen(QPen(kOutline, 1));
            p.setBrush(kPaper);
            p.drawRect(QRectF(2, 6, 20, 14));
            p.drawLine(QPointF(2, 6), QPointF(12, 14));
            p.drawLine(QPointF(22, 6), QPointF(12, 14));
            p.setPen(QPen(kGo, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(QPolygonF() << QPointF(9, 15) << QPointF(13, 20) << QPointF(22, 9));
            break;
        }
        case Tool::Erase: {
            p.setPen(QPen(kError, 4, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(5, 5), QPointF(19, 19));
            p.drawLine(QPointF(19, 5), QPointF(5, 19));
            break;
        }
        case Tool::ModemSettings:
            SmallModem(p, QRectF(1, 9, 18, 10));
            Gear(p, QPointF(17, 8), 6.5, QColor(160, 160, 170));
            break;
        case Tool::About: {
            SmallModem(p, QRectF(1, 11, 18, 10));
            p.setPen(QPen(Qt::white, 1));
            p.setBrush(kVoice);
            p.drawEllipse(QRectF(11, 1, 12, 12));
            p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
            p.drawPoint(QPointF(17, 4.2));
            p.drawLine(QPointF(17, 7), QPointF(17, 10.5));
            break;
        }
    }
    return pm;
}

// The modem of the animations with its front lights; lit gives the colour
// of each of the four lights (transparent = off).
QPixmap ModemFrame(const std::array<QColor, 4>& lit, bool grey) {
    QPixmap pm = Blank(AnimationWidth, AnimationHeight);
    Painter p(pm);
    const QColor body = grey ? QColor(170, 170, 170) : kBody;
    QPolygonF top;
    top << QPointF(4, 10) << QPointF(26, 10) << QPointF(29, 13) << QPointF(1, 13);
    p.setPen(QPen(kOutline, 1));
    p.setBrush(body.lighter(112));
    p.drawPolygon(top);
    p.setBrush(body);
    p.drawRect(QRectF(1, 13, 28, 11));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) {
        p.setBrush(lit[static_cast<std::size_t>(i)].alpha() ? lit[static_cast<std::size_t>(i)] : kLedOff);
        p.drawEllipse(QRectF(4 + i * 6, 18, 3.5, 3.5));
    }
    return pm;
}

using Leds = std::array<QColor, 4>;
const QColor kOff = Qt::transparent;

QList<QPixmap> Frames(Animation which) {
    QList<QPixmap> out;
    switch (which) {
        case Animation::NotConnected:
            for (int f = 0; f < 2; ++f) {
                QPixmap pm = ModemFrame({kOff, kOff, kOff, kOff}, true);
                Painter p(pm);
                p.setPen(QPen(f == 0 ? kError : kError.lighter(150), 3, Qt::SolidLine, Qt::RoundCap));
                p.drawLine(QPointF(29, 4), QPointF(38, 13));
                p.drawLine(QPointF(38, 4), QPointF(29, 13));
                out << pm;
            }
            break;
        case Animation::Search:
            for (int f = 0; f < 4; ++f) {
                Leds l{kOff, kOff, kOff, kOff};
                l[static_cast<std::size_t>(f)] = kNew;
                QPixmap pm = ModemFrame(l, false);
                Painter p(pm);
                const QPointF c(31 + (f % 2) * 2, 7 + (f / 2) * 2);
                p.setPen(QPen(kOutline, 1.6));
                p.setBrush(QColor(200, 230, 255));
                p.drawEllipse(c, 4.5, 4.5);
                p.setPen(QPen(kOutline, 2.5, Qt::SolidLine, Qt::RoundCap));
                p.drawLine(c + QPointF(3.3, 3.3), c + QPointF(6.5, 6.5));
                out << pm;
            }
            break;
        case Animation::Download:
        case Animation::Upload: {
            const bool down = which == Animation::Download;
            const QColor c = down ? QColor(20, 90, 200) : QColor(230, 120, 0);
            for (int f = 0; f < 4; ++f) {
                Leds l{kLedGreen, f % 2 ? kLedGreen : kOff, kOff, f % 2 ? kOff : kLedGreen};
                QPixmap pm = ModemFrame(l, false);
                Painter p(pm);
                const double y = 3 + f * 5;
                if (down) Arrow(p, QPointF(35, y), QPointF(35, y + 8), c, 2.2);
                else Arrow(p, QPointF(35, 26 - y), QPointF(35, 18 - y), c, 2.2);
                out << pm;
            }
            break;
        }
        case Animation::Play:
            for (int f = 0; f < 4; ++f) {
                QPixmap pm = ModemFrame({kLedGreen, kOff, kLedGreen, kOff}, false);
                Painter p(pm);
                Speaker(p, QRectF(24, 0, 16, 16), kVoice, f);
                out << pm;
            }
            break;
        case Animation::Blink:
        {
            // The message light and the star come and go together.
            QPixmap on = ModemFrame({kLedGreen, kOff, kOff, kLedRed}, false);
            {
                Painter p(on);
                NewMark(p, QRectF(25, -1, 16, 16));
            }
            out << on << ModemFrame({kLedGreen, kOff, kOff, kOff}, false);
            break;
        }
        case Animation::Still:
            out << ModemFrame({kLedGreen, kOff, kOff, kOff}, false);
            break;
    }
    return out;
}

}  // namespace

QIcon ToolPicture(Tool Which) {
    QIcon icon(Tool24(Which));
    icon.addPixmap(DisabledPicture(Tool24(Which)), QIcon::Disabled);
    return icon;
}

QPixmap DisabledPicture(const QPixmap& Picture) {
    // Grey in the light tones of disabled text, each pixel after its own
    // brightness: outlines stay darker than what they enclose, so the
    // picture keeps its shape and lines; the toolbar's own greying, or one
    // flat grey, would leave a blob.
    QImage image = Picture.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(line[x]);
            if (alpha == 0) continue;
            const int grey = 96 + qGray(line[x]) * 140 / 255;
            line[x] = qRgba(grey, grey, grey, alpha);
        }
    }
    return QPixmap::fromImage(image);
}

QList<QPixmap> ListImages() {
    QList<QPixmap> out;
    for (int error = 0; error < 2; ++error) {
        out << ListImage(true, true, error) << ListImage(false, true, error);
        out << ListImage(true, false, error) << ListImage(false, false, error);
    }
    return out;
}

QList<QPixmap> AnimationFrames(Animation Which) { return Frames(Which); }

QIcon ProgramIcon() {
    QIcon icon;
    icon.addPixmap(Frames(Animation::Blink).front());
    return icon;
}

}  // namespace pictures
