// The desktop's file associations as the registry's HKCR file types make
// them: the pure pieces (names, Exec lines, mimeapps.list) and the lookup of
// the handler the desktop has chosen, in a private XDG tree.
#include "platform/XdgMime.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "testkit/TestKit.h"

namespace xdgmime {
namespace {

using Args = std::vector<std::string>;

TEST(XdgMime, DesktopFileIdsOfFileTypes) {
    EXPECT_EQ(DesktopFileId("Echolet.File"), "pellow-echolet-file.desktop");
    EXPECT_EQ(DesktopFileId("My Type/2"), "pellow-my-type-2.desktop");
    EXPECT_EQ(DesktopFileId("a_b"), "pellow-a_b.desktop");
}

TEST(XdgMime, CommandsSplitAsTheShellTakesThem) {
    testkit::TempHome home;
    const std::string spaced = home.Path() + "/my tools/echolet";
    std::filesystem::create_directories(home.Path() + "/my tools");
    testkit::WriteFile(spaced, "");
    const struct {
        std::string command;
        Args parts;
    } cases[] = {
        {"/opt/tools/echolet \"%1\"", {"/opt/tools/echolet", "%1"}},
        {"\"/opt/my tools/echolet\" \"%1\" -x", {"/opt/my tools/echolet", "%1", "-x"}},
        // Without quotes, the longest run of words that names a file.
        {spaced + " \"%1\"", {spaced, "%1"}},
        {spaced, {spaced}},
        // Nothing there: the first word.
        {"/opt/no such/echolet \"%1\"", {"/opt/no", "such/echolet", "%1"}},
        {"  /bin/prog   a  ", {"/bin/prog", "a"}},
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitCommand(c.command), c.parts) << c.command;
}

TEST(XdgMime, ExecLinesPassThePathInPlaceOfPercentOne) {
    const struct {
        const char* command;
        const char* exec;
    } cases[] = {
        {"/opt/tools/echolet \"%1\"", "\"/opt/tools/echolet\" %f"},
        {"/opt/tools/echolet %1", "\"/opt/tools/echolet\" %f"},
        {"\"/opt/my tools/echolet\" \"%1\"", "\"/opt/my tools/echolet\" %f"},
        {"/opt/100%/echolet \"%1\"", "\"/opt/100%%/echolet\" %f"},
        // "$" and "\" escaped for the Exec line, then the backslashes once more for the entry.
        {"\"/opt/a$b\\c/echolet\" \"%1\"", "\"/opt/a\\\\$b\\\\\\\\c/echolet\" %f"},
        {"/opt/echolet -play \"%1\"", "\"/opt/echolet\" -play %f"},
        {"/opt/echolet", "\"/opt/echolet\""},
        {"   ", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ExecLine(c.command), c.exec) << c.command;
    EXPECT_EQ(ProgramName("/opt/tools/echolet \"%1\""), "Echolet");
    EXPECT_EQ(ProgramName("\"/opt/x/my.prog\" %1"), "My");
}

TEST(XdgMime, EntryOfAFileType) {
    EXPECT_EQ(EntryText("Gsm-Audio", "/opt/tools/echolet \"%1\"", {"audio/x-gsm"}),
              "[Desktop Entry]\nType=Application\nName=Echolet\nComment=Gsm-Audio\n"
              "Exec=\"/opt/tools/echolet\" %f\nNoDisplay=true\nMimeType=audio/x-gsm;\n");
    // A type that no extension names is no handler of anything.
    EXPECT_EQ(EntryText("", "/opt/tools/echolet \"%1\"", {}),
              "[Desktop Entry]\nType=Application\nName=Echolet\nExec=\"/opt/tools/echolet\" %f\nNoDisplay=true\n");
    EXPECT_EQ(EntryText("Gsm-Audio", "", {"audio/x-gsm"}), "");
    const std::string package = PackageText(MimeExtensions().front());
    EXPECT_NE(package.find("<mime-type type=\"audio/x-gsm\">"), std::string::npos);
    EXPECT_NE(package.find("<glob pattern=\"*.gsm\"/>"), std::string::npos);
}

TEST(XdgMime, DefaultSetInMimeAppsKeepsEverythingElse) {
    const struct {
        const char* name;
        std::string before;
        std::string after;
    } cases[] = {
        {"no file", "", "[Default Applications]\naudio/x-gsm=e.desktop\n"},
        {"other sections", "[Added Associations]\ntext/plain=ed.desktop;\n",
         "[Added Associations]\ntext/plain=ed.desktop;\n\n[Default Applications]\naudio/x-gsm=e.desktop\n"},
        {"entry replaced", "[Default Applications]\naudio/x-gsm=old.desktop;\ntext/plain=ed.desktop\n",
         "[Default Applications]\naudio/x-gsm=e.desktop\ntext/plain=ed.desktop\n"},
        {"appended to its section before the next",
         "[Default Applications]\ntext/plain=ed.desktop\n\n[Removed Associations]\naudio/x-gsm=x.desktop\n",
         "[Default Applications]\ntext/plain=ed.desktop\naudio/x-gsm=e.desktop\n\n[Removed Associations]\n"
         "audio/x-gsm=x.desktop\n"},
        {"no line end at the end", "[Default Applications]\ntext/plain=ed.desktop",
         "[Default Applications]\ntext/plain=ed.desktop\naudio/x-gsm=e.desktop\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(WithDefault(c.before, "audio/x-gsm", "e.desktop"), c.after) << c.name;
}

class ChosenTest : public ::testing::Test {
protected:
    void Install(const std::string& Folder, const std::string& Id) {
        std::filesystem::create_directories(Folder + "/applications");
        testkit::WriteFile(Folder + "/applications/" + Id, "[Desktop Entry]\nType=Application\nExec=x\n");
    }
    void List(const std::string& Path, const std::string& Defaults) {
        std::filesystem::create_directories(std::filesystem::path(Path).parent_path());
        testkit::WriteFile(Path, "[Default Applications]\naudio/x-gsm=" + Defaults + "\n");
    }
    std::string Env(const char* v) { return std::getenv(v); }

    testkit::TempHome home;
};

TEST_F(ChosenTest, TheFirstInstalledHandlerInTheDesktopsOrder) {
    EXPECT_EQ(ChosenDefault("audio/x-gsm"), "");
    Install(Env("XDG_DATA_DIRS"), "vlc.desktop");
    Install(Env("XDG_DATA_HOME"), "mine.desktop");
    List(Env("XDG_DATA_DIRS") + "/applications/mimeapps.list", "vlc.desktop");
    EXPECT_EQ(ChosenDefault("audio/x-gsm"), "vlc.desktop");
    List(Env("XDG_CONFIG_DIRS") + "/mimeapps.list", "mine.desktop");
    EXPECT_EQ(ChosenDefault("audio/x-gsm"), "mine.desktop");
    // A handler that is not installed is passed over.
    List(Env("XDG_CONFIG_HOME") + "/mimeapps.list", "gone.desktop;vlc.desktop;");
    EXPECT_EQ(ChosenDefault("audio/x-gsm"), "vlc.desktop");
    // Each desktop's own list comes before the common one.
    testkit::ScopedEnv desktop("XDG_CURRENT_DESKTOP", "LXQt:Other");
    List(Env("XDG_CONFIG_HOME") + "/lxqt-mimeapps.list", "mine.desktop");
    EXPECT_EQ(ChosenDefault("audio/x-gsm"), "mine.desktop");
    EXPECT_EQ(ChosenDefault("audio/x-wav"), "");
}

}  // namespace
}  // namespace xdgmime
