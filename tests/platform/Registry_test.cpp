#include "platform/Registry.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/Files.h"
#include "platform/RegistryHive.h"
#include "testkit/TestKit.h"

namespace {

using registry::ERegistryException;
using registry::THive;
using registry::TRegAccess;
using registry::TRegChange;
using registry::TRegDataType;
using registry::TRegistry;

const char* const kKey = "SOFTWARE\\Norvale\\Pellow\\Version 0.50";

std::string Hkcu() { return registry::HivePath(THive::HKCU); }

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const ERegistryException& e) {
        return e.what();
    }
    return "(nothing raised)";
}

class Registry : public ::testing::Test {
protected:
    testkit::TempHome home;
};

TEST_F(Registry, HivesLiveInTheStateDirectory) {
    EXPECT_EQ(Hkcu(), home.Path() + "/registry/HKCU.reg");
    EXPECT_EQ(registry::HivePath(THive::HKCR), home.Path() + "/registry/HKCR.reg");
    EXPECT_EQ(registry::HivePath(THive::HKLM), home.Path() + "/registry/HKLM.reg");
    const std::string saved = home.Path();
    unsetenv("PELLOW_HOME");
    EXPECT_EQ(registry::HivePath(THive::HKLM), "/etc/pellow/registry/HKLM.reg");
    EXPECT_EQ(registry::HivePath(THive::HKCU), std::string(std::getenv("XDG_CONFIG_HOME")) + "/pellow/registry/HKCU.reg");
    setenv("PELLOW_HOME", saved.c_str(), 1);
}

TEST_F(Registry, WritesTypedValuesAsRegedit4) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kKey, true));
    reg.WriteInteger("LogFile", 1);
    reg.WriteString("LogFileName", "/home/me/Pellow.log");
    reg.WriteString("", "the default (unnamed) value");
    reg.WriteBinaryData("DCB", {0x1c, 0, 0, 0});
    // The documented example: the keys above hold nothing but it, and its line makes them.
    EXPECT_EQ(testkit::ReadFile(Hkcu()),
              "REGEDIT4\n\n"
              "[HKEY_CURRENT_USER\\SOFTWARE\\Norvale\\Pellow\\Version 0.50]\n"
              "\"LogFile\"=dword:00000001\n"
              "\"LogFileName\"=\"/home/me/Pellow.log\"\n"
              "@=\"the default (unnamed) value\"\n"
              "\"DCB\"=hex:1c,00,00,00\n\n");

    TRegistry other;
    ASSERT_TRUE(other.OpenKeyReadOnly(kKey));
    EXPECT_EQ(other.ReadInteger("LogFile"), 1);
    EXPECT_TRUE(other.ReadBool("LogFile"));
    EXPECT_EQ(other.ReadString("LogFileName"), "/home/me/Pellow.log");
    EXPECT_EQ(other.ReadString(""), "the default (unnamed) value");
    EXPECT_EQ(other.ReadBinaryData("DCB"), (std::vector<uint8_t>{0x1c, 0, 0, 0}));
    EXPECT_EQ(other.GetDataType("DCB"), TRegDataType::rdBinary);
    EXPECT_EQ(other.GetDataSize("LogFileName"), 20);  // the text and its NUL
    EXPECT_EQ(other.GetDataSize("LogFile"), 4);
    EXPECT_EQ(other.GetDataSize("missing"), -1);
    EXPECT_EQ(other.GetValueNames(), (std::vector<std::string>{"LogFile", "LogFileName", "", "DCB"}));
}

TEST_F(Registry, IntegersKeepAll32Bits) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("K", true));
    for (int32_t v : {0, -1, INT32_MIN, INT32_MAX, 57600}) {
        reg.WriteInteger("n", v);
        TRegistry fresh;
        ASSERT_TRUE(fresh.OpenKeyReadOnly("K"));
        EXPECT_EQ(fresh.ReadInteger("n"), v);
    }
    EXPECT_NE(testkit::ReadFile(Hkcu()).find("\"n\"=dword:0000e100"), std::string::npos);
    reg.WriteBool("b", false);
    EXPECT_FALSE(reg.ReadBool("b"));
}

