#include "platform/RegistryMirrors.h"

#include <mutex>

#include "platform/Registry.h"
#include "platform/XdgAutostart.h"
#include "platform/XdgMime.h"

namespace registry {

void InstallMirrors() {
    static std::once_flag once;
    std::call_once(once, [] {
        AddChangeHook(xdgautostart::OnRegistryChange);
        AddChangeHook(xdgmime::OnRegistryChange);
    });
}

}  // namespace registry
