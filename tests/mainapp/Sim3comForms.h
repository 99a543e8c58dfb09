#pragma once
// The working notice and the playing dialog behind the dialog provider that
// the main application registers, with a 3Com family object on the
// simulator; and ways to drive a modal form's timer from inside its run.
#include <gtest/gtest.h>

#include <QFont>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "mainapp/DialogPlayMessage.h"
#include "mainapp/Globals.h"
#include "mainapp/MainDialogs.h"
#include "mainapp/MainTestKit.h"
#include "mainapp/WorkingForm.h"
#include "modem/Sim3comRig.h"
#include "support/RegIniFile.h"
#include "testkit/TestKit.h"

namespace formstest {

// The provider of the main application with its two forms, made and
// registered as at program start, and gone with the test.
struct FormDialogs {
    MainDialogs provider{nullptr};
    TFormPlayingMessage& play = *FormPlayingMessage;
    TFormWork& work = *FormWork;
};

// Runs Body once the next modal run has started (from inside its loop).
inline void WhenShown(std::function<void()> Body) {
    QTimer::singleShot(0, [Body = std::move(Body)] { Body(); });
}

// The modal result of a run that the test had to end itself.
constexpr int kStuck = -1;

// Ticks Form's timer by hand Count times; AfterTick sees the number of each tick.
template <class F>
void Tick(F& Form, int Count, const std::function<void(int)>& AfterTick = {}) {
    for (int t = 1; t <= Count; ++t) {
        Form.Timer1Timer();
        if (AfterTick) AfterTick(t);
    }
}

// Ticks Form's timer by hand until the form closes, at most Limit times, and
// returns the ticks it took. A form still shown then ends with kStuck, so
// that the test fails instead of waiting for ever.
template <class F>
int TickUntilClosed(F& Form, int Limit, const std::function<void(int)>& AfterTick = {}) {
    int ticks = 0;
    while (Form.isVisible() && ticks < Limit) {
        Form.Timer1Timer();
        ++ticks;
        if (AfterTick) AfterTick(ticks);
    }
    if (Form.isVisible()) Form.done(kStuck);
    return ticks;
}

// The 3Com family as the global modem object, for the working notice.
class CurrentModem {
public:
    explicit CurrentModem(TModemClass* Modem) : previous_(ModemObject) { ModemObject = Modem; }
    ~CurrentModem() { ModemObject = previous_; }
    CurrentModem(const CurrentModem&) = delete;
    CurrentModem& operator=(const CurrentModem&) = delete;

private:
    TModemClass* previous_;
};

// A form of type F saves its placement and the font set on its control
// Control under Key when it is destroyed, and takes the placement back at its
// first showing.
template <class F>
void ExpectPlacementKept(const std::string& Key, const char* Control) {
    testkit::TempHome home;
    std::string fontSection;
    // A size the form's layout allows: at least what its controls need.
    QSize size(310, 170);
    {
        F form;
        // The controls' fonts are saved too, so the form's placement
        // component must go before its controls.
        auto* control = form.template findChild<QWidget*>(Control);
        ASSERT_NE(control, nullptr);
        QFont font = control->font();
        font.setPointSize(13);
        font.setBold(true);
        control->setFont(font);
        fontSection = form.objectName().toStdString() + "\\" + Control;
        form.show();
        size = size.expandedTo(form.minimumSizeHint());
        form.setGeometry(40, 50, size.width(), size.height());
        form.hide();
    }
    TRegIniFile ini(Key);
    EXPECT_EQ(ini.ReadInteger("Form", "Left", -1), 40);
    EXPECT_EQ(ini.ReadInteger("Form", "Top", -1), 50);
    EXPECT_EQ(ini.ReadInteger("Form", "Width", -1), size.width());
    EXPECT_EQ(ini.ReadInteger("Form", "Height", -1), size.height());
    EXPECT_EQ(ini.ReadInteger("Form", "State", -1), 0);
    EXPECT_EQ(ini.ReadInteger(fontSection, "FontSize", -1), 13);
    EXPECT_EQ(ini.ReadInteger(fontSection, "FontStyle", -1), 1);
    ini.WriteInteger("Form", "Left", 60);
    ini.WriteInteger("Form", "Width", size.width() + 20);
    F again;
    again.show();
    EXPECT_EQ(again.geometry().left(), 60);
    EXPECT_EQ(again.geometry().width(), size.width() + 20);
    again.hide();
}

}  // namespace formstest
