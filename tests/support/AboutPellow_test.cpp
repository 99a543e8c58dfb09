#include "support/AboutPellow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>
#include <string>
#include <vector>

#include "QelTestApp.h"
#include "platform/Shell.h"
#include "testkit/Launcher.h"
#include "testkit/TestKit.h"

namespace {

class AboutBox : public ::testing::Test {
protected:
    template <typename T>
    T* Control(const char* name) {
        T* control = form_.findChild<T*>(name);
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QString Text(const char* name) { return Control<QLabel>(name)->text(); }

    testkit::ScopedScriptedUi ui_;
    // Answers with a failure, so the box shows that it does not look at the answer.
    testkit::ScopedLaunches launches_{shell::ErrNoAssociation};
    TFormAboutPellow form_;
};

TEST_F(AboutBox, HasTheControlsAndFixedTexts) {
    EXPECT_EQ(form_.objectName(), "FormAboutPellow");
    EXPECT_EQ(form_.windowTitle(), "About");
    EXPECT_EQ(Text("LabelLatestVersionText"), "Latest version at: ");
    EXPECT_EQ(Text("LabelBugsText"), "Bugs can be reported to:");
    EXPECT_FALSE(Text("Label2").isEmpty());
    EXPECT_TRUE(Control<QLabel>("Label2")->alignment() & Qt::AlignHCenter);
    auto* image = Control<QLabel>("Image2");
    EXPECT_TRUE(image->hasScaledContents());
    EXPECT_FALSE(image->pixmap().isNull());
    auto* ok = Control<QPushButton>("Button1");
    EXPECT_EQ(ok->text(), "&OK");
    EXPECT_TRUE(ok->isDefault());
}

TEST_F(AboutBox, NameIsBoldAndLinksLookLikeLinks) {
    auto* name = Control<QLabel>("ProgramName");
    EXPECT_TRUE(name->font().bold());
    EXPECT_TRUE(name->alignment() & Qt::AlignHCenter);
    EXPECT_TRUE(Control<QLabel>("Version")->alignment() & Qt::AlignHCenter);
    for (const char* link : {"LabelLatestVersion", "LabelBugs"}) {
        auto* label = Control<QLabel>(link);
        EXPECT_TRUE(label->font().bold()) << link;
        EXPECT_TRUE(label->font().underline()) << link;
        EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::blue)) << link;
    }
}

TEST_F(AboutBox, CreditsNameOurLibrariesInAReadOnlyUnwrappedBox) {
    auto* credits = Control<QTextEdit>("RichEdit1");
    EXPECT_TRUE(credits->isReadOnly());
    EXPECT_EQ(credits->lineWrapMode(), QTextEdit::NoWrap);
    EXPECT_EQ(credits->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(credits->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    const QString text = credits->toPlainText();
    for (const char* library : {"Qt", "libtiff", "libgsm"}) EXPECT_TRUE(text.contains(library)) << library;
}

TEST_F(AboutBox, ShowingSetsNameVersionAndLinks) {
    EXPECT_EQ(Text("ProgramName"), "");
    EXPECT_EQ(Text("LabelLatestVersion"), "");
    form_.show();
    EXPECT_EQ(Text("ProgramName"), "Pellow");
    EXPECT_EQ(Text("Version"), "Version 0.50");
    EXPECT_EQ(Text("LabelLatestVersion"), TFormAboutPellow::WebAddress);
    EXPECT_EQ(Text("LabelBugs"), TFormAboutPellow::MailLink);
    EXPECT_TRUE(QString(TFormAboutPellow::MailLink).startsWith("mailto:"));
    EXPECT_TRUE(QString(TFormAboutPellow::WebAddress).contains("example.org"));
}

TEST_F(AboutBox, EveryShowingResetsTheTexts) {
    form_.show();
    for (const char* name : {"ProgramName", "Version", "LabelLatestVersion", "LabelBugs"})
        Control<QLabel>(name)->setText("changed");
    form_.hide();
    form_.show();
    EXPECT_EQ(Text("ProgramName"), "Pellow");
    EXPECT_EQ(Text("Version"), "Version 0.50");
    EXPECT_EQ(Text("LabelLatestVersion"), TFormAboutPellow::WebAddress);
    EXPECT_EQ(Text("LabelBugs"), TFormAboutPellow::MailLink);
}

TEST_F(AboutBox, LinksKeepTheDefaultCursor) {
    Control<QLabel>("LabelBugs")->setCursor(Qt::PointingHandCursor);
    form_.show();
    for (const char* link : {"LabelLatestVersion", "LabelBugs"}) {
        auto* label = Control<QLabel>(link);
        EXPECT_FALSE(label->testAttribute(Qt::WA_SetCursor)) << link;
        EXPECT_EQ(label->cursor().shape(), Qt::ArrowCursor) << link;
    }
}

TEST_F(AboutBox, ClickingALinkOpensItThroughTheShell) {
    form_.show();
    QTest::mouseClick(Control<QLabel>("LabelLatestVersion"), Qt::LeftButton);
    QTest::mouseClick(Control<QLabel>("LabelBugs"), Qt::LeftButton);
    EXPECT_EQ(launches_.Calls(), (std::vector<std::string>{TFormAboutPellow::WebAddress, TFormAboutPellow::MailLink}));
    // A failing shell is not reported and leaves the box open.
    EXPECT_TRUE(ui_->Prompts().empty());
    EXPECT_TRUE(form_.isVisible());
}

TEST_F(AboutBox, OnlyALeftClickOnTheLinkCounts) {
    form_.show();
    auto* link = Control<QLabel>("LabelBugs");
    QTest::mouseClick(link, Qt::RightButton);
    QTest::mouseClick(Control<QLabel>("LabelBugsText"), Qt::LeftButton);
    // Released outside the label: no click.
    QTest::mousePress(link, Qt::LeftButton);
    QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(-5, -5));
    EXPECT_TRUE(launches_.Calls().empty());
}

TEST_F(AboutBox, OkClosesWithResultOk) {
    form_.open();
    ASSERT_TRUE(form_.isVisible());
    QTest::mouseClick(Control<QPushButton>("Button1"), Qt::LeftButton);
    EXPECT_FALSE(form_.isVisible());
    EXPECT_EQ(form_.result(), QDialog::Accepted);
}

TEST(ProgramPicture, IsDrawnWhenTheProgramHasNoIcon) {
    const QPixmap picture = ProgramPicture(32);
    ASSERT_EQ(picture.size(), QSize(32, 32));
    const QImage image = picture.toImage();
    int painted = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) painted += qAlpha(image.pixel(x, y)) > 0;
    EXPECT_GT(painted, 200);
    EXPECT_LT(painted, 32 * 32);
}

TEST(ProgramPicture, IsTheProgramsIconWhenItHasOne) {
    QPixmap red(32, 32);
    red.fill(Qt::red);
    QApplication::setWindowIcon(QIcon(red));
    const QImage image = ProgramPicture(32).toImage();
    QApplication::setWindowIcon(QIcon());
    EXPECT_EQ(image.pixelColor(16, 16), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::red));
}

}  // namespace
