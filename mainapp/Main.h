#pragma once
// Pellow's main window: the message list of the modem with its tool bars,
// menus, status bar and modem animation, and every operation on the
// messages. The start-up half (creation, language, settings, log file,
// command line, animation) is in Main.cpp, Reload and the list in
// MainReload.cpp, the message operations in MainOperations.cpp.
#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mainapp/Globals.h"
#include "platform/Clock.h"

class QAction;
class QLabel;
class QMenu;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QKeyEvent;
class TImageList;
class TQelStatusBar;
class TWndProp;
class TLumbraAutostart;
class TStatusSink;
class TToolBarOverflow;

class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormMain(QWidget* Parent = nullptr);
    ~TFormMain() override;

    // --- start-up
    // The creation handler: options, language, log file, animation, command
    // line (Arguments without the program name) and the first showing.
    void FormCreate(const std::vector<std::string>& Arguments);
    void ApplyLanguage();
    void TimerAnimationTimer();
    void UpdateControls();

    // --- Reload and the list
    // Sender is null for the first Reload at start.
    void ToolButtonReloadClick(QObject* Sender);
    void AddMessageItem(int32_t N);
    void PopupMenuPopup();

    // --- message operations
    void ToolButtonPlayClick();
    void PlayView(int32_t N);
    void MenuFileSaveAsClick();
    void SaveAllNewFax();
    void ToolButtonReleaseClick();
    void ToolButtonPlayClickNew();
    void ToolButtonEraseClick();
    void ToolButtonModemSettingsClick();
    void ToolButtonAboutClick();
    void MenuHelpAboutPellowClick();
    void MenuSettingsPellowClick();
    void MenuFileExitClick();
    void ExtListView1DblClick();
    // The menu and pop-up twins of the buttons.
    void MenuEditPlayViewClick() { ToolButtonPlayClick(); }
    void PopUpPlayViewClick() { ToolButtonPlayClick(); }
    void MenuEditPlayNewClick() { ToolButtonPlayClickNew(); }
    void MenuEditReleaseallClick() { ToolButtonReleaseClick(); }
    void PopUpReleaseClick() { ToolButtonReleaseClick(); }
    void MenuEditReloadClick() { ToolButtonReloadClick(this); }
    void PopUpReloadClick() { ToolButtonReloadClick(this); }
    void MenuEditEraseallClick() { ToolButtonEraseClick(); }
    void PopUpEraseClick() { ToolButtonEraseClick(); }
    void PopUpSaveClick() { MenuFileSaveAsClick(); }
    void MenuSettingsModemClick() { ToolButtonModemSettingsClick(); }
    void MenuHelpAboutModemClick() { ToolButtonAboutClick(); }
    // Enter and Delete in the list; True when the key was taken.
    bool ExtListView1KeyDown(int Key);
    // True when the key release is swallowed.
    bool FormKeyUp(QKeyEvent* Event);

    // Seams of the modem link, for tests without a serial port: detection
    // (port -1 searches) and the making of the family object.
    using DetectFunction = std::function<void(TCommClass& Comm, int32_t Port, std::string& Result)>;
    using ModemFactory = std::function<TModemClass*(const std::string& Detected, TCommClass* Comm)>;
    static DetectFunction& DetectHook();
    static ModemFactory& ModemFactoryHook();

    // --- controls (objectName = the name)
    QWidget* CoolBar1 = nullptr;
    QToolBar* ToolBarMenu = nullptr;
    QToolButton* ToolButtonMenuFile = nullptr;
    QToolButton* ToolButtonEdit = nullptr;
    QToolButton* ToolButtonSettings = nullptr;
    QToolButton* ToolButtonHelp = nullptr;
    QToolBar* ToolBarButtons = nullptr;
    QToolButton* ToolButtonReload = nullptr;
    QToolButton* ToolButtonPlayNew = nullptr;
    QToolButton* ToolButtonPlay = nullptr;
    QToolButton* ToolButtonRelease = nullptr;
    QToolButton* ToolButtonErase = nullptr;
    QToolButton* ToolButtonModemSettings = nullptr;
    QToolButton* ToolButtonAbout = nullptr;
    // The mark that opens the buttons a narrow window has no room for.
    QToolButton* ToolButtonOverflow = nullptr;
    TToolBarOverflow* ToolBarOverflow = nullptr;
    QLabel* ImageAnimation = nullptr;

    QMenu* MenuFile = nullptr;
    QAction* MenuFileSaveAs = nullptr;
    QAction* MenuFileExit = nullptr;
    QMenu* MenuEdit = nullptr;
    QAction* MenuEditPlayNew = nullptr;
    QAction* MenuEditPlayView = nullptr;
    QAction* MenuEditReleaseall = nullptr;
    QAction* MenuEditReload = nullptr;
    QAction* MenuEditEraseall = nullptr;
    QMenu* MenuSettings = nullptr;
    QAction* MenuSettingsModem = nullptr;
    QAction* MenuSettingsPellow = nullptr;
    QMenu* MenuHelp = nullptr;
    QAction* MenuHelpAboutPellow = nullptr;
    QAction* MenuHelpAboutModem = nullptr;

    QMenu* PopupMenu = nullptr;
    QAction* PopUpPlayView = nullptr;
    QAction* PopUpSave = nullptr;
    QAction* PopUpRelease = nullptr;
    QAction* PopUpErase = nullptr;
    QAction* PopUpReload = nullptr;

    QTreeWidget* ExtListView1 = nullptr;
    TQelStatusBar* StatusBar = nullptr;
    QTimer* TimerAnimation = nullptr;
    TWndProp* WndPropMain = nullptr;
    // The autostart registration; the options dialog is its only user.
    TLumbraAutostart* LumbraAutostart = nullptr;

    TImageList* ImageListListView = nullptr;
    TImageList* ImageListModemNotConnected = nullptr;
    TImageList* ImageListModemSearch = nullptr;
    TImageList* ImageListModemDownload = nullptr;
    TImageList* ImageListModemUpload = nullptr;
    TImageList* ImageListModemPlay = nullptr;
    TImageList* ImageListModemBlink = nullptr;
    TImageList* ImageListModemStill = nullptr;
    // The animation being shown.
    TImageList* ImageListAnimation = nullptr;
    int32_t AnimationFrame = 0;

    // --- state of the run
    bool Busy = false;
    bool ModemConnected = false;
    bool NeedOpenPort = true;
    bool ModemReady = false;
    bool AutostartMode = false;
    bool AutoPlayDone = false;
    bool AutoSaveDone = false;
    bool TransferRunning = false;
    TDateTime TransferStart = 0;

    // The status text panel (panel 1).
    void SetStatusText(const std::string& Text);
    std::string StatusText() const;
    void ClearStatusText() { SetStatusText(""); }
    void SetAnimation(TImageList* List);
    // The hourglass is on or off, not counted: any "normal cursor" ends it.
    void Hourglass(bool On);

