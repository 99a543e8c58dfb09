#include "platform/Shell.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/App.h"
#include "testkit/TestKit.h"

namespace {

using Args = std::vector<std::string>;

struct SplitCase {
    const char* parameters;
    Args expected;
};

TEST(SplitParameters, FollowsTheCommandLineRules) {
    const SplitCase cases[] = {
        {"", {}},
        {"   ", {}},
        {"/TEMP", {"/TEMP"}},
        {"\"/tmp/my fax.TIF\" /TEMP", {"/tmp/my fax.TIF", "/TEMP"}},
        {"  a   b\tc ", {"a", "b", "c"}},
        {"\"\"", {""}},
        {"a \"\" b", {"a", "", "b"}},
        {"ab\"c d\"e", {"abc de"}},
        {"a\\\"b", {"a\"b"}},
        {"\"a\"\"b\"", {"a\"b"}},
        {"a\\\\b", {"a\\\\b"}},
        {"a\\\\\\\\\"b c\"", {"a\\\\b c"}},
        {"\"a\\\\\" b", {"a\\", "b"}},
        {"\"open end", {"open end"}},
        {"tail\\", {"tail\\"}},
        {"\"Grüße/Fax 1.tif\"", {"Grüße/Fax 1.tif"}},
    };
    for (const auto& c : cases) EXPECT_EQ(shell::SplitParameters(c.parameters), c.expected) << c.parameters;
}

TEST(SiblingProgram, LivesBesideTheRunningProgramWithoutExe) {
    const std::string folder = app::ProgramFolder();
    EXPECT_EQ(shell::SiblingProgram("leafor.exe"), folder + "/leafor");
    EXPECT_EQ(shell::SiblingProgram("Echolet.EXE"), folder + "/Echolet");
    EXPECT_EQ(shell::SiblingProgram("pellow"), folder + "/pellow");
}

// Records what reaches the operating system instead of doing it.
class RecordingLauncher : public shell::Launcher {
public:
    struct Call {
        std::string kind;
        std::string target;
        Args args;
        std::string directory;
    };
    explicit RecordingLauncher(std::vector<Call>& calls, int answer) : calls_(calls), answer_(answer) {}
    int OpenWithDefault(const std::string& Target) override {
        calls_.push_back({"open", Target, {}, {}});
        return answer_;
    }
    int StartProgram(const std::string& Program, const Args& Arguments, const std::string& Directory) override {
        calls_.push_back({"start", Program, Arguments, Directory});
        return answer_;
    }

private:
    std::vector<Call>& calls_;
    int answer_;
};

void MakeFile(const std::string& path, const std::string& text, bool executable) {
    testkit::WriteFile(path, text);
    chmod(path.c_str(), executable ? 0755 : 0644);
}

using testkit::ScopedEnv;

class ShellDispatch : public ::testing::Test {
protected:
    void SetUp() override { previous_ = shell::InstallLauncher(std::make_unique<RecordingLauncher>(calls_, 42)); }
    void TearDown() override { shell::InstallLauncher(std::move(previous_)); }

