// The tray dialog's start-up, its window and tray, the tray menu, the help
// file and the sibling programs, and its end.
#include "murmel/MurmelDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QKeyEvent>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstdio>

#include "murmel/AboutDlg.h"
#include "murmel/DebugLog.h"
#include "murmel/MurmelPictures.h"
#include "murmel/DlgProxy.h"
#include "murmel/MurmelApp.h"
#include "murmel/MurmelProfile.h"
#include "murmel/MurmelStrings.h"
#include "murmel/OptionsDlg.h"
#include "murmel/WorkerMessages.h"
#include "platform/App.h"
#include "platform/Files.h"
#include "platform/QtUi.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/TrayIcon.h"
#include "platform/Ui.h"

namespace murmel {
namespace {

constexpr const char* kModemClassKey = "\\System\\CurrentControlSet\\Services\\Class\\Modem\\";
// The buffers the search reads into: a text that does not fit (with its
// terminating zero) cannot be read, nor can a device-control block longer
// than the 28 bytes of its layout.
constexpr int kTextBuffer = 198;
constexpr int kDcbSize = 28;

// A value that fits a buffer of kTextBuffer bytes, as text; a value that is
// no text reads, but as nothing any text equals.
std::optional<std::string> ReadText(const registry::TRegistry& Key, const std::string& Name) {
    const int size = Key.GetDataSize(Name);
    if (size < 0 || size > kTextBuffer) return std::nullopt;
    const auto type = Key.GetDataType(Name);
    if (type != registry::TRegDataType::rdString && type != registry::TRegDataType::rdExpandString) return std::string();
    return Key.ReadString(Name);
}

// The speed field at offset 4 of a device-control block.
std::optional<uint32_t> ReadDcbSpeed(const registry::TRegistry& Key) {
    if (Key.GetDataType("DCB") != registry::TRegDataType::rdBinary) return std::nullopt;
    const auto dcb = Key.ReadBinaryData("DCB");
    if (dcb.size() > static_cast<std::size_t>(kDcbSize) || dcb.size() < 8) return std::nullopt;
    return static_cast<uint32_t>(dcb[4]) | static_cast<uint32_t>(dcb[5]) << 8 | static_cast<uint32_t>(dcb[6]) << 16 |
           static_cast<uint32_t>(dcb[7]) << 24;
}

std::string Printf(const char* Format, long Value) {
    char text[32];
    std::snprintf(text, sizeof text, Format, Value);
    return text;
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The information text: its lines drawn as FittedLines gives them, so a
// long path keeps the file's name in sight; the whole text is its tip.
class InfoLabel : public QLabel {
public:
    using QLabel::QLabel;
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QRect r = contentsRect();
        const QFontMetrics fm(font());
        int y = r.top();
        for (const QString& line : FittedLines(text(), fm, r.width())) {
            painter.drawText(QRect(r.left(), y, r.width(), fm.height()), Qt::AlignLeft | Qt::AlignVCenter, line);
            y += fm.height();
        }
    }
};

}  // namespace

QStringList FittedLines(const QString& Text, const QFontMetrics& Metrics, int Width) {
    QStringList lines = Text.split('\n');
    for (QString& line : lines) line = Metrics.elidedText(line, Qt::ElideMiddle, Width);
    return lines;
}

std::optional<ModemPort> FindModemPort() {
    for (int i = 0;; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%04d", i);
        registry::TRegistry key(registry::THive::HKLM, registry::TRegAccess::Read);
        if (!key.OpenKeyReadOnly(kModemClassKey + std::string(number))) return std::nullopt;
        const auto maker = ReadText(key, "Manufacturer");
        if (!maker) return std::nullopt;
        if (*maker == "3Com Corp." || *maker == "U.S. Robotics, Inc.") {
            const auto attached = ReadText(key, "AttachedTo");
            const auto speed = ReadDcbSpeed(key);
            if (!attached || attached->empty() || !speed) return std::nullopt;
            return ModemPort{*attached, *speed};
        }
    }
}

}  // namespace murmel

using namespace murmel;

CMurmelDlg::CMurmelDlg(QWidget* Parent) : QDialog(Parent) {
    setObjectName("CMurmelDlg");
    setWindowTitle("Murmel");
    m_hIcon = ProgramIcon();
    SetDebugSwitch(false);
    m_bTray = tray::Current().Available();
    // A dialog's frame, never maximised; without a tray, minimising is how
    // the user hides the window.
    Qt::WindowFlags frame = ui::DialogFrame();
    if (!m_bTray) frame |= Qt::WindowMinimizeButtonHint;
    setWindowFlags(frame);
    BuildControls();
}

