#include "support/lumbraAutostart.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/App.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "testkit/TestKit.h"

namespace {

using registry::THive;
using registry::TRegistry;

const char* const kRun = TLumbraAutostart::RunKey;
const char* const kRunOnce = TLumbraAutostart::RunOnceKey;

// The data a write stores: the quoted program path, a blank and the options.
std::string Data(const std::string& Options) { return "\"" + app::ProgramFile() + "\" " + Options; }

// A fresh process as far as the component can tell, in a private registry
// and desktop tree.
class LumbraAutostart : public ::testing::Test {
protected:
    void SetUp() override {
        app::SetTitle("Pellow");
        TLumbraAutostart::ResetFirstWrite();
    }
    void TearDown() override { TLumbraAutostart::ResetFirstWrite(); }

    // The value Name under Key of Hive; "(none)" when it is missing.
    static std::string Value(THive Hive, const char* Key, const std::string& Name) {
        TRegistry reg(Hive, registry::TRegAccess::Read);
        if (!reg.OpenKeyReadOnly(Key) || !reg.ValueExists(Name)) return "(none)";
        return reg.ReadString(Name);
    }
    // The real name the value is stored under.
    static std::string StoredName(THive Hive, const char* Key) {
        TRegistry reg(Hive, registry::TRegAccess::Read);
        if (!reg.OpenKeyReadOnly(Key)) return "(no key)";
        const auto names = reg.GetValueNames();
        return names.empty() ? "(none)" : names.front();
    }
    static void Put(THive Hive, const char* Key, const std::string& Name, const std::string& Data) {
        TRegistry reg(Hive);
        ASSERT_TRUE(reg.OpenKey(Key, true));
        reg.WriteString(Name, Data);
    }
    // HKLM as an ordinary user has it: there, but not writable.
    static void LockMachineHive() {
        TRegistry reg(THive::HKLM);
        ASSERT_TRUE(reg.OpenKey("\\SOFTWARE", true));
        ASSERT_EQ(chmod(registry::HivePath(THive::HKLM).c_str(), 0444), 0);
    }
    // The Exec line of the user's (or the machine's) entry; "(none)" without one.
    std::string UserEntry(const std::string& Name = "Pellow") const {
        return ExecOf(home.Path() + "/xdg/autostart/" + Name + ".desktop");
    }
    std::string MachineEntry(const std::string& Name = "Pellow") const {
        return ExecOf(home.Path() + "/xdg-system/autostart/" + Name + ".desktop");
    }
    static std::string ExecOf(const std::string& Path) {
        if (!files::FileExists(Path)) return "(none)";
        const std::string text = testkit::ReadFile(Path);
        const auto at = text.find("\nExec=");
        return text.substr(at + 6, text.find('\n', at + 1) - at - 6);
    }
    // The main window's component as its resource sets it up at every start.
    static void StartProgram(TLumbraAutostart& A) {
        A.SetAppName("Pellow");
        A.SetAutostart(false);
        A.SetStartNextLogon(false);
        A.SetGlobal(true);
        A.SetStartOptions("-AUTOSTART");
    }
    static std::string Quoted() { return "\"" + app::ProgramFile() + "\""; }

