#include "support/ToolButtons.h"

#include <QIcon>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

namespace toolbuttons {

QToolButton* AddMenuButton(QToolBar* Bar, const char* Name, QMenu* Menu) {
    auto* b = Named(new QToolButton(Bar), Name);
    b->setMenu(Menu);
    b->setPopupMode(QToolButton::InstantPopup);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setAutoRaise(true);
    Bar->addWidget(b);
    return b;
}

QToolButton* AddPictureButton(QToolBar* Bar, const char* Name, const QIcon& Picture) {
    auto* b = Named(new QToolButton(Bar), Name);
    b->setIcon(Picture);
    b->setAutoRaise(true);
    Bar->addWidget(b);
    return b;
}

}  // namespace toolbuttons
