// The ".gsm" registration of Echolet in HKCR, and the desktop following it
// in a private XDG tree: the entry, the MIME type, the default application,
// checked with the desktop's own tools (xdg-mime, gio).
#include "echolet/Echolet.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/Registry.h"
#include "platform/XdgMime.h"
#include "testkit/TestKit.h"

namespace echolet {
namespace {

using registry::THive;

std::string Default(const std::string& Key) {
    registry::TRegistry reg(THive::HKCR, registry::TRegAccess::Read);
    if (!reg.OpenKeyReadOnly("\\" + Key)) return "<no key>";
    return reg.ValueExists("") ? reg.ReadString("") : "<no value>";
}

void SetDefault(const std::string& Key, const std::string& Value) {
    registry::TRegistry reg(THive::HKCR);
    ASSERT_TRUE(reg.OpenKey("\\" + Key, true));
    reg.WriteString("", Value);
}

// What a command prints, its line end taken off.
std::string Output(const std::string& Command) {
    std::string out;
    FILE* p = ::popen((Command + " 2>/dev/null").c_str(), "r");
    if (!p) return "<cannot run>";
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    ::pclose(p);
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

class AssociationTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(home.Path() + "/Tools");
        // The program: a script that notes the arguments it was started with.
        testkit::WriteFile(program, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + home.Path() + "/opened.txt\"\n");
        ::chmod(program.c_str(), 0755);
    }
    std::string Entry() const { return testkit::ReadFile(data + "/applications/pellow-echolet-file.desktop"); }
    std::string QueryDefault() const { return Output("xdg-mime query default audio/x-gsm"); }
    std::string MimeApps() const { return testkit::ReadFile(std::string(std::getenv("XDG_CONFIG_HOME")) + "/mimeapps.list"); }

