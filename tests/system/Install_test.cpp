// The build installed into a fresh prefix, as `cmake --install` puts it for
// a user, and each installed program started from there without a display:
// the programs, the imaging library and Murmel's help page in the programs'
// own folder with links in bin/, a desktop entry and icons for each program,
// the MIME type of .gsm files.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <filesystem>
#include <string>

#include "platform/Registry.h"
#include "testkit/TestKit.h"

namespace {

namespace fs = std::filesystem;

const char* const kPrograms[] = {"pellow", "leafor", "murmel", "echolet"};

class Installed : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string pattern = fs::temp_directory_path().string() + "/pellow-prefix-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        prefix_ = new std::string(pattern + "/usr local");  // a prefix with a blank in it
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start("cmake", {"--install", QString::fromStdString(fs::path(testkit::BinDir()).parent_path().string()),
                                "--prefix", QString::fromStdString(*prefix_)});
        ASSERT_TRUE(install.waitForFinished(120000));
        output_ = new std::string(install.readAll().toStdString());
        ASSERT_EQ(install.exitCode(), 0) << *output_;
    }
    static void TearDownTestSuite() {
        if (prefix_) fs::remove_all(fs::path(*prefix_).parent_path());
        delete prefix_;
        delete output_;
        prefix_ = output_ = nullptr;
    }

    static std::string Prefix() { return *prefix_; }
    static std::string ProgramDir() { return Prefix() + "/lib/pellow"; }

    // Runs Program of bin/ with Args until it ends by itself (Ms) or, with
    // Until, until Until holds and then a SIGTERM ends it. The exit code.
    int Run(const std::string& Program, const QStringList& Args, const std::function<bool()>& Until = {},
            const QString& GuiVersion = "") {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PELLOW_UI_LOG", QString::fromStdString(UiLog()));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("PELLOW_AUDIO_DEVICE", "null");
        if (!GuiVersion.isEmpty()) env.insert("PELLOW_GUI_VERSION", GuiVersion);
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QString::fromStdString(Prefix() + "/bin/" + Program), Args);
        EXPECT_TRUE(p.waitForStarted(10000)) << Program;
        if (Until) {
            EXPECT_TRUE(testkit::WaitFor(Until, 30)) << Program;
            // Up long enough to have its window and its handler of SIGTERM.
            EXPECT_FALSE(p.waitForFinished(1500)) << Program << " ended before it was asked to";
            p.terminate();
        }
        if (!p.waitForFinished(30000)) {
            p.kill();
            p.waitForFinished(5000);
            return -1;
        }
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : 128;
    }
    std::string UiLog() const { return home.Path() + "/ui.log"; }
    static std::string Read(const registry::THive Hive, const std::string& Key, const std::string& Name) {
        registry::TRegistry reg(Hive);
        return reg.OpenKeyReadOnly(Key) && reg.ValueExists(Name) ? reg.ReadString(Name) : std::string();
    }

    testkit::TempHome home;

private:
    static std::string* prefix_;
    static std::string* output_;
};

std::string* Installed::prefix_ = nullptr;
std::string* Installed::output_ = nullptr;

