#include "mainapp/Main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QToolBar>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "mainapp/MainOverflow.h"
#include "mainapp/MainPictures.h"
#include "mainapp/MainRules.h"
#include "modem/CommClass.h"
#include "modem/Modem.h"
#include "modem/StatusSink.h"
#include "platform/App.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/TextFile.h"
#include "platform/UserDirs.h"
#include "platform/Ui.h"
#include "support/Language.h"
#include "support/QelStatusBar.h"
#include "support/RegSave.h"
#include "support/ToolButtons.h"
#include "support/WndProp.h"
#include "support/lumbraAutostart.h"

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

using toolbuttons::Named;

// The average width of the 52 letters, as the original's font metrics are taken.
double AverageLetterWidth(const QFont& Font) {
    return QFontMetricsF(Font).horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52.0;
}

// "c:\Pellow.log" stands for the log in the user's home folder.
std::string DefaultLogFileName() { return userdirs::HomeFolder() + "/Pellow.log"; }

// The status bar of the window as the modem layer sees it.
class PanelSink : public TStatusSink {
public:
    explicit PanelSink(TQelStatusBar& Bar) : bar_(Bar) {}
    void SetPanelText(int Index, const std::string& Text) override { bar_.Panels().Items(Index)->SetText(Text); }

private:
    TQelStatusBar& bar_;
};

}  // namespace

TFormMain::TFormMain(QWidget* Parent) : QMainWindow(Parent) {
    setObjectName("FormMain");
    // The placement component comes first, so that it goes before the
    // controls whose sizes it saves.
    WndPropMain = new TWndProp(this);
    WndPropMain->setObjectName("WndPropMain");
    WndPropMain->SetSection("Form");
    WndPropMain->SetOptions(wpAllProperties);
    CreateControls();
    ConnectHandlers();
    // The autostart component with the properties of the window's resource,
    // in their order: this is what keeps the user's choice at every start.
    LumbraAutostart = new TLumbraAutostart(this);
    LumbraAutostart->setObjectName("LumbraAutostart");
    LumbraAutostart->SetAppName("Pellow");
    LumbraAutostart->SetAutostart(false);
    LumbraAutostart->SetStartNextLogon(false);
    LumbraAutostart->SetGlobal(true);
    LumbraAutostart->SetStartOptions("-AUTOSTART");
    statusSink_ = std::make_unique<PanelSink>(*StatusBar);
    previousSink_ = SetStatusSink(statusSink_.get());
}

TFormMain::~TFormMain() {
    qApp->removeEventFilter(this);
    SetStatusSink(previousSink_);
    // The channels go with the window; the modem object outlives it to the
    // end of the process, as nothing may use it after the window is gone.
    if (CommObject && CommObject->parent() == this) CommObject = nullptr;
    if (FormMain == this) FormMain = nullptr;
}

void TFormMain::CreateControls() {
    setWindowIcon(pictures::ProgramIcon());
    auto* central = Named(new QWidget(this), "PanelMain");
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(central);

    CreateImageLists();
    CreateMenus();
    CreateToolBars();
    layout->addWidget(CoolBar1);
    CreateList();
    layout->addWidget(ExtListView1, 1);
    CreateStatusBar();
    layout->addWidget(StatusBar);

    TimerAnimation = Named(new QTimer(this), "TimerAnimation");
    TimerAnimation->setInterval(400);
    SetAlign(CoolBar1, TAlign::alTop);
    SetAlign(ExtListView1, TAlign::alClient);
    SetAlign(StatusBar, TAlign::alBottom);
    qApp->installEventFilter(this);
    // The placement stored by an earlier run replaces this at the first show.
    resize(DesignedWidth(), 320);
}

int TFormMain::DesignedWidth() {
    // The style's margins and the fonts count only once the controls are polished.
    ensurePolished();
    QToolButton* menus[] = {ToolButtonMenuFile, ToolButtonEdit, ToolButtonSettings, ToolButtonHelp};
    QString shown[4];
    for (int i = 0; i < 4; ++i) shown[i] = menus[i]->text();
    int bands = 0;
    for (int id : {LangEnglish, LangGerman, LangSpanish, LangFrench, LangItalian, LangPortuguese}) {
        LanguageClass l;
        l.SetLanguage(id);
        const std::string texts[] = {l.MainToolButtonMenuFile, l.MainToolButtonEdit, l.MainToolButtonSettings,
                                     l.MainToolButtonHelp};
        for (int i = 0; i < 4; ++i) menus[i]->setText(Q(texts[i]));
        bands = std::max(bands, ToolBarOverflow->FullWidth());
    }
    for (int i = 0; i < 4; ++i) menus[i]->setText(shown[i]);
    ToolBarOverflow->TextsChanged();
    int columns = 2 * ExtListView1->frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    for (int32_t w : DefaultColumnWidths()) columns += w;
    return std::max(bands, columns);
}

