// Echolet's entry point: the application object, the title of its boxes,
// and the start-up, which ends when the dialog closes.
#include "echolet/Echolet.h"
#include "echolet/EcholetDlg.h"
#include "platform/App.h"

int main(int argc, char** argv) {
    // The command line as given, before the toolkit takes its own options out of it.
    echolet::CEcholetApp theApp;
    theApp.m_lpCmdLine = echolet::CommandLineOf(argc, argv);
    app::Application application(argc, argv);
    app::SetTitle("Echolet");
    theApp.InitInstance();
    return 0;
}
