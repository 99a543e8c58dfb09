#include "platform/TrayIcon.h"

#include <gtest/gtest.h>

#include <QApplication>

#include "testkit/FakeTray.h"

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "tray_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

TEST(SystemTray, WithoutANotificationAreaNoIconIsAdded) {
    App();  // offscreen: no desktop, no tray
    auto area = tray::MakeSystemTray();
    EXPECT_FALSE(area->Available());
    EXPECT_FALSE(area->Add(3004, QIcon(), "Murmel", nullptr));
    EXPECT_FALSE(area->Modify(3004, QIcon(), "Murmel"));
    EXPECT_FALSE(area->Delete(3004));
}

TEST(TrayArea, AnInstalledAreaServesUntilItIsReplaced) {
    tray::TrayArea* real = &tray::Current();
    {
        testkit::ScopedFakeTray fake;
        EXPECT_EQ(&tray::Current(), &*fake);
        int clicked = 0;
        ASSERT_TRUE(tray::Current().Add(3004, QIcon(), "Murmel", [&](int id, int msg) { clicked = id * 10000 + msg; }));
        EXPECT_FALSE(tray::Current().Add(3004, QIcon(), "again", nullptr));
        fake->Mouse(3004, tray::kLButtonDblClk);
        EXPECT_EQ(clicked, 3004 * 10000 + tray::kLButtonDblClk);
        EXPECT_TRUE(tray::Current().Modify(3004, QIcon(), "Murmel: 1 new message"));
        EXPECT_EQ(fake->Get(3004).tip, "Murmel: 1 new message");
        EXPECT_TRUE(tray::Current().Delete(3004));
        EXPECT_FALSE(fake->Has(3004));
    }
    EXPECT_EQ(&tray::Current(), real);
}

}  // namespace