std::array<int32_t, 4> TFormMain::DefaultColumnWidths() const {
    std::array<int32_t, 4> widths = mainrules::ScaledColumnWidths(AverageLetterWidth(ExtListView1->font()));
    // The user's date and time formats may be longer than the original's
    // (a year of four digits, an AM/PM mark), so the Date column is also as
    // wide as a late evening's date cell, with the cell's margins.
    const QFontMetrics fm(ExtListView1->font());
    const int margins = 2 * (ExtListView1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, ExtListView1) + 1);
    int date = 0;
    for (int hour : {10, 22}) {
        const std::string text = mainrules::DateCellText(EncodeDate(2026, 12, 28) + EncodeTime(hour, 58, 0, 0));
        date = std::max(date, fm.horizontalAdvance(Q(text)) + margins + 2);
    }
    widths[2] = std::max(widths[2], date);
    return widths;
}

void TFormMain::CreateImageLists() {
    using pictures::Animation;
    auto list = [this](const char* name, QList<QPixmap> images) {
        return new TImageList(QLatin1String(name), std::move(images), this);
    };
    ImageListListView = list("ImageListListView", pictures::ListImages());
    ImageListModemNotConnected = list("ImageListModemNotConnected", pictures::AnimationFrames(Animation::NotConnected));
    ImageListModemSearch = list("ImageListModemSearch", pictures::AnimationFrames(Animation::Search));
    ImageListModemDownload = list("ImageListModemDownload", pictures::AnimationFrames(Animation::Download));
    ImageListModemUpload = list("ImageListModemUpload", pictures::AnimationFrames(Animation::Upload));
    ImageListModemPlay = list("ImageListModemPlay", pictures::AnimationFrames(Animation::Play));
    ImageListModemBlink = list("ImageListModemBlink", pictures::AnimationFrames(Animation::Blink));
    ImageListModemStill = list("ImageListModemStill", pictures::AnimationFrames(Animation::Still));
    ImageListAnimation = ImageListModemNotConnected;
}

void TFormMain::CreateMenus() {
    auto item = [](QMenu* menu, const char* name) { return Named(menu->addAction(QString()), name); };
    MenuFile = Named(new QMenu(this), "MenuFile");
    MenuFileSaveAs = item(MenuFile, "MenuFileSaveAs");
    MenuFile->addSeparator();
    MenuFileExit = item(MenuFile, "MenuFileExit");

    MenuEdit = Named(new QMenu(this), "MenuEdit");
    MenuEditPlayNew = item(MenuEdit, "MenuEditPlayNew");
    MenuEditPlayView = item(MenuEdit, "MenuEditPlayView");
    MenuEditReleaseall = item(MenuEdit, "MenuEditReleaseall");
    MenuEdit->addSeparator();
    MenuEditReload = item(MenuEdit, "MenuEditReload");
    MenuEditReload->setShortcut(QKeySequence(Qt::Key_F5));
    MenuEdit->addSeparator();
    MenuEditEraseall = item(MenuEdit, "MenuEditEraseall");
    MenuEditEraseall->setShortcut(QKeySequence(Qt::Key_Delete));

    MenuSettings = Named(new QMenu(this), "MenuSettings");
    MenuSettingsModem = item(MenuSettings, "MenuSettingsModem");
    MenuSettingsPellow = item(MenuSettings, "MenuSettingsPellow");

    MenuHelp = Named(new QMenu(this), "MenuHelp");
    MenuHelpAboutPellow = item(MenuHelp, "MenuHelpAboutPellow");
    MenuHelpAboutModem = item(MenuHelp, "MenuHelpAboutModem");

    // The menu's shortcuts work from anywhere in the window, before the
    // controls see the key.
    for (QAction* a : {MenuEditReload, MenuEditEraseall}) {
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
    }

    PopupMenu = Named(new QMenu(this), "PopupMenu");
    PopUpPlayView = item(PopupMenu, "PopUpPlayView");
    PopUpSave = item(PopupMenu, "PopUpSave");
    PopUpRelease = item(PopupMenu, "PopUpRelease");
    PopUpErase = item(PopupMenu, "PopUpErase");
    PopupMenu->addSeparator();
    PopUpReload = item(PopupMenu, "PopUpReload");
}

