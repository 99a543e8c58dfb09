#include "murmel/WorkerMessages.h"

#include <mutex>

#include "platform/App.h"

namespace murmel {

namespace {

std::mutex g_windowLock;
QObject* g_window = nullptr;

}  // namespace

QEvent::Type EventTypeOf(int Message) { return static_cast<QEvent::Type>(QEvent::User + (Message - WM_USER)); }

WorkerEvent::WorkerEvent(int Message, int64_t WParam, int64_t LParam)
    : QEvent(EventTypeOf(Message)), message_(Message), wParam_(WParam), lParam_(LParam) {}

void SetMainWindow(QObject* Window) {
    std::lock_guard<std::mutex> g(g_windowLock);
    g_window = Window;
}

QObject* MainWindow() {
    std::lock_guard<std::mutex> g(g_windowLock);
    return g_window;
}

void PostToMainWindow(int Message, int64_t WParam, int64_t LParam) {
    std::lock_guard<std::mutex> g(g_windowLock);
    if (g_window) app::PostEvent(g_window, new WorkerEvent(Message, WParam, LParam));
}

}  // namespace murmel
