// The viewer's start: the command line at the first showing, the settings
// and texts of its creation, and what closing saves and deletes.
#include <QLabel>
#include <QMenu>
#include <QToolButton>

#include "support/Language.h"
#include "support/WndProp.h"
#include "tests/viewer/ViewerTestKit.h"

namespace {

using viewertest::ViewerTest;

class ViewerStartTest : public ViewerTest {};

TEST_F(ViewerStartTest, APathWithTempIsShownThenItsFirstPageAndDeletedAtClose) {
    const std::string fax = Fax("TMP1A2B.TIF", 3);
    auto& f = Start({fax, "/TEMP"});
    EXPECT_EQ(PromptLines(), (std::vector<std::string>{"message: " + fax}));
    EXPECT_EQ(Prompts().at(0).caption, "Pellow Fax Viewer");
    EXPECT_TRUE(f.ImgEdit1->ImageDisplayed());
    EXPECT_EQ(f.ImgEdit1->Image(), fax);
    EXPECT_EQ(f.ImgEdit1->Page(), 1);
    EXPECT_EQ(PageBox(), "1");
    EXPECT_TRUE(leafor::FaxIsTemporary);
    f.close();
    EXPECT_FALSE(files::FileExists(fax));
    EXPECT_FALSE(leafor::FaxIsTemporary);
}

TEST_F(ViewerStartTest, TheSwitchInLowerCaseIsAFileName) {
    const std::string fax = Fax("fax.tif", 1);
    auto& f = Start({fax, "/temp"});
    EXPECT_FALSE(leafor::FaxIsTemporary);
    // "/temp" is the file to show: its name in the box, then the control's error.
    const auto p = Prompts();
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0].text, "/temp");
    EXPECT_EQ(p[1].kind, "error");
    EXPECT_EQ(p[1].text, "The file /temp does not exist.");
    EXPECT_FALSE(f.ImgEdit1->ImageDisplayed());
    EXPECT_TRUE(f.isVisible());
    f.close();
    EXPECT_TRUE(files::FileExists(fax));
}

TEST_F(ViewerStartTest, OfTwoFilesTheLastIsShownAndTheSwitchCountsWhereverItStands) {
    for (const auto& order : {std::vector<int>{0, 1, 2}, std::vector<int>{1, 0, 2}, std::vector<int>{1, 2, 0}}) {
        const std::string a = Fax("a.tif", 1), b = Fax("b.tif", 2);
        const std::string args[] = {"/TEMP", a, b};
        std::vector<std::string> line;
        for (int i : order) line.push_back(args[i]);
        SCOPED_TRACE(line[0] + " " + line[1] + " " + line[2]);
        ui->ClearPrompts();
        auto& f = Start(line);
        EXPECT_EQ(PromptLines(), (std::vector<std::string>{"message: " + b}));
        EXPECT_EQ(f.ImgEdit1->Image(), b);
        EXPECT_EQ(f.ImgEdit1->PageCount(), 2);
        f.close();
        EXPECT_TRUE(files::FileExists(a));
        EXPECT_FALSE(files::FileExists(b));
        form.reset();
    }
}

TEST_F(ViewerStartTest, TheSwitchAloneShowsAndDeletesNothing) {
    const std::string fax = Fax("fax.tif", 1);
    auto& f = Start({"/TEMP"});
    EXPECT_TRUE(Prompts().empty());
    EXPECT_FALSE(f.ImgEdit1->ImageDisplayed());
    EXPECT_EQ(f.ImgEdit1->Image(), "");
    EXPECT_FALSE(f.ToolButtonSaveAs->isEnabled());
    EXPECT_TRUE(f.ToolButtonOpen->isEnabled());
    f.close();
    EXPECT_TRUE(files::FileExists(fax));
    EXPECT_TRUE(Prompts().empty());
}

TEST_F(ViewerStartTest, AStoredZoomStaysInTheBoxUntilTheFirstFileIsShown) {
    RegWriteString("250", "Zoom", PellowKey);
    auto& f = Create();
    EXPECT_EQ(ZoomBox(), "250");
    EXPECT_FLOAT_EQ(f.ImgEdit1->Zoom(), 100);
    f.show();
    QApplication::processEvents();
    EXPECT_EQ(ZoomBox(), "250");
    ui->Answer(Fax("fax.tif", 1));
    f.ToolButtonOpenClick();
    EXPECT_EQ(ZoomBox(), "100");
    // Closing writes the box and the fit buttons back.
    f.MenuZoomZoom50Click();
    f.close();
    EXPECT_EQ(Value("Zoom"), "50");
    for (const char* fit : {"ToolButtonFitToWidth", "ToolButtonFitToHight", "ToolButtonBestFit"})
        EXPECT_FALSE(RegReadBool(fit, PellowKey, true)) << fit;
}