void TFormMain::CreateToolBars() {
    CoolBar1 = Named(new QWidget(this), "CoolBar1");
    auto* bands = new QHBoxLayout(CoolBar1);
    bands->setContentsMargins(2, 2, 2, 2);

    ToolBarMenu = Named(new QToolBar(CoolBar1), "ToolBarMenu");
    // The bars keep their full extent; what does not fit goes behind the
    // overflow mark, which knows how to open it.
    ToolBarMenu->setMovable(false);
    ToolBarMenu->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    using toolbuttons::AddMenuButton;
    ToolButtonMenuFile = AddMenuButton(ToolBarMenu, "ToolButtonMenuFile", MenuFile);
    ToolButtonEdit = AddMenuButton(ToolBarMenu, "ToolButtonEdit", MenuEdit);
    ToolButtonSettings = AddMenuButton(ToolBarMenu, "ToolButtonSettings", MenuSettings);
    ToolButtonHelp = AddMenuButton(ToolBarMenu, "ToolButtonHelp", MenuHelp);

    ToolBarButtons = Named(new QToolBar(CoolBar1), "ToolBarButtons");
    ToolBarButtons->setMovable(false);
    ToolBarButtons->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    ToolBarButtons->setIconSize(QSize(pictures::ToolImageSize, pictures::ToolImageSize));
    auto action = [this](const char* name, pictures::Tool picture) {
        return toolbuttons::AddPictureButton(ToolBarButtons, name, pictures::ToolPicture(picture));
    };
    using pictures::Tool;
    ToolButtonReload = action("ToolButtonReload", Tool::Reload);
    ToolBarButtons->addSeparator();
    ToolButtonPlayNew = action("ToolButtonPlayNew", Tool::PlayNew);
    ToolButtonPlay = action("ToolButtonPlay", Tool::Play);
    ToolButtonRelease = action("ToolButtonRelease", Tool::Release);
    ToolButtonErase = action("ToolButtonErase", Tool::Erase);
    ToolBarButtons->addSeparator();
    ToolButtonModemSettings = action("ToolButtonModemSettings", Tool::ModemSettings);
    ToolButtonAbout = action("ToolButtonAbout", Tool::About);

    ImageAnimation = Named(new QLabel(CoolBar1), "ImageAnimation");
    ImageAnimation->setFixedSize(pictures::AnimationWidth, pictures::AnimationHeight);
    ImageAnimation->setPixmap(ImageListAnimation->Image(0));

    ToolButtonOverflow = Named(new QToolButton(CoolBar1), "ToolButtonOverflow");
    ToolButtonOverflow->setText(QString::fromUtf8("\u00BB"));
    ToolButtonOverflow->setToolButtonStyle(Qt::ToolButtonTextOnly);
    ToolButtonOverflow->setAutoRaise(true);

    bands->addWidget(ToolBarMenu);
    bands->addWidget(ToolBarButtons);
    bands->addWidget(ToolButtonOverflow);
    bands->addStretch(1);
    bands->addWidget(ImageAnimation);
    ToolBarOverflow = new TToolBarOverflow(CoolBar1, {ToolBarMenu, ToolBarButtons}, ToolButtonOverflow, this);
    // The window may get narrower than the bars: the mark and the animation stay.
    const QMargins m = bands->contentsMargins();
    CoolBar1->setMinimumWidth(m.left() + m.right() + ToolButtonOverflow->sizeHint().width() + bands->spacing() +
                              pictures::AnimationWidth);
}

