#pragma once
// The working notice and the playing dialog behind the dialog provider, as
// the main application registers them, with a 3Com family object on the
// simulator; and ways to drive a modal form's timer from inside its run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <functional>
#include <memory>

#include "mainapp/DialogPlayMessage.h"
#include "mainapp/Globals.h"
#include "mainapp/WorkingForm.h"
#include "modem/ModemDialogs.h"
#include "modem/Sim3comRig.h"
#include "platform/App.h"

namespace formstest {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "pellow-forms-test";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<app::Application>(argc, argv);
        app::SetTitle("Pellow");
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<app::Application> app_;
};
inline const auto* const kQt = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// The two forms offered to the modem layer.
class FormDialogs : public TModemDialogs {
public:
    TFormPlayingMessage play;
    TFormWork work;

    FormDialogs() : previous_(SetModemDialogs(this)) {}
    ~FormDialogs() override { SetModemDialogs(previous_); }

    void PreparePlayingMessage(int32_t MaxSteps, const std::string& TotalTime, const std::string& MsgNo,
                               TCommClass* Comm) override {
        play.Prepare(MaxSteps, TotalTime, MsgNo, Comm);
    }
    int ShowPlayingMessage() override { return last = play.ShowModal(); }
    void SetWorkingAction(const std::string& Action) override {
        work.LabelAction->setText(QString::fromStdString(Action));
    }
    int ShowWorkingNotice() override { return last = work.ShowModal(); }
    void Show3comSettings() override {}
    void Show3comInfo() override {}
    void ShowElsaSettings() override {}
    void ShowElsaInfo() override {}

    int last = -1;

private:
    TModemDialogs* previous_;
};

// Runs Body once the next modal run has started (from inside its loop).
inline void WhenShown(std::function<void()> Body) {
    QTimer::singleShot(0, [Body = std::move(Body)] { Body(); });
}

// The 3Com family as the global modem object, for the working notice.
class CurrentModem {
public:
    explicit CurrentModem(TModemClass* Modem) : previous_(ModemObject) { ModemObject = Modem; }
    ~CurrentModem() { ModemObject = previous_; }

private:
    TModemClass* previous_;
};

}  // namespace formstest

#include "support/RegIniFile.h"
#include "testkit/TestKit.h"

namespace formstest {

// A form of type F saves its placement under Key when it is destroyed and
// takes it back at its first showing.
template <class F>
void ExpectPlacementKept(const std::string& Key) {
    testkit::TempHome home;
    {
        F form;
        form.show();
        form.setGeometry(40, 50, 310, 170);
        form.hide();
    }
    TRegIniFile ini(Key);
    EXPECT_EQ(ini.ReadInteger("Form", "Left", -1), 40);
    EXPECT_EQ(ini.ReadInteger("Form", "Top", -1), 50);
    EXPECT_EQ(ini.ReadInteger("Form", "Width", -1), 310);
    EXPECT_EQ(ini.ReadInteger("Form", "Height", -1), 170);
    EXPECT_EQ(ini.ReadInteger("Form", "State", -1), 0);
    ini.WriteInteger("Form", "Left", 60);
    ini.WriteInteger("Form", "Width", 330);
    F again;
    again.show();
    EXPECT_EQ(again.geometry().left(), 60);
    EXPECT_EQ(again.geometry().width(), 330);
    again.hide();
}

}  // namespace formstest
