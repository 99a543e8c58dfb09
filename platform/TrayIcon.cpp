#include "platform/TrayIcon.h"

#include <QObject>
#include <QSystemTrayIcon>
#include <map>
#include <mutex>

namespace tray {
namespace {

class SystemTray : public TrayArea {
public:
    bool Available() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }

    bool Add(int Id, const QIcon& Icon, const std::string& Tip, MouseHandler OnMouse) override {
        if (icons_.count(Id) || !Available()) return false;
        auto icon = std::make_unique<QSystemTrayIcon>(Icon);
        icon->setToolTip(QString::fromStdString(Tip));
        QObject::connect(icon.get(), &QSystemTrayIcon::activated, icon.get(),
                         [Id, OnMouse](QSystemTrayIcon::ActivationReason reason) {
                             if (!OnMouse) return;
                             switch (reason) {
                             case QSystemTrayIcon::Trigger: OnMouse(Id, kLButtonDown); break;
                             case QSystemTrayIcon::DoubleClick: OnMouse(Id, kLButtonDblClk); break;
                             case QSystemTrayIcon::Context: OnMouse(Id, kRButtonDown); break;
                             case QSystemTrayIcon::MiddleClick: OnMouse(Id, kMButtonDown); break;
                             case QSystemTrayIcon::Unknown: break;
                             }
                         });
        icon->show();
        icons_[Id] = std::move(icon);
        return true;
    }

    bool Modify(int Id, const QIcon& Icon, const std::string& Tip) override {
        const auto it = icons_.find(Id);
        if (it == icons_.end()) return false;
        it->second->setIcon(Icon);
        it->second->setToolTip(QString::fromStdString(Tip));
        return true;
    }

    bool Delete(int Id) override { return icons_.erase(Id) > 0; }

private:
    std::map<int, std::unique_ptr<QSystemTrayIcon>> icons_;
};

std::mutex g_lock;
std::unique_ptr<TrayArea>& Slot() {
    static std::unique_ptr<TrayArea> current;
    return current;
}

}  // namespace

std::unique_ptr<TrayArea> MakeSystemTray() { return std::make_unique<SystemTray>(); }

TrayArea& Current() {
    std::lock_guard<std::mutex> guard(g_lock);
    auto& slot = Slot();
    if (!slot) slot = MakeSystemTray();
    return *slot;
}

std::unique_ptr<TrayArea> Install(std::unique_ptr<TrayArea> Next) {
    std::lock_guard<std::mutex> guard(g_lock);
    auto previous = std::move(Slot());
    Slot() = std::move(Next);
    return previous;
}

}  // namespace tray
