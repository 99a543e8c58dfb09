#pragma once
// Murmel's application object and its start: the desktop services that
// stand for OLE, the registry key word of the profile, the automation class
// "Murmel.Application" (registered in our HKCR hive, or served when the
// program is started for a client), and the tray dialog run modally for the
// whole life of the program.
//
// The automation class here: a client finds the class by its ProgID and
// class identifier in the HKCR hive, with the program as its local server,
// and starts that program with "-Embedding" (or "/Automation"); the instance
// so started is a whole Murmel with its own tray dialog and one automation
// object for the client's request. There is no object broker on this
// system, so a client gets no interface pointer to that object and no
// dispatch calls reach it (the class has no methods or properties anyway);
// the instance ends when its tray menu's "Close" is chosen, not when a
// client lets go of the object.
#include <string>
#include <vector>

namespace murmel {

constexpr const char* kAppName = "Murmel";
constexpr const char* kProgId = "Murmel.Application";
// The class identifier and the dispatch interface identifier of our own.
constexpr const char* kClassId = "{C627EA05-AF22-422C-BE30-8F669F0282BE}";
constexpr const char* kDispatchId = "{832E795D-4B6D-465E-8F48-9F20CA84C729}";
// String 100.
constexpr const char* kOleInitError = "Error on initiaizing OLE.";

// Whether the command line asks for an embedded or an automated start:
// "Embedding" or "Automation" after "-" or "/", in any letter case.
bool IsServedStart(const std::vector<std::string>& Arguments);
// Writes (or rewrites) the class registration into the HKCR hive: the
// ProgID with its class identifier, the class with its name, ProgID and
// local server (this program).
void RegisterAutomationClass(const std::string& ServerPath);
// "Install" "Path": the program's folder, written at every start.
void WriteInstallPath(const std::string& ProgramFolder);

class CMurmelApp {
public:
    CMurmelApp(int& Argc, char** Argv);
    // Runs the program to its end; always false, so the program ends when it returns.
    bool InitInstance();

private:
    int& argc_;
    char** argv_;
    std::vector<std::string> arguments_;
};

}  // namespace murmel
