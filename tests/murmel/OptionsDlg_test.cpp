// The options dialog as the tray dialog runs it: the profile's values in
// its controls, the standard validation that keeps it open, what OK writes
// and what Cancel leaves, the topmost switch, and a second open.
#include "murmel/OptionsDlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "murmel/MurmelDlg.h"
#include "tests/support/QelTestApp.h"  // the tests' one application object
#include "murmel/MurmelProfile.h"
#include "platform/Registry.h"
#include "testkit/TestKit.h"

namespace {

using namespace murmel;

class Options : public ::testing::Test {
protected:
    void SetUp() override {
        SetProfileName("Murmel");
        cwd = CurrentDirectory();
        ASSERT_EQ(chdir(home.Path().c_str()), 0);
    }
    void TearDown() override { ASSERT_EQ(chdir(cwd.c_str()), 0); }

    // Runs OnOptions; Act gets the dialog once it is open, and must close it.
    void WithOptions(const std::function<void(COptionsDlg&)>& Act) {
        bool acted = false;
        std::function<void()> poll = [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* d = dynamic_cast<COptionsDlg*>(w);
                if (d && d->isVisible()) {
                    acted = true;
                    Act(*d);
                    if (d->isVisible()) d->reject();  // a failed test must not hang
                    return;
                }
            }
            QTimer::singleShot(5, poll);
        };
        QTimer::singleShot(0, poll);
        dlg.OnOptions();
        EXPECT_TRUE(acted);
    }

    static QCheckBox* Check(COptionsDlg& d, const char* id) { return d.findChild<QCheckBox*>(id); }
    static QLineEdit* Edit(COptionsDlg& d, const char* id) { return d.findChild<QLineEdit*>(id); }
    static QComboBox* Combo(COptionsDlg& d, const char* id) { return d.findChild<QComboBox*>(id); }
    static void Click(COptionsDlg& d, const char* id) { QTest::mouseClick(d.findChild<QPushButton*>(id), Qt::LeftButton); }

    std::string Hive() const { return testkit::ReadFile(registry::HivePath(registry::THive::HKCU)); }

    testkit::TempHome home;
    testkit::ScopedScriptedUi ui;
    std::string cwd;
    CMurmelDlg dlg;
};

TEST_F(Options, AFreshProfileShowsTheDialogsDefaults) {
    WithOptions([&](COptionsDlg& d) {
        EXPECT_EQ(d.windowTitle(), "Murmel Options");
        EXPECT_TRUE(Check(d, "1020")->isChecked());
        EXPECT_TRUE(Check(d, "1019")->isChecked());
        EXPECT_TRUE(Check(d, "1042")->isChecked());
        EXPECT_FALSE(Check(d, "1021")->isChecked());
        EXPECT_FALSE(Check(d, "1026")->isChecked());
        EXPECT_FALSE(Check(d, "1029")->isChecked());
        EXPECT_EQ(Edit(d, "1024")->text(), "1");
        EXPECT_EQ(Edit(d, "1030")->text(), "5");
        EXPECT_FALSE(Edit(d, "1030")->isEnabled());
        EXPECT_EQ(Edit(d, "1022")->text().toStdString(), home.Path());
        EXPECT_EQ(Combo(d, "1028")->currentText(), "");
        EXPECT_EQ(Combo(d, "1031")->currentIndex(), -1);
        EXPECT_EQ(Edit(d, "1027")->text(), "");
        EXPECT_FALSE(d.findChild<QPushButton*>("1023")->isVisible());
        EXPECT_EQ(Combo(d, "1028")->count(), 8);
        EXPECT_EQ(Combo(d, "1028")->itemText(7), "COM8");
        EXPECT_EQ(Combo(d, "1031")->itemText(4), "115200");
        Click(d, "2");
    });
    EXPECT_EQ(Hive().find("Options"), std::string::npos) << "Cancel writes nothing";
    EXPECT_FALSE(dlg.m_bOptionsOpen);
}

