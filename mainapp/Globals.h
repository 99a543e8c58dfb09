#pragma once
// The program-wide objects of Pellow, owned here in one place: the main
// window, the one channel and modem object of the run, the language object
// and the in-memory copies of the options that the main window reads at its
// creation and the options dialog writes back.
#include <cstdint>
#include <string>

#include "support/RegSave.h"

class TFormMain;
class TCommClass;
class TModemClass;
class LanguageClass;

// The key of the system under HKEY_CURRENT_USER (PellowKey) is support/RegSave's.

extern TFormMain* FormMain;
// The channel of the last Reload that created one; the main window owns it.
extern TCommClass* CommObject;
// The modem found by the first successful detection; kept to the end of the process.
extern TModemClass* ModemObject;
extern LanguageClass* Lang;

// The options as read at start; only BaudRate and SaveFaxPath are read again
// where they are used, so they have no copy here.
struct TPellowOptions {
    // The port handed to detection: -1 searches COM1 to COM4; replaced by the
    // port of a successful detection.
    int32_t CommPort = -1;
    bool AutoRelease = false;
    bool AutoReleaseQuickClose = false;
    bool AutoExit = false;
    bool LogFile = true;
    std::string LogFileName;
    bool LanguageAuto = true;
    bool TypeShowText = false;
    int32_t LanguageID = 2;
    bool AutoSaveNewFax = false;
    bool AutoPlayNewVoice = false;
    std::string FaxAutoSaveDir;
    // The primary language of the user's locale at program start.
    int32_t StartLanguageID = 9;
};
extern TPellowOptions PellowOptions;
