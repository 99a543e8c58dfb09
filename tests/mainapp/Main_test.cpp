// The main window's start: its controls, language, columns, log file and
// command line.
#include <sys/stat.h>

#include <QFontMetricsF>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

#include "mainapp/MainPictures.h"
#include "mainapp/MainRules.h"
#include "platform/Files.h"
#include "support/QelStatusBar.h"
#include "tests/mainapp/MainTestKit.h"

using namespace maintest;

namespace {

class MainStartTest : public MainWindowTest {};

TEST_F(MainStartTest, EveryNamedControlIsThere) {
    TFormMain& f = Create();
    const char* widgets[] = {"CoolBar1",        "ToolBarMenu",     "ToolButtonMenuFile",      "ToolButtonEdit",
                             "ToolButtonSettings", "ToolButtonHelp", "ToolBarButtons",          "ToolButtonReload",
                             "ToolButtonPlayNew", "ToolButtonPlay",  "ToolButtonRelease",       "ToolButtonErase",
                             "ToolButtonModemSettings", "ToolButtonAbout", "ImageAnimation",    "ExtListView1",
                             "StatusBar",       "PopupMenu",       "MenuFile",                "MenuEdit",
                             "MenuSettings",    "MenuHelp"};
    for (const char* name : widgets) EXPECT_NE(f.findChild<QWidget*>(name), nullptr) << name;
    const char* actions[] = {"MenuFileSaveAs",     "MenuFileExit",       "MenuEditPlayNew",   "MenuEditPlayView",
                             "MenuEditReleaseall", "MenuEditReload",     "MenuEditEraseall",  "MenuSettingsModem",
                             "MenuSettingsPellow", "MenuHelpAboutPellow", "MenuHelpAboutModem", "PopUpPlayView",
                             "PopUpSave",          "PopUpRelease",       "PopUpErase",        "PopUpReload"};
    for (const char* name : actions) EXPECT_NE(f.findChild<QAction*>(name), nullptr) << name;
    const char* others[] = {"TimerAnimation",         "WndPropMain",           "ImageListListView",
                            "ImageListModemNotConnected", "ImageListModemSearch", "ImageListModemDownload",
                            "ImageListModemUpload",   "ImageListModemPlay",    "ImageListModemBlink",
                            "ImageListModemStill"};
    for (const char* name : others) EXPECT_NE(f.findChild<QObject*>(name), nullptr) << name;
    EXPECT_EQ(f.ToolButtonMenuFile->menu(), f.MenuFile);
    EXPECT_EQ(f.MenuEditReload->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_EQ(f.MenuEditEraseall->shortcut(), QKeySequence(Qt::Key_Delete));
    EXPECT_TRUE(f.ExtListView1->header()->sectionsMovable());
    EXPECT_EQ(f.ExtListView1->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(f.StatusBar->Panels().Count(), 2);
    EXPECT_EQ(f.StatusBar->Panels().Items(0)->PanelType(), sptGauge);
    EXPECT_EQ(f.StatusBar->Panels().Items(0)->Width(), 80);
    EXPECT_EQ(f.StatusBar->Panels().Items(1)->Width(), 50);
}

TEST_F(MainStartTest, PicturesAreDistinctAndOfTheirSizes) {
    TFormMain& f = Create();
    ASSERT_EQ(f.ImageListListView->Count(), 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(f.ImageListListView->Image(i).size(), QSize(16, 16));
        for (int j = 0; j < i; ++j)
            EXPECT_NE(f.ImageListListView->Image(i).toImage(), f.ImageListListView->Image(j).toImage()) << i << j;
    }
    TImageList* lists[] = {f.ImageListModemNotConnected, f.ImageListModemSearch, f.ImageListModemDownload,
                           f.ImageListModemUpload,       f.ImageListModemPlay,   f.ImageListModemBlink,
                           f.ImageListModemStill};
    for (TImageList* l : lists) {
        ASSERT_GE(l->Count(), 1) << l->objectName().toStdString();
        for (int i = 0; i < l->Count(); ++i) EXPECT_EQ(l->Image(i).size(), QSize(40, 28));
        if (l != f.ImageListModemStill) {
            EXPECT_GE(l->Count(), 2) << l->objectName().toStdString();
            EXPECT_NE(l->Image(0).toImage(), l->Image(1).toImage()) << l->objectName().toStdString();
        }
    }
    EXPECT_THROW(f.ImageListListView->Image(8), ERangeError);
    EXPECT_THROW(f.ImageListListView->Image(-1), ERangeError);
}

TEST_F(MainStartTest, CreationShowsTheWindowTranslatedWithTheNotConnectedAnimation) {
    TFormMain& f = Create();
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.windowTitle().toStdString(), "Pellow (Version 0.50)");
    EXPECT_EQ(f.ToolButtonMenuFile->text().toStdString(), "&File");
    EXPECT_EQ(f.MenuEditPlayNew->text().toStdString(), "Play &New");
    EXPECT_EQ(f.PopUpErase->text().toStdString(), "Erase");
    EXPECT_EQ(f.ToolButtonAbout->toolTip().toStdString(), "Info about Modem");
    EXPECT_EQ(f.ImageListAnimation, f.ImageListModemNotConnected);
    EXPECT_TRUE(f.TimerAnimation->isActive());
    EXPECT_EQ(f.TimerAnimation->interval(), 400);
    EXPECT_FALSE(f.Busy);
    EXPECT_TRUE(f.NeedOpenPort);
    EXPECT_TRUE(Prompts().empty());
}

TEST_F(MainStartTest, AnimationStepsThroughTheShownList) {
    TFormMain& f = Create();
    f.SetAnimation(f.ImageListModemSearch);
    const int count = f.ImageListModemSearch->Count();
    f.AnimationFrame = 0;
    for (int tick = 1; tick <= count + 1; ++tick) {
        f.TimerAnimationTimer();
        EXPECT_EQ(f.AnimationFrame, tick % count);
        EXPECT_EQ(f.ImageAnimation->pixmap().toImage(), f.ImageListModemSearch->Image(tick % count).toImage());
    }
    f.SetAnimation(f.ImageListModemStill);
    f.TimerAnimationTimer();
    EXPECT_EQ(f.AnimationFrame, 0);
}

TEST_F(MainStartTest, LanguageChosenBySettingOrLocale) {
    struct Case {
        bool automatic;
        int id;
        const char* lang;
        int expected;
    };
    // LanguageID 2 is no language of the table: English texts.
    const Case cases[] = {{false, 2, "de_DE.UTF-8", 2}, {false, 10, "de_DE.UTF-8", LangSpanish},
                          {true, 2, "de_DE.UTF-8", LangGerman},   {true, 10, "fr_FR.UTF-8", LangFrench},
                          {true, 7, "C", LangEnglish}};
    const char* saved = std::getenv("LANG");
    const std::string keep = saved ? saved : "";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lang);
        SetOption("LanguageAuto", c.automatic);
        SetOption("LanguageID", c.id);
        setenv("LANG", c.lang, 1);
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        TFormMain& f = Create();
        LanguageClass expected;
        expected.SetLanguage(c.expected);
        EXPECT_EQ(Lang->LangID, c.expected);
        EXPECT_EQ(f.ToolButtonMenuFile->text().toStdString(), expected.MainToolButtonMenuFile);
        EXPECT_EQ(f.MenuHelpAboutPellow->text().toStdString(), expected.MainMenuHelpAboutPellow);
        EXPECT_EQ(HeaderAt(0), expected.MainColumnType);
        if (c.expected == 2) {
            EXPECT_EQ(f.ToolButtonMenuFile->text().toStdString(), "&File");
        }
        form.reset();
    }
    if (saved) setenv("LANG", keep.c_str(), 1);
    else unsetenv("LANG");
}