void TFormMain::CreateList() {
    ExtListView1 = Named(new QTreeWidget(this), "ExtListView1");
    ExtListView1->setColumnCount(4);
    ExtListView1->setRootIsDecorated(false);
    ExtListView1->setItemsExpandable(false);
    ExtListView1->setUniformRowHeights(true);
    ExtListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ExtListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ExtListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ExtListView1->setIconSize(QSize(pictures::ListImageSize, pictures::ListImageSize));
    ExtListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    ExtListView1->header()->setSectionsMovable(true);
    ExtListView1->header()->setStretchLastSection(false);
}

void TFormMain::CreateStatusBar() {
    StatusBar = new TQelStatusBar(this);
    StatusBar->setObjectName("StatusBar");
    TQelStatusPanel* gauge = StatusBar->Panels().Add();
    gauge->SetPanelType(sptGauge);
    gauge->SetWidth(80);
    gauge->SetAlignment(taCenter);
    TQelStatusPanel* text = StatusBar->Panels().Add();
    text->SetWidth(50);
}

void TFormMain::ConnectHandlers() {
    auto on = [this](auto* sender, auto signal, std::function<void()> handler) {
        connect(sender, signal, this, [handler] { app::Guarded(handler); });
    };
    on(TimerAnimation, &QTimer::timeout, [this] { TimerAnimationTimer(); });
    on(ToolButtonReload, &QToolButton::clicked, [this] { ToolButtonReloadClick(ToolButtonReload); });
    on(ToolButtonPlayNew, &QToolButton::clicked, [this] { ToolButtonPlayClickNew(); });
    on(ToolButtonPlay, &QToolButton::clicked, [this] { ToolButtonPlayClick(); });
    on(ToolButtonRelease, &QToolButton::clicked, [this] { ToolButtonReleaseClick(); });
    on(ToolButtonErase, &QToolButton::clicked, [this] { ToolButtonEraseClick(); });
    on(ToolButtonModemSettings, &QToolButton::clicked, [this] { ToolButtonModemSettingsClick(); });
    on(ToolButtonAbout, &QToolButton::clicked, [this] { ToolButtonAboutClick(); });

    on(MenuFileSaveAs, &QAction::triggered, [this] { MenuFileSaveAsClick(); });
    on(MenuFileExit, &QAction::triggered, [this] { MenuFileExitClick(); });
    on(MenuEditPlayNew, &QAction::triggered, [this] { MenuEditPlayNewClick(); });
    on(MenuEditPlayView, &QAction::triggered, [this] { MenuEditPlayViewClick(); });
    on(MenuEditReleaseall, &QAction::triggered, [this] { MenuEditReleaseallClick(); });
    on(MenuEditReload, &QAction::triggered, [this] { MenuEditReloadClick(); });
    on(MenuEditEraseall, &QAction::triggered, [this] { MenuEditEraseallClick(); });
    on(MenuSettingsModem, &QAction::triggered, [this] { MenuSettingsModemClick(); });
    on(MenuSettingsPellow, &QAction::triggered, [this] { MenuSettingsPellowClick(); });
    on(MenuHelpAboutPellow, &QAction::triggered, [this] { MenuHelpAboutPellowClick(); });
    on(MenuHelpAboutModem, &QAction::triggered, [this] { MenuHelpAboutModemClick(); });

    on(PopUpPlayView, &QAction::triggered, [this] { PopUpPlayViewClick(); });
    on(PopUpSave, &QAction::triggered, [this] { PopUpSaveClick(); });
    on(PopUpRelease, &QAction::triggered, [this] { PopUpReleaseClick(); });
    on(PopUpErase, &QAction::triggered, [this] { PopUpEraseClick(); });
    on(PopUpReload, &QAction::triggered, [this] { PopUpReloadClick(); });
    on(PopupMenu, &QMenu::aboutToShow, [this] { PopupMenuPopup(); });
    connect(ExtListView1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu->popup(ExtListView1->viewport()->mapToGlobal(at)); });
    on(ExtListView1, &QTreeWidget::itemDoubleClicked, [this] { ExtListView1DblClick(); });
}

// ---------------------------------------------------------------- start-up

void TFormMain::FormCreate(const std::vector<std::string>& Arguments) {
    AutoSaveDone = AutoPlayDone = ModemReady = Busy = false;
    UpdateControls();
    WndPropMain->SetKey(std::string(PellowKey) + "\\Main");
    UpdateControls();
    ReadOptions();
    Lang->SetLanguage(PellowOptions.LanguageAuto ? PellowOptions.StartLanguageID : PellowOptions.LanguageID);
    ApplyLanguage();
    if (PellowOptions.LogFile) OpenLogFile();
    SetAnimation(ImageListModemNotConnected);
    TimerAnimation->start();
    if (!ExamineCommandLine(Arguments)) return;
    if (!AutostartMode) show();
}