    testkit::TempHome home_;
    std::vector<RecordingLauncher::Call> calls_;
    std::unique_ptr<shell::Launcher> previous_;
};

TEST_F(ShellDispatch, UrlsGoToTheDefaultHandler) {
    for (const char* url : {"https://pellow.example.org/", "mailto:bugs@pellow.example.org", "http://x/y:z"}) {
        calls_.clear();
        EXPECT_EQ(shell::Execute(url), shell::Started);
        ASSERT_EQ(calls_.size(), 1u) << url;
        EXPECT_EQ(calls_[0].kind, "open");
        EXPECT_EQ(calls_[0].target, url);
    }
}

TEST_F(ShellDispatch, AnExecutableIsStartedWithItsArguments) {
    const std::string program = home_.Path() + "/viewer";
    MakeFile(program, "#!/bin/sh\n", true);
    EXPECT_EQ(shell::Execute(program, "\"" + home_.Path() + "/TMP1A2B.TIF\" /TEMP", "/tmp"), shell::Started);
    ASSERT_EQ(calls_.size(), 1u);
    EXPECT_EQ(calls_[0].kind, "start");
    EXPECT_EQ(calls_[0].target, program);
    EXPECT_EQ(calls_[0].args, (Args{home_.Path() + "/TMP1A2B.TIF", "/TEMP"}));
    EXPECT_EQ(calls_[0].directory, "/tmp");
}

TEST_F(ShellDispatch, TheExeNameOfAProgramFindsTheProgram) {
    MakeFile(home_.Path() + "/leafor", "#!/bin/sh\n", true);
    EXPECT_EQ(shell::Execute(home_.Path() + "/leafor.exe", "/TEMP"), shell::Started);
    ASSERT_EQ(calls_.size(), 1u);
    EXPECT_EQ(calls_[0].target, home_.Path() + "/leafor");
}

TEST_F(ShellDispatch, DocumentsAndFoldersAreOpened) {
    const std::string doc = home_.Path() + "/fax.tif";
    MakeFile(doc, "II*\0", false);
    EXPECT_EQ(shell::Execute(doc, "ignored"), shell::Started);
    EXPECT_EQ(shell::Execute(home_.Path()), shell::Started);
    ASSERT_EQ(calls_.size(), 2u);
    EXPECT_EQ(calls_[0].kind, "open");
    EXPECT_EQ(calls_[0].target, doc);
    EXPECT_EQ(calls_[1].kind, "open");
    EXPECT_EQ(calls_[1].target, home_.Path());
}

TEST_F(ShellDispatch, NotepadOpensTheFileInTheTextEditor) {
    EXPECT_EQ(shell::Execute("notepad.exe", "\"/home/me/my Pellow.log\""), shell::Started);
    EXPECT_EQ(shell::Execute("NOTEPAD.EXE", "/home/me/Pellow.log"), shell::Started);
    ASSERT_EQ(calls_.size(), 2u);
    EXPECT_EQ(calls_[0].kind, "open");
    EXPECT_EQ(calls_[0].target, "/home/me/my Pellow.log");
    EXPECT_EQ(calls_[1].target, "/home/me/Pellow.log");
    EXPECT_EQ(shell::Execute("notepad.exe", ""), shell::ErrNoAssociation);
    EXPECT_EQ(calls_.size(), 2u);
}

TEST_F(ShellDispatch, MissingFilesAndFoldersAreReportedWithoutStarting) {
    EXPECT_EQ(shell::Execute(home_.Path() + "/leafor.exe", "/TEMP"), shell::ErrFileNotFound);
    EXPECT_EQ(shell::Execute(home_.Path() + "/no/such/leafor", "/TEMP"), shell::ErrPathNotFound);
    EXPECT_EQ(shell::Execute(""), shell::ErrFileNotFound);
    EXPECT_TRUE(calls_.empty());
}

TEST_F(ShellDispatch, ProgramsByNameComeFromPath) {
    const std::string bin = home_.Path() + "/bin";
    std::filesystem::create_directories(bin);
    MakeFile(bin + "/kodakimg", "#!/bin/sh\n", true);
    MakeFile(bin + "/notexec", "#!/bin/sh\n", false);
    ScopedEnv path("PATH", bin);
    EXPECT_EQ(shell::Execute("WANGIMG.EXE", "\"/tmp/f.TIF\" /TEMP"), shell::ErrFileNotFound);
    EXPECT_EQ(shell::Execute("notexec"), shell::ErrFileNotFound);
    EXPECT_TRUE(calls_.empty());
    EXPECT_EQ(shell::Execute("kodakimg.EXE", "\"/tmp/f.TIF\" /TEMP"), shell::Started);
    ASSERT_EQ(calls_.size(), 1u);
    EXPECT_EQ(calls_[0].kind, "start");
    EXPECT_EQ(calls_[0].target, bin + "/kodakimg");
    EXPECT_EQ(calls_[0].args, (Args{"/tmp/f.TIF", "/TEMP"}));
}

TEST_F(ShellDispatch, TheLaunchersAnswerIsPassedOn) {
    shell::InstallLauncher(std::make_unique<RecordingLauncher>(calls_, shell::ErrNoAssociation));
    EXPECT_EQ(shell::Execute("mailto:bugs@pellow.example.org"), shell::ErrNoAssociation);
}

// The real launcher, with little programs of the test standing in for the
// started program and for xdg-open.
class DesktopLauncher : public ::testing::Test {
protected:
    void SetUp() override { previous_ = shell::InstallLauncher(shell::MakeDesktopLauncher()); }
    void TearDown() override { shell::InstallLauncher(std::move(previous_)); }

