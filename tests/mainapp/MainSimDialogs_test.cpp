// The modem's settings and info dialogs as the main window opens them, on
// the simulated modems of both families: the menu items and tool buttons
// reach the dialogs of the family that detection found, the dialogs read and
// write that modem, and the window is busy with the status text while one
// is up and itself again when it has closed.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "mainapp/InfoForm3com.h"
#include "mainapp/InfoFormElsa.h"
#include "mainapp/MainSimKit.h"
#include "mainapp/Settings3comMsg.h"
#include "mainapp/SettingsElsaMLOffice.h"
#include "support/Language.h"

using namespace maintest;

namespace {

class MainSimDialogs : public MainSimTest {
protected:
    // Opens Dialog with Open; once it is up and has read the modem (and
    // Loaded holds), User works it and closes it. The window is busy with
    // Status meanwhile, and itself again afterwards: not busy, no status
    // text, and no error was shown.
    void UseDialog(TModemForm& Dialog, const std::function<void()>& Open, const std::string& Status,
                   const std::function<void()>& User, const std::function<bool()>& Loaded = [] { return true; }) {
        QObject context;
        bool busy = false;
        std::string status;
        WhenReady(
            &context, [&] { return Dialog.isVisible() && !Dialog.Exchanging() && Loaded(); },
            [&] {
                busy = form->Busy;
                status = form->StatusText();
                User();
            });
        Open();
        EXPECT_TRUE(busy);
        EXPECT_EQ(status, Status);
        EXPECT_FALSE(Dialog.isVisible());
        EXPECT_FALSE(form->Busy);
        EXPECT_EQ(form->StatusText(), "");
        EXPECT_TRUE(form->ToolButtonReload->isEnabled());
        for (const auto& p : Prompts()) EXPECT_NE(p.kind, "error") << p.text;
    }
    // The model line an info dialog showed, opened with Open.
    std::string ModelShownBy(TInfoForm& Info, const std::function<void()>& Open) {
        std::string model;
        UseDialog(Info, Open, Lang->MainStatusShowingInfo, [&] {
            model = Info.ModemId->text().toStdString();
            Info.ButtonOK->click();
        });
        return model;
    }
};

TEST_F(MainSimDialogs, The3comModemsSettingsAndInfo) {
    Modem({"--model", "56k-pro"});
    TFormMain& f = Run();
    ASSERT_TRUE(f.ModemConnected);
    TForm3ComMsgSettings& settings = *Form3ComMsgSettings;
    UseDialog(settings, [&] { f.MenuSettingsModem->trigger(); }, Lang->MainStatusShowingSettings, [&] {
        settings.EditDauer->setText("45");
        settings.ButtonOK->click();
    });
    EXPECT_EQ(Received("ATE0V1+MVD="), std::vector<std::string>{"ATE0V1+MVD=45"});
    EXPECT_EQ(Received("ATE0V1+MCW").size(), 1u);
    // The tool button opens the same dialog, which reads the modem anew.
    UseDialog(settings, [&] { f.ToolButtonModemSettings->click(); }, Lang->MainStatusShowingSettings,
              [&] { settings.ButtonCancel->click(); });
    EXPECT_EQ(settings.EditDauer->text(), "45");
    EXPECT_EQ(Received("ATE0V1+mvd?").size(), 3u);  // two showings and the saving's fresh query

    const std::string model = ModelShownBy(*FormInfo3com, [&] { f.MenuHelpAboutModem->trigger(); });
    EXPECT_EQ(model.rfind("U.S. Robotics 56K Pro Msg", 0), 0u) << model;
    EXPECT_EQ(Received("ATi4").size(), 1u);
}

TEST_F(MainSimDialogs, TheElsasSettingsAndInfo) {
    Modem({"--model", "elsa"});
    TFormMain& f = Run();
    ASSERT_TRUE(f.ModemConnected);
    TFormElsaMLOfficeSettings& settings = *FormElsaMLOfficeSettings;
    bool answering = false;
    UseDialog(
        settings, [&] { f.ToolButtonModemSettings->click(); }, Lang->MainStatusShowingSettings,
        [&] {
            answering = settings.CheckBoxAWOnOff->isChecked();
            settings.CheckBoxAWOnOff->click();
            settings.ButtonOK->click();
        },
        [&] { return settings.LoadRuns() > 0; });
    EXPECT_EQ(Received("AT$JCFGF="), std::vector<std::string>{std::string("AT$JCFGF=1,") + (answering ? "0" : "1")});
    EXPECT_EQ(Received("AT$JVGM=").size(), 1u);

    EXPECT_EQ(ModelShownBy(*FormInfoElsa, [&] { f.ToolButtonAbout->click(); }), "\"MicroLink Office\"\n");
}

}  // namespace