    testkit::TempHome home;
};

TEST_F(LumbraAutostart, NamedAfterTheApplicationTitle) {
    TLumbraAutostart a;
    EXPECT_EQ(a.appName(), "Pellow#Autostart");
    EXPECT_FALSE(a.Global());
    EXPECT_EQ(a.StartOptions(), "");
}

TEST_F(LumbraAutostart, TheFirstWriteKeepsTheRunState) {
    TLumbraAutostart a;
    a.SetAppName("Pellow");
    // Asked for the next log-on only, the first write stores the Run state: none.
    a.SetStartNextLogon(true);
    EXPECT_EQ(Value(THive::HKCU, kRunOnce, "Pellow"), "(none)");
    EXPECT_FALSE(a.StartNextLogon());
    // From now on writes do what they are told.
    a.SetStartNextLogon(true);
    EXPECT_EQ(Value(THive::HKCU, kRunOnce, "Pellow"), Data(""));
    EXPECT_TRUE(a.StartNextLogon());
    EXPECT_FALSE(a.autostart());
    a.SetStartOptions("-AUTOSTART");
    a.SetAutostart(true);
    EXPECT_EQ(Value(THive::HKCU, kRun, "Pellow"), Data("-AUTOSTART"));
    EXPECT_EQ(UserEntry(), Quoted() + " -AUTOSTART");
    a.SetAutostart(false);
    EXPECT_EQ(Value(THive::HKCU, kRun, "Pellow"), "(none)");
    EXPECT_EQ(UserEntry(), "(none)");

    // A new run whose first write asks to switch a present value off keeps it.
    a.SetAutostart(true);
    TLumbraAutostart::ResetFirstWrite();
    a.SetAutostart(false);
    EXPECT_TRUE(a.autostart());
    EXPECT_EQ(UserEntry(), Quoted() + " -AUTOSTART");
}

TEST_F(LumbraAutostart, StartsOnAMachineItMayNotChangeRewriteTheUsersValue) {
    LockMachineHive();
    Put(THive::HKCU, kRun, "Pellow", "\"/old/place/pellow\" -AUTOSTART");
    for (int start = 0; start < 2; ++start) {
        SCOPED_TRACE(start);
        TLumbraAutostart::ResetFirstWrite();
        TLumbraAutostart a;
        StartProgram(a);
        EXPECT_FALSE(a.Global());
        // Written at the first write, while the start options were still empty.
        EXPECT_EQ(Value(THive::HKCU, kRun, "Pellow"), Data(""));
        EXPECT_EQ(UserEntry(), Quoted());
        EXPECT_TRUE(a.autostart());
        // The options dialog's OK writes the options again.
        a.SetAutostart(true);
        EXPECT_EQ(Value(THive::HKCU, kRun, "Pellow"), Data("-AUTOSTART"));
        EXPECT_EQ(UserEntry(), Quoted() + " -AUTOSTART");
    }
    EXPECT_EQ(MachineEntry(), "(none)");
}

TEST_F(LumbraAutostart, StartsOnAWritableMachineMoveTheValueThere) {
    Put(THive::HKCU, kRun, "Pellow", "\"/old/place/pellow\" -AUTOSTART");
    Put(THive::HKCU, kRunOnce, "Pellow", "\"/old/place/pellow\" -AUTOSTART");
    TLumbraAutostart a;
    StartProgram(a);
    EXPECT_TRUE(a.Global());
    EXPECT_EQ(Value(THive::HKCU, kRun, "Pellow"), "(none)");
    EXPECT_EQ(Value(THive::HKCU, kRunOnce, "Pellow"), "(none)");
    EXPECT_EQ(Value(THive::HKLM, kRun, "Pellow"), Data(""));
    EXPECT_EQ(UserEntry(), "(none)");
    EXPECT_EQ(MachineEntry(), Quoted());
    // The test key went again; the key made on the way to it stays, empty.
    TRegistry reg(THive::HKLM);
    EXPECT_FALSE(reg.KeyExists("\\Software\\Lumbra\\test"));
    ASSERT_TRUE(reg.OpenKey("\\Software\\Lumbra", false));
    EXPECT_TRUE(reg.GetKeyNames().empty());
    EXPECT_TRUE(reg.GetValueNames().empty());

    a.SetAutostart(false);
    EXPECT_EQ(Value(THive::HKLM, kRun, "Pellow"), "(none)");
    EXPECT_EQ(MachineEntry(), "(none)");
    // Back to the user: a value moves with the root and is written afresh.
    a.SetAutostart(true);
    a.SetStartOptions("-X");
    a.SetGlobal(false);
    EXPECT_EQ(Value(THive::HKLM, kRun, "Pellow"), "(none)");
    EXPECT_EQ(Value(THive::HKCU, kRun, "Pellow"), Data("-X"));
    EXPECT_EQ(UserEntry(), Quoted() + " -X");
    EXPECT_EQ(MachineEntry(), "(none)");
}

TEST_F(LumbraAutostart, AMachineValueReadsAsAbsentWhereTheMachineIsLocked) {
    Put(THive::HKLM, kRun, "Pellow", "\"/opt/pellow\" -AUTOSTART");
    LockMachineHive();
    TLumbraAutostart a;
    a.SetAutostart(false);
    a.SetGlobal(true);
    EXPECT_FALSE(a.Global());
    // The rename looks in all four places; the locked one counts as empty, so
    // its value keeps its name.
    a.SetAppName("Pellow");
    a.SetAppName("Renamed");
    EXPECT_EQ(Value(THive::HKLM, kRun, "Pellow"), "\"/opt/pellow\" -AUTOSTART");
    EXPECT_EQ(Value(THive::HKLM, kRun, "Renamed"), "(none)");
    EXPECT_EQ(MachineEntry(), "\"/opt/pellow\" -AUTOSTART");
}

TEST_F(LumbraAutostart, AMachineLockedAfterwardsHoldsNothingToMoveBack) {
    TLumbraAutostart a;
    a.SetAppName("Pellow");
    a.SetAutostart(false);
    a.SetGlobal(true);
    a.SetAutostart(true);
    ASSERT_TRUE(a.autostart());
    ASSERT_EQ(chmod(registry::HivePath(THive::HKLM).c_str(), 0444), 0);
    EXPECT_FALSE(a.autostart());
    a.SetGlobal(false);
    EXPECT_EQ(Value(THive::HKCU, kRun, "Pellow"), "(none)");
    EXPECT_EQ(Value(THive::HKLM, kRun, "Pellow"), Data(""));
}

TEST_F(LumbraAutostart, RenamingMovesTheValuesOfEveryPlace) {
    TLumbraAutostart a;
    a.SetAppName("Pellow");
    a.SetAutostart(true);  // the first write: no Run value yet, so none
    a.SetAutostart(true);
    a.SetStartNextLogon(true);
    Put(THive::HKLM, kRun, "Pellow", "\"/opt/pellow\" ");
    a.SetAppName("Lumbra");
    for (THive hive : {THive::HKCU, THive::HKLM}) {
        EXPECT_EQ(Value(hive, kRun, "Pellow"), "(none)");
        EXPECT_EQ(Value(hive, kRun, "Lumbra"), Data(""));
    }
    EXPECT_EQ(Value(THive::HKCU, kRunOnce, "Lumbra"), Data(""));
    EXPECT_EQ(UserEntry("Pellow"), "(none)");
    EXPECT_EQ(UserEntry("Lumbra"), Quoted());
    EXPECT_EQ(MachineEntry("Lumbra"), Quoted());
    EXPECT_TRUE(a.autostart());
    EXPECT_TRUE(a.StartNextLogon());

    // Letter case alone is no new name: nothing is written, the old case stays.
    a.SetAppName("LUMBRA");
    EXPECT_EQ(a.appName(), "Lumbra");
    EXPECT_EQ(StoredName(THive::HKCU, kRun), "Lumbra");
    EXPECT_EQ(UserEntry("Lumbra"), Quoted());
}

TEST_F(LumbraAutostart, WithoutANameNothingIsThereAndNothingIsWritten) {
    TLumbraAutostart a;
    a.SetAppName("Pellow");
    a.SetAutostart(true);
    a.SetAutostart(true);
    // The rename to no name deletes the value and writes none.
    a.SetAppName("");
    EXPECT_EQ(Value(THive::HKCU, kRun, "Pellow"), "(none)");
    const std::string hive = testkit::ReadFile(registry::HivePath(THive::HKCU));
    EXPECT_FALSE(a.autostart());
    EXPECT_FALSE(a.StartNextLogon());
    a.SetAutostart(true);
    a.SetStartNextLogon(true);
    EXPECT_FALSE(a.autostart());
    EXPECT_EQ(testkit::ReadFile(registry::HivePath(THive::HKCU)), hive);
    EXPECT_EQ(UserEntry(), "(none)");
}

TEST_F(LumbraAutostart, EmptyDataAndOtherTypesCountAsAbsent) {
    Put(THive::HKCU, kRun, "Pellow", "");
    TLumbraAutostart a;
    a.SetAppName("Pellow");
    EXPECT_FALSE(a.autostart());
    EXPECT_EQ(UserEntry(), "(none)");
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kRun, false));
    reg.WriteInteger("Pellow", 1);
    EXPECT_FALSE(a.autostart());
}

}  // namespace
