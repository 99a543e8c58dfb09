#include "murmel/MurmelDlg.h"

#include "murmel/DebugLog.h"
#include "murmel/DlgProxy.h"
#include "murmel/MurmelApp.h"
#include "murmel/MurmelProfile.h"
#include "murmel/OptionsDlg.h"
#include "murmel/ReadThread.h"
#include "murmel/WorkerMessages.h"
#include "platform/App.h"

using namespace murmel;

CMurmelDlg::CMurmelDlg(QWidget* Parent) : QDialog(Parent) {
    setObjectName("102");
    setWindowTitle(kAppName);
}

CMurmelDlg::~CMurmelDlg() {
    WaitForWorker();
    if (m_pAutoProxy) m_pAutoProxy->m_pDialog = nullptr;
}

void CMurmelDlg::OnInitDialog() {
    InitDebugSwitch();
    WriteInstallPath(app::ProgramFolder());
    DebugLogDialog(" ");
    DebugLogDialog("-------------------- Beginn 2.06 4/2000 --------------------");
    DebugLogDialog("OnInitDialog()");
}

int CMurmelDlg::exec() {
    OnInitDialog();
    return QDialog::exec();
}

void CMurmelDlg::OnOptions() {
    DebugLogDialog("OnOptions()");
    if (m_bOptionsOpen) return;
    m_bOptionsOpen = true;
    COptionsDlg dlg(this);
    dlg.m_bAlwaysontop = GetProfileFlag(kOptions, "Alwaysontop", kFlagOn) ? 1 : 0;
    dlg.m_bAutocheck = GetProfileFlag(kOptions, "Autocheck", kFlagOn) ? 1 : 0;
    dlg.m_bAutoplay = GetProfileFlag(kOptions, "Autoplay", kFlagOn) ? 1 : 0;
    dlg.m_bAutodelete = GetProfileFlag(kOptions, "Autodelete", kFlagOff) ? 1 : 0;
    dlg.m_bRingsetup = GetProfileFlag(kOptions, "Ringsetup", kFlagOff) ? 1 : 0;
    dlg.m_strBaudrate = QString::fromStdString(GetProfileString(kOptions, "Baudrate", ""));
    dlg.m_strPort = QString::fromStdString(GetProfileString(kOptions, "Port", ""));
    dlg.m_strMailadress = QString::fromStdString(GetProfileString(kOptions, "Mailadress", ""));
    dlg.m_nRingnumber = static_cast<unsigned>(GetProfileInt(kOptions, "Ringnumber", 5));
    dlg.m_nCounter = static_cast<unsigned>(GetProfileInt(kOptions, "Counter", 1));
    dlg.m_strPath = QString::fromStdString(GetProfileString(kOptions, "Path", CurrentDirectory()));
    dlg.m_bMailmessages = GetProfileFlag(kOptions, "Mailmessages", kFlagOff) ? 1 : 0;
    if (dlg.exec() == QDialog::Accepted) {
        WriteProfileFlag(kOptions, "Alwaysontop", dlg.m_bAlwaysontop == 1);
        SetTopmost(dlg.m_bAlwaysontop == 1);
        WriteProfileFlag(kOptions, "Autocheck", dlg.m_bAutocheck == 1);
        WriteProfileFlag(kOptions, "Autoplay", dlg.m_bAutoplay == 1);
        WriteProfileFlag(kOptions, "Autodelete", dlg.m_bAutodelete == 1);
        WriteProfileFlag(kOptions, "Ringsetup", dlg.m_bRingsetup == 1);
        WriteProfileString(kOptions, "Baudrate", dlg.m_strBaudrate.toStdString());
        WriteProfileString(kOptions, "Port", dlg.m_strPort.toStdString());
        WriteProfileInt(kOptions, "Ringnumber", static_cast<int32_t>(dlg.m_nRingnumber));
        WriteProfileInt(kOptions, "Counter", static_cast<int32_t>(dlg.m_nCounter));
        WriteProfileString(kOptions, "Mailadress", dlg.m_strMailadress.toStdString());
        WriteProfileString(kOptions, "Path", dlg.m_strPath.toStdString());
        WriteProfileFlag(kOptions, "Mailmessages", dlg.m_bMailmessages == 1);
    }
    UpdateDisplay();
    m_bOptionsOpen = false;
    DebugLogDialog("   OnOption fertig.");
}

void CMurmelDlg::UpdateDisplay() {}

void CMurmelDlg::SetTopmost(bool On) {
    const bool shown = isVisible();
    const QRect place = geometry();
    setWindowFlag(Qt::WindowStaysOnTopHint, On);
    if (shown) {
        setGeometry(place);
        show();
    }
}

void CMurmelDlg::WaitForWorker() {
    if (m_hThread.joinable()) m_hThread.join();
}

void CMurmelDlg::checkmodem() {
    DebugLogDialog("checkmodem() (ruft Thread auf)");
    m_bChecking = true;
    if (m_hThread.joinable()) {
        UpdateDisplay();
        WaitForWorker();
    }
    m_hThread = std::thread(ReadThread, nullptr);
}

long CMurmelDlg::OnMessageready(int64_t, int64_t LParam) {
    DebugLogDialog("OnMessageready() Nummer: %li", static_cast<long>(LParam));
    UpdateDisplay();
    return 0;
}

long CMurmelDlg::OnThreaderror(int64_t, int64_t LParam) {
    DebugLogDialog("OnThreaderror() Code: %li", static_cast<long>(LParam));
    DebugLogDialog("Auf Thread-Ende warten.");
    WaitForWorker();
    DebugLogDialog("   Thread-Ende erreicht.");
    m_bChecking = false;
    m_bDeleting = false;
    UpdateDisplay();
    return 0;
}

long CMurmelDlg::OnNewmessages(int64_t WParam, int64_t LParam) {
    DebugLogDialog("OnNewmessages() %li, %li", static_cast<long>(WParam), static_cast<long>(LParam));
    UpdateDisplay();
    return 0;
}

long CMurmelDlg::OnNewmessagesfax(int64_t, int64_t LParam) {
    DebugLogDialog("OnNewmessagesfax() Anzahl: %li", static_cast<long>(LParam));
    UpdateDisplay();
    return 0;
}

long CMurmelDlg::OnDeletingmemory(int64_t, int64_t) {
    DebugLogDialog("OnDeletingmemory()");
    m_bDeleting = true;
    UpdateDisplay();
    return 0;
}

bool CMurmelDlg::event(QEvent* Event) {
    auto* w = dynamic_cast<WorkerEvent*>(Event);
    if (!w) return QDialog::event(Event);
    app::Guarded([&] {
        switch (w->Message()) {
            case WM_MESSAGEREADY: OnMessageready(w->WParam(), w->LParam()); break;
            case WM_THREADERROR: OnThreaderror(w->WParam(), w->LParam()); break;
            case WM_NEWMESSAGES: OnNewmessages(w->WParam(), w->LParam()); break;
            case WM_NEWMESSAGESFAX: OnNewmessagesfax(w->WParam(), w->LParam()); break;
            case WM_DELETINGMEMORY: OnDeletingmemory(w->WParam(), w->LParam()); break;
            default: break;
        }
    });
    return true;
}
