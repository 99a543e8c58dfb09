#pragma once
// The notification area (tray) in place of the shell's notify-icon calls:
// icons added, changed and deleted by number, each with a picture and a tip,
// and the mouse on an icon reported to its owner as the mouse message it
// stands for. The real area is Qt's system tray icon; tests install a
// recording one.
#include <QIcon>
#include <functional>
#include <memory>
#include <string>

namespace tray {

// The mouse messages an icon reports.
constexpr int kLButtonDown = 0x0201;
constexpr int kLButtonDblClk = 0x0203;
constexpr int kRButtonDown = 0x0204;
constexpr int kMButtonDown = 0x0207;

// Called on the GUI thread with the icon's number and the mouse message.
using MouseHandler = std::function<void(int Id, int MouseMessage)>;

class TrayArea {
public:
    virtual ~TrayArea() = default;
    // Whether the desktop shows a notification area at all.
    virtual bool Available() const = 0;
    // False when the icon exists already or cannot be shown.
    virtual bool Add(int Id, const QIcon& Icon, const std::string& Tip, MouseHandler OnMouse) = 0;
    // False when no icon of that number exists.
    virtual bool Modify(int Id, const QIcon& Icon, const std::string& Tip) = 0;
    virtual bool Delete(int Id) = 0;
};

// Qt's system tray icons. A single click reports the left button, a double
// click the left double click, the context click the right button.
std::unique_ptr<TrayArea> MakeSystemTray();

// The installed area; the system tray until another is installed.
TrayArea& Current();
// Installs Next and hands back the previous area.
std::unique_ptr<TrayArea> Install(std::unique_ptr<TrayArea> Next);

}  // namespace tray
