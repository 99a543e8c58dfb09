#pragma once
// The tray dialog's own pictures, drawn here by their resource numbers: the
// eight tray icons, the nine button bitmaps, the two menu bitmaps of the
// sibling programs and the program icon.
#include <QIcon>
#include <QPixmap>

namespace murmel {

// Tray icons: 134 idle, 132 new voice mail waiting, 133 playing (more to
// come), 138 playing the newest; 137, 135, 136, 139 the same four with a fax
// reported. A number outside these gives the idle icon.
QIcon TrayIcon(int Id);

// Button bitmaps: 131 play, 138 playing, 134 pause, 139 paused, 129 stop,
// 132 skip next, 135 skip previous, 136 copy, 137 send. Others: empty.
QPixmap ButtonBitmap(int Id);

// Menu bitmaps: 145 Pellow, 146 Echolet. Others: empty.
QPixmap MenuBitmap(int Id);

// The program icon (icon group 128).
QIcon ProgramIcon();

constexpr int kButtonBitmapSize = 24;
constexpr int kMenuBitmapSize = 16;

}  // namespace murmel
