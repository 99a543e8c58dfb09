#include "murmel/AboutDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

const char* const CAboutDlg::VersionLine = "Murmel, Version 2.06";
const char* const CAboutDlg::AuthorLine = "by the Murmel authors, 4/2000";
const char* const CAboutDlg::MailAddress = "murmel@murmel.example.org";
const char* const CAboutDlg::WebAddress = "https://murmel.example.org/";

QPixmap MurmelPicture(int Size) {
    QPixmap picture(Size, Size);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = Size / 32.0;
    // A tape cassette: the voice mail it keeps.
    p.setPen(QPen(QColor(40, 40, 40), 1.2 * s));
    p.setBrush(QColor(70, 110, 170));
    p.drawRoundedRect(QRectF(2 * s, 7 * s, 28 * s, 18 * s), 2.5 * s, 2.5 * s);
    p.setBrush(QColor(235, 235, 225));
    p.drawRect(QRectF(6 * s, 10 * s, 20 * s, 8 * s));
    p.setBrush(QColor(60, 60, 60));
    p.drawEllipse(QPointF(11 * s, 14 * s), 2.6 * s, 2.6 * s);
    p.drawEllipse(QPointF(21 * s, 14 * s), 2.6 * s, 2.6 * s);
    QPainterPath base;
    base.moveTo(9 * s, 25 * s);
    base.lineTo(11 * s, 21 * s);
    base.lineTo(21 * s, 21 * s);
    base.lineTo(23 * s, 25 * s);
    p.setBrush(QColor(50, 80, 130));
    p.drawPath(base);
    return picture;
}

CAboutDlg::CAboutDlg(QWidget* Parent) : QDialog(Parent) {
    setObjectName("100");
    setWindowTitle("Info about Murmel");
    auto* picture = new QLabel(this);
    picture->setObjectName("140");
    picture->setPixmap(MurmelPicture(32));
    auto* text = new QVBoxLayout;
    for (const char* line : {VersionLine, AuthorLine, MailAddress, WebAddress}) {
        auto* label = new QLabel(QString::fromUtf8(line), this);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        text->addWidget(label);
    }
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("1");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(picture, 0, Qt::AlignTop);
    row->addLayout(text, 1);
    row->addWidget(ok, 0, Qt::AlignTop);
    auto* top = new QVBoxLayout(this);
    top->addLayout(row);
    top->setSizeConstraint(QLayout::SetFixedSize);
}