TEST_F(Registry, NamesIgnoreCaseAndKeepTheirFirstCase) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software\\Norvale", true));
    reg.WriteString("LogFileName", "a");
    ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\NORVALE", false));
    reg.WriteString("LOGFILENAME", "b");
    EXPECT_EQ(reg.GetValueNames(), std::vector<std::string>{"LogFileName"});
    EXPECT_EQ(reg.ReadString("logfilename"), "b");
    reg.WriteString("\xC3\x84nderung", "x");
    EXPECT_TRUE(reg.ValueExists("\xC3\xA4NDERUNG"));
    ASSERT_TRUE(reg.OpenKey("\\", false));
    EXPECT_EQ(reg.GetKeyNames(), std::vector<std::string>{"Software"});
    // Data compares exactly: another case is another text.
    TRegistry r2;
    ASSERT_TRUE(r2.OpenKey("software\\norvale", false));
    r2.WriteString("LogFileName", "B");
    EXPECT_EQ(r2.ReadString("LogFileName"), "B");
    EXPECT_NE(testkit::ReadFile(Hkcu()).find("[HKEY_CURRENT_USER\\Software\\Norvale]"), std::string::npos);
}

TEST_F(Registry, PathsAreRelativeToTheOpenKeyUnlessTheyStartAtTheRoot) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("A", true));
    ASSERT_TRUE(reg.OpenKey("B", true));
    EXPECT_EQ(reg.CurrentPath(), "A\\B");
    ASSERT_TRUE(reg.OpenKey("\\Software\\Lumbra\\test\\", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Lumbra\\test");
    EXPECT_TRUE(reg.KeyExists("\\A\\B"));
    EXPECT_FALSE(reg.KeyExists("A\\B"));  // below Software\Lumbra\test
    EXPECT_FALSE(reg.OpenKey("bad\\\\name", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Lumbra\\test");  // a failed open keeps the key open before
    reg.CloseKey();
    EXPECT_TRUE(reg.KeyExists("A\\B"));
    EXPECT_FALSE(reg.HasCurrentKey());
}

TEST_F(Registry, OpeningWithoutCreatingCreatesNothing) {
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey(kKey, false));
    EXPECT_FALSE(reg.OpenKeyReadOnly(kKey));
    EXPECT_FALSE(reg.KeyExists(kKey));
    EXPECT_FALSE(files::FileExists(Hkcu()));
    EXPECT_FALSE(files::DirectoryExists(home.Path() + "/registry"));
    // Reads without an open key: text reads empty, integers raise.
    EXPECT_EQ(reg.ReadString("x"), "");
    EXPECT_FALSE(reg.ValueExists("x"));
    EXPECT_EQ(ErrorOf([&] { reg.ReadInteger("x"); }), "Failed to get data for 'x'");
    EXPECT_EQ(ErrorOf([&] { reg.WriteString("x", "1"); }), "Failed to set data for 'x'");
    EXPECT_FALSE(files::FileExists(Hkcu()));
}

TEST_F(Registry, ReadsCheckTheKindOfData) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("K", true));
    reg.WriteInteger("n", 5);
    reg.WriteString("s", "5");
    EXPECT_EQ(ErrorOf([&] { reg.ReadString("n"); }), "Invalid data type for 'n'");
    EXPECT_EQ(ErrorOf([&] { reg.ReadInteger("s"); }), "Invalid data type for 's'");
    EXPECT_EQ(ErrorOf([&] { reg.ReadBinaryData("s"); }), "Invalid data type for 's'");
    EXPECT_EQ(ErrorOf([&] { reg.ReadBinaryData("none"); }), "Failed to get data for 'none'");
    EXPECT_EQ(reg.ReadString("none"), "");
    reg.WriteString("s", std::string("up to\0here", 10));
    EXPECT_EQ(reg.ReadString("s"), "up to");
    reg.WriteString("n", "now text");  // a write may change the kind
    EXPECT_EQ(reg.GetDataType("n"), TRegDataType::rdString);
    reg.WriteExpandString("e", "%HOME%");
    EXPECT_EQ(reg.GetDataType("e"), TRegDataType::rdExpandString);
    EXPECT_EQ(reg.ReadString("e"), "%HOME%");
    reg.WriteString("lines", "one\ntwo");
    TRegistry fresh;
    ASSERT_TRUE(fresh.OpenKeyReadOnly("K"));
    EXPECT_EQ(fresh.ReadString("lines"), "one\ntwo");
    EXPECT_EQ(ErrorOf([&] { reg.WriteString("bad\nname", "x"); }), "Failed to set data for 'bad\nname'");
}

