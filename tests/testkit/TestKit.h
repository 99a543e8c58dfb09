#pragma once
// Shared test fixtures: a private state directory and the scripted UI.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Ui.h"

namespace testkit {

// Points PELLOW_HOME and the XDG folders at a fresh directory for the
// lifetime of the object and removes it afterwards: XDG_CONFIG_HOME is its
// "xdg" folder, XDG_CONFIG_DIRS "xdg-system", XDG_DATA_HOME "xdg-data" and
// XDG_DATA_DIRS "xdg-system-data" (none of them made).
class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// Sets (or, with nullopt, unsets) an environment variable for the lifetime
// of the object and restores it afterwards.
class ScopedEnv {
public:
    ScopedEnv(std::string Name, const std::optional<std::string>& Value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// Installs a ScriptedUi for its lifetime and restores the previous interface.
class ScopedScriptedUi {
public:
    ScopedScriptedUi();
    ~ScopedScriptedUi();
    ScopedScriptedUi(const ScopedScriptedUi&) = delete;
    ScopedScriptedUi& operator=(const ScopedScriptedUi&) = delete;
    ui::ScriptedUi& operator*() { return *ui_; }
    ui::ScriptedUi* operator->() { return ui_; }

private:
    ui::ScriptedUi* ui_;
    std::unique_ptr<ui::UserInterface> previous_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& data);
// Polls Done every 50 ms until it holds or Seconds have passed; its last answer.
bool WaitFor(const std::function<bool()>& Done, double Seconds);

// Where the built programs are (modemsim, pellow, ...).
std::string BinDir();

}  // namespace testkit