void TFormMain::ReadOptions() {
    auto& o = PellowOptions;
    o.CommPort = RegReadBool("CommPortAuto", PellowKey, true) ? -1 : RegReadInteger("CommPort", PellowKey, -1);
    AutostartMode = false;
    o.AutoRelease = RegReadBool("AutoRelease", PellowKey, false);
    o.AutoReleaseQuickClose = RegReadBool("AutoReleaseQuickClose", PellowKey, false);
    o.AutoExit = RegReadBool("AutoExit", PellowKey, false);
    o.LogFile = RegReadBool("LogFile", PellowKey, true);
    LogFileOn = o.LogFile;
    RegReadString("LogFileName", PellowKey, DefaultLogFileName(), o.LogFileName);
    o.LanguageAuto = RegReadBool("LanguageAuto", PellowKey, true);
    o.TypeShowText = RegReadBool("TypeShowText", PellowKey, false);
    o.LanguageID = RegReadInteger("LanguageID", PellowKey, 2);
    o.AutoSaveNewFax = RegReadBool("AutoSaveNewFax", PellowKey, false);
    o.AutoPlayNewVoice = RegReadBool("AutoPlayNewVoice", PellowKey, false);
    RegReadString("FaxAutoSaveDir", PellowKey, userdirs::DesktopFolder(), o.FaxAutoSaveDir);
    const int id = app::PrimaryLanguageId() & 0x3FF;
    o.StartLanguageID = id == 0 ? 9 : id;
}

void TFormMain::ApplyLanguage() {
    const LanguageClass& l = *Lang;
    setWindowTitle("Pellow (Version 0.50)");
    ToolButtonMenuFile->setText(Q(l.MainToolButtonMenuFile));
    ToolButtonEdit->setText(Q(l.MainToolButtonEdit));
    ToolButtonSettings->setText(Q(l.MainToolButtonSettings));
    ToolButtonHelp->setText(Q(l.MainToolButtonHelp));
    ToolBarOverflow->TextsChanged();

    MenuFileSaveAs->setText(Q(l.MainMenuFileSaveAs));
    MenuFileExit->setText(Q(l.MainMenuFileExit));
    MenuEditPlayNew->setText(Q(l.MainMenuEditPlayNew));
    MenuEditPlayView->setText(Q(l.MainMenuEditPlayView));
    MenuEditReleaseall->setText(Q(l.MainMenuEditReleaseall));
    MenuEditReload->setText(Q(l.MainMenuEditReload));
    MenuEditEraseall->setText(Q(l.MainMenuEditEraseall));
    MenuSettingsModem->setText(Q(l.MainMenuSettingsModem));
    MenuSettingsPellow->setText(Q(l.MainMenuSettingsPellow));
    MenuHelpAboutPellow->setText(Q(l.MainMenuHelpAboutPellow));
    MenuHelpAboutModem->setText(Q(l.MainMenuHelpAboutModem));
    PopUpSave->setText(Q(l.MainMenuFileSaveAs));
    PopUpPlayView->setText(Q(l.MainMenuEditPlayView));
    PopUpErase->setText(Q(l.MainMenuEditEraseall));
    PopUpReload->setText(Q(l.MainMenuEditReload));
    PopUpRelease->setText(Q(l.MainMenuEditReleaseall));

    ToolButtonReload->setToolTip(Q(l.MainToolButtonReloadHint));
    ToolButtonPlayNew->setToolTip(Q(l.MainToolButtonPlayNewHint));
    ToolButtonPlay->setToolTip(Q(l.MainToolButtonPlayHint));
    ToolButtonRelease->setToolTip(Q(l.MainToolButtonReleaseHint));
    ToolButtonErase->setToolTip(Q(l.MainToolButtonEraseHint));
    ToolButtonModemSettings->setToolTip(Q(l.MainToolButtonModemSettingsHint));
    ToolButtonAbout->setToolTip(Q(l.MainToolButtonAboutHint));

    // A width the user gave a column is stored in pixels and used as stored.
    const std::array<int32_t, 4> defaults = DefaultColumnWidths();
    mainrules::ColumnLayout stored;
    for (int k = 0; k < 4; ++k) {
        const auto i = static_cast<std::size_t>(k);
        stored.Position[i] = RegReadInteger(mainrules::ColumnPositionName(k), PellowKey, k);
        stored.Width[i] = RegReadInteger(mainrules::ColumnWidthName(k), PellowKey, defaults[i]);
    }
    const mainrules::ColumnLayout layout = mainrules::Sanitized(stored, defaults);
    const std::string captions[4] = {l.MainColumnType, l.MainColumnCallerId, l.MainColumnDate, l.MainColumnSize};
    QTreeWidgetItem* header = ExtListView1->headerItem();
    QHeaderView* view = ExtListView1->header();
    for (int k = 0; k < 4; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const int column = layout.Position[i];
        header->setText(column, Q(captions[i]));
        header->setData(column, Qt::UserRole, k);  // the tag
        ExtListView1->setColumnWidth(column, layout.Width[i]);
    }
    // A new layout starts from the columns in their own order; the user's
    // dragging moves them from there.
    for (int c = 0; c < 4; ++c) view->moveSection(view->visualIndex(c), c);
}

