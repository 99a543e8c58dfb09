#pragma once
// A notification area for tests: it records the icons as the program sets
// them and lets the test click on them.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/TrayIcon.h"

namespace testkit {

class FakeTray : public tray::TrayArea {
public:
    struct Icon {
        QIcon icon;
        std::string tip;
        tray::MouseHandler onMouse;
    };

    explicit FakeTray(bool Available = true) : available_(Available) {}
    bool Available() const override { return available_; }
    bool Add(int Id, const QIcon& Picture, const std::string& Tip, tray::MouseHandler OnMouse) override;
    bool Modify(int Id, const QIcon& Picture, const std::string& Tip) override;
    bool Delete(int Id) override;

    bool Has(int Id) const { return icons_.count(Id) > 0; }
    const Icon& Get(int Id) const { return icons_.at(Id); }
    // Every call as "add 3004 <tip>", "modify 3004 <tip>", "delete 3004".
    const std::vector<std::string>& Calls() const { return calls_; }
    // The mouse on icon Id, as the desktop reports it.
    void Mouse(int Id, int MouseMessage);

private:
    bool available_;
    std::map<int, Icon> icons_;
    std::vector<std::string> calls_;
};

// Installs a FakeTray for its lifetime and restores the previous area.
class ScopedFakeTray {
public:
    explicit ScopedFakeTray(bool Available = true);
    ~ScopedFakeTray();
    ScopedFakeTray(const ScopedFakeTray&) = delete;
    ScopedFakeTray& operator=(const ScopedFakeTray&) = delete;
    FakeTray& operator*() { return *tray_; }
    FakeTray* operator->() { return tray_; }

private:
    FakeTray* tray_;
    std::unique_ptr<tray::TrayArea> previous_;
};

}  // namespace testkit