// The widths 35, 120, 90, 60 of the original's font in the list's own font.
std::array<int32_t, 4> ScaledDefaults(const QWidget* List) {
    const double letters =
        QFontMetricsF(List->font()).horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52;
    return mainrules::ScaledColumnWidths(letters);
}

TEST_F(MainStartTest, DefaultColumns) {
    Create();
    const char* captions[] = {"Type", "Caller ID", "Date", "Size"};
    const auto widths = ScaledDefaults(form->ExtListView1);
    for (int p = 0; p < 4; ++p) {
        EXPECT_EQ(HeaderAt(p), captions[p]);
        // The Date column may be wider still, for the user's date format (below).
        if (p == 2) EXPECT_GE(form->ExtListView1->columnWidth(ColumnAt(p)), widths[2]);
        else EXPECT_EQ(form->ExtListView1->columnWidth(ColumnAt(p)), widths[static_cast<std::size_t>(p)]);
    }
}

TEST_F(MainStartTest, DefaultColumnsShowAWholeDateAndTimeAndCallerIdInTheListsFont) {
    Create();
    QTreeWidget* list = form->ExtListView1;
    const QFontMetrics fm(list->font());
    // The list elides a text that leaves less than the item margin on either side.
    const int margins = 2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
    for (int hour : {0, 9, 12, 23}) {
        const QString d = QString::fromStdString(mainrules::DateCellText(EncodeDate(2026, 11, 30) + EncodeTime(hour, 59, 0, 0)));
        EXPECT_GE(list->columnWidth(ColumnAt(2)), fm.horizontalAdvance(d) + margins) << d.toStdString();
    }
    EXPECT_GE(list->columnWidth(ColumnAt(1)), fm.horizontalAdvance("+49 40 5550123-456") + margins);
    // The other columns are the original's numbers in this font.
    EXPECT_EQ(list->columnWidth(ColumnAt(1)), ScaledDefaults(list)[1]);
    EXPECT_EQ(list->columnWidth(ColumnAt(3)), ScaledDefaults(list)[3]);
}

