#include "viewer/ViewerPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

namespace viewerpictures {

namespace {

const QColor Ink(0x20, 0x30, 0x50);
const QColor Paper(0xff, 0xff, 0xff);
const QColor Accent(0x1e, 0x6f, 0xc8);

// A page with a folded corner and a few lines of text.
void DrawPage(QPainter& p, const QRectF& r) {
    QPainterPath page;
    const double fold = r.width() * 0.3;
    page.moveTo(r.topLeft());
    page.lineTo(r.right() - fold, r.top());
    page.lineTo(r.right(), r.top() + fold);
    page.lineTo(r.bottomRight());
    page.lineTo(r.bottomLeft());
    page.closeSubpath();
    p.setPen(QPen(Ink, 1));
    p.setBrush(Paper);
    p.drawPath(page);
    for (double y = r.top() + fold + 2; y < r.bottom() - 1.5; y += 2.5)
        p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
}

void DrawArrowHead(QPainter& p, QPointF Tip, double Angle, double Size) {
    QPainterPath head;
    head.moveTo(Tip);
    head.lineTo(Tip + QPointF(std::cos(Angle + 2.6) * Size, std::sin(Angle + 2.6) * Size));
    head.lineTo(Tip + QPointF(std::cos(Angle - 2.6) * Size, std::sin(Angle - 2.6) * Size));
    head.closeSubpath();
    p.setBrush(Accent);
    p.setPen(Qt::NoPen);
    p.drawPath(head);
}

void DrawDoubleArrow(QPainter& p, QPointF A, QPointF B) {
    p.setPen(QPen(Accent, 1.6));
    p.drawLine(A, B);
    const double angle = std::atan2(B.y() - A.y(), B.x() - A.x());
    DrawArrowHead(p, B, angle, 4);
    DrawArrowHead(p, A, angle + M_PI, 4);
}

void DrawTurn(QPainter& p, bool Clockwise) {
    DrawPage(p, QRectF(5.5, 6.5, 9, 12));
    p.setPen(QPen(Accent, 1.8));
    p.setBrush(Qt::NoBrush);
    const QRectF arc(3, 1.5, 14, 10);
    p.drawArc(arc, Clockwise ? 150 * 16 : 30 * 16, Clockwise ? -120 * 16 : 120 * 16);
    const double end = (Clockwise ? 30.0 : 150.0) * M_PI / 180;
    const QPointF tip(arc.center().x() + std::cos(end) * 7, arc.center().y() - std::sin(end) * 5);
    DrawArrowHead(p, tip, Clockwise ? 1.9 : M_PI - 1.9, 4.5);
}

QPixmap Draw(Tool Which) {
    const int s = ToolImageSize;
    QPixmap pixmap(s, s);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (Which) {
        case Tool::Open: {
            p.setPen(QPen(Ink, 1));
            p.setBrush(QColor(0xf0, 0xc8, 0x50));
            p.drawRect(QRectF(2.5, 6.5, 15, 10));
            p.setBrush(QColor(0xf8, 0xdc, 0x78));
            QPainterPath lid;
            lid.moveTo(4.5, 9.5);
            lid.lineTo(18.5, 9.5);
            lid.lineTo(16.5, 16.5);
            lid.lineTo(2.5, 16.5);
            lid.closeSubpath();
            p.drawPath(lid);
            break;
        }
        case Tool::Save:
            p.setPen(QPen(Ink, 1));
            p.setBrush(Accent);
            p.drawRoundedRect(QRectF(2.5, 2.5, 15, 15), 1.5, 1.5);
            p.setBrush(Paper);
            p.drawRect(QRectF(5.5, 2.5, 9, 6));
            p.setBrush(QColor(0xd0, 0xd8, 0xe0));
            p.drawRect(QRectF(5.5, 11.5, 9, 6));
            break;
        case Tool::Print:
            DrawPage(p, QRectF(5.5, 1.5, 9, 8));
            p.setPen(QPen(Ink, 1));
            p.setBrush(QColor(0xa0, 0xa8, 0xb0));
            p.drawRoundedRect(QRectF(1.5, 8.5, 17, 7), 1.5, 1.5);
            p.setBrush(Paper);
            p.drawRect(QRectF(5.5, 13.5, 9, 5));
            break;
        case Tool::PrevPage:
        case Tool::NextPage: {
            const bool next = Which == Tool::NextPage;
            QPainterPath arrow;
            const double tip = next ? 17 : 3, base = next ? 7 : 13;
            arrow.moveTo(tip, 10);
            arrow.lineTo(base, 3);
            arrow.lineTo(base, 7);
            arrow.lineTo(next ? 3 : 17, 7);
            arrow.lineTo(next ? 3 : 17, 13);
            arrow.lineTo(base, 13);
            arrow.lineTo(base, 17);
            arrow.closeSubpath();
            p.setPen(QPen(Ink, 1));
            p.setBrush(Accent);
            p.drawPath(arrow);
            break;
        }
        case Tool::FitToWidth:
            DrawPage(p, QRectF(4.5, 1.5, 11, 17));
            DrawDoubleArrow(p, QPointF(1.5, 11), QPointF(18.5, 11));
            break;
        case Tool::FitToHeight:
            DrawPage(p, QRectF(4.5, 1.5, 11, 17));
            DrawDoubleArrow(p, QPointF(10, 1), QPointF(10, 19));
            break;
        case Tool::BestFit:
            p.setPen(QPen(Accent, 1.4, Qt::DashLine));
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(1.5, 1.5, 17, 17));
            DrawPage(p, QRectF(5.5, 3.5, 9, 13));
            break;
        case Tool::RotateLeft: DrawTurn(p, false); break;
        case Tool::RotateRight: DrawTurn(p, true); break;
    }
    return pixmap;
}

}  // namespace

QIcon ToolPicture(Tool Which) {
    QIcon icon(Draw(Which));
    // The disabled look: the same picture, faded.
    QPixmap faded(ToolImageSize, ToolImageSize);
    faded.fill(Qt::transparent);
    QPainter p(&faded);
    p.setOpacity(0.35);
    p.drawPixmap(0, 0, Draw(Which));
    p.end();
    icon.addPixmap(faded, QIcon::Disabled);
    return icon;
}

QIcon ProgramIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(1.6, 1.6);
    DrawPage(p, QRectF(2.5, 1.5, 12, 16));
    p.setPen(QPen(Accent, 2));
    p.setBrush(QColor(0xd8, 0xe8, 0xff, 0xc0));
    p.drawEllipse(QPointF(12, 11), 4, 4);
    p.drawLine(QPointF(15, 14), QPointF(18.5, 17.5));
    return QIcon(pixmap);
}

}  // namespace viewerpictures
