#include "support/QelKb.h"

#include <algorithm>
#include <vector>

#include "platform/App.h"
#include "platform/Keyboard.h"

namespace QelKb {
namespace {

const char* const kLibName = "QelKbMon.dll";

template <typename Entry>
Entry EntryOf(void* module, const char* name) {
    return reinterpret_cast<Entry>(app::GetProcAddress(module, name));
}

class TKbMonState {
public:
    // At program end the library goes, so no monitor outlives the windows.
    ~TKbMonState() { Unload(); }

    std::string LibName = kLibName;
    bool Loaded = false;

    bool Load() {
        if (module_) Unload();
        module_ = app::LoadLibrary(keyboard::LibraryPath(LibName));
        register_ = EntryOf<TRegisterKeyboardHook>(module_, "RegisterKeyboardHook");
        deregister_ = EntryOf<TDeregisterKeyboardHook>(module_, "DeregisterKeyboardHook");
        Loaded = module_ != nullptr;
        return Loaded;
    }

    unsigned Register(QelWindow* Wnd) {
        if (!register_) return 0;
        if (std::find(windows_.begin(), windows_.end(), Wnd) == windows_.end()) windows_.push_back(Wnd);
        return register_(Wnd);
    }

    void Deregister(QelWindow* Wnd) {
        // The window leaves the list even without a deregister entry, so the
        // list never keeps a window that is gone.
        windows_.erase(std::remove(windows_.begin(), windows_.end(), Wnd), windows_.end());
        if (deregister_) deregister_(Wnd);
    }

    void Unload() {
        if (!module_) return;
        while (!windows_.empty()) Deregister(windows_.back());
        app::FreeLibrary(module_);
        module_ = nullptr;
        register_ = nullptr;
        deregister_ = nullptr;
        Loaded = false;
    }

    std::size_t WindowCount() const { return windows_.size(); }

private:
    void* module_ = nullptr;
    TRegisterKeyboardHook register_ = nullptr;
    TDeregisterKeyboardHook deregister_ = nullptr;
    std::vector<QelWindow*> windows_;
};

TKbMonState& State() {
    static TKbMonState state;
    return state;
}

}  // namespace

std::string LibName() { return State().LibName; }

void SetLibName(const std::string& Name) {
    State().Unload();
    State().LibName = Name.empty() ? kLibName : Name;
}

bool Load() { return State().Load(); }
bool Loaded() { return State().Loaded; }
unsigned Register(QelWindow* Wnd) { return State().Register(Wnd); }
void Deregister(QelWindow* Wnd) { State().Deregister(Wnd); }
void Unload() { State().Unload(); }
std::size_t WindowCount() { return State().WindowCount(); }

}  // namespace QelKb