TEST_F(MainStartTest, StoredColumnPositionsAndWidthsAreApplied) {
    // Type at position 2, Date at position 0; Size wider.
    SetOption("cColumn0", 2);
    SetOption("cColumn1", 1);
    SetOption("cColumn2", 0);
    SetOption("cColumnW3", 200);
    Create();
    EXPECT_EQ(HeaderAt(0), "Date");
    EXPECT_EQ(HeaderAt(1), "Caller ID");
    EXPECT_EQ(HeaderAt(2), "Type");
    EXPECT_EQ(HeaderAt(3), "Size");
    EXPECT_EQ(form->ExtListView1->columnWidth(ColumnAt(2)), ScaledDefaults(form->ExtListView1)[0]);
    EXPECT_EQ(form->ExtListView1->columnWidth(ColumnAt(3)), 200);
}

TEST_F(MainStartTest, BrokenColumnPositionsGiveTheDefaultOrder) {
    SetOption("cColumn0", 1);
    SetOption("cColumn1", 1);
    Create();
    EXPECT_EQ(HeaderAt(0), "Type");
    EXPECT_EQ(HeaderAt(1), "Caller ID");
}

TEST_F(MainStartTest, ClosingSavesTheColumnLayoutAsDragged) {
    TFormMain& f = Create();
    QHeaderView* header = f.ExtListView1->header();
    header->moveSection(0, 2);  // Type dragged to the third place
    f.ExtListView1->setColumnWidth(header->logicalIndex(0), 111);
    f.close();
    EXPECT_EQ(RegReadInteger("cColumn0", PellowKey, -9), 2);
    EXPECT_EQ(RegReadInteger("cColumn1", PellowKey, -9), 0);
    EXPECT_EQ(RegReadInteger("cColumn2", PellowKey, -9), 1);
    EXPECT_EQ(RegReadInteger("cColumn3", PellowKey, -9), 3);
    EXPECT_EQ(RegReadInteger("cColumnW1", PellowKey, -9), 111);
    EXPECT_EQ(RegReadInteger("cColumnW0", PellowKey, -9), ScaledDefaults(f.ExtListView1)[0]);
    EXPECT_TRUE(halts.empty());
    // A stored width is used as stored, also a default written back.
    // The next start shows the type in the third column.
    form.reset();
    Create();
    EXPECT_EQ(HeaderAt(2), "Type");
    EXPECT_EQ(HeaderAt(0), "Caller ID");
    EXPECT_EQ(form->ExtListView1->columnWidth(ColumnAt(0)), 111);
}

