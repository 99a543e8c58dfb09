#pragma once
// The application object's services that the units call: message pumping,
// the title, the default exception display, the running system's name,
// the user's language, and loading of optional libraries.
#include <QApplication>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>

namespace app {

// Processes pending window messages when an application object exists; does
// nothing otherwise, so modem code runs in tools and tests without one.
void ProcessMessages();
// How often ProcessMessages has been called in this process.
uint64_t PumpCount();
// Called at every ProcessMessages, on the pumping thread; tests time the pumps with it.
void SetPumpObserver(std::function<void()> observer);

void SetTitle(const std::string& title);
std::string Title();

// The default display of an exception that ended an operation: a message box
// with the application's title and the message, which gets a full stop unless
// it already ends in punctuation. The loop goes on afterwards. EAbort is
// shown as nothing.
void ShowException(const std::exception& e);
std::string ExceptionText(const std::exception& e);

// Runs an event handler's body so that no exception escapes into Qt.
void Guarded(const std::function<void()>& body);

// Posts Event to Receiver from any thread; Qt delivers it on the receiver's
// thread. A handler of such an event calls ReceivePostedEvent before it
// reads the event: what the poster wrote before posting is then ordered
// before the read for thread checkers too, which cannot see into Qt's queue.
void PostEvent(QObject* Receiver, QEvent* Event);
void ReceivePostedEvent();

// The application object of our programs: every exception that an event
// handler lets through ends at ShowException.
class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Name and version of the running system: "Linux" and the kernel release.
std::string SystemName();
std::string SystemRelease();

// The primary language ID of the user's locale (LC_ALL, LC_MESSAGES, LANG):
// de 7, es 10, fr 12, it 16, pt 22, en 9 and other languages their usual IDs;
// 9 when nothing is set.
int PrimaryLanguageId();

// Optional shared objects; a null handle or entry is the normal "missing" case.
void* LoadLibrary(const std::string& path);
void* GetProcAddress(void* library, const std::string& name);
void FreeLibrary(void* library);
// The shared object that a library name of the system stands for: the name
// without a ".dll" or ".ocx" ending (any case), with ".so", in the running
// program's folder; a name with a "/" is a path and is used as it is.
std::string LibraryPath(const std::string& Name);
// The folder of the running program, without a trailing "/".
std::string ProgramFolder();
// The path of the running program's file; "" when the system does not tell.
std::string ProgramFile();
// Tests: ProgramFolder answers Folder instead ("" gives the real one again),
// so that a program's siblings can be there or not.
void OverrideProgramFolder(const std::string& Folder);

}  // namespace app
