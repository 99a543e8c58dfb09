// Whole-program runs of murmel: the start that cannot reach the desktop, the
// class registration of a normal start, a served start, the profile of a
// renamed program, and the end by SIGTERM.
#include <gtest/gtest.h>

#include <QProcess>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/Registry.h"
#include "testkit/TestKit.h"

namespace {

const char* const kClass = "\\CLSID\\{C627EA05-AF22-422C-BE30-8F669F0282BE}";

class MurmelRun {
public:
    MurmelRun(const std::string& program, const QStringList& args, const QProcessEnvironment& env) {
        process_.setProcessEnvironment(env);
        process_.start(QString::fromStdString(program), args);
        EXPECT_TRUE(process_.waitForStarted(10000));
    }
    ~MurmelRun() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    // The exit code, -1 while it runs after Ms.
    int Wait(int ms) {
        if (!process_.waitForFinished(ms)) return -1;
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : 128;
    }
    void Terminate() { process_.terminate(); }

private:
    QProcess process_;
};

QProcessEnvironment Env(const std::string& log) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PELLOW_UI_LOG", QString::fromStdString(log));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

// Waits until Key has the value Name ("" the default value).
bool WaitForValue(registry::THive hive, const std::string& key, const std::string& name = "Path") {
    for (int i = 0; i < 200; ++i) {
        registry::TRegistry reg(hive);
        if (reg.OpenKeyReadOnly(key) && reg.ValueExists(name)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

class MurmelProgram : public ::testing::Test {
protected:
    testkit::TempHome home;
    const std::string program = testkit::BinDir() + "/murmel";
    const std::string log = home.Path() + "/ui.log";
};

TEST_F(MurmelProgram, WithoutADisplayItSaysSoAndEnds) {
    QProcessEnvironment env = Env(log);
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    MurmelRun run(program, {}, env);
    EXPECT_EQ(run.Wait(20000), 0);
    EXPECT_EQ(testkit::ReadFile(log), "message\tMurmel\tError on initiaizing OLE.\n");
    EXPECT_FALSE(std::filesystem::exists(registry::HivePath(registry::THive::HKCR)));
}

TEST_F(MurmelProgram, ANormalStartRegistersTheClassAndTheInstallPath) {
    MurmelRun run(program, {}, Env(log));
    ASSERT_TRUE(WaitForValue(registry::THive::HKCR, std::string(kClass) + "\\LocalServer32", ""));
    ASSERT_TRUE(WaitForValue(registry::THive::HKCU, "\\Software\\Hollin\\Murmel\\Install"));
    registry::TRegistry reg(registry::THive::HKCR);
    ASSERT_TRUE(reg.OpenKeyReadOnly(std::string(kClass) + "\\LocalServer32"));
    EXPECT_EQ(reg.ReadString(""), program);
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Murmel.Application\\CLSID"));
    EXPECT_EQ(reg.ReadString(""), "{C627EA05-AF22-422C-BE30-8F669F0282BE}");
    registry::TRegistry user;
    ASSERT_TRUE(user.OpenKeyReadOnly("\\Software\\Hollin\\Murmel\\Install"));
    EXPECT_EQ(user.ReadString("Path"), testkit::BinDir());
    EXPECT_EQ(run.Wait(300), -1) << "it runs until it is closed";
    run.Terminate();
    EXPECT_EQ(run.Wait(10000), 0);
}

TEST_F(MurmelProgram, AServedStartLeavesTheRegistrationAlone) {
    for (const char* flag : {"-Embedding", "/automation"}) {
        MurmelRun run(program, {flag}, Env(log));
        ASSERT_TRUE(WaitForValue(registry::THive::HKCU, "\\Software\\Hollin\\Murmel\\Install")) << flag;
        EXPECT_EQ(run.Wait(300), -1) << flag;
        run.Terminate();
        EXPECT_EQ(run.Wait(10000), 0) << flag;
        EXPECT_FALSE(registry::TRegistry(registry::THive::HKCR).KeyExists(kClass)) << flag;
    }
}

TEST_F(MurmelProgram, ARenamedProgramHasAProfileOfItsOwn) {
    const std::string renamed = home.Path() + "/murmel2";
    std::filesystem::copy_file(program, renamed);
    MurmelRun run(renamed, {}, Env(log));
    ASSERT_TRUE(WaitForValue(registry::THive::HKCU, "\\Software\\Hollin\\Murmel2\\Install"));
    registry::TRegistry user;
    ASSERT_TRUE(user.OpenKeyReadOnly("\\Software\\Hollin\\Murmel2\\Install"));
    EXPECT_EQ(user.ReadString("Path"), home.Path());
    EXPECT_FALSE(user.KeyExists("\\Software\\Hollin\\Murmel\\Install"));
    run.Terminate();
    EXPECT_EQ(run.Wait(10000), 0);
}

}  // namespace