TEST_F(Registry, DeletesValuesAndWholeKeys) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("A\\B\\C", true));
    reg.WriteString("v", "1");
    ASSERT_TRUE(reg.OpenKey("\\A", false));
    reg.WriteString("w", "2");
    EXPECT_TRUE(reg.HasSubKeys());
    EXPECT_TRUE(reg.DeleteValue("W"));
    EXPECT_FALSE(reg.DeleteValue("w"));
    EXPECT_FALSE(reg.ValueExists("w"));
    EXPECT_TRUE(reg.DeleteKey("\\a\\b"));
    EXPECT_FALSE(reg.KeyExists("\\A\\B\\C"));
    EXPECT_TRUE(reg.KeyExists("\\A"));
    EXPECT_FALSE(reg.DeleteKey("\\A\\B"));
    EXPECT_FALSE(reg.DeleteKey("\\"));  // the root stays
    // A key deleted under an open registry object takes no more values.
    TRegistry holder;
    ASSERT_TRUE(holder.OpenKey("\\A", false));
    EXPECT_TRUE(reg.DeleteKey("\\A"));
    EXPECT_EQ(ErrorOf([&] { holder.WriteString("x", "1"); }), "Failed to set data for 'x'");
    EXPECT_FALSE(reg.KeyExists("\\A"));
}

TEST_F(Registry, ReadersSeeWhatAnyoneWroteLast) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("K", true));
    reg.WriteString("v", "ours");
    EXPECT_EQ(reg.ReadString("v"), "ours");
    // Another program replaces the file, as our writers do.
    const std::string next = Hkcu() + ".other";
    testkit::WriteFile(next, "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"v\"=\"theirs\"\n");
    ASSERT_EQ(std::rename(next.c_str(), Hkcu().c_str()), 0);
    EXPECT_EQ(reg.ReadString("v"), "theirs");
    // An editor that writes the file in place.
    testkit::WriteFile(Hkcu(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"v\"=\"edited\"\n\"w\"=\"new\"\n");
    EXPECT_EQ(reg.ReadString("v"), "edited");
    reg.WriteString("x", "mine");  // a write starts from the file as it is now
    TRegistry r;
    ASSERT_TRUE(r.OpenKeyReadOnly("K"));
    EXPECT_EQ(r.ReadString("w"), "new");
    EXPECT_EQ(r.ReadString("x"), "mine");
    ASSERT_EQ(std::remove(Hkcu().c_str()), 0);
    EXPECT_FALSE(r.ValueExists("x"));
}

TEST_F(Registry, KeepsTheModeOfTheHiveFile) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("K", true));
    reg.WriteString("v", "1");
    ASSERT_EQ(chmod(Hkcu().c_str(), 0600), 0);
    reg.WriteString("v", "2");
    struct stat st {};
    ASSERT_EQ(stat(Hkcu().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// A read-only hive file: the hive is read as it is; nothing can change it.
TEST_F(Registry, AReadOnlyHiveFailsWritesAndKeepsReads) {
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kKey, true));
        reg.WriteString("LogFileName", "/tmp/x.log");
    }
    ASSERT_EQ(chmod(Hkcu().c_str(), 0444), 0);
    const std::string before = testkit::ReadFile(Hkcu());
    EXPECT_FALSE(registry::HiveWritable(THive::HKCU));

    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey(kKey, false));  // full access is refused
    EXPECT_FALSE(reg.OpenKey("New\\Key", true));
    EXPECT_EQ(ErrorOf([&] { reg.WriteString("v", "1"); }), "Failed to set data for 'v'");
    EXPECT_EQ(ErrorOf([&] { reg.CreateKey("New"); }), "Failed to create key New");
    ASSERT_TRUE(reg.OpenKeyReadOnly(kKey));
    EXPECT_EQ(reg.ReadString("LogFileName"), "/tmp/x.log");
    EXPECT_EQ(ErrorOf([&] { reg.WriteString("LogFileName", "other"); }), "Failed to set data for 'LogFileName'");
    EXPECT_FALSE(reg.DeleteValue("LogFileName"));
    EXPECT_FALSE(reg.DeleteKey("\\SOFTWARE"));
    TRegistry readOnly(THive::HKCU, TRegAccess::Read);
    EXPECT_TRUE(readOnly.OpenKey(kKey, true));  // exists: opens for reading without creating
    EXPECT_EQ(testkit::ReadFile(Hkcu()), before);
    EXPECT_FALSE(files::FileExists(Hkcu() + ".new"));
}

