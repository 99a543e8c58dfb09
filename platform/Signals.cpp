#include "platform/Signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <atomic>
#include <cerrno>

namespace termsignals {
namespace {

// The self-pipe: the signal handler may only write a byte; the notifier on
// the other end runs the handler from the event loop.
int g_pipe[2] = {-1, -1};
std::function<void()> g_handler;
QSocketNotifier* g_notifier = nullptr;
std::atomic<int> g_count{0};

void OnSignal(int) {
    const int saved = errno;
    const char b = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &b, 1);
    errno = saved;
}

void Drain() {
    char buf[64];
    int got = 0;
    for (;;) {
        const ssize_t n = ::read(g_pipe[0], buf, sizeof buf);
        if (n <= 0) break;
        got += static_cast<int>(n);
    }
    for (int i = 0; i < got; ++i) {
        ++g_count;
        if (g_handler) g_handler();
    }
}

bool MakePipe() {
    if (g_pipe[0] >= 0) return true;
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return false;
    }
    return true;
}

void Install(int sig, void (*handler)(int)) {
    struct sigaction sa {};
    sa.sa_handler = handler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(sig, &sa, nullptr);
}

}  // namespace

void OnTerminate(std::function<void()> Handler) {
    g_handler = std::move(Handler);
    if (!MakePipe()) return;
    if (!g_notifier && QCoreApplication::instance()) {
        g_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
        QObject::connect(g_notifier, &QSocketNotifier::activated, [] { Drain(); });
        // The notifier goes with the application object; forget it then.
        QObject::connect(g_notifier, &QObject::destroyed, [] { g_notifier = nullptr; });
    }
    Install(SIGTERM, OnSignal);
    Install(SIGHUP, OnSignal);
}

void RestoreDefaults() {
    Install(SIGTERM, SIG_DFL);
    Install(SIGHUP, SIG_DFL);
    g_handler = nullptr;
}

int TerminateCount() { return g_count.load(); }

}  // namespace termsignals