signals:
    // The window has accepted its close; the program's loop ends on it.
    void Closed();

protected:
    void closeEvent(QCloseEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    class TBusy;
    friend class TBusy;

    void CreateControls();
    void CreateMenus();
    void CreateToolBars();
    void CreateList();
    void CreateStatusBar();
    void CreateImageLists();
    void ConnectHandlers();
    void ReadOptions();
    void OpenLogFile();
    // False when an unknown argument has ended the process.
    bool ExamineCommandLine(const std::vector<std::string>& Arguments);
    void FormClose();

    void OpenChannel();
    void ReopenChannel();
    void DetectAndCreateModem();
    // The object for a detected family: the one of the run when it is of
    // that family, else a new one.
    TModemClass* FamilyObject(const std::string& Detected);
    // The channels an operation may be waiting on.
    std::vector<TCommClass*> Channels() const;
    void EndWaitsForClose();
    void ShowLinkLost();
    void ShowModemState();
    void RunAutostartSteps();
    void EndProcess(int Code);
    void StartViewer(const std::string& FaxFile);
    // A dialog shown while busy, with its status text.
    void ShowDialogBusy(const std::string& Status, const std::function<void()>& Show);
    void ShowNewOrStill();
    std::string TempFaxFileName();
    std::vector<int> SelectedRows() const;
    int LogicalColumnAt(int Position) const;
    // The list's default column widths in the list's font.
    std::array<int32_t, 4> DefaultColumnWidths() const;
    // The first-start width: every menu and tool button in each language of
    // the table, and the list's default columns.
    int DesignedWidth();

    // Detection writes its progress into the status bar through this.
    std::unique_ptr<TStatusSink> statusSink_;
    TStatusSink* previousSink_ = nullptr;
    bool hourglass_ = false;
    // A close that came while an operation ran; it is carried out at its end.
    bool closeRequested_ = false;
};
