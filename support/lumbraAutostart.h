#pragma once
// TLumbraAutostart: makes the program start when the user logs on, by a
// value in the registry's "Run" key (every log-on) or "RunOnce" key (the next
// one only), for all users (HKLM, Global) or the current user (HKCU). Reading
// a Boolean property asks the registry; writing it writes or deletes the
// value at once. The value's data is the program's path in double quotes, a
// blank and StartOptions; the registry keeps the desktop's autostart entries
// in step with the Run keys.
//
// The first write of a process keeps the Run value as it is, whatever was
// asked for (so that a program setting its defaults at start does not switch
// the user's choice off). No operation reports an error: a key that cannot be
// opened for writing reads as no value and writes nothing.
#include <QObject>
#include <string>

#include "platform/Registry.h"

class TLumbraAutostart : public QObject {
    Q_OBJECT

public:
    static constexpr const char* RunKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    static constexpr const char* RunOnceKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
    // The key whose creation in HKLM tells that the machine's keys may be written.
    static constexpr const char* TestKey = "\\Software\\Lumbra\\test\\";

    // Names the value after the application title + "#Autostart".
    explicit TLumbraAutostart(QObject* Owner = nullptr);
    // The registry values outlive the component.
    ~TLumbraAutostart() override = default;

    const std::string& appName() const { return appName_; }
    // Renames: values of the old name in any of the four places move to the
    // new one; a name that differs only in letter case changes nothing.
    void SetAppName(const std::string& Name);
    bool autostart();
    void SetAutostart(bool Value);
    bool StartNextLogon();
    void SetStartNextLogon(bool Value);
    bool Global() const { return global_; }
    // True only when HKLM can be written; moving between the roots carries
    // the values over, written afresh.
    void SetGlobal(bool Value);
    const std::string& StartOptions() const { return startOptions_; }
    void SetStartOptions(const std::string& Value) { startOptions_ = Value; }

    // The process is as newly started: its next write is the first one again.
    static void ResetFirstWrite();

private:
    enum class TKind { Run, RunOnce };
    static const char* KeyOf(TKind Kind);
    static registry::THive RootOf(bool Global) { return Global ? registry::THive::HKLM : registry::THive::HKCU; }
    bool IsPresent(TKind Kind, bool Global) const;
    bool WriteStep(TKind Kind, bool Global, bool Wanted);
    std::string ValueData() const;

    std::string appName_;
    std::string startOptions_;
    bool autostartCache_ = false;
    bool nextLogonCache_ = false;
    bool global_ = false;
};
