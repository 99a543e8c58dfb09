#include "murmel/MurmelPictures.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <vector>

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "pictures_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

QImage Picture(const QIcon& icon) { return icon.pixmap(32, 32).toImage(); }

TEST(TrayIcons, EachStateHasAPictureOfItsOwn) {
    App();
    const std::vector<int> ids = {134, 132, 133, 138, 137, 135, 136, 139};
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const QImage a = Picture(murmel::TrayIcon(ids[i]));
        ASSERT_FALSE(a.isNull()) << ids[i];
        for (std::size_t j = i + 1; j < ids.size(); ++j)
            EXPECT_NE(a, Picture(murmel::TrayIcon(ids[j]))) << ids[i] << " and " << ids[j];
    }
    EXPECT_EQ(Picture(murmel::TrayIcon(999)), Picture(murmel::TrayIcon(134))) << "an unknown number is the idle icon";
    EXPECT_FALSE(murmel::TrayIcon(134).pixmap(16, 16).isNull()) << "the small size for the panel";
}

TEST(ButtonBitmaps, TheNineButtonsAndTheTwoMenuItemsHavePictures) {
    App();
    const std::vector<int> ids = {129, 131, 132, 134, 135, 136, 137, 138, 139};
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const QImage a = murmel::ButtonBitmap(ids[i]).toImage();
        ASSERT_EQ(a.size(), QSize(murmel::kButtonBitmapSize, murmel::kButtonBitmapSize)) << ids[i];
        for (std::size_t j = i + 1; j < ids.size(); ++j)
            EXPECT_NE(a, murmel::ButtonBitmap(ids[j]).toImage()) << ids[i] << " and " << ids[j];
    }
    EXPECT_TRUE(murmel::ButtonBitmap(130).isNull());
    EXPECT_FALSE(murmel::MenuBitmap(145).isNull());
    EXPECT_FALSE(murmel::MenuBitmap(146).isNull());
    EXPECT_NE(murmel::MenuBitmap(145).toImage(), murmel::MenuBitmap(146).toImage());
    EXPECT_TRUE(murmel::MenuBitmap(147).isNull());
    EXPECT_FALSE(murmel::ProgramIcon().isNull());
}

}  // namespace
