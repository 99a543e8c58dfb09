#include "viewer/viewer.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QShowEvent>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/App.h"
#include "platform/Files.h"
#include "platform/Ui.h"
#include "support/Language.h"
#include "support/RegSave.h"
#include "support/ToolButtons.h"
#include "support/WndProp.h"
#include "viewer/DragDropFiles.h"
#include "viewer/Imaging.h"
#include "viewer/ImagingLoader.h"
#include "viewer/ViewerPictures.h"
#include "viewer/ViewerRules.h"

namespace leafor {

bool FaxIsTemporary = false;
bool LanguageAuto = true;
int32_t LanguageID = 2;
LanguageClass* Lang = nullptr;

namespace {

std::unique_ptr<LanguageClass> g_language;

QString Q(const std::string& s) { return QString::fromStdString(s); }

using toolbuttons::Named;

// The first start's size: a fax page at best fit fills most of it, and the window
// fits a screen 768 pixels high with its frame.
constexpr int FirstWidth = 700;
constexpr int FirstHeight = 700;

}  // namespace

TFormMain::TFormMain(std::vector<std::string> Arguments, QWidget* Parent)
    : QMainWindow(Parent), arguments_(std::move(Arguments)) {
    setObjectName("FormMain");
    // The placement component comes first, so that it loads before the first show.
    WndPropViewer = new TWndProp(this);
    WndPropViewer->setObjectName("WndPropViewer");
    setWindowIcon(viewerpictures::ProgramIcon());
    resize(FirstWidth, FirstHeight);
    CreateMenus();
    CreateCoolBar();
    CreatePanel();
    auto* central = Named(new QWidget(this), "PanelMain");
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(CoolBar1);
    layout->addWidget(Panel1, 1);
    setCentralWidget(central);
    SetAlign(CoolBar1, TAlign::alTop);
    SetAlign(Panel1, TAlign::alClient);
    ConnectHandlers();
    qApp->installEventFilter(this);
    Buttons();
}

TFormMain::~TFormMain() {
    // The drop target is revoked while the panel and the window are still there.
    delete DragDropFiles1;
    qApp->removeEventFilter(this);
    // The controls go after this window's own part: what they signal while
    // they go must not reach it.
    for (QObject* control : findChildren<QObject*>()) disconnect(control, nullptr, this, nullptr);
    ImgEdit1->OnSelectionRectDrawn = nullptr;
}

void TFormMain::CreateMenus() {
    auto item = [](QMenu* menu, const char* name) { return Named(menu->addAction(QString()), name); };
    MenuFile = Named(new QMenu(this), "MenuFile");
    MenuFileOpen = item(MenuFile, "MenuFileOpen");
    MenuFileSaveAs = item(MenuFile, "MenuFileSaveAs");
    MenuFileSavePage = item(MenuFile, "MenuFileSavePage");
    MenuFile->addSeparator();
    MenuFilePrint = item(MenuFile, "MenuFilePrint");
    MenuFile->addSeparator();
    MenuFileExit = item(MenuFile, "MenuFileExit");

    MenuZoom = Named(new QMenu(this), "MenuZoom");
    MenuZoomZoomIn = item(MenuZoom, "MenuZoomZoomIn");
    MenuZoomZoomOut = item(MenuZoom, "MenuZoomZoomOut");
    MenuZoom->addSeparator();
    MenuZoomZoom10 = item(MenuZoom, "MenuZoomZoom10");
    MenuZoomZoom25 = item(MenuZoom, "MenuZoomZoom25");
    MenuZoomZoom50 = item(MenuZoom, "MenuZoomZoom50");
    MenuZoomZoom100 = item(MenuZoom, "MenuZoomZoom100");
    MenuZoomZoom200 = item(MenuZoom, "MenuZoomZoom200");

    MenuPage = Named(new QMenu(this), "MenuPage");
    MenuPageNext = item(MenuPage, "MenuPageNext");
    MenuPagePrevious = item(MenuPage, "MenuPagePrevious");
    MenuPageFirst = item(MenuPage, "MenuPageFirst");
    MenuPageLast = item(MenuPage, "MenuPageLast");
    MenuPage->addSeparator();
    MenuPageRotateLeft = item(MenuPage, "MenuPageRotateLeft");
    MenuPageRotateRight = item(MenuPage, "MenuPageRotateRight");

    MenuHelp = Named(new QMenu(this), "MenuHelp");
    MenuHelpAbout = item(MenuHelp, "MenuHelpAbout");
    MenuHelpAboutImaging = item(MenuHelp, "MenuHelpAboutImaging");

    // The menu is no menu of the window, so FormShortCut carries out its
    // shortcuts; the menus only show them.
    MenuPageNext->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    MenuPagePrevious->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    for (QAction* a : {MenuPageNext, MenuPagePrevious}) a->setShortcutContext(Qt::WidgetShortcut);
}

void TFormMain::CreateCoolBar() {
    using viewerpictures::Tool;
    CoolBar1 = Named(new QWidget(this), "CoolBar1");
    auto* rows = new QVBoxLayout(CoolBar1);
    rows->setContentsMargins(2, 2, 2, 2);
    rows->setSpacing(2);
    auto* row0 = new QHBoxLayout;
    auto* row1 = new QHBoxLayout;
    rows->addLayout(row0);
    rows->addLayout(row1);

    ToolBarMenu = Named(new QToolBar(CoolBar1), "ToolBarMenu");
    ToolBarMenu->setMovable(false);
    using toolbuttons::AddMenuButton;
    ToolButtonMenuFile = AddMenuButton(ToolBarMenu, "ToolButtonMenuFile", MenuFile);
    ToolButtonMenuZoom = AddMenuButton(ToolBarMenu, "ToolButtonMenuZoom", MenuZoom);
    ToolButtonMenuPage = AddMenuButton(ToolBarMenu, "ToolButtonMenuPage", MenuPage);
    ToolButtonMenuHelp = AddMenuButton(ToolBarMenu, "ToolButtonMenuHelp", MenuHelp);
    row0->addWidget(ToolBarMenu);
    row0->addStretch(1);

    // Bands 1 to 4: a tool bar each, after the band's text.
    auto band = [this, row1](int index, const char* name) {
        auto* bar = Named(new QToolBar(CoolBar1), name);
        bar->setMovable(false);
        bar->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        bar->setIconSize(QSize(viewerpictures::ToolImageSize, viewerpictures::ToolImageSize));
        if (index >= 2) {
            BandText[static_cast<std::size_t>(index)] = new QLabel(bar);
            BandText[static_cast<std::size_t>(index)]->setContentsMargins(6, 0, 4, 0);
            bar->addWidget(BandText[static_cast<std::size_t>(index)]);
        }
        row1->addWidget(bar);
        return bar;
    };
    auto button = [](QToolBar* bar, const char* name, Tool picture) {
        return toolbuttons::AddPictureButton(bar, name, viewerpictures::ToolPicture(picture));
    };
    QToolBar* files = band(1, "ToolBarFile");
    ToolButtonOpen = button(files, "ToolButtonOpen", Tool::Open);
    ToolButtonSaveAs = button(files, "ToolButtonSaveAs", Tool::Save);
    ToolButtonPrint = button(files, "ToolButtonPrint", Tool::Print);

    QToolBar* pages = band(2, "ToolBarPage");
    ToolButtonPrevPage = button(pages, "ToolButtonPrevPage", Tool::PrevPage);
    EditPage = Named(new QLineEdit(QStringLiteral("1"), pages), "EditPage");
    EditPage->setFixedWidth(44);
    EditPage->setAlignment(Qt::AlignRight);
    pages->addWidget(EditPage);
    ToolButtonNextPage = button(pages, "ToolButtonNextPage", Tool::NextPage);

    QToolBar* zoom = band(3, "ToolBarZoom");
    ComboBoxZoom = Named(new QComboBox(zoom), "ComboBoxZoom");
    ComboBoxZoom->setEditable(true);
    ComboBoxZoom->setInsertPolicy(QComboBox::NoInsert);
    for (const char* z : {"10", "20", "30", "40", "50", "75", "100", "125", "150", "175", "200", "300"})
        ComboBoxZoom->addItem(QLatin1String(z));
    ComboBoxZoom->setEditText(QStringLiteral("100"));
    ComboBoxZoom->setMinimumContentsLength(7);
    zoom->addWidget(ComboBoxZoom);
    ToolButtonFitToWidth = button(zoom, "ToolButtonFitToWidth", Tool::FitToWidth);
    ToolButtonFitToHight = button(zoom, "ToolButtonFitToHight", Tool::FitToHeight);
    ToolButtonBestFit = button(zoom, "ToolButtonBestFit", Tool::BestFit);
    // Grouped check buttons: at most one is down, and clicking the down one leaves it down.
    fitButtons_ = new QButtonGroup(this);
    for (QToolButton* b : {ToolButtonFitToWidth, ToolButtonFitToHight, ToolButtonBestFit}) {
        b->setCheckable(true);
        fitButtons_->addButton(b);
    }
    fitButtons_->setExclusive(true);

    QToolBar* orientation = band(4, "ToolBarOrientation");
    ToolButtonRotateLeft = button(orientation, "ToolButtonRotateLeft", Tool::RotateLeft);
    ToolButtonRotateRight = button(orientation, "ToolButtonRotateRight", Tool::RotateRight);
    row1->addStretch(1);
}

void TFormMain::CreatePanel() {
    Panel1 = Named(new QWidget(this), "Panel1");
    auto* layout = new QVBoxLayout(Panel1);
    layout->setContentsMargins(0, 0, 0, 0);
    ImgEdit1 = imaging::CreateImgEdit(Panel1);
    ImgEdit1->setObjectName("ImgEdit1");
    layout->addWidget(ImgEdit1);
    ImgAdmin1 = imaging::CreateImgAdmin();
    CreateDragDrop();
}

void TFormMain::ConnectHandlers() {
    auto on = [this](auto* sender, auto signal, std::function<void()> handler) {
        connect(sender, signal, this, [handler] { app::Guarded(handler); });
    };
    on(ToolButtonOpen, &QToolButton::clicked, [this] { ToolButtonOpenClick(); });
    on(ToolButtonSaveAs, &QToolButton::clicked, [this] { ToolButtonSaveAsClick(); });
    on(ToolButtonPrint, &QToolButton::clicked, [this] { ToolButtonPrintClick(); });
    on(ToolButtonPrevPage, &QToolButton::clicked, [this] { ToolButtonPrevPageClick(); });
    on(ToolButtonNextPage, &QToolButton::clicked, [this] { ToolButtonNextPageClick(); });
    on(ToolButtonRotateLeft, &QToolButton::clicked, [this] { ToolButtonRotateLeftClick(); });
    on(ToolButtonRotateRight, &QToolButton::clicked, [this] { ToolButtonRotateRightClick(); });
    for (QToolButton* b : {ToolButtonFitToWidth, ToolButtonFitToHight, ToolButtonBestFit})
        on(b, &QToolButton::clicked, [this] { FitButtonClick(); });

    on(MenuFileOpen, &QAction::triggered, [this] { MenuFileOpenClick(); });
    on(MenuFileSaveAs, &QAction::triggered, [this] { MenuFileSaveAsClick(); });
    on(MenuFileSavePage, &QAction::triggered, [this] { MenuFileSavePageClick(); });
    on(MenuFilePrint, &QAction::triggered, [this] { MenuFilePrintClick(); });
    on(MenuFileExit, &QAction::triggered, [this] { MenuFileExitClick(); });
    on(MenuZoomZoomIn, &QAction::triggered, [this] { MenuZoomZoomInClick(); });
    on(MenuZoomZoomOut, &QAction::triggered, [this] { MenuZoomZoomOutClick(); });
    on(MenuZoomZoom10, &QAction::triggered, [this] { MenuZoomZoom10Click(); });
    on(MenuZoomZoom25, &QAction::triggered, [this] { MenuZoomZoom25Click(); });
    on(MenuZoomZoom50, &QAction::triggered, [this] { MenuZoomZoom50Click(); });
    on(MenuZoomZoom100, &QAction::triggered, [this] { MenuZoomZoom100Click(); });
    on(MenuZoomZoom200, &QAction::triggered, [this] { MenuZoomZoom200Click(); });
    on(MenuPageNext, &QAction::triggered, [this] { MenuPageNextClick(); });
    on(MenuPagePrevious, &QAction::triggered, [this] { MenuPagePreviousClick(); });
    on(MenuPageFirst, &QAction::triggered, [this] { MenuPageFirstClick(); });
    on(MenuPageLast, &QAction::triggered, [this] { MenuPageLastClick(); });
    on(MenuPageRotateLeft, &QAction::triggered, [this] { MenuPageRotateLeftClick(); });
    on(MenuPageRotateRight, &QAction::triggered, [this] { MenuPageRotateRightClick(); });
    on(MenuHelpAbout, &QAction::triggered, [this] { MenuHelpAboutClick(); });
    on(MenuHelpAboutImaging, &QAction::triggered, [this] { MenuHelpAboutImagingClick(); });

    on(EditPage, &QLineEdit::textChanged, [this] { EditPageChange(); });
    on(ComboBoxZoom, &QComboBox::editTextChanged, [this] { ComboBoxZoomChange(); });
    on(ComboBoxZoom, &QComboBox::activated, [this] { ComboBoxZoomClick(); });
    ImgEdit1->OnSelectionRectDrawn = [this](int32_t Left, int32_t Top, int32_t Width, int32_t Height) {
        app::Guarded([&] { ImgEdit1SelectionRectDrawn(Left, Top, Width, Height); });
    };
}

// ---------------------------------------------------------------- start-up

void TFormMain::FormCreate() {
    ImgAdmin1->SetDefaultExt("tif");
    ImgAdmin1->SetFilter("Pellow/Tiff|*.tif|All|*.*|");
    LanguageAuto = RegReadBool("LanguageAuto", PellowKey, true);
    LanguageID = RegReadInteger("LanguageID", PellowKey, 2);
    g_language = std::make_unique<LanguageClass>();
    Lang = g_language.get();
    const int start = app::PrimaryLanguageId() & 0x3FF;
    Lang->SetLanguage(LanguageAuto ? (start == 0 ? LangEnglish : start) : LanguageID);
    ApplyLanguage();
    // The section is set here: the component's default, the form's caption,
    // is not there when it is made.
    WndPropViewer->SetKey(std::string(PellowKey) + "\\Viewer");
    WndPropViewer->SetSection(ViewerPlacementSection);
    WndPropViewer->SetOptions(wpSize | wpPosition | wpWndState);
    std::string zoom;
    RegReadString("Zoom", PellowKey, "100", zoom);
    SetZoomText(zoom);
    ToolButtonFitToWidth->setChecked(RegReadBool("ToolButtonFitToWidth", PellowKey, false));
    ToolButtonFitToHight->setChecked(RegReadBool("ToolButtonFitToHight", PellowKey, false));
    ToolButtonBestFit->setChecked(RegReadBool("ToolButtonBestFit", PellowKey, false));
    ImgEdit1->SetZoom(100);
    PageEditCommitted = false;
}

void TFormMain::ApplyLanguage() {
    setWindowTitle(QStringLiteral("Pellow Viewer (Version 0.50)"));
    const LanguageClass& l = *Lang;
    ToolButtonMenuFile->setText(Q(l.ViewToolButtonMenuFile));
    ToolButtonMenuZoom->setText(Q(l.ViewToolButtonMenuZoom));
    ToolButtonMenuPage->setText(Q(l.ViewToolButtonMenuPage));
    ToolButtonMenuHelp->setText(Q(l.ViewToolButtonMenuHelp));
    const std::pair<QAction*, const std::string*> items[] = {
        {MenuFileOpen, &l.ViewMenuFileOpen},
        {MenuFileSaveAs, &l.ViewMenuFileSaveAs},
        {MenuFileSavePage, &l.ViewMenuFileSavePage},
        {MenuFilePrint, &l.ViewMenuFilePrint},
        {MenuFileExit, &l.ViewMenuFileExit},
        {MenuPageNext, &l.ViewMenuPageNext},
        {MenuPagePrevious, &l.ViewMenuPagePrevious},
        {MenuPageFirst, &l.ViewMenuPageFirst},
        {MenuPageLast, &l.ViewMenuPageLast},
        {MenuPageRotateLeft, &l.ViewMenuPageRotateLeft},
        {MenuPageRotateRight, &l.ViewMenuPageRotateRight},
        {MenuZoomZoomIn, &l.ViewMenuZoomZoomIn},
        {MenuZoomZoomOut, &l.ViewMenuZoomZoomOut},
        {MenuZoomZoom10, &l.ViewMenuZoomZoom10},
        {MenuZoomZoom25, &l.ViewMenuZoomZoom25},
        {MenuZoomZoom50, &l.ViewMenuZoomZoom50},
        {MenuZoomZoom100, &l.ViewMenuZoomZoom100},
        {MenuZoomZoom200, &l.ViewMenuZoomZoom200},
        {MenuHelpAbout, &l.ViewMenuHelpAbout},
        {MenuHelpAboutImaging, &l.ViewMenuHelpAboutImaging},
    };
    for (const auto& [action, text] : items) action->setText(Q(*text));
    const std::pair<QToolButton*, const std::string*> hints[] = {
        {ToolButtonOpen, &l.ViewToolButtonOpenHint},
        {ToolButtonSaveAs, &l.ViewToolButtonSaveAsHint},
        {ToolButtonPrint, &l.ViewToolButtonPrintHint},
        {ToolButtonPrevPage, &l.ViewToolButtonPrevPageHint},
        {ToolButtonNextPage, &l.ViewToolButtonNextPageHint},
        {ToolButtonFitToWidth, &l.ViewToolButtonFitToWidthHint},
        {ToolButtonFitToHight, &l.ViewToolButtonFitToHightHint},
        {ToolButtonBestFit, &l.ViewToolButtonBestFitHint},
        {ToolButtonRotateLeft, &l.ViewToolButtonRotateLeftHint},
        {ToolButtonRotateRight, &l.ViewToolButtonRotateRightHint},
    };
    for (const auto& [b, text] : hints) b->setToolTip(Q(*text));
    BandText[3]->setText(Q(l.ViewBandZoom));
    BandText[2]->setText(Q(l.ViewBandPage));
    BandText[4]->setText(Q(l.ViewBandOrientation));
    Repaint();
}

void TFormMain::showEvent(QShowEvent* Event) {
    QMainWindow::showEvent(Event);
    // The first showing the program makes, not a return from the task bar.
    if (Event->spontaneous() || shown_) return;
    shown_ = true;
    app::Guarded([this] { FormShow(); });
}

void TFormMain::FormShow() {
    FaxIsTemporary = false;
    const viewerrules::TCommandLine line = viewerrules::ParseCommandLine(arguments_);
    FaxIsTemporary = line.temporary;
    if (line.file.empty()) return;
    ImgAdmin1->SetImage(line.file);
    ui::MessageSpec spec;
    spec.text = ImgAdmin1->Image();
    spec.caption = app::Title();
    ui::MessageBox(spec);
    ShowFile();
}

void TFormMain::ShowFile() {
    ImgEdit1->SetImage(ImgAdmin1->Image());
    ImgEdit1->SetPage(1);
    ImgEdit1->SetDisplayScaleAlgorithm(4);
    ImgEdit1->SetSelectionRectangle(true);
    ImgEdit1->ShowImage();
    Repaint();
    Buttons();
}

void TFormMain::closeEvent(QCloseEvent* Event) {
    app::Guarded([this] { FormClose(); });
    Event->accept();
    emit Closed();
}

void TFormMain::FormClose() {
    // The temporary file goes also when the settings cannot be written.
    struct TRelease {
        TFormMain& form;
        ~TRelease() {
            if (FaxIsTemporary) files::DeleteFile(form.ImgEdit1->Image());
            FaxIsTemporary = false;
        }
    } release{*this};
    RegWriteString(ZoomBoxText(), "Zoom", PellowKey);
    RegWriteBool(ToolButtonFitToWidth->isChecked(), "ToolButtonFitToWidth", PellowKey);
    RegWriteBool(ToolButtonFitToHight->isChecked(), "ToolButtonFitToHight", PellowKey);
    RegWriteBool(ToolButtonBestFit->isChecked(), "ToolButtonBestFit", PellowKey);
}

}  // namespace leafor
