#pragma once
// The tests' own hold on the test keyboard-monitor library, to ask it what
// the loader did with it and to make it report a lock key.
#include <dlfcn.h>

#include <string>

#include "platform/App.h"
#include "platform/Keyboard.h"
#include "support/QelKbMon.h"

namespace qeltest {

inline std::string MonitorPath() { return keyboard::LibraryPath("QelKbMon.dll"); }

// Whether the process still has the library mapped.
inline bool MonitorMapped() {
    void* h = dlopen(MonitorPath().c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (h) dlclose(h);
    return h != nullptr;
}

class MonitorClient {
public:
    MonitorClient() : lib_(app::LoadLibrary(MonitorPath())) {}
    ~MonitorClient() { app::FreeLibrary(lib_); }
    MonitorClient(const MonitorClient&) = delete;
    MonitorClient& operator=(const MonitorClient&) = delete;

    bool Present() const { return lib_ != nullptr; }
    unsigned Windows() const { return Call<unsigned (*)()>("QelKbMonTestWindows")(); }
    unsigned RegisterCalls() const { return Call<unsigned (*)()>("QelKbMonTestRegisterCalls")(); }
    unsigned DeregisterCalls() const { return Call<unsigned (*)()>("QelKbMonTestDeregisterCalls")(); }
    unsigned Message() const { return Call<unsigned (*)()>("QelKbMonTestMessage")(); }
    QelWindow* LastDeregistered() const { return Call<QelWindow* (*)()>("QelKbMonTestLastDeregistered")(); }
    void Toggle(unsigned VirtualKey, bool On) const {
        Call<void (*)(unsigned, int)>("QelKbMonTestToggle")(VirtualKey, On ? 1 : 0);
    }

private:
    template <typename F>
    F Call(const char* name) const {
        return reinterpret_cast<F>(app::GetProcAddress(lib_, name));
    }
    void* lib_;
};

}  // namespace qeltest