// A machine hive in a folder we may not write, as /etc is for a user.
TEST_F(Registry, AHiveInAReadOnlyFolderFailsWrites) {
    const std::string dir = home.Path() + "/registry";
    ASSERT_TRUE(files::ForceDirectories(dir));
    testkit::WriteFile(registry::HivePath(THive::HKLM), "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Lumbra]\n");
    ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
    TRegistry reg(THive::HKLM);
    EXPECT_FALSE(reg.OpenKey("\\Software\\Lumbra\\test\\", true));
    EXPECT_FALSE(reg.OpenKey("\\Software\\Lumbra", false));
    EXPECT_TRUE(reg.OpenKeyReadOnly("\\Software\\Lumbra"));
    EXPECT_EQ(ErrorOf([&] { reg.WriteString("x", "1"); }), "Failed to set data for 'x'");
    EXPECT_TRUE(registry::HiveWritable(THive::HKCU) == false);  // the user's hives share that folder
    ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
    EXPECT_TRUE(reg.OpenKey("\\Software\\Lumbra\\test\\", true));
    EXPECT_TRUE(reg.DeleteKey("\\Software\\Lumbra\\test"));
    EXPECT_TRUE(reg.KeyExists("\\Software\\Lumbra"));
}

TEST_F(Registry, HivesAreSeparate) {
    TRegistry cu(THive::HKCU), cr(THive::HKCR);
    ASSERT_TRUE(cu.OpenKey(".gsm", true));
    cu.WriteString("", "cu");
    ASSERT_TRUE(cr.OpenKey(".gsm", true));
    cr.WriteString("", "Echolet.File");
    EXPECT_EQ(cu.ReadString(""), "cu");
    EXPECT_NE(testkit::ReadFile(registry::HivePath(THive::HKCR)).find("[HKEY_CLASSES_ROOT\\.gsm]\n@=\"Echolet.File\""),
              std::string::npos);
    cr.SetRootKey(THive::HKLM);
    EXPECT_FALSE(cr.HasCurrentKey());
    EXPECT_FALSE(cr.KeyExists(".gsm"));
}

// A hand-edited hive with a syntax error is kept aside whole; we go on with an empty hive.
TEST_F(Registry, AnUnparsableHiveIsSetAsideOnceAndReadAsEmpty) {
    ASSERT_TRUE(files::ForceDirectories(home.Path() + "/registry"));
    const std::string broken = "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"v\"=\"unterminated\n";
    testkit::WriteFile(Hkcu(), broken);

    testing::internal::CaptureStderr();
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKeyReadOnly("K"));
    EXPECT_FALSE(reg.KeyExists("K"));
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_NE(report.find(Hkcu()), std::string::npos) << report;
    EXPECT_NE(report.find("line 4"), std::string::npos) << report;
    EXPECT_NE(report.find(Hkcu() + ".bad"), std::string::npos) << report;
    EXPECT_EQ(testkit::ReadFile(Hkcu() + ".bad"), broken);
    EXPECT_FALSE(files::FileExists(Hkcu()));

    testing::internal::CaptureStderr();
    ASSERT_TRUE(reg.OpenKey("K", true));
    reg.WriteString("v", "fresh");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(testkit::ReadFile(Hkcu() + ".bad"), broken);

    // A second broken file does not replace the first one kept aside.
    testkit::WriteFile(Hkcu(), "garbage");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(reg.ValueExists("v"));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(testkit::ReadFile(Hkcu() + ".bad"), broken);
    EXPECT_EQ(testkit::ReadFile(Hkcu() + ".2.bad"), "garbage");
}