void TFormMain::OpenLogFile() {
    const long long size = files::FileSize(PellowOptions.LogFileName);
    const bool afresh = mainrules::LogStartsAfresh(size);
    LogTextFile = textfile::Open(PellowOptions.LogFileName, afresh);
    if (!LogTextFile) {
        LogFileOn = false;
        ui::MessageSpec box;
        box.text = Lang->MainMsgLogFileOpenFailed;
        box.caption = "Warning";
        box.buttons = ui::MbOk;
        box.icon = ui::IconWarning;
        ui::MessageBox(box);
        return;
    }
    textfile::WriteLine(LogTextFile, mainrules::LogFirstLine());
    textfile::WriteLine(LogTextFile, mainrules::LogSystemLine());
}

bool TFormMain::ExamineCommandLine(const std::vector<std::string>& Arguments) {
    for (const std::string& arg : Arguments) {
        if (mainrules::IsAutostartSwitch(arg)) {
            AutostartMode = true;
            continue;
        }
        ui::MessageSpec box;
        box.text = mainrules::UnknownParameterText(arg);
        box.caption = app::Title();
        box.icon = ui::IconError;
        ui::MessageBox(box);
        EndProcess(0);
        return false;
    }
    return true;
}

void TFormMain::EndProcess(int Code) { process::Halt(Code); }

void TFormMain::TimerAnimationTimer() {
    const int count = ImageListAnimation->Count();
    if (count > 0) {
        AnimationFrame = (AnimationFrame + 1) % count;
        ImageAnimation->setPixmap(ImageListAnimation->Image(AnimationFrame));
        ImageAnimation->repaint();
    }
    if (TransferRunning && ModemObject) {
        const int32_t p = ModemObject->GetProgress();
        if (p > 0) SetStatusText(mainrules::ProgressText(Lang->MainStatusLoadingFax, p, TransferStart, Now()));
    }
}

void TFormMain::SetAnimation(TImageList* List) {
    ImageListAnimation = List;
    if (AnimationFrame >= List->Count()) AnimationFrame = 0;
}

void TFormMain::SetStatusText(const std::string& Text) { StatusBar->Panels().Items(1)->SetText(Text); }

std::string TFormMain::StatusText() const { return StatusBar->Panels().Items(1)->Text(); }

// ------------------------------------------------------------ the controls

