#pragma once
// Controls carry the names their forms give them (tests and the placement
// component find them by name), and the windows' tool bars hold two kinds of
// button: a menu's title, whose menu opens at the press, and a picture.
#include <QObject>
#include <QString>

class QIcon;
class QMenu;
class QToolBar;
class QToolButton;

namespace toolbuttons {

// Widget with its control name.
template <class W>
W* Named(W* Widget, const char* Name) {
    Widget->setObjectName(QString::fromLatin1(Name));
    return Widget;
}

// A text button on Bar that opens Menu when pressed, as a menu bar's title does.
QToolButton* AddMenuButton(QToolBar* Bar, const char* Name, QMenu* Menu);

// A flat picture button on Bar.
QToolButton* AddPictureButton(QToolBar* Bar, const char* Name, const QIcon& Picture);

}  // namespace toolbuttons
