#pragma once
// The automation object of "Murmel.Application": it belongs to the tray
// dialog, keeps the program alive while it exists, and has no methods and
// no properties; it answers only for its own dispatch interface.
#include <string>

class CMurmelDlg;

class CMurmelDlgAutoProxy {
public:
    // Takes a lock on the program and hooks itself to the main window's dialog.
    explicit CMurmelDlgAutoProxy(CMurmelDlg* MainWindow);
    // Lets go of the lock.
    ~CMurmelDlgAutoProxy();
    CMurmelDlgAutoProxy(const CMurmelDlgAutoProxy&) = delete;
    CMurmelDlgAutoProxy& operator=(const CMurmelDlgAutoProxy&) = delete;

    // Whether the object answers for the interface of that identifier.
    static bool Answers(const std::string& InterfaceId);
    // How many objects keep the program alive now.
    static int Locks();

    CMurmelDlg* m_pDialog = nullptr;
};
