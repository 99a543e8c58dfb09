#include "support/WndProp.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QShowEvent>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTableView>
#include <memory>

#include "platform/App.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "support/RegIniFile.h"
#include "testkit/TestKit.h"

namespace {

const char* const kKey = "SOFTWARE\\Norvale\\Pellow\\Version 0.50\\Main";

// The forms run on one offscreen screen of 1024 x 768 pixels. Without frames, as the
// offscreen platform otherwise keeps a frame from leaving the screen, as a window manager would.
class ScreenEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        config_ = files::TempPath() + "wndprop-screen-" + std::to_string(getpid()) + ".json";
        testkit::WriteFile(config_,
                           R"({"windowFrameMargins": false, "screens": [{"name": "s1", "x": 0, "y": 0, "width": 1024, "height": 768,)"
                           R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
        setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config_).c_str(), 1);
        app_ = std::make_unique<app::Application>(argc_, argv_);
        app::SetTitle("Pellow");
    }
    void TearDown() override {
        app_.reset();
        files::DeleteFile(config_);
    }

private:
    std::string config_;
    int argc_ = 1;
    char name_[12] = "wndprop";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<app::Application> app_;
};
const auto* const kScreen = ::testing::AddGlobalTestEnvironment(new ScreenEnvironment);

// A form as our forms carry the component: a member, set up in the constructor.
class TestForm : public QWidget {
public:
    explicit TestForm(TWndProperty options = wpAllProperties, const char* name = "FormMain") {
        setObjectName(name);
        setWindowTitle("Test form");
        setGeometry(30, 40, 320, 240);
        Prop.SetKey(kKey);
        Prop.SetSection("Form");
        Prop.SetOptions(options);
    }
    TWndProp Prop{this};
    int OwnShows = 0;
    QRect GeometryAtOwnShow;

protected:
    void showEvent(QShowEvent* e) override {
        ++OwnShows;
        GeometryAtOwnShow = geometry();
        QWidget::showEvent(e);
    }
};

void Show(QWidget* w) {
    w->show();
    QApplication::processEvents();
}

class WndProp : public ::testing::Test {
protected:
    std::string Read(const std::string& section, const std::string& name) const {
        return TRegIniFile(kKey).ReadString(section, name, "(missing)");
    }
    void Store(const std::string& section, const std::string& name, const std::string& value) {
        TRegIniFile(kKey).WriteString(section, name, value);
    }
    void StoreRect(int left, int top, int width, int height) {
        Store("Form", "Left", std::to_string(left));
        Store("Form", "Top", std::to_string(top));
        Store("Form", "Width", std::to_string(width));
        Store("Form", "Height", std::to_string(height));
    }
    testkit::TempHome home;
    testkit::ScopedScriptedUi ui;
};

TEST_F(WndProp, TheScreenIsTheConfiguredOne) {
    ASSERT_EQ(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 1024, 768));
}

TEST_F(WndProp, DefaultsAtConstruction) {
    QWidget form;
    form.setWindowTitle("Pellow - Fax Viewer");
    TWndProp prop(&form, false);
    EXPECT_EQ(prop.Key(), "Software");
    EXPECT_EQ(prop.Section(), "Pellow - Fax Viewer");
    EXPECT_EQ(prop.Options(), static_cast<TWndProperty>(wpSize | wpPosition | wpWndState));
    EXPECT_EQ(prop.Options(), 7u);
    EXPECT_FALSE(prop.AutoLoad());
    const std::string about = prop.About();
    EXPECT_FALSE(about.empty());
    prop.SetAbout("something else");
    EXPECT_EQ(prop.About(), about);
    QWidget child(&form);
    EXPECT_EQ(TWndProp(&child).Section(), "Section1");
    EXPECT_EQ(wpColors, 128u);
    EXPECT_EQ(wpAllProperties, 255u);
}

