#include "platform/App.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "testkit/TestKit.h"

namespace {

// The three locale variables as a test sets them, restored afterwards.
class ScopedLocale {
public:
    ScopedLocale(const char* all, const char* messages, const char* lang) {
        Set(0, "LC_ALL", all);
        Set(1, "LC_MESSAGES", messages);
        Set(2, "LANG", lang);
    }
    ~ScopedLocale() {
        for (const auto& s : saved_) {
            if (s.value) setenv(s.name, s.value->c_str(), 1);
            else unsetenv(s.name);
        }
    }
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

private:
    struct Saved {
        const char* name = nullptr;
        std::optional<std::string> value;
    };
    void Set(int i, const char* name, const char* value) {
        saved_[i].name = name;
        if (const char* v = std::getenv(name)) saved_[i].value = v;
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    Saved saved_[3];
};

struct LanguageCase {
    const char* all;
    const char* messages;
    const char* lang;
    int id;
};

TEST(LibraryPath, WindowsLibraryNamesBecomeSharedObjectsBesideTheProgram) {
    const std::string dir = app::ProgramFolder();
    const struct {
        const char* name;
        std::string path;
    } cases[] = {{"IMGEDIT.OCX", dir + "/IMGEDIT.so"}, {"imgedit.ocx", dir + "/imgedit.so"},
                 {"QelKbMon.dll", dir + "/QelKbMon.so"}, {"x.ocx.dll", dir + "/x.ocx.so"},
                 {"NAME", dir + "/NAME.so"}, {"/opt/IMGEDIT.OCX", "/opt/IMGEDIT.OCX"}};
    for (const auto& c : cases) EXPECT_EQ(app::LibraryPath(c.name), c.path) << c.name;
}

}  // namespace

TEST(App, PrimaryLanguageIdFromTheFirstLocaleVariableSet) {
    const LanguageCase cases[] = {
        {"de_DE.UTF-8", "en_US", "fr_FR", 7}, {nullptr, "es_ES@euro", "de_DE", 10},
        {nullptr, nullptr, "fr_CA.UTF-8", 12}, {nullptr, nullptr, "it", 16},
        {nullptr, nullptr, "pt_BR.UTF-8", 22}, {nullptr, nullptr, "en_GB", 9},
        {nullptr, nullptr, "sv_SE", 29},      {nullptr, nullptr, "nb_NO", 20},
        {"", "", "de_AT", 7},                  {"C", nullptr, "de_DE", 9},
        {nullptr, nullptr, "xx_YY", 9},        {nullptr, nullptr, nullptr, 9},
    };
    for (const auto& c : cases) {
        ScopedLocale locale(c.all, c.messages, c.lang);
        EXPECT_EQ(app::PrimaryLanguageId(), c.id)
            << (c.all ? c.all : "-") << " " << (c.messages ? c.messages : "-") << " " << (c.lang ? c.lang : "-");
    }
}

TEST(App, ExceptionTextGetsAFullStopAfterALetterOrDigit) {
    const std::pair<const char*, const char*> cases[] = {
        {"Disk full", "Disk full."},   {"Line 5", "Line 5."},       {"Done.", "Done."},
        {"Stop!", "Stop!"},            {"(none)", "(none)"},        {"\"AT\"", "\"AT\""},
        {"What?", "What?."},           {"", ""},
    };
    for (const auto& [message, shown] : cases) EXPECT_EQ(app::ExceptionText(Exception(message)), shown) << message;
}

TEST(App, GuardedShowsWhatTheBodyRaisesAndReturns) {
    testkit::ScopedScriptedUi ui;
    app::SetTitle("Leafor");
    bool ran = false;
    app::Guarded([&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_TRUE(ui->Prompts().empty());
    app::Guarded([] { throw ERangeError(); });
    app::Guarded([] { throw 42; });
    const auto p = ui->Prompts();
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0].kind, "error");
    EXPECT_EQ(p[0].caption, "Leafor");
    EXPECT_EQ(p[0].text, "Range check error.");
    EXPECT_EQ(p[0].buttons, (std::vector<std::string>{"OK"}));
    EXPECT_EQ(p[1].text, "Unknown exception.");
    EXPECT_EQ(app::Title(), "Leafor");
}

TEST(App, ProcessMessagesWithoutAnApplicationOnlyCounts) {
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    const auto before = app::PumpCount();
    app::ProcessMessages();
    app::ProcessMessages();
    EXPECT_EQ(app::PumpCount(), before + 2);
}

TEST(App, LibrariesAndTheirEntries) {
    EXPECT_EQ(app::LoadLibrary("/nonexistent/libnothing.so"), nullptr);
    EXPECT_EQ(app::GetProcAddress(nullptr, "cos"), nullptr);
    app::FreeLibrary(nullptr);
    void* m = app::LoadLibrary("libm.so.6");
    ASSERT_NE(m, nullptr);
    EXPECT_NE(app::GetProcAddress(m, "cos"), nullptr);
    EXPECT_EQ(app::GetProcAddress(m, "no_such_entry_here"), nullptr);
    app::FreeLibrary(m);
}

TEST(App, SystemAndProgramFolder) {
    EXPECT_EQ(app::SystemName(), "Linux");
    EXPECT_FALSE(app::SystemRelease().empty());
    const std::string folder = app::ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '/');
    EXPECT_TRUE(files::FileExists(folder + "/test_platform_App_test"));
}

TEST(App, AnOverriddenProgramFolderServesUntilCleared) {
    const std::string real = app::ProgramFolder();
    app::OverrideProgramFolder("/opt/murmel-test");
    EXPECT_EQ(app::ProgramFolder(), "/opt/murmel-test");
    EXPECT_EQ(app::ProgramFile(), real + "/test_platform_App_test") << "the program file stays the real one";
    app::OverrideProgramFolder("");
    EXPECT_EQ(app::ProgramFolder(), real);
}