TEST_F(ViewerStartTest, TheFitButtonsComeBackAsTheyWereLeft) {
    for (const char* fit : {"ToolButtonFitToWidth", "ToolButtonFitToHight", "ToolButtonBestFit"}) {
        SCOPED_TRACE(fit);
        for (const char* other : {"ToolButtonFitToWidth", "ToolButtonFitToHight", "ToolButtonBestFit"})
            RegWriteBool(std::string(other) == fit, other, PellowKey);
        auto& f = Create();
        for (QToolButton* b : {f.ToolButtonFitToWidth, f.ToolButtonFitToHight, f.ToolButtonBestFit})
            EXPECT_EQ(b->isChecked(), b->objectName() == fit) << b->objectName().toStdString();
        f.close();
        EXPECT_TRUE(RegReadBool(fit, PellowKey, false));
        form.reset();
    }
}

TEST_F(ViewerStartTest, TextsComeFromTheLanguageTableAndTheCaptionIsFixed) {
    RegWriteBool(false, "LanguageAuto", PellowKey);
    const struct {
        int id;
        const char* file;
        const char* page;
    } cases[] = {{LangEnglish, "&File", "Page"}, {LangGerman, "&Datei", nullptr}, {2, "&File", "Page"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        RegWriteInteger(c.id, "LanguageID", PellowKey);
        auto& f = Create();
        EXPECT_EQ(f.windowTitle().toStdString(), "Pellow Viewer (Version 0.50)");
        EXPECT_EQ(leafor::Lang->LangID, c.id);
        EXPECT_EQ(f.ToolButtonMenuFile->text().toStdString(), c.file);
        EXPECT_EQ(f.ToolButtonMenuFile->text().toStdString(), leafor::Lang->ViewToolButtonMenuFile);
        EXPECT_EQ(f.MenuFileSavePage->text().toStdString(), leafor::Lang->ViewMenuFileSavePage);
        EXPECT_EQ(f.MenuHelpAboutImaging->text().toStdString(), leafor::Lang->ViewMenuHelpAboutImaging);
        EXPECT_EQ(f.ToolButtonFitToHight->toolTip().toStdString(), leafor::Lang->ViewToolButtonFitToHightHint);
        EXPECT_EQ(f.ToolButtonRotateLeft->toolTip().toStdString(), leafor::Lang->ViewToolButtonRotateLeftHint);
        if (c.page) {
            EXPECT_EQ(f.BandText[2]->text().toStdString(), c.page);
        }
        EXPECT_EQ(f.BandText[3]->text().toStdString(), "Zoom");
        EXPECT_EQ(f.BandText[4]->text().toStdString(), leafor::Lang->ViewBandOrientation);
        EXPECT_EQ(f.BandText[0], nullptr);
        EXPECT_EQ(f.BandText[1], nullptr);
        form.reset();
    }
}

TEST_F(ViewerStartTest, ThePlacementIsKeptUnderTheViewerKeyAndItsSection) {
    auto& f = Start();
    EXPECT_EQ(f.WndPropViewer->Key(), std::string(PellowKey) + "\\Viewer");
    EXPECT_EQ(f.WndPropViewer->Section(), "Pellow - Fax Viewer");
    EXPECT_EQ(f.WndPropViewer->Options(), wpSize | wpPosition | wpWndState);
    f.resize(640, 500);
    form.reset();
    const std::string hive = testkit::ReadFile(home.Path() + "/registry/HKCU.reg");
    EXPECT_NE(hive.find("Version 0.50\\Viewer\\Pellow - Fax Viewer]"), std::string::npos) << hive;
    EXPECT_NE(hive.find("\"Width\"=\"640\""), std::string::npos) << hive;
    // The next start takes it.
    auto& g = Start();
    EXPECT_EQ(g.width(), 640);
}

}  // namespace