TEST_F(WndProp, SavesOnDestroyAndRestoresAtTheNextShow) {
    {
        TestForm form;
        Show(&form);
        form.setGeometry(100, 50, 300, 200);
    }
    EXPECT_EQ(Read("Form", "Left"), "100");
    EXPECT_EQ(Read("Form", "Top"), "50");
    EXPECT_EQ(Read("Form", "Width"), "300");
    EXPECT_EQ(Read("Form", "Height"), "200");
    EXPECT_EQ(Read("Form", "State"), "0");
    TestForm again;
    EXPECT_EQ(again.geometry(), QRect(30, 40, 320, 240));  // nothing before the show
    Show(&again);
    EXPECT_EQ(again.geometry(), QRect(100, 50, 300, 200));
}

struct ClampCase {
    int left, top, width, height;
    QRect expected;
};

TEST_F(WndProp, PlacementIsPulledBackOntoTheScreen) {
    const ClampCase cases[] = {
        {-50, 10, 300, 200, {0, 10, 300, 200}},
        {900, 10, 300, 200, {724, 10, 300, 200}},
        {10, 10, 1100, 200, {0, 10, 1100, 200}},
        {500, 10, 1024, 200, {0, 10, 1024, 200}},
        {10, -5, 300, 200, {10, 0, 300, 200}},
        {10, 700, 300, 200, {10, 568, 300, 200}},
        {10, 300, 300, 800, {10, 0, 300, 800}},
        {724, 568, 300, 200, {724, 568, 300, 200}},
        {-3000, -3000, 300, 200, {0, 0, 300, 200}},
    };
    for (const ClampCase& c : cases) {
        StoreRect(c.left, c.top, c.width, c.height);
        TestForm form;
        Show(&form);
        EXPECT_EQ(form.geometry(), c.expected) << c.left << "," << c.top << " " << c.width << "x" << c.height;
    }
}

TEST_F(WndProp, ClampingRulesOnAnyScreen) {
    const QRect screen(0, 0, 1024, 768);
    const ClampCase cases[] = {
        {-50, 0, 300, 200, {0, 0, 0, 0}},
        {900, 0, 300, 200, {724, 0, 0, 0}},
        {10, 0, 2000, 200, {0, 0, 0, 0}},
        {0, 0, 1024, 200, {0, 0, 0, 0}},  // fits exactly
        {1, 0, 1024, 200, {0, 0, 0, 0}},
        {724, 0, 300, 200, {724, 0, 0, 0}},
        {725, 0, 300, 200, {724, 0, 0, 0}},
        {0, 568, 300, 200, {0, 568, 0, 0}},
        {0, 569, 300, 200, {0, 568, 0, 0}},
        {0, 10, 300, 768, {0, 0, 0, 0}},
    };
    for (const ClampCase& c : cases) {
        int left = c.left, top = c.top;
        ClampToScreen(left, top, c.width, c.height, screen);
        EXPECT_EQ(left, c.expected.x()) << c.left << " " << c.width;
        EXPECT_EQ(top, c.expected.y()) << c.left << " " << c.width;
    }
    // A work area that does not start at 0 (a panel on the left and at the top).
    int left = 0, top = 0;
    ClampToScreen(left, top, 300, 200, QRect(48, 32, 976, 736));
    EXPECT_EQ(left, 48);
    EXPECT_EQ(top, 32);
    left = 900;
    ClampToScreen(left, top, 300, 200, QRect(48, 32, 976, 736));
    EXPECT_EQ(left, 724);
    left = INT32_MAX - 10;
    EXPECT_THROW(ClampToScreen(left, top, 300, 200, screen), EIntOverflow);
}

TEST_F(WndProp, AnOverflowingPlacementIsReportedAndTheFormStillShows) {
    StoreRect(2147483000, 10, 1000, 200);
    TestForm form;
    Show(&form);
    EXPECT_TRUE(form.isVisible());
    const auto prompts = ui->Prompts();
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].kind, "error");
    EXPECT_EQ(prompts[0].text, "Integer overflow.");
}