// A hive whose key path goes deeper than the registry's 512 levels (a
// 400 kB line of 200000 levels), or whose key name is longer than 255
// characters, is kept aside as any unparsable hive: reported once, read as
// empty, and the next write starts a fresh hive of its own size.
TEST_F(Registry, AHiveBeyondTheRegistrysLimitsIsSetAsideAndDefaultsServe) {
    ASSERT_TRUE(files::ForceDirectories(home.Path() + "/registry"));
    const std::string keep = "[HKEY_CURRENT_USER\\SOFTWARE\\Norvale\\Pellow\\Version 0.50]\n\"LogFile\"=dword:00000000\n";
    std::string deep = "[HKEY_CURRENT_USER\\Deep";
    for (int i = 0; i < 200000; ++i) deep += "\\k";
    for (const std::string& odd : {deep + "]\n", "[HKEY_CURRENT_USER\\" + std::string(256, 'n') + "]\n"}) {
        const std::string text = "REGEDIT4\n\n" + keep + "\n" + odd;
        testkit::WriteFile(Hkcu(), text);
        std::filesystem::remove(Hkcu() + ".bad");
        const auto start = std::chrono::steady_clock::now();
        testing::internal::CaptureStderr();
        TRegistry reg;
        EXPECT_FALSE(reg.OpenKeyReadOnly(kKey));
        EXPECT_FALSE(reg.KeyExists("Deep"));
        const std::string report = testing::internal::GetCapturedStderr();
        EXPECT_NE(report.find(Hkcu() + ".bad"), std::string::npos) << report;
        EXPECT_EQ(testkit::ReadFile(Hkcu() + ".bad"), text);
        testing::internal::CaptureStderr();
        ASSERT_TRUE(reg.OpenKey(kKey, true));
        reg.WriteInteger("LogFile", 1);
        EXPECT_EQ(reg.ReadInteger("LogFile"), 1);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "reported once";
        EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 5.0);
        EXPECT_LT(testkit::ReadFile(Hkcu()).size(), 200u);
    }
}

// A write copies the keys on its way down and shares the rest with the tree
// it started from, which stays as it was for whoever reads it.
TEST_F(Registry, AWriteCopiesOnlyTheKeysOnItsPath) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\A\\B", true));
    reg.WriteInteger("v", 1);
    ASSERT_TRUE(reg.OpenKey("\\C\\D", true));
    reg.WriteInteger("w", 1);
    const auto store = registry::HiveStore(Hkcu(), "HKEY_CURRENT_USER");
    const auto before = store->Snapshot();
    ASSERT_TRUE(reg.OpenKey("\\A\\B", false));
    reg.WriteInteger("v", 2);
    const auto after = store->Snapshot();
    ASSERT_NE(before, after);
    EXPECT_EQ(before->Find({"A", "B"})->FindValue("v")->DWord, 1u);
    EXPECT_EQ(after->Find({"A", "B"})->FindValue("v")->DWord, 2u);
    EXPECT_NE(before->FindSubKey("A"), after->FindSubKey("A"));
    EXPECT_EQ(before->FindSubKey("C"), after->FindSubKey("C")) << "the key the write did not reach is shared";
}

// A key the hive could not hold is no key of ours either.
TEST_F(Registry, KeysBeyondTheRegistrysLimitsAreRefused) {
    std::string deep = "Deep";
    for (int i = 1; i < 512; ++i) deep += "\\k";
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(deep, true));
    EXPECT_FALSE(reg.OpenKey("k", true)) << "level 513 below the open key";
    EXPECT_FALSE(reg.OpenKey("\\" + deep + "\\k", true));
    EXPECT_EQ(ErrorOf([&] { reg.CreateKey("\\" + deep + "\\k"); }), "Failed to create key \\" + deep + "\\k");
    EXPECT_FALSE(reg.OpenKey("\\" + std::string(256, 'n'), true));
    EXPECT_TRUE(reg.OpenKey("\\" + std::string(255, 'n'), true));
    registry::TRegBatch batch;
    EXPECT_EQ(ErrorOf([&] { batch.WriteInteger("\\" + deep + "\\k", "v", 1); }), "Failed to set data for 'v'");
    // What was made reads back as it was written.
    EXPECT_NO_THROW(registry::ParseHive(testkit::ReadFile(Hkcu()), "HKEY_CURRENT_USER"));
    EXPECT_TRUE(reg.KeyExists("\\" + deep));
}

