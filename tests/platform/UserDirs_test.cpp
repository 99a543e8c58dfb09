#include "platform/UserDirs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "testkit/TestKit.h"

namespace {

// HOME for the test's lifetime, then as it was.
class UserDirsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* h = std::getenv("HOME")) savedHome_ = h;
        setenv("HOME", "/home/me", 1);
        std::filesystem::create_directories(home.Path() + "/xdg");
    }
    void TearDown() override {
        if (savedHome_) setenv("HOME", savedHome_->c_str(), 1);
        else unsetenv("HOME");
    }
    void UserDirs(const std::string& Text) { testkit::WriteFile(home.Path() + "/xdg/user-dirs.dirs", Text); }

    testkit::TempHome home;  // XDG_CONFIG_HOME is its "xdg" folder

private:
    std::optional<std::string> savedHome_;
};

TEST_F(UserDirsTest, HomeFolderWithoutItsTrailingSeparator) {
    EXPECT_EQ(userdirs::HomeFolder(), "/home/me");
    setenv("HOME", "/home/me//", 1);
    EXPECT_EQ(userdirs::HomeFolder(), "/home/me");
    setenv("HOME", "/", 1);
    EXPECT_EQ(userdirs::HomeFolder(), "/");
    setenv("HOME", "", 1);
    EXPECT_EQ(userdirs::HomeFolder(), ".");
    unsetenv("HOME");
    EXPECT_EQ(userdirs::HomeFolder(), ".");
}

TEST_F(UserDirsTest, DesktopFromTheUserDirsSettingsElseHome) {
    const std::pair<const char*, const char*> cases[] = {
        {nullptr, "/home/me"},
        {"XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n", "/home/me/Desktop"},
        {"# written by xdg-user-dirs-update\nXDG_DOWNLOAD_DIR=\"$HOME/Dl\"\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n",
         "/home/me/Schreibtisch"},
        {"XDG_DESKTOP_DIR=\"/srv/desk/\"\n", "/srv/desk"},
        {"XDG_DESKTOP_DIR=\"$HOME\"\n", "/home/me"},
        // Not a folder the settings can mean: the home folder instead.
        {"XDG_DESKTOP_DIR=\"Desktop\"\n", "/home/me"},
        {"XDG_DESKTOP_DIR=\"\"\n", "/home/me"},
        {"XDG_DOWNLOAD_DIR=\"$HOME/Dl\"\n", "/home/me"},
    };
    for (const auto& [text, desktop] : cases) {
        SCOPED_TRACE(text ? text : "no settings");
        std::filesystem::remove(home.Path() + "/xdg/user-dirs.dirs");
        if (text) UserDirs(text);
        EXPECT_EQ(userdirs::DesktopFolder(), desktop);
    }
}

TEST_F(UserDirsTest, SettingsBelowTheHomeConfigWithoutXdgConfigHome) {
    setenv("HOME", home.Path().c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");  // the home object puts it back
    std::filesystem::create_directories(home.Path() + "/.config");
    testkit::WriteFile(home.Path() + "/.config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Desk\"\n");
    EXPECT_EQ(userdirs::DesktopFolder(), home.Path() + "/Desk");
}

TEST_F(UserDirsTest, DesktopSettingsFolders) {
    setenv("XDG_CONFIG_HOME", "/cfg/me", 1);
    EXPECT_EQ(userdirs::ConfigHome(), "/cfg/me");
    for (const char* invalid : {"", "relative/cfg"}) {
        setenv("XDG_CONFIG_HOME", invalid, 1);
        EXPECT_EQ(userdirs::ConfigHome(), "/home/me/.config");
    }
    const std::pair<const char*, const char*> dirs[] = {
        {nullptr, "/etc/xdg"},
        {"", "/etc/xdg"},
        {"/opt/xdg:/etc/xdg", "/opt/xdg"},
        {"relative:/opt/xdg/", "/opt/xdg"},
        {"::/srv/xdg", "/srv/xdg"},
        {"relative", "/etc/xdg"},
    };
    for (const auto& [value, first] : dirs) {
        SCOPED_TRACE(value ? value : "unset");
        if (value) setenv("XDG_CONFIG_DIRS", value, 1);
        else unsetenv("XDG_CONFIG_DIRS");
        EXPECT_EQ(userdirs::FirstConfigDir(), first);
    }
}

}  // namespace
