#include "platform/Process.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>

namespace process {
namespace {
std::mutex g_lock;
std::function<void(int)> g_handler;
}  // namespace

void Halt(int ExitCode) {
    std::function<void(int)> handler;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        handler = g_handler;
    }
    if (handler) {
        handler(ExitCode);
        return;
    }
    std::fflush(nullptr);
    std::_Exit(ExitCode);
}

std::function<void(int)> SetHaltHandler(std::function<void(int)> Handler) {
    std::lock_guard<std::mutex> lock(g_lock);
    return std::exchange(g_handler, std::move(Handler));
}

}  // namespace process
