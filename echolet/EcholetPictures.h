#pragma once
// Echolet's pictures, drawn here: the dialog's icon and the program's
// bitmap beside its buttons and in the about dialog.
#include <QIcon>
#include <QPixmap>

namespace echolet {

QIcon EcholetIcon();
QPixmap EcholetBitmap();

}  // namespace echolet