CMurmelDlg::~CMurmelDlg() {
    DebugLogDialog("Destruktor aufgerufen.");
    endplaymessage();
    // No worker outlives the dialog, also when the loop never ran.
    if (m_hThread.joinable()) m_hThread.join();
    if (m_bTrayShown) TrayDelete();
    DebugLogDialog("-------------------- Ende --------------------");
    DebugLogDialog(" ");
    if (m_pAutoProxy) m_pAutoProxy->m_pDialog = nullptr;
}

void CMurmelDlg::BuildControls() {
    // Dialog 102 measures 267 x 90 dialog units.
    const QFontMetrics fm(font());
    setFixedSize(267 * fm.averageCharWidth() / 4, 90 * fm.height() / 8);

    auto bitmapButton = [this](const char* name, const char* caption, void (CMurmelDlg::*handler)()) {
        auto* b = new QPushButton(this);
        b->setObjectName(name);
        b->setToolTip(caption);
        b->setAccessibleName(caption);
        b->setIconSize(QSize(kButtonBitmapSize, kButtonBitmapSize));
        connect(b, &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
        return b;
    };
    m_skipPrevious = bitmapButton("SkipPrevious", "Skip previous", &CMurmelDlg::OnSkipprevious);
    m_play = bitmapButton("Play", "Play", &CMurmelDlg::OnPlay);
    m_pause = bitmapButton("Pause", "Pause", &CMurmelDlg::OnPause);
    m_stop = bitmapButton("Stop", "Stop", &CMurmelDlg::OnStop);
    m_skipNext = bitmapButton("SkipNext", "Skip next", &CMurmelDlg::OnSkipnext);
    m_copy = bitmapButton("Copy", "Kopieren", &CMurmelDlg::OnCopy);
    m_send = bitmapButton("Send", "Senden an ...", &CMurmelDlg::OnSend);

    m_counter = new QLabel(this);
    m_counter->setObjectName("Counter");
    m_counter->setAlignment(Qt::AlignCenter);
    m_counter->setFrameShape(QFrame::StyledPanel);
    m_counter->setMinimumWidth(fm.horizontalAdvance("-9999") + 12);
    m_info = new InfoLabel(this);
    m_info->setObjectName("Info");
    m_info->setMinimumHeight(3 * fm.height());
    m_status = new QLabel(this);
    m_status->setObjectName("Status");
    // A long count with the memory's use takes a second line rather than
    // losing its end.
    m_status->setWordWrap(true);

    auto* top = new QHBoxLayout;
    top->addWidget(m_info, 1);
    top->addWidget(m_counter);
    auto* transport = new QHBoxLayout;
    for (auto* b : {m_skipPrevious, m_play, m_pause, m_stop, m_skipNext}) transport->addWidget(b);
    transport->addStretch(1);
    // Without a tray the window carries the tray menu itself, in the gap
    // between the player's buttons and the file's.
    m_menuButton = new QToolButton(this);
    m_menuButton->setObjectName("Menu");
    m_menuButton->setText("Murmel");
    m_menuButton->setPopupMode(QToolButton::InstantPopup);
    m_menuButton->hide();
    transport->addWidget(m_menuButton);
    transport->addSpacing(8);
    transport->addWidget(m_copy);
    transport->addWidget(m_send);
    auto* minus = new QHBoxLayout;
    minus->setSpacing(2);
    for (int k = 1; k <= 10; ++k) {
        auto* b = new QPushButton(QString("-%1").arg(k), this);
        b->setObjectName(QString("Minus%1").arg(k));
        b->setEnabled(false);
        b->setAutoDefault(false);
        b->setMinimumWidth(fm.horizontalAdvance("-10") + 8);
        connect(b, &QPushButton::clicked, this, [this, k] { OnMinus(k); });
        m_minus[k - 1] = b;
        minus->addWidget(b);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(7, 7, 7, 5);
    layout->setSpacing(4);
    layout->addLayout(top);
    layout->addLayout(transport);
    layout->addLayout(minus);
    layout->addWidget(m_status);
}

bool CMurmelDlg::OnInitDialog() {
    InitDebugSwitch();
    m_programFolder = app::ProgramFolder();
    WriteInstallPath(m_programFolder);
    DebugLogDialog(" ");
    DebugLogDialog("-------------------- Beginn 2.06 4/2000 --------------------");
    DebugLogDialog("OnInitDialog()");

    // The window manager's window menu takes no items of ours, so the about
    // dialog is reached through "&Info..." of the tray menu.
    setWindowIcon(m_hIcon);

    if (GetProfileString(kOptions, "Port", "").empty()) {
        if (const auto found = FindModemPort()) {
            WriteProfileString(kOptions, "Port", found->port);
            WriteProfileString(kOptions, "Baudrate", Printf("%li", static_cast<long>(found->baudrate)));
        } else {
            OnOptions();
        }
    }
    if (GetProfileFlag(kOptions, "Alwaysontop", kFlagOn)) SetTopmost(true);

    const int counter = GetProfileInt(kOptions, "Counter", 1);
    m_nLastreadmessage = m_nNewest = m_nCurrent = counter - 1;
    if (GetProfileFlag(kOptions, "Autocheck", kFlagOn)) checkmodem();

    BuildTrayMenu();
    TrayAdd(134, LoadString(IdsTipIdle));
    m_menuButton->setVisible(!m_bTray);
    windowhide();
    UpdateDisplay();
    DebugLogDialog("   OnInitDialog fertig.");
    return true;
}

void CMurmelDlg::BuildTrayMenu() {
    m_hTrayMenu = new QMenu(this);
    m_hTrayMenu->setObjectName("TrayMenu");
    auto item = [this](int text, int command) {
        QAction* a = m_hTrayMenu->addAction(Q(LoadString(text)));
        a->setData(command);
        connect(a, &QAction::triggered, this, [this, command] { RunCommand(command); });
        return a;
    };
    item(IdsMenuInfo, kCmdInfo);
    m_hTrayMenu->addSeparator();
    bool sibling = false;
    for (const auto& [text, file, bitmap, command] :
         {std::tuple{IdsMenuPellow, "pellow", 145, kCmdPellow}, std::tuple{IdsMenuEcholet, "echolet", 146, kCmdEcholet}}) {
        if (!files::FileExists(m_programFolder + "/" + file)) continue;
        item(text, command)->setIcon(MenuBitmap(bitmap));
        sibling = true;
    }
    if (sibling) m_hTrayMenu->addSeparator();
    item(IdsMenuDelete, kCmdDelete);
    item(IdsMenuCheck, kCmdCheck);
    m_hTrayMenu->addSeparator();
    m_hTrayMenu->setDefaultAction(item(IdsMenuOpen, kCmdOpen));
    item(IdsMenuOptions, kCmdOptions);
    m_hTrayMenu->addSeparator();
    item(IdsMenuClose, kCmdCancel);
    m_menuButton->setMenu(m_hTrayMenu);
}

void CMurmelDlg::RunCommand(int Command) {
    switch (Command) {
    case kCmdInfo: OnInfo(); break;
    case kCmdCheck: OnCheckmodem(); break;
    case kCmdOpen: OnOpen(); break;
    case kCmdOptions: OnOptions(); break;
    case kCmdDelete: OnDeletememory(); break;
    case kCmdPellow: OnPellow(); break;
    case kCmdEcholet: OnEcholet(); break;
    case kCmdCancel: EndDialog(kCmdCancel); break;
    default: break;
    }
}

void CMurmelDlg::Start() {
    OnInitDialog();
    // A dialog's modal loop shows it as soon as it idles, and the first paint
    // hides it again: the window is hidden before it is ever seen. Without a
    // tray it is the program's only face and stays.
    if (!m_bTray) SetStateQuietly([this] { show(); });
    QTimer::singleShot(0, this, [this] { FirstPaint(); });
}

int CMurmelDlg::exec() { return DoModal(); }

int CMurmelDlg::DoModal() {
    Start();
    if (!m_bEnded) m_loop.exec();
    OnDestroy();
    return m_nResult;
}

void CMurmelDlg::EndDialog(int Result) {
    m_nResult = Result;
    m_bEnded = true;
    // A dialog of ours that is still open (the options, asked for by the
    // port search, or a box) goes with the program, as a log-off ends it.
    for (QDialog* open : findChildren<QDialog*>())
        if (open->isVisible() && open->isModal()) open->reject();
    m_loop.exit(Result);
}

void CMurmelDlg::done(int Result) {
    QDialog::done(Result);
    EndDialog(Result == QDialog::Rejected ? kCmdCancel : Result);
}

void CMurmelDlg::OnDestroy() {
    if (m_bDestroyed) return;
    m_bDestroyed = true;
    DebugLogDialog("OnDestroy()");
    if (m_hThread.joinable()) m_hThread.join();
    TrayDelete();
    delete m_hTrayMenu;
    m_hTrayMenu = nullptr;
    WinHelp(0, kHelpQuit);
}

void CMurmelDlg::FirstPaint() {
    if (!m_bHideAtFirstPaint || m_bEnded) return;
    windowhide();
    m_bHideAtFirstPaint = false;
}

void CMurmelDlg::paintEvent(QPaintEvent* E) {
    if (m_bHideAtFirstPaint) QTimer::singleShot(0, this, [this] { FirstPaint(); });
    QDialog::paintEvent(E);
}

void CMurmelDlg::keyPressEvent(QKeyEvent* E) {
    // F1 asks the main window's help operation, as the application's help command does.
    if (E->key() == Qt::Key_F1 && E->modifiers() == Qt::NoModifier) {
        WinHelp(0, kHelpContext);
        return;
    }
    QDialog::keyPressEvent(E);
}

void CMurmelDlg::closeEvent(QCloseEvent* E) {
    E->ignore();
    DebugLogDialog("OnClose()");
    // With nothing to come back from, closing the window ends the program.
    if (!m_bTray) {
        EndDialog(kCmdCancel);
        return;
    }
    windowhide();
}

void CMurmelDlg::SetStateQuietly(const std::function<void()>& Change) {
    m_bChangingState = true;
    Change();
    m_bChangingState = false;
}

void CMurmelDlg::changeEvent(QEvent* E) {
    QDialog::changeEvent(E);
    if (m_bChangingState || E->type() != QEvent::WindowStateChange || m_bEnded) return;
    // Window managers offer minimising also for a dialog's frame: with a tray
    // it hides the window there, as the close box does (once the change is
    // done: a minimise shows the window after its state has changed).
    if (m_bTray) {
        QTimer::singleShot(0, this, [this] {
            if (!isMinimized() || m_bHidden || m_bEnded) return;
            windowhide();
            UpdateDisplay();
        });
        return;
    }
    // Without a tray, minimising is hiding and a restore from the task bar is "&Open".
    if (isMinimized() && !m_bHidden) {
        windowhide();
        UpdateDisplay();
    } else if (!isMinimized() && m_bHidden) {
        OnOpen();
    }
}

void CMurmelDlg::windowhide() {
    DebugLogDialog("windowhide() (ruft OnStop() auf)");
    // Without a tray nothing would bring a hidden window back: it stays on
    // screen, and only the user's minimising hides it.
    if (!m_bTray && !isMinimized()) return;
    if (m_bTray) SetStateQuietly([this] { hide(); });
    m_bHidden = true;
    if (!m_bHideAtFirstPaint) OnStop();
    m_nCurrent = m_nNewcount != 0 ? FirstNewMessage() : m_nNewest;
}

void CMurmelDlg::windowrestore() {
    DebugLogDialog("windowrestore()");
    SetStateQuietly([this] {
        showNormal();
        raise();
        activateWindow();
    });
    m_bHidden = false;
}

void CMurmelDlg::OnOpen() {
    DebugLogDialog("OnOpen()");
    windowrestore();
    UpdateDisplay();
}

bool CMurmelDlg::TrayAdd(int IconId, const std::string& Tip) {
    m_nTrayIcon = IconId;
    if (!m_bTray) return false;
    // The icon is deleted before the dialog goes, so its clicks always find it.
    m_bTrayShown = tray::Current().Add(kTrayIconId, TrayIcon(IconId), Tip.substr(0, 63),
                                       [this](int Id, int Message) { OnTaskbar(Id, Message); });
    return m_bTrayShown;
}

bool CMurmelDlg::TrayModify(int IconId, const std::string& Tip) {
    m_nTrayIcon = IconId;
    if (!m_bTray) {
        // The window shows what the tray would.
        setWindowTitle(Q(Tip));
        setWindowIcon(TrayIcon(IconId));
        return false;
    }
    return tray::Current().Modify(kTrayIconId, TrayIcon(IconId), Tip.substr(0, 63));
}

bool CMurmelDlg::TrayDelete() {
    if (!m_bTrayShown) return false;
    m_bTrayShown = false;
    return tray::Current().Delete(kTrayIconId);
}

int64_t CMurmelDlg::OnTaskbar(int64_t, int64_t LParam) {
    switch (LParam) {
    case tray::kLButtonDown:
        DebugLogDialog("OnTaskbar() WM_LBUTTONDOWN");
        if (m_nNewcount >= 1 && m_bHidden) {
            if (m_nClickTimer) killTimer(m_nClickTimer);
            m_nClickTimer = startTimer(QApplication::doubleClickInterval());
            m_bDoubleclick = false;
        }
        UpdateDisplay();
        break;
    case tray::kLButtonDblClk:
        DebugLogDialog("OnTaskbar() WM_LBUTTONDBLCLK");
        if (m_bHidden) {
            windowrestore();
            m_bDoubleclick = true;
        }
        UpdateDisplay();
        break;
    case tray::kRButtonDown:
        DebugLogDialog("OnTaskbar() WM_RBUTTONDOWN");
        ShowTrayMenu(QCursor::pos());
        UpdateDisplay();
        break;
    default: break;
    }
    return 0;
}

void CMurmelDlg::ShowTrayMenu(const QPoint& At) {
    if (!m_hTrayMenu) return;
    activateWindow();
    m_hTrayMenu->popup(At);
}

void CMurmelDlg::contextMenuEvent(QContextMenuEvent* E) {
    if (m_bTray) {
        QDialog::contextMenuEvent(E);
        return;
    }
    ShowTrayMenu(E->globalPos());
}

void CMurmelDlg::timerEvent(QTimerEvent* E) {
    if (m_nClickTimer && E->timerId() == m_nClickTimer) {
        OnTimer(kClickTimer);
        return;
    }
    QDialog::timerEvent(E);
}

void CMurmelDlg::OnTimer(int Id) {
    DebugLogDialog("OnTimer()");
    if (Id != kClickTimer) return;
    if (m_nClickTimer) killTimer(m_nClickTimer);
    m_nClickTimer = 0;
    if (m_bDoubleclick || m_nNewcount < 1 || !m_bHidden) return;
    if (!m_hWaveOut && m_nPending == -1) {
        OnPlay();
    } else if (m_nCurrent != m_nNewest) {
        OnSkipnext();
    } else {
        OnStop();
        m_nCurrent = FirstNewMessage();
        UpdateDisplay();
    }
}

void CMurmelDlg::OnInfo() {
    DebugLogDialog("OnInfo()");
    CAboutDlg about(this);
    about.exec();
}

void CMurmelDlg::OnPellow() {
    DebugLogDialog("OnPellow()");
    shell::CurrentLauncher().StartProgram(m_programFolder + "/pellow", {}, "");
}

void CMurmelDlg::OnEcholet() {
    DebugLogDialog("OnEcholet()");
    shell::CurrentLauncher().StartProgram(m_programFolder + "/echolet", {}, "");
}

void CMurmelDlg::WinHelp(uint32_t, unsigned Command) {
    if (Command == kHelpQuit) return;
    const std::string path = m_programFolder + "/" + LoadString(IdsHelpFile);
    const bool present = path.size() <= kMaxPath && files::FileExists(path);
    const std::string command = "start \"" + path + "\"";
    DebugLogDialog("Hilfe ausgeben: %s", command.c_str());
    // The desktop's browser opens the page, as the shell's start command did.
    if (present && shell::CurrentLauncher().OpenWithDefault(path) > shell::ErrNoAssociation) {
        windowhide();
        return;
    }
    ui::MessageBox({LoadString(IdsHelpMissing), "Help", ui::MbOk, ui::IconInformation});
}

bool CMurmelDlg::event(QEvent* E) {
    app::ReceivePostedEvent();
    if (E->type() == audio::WaveDoneEvent::EventType()) {
        if (!m_bDestroyed) OnWaveoutdone();
        return true;
    }
    if (E->type() >= EventTypeOf(WM_MESSAGEREADY) && E->type() <= EventTypeOf(WM_DELETINGMEMORY)) {
        // Messages that come after the window has gone are lost, as they are for a destroyed window.
        if (m_bDestroyed) return true;
        const auto* m = static_cast<const WorkerEvent*>(E);
        switch (m->Message()) {
        case WM_MESSAGEREADY: OnMessageready(m->WParam(), m->LParam()); break;
        case WM_THREADERROR: OnThreaderror(m->WParam(), m->LParam()); break;
        case WM_NEWMESSAGES: OnNewmessages(m->WParam(), m->LParam()); break;
        case WM_NEWMESSAGESFAX: OnNewmessagesfax(m->WParam(), m->LParam()); break;
        case WM_TASKBAR: OnTaskbar(m->WParam(), m->LParam()); break;
        case WM_DELETINGMEMORY: OnDeletingmemory(m->WParam(), m->LParam()); break;
        default: break;
        }
        return true;
    }
    return QDialog::event(E);
}

int64_t CMurmelDlg::OnDeletingmemory(int64_t, int64_t) {
    DebugLogDialog("OnDeletingmemory()");
    m_bDeleting = true;
    UpdateDisplay();
    return 0;
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

void CMurmelDlg::SetTopmost(bool On) {
    const bool shown = isVisible();
    const QRect place = geometry();
    setWindowFlag(Qt::WindowStaysOnTopHint, On);
    if (shown) {
        setGeometry(place);
        show();
    }
}