// -------------------------------------------------------------- log file

class MainLogTest : public MainWindowTest {
protected:
    std::string LogPath() { return home.Path() + "/serial.log"; }
    void UseLog(const std::string& Path) { SetOption("LogFileName", Path.c_str()); }
    std::string FirstLines() { return mainrules::LogFirstLine() + "\r\n" + mainrules::LogSystemLine() + "\r\n"; }
};

TEST_F(MainLogTest, DefaultLogInTheHomeFolder) {
    Create();
    EXPECT_TRUE(LogFileOn);
    EXPECT_EQ(testkit::ReadFile(home.Path() + "/Pellow.log"), FirstLines());
}

TEST_F(MainLogTest, LogOfSixtyThousandBytesStartsAfresh) {
    testkit::WriteFile(LogPath(), std::string(60000, 'x'));
    UseLog(LogPath());
    Create();
    EXPECT_EQ(testkit::ReadFile(LogPath()), FirstLines());
}

TEST_F(MainLogTest, LogOfOneByteLessIsAppendedTo) {
    const std::string old(59999, 'x');
    testkit::WriteFile(LogPath(), old);
    UseLog(LogPath());
    Create();
    EXPECT_EQ(testkit::ReadFile(LogPath()), old + FirstLines());
}

TEST_F(MainLogTest, MissingLogIsCreated) {
    UseLog(LogPath());
    Create();
    EXPECT_EQ(testkit::ReadFile(LogPath()), FirstLines());
    EXPECT_TRUE(LogFileOn);
    ASSERT_NE(LogTextFile, nullptr);
}

TEST_F(MainLogTest, UnwritableLogWarnsAndLogsNothing) {
    const std::string dir = home.Path() + "/locked";
    ASSERT_EQ(mkdir(dir.c_str(), 0500), 0);
    UseLog(dir + "/sub/Pellow.log");
    Create();
    EXPECT_FALSE(LogFileOn);
    EXPECT_EQ(LogTextFile, nullptr);
    const auto p = Prompts();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].kind, "warning");
    EXPECT_EQ(p[0].text, "Could not open/create lofile. No logfile will be generated!");
    EXPECT_EQ(p[0].buttons, std::vector<std::string>{"OK"});
    EXPECT_TRUE(form->isVisible());  // start-up goes on
}

TEST_F(MainLogTest, NoLogWhenSwitchedOff) {
    SetOption("LogFile", false);
    UseLog(LogPath());
    Create();
    EXPECT_FALSE(LogFileOn);
    EXPECT_FALSE(files::FileExists(LogPath()));
}

// ---------------------------------------------------------- command line

TEST_F(MainStartTest, AutostartSwitchInAnyCaseHidesTheWindow) {
    for (const char* arg : {"-AUTOSTART", "-autostart", "-AutoStart"}) {
        TFormMain& f = Create({arg});
        EXPECT_TRUE(f.AutostartMode) << arg;
        EXPECT_FALSE(f.isVisible()) << arg;
        form.reset();
    }
    EXPECT_TRUE(halts.empty());
    EXPECT_TRUE(Prompts().empty());
}

TEST_F(MainStartTest, UnknownParameterEndsWithItsMessage) {
    TFormMain& f = Create({"/AUTOSTART"});
    EXPECT_EQ(halts, std::vector<int>{0});
    EXPECT_FALSE(f.isVisible());
    const auto p = Prompts();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].text, "In the command line, there is an unkown parameter:\r/AUTOSTART");
    EXPECT_EQ(p[0].caption, "Pellow");
}

}  // namespace
