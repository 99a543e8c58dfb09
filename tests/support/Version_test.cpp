#include "support/Version.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QtGlobal>
#include <cstdlib>
#include <optional>
#include <vector>

#include "platform/GuiVersion.h"
#include "platform/Process.h"
#include "testkit/TestKit.h"

namespace {

constexpr uint32_t V(uint32_t major, uint32_t minor) { return major * 65536 + minor; }

const char* const kMessage = "The program needs COMCTL32.DLL in version 4.70 or higher.";

// Runs the check against an injected library version and keeps what it did.
class VersionCheck : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = process::SetHaltHandler([this](int code) { halts_.push_back(code); });
    }
    void TearDown() override {
        process::SetHaltHandler(previous_);
        guiversion::SetVersionForTest(std::nullopt);
    }
    void CheckWith(std::optional<uint32_t> version) {
        guiversion::SetVersionForTest(version);
        CheckComCtlVersion();
    }

    testkit::ScopedScriptedUi ui_;
    std::vector<int> halts_;
    std::function<void(int)> previous_;
};

TEST_F(VersionCheck, RefusesOlderThan471WithTheBoxAndExitCode0) {
    for (uint32_t version : {V(4, 70), V(4, 0), V(3, 99), 0u}) {
        ui_->ClearPrompts();
        halts_.clear();
        CheckWith(version);
        const auto prompts = ui_->Prompts();
        ASSERT_EQ(prompts.size(), 1u) << version;
        EXPECT_EQ(prompts[0].kind, "error");
        EXPECT_EQ(prompts[0].caption, "Error");
        EXPECT_EQ(prompts[0].text, kMessage);
        EXPECT_EQ(prompts[0].buttons, std::vector<std::string>{"OK"});
        EXPECT_EQ(halts_, std::vector<int>{0}) << version;
    }
}

TEST_F(VersionCheck, Lets471AndLaterThrough) {
    for (uint32_t version : {V(4, 71), V(4, 72), V(5, 0), V(6, 4), ComCtlVersionNeeded}) {
        CheckWith(version);
        EXPECT_TRUE(ui_->Prompts().empty()) << version;
        EXPECT_TRUE(halts_.empty()) << version;
    }
}

TEST_F(VersionCheck, TheRunningQtPasses) {
    CheckWith(std::nullopt);
    EXPECT_TRUE(ui_->Prompts().empty());
    EXPECT_TRUE(halts_.empty());
}

struct ParseCase {
    const char* text;
    uint32_t expected;
};

TEST(GuiVersion, ParsesMajorAndMinor) {
    const ParseCase cases[] = {
        {"6.4.2", V(6, 4)},         {"4.70", V(4, 70)},      {"4.71", 0x40047},        {"4.72", V(4, 72)},
        {"5.15.10", V(5, 15)},      {"6.10", V(6, 10)},      {"65535.65535", 0xFFFFFFFF},
        {"6.4.2-rc1", V(6, 4)},     {"0.0", 0},              {"", 0},                  {"6", 0},
        {"6.", 0},                  {".4", 0},               {"a.b", 0},               {"6.4x", 0},
        {" 6.4", 0},                {"65536.0", 0},          {"6.65536", 0},           {"-6.4", 0},
        {"99999999999999999999.1", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(guiversion::ParseVersion(c.text), c.expected) << '"' << c.text << '"';
}

TEST(GuiVersion, AsksTheRunningLibrary) {
    guiversion::SetVersionForTest(std::nullopt);
    EXPECT_EQ(guiversion::GuiLibraryVersion(), guiversion::ParseVersion(qVersion()));
    EXPECT_EQ(guiversion::GuiLibraryVersion() >> 16, static_cast<uint32_t>(QT_VERSION_MAJOR));
}

TEST(GuiVersion, TheEnvironmentStandsInForTheLibrary) {
    setenv("PELLOW_GUI_VERSION", "4.70", 1);
    guiversion::SetVersionForTest(std::nullopt);
    EXPECT_EQ(guiversion::GuiLibraryVersion(), V(4, 70));
    setenv("PELLOW_GUI_VERSION", "no version", 1);
    guiversion::SetVersionForTest(std::nullopt);
    EXPECT_EQ(guiversion::GuiLibraryVersion(), 0u);
    unsetenv("PELLOW_GUI_VERSION");
    guiversion::SetVersionForTest(std::nullopt);
    EXPECT_EQ(guiversion::GuiLibraryVersion(), guiversion::ParseVersion(qVersion()));
}

TEST(GuiVersion, KeepsTheFirstAnswerForTheRun) {
    guiversion::SetVersionForTest(std::nullopt);
    const uint32_t first = guiversion::GuiLibraryVersion();
    setenv("PELLOW_GUI_VERSION", "4.70", 1);
    EXPECT_EQ(guiversion::GuiLibraryVersion(), first);
    unsetenv("PELLOW_GUI_VERSION");
}

// The check inside a whole program: the box goes to the UI log, nothing is
// shown, and the process ends with code 0 before it gets any further.
struct FixtureRun {
    int exitCode;
    QByteArray output;
    std::string uiLog;
};

FixtureRun RunFixture(const char* version) {
    testkit::TempHome home;
    const std::string log = home.Path() + "/ui.log";
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PELLOW_GUI_VERSION", version);
    env.insert("PELLOW_UI_LOG", QString::fromStdString(log));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(env);
    process.start(QString::fromStdString(testkit::BinDir() + "/version_check_fixture"), {});
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    return {process.exitCode(), process.readAllStandardOutput(), testkit::ReadFile(log)};
}

TEST(VersionCheckProcess, Version470EndsTheProgramWithCode0) {
    for (const char* version : {"4.70", "0"}) {
        const FixtureRun run = RunFixture(version);
        EXPECT_EQ(run.exitCode, 0) << version;
        EXPECT_FALSE(run.output.contains("started")) << version;
        EXPECT_EQ(run.uiLog, std::string("error\tError\t") + kMessage + "\n") << version;
    }
}

TEST(VersionCheckProcess, Version471And472Start) {
    for (const char* version : {"4.71", "4.72"}) {
        const FixtureRun run = RunFixture(version);
        EXPECT_EQ(run.exitCode, 3) << version;
        EXPECT_TRUE(run.output.contains("started")) << version;
        EXPECT_EQ(run.uiLog, "") << version;
    }
}

}  // namespace