void TFormMain::UpdateControls() {
    ToolBarMenu->setEnabled(true);
    QToolButton* actions[] = {ToolButtonRelease,       ToolButtonPlayNew, ToolButtonPlay, ToolButtonModemSettings,
                              ToolButtonAbout,         ToolButtonErase,   ToolButtonReload};
    if (Busy) {
        ToolBarMenu->setEnabled(false);
        MenuFileSaveAs->setEnabled(false);
        for (QToolButton* b : actions) b->setEnabled(false);
    } else if (ModemConnected) {
        ToolButtonReload->setEnabled(true);
        StatusBar->Panels().Items(0)->SetEnabled(true);
        ToolButtonPlay->setEnabled(true);
        MenuFileSaveAs->setEnabled(true);
        ToolButtonModemSettings->setEnabled(true);
        ToolButtonAbout->setEnabled(true);
        ToolButtonErase->setEnabled(true);
        const bool news = ModemObject && ModemObject->HasNewMsgs();
        ToolButtonRelease->setEnabled(news);
        ToolButtonPlayNew->setEnabled(news);
    } else {
        for (QToolButton* b : actions) b->setEnabled(b == ToolButtonReload);
    }
    if (ModemConnected && (!ModemObject || ModemObject->GetMsgCount() == 0)) {
        for (QToolButton* b : {ToolButtonRelease, ToolButtonPlayNew, ToolButtonPlay, ToolButtonErase})
            b->setEnabled(false);
    }
    MenuEditPlayNew->setEnabled(ToolButtonPlayNew->isEnabled());
    MenuEditPlayView->setEnabled(ToolButtonPlay->isEnabled());
    MenuEditReleaseall->setEnabled(ToolButtonRelease->isEnabled());
    MenuEditReload->setEnabled(ToolButtonReload->isEnabled());
    MenuEditEraseall->setEnabled(ToolButtonErase->isEnabled());
    MenuSettingsModem->setEnabled(ToolButtonModemSettings->isEnabled());
    MenuHelpAboutModem->setEnabled(ToolButtonAbout->isEnabled());
}

void TFormMain::PopupMenuPopup() {
    PopUpPlayView->setEnabled(ToolButtonPlay->isEnabled());
    PopUpSave->setEnabled(MenuFileSaveAs->isEnabled());
    PopUpReload->setEnabled(ToolButtonReload->isEnabled());
    PopUpRelease->setEnabled(ToolButtonRelease->isEnabled());
    PopUpErase->setEnabled(ToolButtonErase->isEnabled());
}

// ------------------------------------------------------- keys and closing

bool TFormMain::FormKeyUp(QKeyEvent* Event) {
    if (!TransferRunning) return false;
    Event->accept();
    return true;
}

bool TFormMain::eventFilter(QObject* Watched, QEvent* Event) {
    if (Event->type() == QEvent::KeyRelease) {
        auto* w = qobject_cast<QWidget*>(Watched);
        if (w && w->window() == this && FormKeyUp(static_cast<QKeyEvent*>(Event))) return true;
    }
    if (Watched == ExtListView1 && Event->type() == QEvent::KeyPress) {
        bool taken = false;
        app::Guarded([&] { taken = ExtListView1KeyDown(static_cast<QKeyEvent*>(Event)->key()); });
        if (taken) return true;
    }
    return QMainWindow::eventFilter(Watched, Event);
}

void TFormMain::closeEvent(QCloseEvent* Event) {
    if (Busy) {
        // A close asked for while an operation waits on the modem comes when
        // the operation has ended, so the port is not used by two at once;
        // the operation's waits end for it.
        closeRequested_ = true;
        EndWaitsForClose();
        Event->ignore();
        return;
    }
    app::Guarded([this] { FormClose(); });
    Event->accept();
    emit Closed();
}

void TFormMain::FormClose() {
    QHeaderView* view = ExtListView1->header();
    for (int i = 0; i < 4; ++i) {
        const int column = view->logicalIndex(i);
        const int k = LogicalColumnAt(column);
        RegWriteInteger(i, mainrules::ColumnPositionName(k), PellowKey);
        RegWriteInteger(ExtListView1->columnWidth(column), mainrules::ColumnWidthName(k), PellowKey);
    }
    if (PellowOptions.AutoRelease && AutostartMode) {
        Busy = true;
        UpdateControls();
        SetStatusText(Lang->MainStatusReleasingAll);
        SetAnimation(ImageListModemDownload);
        ui::SetWaitCursor(true);
        if (PellowOptions.AutoReleaseQuickClose) hide();
        // A release that fails (the modem gone) has told why; the program
        // ends all the same, as the user closed it.
        if (ModemObject && ModemObject->HasNewMsgs()) app::Guarded([] { ModemObject->ReleaseNewMsgs(); });
        EndProcess(0);
    }
}

int TFormMain::LogicalColumnAt(int Column) const {
    return ExtListView1->headerItem()->data(Column, Qt::UserRole).toInt();
}

void TFormMain::MenuFileExitClick() {
    close();
    EndProcess(0);
}
