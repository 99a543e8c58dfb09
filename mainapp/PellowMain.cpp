// The program entry of Pellow.
#include <QCoreApplication>
#include <memory>
#include <string>
#include <vector>

#include "mainapp/Globals.h"
#include "mainapp/Main.h"
#include "mainapp/MainDialogs.h"
#include "mainapp/PellowSettings.h"
#include "modem/CommClass.h"
#include "platform/App.h"
#include "platform/Signals.h"
#include "platform/TextFile.h"
#include "platform/Ui.h"
#include "support/AboutPellow.h"
#include "support/Language.h"
#include "support/Version.h"

int main(int argc, char** argv) {
    // Taken before the application object sees them: it removes the options
    // of the GUI toolkit (-style, -reverse, ...) from argv, and every argument
    // but the autostart switch is an unknown parameter of this program.
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);

    app::Application application(argc, argv);
    ui::Install(ui::FromEnvironment());
    CheckComCtlVersion();
    app::SetTitle("Pellow");
    application.setApplicationName("Pellow");

    LanguageClass language;
    Lang = &language;
    // The forms live for the whole run; the main window first, so that its
    // creation handler runs before the others exist.
    auto mainForm = std::make_unique<TFormMain>();
    FormMain = mainForm.get();
    FormMain->FormCreate(arguments);
    const MainDialogs dialogs(FormMain);
    FormAboutPellow = new TFormAboutPellow(FormMain);
    FormPellowSettings = new TFormPellowSettings(FormMain);

    // A log-off closes the window the normal way, so its close handler runs.
    termsignals::OnTerminate([] {
        if (FormMain) FormMain->close();
    });
    // The loop ends when the main window has closed, also when that happened
    // before the loop began (a log-off during the first Reload).
    bool closed = false;
    QObject::connect(FormMain, &TFormMain::Closed, &application, [&closed] {
        closed = true;
        QCoreApplication::quit();
    });

    app::Guarded([] { FormMain->ToolButtonReloadClick(nullptr); });
    int code = 0;
    if (!closed) {
        if (!FormMain->isVisible()) FormMain->show();
        code = application.exec();
    }
    termsignals::RestoreDefaults();
    mainForm.reset();
    FormMain = nullptr;
    FormAboutPellow = nullptr;
    FormPellowSettings = nullptr;
    Lang = nullptr;
    LogFileOn = false;
    textfile::Close(LogTextFile);
    LogTextFile = nullptr;
    return code;
}
