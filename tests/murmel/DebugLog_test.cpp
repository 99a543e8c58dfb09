// The debug log: switched by the file's presence at start, lines appended
// whole by two writers at once, nothing written with the switch off.
#include "murmel/DebugLog.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <sstream>
#include <thread>

#include "murmel/MurmelProfile.h"
#include "platform/Files.h"
#include "testkit/TestKit.h"

namespace {

using namespace murmel;

class Log : public ::testing::Test {
protected:
    void SetUp() override {
        folder = home.Path() + "/out";
        ASSERT_TRUE(files::ForceDirectories(folder));
        WriteProfileString(kOptions, "Path", folder);
        log = folder + "/Debug.txt";
    }
    void TearDown() override { SetDebugSwitch(false); }
    void StartWith(bool fileThere) {
        if (fileThere) testkit::WriteFile(log, "");
        InitDebugSwitch();
    }
    testkit::TempHome home;
    std::string folder, log;
};

TEST_F(Log, WithoutTheFileAtStartNothingIsEverWritten) {
    StartWith(false);
    EXPECT_FALSE(DebugSwitch());
    DebugLog("Read-Thread beginnen.");
    DebugLogDialog("OnInitDialog()");
    EXPECT_FALSE(files::FileExists(log));
    testkit::WriteFile(log, "");  // made during the run: the switch stays off
    DebugLog("Thread beenden.");
    DebugLogDialog("windowrestore()");
    EXPECT_EQ(testkit::ReadFile(log), "");
}

TEST_F(Log, WorkerLinesCarryTheMarkerDialogLinesNone) {
    StartWith(true);
    ASSERT_TRUE(DebugSwitch());
    DebugLog(" ");
    DebugLog("Read-Thread beginnen.");
    DebugLog("   Statusstring %i: %s", 3, "002,001\r\n");
    DebugLogDialog("playmessage() number: %i", 12);
    DebugLog("   (Inputbuffer: %li)", 4096L);
    EXPECT_EQ(testkit::ReadFile(log),
              "--- \r\n---Read-Thread beginnen.\r\n---   Statusstring 3: 002,001\r\n\r\nplaymessage() number: 12\r\n"
              "---   (Inputbuffer: 4096)\r\n");
}

TEST_F(Log, ADeletedLogIsMadeAgainAndAnewPathCountsFromTheNextLine) {
    StartWith(true);
    DebugLog("eins");
    ASSERT_TRUE(files::DeleteFile(log));
    DebugLog("zwei");
    EXPECT_EQ(testkit::ReadFile(log), "---zwei\r\n");
    const std::string other = home.Path() + "/other";
    ASSERT_TRUE(files::ForceDirectories(other));
    WriteProfileString(kOptions, "Path", other + "/");
    DebugLogDialog("drei");
    EXPECT_EQ(testkit::ReadFile(other + "/Debug.txt"), "drei\r\n");
}

TEST_F(Log, AnEmptyPathMeansTheCurrentDirectory) {
    const std::string cwd = CurrentDirectory();
    ASSERT_EQ(chdir(folder.c_str()), 0);
    WriteProfileString(kOptions, "Path", "");
    testkit::WriteFile(folder + "/Debug.txt", "");
    InitDebugSwitch();
    EXPECT_TRUE(DebugSwitch());
    DebugLog("hier");
    EXPECT_EQ(testkit::ReadFile(folder + "/Debug.txt"), "---hier\r\n");
    ASSERT_EQ(chdir(cwd.c_str()), 0);
}

TEST_F(Log, ATooLongNameSwitchesNothingOnAndWritesNothing) {
    std::string deep = folder;
    while (deep.size() < 256) deep += "/dddddddddd";
    ASSERT_TRUE(files::ForceDirectories(deep));
    WriteProfileString(kOptions, "Path", deep);
    testkit::WriteFile(deep + "/Debug.txt", "");
    InitDebugSwitch();
    EXPECT_FALSE(DebugSwitch());
    SetDebugSwitch(true);
    DebugLog("zu lang");
    EXPECT_EQ(testkit::ReadFile(deep + "/Debug.txt"), "");
}

TEST_F(Log, LinesAreCutToTheirLimits) {
    StartWith(true);
    const std::string big(5000, 'x');
    DebugLog("%s", big.c_str());
    DebugLogDialog("%s", big.c_str());
    EXPECT_EQ(testkit::ReadFile(log), "---" + std::string(2999, 'x') + "\r\n" + std::string(999, 'x') + "\r\n");
}

TEST_F(Log, TwoThreadsWritingAtOnceLeaveWholeLines) {
    StartWith(true);
    std::thread worker([] {
        for (int i = 0; i < 400; ++i) DebugLog("   worker line %03i with some text to make it long enough", i);
    });
    for (int i = 0; i < 400; ++i) DebugLogDialog("dialog line %03i with some text as well", i);
    worker.join();
    std::istringstream in(testkit::ReadFile(log));
    std::set<std::string> lines;
    std::string line;
    int count = 0;
    while (std::getline(in, line)) {
        ++count;
        ASSERT_FALSE(line.empty());
        ASSERT_EQ(line.back(), '\r') << line;
        lines.insert(line);
    }
    EXPECT_EQ(count, 800);
    EXPECT_EQ(lines.size(), 800u);
    for (int i = 0; i < 400; ++i) {
        char w[100], d[100];
        std::snprintf(w, sizeof w, "---   worker line %03i with some text to make it long enough\r", i);
        std::snprintf(d, sizeof d, "dialog line %03i with some text as well\r", i);
        EXPECT_TRUE(lines.count(w)) << w;
        EXPECT_TRUE(lines.count(d)) << d;
    }
}

// A folder that cannot take the file drops the line at once instead of
// trying a million times.
TEST_F(Log, AFileThatCannotBeOpenedDropsTheLineAtOnce) {
    StartWith(true);
    WriteProfileString(kOptions, "Path", home.Path() + "/missing/folder");
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 50; ++i) DebugLog("verloren");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_FALSE(files::DirectoryExists(home.Path() + "/missing"));
}

}  // namespace
