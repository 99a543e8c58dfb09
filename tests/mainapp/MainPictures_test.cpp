// The disabled rendering of the tool pictures.
#include "mainapp/MainPictures.h"

#include <gtest/gtest.h>

#include <QImage>
#include <set>

#include "tests/mainapp/MainTestKit.h"

namespace {

using pictures::Tool;

struct Shades {
    double darkMean = 0, lightMean = 0;
    int dark = 0, light = 0;
    std::set<int> levels;
};

TEST(MainPicturesTest, DisabledPicturesKeepTheirShapeAndOutline) {
    maintest::App();
    for (Tool t : {Tool::Reload, Tool::PlayNew, Tool::Play, Tool::Release, Tool::Erase, Tool::ModemSettings,
                   Tool::About}) {
        SCOPED_TRACE(static_cast<int>(t));
        const QIcon icon = pictures::ToolPicture(t);
        const QImage on = icon.pixmap(24, 24, QIcon::Normal).toImage().convertToFormat(QImage::Format_ARGB32);
        const QImage off = icon.pixmap(24, 24, QIcon::Disabled).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(on.size(), off.size());
        Shades s;
        int opaque = 0;
        for (int y = 0; y < on.height(); ++y)
            for (int x = 0; x < on.width(); ++x) {
                const QRgb a = on.pixel(x, y), b = off.pixel(x, y);
                // The same shape: every pixel as covered as it was.
                EXPECT_EQ(qAlpha(a), qAlpha(b)) << x << "," << y;
                if (qAlpha(a) < 200) continue;
                ++opaque;
                // Grey, and never as dark as the picture's own darkest lines.
                EXPECT_TRUE(qRed(b) == qGreen(b) && qGreen(b) == qBlue(b)) << x << "," << y;
                EXPECT_GE(qGray(b), 90);
                s.levels.insert(qGray(b) / 8);
                if (qGray(a) < 80) {
                    s.darkMean += qGray(b);
                    ++s.dark;
                } else if (qGray(a) >= 150) {
                    s.lightMean += qGray(b);
                    ++s.light;
                }
            }
        ASSERT_GT(opaque, 20);
        // Where the picture has dark outlines around light parts, they stay
        // darker than those parts: the picture is no flat grey blob.
        if (s.dark > 0 && s.light > 0) {
            EXPECT_LT(s.darkMean / s.dark + 40, s.lightMean / s.light);
            EXPECT_GE(s.levels.size(), 3u);
        }
    }
    // The pictures that are drawn with an outline have both kinds of pixels.
    for (Tool t : {Tool::Release, Tool::ModemSettings, Tool::About}) {
        const QImage on = pictures::ToolPicture(t).pixmap(24, 24).toImage();
        int dark = 0, light = 0;
        for (int y = 0; y < on.height(); ++y)
            for (int x = 0; x < on.width(); ++x) {
                if (qAlpha(on.pixel(x, y)) < 200) continue;
                (qGray(on.pixel(x, y)) < 80 ? dark : light) += qGray(on.pixel(x, y)) < 80 || qGray(on.pixel(x, y)) >= 150;
            }
        EXPECT_GT(dark, 0) << static_cast<int>(t);
        EXPECT_GT(light, 0) << static_cast<int>(t);
    }
}

}  // namespace