    // A script that writes its working folder and its arguments, one a line, to Out.
    std::string Recorder(const std::string& name, const std::string& out) {
        const std::string path = home_.Path() + "/" + name;
        MakeFile(path, "#!/bin/sh\npwd > '" + out + ".part'\nprintf '%s\\n' \"$@\" >> '" + out + ".part'\nmv '" + out +
                           ".part' '" + out + "'\n",
                 true);
        return path;
    }

    static std::string WaitFor(const std::string& path) {
        for (int i = 0; i < 500 && !std::filesystem::exists(path); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return testkit::ReadFile(path);
    }

    testkit::TempHome home_;
    std::unique_ptr<shell::Launcher> previous_;
};

TEST_F(DesktopLauncher, StartsAProgramWithArgumentsNeverThroughAShell) {
    const std::string out = home_.Path() + "/args.txt";
    const std::string program = Recorder("viewer", out);
    const std::string work = home_.Path() + "/work";
    std::filesystem::create_directories(work);
    const std::string params = "\"" + home_.Path() + "/a b;$(touch " + home_.Path() + "/pwned).TIF\" /TEMP";
    EXPECT_EQ(shell::Execute(program, params, work), shell::Started);
    EXPECT_EQ(WaitFor(out), work + "\n" + home_.Path() + "/a b;$(touch " + home_.Path() + "/pwned).TIF\n/TEMP\n");
    EXPECT_FALSE(std::filesystem::exists(home_.Path() + "/pwned"));
}

TEST_F(DesktopLauncher, OpensWithXdgOpenFromPath) {
    const std::string out = home_.Path() + "/opened.txt";
    Recorder("xdg-open", out);
    ScopedEnv path("PATH", home_.Path() + ":/usr/bin:/bin");
    EXPECT_EQ(shell::Execute("https://pellow.example.org/"), shell::Started);
    const std::string seen = WaitFor(out);
    EXPECT_NE(seen.find("\nhttps://pellow.example.org/\n"), std::string::npos) << seen;
}

TEST_F(DesktopLauncher, WithoutADefaultHandlerNothingOpens) {
    ScopedEnv path("PATH", home_.Path());
    EXPECT_EQ(shell::Execute("mailto:bugs@pellow.example.org"), shell::ErrNoAssociation);
}

TEST_F(DesktopLauncher, AMissingWorkingFolderIsAPathError) {
    const std::string program = Recorder("viewer", home_.Path() + "/never.txt");
    EXPECT_EQ(shell::Execute(program, "", home_.Path() + "/gone"), shell::ErrPathNotFound);
}

TEST_F(DesktopLauncher, AFileThatCannotRunIsReported) {
    const std::string broken = home_.Path() + "/broken";
    MakeFile(broken, "#!" + home_.Path() + "/no-interpreter\n", true);
    EXPECT_EQ(shell::Execute(broken), shell::ErrBadFormat);
}

}  // namespace
