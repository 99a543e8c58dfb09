#include "testkit/FakeTray.h"

namespace testkit {

bool FakeTray::Add(int Id, const QIcon& Picture, const std::string& Tip, tray::MouseHandler OnMouse) {
    calls_.push_back("add " + std::to_string(Id) + " " + Tip);
    if (!available_ || icons_.count(Id)) return false;
    icons_[Id] = {Picture, Tip, std::move(OnMouse)};
    return true;
}

bool FakeTray::Modify(int Id, const QIcon& Picture, const std::string& Tip) {
    calls_.push_back("modify " + std::to_string(Id) + " " + Tip);
    const auto it = icons_.find(Id);
    if (it == icons_.end()) return false;
    it->second.icon = Picture;
    it->second.tip = Tip;
    return true;
}

bool FakeTray::Delete(int Id) {
    calls_.push_back("delete " + std::to_string(Id));
    return icons_.erase(Id) > 0;
}

void FakeTray::Mouse(int Id, int MouseMessage) {
    const auto it = icons_.find(Id);
    if (it != icons_.end() && it->second.onMouse) it->second.onMouse(Id, MouseMessage);
}

ScopedFakeTray::ScopedFakeTray(bool Available) {
    auto next = std::make_unique<FakeTray>(Available);
    tray_ = next.get();
    previous_ = tray::Install(std::move(next));
}

ScopedFakeTray::~ScopedFakeTray() { tray::Install(std::move(previous_)); }

}  // namespace testkit
