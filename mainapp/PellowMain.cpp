// The program entry of Pellow.
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "mainapp/Globals.h"
#include "mainapp/Main.h"
#include "mainapp/MainDialogs.h"
#include "platform/App.h"
#include "platform/Signals.h"
#include "platform/Ui.h"
#include "support/AboutPellow.h"
#include "support/Language.h"
#include "support/Version.h"

int main(int argc, char** argv) {
    app::Application application(argc, argv);
    ui::Install(ui::FromEnvironment());
    CheckComCtlVersion();
    app::SetTitle("Pellow");
    application.setApplicationName("Pellow");

    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);

    LanguageClass language;
    Lang = &language;
    // The forms live for the whole run; the main window first, so that its
    // creation handler runs before the others exist.
    auto main = std::make_unique<TFormMain>();
    FormMain = main.get();
    FormMain->FormCreate(arguments);
    const MainDialogs dialogs(FormMain);
    FormAboutPellow = new TFormAboutPellow(FormMain);

    // A log-off closes the window the normal way, so its close handler runs.
    termsignals::OnTerminate([] {
        if (FormMain) FormMain->close();
    });
    QObject::connect(FormMain, &TFormMain::Closed, &application, [] { QTimer::singleShot(0, [] { qApp->quit(); }); });

    FormMain->ToolButtonReloadClick(nullptr);
    if (!FormMain->isVisible()) FormMain->show();
    const int code = application.exec();
    termsignals::RestoreDefaults();
    main.reset();
    Lang = nullptr;
    return code;
}
