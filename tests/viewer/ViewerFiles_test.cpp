// The viewer's file operations and its temporary-file rule, row by row.
#include <QToolButton>

#include "tests/viewer/PdfCheck.h"
#include "tests/viewer/ViewerTestKit.h"

namespace {

using viewertest::ViewerTest;

class ViewerFilesTest : public ViewerTest {
protected:
    // The viewer as Pellow starts it: a temporary fax and "/TEMP".
    leafor::TFormMain& StartTemporary(int Pages = 4) {
        temporary = Fax("TMP1A2B.TIF", Pages);
        Start({temporary, "/TEMP"});
        ui->ClearPrompts();
        return *form;
    }
    // Runs a handler as the window's signals do: what it raises ends in the error box.
    static void Click(const std::function<void()>& Handler) { app::Guarded(Handler); }
    std::string temporary;
};

TEST_F(ViewerFilesTest, OpenDeletesTheTemporaryFileOnceAFileIsChosen) {
    auto& f = StartTemporary();
    const std::string other = Fax("other.tif", 2);
    ui->Answer(other);
    f.ToolButtonOpenClick();
    EXPECT_FALSE(files::FileExists(temporary));
    EXPECT_FALSE(leafor::FaxIsTemporary);
    EXPECT_EQ(f.ImgEdit1->Image(), other);
    EXPECT_EQ(f.ImgEdit1->PageCount(), 2);
    EXPECT_EQ(Value("OpenFaxPath"), dir);
    // The dialog starts from the file last named to it.
    EXPECT_EQ(PromptLines(), (std::vector<std::string>{"open: " + temporary}));
    // The file chosen is never deleted.
    f.close();
    EXPECT_TRUE(files::FileExists(other));
}

TEST_F(ViewerFilesTest, ACancelledOrFailedDialogKeepsEverything) {
    auto& f = StartTemporary();
    ui->Answer("cancel");
    f.MenuFileOpenClick();
    ui->Answer("cancel");
    f.MenuFileSaveAsClick();
    ui->Answer("cancel");
    f.MenuFileSavePageClick();
    ui->Answer("cancel");
    f.MenuFilePrintClick();
    EXPECT_EQ(PromptLines(), (std::vector<std::string>{"open: " + temporary, "save: ", "save: ", "print: 1-4"}));
    EXPECT_TRUE(files::FileExists(temporary));
    EXPECT_TRUE(leafor::FaxIsTemporary);
    EXPECT_EQ(f.ImgEdit1->Image(), temporary);
    EXPECT_EQ(Value("OpenFaxPath"), "<none>");
    EXPECT_EQ(Value("SaveFaxPath"), "<none>");
    f.close();
    EXPECT_FALSE(files::FileExists(temporary));
}

TEST_F(ViewerFilesTest, SaveAsWritesEveryPageAndTheWrittenFileIsShownFromThen) {
    auto& f = StartTemporary();
    const auto source = faxfiles::Facts(temporary);
    const std::string saved = dir + "/kept/fax.tif";
    mkdir((dir + "/kept").c_str(), 0700);
    ui->Answer(saved);
    f.ToolButtonSaveAsClick();
    EXPECT_FALSE(files::FileExists(temporary));
    EXPECT_FALSE(leafor::FaxIsTemporary);
    EXPECT_EQ(f.ImgEdit1->Image(), saved);
    EXPECT_EQ(Value("SaveFaxPath"), dir + "/kept");
    const auto written = faxfiles::Facts(saved);
    ASSERT_EQ(written.size(), 4u);
    const auto decoded = tiffcheck::Read(saved);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(written[i].compression, COMPRESSION_CCITTFAX3);
        EXPECT_FLOAT_EQ(written[i].xResolution, 204);
        EXPECT_FLOAT_EQ(written[i].yResolution, 196);
        EXPECT_EQ(written[i].raw, source[i].raw);
        EXPECT_EQ(decoded.pages.at(i), faxfiles::NumberedPage(static_cast<int>(i) + 1)) << i;
    }
    // The next page comes from the written file, and closing deletes nothing.
    f.ToolButtonNextPageClick();
    EXPECT_EQ(f.ImgEdit1->Page(), 2);
    EXPECT_TRUE(f.ImgEdit1->ImageDisplayed());
    f.close();
    EXPECT_TRUE(files::FileExists(saved));
}

TEST_F(ViewerFilesTest, SavePageWritesTheShownPageOnly) {
    auto& f = StartTemporary();
    f.EditPage->setText("3");
    f.EditPageExit();
    ASSERT_EQ(f.ImgEdit1->Page(), 3);
    const auto source = faxfiles::Facts(temporary);
    const std::string saved = dir + "/page3.tif";
    ui->Answer(saved);
    f.MenuFileSavePageClick();
    const auto written = faxfiles::Facts(saved);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].raw, source.at(2).raw);
    EXPECT_EQ(tiffcheck::Read(saved).pages.at(0), faxfiles::NumberedPage(3));
    EXPECT_FLOAT_EQ(written[0].yResolution, 196);
    EXPECT_EQ(f.ImgEdit1->Image(), saved);
    EXPECT_FALSE(files::FileExists(temporary));
    f.close();
    EXPECT_TRUE(files::FileExists(saved));
}