    testkit::TempHome home;
    const std::string program = home.Path() + "/Tools/echolet";
    const std::string data = std::getenv("XDG_DATA_HOME");
};

TEST_F(AssociationTest, AFreshStartWritesAllFourInOrderAndTheDesktopOpensGsmFilesWithEcholet) {
    std::vector<std::string> order;
    const int hook = registry::AddChangeHook([&](const registry::TRegChange& c) {
        if (c.Kind == registry::TRegChange::ValueWritten) order.push_back(c.Key);
    });
    ASSERT_TRUE(RegisterGsmFiles(program));
    registry::RemoveChangeHook(hook);
    EXPECT_EQ(order, (std::vector<std::string>{"Echolet.File", "Echolet.File\\shell\\open\\command",
                                               "Echolet.File\\DefaultIcon", ".gsm"}));
    EXPECT_EQ(Default("Echolet.File"), "Gsm-Audio");
    EXPECT_EQ(Default("Echolet.File\\shell\\open\\command"), program + " \"%1\"");
    EXPECT_EQ(Default("Echolet.File\\DefaultIcon"), program + ",1");
    EXPECT_EQ(Default(".gsm"), "Echolet.File");

    EXPECT_NE(Entry().find("Exec=\"" + program + "\" %f\n"), std::string::npos) << Entry();
    EXPECT_NE(Entry().find("MimeType=audio/x-gsm;\n"), std::string::npos) << Entry();
    EXPECT_EQ(QueryDefault(), "pellow-echolet-file.desktop");
    // The desktop knows .gsm files by our MIME type alone (its own folders are private).
    const std::string file = home.Path() + "/My Files/hello.gsm";
    std::filesystem::create_directories(home.Path() + "/My Files");
    testkit::WriteFile(file, "\x10\x03");
    if (Output("command -v gio").empty()) GTEST_SKIP() << "no gio to open the file with";
    EXPECT_NE(Output("gio info -a standard::content-type '" + file + "'").find("standard::content-type: audio/x-gsm"),
              std::string::npos);
    // Opening the file starts Echolet with its path.
    Output("gio open '" + file + "'");
    for (int i = 0; i < 100 && !std::filesystem::exists(home.Path() + "/opened.txt"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(testkit::ReadFile(home.Path() + "/opened.txt"), file + "\n");
}

TEST_F(AssociationTest, AnotherFileTypeOfGsmStaysAndTheDesktopIsNotPointedAtEcholet) {
    SetDefault(".gsm", "Other.File");
    ASSERT_TRUE(RegisterGsmFiles(program));
    EXPECT_EQ(Default(".gsm"), "Other.File");
    EXPECT_EQ(Default("Echolet.File"), "Gsm-Audio");
    EXPECT_EQ(Default("Echolet.File\\shell\\open\\command"), program + " \"%1\"");
    EXPECT_EQ(Default("Echolet.File\\DefaultIcon"), program + ",1");
    // The entry exists, but as the handler of nothing.
    EXPECT_NE(Entry().find("Exec="), std::string::npos);
    EXPECT_EQ(Entry().find("MimeType="), std::string::npos);
    EXPECT_EQ(MimeApps(), "");
    EXPECT_EQ(QueryDefault(), "");
}

TEST_F(AssociationTest, WhatGsmNamesDecidesLetterCaseAside) {
    const struct {
        const char* before;
        const char* after;
        bool desktopDefault;
    } cases[] = {
        {"echolet.file", "echolet.file", true},  // stays, and names our key all the same
        {"ECHOLET.FILE", "ECHOLET.FILE", true},
        {"Echolet.File", "Echolet.File", true},
        {"", "Echolet.File", true},
        {"Other.File", "Other.File", false},
    };
    for (const auto& c : cases) {
        testkit::TempHome fresh;
        SetDefault(".gsm", c.before);
        const std::string programHere = fresh.Path() + "/Tools/echolet";
        std::filesystem::create_directories(fresh.Path() + "/Tools");
        testkit::WriteFile(programHere, "");
        ASSERT_TRUE(RegisterGsmFiles(programHere)) << c.before;
        EXPECT_EQ(Default(".gsm"), c.after) << c.before;
        EXPECT_EQ(Output("xdg-mime query default audio/x-gsm"), c.desktopDefault ? "pellow-echolet-file.desktop" : "")
            << c.before;
    }
}

TEST_F(AssociationTest, AGsmValueThatCannotBeReadIsReplaced) {
    // Too long for the read, or no text.
    SetDefault(".gsm", std::string(519, 'x'));
    ASSERT_TRUE(RegisterGsmFiles(program));
    EXPECT_EQ(Default(".gsm"), std::string(519, 'x'));
    SetDefault(".gsm", std::string(520, 'x'));
    ASSERT_TRUE(RegisterGsmFiles(program));
    EXPECT_EQ(Default(".gsm"), "Echolet.File");
    {
        registry::TRegistry reg(THive::HKCR);
        ASSERT_TRUE(reg.OpenKey("\\.gsm", false));
        reg.WriteInteger("", 7);
    }
    ASSERT_TRUE(RegisterGsmFiles(program));
    EXPECT_EQ(Default(".gsm"), "Echolet.File");
}

TEST_F(AssociationTest, AHandlerTheDesktopHasChosenStays) {
    const std::string system = std::getenv("XDG_DATA_DIRS");
    std::filesystem::create_directories(system + "/applications");
    testkit::WriteFile(system + "/applications/player.desktop",
                       "[Desktop Entry]\nType=Application\nName=Player\nExec=/bin/true %f\nMimeType=audio/x-gsm;\n");
    const std::string config = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::create_directories(config);
    testkit::WriteFile(config + "/mimeapps.list", "[Default Applications]\naudio/x-gsm=player.desktop\n");
    ASSERT_TRUE(RegisterGsmFiles(program));
    EXPECT_EQ(Default(".gsm"), "Echolet.File");
    EXPECT_EQ(QueryDefault(), "player.desktop");
    EXPECT_EQ(MimeApps(), "[Default Applications]\naudio/x-gsm=player.desktop\n");
    // Echolet is there to choose.
    EXPECT_NE(Entry().find("MimeType=audio/x-gsm;"), std::string::npos);

    // A choice whose handler is gone is no choice.
    std::filesystem::remove(system + "/applications/player.desktop");
    ASSERT_TRUE(RegisterGsmFiles(program));
    EXPECT_EQ(QueryDefault(), "pellow-echolet-file.desktop");
}

TEST_F(AssociationTest, EveryStartWritesAgainAndTheDesktopFollowsAMovedProgram) {
    ASSERT_TRUE(RegisterGsmFiles(program));
    const std::string moved = home.Path() + "/Other Tools/echolet";
    std::filesystem::create_directories(home.Path() + "/Other Tools");
    testkit::WriteFile(moved, "");
    ASSERT_TRUE(RegisterGsmFiles(moved));
    EXPECT_EQ(Default("Echolet.File\\shell\\open\\command"), moved + " \"%1\"");
    EXPECT_NE(Entry().find("Exec=\"" + moved + "\" %f\n"), std::string::npos) << Entry();
}

TEST_F(AssociationTest, AFailedWriteEndsTheRegistrationThere) {
    // The hive turns read-only once the first value is written.
    const std::string hive = registry::HivePath(THive::HKCR);
    const int hook = registry::AddChangeHook([&](const registry::TRegChange& c) {
        if (c.Kind == registry::TRegChange::ValueWritten && c.Key == "Echolet.File") ::chmod(hive.c_str(), 0444);
    });
    EXPECT_FALSE(RegisterGsmFiles(program));
    registry::RemoveChangeHook(hook);
    EXPECT_EQ(Default("Echolet.File"), "Gsm-Audio");
    EXPECT_EQ(Default("Echolet.File\\shell\\open\\command"), "<no key>");
    EXPECT_EQ(Default(".gsm"), "<no key>");
    // With the hive read-only from the start, nothing at all.
    testkit::TempHome other;
    std::filesystem::create_directories(other.Path() + "/registry");
    testkit::WriteFile(registry::HivePath(THive::HKCR), "REGEDIT4\n\n");
    ::chmod(registry::HivePath(THive::HKCR).c_str(), 0444);
    EXPECT_FALSE(RegisterGsmFiles(program));
    EXPECT_EQ(Default("Echolet.File"), "<no key>");
}

}  // namespace
}  // namespace echolet
