#include "platform/App.h"

#include <dlfcn.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <QCoreApplication>
#include <atomic>
#include <cstdlib>
#include <iostream>
#include <map>
#include <mutex>

#include "platform/Exceptions.h"
#include "platform/StrUtils.h"
#include "platform/Ui.h"

namespace app {
namespace {
std::atomic<uint64_t> g_pumps{0};
std::function<void()> g_pumpObserver;
std::mutex g_titleLock;
std::string g_title;
}  // namespace

void ProcessMessages() {
    ++g_pumps;
    if (g_pumpObserver) g_pumpObserver();
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

uint64_t PumpCount() { return g_pumps.load(); }

void SetPumpObserver(std::function<void()> observer) { g_pumpObserver = std::move(observer); }

void SetTitle(const std::string& title) {
    std::lock_guard<std::mutex> lock(g_titleLock);
    g_title = title;
}

std::string Title() {
    std::lock_guard<std::mutex> lock(g_titleLock);
    return g_title;
}

std::string ExceptionText(const std::exception& e) {
    std::string msg = e.what();
    if (!msg.empty() && static_cast<unsigned char>(msg.back()) > '.') msg += '.';
    return msg;
}

void ShowException(const std::exception& e) {
    if (dynamic_cast<const EAbort*>(&e)) return;
    ui::MessageSpec spec;
    spec.text = ExceptionText(e);
    spec.caption = Title();
    spec.buttons = ui::MbOk;
    spec.icon = ui::IconError;
    ui::MessageBox(spec);
}

void Guarded(const std::function<void()>& body) {
    try {
        body();
    } catch (const std::exception& e) {
        ShowException(e);
    } catch (...) {
        ShowException(Exception("Unknown exception"));
    }
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowException(e);
    } catch (...) {
        ShowException(Exception("Unknown exception"));
    }
    return false;
}

std::string SystemName() {
    utsname u{};
    return uname(&u) == 0 ? u.sysname : "Linux";
}

std::string SystemRelease() {
    utsname u{};
    return uname(&u) == 0 ? u.release : "";
}

int PrimaryLanguageId() {
    const char* vars[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::string locale;
    for (const char* v : vars) {
        const char* s = std::getenv(v);
        if (s && *s) {
            locale = s;
            break;
        }
    }
    if (locale.empty()) return 9;
    const std::string lang = locale.substr(0, locale.find_first_of("_.@"));
    static const std::map<std::string, int> ids = {
        {"ar", 1},  {"bg", 2},  {"ca", 3},  {"zh", 4},  {"cs", 5},  {"da", 6},  {"de", 7},
        {"el", 8},  {"en", 9},  {"es", 10}, {"fi", 11}, {"fr", 12}, {"he", 13}, {"hu", 14},
        {"is", 15}, {"it", 16}, {"ja", 17}, {"ko", 18}, {"nl", 19}, {"no", 20}, {"nb", 20},
        {"nn", 20}, {"pl", 21}, {"pt", 22}, {"ro", 24}, {"ru", 25}, {"hr", 26}, {"sk", 27},
        {"sq", 28}, {"sv", 29}, {"th", 30}, {"tr", 31}, {"id", 33}, {"uk", 34}, {"sl", 36},
        {"et", 37}, {"lv", 38}, {"lt", 39}, {"vi", 42}, {"eu", 45}};
    const auto it = ids.find(lang);
    return it == ids.end() ? 9 : it->second;
}

namespace {
std::mutex g_postLock;
}  // namespace

void PostEvent(QObject* Receiver, QEvent* Event) {
    std::lock_guard<std::mutex> guard(g_postLock);
    QCoreApplication::postEvent(Receiver, Event);
}

// The event was queued while the poster held the lock: taking it here comes
// after the poster let go of it.
void ReceivePostedEvent() { std::lock_guard<std::mutex> guard(g_postLock); }

void* LoadLibrary(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }

void* GetProcAddress(void* library, const std::string& name) {
    return library ? dlsym(library, name.c_str()) : nullptr;
}

void FreeLibrary(void* library) {
    if (library) dlclose(library);
}

std::string LibraryPath(const std::string& Name) {
    if (Name.find('/') != std::string::npos) return Name;
    std::string file = Name;
    if (file.size() >= 4) {
        const std::string ext = file.substr(file.size() - 4);
        if (SameText(ext, ".dll") || SameText(ext, ".ocx")) file.resize(file.size() - 4);
    }
    return ProgramFolder() + "/" + file + ".so";
}

std::string ProgramFile() {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "";
    return std::string(buf, static_cast<std::size_t>(n));
}

namespace {
std::mutex g_folderLock;
std::string& FolderOverride() {
    static std::string folder;
    return folder;
}
}  // namespace

void OverrideProgramFolder(const std::string& Folder) {
    std::lock_guard<std::mutex> guard(g_folderLock);
    FolderOverride() = Folder;
}

std::string ProgramFolder() {
    {
        std::lock_guard<std::mutex> guard(g_folderLock);
        if (!FolderOverride().empty()) return FolderOverride();
    }
    const std::string p = ProgramFile();
    if (p.empty()) return ".";
    const auto slash = p.rfind('/');
    return slash == 0 ? "/" : p.substr(0, slash);
}

}  // namespace app