// Text holding a NUL, as a hand-edited hive may have it, stays whole in the
// hive whatever else is written; the program reads it up to the NUL, as the
// registry's text is read.
TEST_F(Registry, TextWithANulSurvivesTheWritesOfOtherValues) {
    ASSERT_TRUE(files::ForceDirectories(home.Path() + "/registry"));
    const char text[] = "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"v\"=\"x\0y\"\n";
    testkit::WriteFile(Hkcu(), std::string(text, sizeof text - 1));
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("K", true));
    EXPECT_EQ(reg.ReadString("v"), "x");
    EXPECT_EQ(reg.GetDataSize("v"), 4);
    for (int i = 0; i < 3; ++i) reg.WriteInteger("other" + std::to_string(i), i);
    const registry::TRegKey hive = registry::ParseHive(testkit::ReadFile(Hkcu()), "HKEY_CURRENT_USER");
    EXPECT_EQ(hive.FindSubKey("K")->FindValue("v")->Data, std::string("x\0y", 3));
    EXPECT_EQ(reg.ReadString("v"), "x");
    EXPECT_EQ(reg.GetDataSize("v"), 4);
}

// Runs Body as an ordinary user in a child process, its standard error going to ErrPath;
// the child's exit code tells the first check that failed.
int RunAsUser(const std::string& errPath, const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
        std::freopen(errPath.c_str(), "w", stderr);
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(90);
        int rc = 91;
        try {
            rc = body();
        } catch (...) {
        }
        std::fflush(stderr);
        _exit(rc);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Hives that belong to someone else, as /etc/pellow's machine hive belongs to root.
TEST_F(Registry, AnotherUsersHivesReadButNeverChange) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    const std::string dir = home.Path() + "/registry";
    ASSERT_TRUE(files::ForceDirectories(dir));
    ASSERT_EQ(chmod(home.Path().c_str(), 0755), 0);
    testkit::WriteFile(registry::HivePath(THive::HKLM),
                       "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Lumbra]\n\"v\"=\"machine\"\n");
    testkit::WriteFile(Hkcu(), "not a hive");
    const std::string err = home.Path() + "/stderr.txt";
    const int rc = RunAsUser(err, [] {
        TRegistry lm(THive::HKLM);
        if (registry::HiveWritable(THive::HKLM)) return 1;
        if (lm.OpenKey("\\Software\\Lumbra\\test\\", true)) return 2;
        if (lm.OpenKey("\\Software\\Lumbra", false)) return 3;  // full access is refused
        if (!lm.OpenKeyReadOnly("\\Software\\Lumbra") || lm.ReadString("v") != "machine") return 4;
        // The unparsable user hive cannot be moved aside here: it reads as empty, is reported
        // once, and no write replaces it.
        TRegistry cu;
        if (cu.KeyExists("K") || cu.KeyExists("K")) return 5;
        if (cu.OpenKey("K", true)) return 6;
        return 0;
    });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(testkit::ReadFile(Hkcu()), "not a hive");
    EXPECT_FALSE(files::FileExists(Hkcu() + ".bad"));
    const std::string report = testkit::ReadFile(err);
    EXPECT_NE(report.find("cannot be read"), std::string::npos) << report;
    EXPECT_EQ(report.find("cannot be read"), report.rfind("cannot be read")) << "reported more than once: " << report;
}

// A hive file we may write but not read, as after a read error: it reads as empty, and no
// change replaces what it holds with the little that change would make.
TEST_F(Registry, AnUnreadableHiveIsNeverReplaced) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    const std::string dir = home.Path() + "/registry";
    ASSERT_TRUE(files::ForceDirectories(dir));
    ASSERT_EQ(chmod(home.Path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(dir.c_str(), 0777), 0);
    const std::string text = "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"v\"=\"the user's\"\n";
    testkit::WriteFile(Hkcu(), text);
    ASSERT_EQ(chmod(Hkcu().c_str(), 0622), 0);  // others may write it, not read it
    const int rc = RunAsUser(home.Path() + "/stderr.txt", [] {
        TRegistry reg;
        if (reg.KeyExists("K")) return 1;
        if (reg.OpenKey("K", true)) return 2;
        if (ErrorOf([&] { reg.WriteString("v", "x"); }) != "Failed to set data for 'v'") return 3;
        if (ErrorOf([&] { reg.CreateKey("New"); }) != "Failed to create key New") return 4;
        return 0;
    });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(testkit::ReadFile(Hkcu()), text);
    EXPECT_FALSE(files::FileExists(Hkcu() + ".bad"));
    // Whoever can read it changes it as usual.
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("K", false));
    EXPECT_EQ(reg.ReadString("v"), "the user's");
    reg.WriteString("w", "2");
    EXPECT_EQ(reg.ReadString("v"), "the user's");
}

