#include "modem/ModemDialogs.h"

#include "platform/Clock.h"
#include "platform/Exceptions.h"

namespace {
TModemDialogs* g_dialogs = nullptr;
}

TModemDialogs& ModemDialogs() {
    if (!g_dialogs) throw Exception("No dialogs are registered for the modem");
    return *g_dialogs;
}

bool HasModemDialogs() { return g_dialogs != nullptr; }

TModemDialogs* SetModemDialogs(TModemDialogs* Dialogs) {
    TModemDialogs* previous = g_dialogs;
    g_dialogs = Dialogs;
    return previous;
}

std::string PlayTimeText(int32_t Seconds) {
    const std::string text = TimeToStr(static_cast<double>(Seconds) / 86400.0);
    // A copy from position 4 takes what there is, as the class library's Copy does.
    return text.size() < 4 ? std::string() : text.substr(3, 5);
}
