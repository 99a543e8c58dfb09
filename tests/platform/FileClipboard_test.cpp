#include "platform/FileClipboard.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QUrl>
#include <QWidget>
#include <filesystem>
#include <string>

#include "testkit/TestKit.h"

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "fileclip_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

std::string Format(const QMimeData& d, const char* type) { return d.data(type).toStdString(); }

TEST(CopiedFileData, OffersTheFileAsCopiedFileManagersTakeIt) {
    testkit::TempHome home;
    const std::string path = home.Path() + "/Voic0001.wav";
    auto d = fileclip::CopiedFileData(path);
    const std::string url = "file://" + path;
    EXPECT_EQ(Format(*d, "text/uri-list"), url + "\r\n");
    EXPECT_EQ(Format(*d, "x-special/gnome-copied-files"), "copy\n" + url);
    EXPECT_EQ(Format(*d, "application/x-kde-cutselection"), "0");

    auto spaced = fileclip::CopiedFileData("/home/anna/Grüße und Töne/Voic 1.wav");
    EXPECT_EQ(Format(*spaced, "x-special/gnome-copied-files"),
              "copy\nfile:///home/anna/Gr%C3%BC%C3%9Fe%20und%20T%C3%B6ne/Voic%201.wav");
    ASSERT_EQ(spaced->urls().size(), 1);
    EXPECT_EQ(spaced->urls()[0].toLocalFile().toStdString(), "/home/anna/Grüße und Töne/Voic 1.wav");

    const std::string cwd = std::filesystem::current_path().string();
    auto relative = fileclip::CopiedFileData("Voic0002.wav");
    EXPECT_EQ(relative->urls()[0].toLocalFile().toStdString(), cwd + "/Voic0002.wav");
}

TEST(PutFileOnClipboard, PutsAReadableFileAndLeavesTheClipboardOtherwise) {
    App();
    testkit::TempHome home;
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->setText("before");
    EXPECT_FALSE(fileclip::PutFileOnClipboard(home.Path() + "/missing.wav"));
    EXPECT_FALSE(fileclip::PutFileOnClipboard(home.Path()));
    EXPECT_EQ(clipboard->text().toStdString(), "before");

    const std::string path = home.Path() + "/Voic0003.wav";
    testkit::WriteFile(path, "RIFF");
    ASSERT_TRUE(fileclip::PutFileOnClipboard(path));
    const QMimeData* d = clipboard->mimeData();
    ASSERT_TRUE(d);
    ASSERT_EQ(d->urls().size(), 1);
    EXPECT_EQ(d->urls()[0].toLocalFile().toStdString(), path);
    EXPECT_EQ(Format(*d, "x-special/gnome-copied-files"), "copy\nfile://" + path);
}

TEST(DragText, OffersThePathAsTextForCopyingOnly) {
    App();
    QWidget source;
    std::string offered;
    QStringList formats;
    Qt::DropActions allowed;
    QObject* from = nullptr;
    Qt::DropAction answer = Qt::CopyAction;
    auto previous = fileclip::SetDragRunner([&](QObject* Source, QMimeData* Data, Qt::DropActions Allowed) {
        from = Source;
        offered = Data->text().toStdString();
        formats = Data->formats();
        allowed = Allowed;
        return answer;
    });
    EXPECT_TRUE(fileclip::DragText(&source, "/home/anna/Voic0004.wav"));
    EXPECT_EQ(from, &source);
    EXPECT_EQ(offered, "/home/anna/Voic0004.wav");
    EXPECT_EQ(formats, QStringList{"text/plain"});
    EXPECT_EQ(allowed, Qt::DropActions(Qt::CopyAction));
    answer = Qt::IgnoreAction;
    EXPECT_FALSE(fileclip::DragText(&source, "/x")) << "a drag that ends without a drop";
    fileclip::SetDragRunner(previous);
}

}  // namespace
