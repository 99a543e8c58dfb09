#pragma once
// Murmel's main window, the tray dialog (dialog 102 "Murmel"). It lives for
// the whole run, starts the download worker, receives the workers' posted
// messages and runs the options dialog.
#include <QDialog>
#include <cstdint>
#include <thread>

class CMurmelDlgAutoProxy;

class CMurmelDlg : public QDialog {
public:
    explicit CMurmelDlg(QWidget* Parent = nullptr);
    ~CMurmelDlg() override;

    // The start-up: the debug switch, "Install" "Path", the first debug lines.
    void OnInitDialog();
    // "O&ptions...": the options dialog with the profile's values; OK writes
    // them back. A second call while it is open does nothing.
    void OnOptions();
    // Refreshes the dialog's controls and the tray icon from its state.
    void UpdateDisplay();
    // Keeps the window above all others, or not; position and size stay.
    void SetTopmost(bool On);

    // Starts the download worker, after waiting for one still held.
    void checkmodem();

    // The workers' messages; each returns 0.
    long OnMessageready(int64_t WParam, int64_t LParam);
    long OnThreaderror(int64_t WParam, int64_t LParam);
    long OnNewmessages(int64_t WParam, int64_t LParam);
    long OnNewmessagesfax(int64_t WParam, int64_t LParam);
    long OnDeletingmemory(int64_t WParam, int64_t LParam);

    int exec() override;

    std::thread m_hThread;
    bool m_bChecking = false;
    bool m_bDeleting = false;
    bool m_bOptionsOpen = false;
    CMurmelDlgAutoProxy* m_pAutoProxy = nullptr;

protected:
    bool event(QEvent* Event) override;

private:
    void WaitForWorker();
};