TEST_F(WndProp, AMaximisedFormKeepsItsNormalRectangle) {
    StoreRect(111, 122, 333, 244);
    {
        TestForm form;
        Show(&form);
        EXPECT_EQ(form.geometry(), QRect(111, 122, 333, 244));
        form.showMaximized();
        QApplication::processEvents();
        EXPECT_NE(form.geometry(), QRect(111, 122, 333, 244));
        form.close();
    }
    EXPECT_EQ(Read("Form", "State"), "2");
    EXPECT_EQ(Read("Form", "Left"), "111");
    EXPECT_EQ(Read("Form", "Top"), "122");
    EXPECT_EQ(Read("Form", "Width"), "333");
    EXPECT_EQ(Read("Form", "Height"), "244");
    TestForm again;
    Show(&again);
    EXPECT_TRUE(again.isMaximized());
    EXPECT_EQ(again.normalGeometry(), QRect(111, 122, 333, 244));
    again.showNormal();
    QApplication::processEvents();
    EXPECT_EQ(again.geometry(), QRect(111, 122, 333, 244));
}

TEST_F(WndProp, MinimisedAndUnknownStates) {
    Store("Form", "State", "1");
    {
        TestForm form;
        Show(&form);
        EXPECT_TRUE(form.isMinimized());
    }
    EXPECT_EQ(Read("Form", "State"), "1");
    Store("Form", "State", "7");
    TestForm other;
    Show(&other);
    EXPECT_FALSE(other.isMinimized());
    EXPECT_FALSE(other.isMaximized());
}

TEST_F(WndProp, LoadsOnlyAtTheFirstShowAfterTheFormsOwnShow) {
    StoreRect(200, 100, 300, 200);
    TestForm form;
    Show(&form);
    EXPECT_EQ(form.OwnShows, 1);
    EXPECT_EQ(form.GeometryAtOwnShow, QRect(30, 40, 320, 240));  // the form's handler ran first
    EXPECT_EQ(form.geometry(), QRect(200, 100, 300, 200));
    form.hide();
    StoreRect(400, 300, 300, 200);
    form.setGeometry(10, 20, 300, 200);
    Show(&form);
    EXPECT_EQ(form.OwnShows, 2);
    EXPECT_EQ(form.geometry(), QRect(10, 20, 300, 200));
}

TEST_F(WndProp, ABadNumberLoadsAsTheCurrentValue) {
    StoreRect(50, 60, 300, 200);
    Store("Form", "Width", "abc");
    Store("Form", "Top", "");
    TestForm form;
    Show(&form);
    EXPECT_EQ(form.geometry(), QRect(50, 40, 320, 200));
}

TEST_F(WndProp, OnlyTheChosenOptionsAreSavedAndLoaded) {
    StoreRect(50, 60, 300, 200);
    {
        TestForm form(wpSize);
        Show(&form);
        EXPECT_EQ(form.geometry(), QRect(30, 40, 300, 200));
        form.setGeometry(70, 80, 400, 300);
    }
    EXPECT_EQ(Read("Form", "Left"), "50");
    EXPECT_EQ(Read("Form", "Width"), "400");
    EXPECT_EQ(Read("Form", "State"), "(missing)");
}

// A form that was never shown did not load, so it leaves the saved placement alone.
TEST_F(WndProp, AFormNeverShownKeepsTheSavedPlacement) {
    StoreRect(50, 60, 300, 200);
    { TestForm form; }
    EXPECT_EQ(Read("Form", "Left"), "50");
    EXPECT_EQ(Read("Form", "Width"), "300");
    EXPECT_EQ(Read("Form", "State"), "(missing)");
}

