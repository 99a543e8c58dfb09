#include "murmel/MurmelApp.h"

#include <QTimer>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "murmel/DlgProxy.h"
#include "murmel/MurmelDlg.h"
#include "murmel/MurmelProfile.h"
#include "murmel/WorkerMessages.h"
#include "platform/App.h"
#include "platform/Ole.h"
#include "platform/Registry.h"
#include "platform/Signals.h"
#include "platform/Ui.h"

namespace murmel {

namespace {

bool SameText(const std::string& a, const char* b) {
    const std::string t(b);
    if (a.size() != t.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(t[i]))) return false;
    return true;
}

std::string ProgramPath() {
    std::error_code ec;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
}

// String 100 in a box, before any window exists; without a display the
// box cannot be shown, and the text goes to standard error instead.
void ReportOleFailure() {
    if (std::getenv("PELLOW_UI_LOG") || std::getenv("PELLOW_UI_ANSWERS")) {
        ui::Install(ui::FromEnvironment());
        ui::MessageBox({kOleInitError, kAppName, ui::MbOk, ui::IconNone});
        return;
    }
    std::fprintf(stderr, "%s: %s\n", kAppName, kOleInitError);
}

}  // namespace

bool IsServedStart(const std::vector<std::string>& Arguments) {
    for (const auto& a : Arguments) {
        if (a.size() < 2 || (a[0] != '-' && a[0] != '/')) continue;
        const std::string flag = a.substr(1);
        if (SameText(flag, "Embedding") || SameText(flag, "Automation")) return true;
    }
    return false;
}

void RegisterAutomationClass(const std::string& ServerPath) {
    const std::string cls = std::string("\\CLSID\\") + kClassId;
    registry::TRegBatch batch(registry::THive::HKCR);
    batch.WriteString(std::string("\\") + kProgId, "", kProgId);
    batch.WriteString(std::string("\\") + kProgId + "\\CLSID", "", kClassId);
    batch.WriteString(cls, "", kProgId);
    batch.WriteString(cls + "\\ProgID", "", kProgId);
    batch.WriteString(cls + "\\LocalServer32", "", ServerPath);
    try {
        batch.Commit();
    } catch (const std::exception&) {
        // Registry writes report no errors.
    }
}

void WriteInstallPath(const std::string& ProgramFolder) { WriteProfileString(kInstall, "Path", ProgramFolder); }

CMurmelApp::CMurmelApp(int& Argc, char** Argv) : argc_(Argc), argv_(Argv) {
    for (int i = 1; i < Argc; ++i) arguments_.emplace_back(Argv[i]);
}

bool CMurmelApp::InitInstance() {
    // OLE, that is the desktop behind the GUI toolkit.
    if (!ole::Initialize()) {
        ReportOleFailure();
        return false;
    }
    app::Application application(argc_, argv_);
    ui::Install(ui::FromEnvironment());
    app::SetTitle(kAppName);
    application.setApplicationName(kAppName);
    SetProfileName(ProfileNameOf(ProgramPath()));

    const bool served = IsServedStart(arguments_);
    if (!served) RegisterAutomationClass(ProgramPath());

    CMurmelDlg dlg;
    SetMainWindow(&dlg);
    // A client that starts a served instance has asked for one object.
    std::unique_ptr<CMurmelDlgAutoProxy> proxy;
    if (served) QTimer::singleShot(0, &dlg, [&] { proxy = std::make_unique<CMurmelDlgAutoProxy>(&dlg); });
    // A log-off closes the dialog the normal way.
    termsignals::OnTerminate([&dlg] { dlg.reject(); });
    dlg.exec();
    termsignals::RestoreDefaults();
    SetMainWindow(nullptr);
    proxy.reset();
    return false;
}

}  // namespace murmel
