#include "platform/XdgAutostart.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/Files.h"
#include "platform/Registry.h"
#include "testkit/TestKit.h"

namespace {

using registry::THive;
using registry::TRegistry;

TEST(XdgAutostartText, ExecLineKeepsTheArgumentsOfTheData) {
    const struct {
        const char* data;
        const char* exec;
    } cases[] = {
        {"\"/opt/pellow/pellow\" -AUTOSTART", "\"/opt/pellow/pellow\" -AUTOSTART"},
        // The blank before empty start options is no argument.
        {"\"/opt/pellow/pellow\" ", "\"/opt/pellow/pellow\""},
        {"/opt/pellow/pellow -AUTOSTART", "\"/opt/pellow/pellow\" -AUTOSTART"},
        {"\"/opt/my programs/pellow\" -AUTOSTART", "\"/opt/my programs/pellow\" -AUTOSTART"},
        // Characters with a meaning in Exec lines: quoted and escaped, then
        // the backslashes of the quoting escaped once more as the file wants.
        {"\"/opt/$HOME/pe\\\"llow\" a", "\"/opt/\\\\$HOME/pe\\\\\"llow\" a"},
        {"\"/opt/100%/pellow\" -X", "\"/opt/100%%/pellow\" -X"},
        {"\"/opt/pellow\" \"two words\" ''", "\"/opt/pellow\" \"two words\" \"''\""},
        {"\"/opt/pellow\" \"\"", "\"/opt/pellow\" \"\""},
        {"", ""},
        {"   ", ""},
        {"\"\" -AUTOSTART", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data);
        EXPECT_EQ(xdgautostart::ExecLine(c.data), c.exec);
    }
}

TEST(XdgAutostartText, EntryNamesAndMarks) {
    EXPECT_EQ(xdgautostart::EntryFileName("Pellow"), "Pellow.desktop");
    EXPECT_EQ(xdgautostart::EntryFileName("Pellow#Autostart"), "Pellow#Autostart.desktop");
    EXPECT_EQ(xdgautostart::EntryFileName("a/b"), "a%2Fb.desktop");
    EXPECT_EQ(xdgautostart::EntryFileName(".x.y"), "%2Ex.y.desktop");
    EXPECT_EQ(xdgautostart::EntryFileName("100%"), "100%25.desktop");

    const std::string text = xdgautostart::EntryText("Pellow", "\"/opt/pellow\" -AUTOSTART", THive::HKCU);
    EXPECT_EQ(text,
              "[Desktop Entry]\nType=Application\nName=Pellow\nExec=\"/opt/pellow\" -AUTOSTART\n"
              "X-Pellow-Run=HKEY_CURRENT_USER\n");
    EXPECT_TRUE(xdgautostart::IsOwnEntry(text, THive::HKCU));
    EXPECT_FALSE(xdgautostart::IsOwnEntry(text, THive::HKLM));
    EXPECT_FALSE(xdgautostart::IsOwnEntry("[Desktop Entry]\nExec=pellow\n", THive::HKCU));
    EXPECT_EQ(xdgautostart::EntryText("Pellow", "", THive::HKCU), "");
}

class XdgAutostart : public ::testing::Test {
protected:
    std::string User(const std::string& Name = "Pellow") const { return home.Path() + "/xdg/autostart/" + Name; }
    std::string Machine(const std::string& Name = "Pellow") const {
        return home.Path() + "/xdg-system/autostart/" + Name;
    }
    static void Write(THive Hive, const std::string& Key, const std::string& Name, const std::string& Data) {
        TRegistry reg(Hive);
        ASSERT_TRUE(reg.OpenKey(Key, true));
        reg.WriteString(Name, Data);
    }
    static void Run(THive Hive, const std::string& Name, const std::string& Data) {
        Write(Hive, std::string("\\") + xdgautostart::RunKey, Name, Data);
    }
    static std::string ExecOf(const std::string& Path) {
        const std::string text = testkit::ReadFile(Path);
        const auto at = text.find("\nExec=");
        if (at == std::string::npos) return "(no Exec line)";
        return text.substr(at + 6, text.find('\n', at + 1) - at - 6);
    }