TEST_F(WndProp, WithoutAutoLoadNothingHappensByItself) {
    StoreRect(50, 60, 300, 200);
    {
        QWidget form;
        form.setGeometry(30, 40, 320, 240);
        TWndProp prop(&form, false);
        prop.SetKey(kKey);
        prop.SetSection("Form");
        Show(&form);
        EXPECT_EQ(form.geometry(), QRect(30, 40, 320, 240));
        prop.LoadPlacement();
        EXPECT_EQ(form.geometry(), QRect(50, 60, 300, 200));
        form.setGeometry(1, 2, 300, 200);
    }
    EXPECT_EQ(Read("Form", "Left"), "50");
    // SetAutoLoad(True) hooks, once.
    QWidget form;
    TWndProp prop(&form, false);
    prop.SetKey(kKey);
    prop.SetSection("Form");
    prop.SetAutoLoad(true);
    prop.SetAutoLoad(true);
    Show(&form);
    EXPECT_EQ(form.geometry(), QRect(50, 60, 300, 200));
}

TEST_F(WndProp, NothingForAnOwnerThatIsNotAForm) {
    QWidget form;
    QWidget* child = new QWidget(&form);
    child->setGeometry(1, 2, 30, 40);
    TWndProp prop(child);
    prop.SetKey(kKey);
    Show(&form);
    prop.LoadPlacement();
    prop.SavePlacement();
    EXPECT_FALSE(registry::TRegistry().KeyExists(kKey));
    EXPECT_EQ(child->geometry(), QRect(1, 2, 30, 40));
}

// A form built as a window of its own, with its component made first in its constructor.
class PanelForm : public QWidget {
public:
    PanelForm() {
        Prop = new TWndProp(this);
        Prop->SetKey(kKey);
        Prop->SetSection("Form");
        Prop->SetOptions(wpAllProperties);
        setObjectName("FormMain");
        setGeometry(30, 40, 600, 400);
        auto* layout = new QHBoxLayout(this);
        Panel1 = new QWidget(this);
        Panel1->setObjectName("Panel1");
        Panel1->setFixedWidth(80);
        SetAlign(Panel1, TAlign::alLeft);
        Panel2 = new QWidget(this);
        Panel2->setObjectName("Panel2");
        SetAlign(Panel2, TAlign::alClient);
        Bar = new QWidget(this);
        Bar->setObjectName("ToolBar1");
        Bar->setFixedHeight(30);
        SetAlign(Bar, TAlign::alTop);
        Loose = new QWidget(this);
        Loose->setObjectName("Loose");
        Loose->setFont(QFont("DejaVu Serif", 13));
        layout->addWidget(Panel1);
        layout->addWidget(Panel2);
        layout->addWidget(Bar);
        layout->addWidget(Loose);
    }
    TWndProp* Prop;
    QWidget *Panel1, *Panel2, *Bar, *Loose;
};

TEST_F(WndProp, ALeftAlignedPanelWithItsOwnFont) {
    {
        PanelForm form;
        Show(&form);
        QFont f("DejaVu Sans", 11);
        f.setBold(true);
        f.setUnderline(true);
        form.Panel1->setFont(f);
        QPalette p = form.Panel1->palette();
        p.setColor(form.Panel1->foregroundRole(), QColor(0x12, 0x34, 0x56));
        form.Panel1->setPalette(p);
        form.Panel1->setFixedWidth(150);
    }
    const std::string panel = "FormMain\\Panel1";
    EXPECT_EQ(Read(panel, "Width"), "150");
    EXPECT_EQ(Read(panel, "FontName"), "DejaVu Sans");
    EXPECT_EQ(Read(panel, "FontCharSet"), "1");
    EXPECT_EQ(Read(panel, "FontColor"), std::to_string(0x563412));
    EXPECT_EQ(Read(panel, "FontSize"), "11");
    EXPECT_EQ(Read(panel, "FontStyle"), "5");
    EXPECT_EQ(Read(panel, "Height"), "(missing)");
    EXPECT_EQ(Read("FormMain\\ToolBar1", "Height"), "30");
    EXPECT_EQ(Read("FormMain\\ToolBar1", "FontName"), "(missing)");
    EXPECT_FALSE(TRegIniFile(kKey).SectionExists("FormMain\\Panel2"));  // client-aligned, parent font
    EXPECT_EQ(Read("FormMain\\Loose", "Width"), "(missing)");            // no alignment
    EXPECT_EQ(Read("FormMain\\Loose", "FontName"), "DejaVu Serif");  // no font stored: it kept its own
    EXPECT_EQ(Read("FormMain\\Loose", "FontSize"), "13");
    // The panel's palette sets its font colour only; its background colour is still saved.
    EXPECT_NE(Read(panel, "Color"), "(missing)");

    PanelForm again;
    again.Panel1->setFont(QFont("DejaVu Serif", 20));
    Show(&again);
    EXPECT_EQ(again.Panel1->width(), 150);
    EXPECT_EQ(again.Panel1->font().family(), "DejaVu Sans");
    EXPECT_EQ(again.Panel1->font().pointSize(), 11);
    EXPECT_TRUE(again.Panel1->font().bold());
    EXPECT_TRUE(again.Panel1->font().underline());
    EXPECT_FALSE(again.Panel1->font().italic());
    EXPECT_EQ(again.Panel1->palette().color(again.Panel1->foregroundRole()), QColor(0x12, 0x34, 0x56));
}

