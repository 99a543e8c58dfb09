// Murmel's profile as it lies in the HKCU hive, and Echolet's view of it.
#include "murmel/MurmelProfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Registry.h"
#include "testkit/TestKit.h"

namespace {

using namespace murmel;
using registry::TRegistry;

class Profile : public ::testing::Test {
protected:
    void SetUp() override { SetProfileName("Murmel"); }
    void TearDown() override { SetProfileName("Murmel"); }
    testkit::TempHome home;
};

std::string Hive() { return testkit::ReadFile(registry::HivePath(registry::THive::HKCU)); }

TEST_F(Profile, ProfileNameIsTheProgramFileWithItsWindowsCapital) {
    const struct {
        const char* path;
        const char* name;
    } cases[] = {
        {"/opt/pellow/murmel", "Murmel"},
        {"murmel", "Murmel"},
        {"/opt/pellow/murmel2", "Murmel2"},
        {"/opt/x/Murmel.exe", "Murmel"},
        {"/opt/x.y/tray.bin", "Tray"},
    };
    for (const auto& c : cases) EXPECT_EQ(ProfileNameOf(c.path), c.name) << c.path;
    EXPECT_EQ(ProfileKey(), "Software\\Hollin\\Murmel");
}

TEST_F(Profile, TextsAreStringsAndNumbers32BitIntegersUnderOneSubkeyPerSection) {
    ASSERT_TRUE(WriteProfileString(kOptions, "Port", "COM3"));
    ASSERT_TRUE(WriteProfileInt(kOptions, "Counter", 12));
    ASSERT_TRUE(WriteProfileFlag(kOptions, "Autodelete", true));
    ASSERT_TRUE(WriteProfileInt(kModem, "Savedmsg", -1));
    const std::string hive = Hive();
    EXPECT_NE(hive.find("[HKEY_CURRENT_USER\\Software\\Hollin\\Murmel\\Options]\n\"Port\"=\"COM3\"\n"
                        "\"Counter\"=dword:0000000c\n\"Autodelete\"=\"TRUE\""),
              std::string::npos)
        << hive;
    EXPECT_NE(hive.find("[HKEY_CURRENT_USER\\Software\\Hollin\\Murmel\\Modem]\n\"Savedmsg\"=dword:ffffffff"),
              std::string::npos)
        << hive;
    EXPECT_EQ(GetProfileString(kOptions, "Port", ""), "COM3");
    EXPECT_EQ(GetProfileInt(kOptions, "Counter", 1), 12);
    EXPECT_EQ(GetProfileInt(kModem, "Savedmsg", 0), -1);
}

TEST_F(Profile, MissingOrOtherKindsOfValuesGiveTheDefault) {
    EXPECT_EQ(GetProfileString(kOptions, "Port", "COM2"), "COM2");
    EXPECT_EQ(GetProfileInt(kOptions, "Counter", 1), 1);
    EXPECT_FALSE(TRegistry().KeyExists("\\Software\\Hollin")) << "reads create nothing";
    WriteProfileInt(kOptions, "Port", 5);
    WriteProfileString(kOptions, "Counter", "17");
    EXPECT_EQ(GetProfileString(kOptions, "Port", "COM2"), "COM2");
    EXPECT_EQ(GetProfileInt(kOptions, "Counter", 1), 1);
}

TEST_F(Profile, FlagsAreOnOnlyForTrueExactly) {
    const struct {
        const char* stored;  // nullptr: missing
        const char* fallback;
        bool on;
    } cases[] = {
        {nullptr, "TRUE", true}, {nullptr, "FALSE", false}, {"TRUE", "FALSE", true}, {"true", "TRUE", false},
        {"True", "TRUE", false}, {"TRUE ", "TRUE", false},  {"1", "TRUE", false},    {"", "TRUE", false},
    };
    for (const auto& c : cases) {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\" + ProfileKey() + "\\Options", true));
        if (c.stored) reg.WriteString("Autoplay", c.stored);
        else reg.DeleteValue("Autoplay");
        EXPECT_EQ(GetProfileFlag(kOptions, "Autoplay", c.fallback), c.on) << (c.stored ? c.stored : "(missing)");
    }
    WriteProfileFlag(kOptions, "Autoplay", false);
    EXPECT_EQ(GetProfileString(kOptions, "Autoplay", ""), "FALSE");
}

TEST_F(Profile, OutputFolderGetsItsSeparatorAndDefaultsToTheCurrentDirectory) {
    const std::string cwd = CurrentDirectory();
    ASSERT_EQ(chdir(home.Path().c_str()), 0);
    EXPECT_EQ(OutputFolder(), home.Path() + "/");
    WriteProfileString(kOptions, "Path", "/srv/voice");
    EXPECT_EQ(OutputFolder(), "/srv/voice/");
    WriteProfileString(kOptions, "Path", "/srv/voice/");
    EXPECT_EQ(OutputFolder(), "/srv/voice/");
    WriteProfileString(kOptions, "Path", "");
    EXPECT_EQ(OutputFolder(), "");
    ASSERT_EQ(chdir(cwd.c_str()), 0);
}

TEST_F(Profile, EcholetReadsMurmelsPortSettingsWithItsDefaults) {
    PortSettings s = ReadMurmelPortSettings();
    EXPECT_EQ(s.port, "COM2");
    EXPECT_EQ(s.baudrate, "115200");
    WriteProfileString(kOptions, "Port", "/dev/ttyUSB0");
    WriteProfileString(kOptions, "Baudrate", "");
    s = ReadMurmelPortSettings();
    EXPECT_EQ(s.port, "/dev/ttyUSB0");
    EXPECT_EQ(s.baudrate, "");
    WriteProfileString(kOptions, "Port", std::string(197, 'p'));
    EXPECT_EQ(ReadMurmelPortSettings().port, std::string(197, 'p'));
    WriteProfileString(kOptions, "Port", std::string(198, 'p'));
    EXPECT_EQ(ReadMurmelPortSettings().port, "COM2");
    // A renamed Murmel has its own profile; Echolet keeps reading Murmel's.
    SetProfileName("Murmel2");
    WriteProfileString(kOptions, "Port", "COM7");
    EXPECT_EQ(ReadMurmelPortSettings().port, "COM2");
    EXPECT_EQ(GetProfileString(kOptions, "Port", ""), "COM7");
}

TEST_F(Profile, WritesToAnUnwritableHiveFailQuietly) {
    WriteProfileString(kOptions, "Port", "COM1");
    ASSERT_EQ(chmod(registry::HivePath(registry::THive::HKCU).c_str(), 0444), 0);
    EXPECT_FALSE(WriteProfileString(kOptions, "Port", "COM4"));
    EXPECT_FALSE(WriteProfileInt(kModem, "Savedmsg", 4));
    EXPECT_EQ(GetProfileString(kOptions, "Port", ""), "COM1");
}

}  // namespace
