#include "testkit/TestKit.h"

#include <chrono>
#include <thread>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace testkit {

TempHome::TempHome() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "pellow-test-XXXXXX").string();
    char* made = mkdtemp(tmpl.data());
    if (!made) throw std::runtime_error("mkdtemp failed");
    path_ = made;
    // Every desktop folder the programs may write is a private one, so that no
    // test, run as root or not, changes the machine's own desktop settings.
    const std::pair<const char*, std::string> vars[] = {
        {"PELLOW_HOME", path_},
        {"XDG_CONFIG_HOME", path_ + "/xdg"},
        {"XDG_CONFIG_DIRS", path_ + "/xdg-system"},
        {"XDG_DATA_HOME", path_ + "/xdg-data"},
        {"XDG_DATA_DIRS", path_ + "/xdg-system-data"},
    };
    for (const auto& [var, value] : vars) {
        const char* v = std::getenv(var);
        saved_.emplace_back(var, v ? std::optional<std::string>(v) : std::nullopt);
        setenv(var, value.c_str(), 1);
    }
}

TempHome::~TempHome() {
    for (const auto& [var, value] : saved_) {
        if (value) setenv(var.c_str(), value->c_str(), 1);
        else unsetenv(var.c_str());
    }
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

ScopedEnv::ScopedEnv(std::string Name, const std::optional<std::string>& Value) : name_(std::move(Name)) {
    if (const char* old = std::getenv(name_.c_str())) old_ = old;
    if (Value) setenv(name_.c_str(), Value->c_str(), 1);
    else unsetenv(name_.c_str());
}

ScopedEnv::~ScopedEnv() {
    if (old_) setenv(name_.c_str(), old_->c_str(), 1);
    else unsetenv(name_.c_str());
}

ScopedScriptedUi::ScopedScriptedUi() {
    auto next = std::make_unique<ui::ScriptedUi>();
    ui_ = next.get();
    previous_ = ui::Install(std::move(next));
}

ScopedScriptedUi::~ScopedScriptedUi() { ui::Install(std::move(previous_)); }

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
}

std::string BinDir() {
    const char* d = std::getenv("PELLOW_BIN_DIR");
    return d && *d ? d : PELLOW_BIN_DIR;
}

bool WaitFor(const std::function<bool()>& Done, double Seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(Seconds);
    while (std::chrono::steady_clock::now() < until) {
        if (Done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return Done();
}

}  // namespace testkit