QTableView* AddGrid(QWidget* form, QAbstractItemModel* model) {
    auto* grid = new QTableView(form);
    grid->setObjectName("DBGrid1");
    grid->setModel(model);
    return grid;
}

// Values missing beside a stored one give the font defaults, not the control's font.
TEST_F(WndProp, MissingFontValuesLoadTheFontDefaults) {
    const struct {
        const char* name;
        const char* value;
    } stored[] = {{"FontSize", "14"}, {"FontCharSet", "0"}, {"FontColor", "abc"}};
    for (const auto& one : stored) {
        testkit::TempHome fresh;
        Store("FormMain\\Panel1", one.name, one.value);
        PanelForm form;
        form.Panel1->setFont(QFont("DejaVu Serif", 20, QFont::Bold));
        SCOPED_TRACE(one.name);
        Show(&form);
        EXPECT_EQ(form.Panel1->font().family(), "MS Sans Serif");
        EXPECT_EQ(form.Panel1->font().pointSize(), std::string(one.name) == "FontSize" ? 14 : 8);
        EXPECT_FALSE(form.Panel1->font().bold());
        EXPECT_EQ(form.Panel1->palette().color(form.Panel1->foregroundRole()), QColor(Qt::black));
    }
}

// The first run stores no font: controls and grid columns show the fonts they were designed with.
TEST_F(WndProp, WithNoFontStoredControlsKeepTheirDesignedFonts) {
    Store("FormMain\\Panel1", "Width", "120");
    QStandardItemModel model(1, 1);
    model.setHorizontalHeaderLabels({"Name"});
    const QFont columnFont("DejaVu Sans Mono", 15, QFont::Bold);
    model.setHeaderData(0, Qt::Horizontal, columnFont, Qt::FontRole);
    model.setHeaderData(0, Qt::Horizontal, QBrush(QColor(0, 0, 200)), Qt::ForegroundRole);
    {
        PanelForm form;
        form.Panel1->setFont(QFont("DejaVu Serif", 20, QFont::Bold));
        QPalette p = form.Panel1->palette();
        p.setColor(form.Panel1->foregroundRole(), QColor(200, 0, 0));
        form.Panel1->setPalette(p);
        AddGrid(&form, &model);
        Show(&form);
        EXPECT_EQ(form.Panel1->width(), 120);
        EXPECT_EQ(form.Panel1->font().family(), "DejaVu Serif");
        EXPECT_EQ(form.Panel1->font().pointSize(), 20);
        EXPECT_TRUE(form.Panel1->font().bold());
        EXPECT_EQ(form.Panel1->palette().color(form.Panel1->foregroundRole()), QColor(200, 0, 0));
        EXPECT_EQ(form.Loose->font().family(), "DejaVu Serif");
        EXPECT_EQ(form.Loose->font().pointSize(), 13);
        EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::FontRole).value<QFont>(), columnFont);
        EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::ForegroundRole).value<QBrush>().color(), QColor(0, 0, 200));
    }
    // What they showed is what is stored for the next run.
    EXPECT_EQ(Read("FormMain\\Panel1", "FontName"), "DejaVu Serif");
    EXPECT_EQ(Read("FormMain\\Panel1", "FontSize"), "20");
    EXPECT_EQ(Read("FormMain\\Panel1", "FontStyle"), "1");
    EXPECT_EQ(Read("FormMain\\Panel1", "FontColor"), "200");
    EXPECT_EQ(Read("FormMain\\DBGrid1\\Name\\Column", "FontName"), "DejaVu Sans Mono");
    EXPECT_EQ(Read("FormMain\\DBGrid1\\Name\\Column", "FontSize"), "15");
}

