#include "support/RegSave.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/Files.h"
#include "platform/Registry.h"
#include "testkit/TestKit.h"

namespace {

using registry::ERegistryException;
using registry::THive;
using registry::TRegDataType;
using registry::TRegistry;

const char* const kKey = "SOFTWARE\\Norvale\\Pellow\\Version 0.50";

class RegSave : public ::testing::Test {
protected:
    std::string Hive() const { return registry::HivePath(THive::HKCU); }
    testkit::TempHome home;
};

TEST_F(RegSave, EachKindReadsBackWhatWasWritten) {
    RegWriteBool(true, "LogFile", kKey);
    RegWriteBool(false, "AutoPlayNewVoice", kKey);
    RegWriteString("/home/me/Pellow.log", "LogFileName", kKey);
    RegWriteInteger(57600, "BaudRate", kKey);
    RegWriteInteger(-7, "Negative", kKey);
    EXPECT_TRUE(RegReadBool("LogFile", kKey, false));
    EXPECT_FALSE(RegReadBool("AutoPlayNewVoice", kKey, true));
    std::string s = "junk";
    RegReadString("LogFileName", kKey, "default", s);
    EXPECT_EQ(s, "/home/me/Pellow.log");
    EXPECT_EQ(RegReadInteger("BaudRate", kKey, 0), 57600);
    EXPECT_EQ(RegReadInteger("Negative", kKey, 0), -7);
    // A Boolean is an integer value 1 or 0.
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(kKey));
    EXPECT_EQ(reg.GetDataType("LogFile"), TRegDataType::rdInteger);
    EXPECT_EQ(reg.ReadInteger("LogFile"), 1);
    EXPECT_EQ(reg.ReadInteger("AutoPlayNewVoice"), 0);
    EXPECT_EQ(reg.GetDataType("LogFileName"), TRegDataType::rdString);
}

TEST_F(RegSave, AnyIntegerButZeroReadsTrue) {
    RegWriteInteger(5, "Flag", kKey);
    EXPECT_TRUE(RegReadBool("Flag", kKey, false));
    RegWriteInteger(-1, "Flag", kKey);
    EXPECT_TRUE(RegReadBool("Flag", kKey, false));
    RegWriteInteger(0, "Flag", kKey);
    EXPECT_FALSE(RegReadBool("Flag", kKey, true));
}

TEST_F(RegSave, MissingKeysAndValuesGiveTheDefaultAndCreateNothing) {
    std::string s = "junk";
    RegReadString("SaveFaxPath", kKey, "c:\\windows\\desktop", s);
    EXPECT_EQ(s, "c:\\windows\\desktop");
    EXPECT_TRUE(RegReadBool("CommPortAuto", kKey, true));
    EXPECT_FALSE(RegReadBool("CommPortAuto", kKey, false));
    EXPECT_EQ(RegReadInteger("LanguageID", kKey, 2), 2);
    EXPECT_FALSE(files::FileExists(Hive()));
    EXPECT_FALSE(files::DirectoryExists(home.Path() + "/registry"));

    // The key exists but not the value: still the default, and the hive stays as it was.
    RegWriteString("x", "Other", kKey);
    const std::string before = testkit::ReadFile(Hive());
    RegReadString("SaveFaxPath", kKey, "dflt", s);
    EXPECT_EQ(s, "dflt");
    EXPECT_EQ(RegReadInteger("BaudRate", kKey, 57600), 57600);
    RegReadString("SaveFaxPath", "SOFTWARE\\Elsewhere", "dflt2", s);
    EXPECT_EQ(s, "dflt2");
    EXPECT_EQ(testkit::ReadFile(Hive()), before);
    EXPECT_FALSE(TRegistry().KeyExists("SOFTWARE\\Elsewhere"));
}

TEST_F(RegSave, AWriteCreatesTheWholeKeyPath) {
    RegWriteBool(true, "LogFile", kKey);
    TRegistry reg;
    for (const char* k : {"SOFTWARE", "SOFTWARE\\Norvale", "SOFTWARE\\Norvale\\Pellow", kKey}) {
        EXPECT_TRUE(reg.KeyExists(k)) << k;
    }
    EXPECT_NE(testkit::ReadFile(Hive()).find("[HKEY_CURRENT_USER\\SOFTWARE\\Norvale\\Pellow\\Version 0.50]\n"
                                             "\"LogFile\"=dword:00000001\n"),
              std::string::npos);
    // Names match without regard to case and keep the case they were created with.
    RegWriteString("/x", "LOGFILENAME", "software\\norvale\\pellow\\VERSION 0.50");
    std::string s;
    RegReadString("LogFileName", kKey, "", s);
    EXPECT_EQ(s, "/x");
    EXPECT_EQ(testkit::ReadFile(Hive()).find("software\\norvale"), std::string::npos);
}

TEST_F(RegSave, AWriteIntoAnUnwritableHiveRaisesAndReadsGoOn) {
    RegWriteString("/home/me/Pellow.log", "LogFileName", kKey);
    ASSERT_EQ(chmod(Hive().c_str(), 0444), 0);
    const std::string before = testkit::ReadFile(Hive());
    try {
        RegWriteInteger(1, "LogFile", kKey);
        ADD_FAILURE() << "no exception";
    } catch (const ERegistryException& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for 'LogFile'");
    }
    EXPECT_THROW(RegWriteBool(true, "LogFile", "SOFTWARE\\New"), ERegistryException);
    EXPECT_THROW(RegWriteString("v", "LogFileName", kKey), ERegistryException);
    std::string s;
    RegReadString("LogFileName", kKey, "", s);
    EXPECT_EQ(s, "/home/me/Pellow.log");
    EXPECT_EQ(RegReadInteger("LogFile", kKey, 3), 3);
    EXPECT_EQ(testkit::ReadFile(Hive()), before);
}

// A value of another kind than the reader expects is the class library's read error, not a default.
TEST_F(RegSave, AValueOfTheWrongKindRaises) {
    RegWriteString("57600", "BaudRate", kKey);
    EXPECT_THROW(RegReadInteger("BaudRate", kKey, 0), ERegistryException);
    EXPECT_THROW(RegReadBool("BaudRate", kKey, false), ERegistryException);
    RegWriteInteger(1, "LogFileName", kKey);
    std::string s = "junk";
    EXPECT_THROW(RegReadString("LogFileName", kKey, "dflt", s), ERegistryException);
    EXPECT_EQ(s, "dflt");
}

// A hand-edited hive with a syntax error: the program goes on with its defaults and the
// user's text is kept whole beside the fresh hive.
TEST_F(RegSave, AHandEditedHiveWithASyntaxErrorGivesDefaultsAndIsKept) {
    RegWriteInteger(115200, "BaudRate", kKey);
    std::string text = testkit::ReadFile(Hive());
    text.replace(text.find("dword:"), 6, "dword;");
    testkit::WriteFile(Hive(), text);
    testing::internal::CaptureStderr();
    EXPECT_EQ(RegReadInteger("BaudRate", kKey, 57600), 57600);
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_NE(report.find(".bad"), std::string::npos) << report;
    EXPECT_EQ(testkit::ReadFile(Hive() + ".bad"), text);
    RegWriteInteger(9600, "BaudRate", kKey);
    EXPECT_EQ(RegReadInteger("BaudRate", kKey, 57600), 9600);
    EXPECT_EQ(testkit::ReadFile(Hive() + ".bad"), text);
}

}  // namespace