TEST_F(Installed, EachFileIsInItsPlace) {
    for (const std::string p : kPrograms) {
        SCOPED_TRACE(p);
        const fs::path link = Prefix() + "/bin/" + p;
        ASSERT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(fs::read_symlink(link), fs::path("../lib/pellow/" + p));
        EXPECT_TRUE(fs::is_regular_file(ProgramDir() + "/" + p));
        EXPECT_NE(fs::status(ProgramDir() + "/" + p).permissions() & fs::perms::owner_exec, fs::perms::none);
        const std::string entry = testkit::ReadFile(Prefix() + "/share/applications/" + p + ".desktop");
        EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u) << entry;
        EXPECT_NE(entry.find("\nType=Application\n"), std::string::npos) << entry;
        EXPECT_NE(entry.find("\nExec=" + p), std::string::npos) << entry;
        EXPECT_NE(entry.find("\nIcon=" + p + "\n"), std::string::npos) << entry;
        for (const int size : {16, 32, 48}) {
            const QImage icon(QString::fromStdString(Prefix() + "/share/icons/hicolor/" + std::to_string(size) + "x" +
                                                     std::to_string(size) + "/apps/" + p + ".png"));
            EXPECT_EQ(icon.size(), QSize(size, size)) << size;
            EXPECT_TRUE(icon.hasAlphaChannel()) << size;
        }
    }
    EXPECT_TRUE(fs::is_regular_file(ProgramDir() + "/IMGEDIT.so"));
    EXPECT_TRUE(fs::is_regular_file(ProgramDir() + "/Help/MurmelEn2.htm"));
    // Echolet opens the .gsm files it registers.
    EXPECT_NE(testkit::ReadFile(Prefix() + "/share/applications/echolet.desktop").find("\nMimeType=audio/x-gsm;\n"),
              std::string::npos);
    const std::string mime = testkit::ReadFile(Prefix() + "/share/mime/packages/pellow-audio-x-gsm.xml");
    EXPECT_NE(mime.find("<mime-type type=\"audio/x-gsm\">"), std::string::npos) << mime;
    EXPECT_NE(mime.find("<glob pattern=\"*.gsm\"/>"), std::string::npos) << mime;
    // Installed outside a package, the type is known at once.
    EXPECT_NE(testkit::ReadFile(Prefix() + "/share/mime/globs2").find("audio/x-gsm:*.gsm"), std::string::npos);
}

TEST_F(Installed, PellowChecksItsGuiLibraryAndItsCommandLine) {
    EXPECT_EQ(Run("pellow", {}, {}, "4.70"), 0);
    EXPECT_EQ(testkit::ReadFile(UiLog()), "error\tError\tThe program needs COMCTL32.DLL in version 4.70 or higher.\n");
    fs::remove(UiLog());
    EXPECT_EQ(Run("pellow", {"--no-such-option"}), 0);
    EXPECT_EQ(testkit::ReadFile(UiLog()),
              "error\tPellow\tIn the command line, there is an unkown parameter:\\n--no-such-option\n");
}

TEST_F(Installed, LeaforChecksItsGuiLibraryAndFindsItsImagingLibraryBesideItself) {
    EXPECT_EQ(Run("leafor", {}, {}, "4.70"), 0);
    EXPECT_EQ(testkit::ReadFile(UiLog()), "error\tError\tThe program needs COMCTL32.DLL in version 4.70 or higher.\n");
    fs::remove(UiLog());
    // Without the library beside it, it would say so and end at once; with
    // it, the window stays until it is closed, and saves its place then.
    EXPECT_EQ(Run("leafor", {}, [] { return true; }), 0);
    EXPECT_EQ(testkit::ReadFile(UiLog()), "");
    EXPECT_NE(testkit::ReadFile(home.Path() + "/registry/HKCU.reg").find("Version 0.50\\Viewer\\"), std::string::npos);
}

TEST_F(Installed, MurmelRegistersItsInstalledFolder) {
    const auto path = [] { return Read(registry::THive::HKCU, "\\Software\\Hollin\\Murmel\\Install", "Path"); };
    EXPECT_EQ(Run("murmel", {}, [&] { return path() != ""; }), 0);
    EXPECT_EQ(path(), ProgramDir());
}

TEST_F(Installed, EcholetRegistersGsmFilesWithItsInstalledPath) {
    const auto command = [] { return Read(registry::THive::HKCR, "\\Echolet.File\\shell\\open\\command", ""); };
    EXPECT_EQ(Run("echolet", {}, [&] { return command() != ""; }), 0);
    EXPECT_EQ(command(), ProgramDir() + "/echolet \"%1\"");
    EXPECT_EQ(testkit::ReadFile(UiLog()), "");
}

}  // namespace
