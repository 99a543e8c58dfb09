#include "platform/Keyboard.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/App.h"
#include "testkit/TestKit.h"

namespace {

class KeyboardLeds : public ::testing::Test {
protected:
    void SetUp() override { keyboard::SetLedFolder(home.Path() + "/leds"); }
    void TearDown() override { keyboard::SetLedFolder(""); }

    void Led(const std::string& name, const std::string& brightness) {
        const std::string dir = home.Path() + "/leds/" + name;
        std::filesystem::create_directories(dir);
        testkit::WriteFile(dir + "/brightness", brightness);
    }

    testkit::TempHome home;
};

TEST_F(KeyboardLeds, LitLedOfAnyKeyboardMeansOn) {
    Led("input3::capslock", "0\n");
    Led("input7::capslock", "1\n");
    Led("input3::numlock", "0\n");
    Led("input3::scrolllock", "255\n");
    Led("phy0-led", "1\n");
    EXPECT_TRUE(keyboard::LockKeyOn(keyboard::LockKey::Caps));
    EXPECT_FALSE(keyboard::LockKeyOn(keyboard::LockKey::Num));
    EXPECT_TRUE(keyboard::LockKeyOn(keyboard::LockKey::Scroll));
}

TEST_F(KeyboardLeds, UnknownStateIsOff) {
    EXPECT_FALSE(keyboard::LockKeyOn(keyboard::LockKey::Caps));  // no folder at all
    Led("input3::capslock", "garbage");
    std::filesystem::create_directories(home.Path() + "/leds/input4::numlock");  // no brightness
    EXPECT_FALSE(keyboard::LockKeyOn(keyboard::LockKey::Caps));
    EXPECT_FALSE(keyboard::LockKeyOn(keyboard::LockKey::Num));
    EXPECT_FALSE(keyboard::LockKeyOn(keyboard::LockKey::Scroll));
}

TEST(KeyboardLedFolder, IsTheKernelsAndEmptyRestoresIt) {
    EXPECT_EQ(keyboard::LedFolder(), "/sys/class/leds");
    keyboard::SetLedFolder("/x");
    EXPECT_EQ(keyboard::LedFolder(), "/x");
    keyboard::SetLedFolder("");
    EXPECT_EQ(keyboard::LedFolder(), "/sys/class/leds");
}

TEST(KeyboardLibraryPath, DllNamesBecomeSharedObjectsBesideTheProgram) {
    const std::string dir = app::ProgramFolder();
    const struct {
        const char* name;
        std::string path;
    } cases[] = {
        {"QelKbMon.dll", dir + "/QelKbMon.so"},
        {"QelKbMon.DLL", dir + "/QelKbMon.so"},
        {"MAPI32", dir + "/MAPI32.so"},
        {".dll", dir + "/.so"},
        {"/opt/lib/x.so", "/opt/lib/x.so"},
    };
    for (const auto& c : cases) EXPECT_EQ(keyboard::LibraryPath(c.name), c.path) << c.name;
}

}  // namespace
