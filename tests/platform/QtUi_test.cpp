// The Qt boxes of the UI seam: the icon and buttons each spec asks for, a
// dialog frame without minimise and maximise, and room for the caption.
#include "platform/QtUi.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QPushButton>
#include <memory>

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "qtui-test";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};
const auto* const kQt = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

QMessageBox::StandardButton ByName(const std::string& Name) {
    const std::pair<const char*, QMessageBox::StandardButton> names[] = {
        {"OK", QMessageBox::Ok},       {"Cancel", QMessageBox::Cancel}, {"Abort", QMessageBox::Abort},
        {"Retry", QMessageBox::Retry}, {"Ignore", QMessageBox::Ignore}, {"Yes", QMessageBox::Yes},
        {"No", QMessageBox::No}};
    for (const auto& [n, b] : names)
        if (Name == n) return b;
    return QMessageBox::NoButton;
}

void ExpectDialogFrame(Qt::WindowFlags f, bool closeButton) {
    EXPECT_EQ(f & Qt::WindowType_Mask, Qt::Dialog);
    EXPECT_TRUE(f & Qt::CustomizeWindowHint) << "without it the window manager adds its own buttons";
    EXPECT_TRUE(f & Qt::WindowTitleHint);
    EXPECT_FALSE(f & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(f & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(static_cast<bool>(f & Qt::WindowCloseButtonHint), closeButton);
}

TEST(QtUi, EachBoxHasTheIconAndButtonsItsCallAsksFor) {
    const std::pair<ui::Icon, QMessageBox::Icon> icons[] = {{ui::IconNone, QMessageBox::NoIcon},
                                                            {ui::IconError, QMessageBox::Critical},
                                                            {ui::IconQuestion, QMessageBox::Question},
                                                            {ui::IconWarning, QMessageBox::Warning},
                                                            {ui::IconInformation, QMessageBox::Information}};
    const std::pair<ui::Buttons, QMessageBox::StandardButtons> buttons[] = {
        {ui::MbOk, QMessageBox::Ok},
        {ui::MbOkCancel, QMessageBox::Ok | QMessageBox::Cancel},
        {ui::MbAbortRetryIgnore, QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore},
        {ui::MbYesNoCancel, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel},
        {ui::MbYesNo, QMessageBox::Yes | QMessageBox::No},
        {ui::MbRetryCancel, QMessageBox::Retry | QMessageBox::Cancel}};
    for (const auto& [icon, qtIcon] : icons) {
        for (const auto& [set, qtButtons] : buttons) {
            SCOPED_TRACE(ui::KindOf(icon) + " " + std::to_string(set));
            ui::MessageSpec spec{"ERROR: Could not get page", "Pellow", set, icon, 1};
            const auto box = ui::MakeMessageBox(spec);
            EXPECT_EQ(box->icon(), qtIcon);
            EXPECT_EQ(box->standardButtons(), qtButtons);
            EXPECT_EQ(box->buttons().size(), static_cast<qsizetype>(ui::ButtonNames(set).size()));
            // The second button of the call is the default where there is one.
            const auto names = ui::ButtonNames(set);
            const std::string wanted = names.size() > 1 ? names[1] : names[0];
            EXPECT_EQ(box->standardButton(box->defaultButton()), ByName(wanted)) << wanted;
            ExpectDialogFrame(box->windowFlags(), true);
        }
    }
}

TEST(QtUi, ABoxIsWideEnoughForItsCaption) {
    for (const char* caption : {"Pellow", "Confirm", "A caption much longer than its text"}) {
        SCOPED_TRACE(caption);
        const auto box = ui::MakeMessageBox({"SOH errors!", caption, ui::MbOk, ui::IconError, 0});
        box->show();
        QApplication::processEvents();
        QFont title = box->font();
        title.setBold(true);
        EXPECT_GE(box->width(), QFontMetrics(title).horizontalAdvance(caption) + ui::kFrameCaptionAllowance);
        box->hide();
    }
}

TEST(QtUi, BoxesAreDialogsOfTheActiveWindow) {
    QWidget window;
    window.show();
    QApplication::setActiveWindow(&window);
    const auto box = ui::MakeMessageBox({"Timeout occoured!", "Pellow", ui::MbOk, ui::IconError, 0});
    EXPECT_EQ(box->parentWidget(), &window);
    EXPECT_TRUE(box->isWindow());
    ExpectDialogFrame(ui::DialogFrame(false), false);
}

}  // namespace
