#include "support/RegIniFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/Files.h"
#include "testkit/TestKit.h"

namespace {

using registry::THive;
using registry::TRegDataType;
using registry::TRegistry;

const char* const kKey = "SOFTWARE\\Norvale\\Pellow\\Version 0.50\\Main";

class RegIniFile : public ::testing::Test {
protected:
    testkit::TempHome home;
};

TEST_F(RegIniFile, OpeningCreatesTheKey) {
    TRegIniFile ini(kKey);
    EXPECT_TRUE(TRegistry().KeyExists(kKey));
    EXPECT_FALSE(ini.SectionExists("Form"));
}

TEST_F(RegIniFile, SectionsAreSubkeysAndIntegersDecimalText) {
    TRegIniFile ini(kKey);
    ini.WriteInteger("Form", "Left", -50);
    ini.WriteString("FormMain\\Panel1", "FontName", "DejaVu Sans");
    ini.WriteBool("Form\\CoolBar1", "Band0Break", true);
    ini.WriteString("", "Top", "here");
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(std::string(kKey) + "\\Form"));
    EXPECT_EQ(reg.GetDataType("Left"), TRegDataType::rdString);
    EXPECT_EQ(reg.ReadString("Left"), "-50");
    ASSERT_TRUE(reg.OpenKeyReadOnly(std::string("\\") + kKey + "\\FormMain\\Panel1"));
    EXPECT_EQ(reg.ReadString("FontName"), "DejaVu Sans");
    ASSERT_TRUE(reg.OpenKeyReadOnly(std::string("\\") + kKey + "\\Form\\CoolBar1"));
    EXPECT_EQ(reg.ReadString("Band0Break"), "1");
    ASSERT_TRUE(reg.OpenKeyReadOnly(std::string("\\") + kKey));
    EXPECT_EQ(reg.ReadString("Top"), "here");
    EXPECT_EQ(ini.ReadInteger("Form", "Left", 0), -50);
    EXPECT_EQ(ini.ReadString("formmain\\PANEL1", "fontname", ""), "DejaVu Sans");
    EXPECT_TRUE(ini.ReadBool("Form\\CoolBar1", "Band0Break", false));
}

struct IntCase {
    const char* stored;
    int32_t expected;
};

TEST_F(RegIniFile, MissingOrBadIntegersGiveTheDefault) {
    TRegIniFile ini(kKey);
    const IntCase cases[] = {
        {"724", 724}, {"-50", -50}, {"abc", 99}, {"", 99}, {"12px", 99},
        {"99999999999", 99}, {" 7", 7}, {"$10", 16},
    };
    for (const IntCase& c : cases) {
        ini.WriteString("Form", "Width", c.stored);
        EXPECT_EQ(ini.ReadInteger("Form", "Width", 99), c.expected) << '"' << c.stored << '"';
    }
    EXPECT_EQ(ini.ReadInteger("Form", "Missing", 5), 5);
    EXPECT_EQ(ini.ReadInteger("NoSection", "Width", 6), 6);
    EXPECT_EQ(ini.ReadString("NoSection", "Width", "d"), "d");
    EXPECT_TRUE(ini.ReadBool("Form", "Missing", true));
    // A value written as a number by someone else still reads as that number; other data as the default.
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(std::string(kKey) + "\\Form", false));
    reg.WriteInteger("Height", 480);
    reg.WriteBinaryData("Blob", {1, 2});
    EXPECT_EQ(ini.ReadInteger("Form", "Height", 0), 480);
    EXPECT_EQ(ini.ReadInteger("Form", "Blob", 8), 8);
    EXPECT_EQ(ini.ReadString("Form", "Height", "d"), "d");
}

TEST_F(RegIniFile, ReadingCreatesNoSection) {
    TRegIniFile ini(kKey);
    ini.ReadInteger("Form", "Left", 0);
    ini.ReadString("FormMain\\Panel1", "FontName", "");
    EXPECT_FALSE(ini.SectionExists("Form"));
    EXPECT_FALSE(ini.SectionExists("FormMain"));
}

TEST_F(RegIniFile, AnUnwritableHiveLeavesWritesWithoutEffect) {
    TRegIniFile(kKey).WriteInteger("Form", "Left", 10);
    const std::string hive = registry::HivePath(THive::HKCU);
    ASSERT_EQ(chmod(hive.c_str(), 0444), 0);
    const std::string before = testkit::ReadFile(hive);
    TRegIniFile ini(kKey);
    EXPECT_NO_THROW(ini.WriteInteger("Form", "Left", 20));
    EXPECT_NO_THROW(ini.WriteString("New", "x", "y"));
    EXPECT_EQ(ini.ReadInteger("Form", "Left", 0), 10);
    EXPECT_EQ(testkit::ReadFile(hive), before);
}

}  // namespace