TEST_F(Registry, ChangeHooksSeeEveryWrittenChange) {
    std::vector<TRegChange> seen;
    const int id = registry::AddChangeHook([&](const TRegChange& c) { seen.push_back(c); });
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software\\Microsoft\\Windows\\CurrentVersion\\Run", true));
    reg.WriteString("Pellow", "\"/opt/pellow\" ");
    reg.WriteString("PELLOW", "\"/opt/pellow\" ");  // the same data: no file change, still a write
    reg.DeleteValue("pellow");
    reg.DeleteKey("\\software\\microsoft");
    registry::RemoveChangeHook(id);
    reg.OpenKey("\\X", true);
    ASSERT_EQ(seen.size(), 9u);
    EXPECT_EQ(seen[0].Kind, TRegChange::KeyCreated);
    EXPECT_EQ(seen[0].Key, "Software");
    EXPECT_EQ(seen[4].Key, "Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    EXPECT_EQ(seen[5].Kind, TRegChange::ValueWritten);
    EXPECT_EQ(seen[5].Value, "Pellow");
    EXPECT_EQ(seen[6].Value, "Pellow");
    EXPECT_EQ(seen[7].Kind, TRegChange::ValueDeleted);
    EXPECT_EQ(seen[7].Value, "Pellow");
    EXPECT_EQ(seen[8].Kind, TRegChange::KeyDeleted);
    EXPECT_EQ(seen[8].Key, "Software\\Microsoft");
    for (const TRegChange& c : seen) EXPECT_EQ(c.Hive, THive::HKCU);
}

// Writes values Prefix0 .. Prefix<Count-1> into key K, one registry object per write.
void WriteBurst(const std::string& prefix, int count, int ackFd = -1) {
    for (int i = 0; i < count; ++i) {
        TRegistry reg;
        if (!reg.OpenKey("K", true)) _exit(3);
        reg.WriteInteger(prefix + std::to_string(i), i);
        if (ackFd >= 0 && write(ackFd, &i, sizeof i) != sizeof i) _exit(4);
    }
}

pid_t Spawn(const std::function<void()>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
        try {
            body();
        } catch (...) {
            _exit(2);
        }
        _exit(0);
    }
    return pid;
}

int ExitCode(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void ExpectValues(const std::string& prefix, int count) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly("K"));
    int missing = 0;
    for (int i = 0; i < count; ++i) {
        const std::string name = prefix + std::to_string(i);
        if (!reg.ValueExists(name) || reg.ReadInteger(name) != i) ++missing;
    }
    EXPECT_EQ(missing, 0) << prefix;
}

TEST_F(Registry, ConcurrentProcessesAndThreadsLoseNothing) {
    const pid_t a = Spawn([] { WriteBurst("A", 500); });
    const pid_t b = Spawn([] { WriteBurst("B", 500); });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) threads.emplace_back([t] { WriteBurst("T" + std::to_string(t) + "_", 50); });
    for (auto& th : threads) th.join();
    EXPECT_EQ(ExitCode(a), 0);
    EXPECT_EQ(ExitCode(b), 0);
    ExpectValues("A", 500);
    ExpectValues("B", 500);
    for (int t = 0; t < 4; ++t) ExpectValues("T" + std::to_string(t) + "_", 50);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly("K"));
    EXPECT_EQ(reg.GetValueNames().size(), 1200u);
    EXPECT_NO_THROW(registry::ParseHive(testkit::ReadFile(Hkcu()), "HKEY_CURRENT_USER"));
}

