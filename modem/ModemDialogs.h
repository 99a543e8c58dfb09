#pragma once
// The dialogs that the modem families show while they work, reached through
// a provider that the main application registers at start: the modem layer
// cannot include the forms above it. The playing dialog follows a message the
// modem plays, the working notice waits for the modem's end line, and the
// families' settings and info dialogs are opened from their operations.
#include <cstdint>
#include <string>

class TCommClass;

// Modal results as the forms report them.
constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;
constexpr int mrAbort = 3;

class TModemDialogs {
public:
    virtual ~TModemDialogs() = default;

    // The playing dialog: progress maximum in tenths of a second, the total
    // time text, the message line and the channel its stop commands go
    // through; then shown modally until the time is up or the user stops it.
    virtual void PreparePlayingMessage(int32_t MaxSteps, const std::string& TotalTime, const std::string& MsgNo,
                                       TCommClass* Comm) = 0;
    virtual int ShowPlayingMessage() = 0;

    // The working notice with its action text ("Playing ...", "Recording ...");
    // shown modally until the modem's end line or Stop.
    virtual void SetWorkingAction(const std::string& Action) = 0;
    virtual int ShowWorkingNotice() = 0;

    virtual void Show3comSettings() = 0;
    virtual void Show3comInfo() = 0;
    virtual void ShowElsaSettings() = 0;
    virtual void ShowElsaInfo() = 0;
};

// The registered provider; raises Exception when none is registered, since
// an operation that needs a dialog cannot go on without it.
TModemDialogs& ModemDialogs();
bool HasModemDialogs();
// Registers Dialogs (not owned; nullptr withdraws it) and returns the one before.
TModemDialogs* SetModemDialogs(TModemDialogs* Dialogs);

// The minutes and seconds of a time of Seconds: characters 4 to 8 of the
// user's time text, the form a two-digit-hour text gives them.
std::string PlayTimeText(int32_t Seconds);
