#include "support/lumbraAutostart.h"

#include "platform/App.h"
#include "platform/StrUtils.h"

namespace {

// Set until the first write step of the process.
bool g_noWriteYet = true;

}  // namespace

TLumbraAutostart::TLumbraAutostart(QObject* Owner) : QObject(Owner) {
    if (appName_.empty()) appName_ = app::Title() + "#Autostart";
}

void TLumbraAutostart::ResetFirstWrite() { g_noWriteYet = true; }

const char* TLumbraAutostart::KeyOf(TKind Kind) { return Kind == TKind::Run ? RunKey : RunOnceKey; }

std::string TLumbraAutostart::ValueData() const { return "\"" + app::ProgramFile() + "\" " + startOptions_; }

bool TLumbraAutostart::IsPresent(TKind Kind, bool Global) const {
    if (appName_.empty()) return false;
    // Full access, as for a write: a key the user may only read counts as not there.
    registry::TRegistry reg(RootOf(Global), registry::TRegAccess::All);
    if (!reg.OpenKey(KeyOf(Kind), false)) return false;
    try {
        return !reg.ReadString(appName_).empty();
    } catch (const registry::ERegistryException&) {
        return false;  // a value that is no text starts nothing
    }
}

bool TLumbraAutostart::WriteStep(TKind Kind, bool Global, bool Wanted) {
    if (g_noWriteYet) {
        Wanted = autostart();
        g_noWriteYet = false;
    }
    if (appName_.empty()) return false;
    registry::TRegistry reg(RootOf(Global), registry::TRegAccess::All);
    if (!reg.OpenKey(KeyOf(Kind), true)) return false;
    if (!Wanted) {
        reg.DeleteValue(appName_);
        return false;
    }
    try {
        reg.WriteString(appName_, ValueData());
    } catch (const registry::ERegistryException&) {
        return false;
    }
    return true;
}

bool TLumbraAutostart::autostart() {
    autostartCache_ = IsPresent(TKind::Run, global_);
    return autostartCache_;
}

void TLumbraAutostart::SetAutostart(bool Value) { autostartCache_ = WriteStep(TKind::Run, global_, Value); }

bool TLumbraAutostart::StartNextLogon() {
    nextLogonCache_ = IsPresent(TKind::RunOnce, global_);
    return nextLogonCache_;
}

void TLumbraAutostart::SetStartNextLogon(bool Value) { nextLogonCache_ = WriteStep(TKind::RunOnce, global_, Value); }

void TLumbraAutostart::SetGlobal(bool Value) {
    if (Value) {
        registry::TRegistry reg(registry::THive::HKLM, registry::TRegAccess::All);
        if (reg.OpenKey(TestKey, true)) {
            reg.CloseKey();
            reg.DeleteKey(TestKey);
        } else {
            Value = false;
        }
    }
    if (Value == global_) return;
    for (TKind kind : {TKind::Run, TKind::RunOnce}) {
        if (!IsPresent(kind, global_)) continue;
        WriteStep(kind, Value, true);
        WriteStep(kind, global_, false);
    }
    global_ = Value;
}

void TLumbraAutostart::SetAppName(const std::string& Name) {
    if (SameText(Name, appName_)) return;
    struct TPlace {
        TKind kind;
        bool global;
        bool found;
    };
    TPlace places[] = {
        {TKind::Run, false, false},
        {TKind::Run, true, false},
        {TKind::RunOnce, false, false},
        {TKind::RunOnce, true, false},
    };
    for (TPlace& p : places) p.found = IsPresent(p.kind, p.global);
    for (const TPlace& p : places)
        if (p.found) WriteStep(p.kind, p.global, false);
    appName_ = Name;
    for (const TPlace& p : places)
        if (p.found) WriteStep(p.kind, p.global, true);
    autostart();
    StartNextLogon();
}