// A writer killed at any moment leaves a whole hive holding every write that returned.
TEST_F(Registry, AWriterKilledInABurstLeavesAWholeHive) {
    for (int round = 0; round < 4; ++round) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const std::string prefix = "R" + std::to_string(round) + "_";
        const pid_t pid = Spawn([&] {
            close(fds[0]);
            WriteBurst(prefix, 100000, fds[1]);
        });
        close(fds[1]);
        int last = -1, got = 0;
        while (last < 20 + round * 37 && read(fds[0], &got, sizeof got) == sizeof got) last = got;
        kill(pid, SIGKILL);
        while (read(fds[0], &got, sizeof got) == sizeof got) last = got;
        close(fds[0]);
        EXPECT_EQ(ExitCode(pid), 128 + SIGKILL);
        ASSERT_GE(last, 20);
        const registry::TRegKey hive = registry::ParseHive(testkit::ReadFile(Hkcu()), "HKEY_CURRENT_USER");
        const registry::TRegKey* k = hive.FindSubKey("K");
        ASSERT_NE(k, nullptr);
        for (int i = 0; i <= last; ++i) {
            ASSERT_NE(k->FindValue(prefix + std::to_string(i)), nullptr) << prefix << i << " of " << last;
        }
    }
    // The hive takes writes again after the killed writer.
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("K", true));
    reg.WriteString("after", "1");
    EXPECT_EQ(reg.ReadString("after"), "1");
}

// A batch moves its values together: a writer killed at any moment leaves
// either all of one batch or none of it, never a mix of two batches.
TEST_F(Registry, ABatchIsWrittenWholeOrNotAtAll) {
    {
        registry::TRegBatch batch;
        batch.WriteInteger("\\Software\\Batch\\Options", "Counter", 7);
        batch.WriteString("Software\\Batch\\Modem", "Identstring", "002,005,");
        batch.WriteInteger("\\Software\\Batch\\Modem", "Savedmsg", 3);
        batch.Commit();
        batch.Commit();  // empty now: nothing to do
    }
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Batch\\Options"));
    EXPECT_EQ(reg.ReadInteger("Counter"), 7);
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Batch\\Modem"));
    EXPECT_EQ(reg.ReadString("Identstring"), "002,005,");
    EXPECT_EQ(reg.ReadInteger("Savedmsg"), 3);

    for (int round = 0; round < 4; ++round) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t pid = Spawn([&] {
            close(fds[0]);
            for (int i = 0; i < 100000; ++i) {
                registry::TRegBatch b;
                b.WriteInteger("\\Software\\Batch\\Options", "Counter", i);
                b.WriteInteger("\\Software\\Batch\\Modem", "Savedmsg", i);
                b.Commit();
                if (write(fds[1], &i, sizeof i) != sizeof i) _exit(4);
            }
        });
        close(fds[1]);
        int got = 0, last = -1;
        while (last < 15 + round * 23 && read(fds[0], &got, sizeof got) == sizeof got) last = got;
        kill(pid, SIGKILL);
        close(fds[0]);
        EXPECT_EQ(ExitCode(pid), 128 + SIGKILL);
        TRegistry r;
        ASSERT_TRUE(r.OpenKeyReadOnly("\\Software\\Batch\\Options"));
        const int counter = r.ReadInteger("Counter");
        ASSERT_TRUE(r.OpenKeyReadOnly("\\Software\\Batch\\Modem"));
        EXPECT_EQ(r.ReadInteger("Savedmsg"), counter) << "round " << round;
        EXPECT_GE(counter, last);
    }
}

TEST_F(Registry, ABatchOnAReadOnlyHiveRaisesAndWritesNothing) {
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\Software\\Batch", true));
        reg.WriteInteger("Savedmsg", 1);
    }
    ASSERT_EQ(chmod(Hkcu().c_str(), 0444), 0);
    const std::string before = testkit::ReadFile(Hkcu());
    registry::TRegBatch batch;
    batch.WriteInteger("\\Software\\Batch", "Savedmsg", 2);
    batch.WriteInteger("\\Software\\Batch", "Counter", 2);
    EXPECT_EQ(ErrorOf([&] { batch.Commit(); }), "Failed to set data for 'Savedmsg'");
    EXPECT_EQ(testkit::ReadFile(Hkcu()), before);
    EXPECT_EQ(ErrorOf([&] { batch.WriteInteger("A\\\\B", "x", 1); }), "Failed to set data for 'x'");
}

}  // namespace
