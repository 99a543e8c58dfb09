// Files the viewer cannot show: the error is shown, nothing crashes, and the
// next good file shows.
#include <QToolButton>

#include "tests/viewer/ViewerTestKit.h"

namespace {

using viewertest::ViewerTest;

class ViewerBadInputTest : public ViewerTest {
protected:
    // Opens Path as the button does, its error ending in the error box.
    void OpenFile(const std::string& Path) {
        ui->Answer(Path);
        app::Guarded([this] { form->ToolButtonOpenClick(); });
    }
};

TEST_F(ViewerBadInputTest, EachBadFileShowsItsErrorAndTheNextGoodFileShows) {
    const std::string good = Fax("good.tif", 3);
    const std::string whole = testkit::ReadFile(good);
    testkit::WriteFile(dir + "/cut.tif", whole.substr(0, whole.size() / 4));
    testkit::WriteFile(dir + "/text.tif", "%PDF-1.4 this is no TIFF\n");
    faxfiles::WriteColour(dir + "/colour.tif");
    faxfiles::WriteTiled(dir + "/tiled.tif");
    const struct {
        const char* name;
        const char* says;
    } bad[] = {{"cut.tif", "can be read"}, {"text.tif", "no TIFF file"}, {"colour.tif", "colour"},
               {"tiled.tif", "tiles"}, {"missing.tif", "does not exist"}};
    Start();
    for (const auto& b : bad) {
        SCOPED_TRACE(b.name);
        OpenFile(good);
        ASSERT_TRUE(form->ImgEdit1->ImageDisplayed());
        ui->ClearPrompts();
        OpenFile(dir + "/" + b.name);
        const auto p = Prompts();
        ASSERT_EQ(p.size(), 2u);
        EXPECT_EQ(p[1].kind, "error");
        EXPECT_EQ(p[1].caption, "Pellow Fax Viewer");
        EXPECT_NE(p[1].text.find(b.says), std::string::npos) << p[1].text;
        EXPECT_FALSE(form->ImgEdit1->ImageDisplayed());
        // The window goes on: its page moves ask the control and change nothing.
        app::Guarded([this] { form->ToolButtonNextPageClick(); });
        EXPECT_FALSE(form->ToolButtonNextPage->isEnabled());
        OpenFile(good);
        EXPECT_TRUE(form->ImgEdit1->ImageDisplayed());
        EXPECT_EQ(form->ImgEdit1->PageCount(), 3);
    }
}

TEST_F(ViewerBadInputTest, APageCountThatLiesShowsTheGoodPagesAndReportsTheMissingOne) {
    // Three pages whose last one is cut away: the file still names it.
    const std::string path = Fax("short.tif", 3);
    const std::string whole = testkit::ReadFile(path);
    testkit::WriteFile(path, whole.substr(0, whole.size() * 3 / 4));
    Start();
    OpenFile(path);
    ASSERT_TRUE(form->ImgEdit1->ImageDisplayed());
    const int32_t count = form->ImgEdit1->PageCount();
    EXPECT_EQ(count, 3);
    form->ToolButtonNextPageClick();
    EXPECT_EQ(form->ImgEdit1->Page(), 2);
    ui->ClearPrompts();
    app::Guarded([this] { form->ToolButtonNextPageClick(); });
    ASSERT_EQ(Prompts().size(), 1u);
    EXPECT_NE(Prompts()[0].text.find("Page 3 of"), std::string::npos) << Prompts()[0].text;
    // Back to the page before: it shows again.
    form->ToolButtonPrevPageClick();
    EXPECT_EQ(form->ImgEdit1->Page(), 2);
    EXPECT_TRUE(form->ImgEdit1->ImageDisplayed());
    EXPECT_EQ(PageBox(), "2");
}

}  // namespace