void SetBackground(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(w->backgroundRole(), c);
    w->setPalette(p);
}

TEST_F(WndProp, ColoursOfControlsWithTheirOwnPalette) {
    {
        PanelForm form;
        SetBackground(form.Panel2, QColor(255, 0, 0));
        Show(&form);
        EXPECT_EQ(form.Panel2->palette().color(form.Panel2->backgroundRole()), QColor(255, 0, 0));
    }
    EXPECT_EQ(Read("FormMain\\Panel2", "Color"), "255");
    EXPECT_EQ(Read("FormMain\\Panel1", "Color"), "(missing)");  // parent colour
    Store("FormMain\\Panel2", "Color", std::to_string(0xFF0000));  // blue
    PanelForm again;
    SetBackground(again.Panel2, QColor(9, 9, 9));
    Show(&again);
    EXPECT_EQ(again.Panel2->palette().color(again.Panel2->backgroundRole()), QColor(0, 0, 255));
    // A system colour number cannot be shown: the control keeps its colour.
    Store("FormMain\\Panel2", "Color", "-2147483643");
    PanelForm third;
    SetBackground(third.Panel2, QColor(1, 2, 3));
    Show(&third);
    EXPECT_EQ(third.Panel2->palette().color(third.Panel2->backgroundRole()), QColor(1, 2, 3));
}

// A left-aligned splitter across the form with the left-aligned pane "Tree" and one more pane.
QSplitter* AddSplitter(QWidget* form) {
    auto* splitter = new QSplitter(Qt::Horizontal, form);
    splitter->setObjectName("Splitter1");
    SetAlign(splitter, TAlign::alLeft);
    splitter->setGeometry(0, 0, 320, 240);
    auto* tree = new QWidget(splitter);
    tree->setObjectName("Tree");
    SetAlign(tree, TAlign::alLeft);
    splitter->addWidget(tree);
    splitter->addWidget(new QWidget(splitter));
    return splitter;
}

TEST_F(WndProp, AControlInASplitterGetsItsPaneBack) {
    {
        TestForm form;
        QSplitter* splitter = AddSplitter(&form);
        Show(&form);
        const QList<int> sizes = splitter->sizes();
        splitter->setSizes({90, sizes[0] + sizes[1] - 90});
    }
    EXPECT_EQ(Read("FormMain\\Tree", "Width"), "90");
    EXPECT_EQ(Read("FormMain\\Splitter1", "Width"), "(missing)");  // a splitter itself is not sized
    Store("FormMain\\Tree", "Width", "140");
    TestForm form;
    QSplitter* splitter = AddSplitter(&form);
    Show(&form);
    EXPECT_EQ(splitter->sizes().value(0), 140);
    EXPECT_EQ(splitter->sizes().value(0) + splitter->sizes().value(1), 320 - splitter->handleWidth());
}