TEST_F(Options, OkWritesEveryValueAsTextFlagOrNumber) {
    WithOptions([&](COptionsDlg& d) {
        Check(d, "1020")->setChecked(false);
        Check(d, "1021")->setChecked(true);
        Check(d, "1026")->setChecked(true);
        QTest::mouseClick(Check(d, "1029"), Qt::LeftButton);
        EXPECT_TRUE(Edit(d, "1030")->isEnabled());
        Edit(d, "1030")->setText("6");
        Edit(d, "1024")->setText("250");
        Edit(d, "1022")->setText("/srv/voice");
        Edit(d, "1027")->setText("me@example.org");
        QComboBox* port = Combo(d, "1028");
        port->lineEdit()->clear();
        QTest::keyClicks(port->lineEdit(), "/dev/ttyACM0");  // not in the list
        Combo(d, "1031")->setCurrentIndex(3);
        Click(d, "1");
        EXPECT_FALSE(d.isVisible());
    });
    const struct {
        const char* entry;
        const char* text;
    } texts[] = {{"Alwaysontop", "FALSE"},  {"Autocheck", "TRUE"},          {"Autoplay", "TRUE"},
                 {"Autodelete", "TRUE"},    {"Ringsetup", "TRUE"},          {"Baudrate", "57600"},
                 {"Port", "/dev/ttyACM0"}, {"Mailadress", "me@example.org"}, {"Path", "/srv/voice"},
                 {"Mailmessages", "TRUE"}};
    for (const auto& t : texts) EXPECT_EQ(GetProfileString(kOptions, t.entry, "(missing)"), t.text) << t.entry;
    EXPECT_EQ(GetProfileInt(kOptions, "Ringnumber", 0), 6);
    EXPECT_EQ(GetProfileInt(kOptions, "Counter", 0), 250);
    EXPECT_NE(Hive().find("\"Counter\"=dword:000000fa"), std::string::npos);
    EXPECT_FALSE(dlg.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    // The stored values come back; an empty Baudrate list stores an empty text.
    WithOptions([&](COptionsDlg& d) {
        EXPECT_EQ(Combo(d, "1028")->currentText(), "/dev/ttyACM0");
        EXPECT_EQ(Combo(d, "1031")->currentText(), "57600");
        EXPECT_FALSE(Check(d, "1020")->isChecked());
        EXPECT_TRUE(Edit(d, "1030")->isEnabled());
        Check(d, "1020")->setChecked(true);
        Combo(d, "1031")->setCurrentIndex(-1);
        Click(d, "1");
    });
    EXPECT_EQ(GetProfileString(kOptions, "Baudrate", "(missing)"), "");
    EXPECT_EQ(GetProfileString(kOptions, "Alwaysontop", ""), "TRUE");
    EXPECT_TRUE(dlg.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(Options, NumbersOutOfTheirLimitsAreRefusedFieldByField) {
    const struct {
        const char* field;
        const char* typed;
        const char* message;
    } cases[] = {
        {"1024", "0", "Please enter an integer between 1 and 9999."},
        {"1024", "10000", "Please enter an integer between 1 and 9999."},
        {"1024", "", "Please enter a positive integer."},
        {"1030", "2", "Please enter an integer between 3 and 6."},
        {"1030", "7", "Please enter an integer between 3 and 6."},
        {"1030", "x", "Please enter a positive integer."},
        {"1030", "-4", "Please enter a positive integer."},
    };
    WriteProfileFlag(kOptions, "Ringsetup", true);  // the ring field takes input
    for (const auto& c : cases) {
        ui->ClearPrompts();
        WithOptions([&](COptionsDlg& d) {
            Edit(d, c.field)->setText(c.typed);
            Click(d, "1");
            EXPECT_TRUE(d.isVisible()) << c.field << " " << c.typed << ": the dialog stays open";
            EXPECT_EQ(d.focusWidget(), Edit(d, c.field)) << c.field << " " << c.typed;
            Edit(d, c.field)->setText(c.field == std::string("1024") ? "9999" : " 3 ");
            Click(d, "1");
            EXPECT_FALSE(d.isVisible());
        });
        const auto prompts = ui->Prompts();
        ASSERT_EQ(prompts.size(), 1u) << c.field << " " << c.typed;
        EXPECT_EQ(prompts[0].text, c.message);
        EXPECT_EQ(prompts[0].caption, "Murmel");
        EXPECT_EQ(prompts[0].kind, "warning");
    }
    EXPECT_EQ(GetProfileInt(kOptions, "Counter", 0), 9999);
    EXPECT_EQ(GetProfileInt(kOptions, "Ringnumber", 0), 3);
}

TEST_F(Options, TextsStopAtTheirLimitsAndLongerStoredOnesAreRefused) {
    WithOptions([&](COptionsDlg& d) {
        Edit(d, "1022")->clear();
        QTest::keyClicks(Edit(d, "1022"), QString(260, 'p'));
        EXPECT_EQ(Edit(d, "1022")->text().size(), 256);
        QTest::keyClicks(Edit(d, "1027"), QString(205, 'm'));
        EXPECT_EQ(Edit(d, "1027")->text().size(), 200);
        QTest::keyClicks(Edit(d, "1024"), "4a-");
        EXPECT_EQ(Edit(d, "1024")->text(), "14");
        Click(d, "1");
    });
    EXPECT_EQ(GetProfileString(kOptions, "Path", "").size(), 256u);
    EXPECT_EQ(GetProfileInt(kOptions, "Counter", 0), 14);

    WriteProfileString(kOptions, "Mailadress", std::string(230, 'x'));
    WithOptions([&](COptionsDlg& d) {
        EXPECT_EQ(Edit(d, "1027")->text().size(), 230) << "a stored text is shown whole";
        Click(d, "1");
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(ui->Prompts().back().text, "Please enter no more than 200 characters.");
        Click(d, "2");
    });
    EXPECT_EQ(GetProfileString(kOptions, "Mailadress", "").size(), 230u);
}

TEST_F(Options, TheRingCheckBoxTakesTheValuesAndSwitchesItsField) {
    WithOptions([&](COptionsDlg& d) {
        QTest::mouseClick(Check(d, "1029"), Qt::LeftButton);
        EXPECT_TRUE(Edit(d, "1030")->isEnabled());
        EXPECT_EQ(d.m_bRingsetup, 1);
        QTest::mouseClick(Check(d, "1029"), Qt::LeftButton);
        EXPECT_FALSE(Edit(d, "1030")->isEnabled());
        // A value out of its limits stops the exchange before the check box is taken.
        Edit(d, "1024")->setText("0");
        QTest::mouseClick(Check(d, "1029"), Qt::LeftButton);
        EXPECT_EQ(d.m_bRingsetup, 0);
        EXPECT_FALSE(Edit(d, "1030")->isEnabled());
        Click(d, "2");
    });
    EXPECT_EQ(ui->Prompts().size(), 1u);
}

TEST_F(Options, ASecondOpenWhileItIsOpenDoesNothing) {
    WithOptions([&](COptionsDlg& d) {
        EXPECT_TRUE(dlg.m_bOptionsOpen);
        dlg.OnOptions();  // returns at once
        int open = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (dynamic_cast<COptionsDlg*>(w) && w->isVisible()) ++open;
        EXPECT_EQ(open, 1);
        Click(d, "2");
    });
    EXPECT_FALSE(dlg.m_bOptionsOpen);
}

TEST_F(Options, TopmostChangesKeepAShownWindowInItsPlace) {
    dlg.setGeometry(100, 120, 400, 150);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    const QRect place = dlg.geometry();
    WithOptions([&](COptionsDlg& d) { Click(d, "1"); });
    EXPECT_TRUE(dlg.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.geometry(), place);
    WithOptions([&](COptionsDlg& d) {
        Check(d, "1020")->setChecked(false);
        Click(d, "1");
    });
    EXPECT_FALSE(dlg.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.geometry(), place);
    dlg.hide();
}

}  // namespace
