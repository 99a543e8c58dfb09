// The program entry of the fax viewer.
#include <QCoreApplication>
#include <memory>
#include <string>
#include <vector>

#include "platform/App.h"
#include "platform/Signals.h"
#include "platform/Ui.h"
#include "support/AboutPellow.h"
#include "support/Version.h"
#include "viewer/ImagingLoader.h"
#include "viewer/viewer.h"

int main(int argc, char** argv) {
    // Taken before the application object removes the GUI toolkit's own
    // options from argv: every argument is a file or the switch.
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);

    app::Application application(argc, argv);
    ui::Install(ui::FromEnvironment());
    CheckComCtlVersion();
    CheckImagingComponent();
    app::SetTitle("Pellow Fax Viewer");
    application.setApplicationName("Pellow Fax Viewer");

    auto form = std::make_unique<leafor::TFormMain>(arguments);
    leafor::TFormMain* window = form.get();
    window->FormCreate();
    FormAboutPellow = new TFormAboutPellow(window);

    // A log-off closes the window the normal way, so its close handler runs.
    termsignals::OnTerminate([window] { window->close(); });
    QObject::connect(window, &leafor::TFormMain::Closed, &application, [] { QCoreApplication::quit(); });
    window->show();
    const int code = application.exec();
    termsignals::RestoreDefaults();
    form.reset();
    FormAboutPellow = nullptr;
    return code;
}
