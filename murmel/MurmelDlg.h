#pragma once
// Murmel's main window: the tray dialog. It lives for the whole run, hides
// itself to the notification area at once, tells by its tray icon and tip
// whether new voice mail waits, plays the message files one after another,
// copies, drags and mails them, starts the download and erase workers one at
// a time and turns what they post into its state.
//
// Where the desktop has no notification area the window stands in for it:
// it shows from the start and stays on screen, its title and icon are the
// tip and the icon the tray would show, a right click on it or its menu
// button opens the tray menu, and its close box ends the program as "C&lose"
// does. Only the user hides it, by minimising it (a restore from the task bar
// counts as "&Open").
//
// Handlers run on the GUI thread only; the workers reach the dialog only
// through posted events (WorkerMessages.h), and the wave device's done
// notice is a posted event too.
#include <QDialog>
#include <QEventLoop>
#include <QFontMetrics>
#include <QIcon>
#include <QPointer>
#include <QStringList>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/AudioOut.h"

class QLabel;
class QMenu;
class QPushButton;
class QToolButton;

namespace murmel {

// The tray icon's number and the dialog's timer of a single click.
constexpr int kTrayIconId = 3004;
constexpr int kClickTimer = 1;
// Commands of the tray menu.
constexpr int kCmdInfo = 32771;
constexpr int kCmdCheck = 32772;
constexpr int kCmdOpen = 32773;
constexpr int kCmdOptions = 32774;
constexpr int kCmdDelete = 32776;
constexpr int kCmdPellow = 32777;
constexpr int kCmdEcholet = 32778;
constexpr int kCmdCancel = 2;
// The help operation's commands.
constexpr unsigned kHelpContext = 1;
constexpr unsigned kHelpQuit = 2;

// A modem found by the port search: "AttachedTo" and the speed of its "DCB".
struct ModemPort {
    std::string port;
    uint32_t baudrate = 0;
};
// Searches the modem class keys of the machine hive
// ("System\CurrentControlSet\Services\Class\Modem\0000", "0001" ...) for a
// 3Com or U.S. Robotics modem. The first key that is missing or has no readable "Manufacturer"
// ends the search; so does the first modem of those makers, found only when
// its "AttachedTo" and "DCB" can be read.
std::optional<ModemPort> FindModemPort();

// The texts and the picture that the dialog's state gives, as pure
// functions of it.
struct TrayState {
    bool voiceReported = false;
    bool faxReported = false;
    int newCount = 0;
    bool hidden = false;
    bool playingOrPending = false;
    bool currentIsNewest = false;
};
std::string TrayTip(const TrayState& S);
int TrayIconId(const TrayState& S);

struct StatusState {
    bool voiceReported = false;
    bool workerRuns = false;
    bool deleting = false;
    int newCount = 0;
    int percent = -1;
    int voiceCount = -1;
    int faxCount = -1;
};
std::string StatusLine(const StatusState& S);

// "Voic%04d.wav" with N: the name of message file N.
std::string MessageFileName(int N);

// The information text of a message file of Size bytes at Path whose
// creation time (local) is When.
std::string MessageInfoText(const std::string& Path, const std::tm& When, long long Size);

// The lines of Text as a label Width pixels wide shows them: a line too
// wide loses its middle ("/home/anna/…/Voic0002.wav").
QStringList FittedLines(const QString& Text, const QFontMetrics& Metrics, int Width);

// 1 when a mail route exists (the desktop's mail program or a sending
// program), else 0.
int MapiAvailable();

// The four bytes of the worker's count message, low to high.
struct NewMessageCounts {
    int newCount, percent, voiceCount, faxCount;
};
NewMessageCounts SplitCounts(int64_t LParam);

}  // namespace murmel

class CMurmelDlgAutoProxy;

class CMurmelDlg : public QDialog {
    Q_OBJECT

public:
    explicit CMurmelDlg(QWidget* Parent = nullptr);
    ~CMurmelDlg() override;

    // The program's modal run (DoModal).
    int exec() override;
    // Keeps the window above all others, or not; position and size stay.
    void SetTopmost(bool On);

    // Runs the dialog as the program's modal loop: start-up, the loop until
    // "C&lose" or Escape ends it, and the clean-up of OnDestroy. The result
    // is the command that ended it.
    int DoModal();
    // The first part of DoModal: start-up, then what the loop does first (the
    // first paint hides the window once more). Tests run the loop themselves.
    void Start();
    // Ends the loop with Result, as the cancel command does.
    void EndDialog(int Result);
    bool Ended() const { return m_bEnded; }

    // The start-up steps, the clean-up when the window goes, and the
    // handlers by their names.
    bool OnInitDialog();
    void OnDestroy();

    void OnPlay();
    void OnPause();
    void OnStop();
    void OnSkipnext();
    void OnSkipprevious();
    void OnMinus(int K);  // OnMinus1 to OnMinus10
    void OnCopy();
    void OnSend();
    void OnLButtonDown();
    void OnWaveoutdone();
    void OnTimer(int Id);

