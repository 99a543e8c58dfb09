// Whole-program runs of echolet: the registration at its start, the file of
// its command line played before the dialog, the close by SIGTERM, and the
// silent end when HKCR cannot be written.
#include <sys/stat.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "testkit/TestKit.h"

namespace {

class EcholetRun : public ::testing::Test {
protected:
    void Start(const QStringList& Args) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PELLOW_UI_LOG", QString::fromStdString(home.Path() + "/ui.log"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("PELLOW_AUDIO_DEVICE", "null");
        process.setProcessEnvironment(env);
        process.setProgram(QString::fromStdString(program));
        process.setArguments(Args);
        process.start();
        ASSERT_TRUE(process.waitForStarted(10000));
        started = std::chrono::steady_clock::now();
    }
    double Seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    }
    std::string Hkcr() const { return testkit::ReadFile(home.Path() + "/registry/HKCR.reg"); }

    testkit::TempHome home;
    const std::string program = testkit::BinDir() + "/echolet";
    QProcess process;
    std::chrono::steady_clock::time_point started;
};

TEST_F(EcholetRun, RegistersPlaysTheCommandLineAndClosesOnSigterm) {
    // A second of GSM frames (any 33 bytes decode to some sound).
    std::string frames;
    for (int f = 0; f < 50; ++f) frames += std::string("\xD8\x20\xA2\xE1\x5A\x50\x00\x49\x24\x92\x49\x24\x50\x00\x49"
                                                        "\x24\x92\x49\x24\x50\x00\x49\x24\x92\x49\x24\x50\x00\x49\x24"
                                                        "\x92\x49\x24",
                                                        33);
    const std::string file = home.Path() + "/My Files/hello.gsm";
    std::filesystem::create_directories(home.Path() + "/My Files");
    testkit::WriteFile(file, frames + "\x10\x03");
    Start({QString::fromStdString(file)});
    // Still there after the sound: the dialog is up.
    EXPECT_FALSE(process.waitForFinished(2500));
    const std::string hkcr = Hkcr();
    EXPECT_NE(hkcr.find("[HKEY_CLASSES_ROOT\\.gsm]\n@=\"Echolet.File\""), std::string::npos) << hkcr;
    EXPECT_NE(hkcr.find("@=\"" + program + " \\\"%1\\\"\""), std::string::npos) << hkcr;
    const std::string entry =
        testkit::ReadFile(std::string(std::getenv("XDG_DATA_HOME")) + "/applications/pellow-echolet-file.desktop");
    EXPECT_NE(entry.find("Exec=\"" + program + "\" %f"), std::string::npos) << entry;
    process.terminate();
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_EQ(testkit::ReadFile(home.Path() + "/ui.log"), "");
}

TEST_F(EcholetRun, AnUnwritableHkcrEndsTheProgramAtOnceWithoutAWord) {
    std::filesystem::create_directories(home.Path() + "/registry");
    testkit::WriteFile(home.Path() + "/registry/HKCR.reg", "REGEDIT4\n\n");
    ::chmod((home.Path() + "/registry/HKCR.reg").c_str(), 0444);
    Start({});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_LT(Seconds(), 5.0);
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_EQ(testkit::ReadFile(home.Path() + "/ui.log"), "");
    EXPECT_EQ(Hkcr(), "REGEDIT4\n\n");
}

}  // namespace