class TestCoolBar : public QWidget, public TCoolBands {
public:
    explicit TestCoolBar(QWidget* parent) : QWidget(parent) { setObjectName("CoolBar1"); }
    int BandCount() const override { return 3; }
    int BandWidth(int i) const override { return widths[i]; }
    void SetBandWidth(int i, int w) override { widths[i] = w; }
    bool BandBreak(int i) const override { return breaks[i]; }
    void SetBandBreak(int i, bool b) override { breaks[i] = b; }
    int widths[3] = {100, 200, 300};
    bool breaks[3] = {false, true, false};
};

TEST_F(WndProp, CoolBarBands) {
    {
        TestForm form;
        auto* bar = new TestCoolBar(&form);
        Show(&form);
        bar->widths[2] = 250;
        bar->breaks[2] = true;
    }
    EXPECT_EQ(Read("Form\\CoolBar1", "Band0"), "100");
    EXPECT_EQ(Read("Form\\CoolBar1", "Band1Break"), "1");
    EXPECT_EQ(Read("Form\\CoolBar1", "Band2"), "250");
    EXPECT_EQ(Read("Form\\CoolBar1", "Band2Break"), "1");
    EXPECT_EQ(Read("Form\\CoolBar1", "Band0Break"), "0");
    Store("Form\\CoolBar1", "Band0", "abc");
    TestForm form;
    auto* bar = new TestCoolBar(&form);
    Show(&form);
    EXPECT_EQ(bar->widths[0], 100);
    EXPECT_EQ(bar->widths[2], 250);
    EXPECT_TRUE(bar->breaks[2]);
    EXPECT_TRUE(bar->breaks[1]);
}

TEST_F(WndProp, DataGridColumns) {
    QStandardItemModel model(2, 2);
    model.setHorizontalHeaderLabels({"Name", "Size"});
    {
        TestForm form;
        QTableView* grid = AddGrid(&form, &model);
        Show(&form);
        grid->setColumnWidth(0, 123);
        grid->setColumnWidth(1, 45);
        model.setHeaderData(1, Qt::Horizontal, QBrush(QColor(0, 128, 0)), Qt::BackgroundRole);
    }
    EXPECT_EQ(Read("FormMain\\DBGrid1", "Name"), "123");
    EXPECT_EQ(Read("FormMain\\DBGrid1", "Size"), "45");
    EXPECT_EQ(Read("FormMain\\DBGrid1\\Size\\Column", "Color"), std::to_string(128 << 8));
    EXPECT_NE(Read("FormMain\\DBGrid1\\Name\\Column", "FontName"), "(missing)");
    EXPECT_EQ(Read("FormMain\\DBGrid1\\Name\\Column", "FontCharSet"), "1");
    Store("FormMain\\DBGrid1", "Size", "77");
    Store("FormMain\\DBGrid1\\Size\\Column", "FontSize", "14");
    TestForm form;
    QTableView* grid = AddGrid(&form, &model);
    Show(&form);
    EXPECT_EQ(grid->columnWidth(0), 123);
    EXPECT_EQ(grid->columnWidth(1), 77);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, Qt::FontRole).value<QFont>().pointSize(), 14);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, Qt::BackgroundRole).value<QBrush>().color(), QColor(0, 128, 0));
}

// A hive that cannot be written: the placement still loads, and saving it changes nothing and reports nothing.
TEST_F(WndProp, AnUnwritableHiveLoadsAndSavesNothing) {
    StoreRect(50, 60, 300, 200);
    const std::string hive = registry::HivePath(registry::THive::HKCU);
    ASSERT_EQ(chmod(hive.c_str(), 0444), 0);
    const std::string before = testkit::ReadFile(hive);
    {
        TestForm form;
        new TestCoolBar(&form);
        Show(&form);
        EXPECT_EQ(form.geometry(), QRect(50, 60, 300, 200));
        form.setGeometry(70, 80, 400, 300);
    }
    EXPECT_EQ(testkit::ReadFile(hive), before);
    EXPECT_TRUE(ui->Prompts().empty());
}

}  // namespace