    testkit::TempHome home;
};

TEST_F(XdgAutostart, EntriesFollowTheUsersRunValues) {
    Run(THive::HKCU, "Pellow", "\"/opt/pellow\" ");
    EXPECT_EQ(ExecOf(User("Pellow.desktop")), "\"/opt/pellow\"");
    Run(THive::HKCU, "Pellow", "\"/opt/pellow\" -AUTOSTART");
    EXPECT_EQ(ExecOf(User("Pellow.desktop")), "\"/opt/pellow\" -AUTOSTART");
    EXPECT_FALSE(files::FileExists(Machine("Pellow.desktop")));

    // Empty data starts nothing, so it stands for no entry.
    Run(THive::HKCU, "Pellow", "");
    EXPECT_FALSE(files::FileExists(User("Pellow.desktop")));
    Run(THive::HKCU, "Pellow", "\"/opt/pellow\" -AUTOSTART");
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(std::string("\\") + xdgautostart::RunKey, false));
    reg.DeleteValue("PELLOW");
    EXPECT_FALSE(files::FileExists(User("Pellow.desktop")));

    // Other keys and values that are not texts make no entries.
    Write(THive::HKCU, "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "Pellow", "\"/opt/pellow\" ");
    Write(THive::HKCU, "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "Pellow", "\"/opt/pellow\" ");
    ASSERT_TRUE(reg.OpenKey(std::string("\\") + xdgautostart::RunKey, false));
    reg.WriteInteger("Number", 1);
    EXPECT_FALSE(std::filesystem::exists(User("")) && !std::filesystem::is_empty(User("")));
}

TEST_F(XdgAutostart, MachineValuesGoToTheFirstSystemFolder) {
    setenv("XDG_CONFIG_DIRS", ("relative:" + home.Path() + "/xdg-system/:/etc/xdg").c_str(), 1);
    Run(THive::HKLM, "Pellow", "\"/opt/pellow\" -AUTOSTART");
    EXPECT_EQ(ExecOf(Machine("Pellow.desktop")), "\"/opt/pellow\" -AUTOSTART");
    EXPECT_TRUE(xdgautostart::IsOwnEntry(testkit::ReadFile(Machine("Pellow.desktop")), THive::HKLM));
    EXPECT_FALSE(files::FileExists(User("Pellow.desktop")));
    // Deleting a key above the Run key takes its entries with it.
    TRegistry reg(THive::HKLM);
    ASSERT_TRUE(reg.DeleteKey("\\Software\\Microsoft"));
    EXPECT_FALSE(files::FileExists(Machine("Pellow.desktop")));
}

TEST_F(XdgAutostart, OnlyItsOwnEntriesAreRemoved) {
    std::filesystem::create_directories(User(""));
    testkit::WriteFile(User("Pellow.desktop"), "[Desktop Entry]\nExec=my-own-pellow\n");
    testkit::WriteFile(User("Gone.desktop"), xdgautostart::EntryText("Gone", "\"/opt/gone\" ", THive::HKCU));
    testkit::WriteFile(User("Other.desktop"), xdgautostart::EntryText("Other", "\"/opt/other\" ", THive::HKLM));
    // A change of the Run key brings the whole folder in step: the entry of a
    // value no longer there goes, the user's own and the other hive's stay.
    Run(THive::HKCU, "Murmel", "\"/opt/murmel\" ");
    EXPECT_TRUE(files::FileExists(User("Murmel.desktop")));
    EXPECT_FALSE(files::FileExists(User("Gone.desktop")));
    EXPECT_TRUE(files::FileExists(User("Other.desktop")));
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(std::string("\\") + xdgautostart::RunKey, false));
    reg.WriteString("Pellow", "\"/opt/pellow\" ");
    EXPECT_EQ(ExecOf(User("Pellow.desktop")), "\"/opt/pellow\"");
    reg.DeleteValue("Pellow");
    EXPECT_FALSE(files::FileExists(User("Pellow.desktop")));
    testkit::WriteFile(User("Pellow.desktop"), "[Desktop Entry]\nExec=my-own-pellow\n");
    reg.DeleteValue("Murmel");
    EXPECT_TRUE(files::FileExists(User("Pellow.desktop")));
}

TEST_F(XdgAutostart, AFolderThatCannotBeWrittenLeavesTheRegistryWrite) {
    std::filesystem::create_directories(home.Path() + "/xdg");
    testkit::WriteFile(home.Path() + "/xdg/autostart", "a file where the folder belongs");
    testing::internal::CaptureStderr();
    Run(THive::HKCU, "Pellow", "\"/opt/pellow\" ");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Autostart entries not in step"), std::string::npos) << err;
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(std::string("\\") + xdgautostart::RunKey, false));
    EXPECT_EQ(reg.ReadString("Pellow"), "\"/opt/pellow\" ");
}

}  // namespace