    void OnInfo();
    void OnDeletememory();
    void OnCheckmodem();
    void OnOpen();
    void OnOptions();
    void OnPellow();
    void OnEcholet();

    int64_t OnMessageready(int64_t WParam, int64_t LParam);
    int64_t OnThreaderror(int64_t WParam, int64_t LParam);
    int64_t OnNewmessages(int64_t WParam, int64_t LParam);
    int64_t OnNewmessagesfax(int64_t WParam, int64_t LParam);
    int64_t OnTaskbar(int64_t WParam, int64_t LParam);
    int64_t OnDeletingmemory(int64_t WParam, int64_t LParam);

    void WinHelp(uint32_t Data, unsigned Command = murmel::kHelpContext);
    void UpdateDisplay();
    std::string GetMessageInfo(int N);

    int playmessage(int N);
    void endplaymessage();
    void checkmodem();
    void windowhide();
    void windowrestore();

    bool TrayAdd(int IconId, const std::string& Tip);
    bool TrayModify(int IconId, const std::string& Tip);
    bool TrayDelete();

    // The tray popup menu as built at start-up.
    QMenu* TrayMenu() const { return m_hTrayMenu; }

    // State, for the tests and the screenshots.
    int Current() const { return m_nCurrent; }
    int Pending() const { return m_nPending; }
    int Newest() const { return m_nNewest; }
    int NewCount() const { return m_nNewcount; }
    int LastRead() const { return m_nLastreadmessage; }
    int ErrorCount() const { return m_errorcnt; }
    bool Checking() const { return m_bChecking; }
    bool Deleting() const { return m_bDeleting; }
    bool Hidden() const { return m_bHidden; }
    bool Playing() const { return m_hWaveOut != nullptr; }
    bool Paused() const { return m_bPaused; }
    bool WorkerHeld() const { return m_hThread.joinable(); }
    bool HasTray() const { return m_bTray; }
    int TrayIconShown() const { return m_nTrayIcon; }

protected:
    bool event(QEvent* E) override;
    void paintEvent(QPaintEvent* E) override;
    void closeEvent(QCloseEvent* E) override;
    void keyPressEvent(QKeyEvent* E) override;
    void changeEvent(QEvent* E) override;
    void mousePressEvent(QMouseEvent* E) override;
    void contextMenuEvent(QContextMenuEvent* E) override;
    void timerEvent(QTimerEvent* E) override;
    void done(int Result) override;

private:
    void BuildControls();
    void BuildTrayMenu();
    void ShowTrayMenu(const QPoint& At);
    void FirstPaint();
    void SkipTo(int N);
    void MailErrorBox();
    void ErrorBox(int StringId);
    void SetStateQuietly(const std::function<void()>& Change);
    int FirstNewMessage() const;
    std::string MessagePath(int N) const;
    void TrayRefresh();
    void MailNewMessages();
    void RunCommand(int Command);

public:
    // The worker, and what the options dialog and the automation object share.
    std::thread m_hThread;
    bool m_bChecking = false;
    bool m_bDeleting = false;
    bool m_bOptionsOpen = false;
    CMurmelDlgAutoProxy* m_pAutoProxy = nullptr;

private:
    int m_errorcnt = 3;
    bool m_bHideAtFirstPaint = true;
    bool m_bVoiceReported = false;
    bool m_bFaxReported = false;

    // Message numbers.
    int m_nNewcount = 0;
    int m_nCurrent = 0;
    int m_nPending = -1;
    int m_nLastreadmessage = 0;
    int m_nNewest = 0;
    int m_nPercent = -1;
    int m_nVoicecount = -1;
    int m_nFaxcount = -1;

    // Playback.
    std::string m_pWavedata;
    std::unique_ptr<audio::WaveOut> m_hWaveOut;
    bool m_bPaused = false;
    int m_nPlayinterrupted = 0;  // ended playbacks whose done notice is still to come

    bool m_bDoubleclick = false;
    bool m_bHidden = false;
    int m_nClickTimer = 0;  // Qt's id of timer 1 while it runs

    // The tray, or the window in its place.
    bool m_bTray = false;
    bool m_bTrayShown = false;
    int m_nTrayIcon = 0;
    QMenu* m_hTrayMenu = nullptr;
    QIcon m_hIcon;
    std::string m_programFolder;

    // The modal loop.
    QEventLoop m_loop;
    bool m_bEnded = false;
    bool m_bChangingState = false;  // the window's state is changed by the dialog itself
    bool m_bDestroyed = false;
    int m_nResult = 0;

    // Controls.
    QPushButton* m_play = nullptr;
    QPushButton* m_pause = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_skipNext = nullptr;
    QPushButton* m_skipPrevious = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_send = nullptr;
    QPushButton* m_minus[10] = {};
    QLabel* m_counter = nullptr;
    QLabel* m_info = nullptr;
    QLabel* m_status = nullptr;
    QToolButton* m_menuButton = nullptr;
};