TEST_F(ViewerFilesTest, SavingOrOpeningTheTemporaryFileItselfKeepsIt) {
    // Written over itself, the temporary file is what the user saved.
    auto& f = StartTemporary();
    ui->Answer(temporary);
    f.ToolButtonSaveAsClick();
    EXPECT_TRUE(files::FileExists(temporary));
    EXPECT_EQ(faxfiles::Facts(temporary).size(), 4u);
    EXPECT_FALSE(leafor::FaxIsTemporary);
    f.close();
    EXPECT_TRUE(files::FileExists(temporary));
    form.reset();
    // Chosen in the open dialog, it is the file to show from then on.
    auto& g = StartTemporary();
    ui->Answer(temporary);
    g.ToolButtonOpenClick();
    EXPECT_TRUE(files::FileExists(temporary));
    EXPECT_TRUE(g.ImgEdit1->ImageDisplayed());
    g.close();
    EXPECT_TRUE(files::FileExists(temporary));
}

TEST_F(ViewerFilesTest, AFailedWriteReportsAndKeepsTheShownFileAndTheTemporaryOne) {
    auto& f = StartTemporary();
    ui->Answer(dir + "/no-such-folder/fax.tif");
    Click([&] { f.ToolButtonSaveAsClick(); });
    const auto p = Prompts();
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[1].kind, "error");
    EXPECT_NE(p[1].text.find("cannot be written"), std::string::npos) << p[1].text;
    EXPECT_EQ(f.ImgEdit1->Image(), temporary);
    EXPECT_TRUE(leafor::FaxIsTemporary);
    EXPECT_TRUE(files::FileExists(temporary));
}

TEST_F(ViewerFilesTest, TheSaveFolderIsTheOnePellowUses) {
    // Written by Pellow's own save as: the viewer's dialog starts there.
    RegWriteString(dir, "SaveFaxPath", PellowKey);
    auto& f = StartTemporary();
    ui->Answer("cancel");
    f.ToolButtonSaveAsClick();
    EXPECT_EQ(f.ImgAdmin1->InitDir(), dir);
    // And what the viewer writes, Pellow reads under the same name and key.
    mkdir((dir + "/sub").c_str(), 0700);
    ui->Answer(dir + "/sub/x.tif");
    f.ToolButtonSaveAsClick();
    std::string pellowSees;
    RegReadString("SaveFaxPath", "SOFTWARE\\Norvale\\Pellow\\Version 0.50", "", pellowSees);
    EXPECT_EQ(pellowSees, dir + "/sub");
    // A file in the root keeps the root's separator.
    EXPECT_EQ(files::FolderOfFile("/x.tif"), "/");
}

TEST_F(ViewerFilesTest, PrintingToAPdfFilePrintsThePagesOfTheChosenRange) {
    auto& f = StartTemporary(5);
    f.ToolButtonNextPageClick();
    f.ToolButtonNextPageClick();  // page 3 shown
    const struct {
        const char* answer;
        std::vector<int> pages;
    } cases[] = {
        {"all", {1, 2, 3, 4, 5}},
        {"2-4", {2, 3, 4}},
        {"current", {3}},
    };
    int k = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        const std::string pdf = dir + "/print" + std::to_string(++k) + ".pdf";
        ui->Answer(std::string(c.answer) + " " + pdf);
        f.ToolButtonPrintClick();
        EXPECT_EQ(pdfcheck::Pages(pdf), static_cast<int>(c.pages.size()));
        EXPECT_EQ(pdfcheck::Bars(pdf, dir + "/p" + std::to_string(k)), c.pages);
    }
    // Printing keeps the temporary file and the window as they were.
    EXPECT_TRUE(files::FileExists(temporary));
    EXPECT_TRUE(leafor::FaxIsTemporary);
    EXPECT_EQ(f.ImgEdit1->Page(), 3);
    EXPECT_EQ(f.ImgAdmin1->Image(), temporary);
}

TEST_F(ViewerFilesTest, ExitEndsAtOnceAndKeepsTheTemporaryFile) {
    auto& f = StartTemporary();
    f.MenuZoomZoom50Click();
    f.MenuFileExitClick();
    EXPECT_EQ(halts, (std::vector<int>{0}));
    EXPECT_TRUE(files::FileExists(temporary));
    // Nothing was written: no setting, no placement.
    EXPECT_EQ(Value("Zoom"), "<none>");
    const std::string hive = testkit::ReadFile(home.Path() + "/registry/HKCU.reg");
    EXPECT_EQ(hive.find("\"Width\""), std::string::npos) << hive;
}

TEST_F(ViewerFilesTest, TheAboutBoxes) {
    auto& f = StartTemporary();
    f.MenuHelpAboutImagingClick();
    const auto p = Prompts();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].caption, "About Imaging");
    EXPECT_NE(p[0].text.find("LIBTIFF"), std::string::npos) << p[0].text;
}

}  // namespace
