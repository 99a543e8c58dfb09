// Reload and the message list of the main window.
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

#include "mainapp/MainPictures.h"
#include "mainapp/MainRules.h"
#include "support/QelStatusBar.h"
#include "tests/mainapp/MainTestKit.h"

using namespace maintest;

namespace {

class MainListTest : public MainWindowTest {
protected:
    TQelStatusPanel* Gauge() { return form->StatusBar->Panels().Items(0); }
    std::string Status() { return form->StatusText(); }
    bool Enabled(const char* name) {
        if (auto* b = form->findChild<QToolButton*>(name)) return b->isEnabled();
        if (auto* a = form->findChild<QAction*>(name)) return a->isEnabled();
        ADD_FAILURE() << name;
        return false;
    }
    void ExpectOnly(const std::vector<std::string>& on) {
        for (const char* name : {"ToolButtonReload", "ToolButtonPlayNew", "ToolButtonPlay", "ToolButtonRelease",
                                 "ToolButtonErase", "ToolButtonModemSettings", "ToolButtonAbout"}) {
            const bool want = std::find(on.begin(), on.end(), name) != on.end();
            EXPECT_EQ(Enabled(name), want) << name;
        }
    }
    // The menu items follow their buttons.
    void ExpectMenusFollow() {
        const std::pair<const char*, const char*> twins[] = {
            {"MenuEditPlayNew", "ToolButtonPlayNew"},     {"MenuEditPlayView", "ToolButtonPlay"},
            {"MenuEditReleaseall", "ToolButtonRelease"},  {"MenuEditReload", "ToolButtonReload"},
            {"MenuEditEraseall", "ToolButtonErase"},      {"MenuSettingsModem", "ToolButtonModemSettings"},
            {"MenuHelpAboutModem", "ToolButtonAbout"}};
        for (const auto& [menu, button] : twins) EXPECT_EQ(Enabled(menu), Enabled(button)) << menu;
    }
};

TEST_F(MainListTest, NoModemLeavesOnlyReload) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "No Modem found!"},
        {"unkown", "Only not supported modem found!"},
        {"Modem already in use", "Modem alread in use!"},
        {"something else", "No Modem found!"}};
    for (const auto& [result, text] : cases) {
        SCOPED_TRACE(result);
        detected = result;
        TFormMain& f = Start();
        EXPECT_EQ(Status(), text);
        EXPECT_FALSE(f.ModemConnected);
        EXPECT_FALSE(f.ModemReady);
        EXPECT_TRUE(f.NeedOpenPort);
        EXPECT_FALSE(f.Busy);
        EXPECT_FALSE(Gauge()->Enabled());
        EXPECT_EQ(f.ImageListAnimation, f.ImageListModemNotConnected);
        ExpectOnly({"ToolButtonReload"});
        EXPECT_TRUE(Enabled("MenuEditReload"));
        EXPECT_FALSE(Enabled("MenuFileSaveAs"));
        ExpectMenusFollow();
        EXPECT_EQ(ModemObject, nullptr);
        EXPECT_TRUE(families.empty());
        form.reset();
    }
}

TEST_F(MainListTest, EveryFailedDetectionMakesANewChannelAndDetectsAgain) {
    detected = "";
    TFormMain& f = Start();
    TCommClass* first = CommObject;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->BaudRateValue(), 57600u);
    EXPECT_EQ(first->HwFlow(), hfNONERTSON);
    EXPECT_EQ(first->InputTimeout(), 200u);
    EXPECT_EQ(first->OutputTimeout(), 500);
    f.ToolButtonReloadClick(&f);
    EXPECT_NE(CommObject, first);
    EXPECT_EQ(detectedPorts, (std::vector<int32_t>{-1, -1}));
    // A found modem keeps the channel for the rest of the run.
    detected = "3comMsgPlus";
    f.ToolButtonReloadClick(&f);
    TCommClass* kept = CommObject;
    f.ToolButtonReloadClick(&f);
    EXPECT_EQ(CommObject, kept);
    EXPECT_EQ(detectedPorts.size(), 3u);
    EXPECT_EQ(families, std::vector<std::string>{"3comMsgPlus"});
    EXPECT_EQ(PellowOptions.CommPort, kept->GetPortNumber());
    EXPECT_EQ(std::count(modem->calls.begin(), modem->calls.end(), "Refresh"), 2);
}

TEST_F(MainListTest, FixedPortAndSpeedFromTheSettings) {
    SetOption("CommPortAuto", false);
    SetOption("CommPort", 3);
    SetOption("BaudRate", 19200);
    Start();
    EXPECT_EQ(detectedPorts, std::vector<int32_t>{3});
    EXPECT_EQ(CommObject->BaudRate(), br19200);
    EXPECT_EQ(CommObject->BaudRateValue(), 19200u);
}

TEST_F(MainListTest, UnnamedSpeedLeaves57600) {
    SetOption("BaudRate", 33600);
    Start();
    // The speed stays the one set by value before the setting was read.
    EXPECT_EQ(CommObject->BaudRateValue(), 57600u);
}

TEST_F(MainListTest, EightTypeKeysWithAndWithoutText) {
    struct TypeRow {
        int type, status, state, image;
        const char* text;
    };
    const TypeRow rows[] = {{1, 1, 1, 0, "New Voice"},    {2, 1, 1, 1, "New Fax"},   {1, 1, 3, 2, "Voice"},
                        {2, 1, 3, 3, "Fax"},          {1, 2, 1, 4, "Voice: ERROR"}, {2, 0, 1, 5, "Fax: ERROR"},
                        {1, 0, 3, 6, "Voice: ERROR"}, {0, 2, 3, 7, "Fax: ERROR"}};
    for (const auto& r : rows) modem->messages.push_back({r.type, r.status, r.state, "", "", 0});
    for (bool showText : {false, true}) {
        SCOPED_TRACE(showText);
        SetOption("TypeShowText", showText);
        TFormMain& f = Start();
        ASSERT_EQ(f.ExtListView1->topLevelItemCount(), 8);
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(ImageAt(i, 0), rows[i].image) << i;
            EXPECT_EQ(Row(i)->icon(ColumnAt(0)).pixmap(16, 16).toImage(),
                      f.ImageListListView->Image(rows[i].image).toImage())
                << i;
            EXPECT_EQ(Cell(i, 0), showText ? rows[i].text : "") << i;
            EXPECT_EQ(ImageAt(i, 1), -1);
        }
        form.reset();
    }
}

TEST_F(MainListTest, CallerIdsDatesAndSizes) {
    const TDateTime d = EncodeDate(2001, 3, 7) + EncodeTime(9, 5, 42, 0);
    modem->messages = {{1, 1, 3, "0815 4711", "12 s", d}, {2, 1, 3, "", "3 p", 0}};
    Start();
    EXPECT_EQ(Cell(0, 1), "0815 4711");
    EXPECT_EQ(Cell(0, 2), mainrules::DateCellText(d));
    const std::string t = TimeToStr(d);
    EXPECT_EQ(Cell(0, 2), DateToStr(d) + " " + t.substr(0, t.size() - 3));
    EXPECT_EQ(Cell(0, 3), "12 s");
    EXPECT_EQ(Cell(1, 1), "");
    EXPECT_EQ(Cell(1, 2), "");
    EXPECT_EQ(Cell(1, 3), "3 p");
}

TEST_F(MainListTest, StoredColumnOrderCarriesTheCells) {
    SetOption("cColumn0", 2);
    SetOption("cColumn2", 0);
    modem->messages = {{1, 1, 1, "0815", "7 s", EncodeDate(2002, 1, 2)}};
    Start();
    EXPECT_EQ(HeaderAt(2), "Type");
    EXPECT_EQ(ImageAt(0, 2), 0);  // the type image in the third column
    EXPECT_EQ(ImageAt(0, 0), -1);
    EXPECT_EQ(Cell(0, 0), mainrules::DateCellText(EncodeDate(2002, 1, 2)));
    EXPECT_EQ(Cell(0, 1), "0815");
    EXPECT_EQ(Cell(0, 3), "7 s");
}

TEST_F(MainListTest, GaugeColourTextAndRange) {
    modem->messages = {{1, 1, 3}};
    const std::tuple<int, int, QColor> cases[] = {{30, 30, QColor(255, 0, 0)}, {31, 31, QColor(0, 0, 128)},
                                                  {0, 0, QColor(255, 0, 0)},   {100, 100, QColor(0, 0, 128)},
                                                  {-4, 0, QColor(255, 0, 0)},  {180, 100, QColor(0, 0, 128)}};
    for (const auto& [free, position, colour] : cases) {
        SCOPED_TRACE(free);
        modem->freeMemory = free;
        Start();
        EXPECT_EQ(Gauge()->GaugeAttrs().Position(), position);
        EXPECT_EQ(Gauge()->GaugeAttrs().Color(), colour);
        EXPECT_EQ(Gauge()->Text(), std::to_string(free) + "% free");
        EXPECT_TRUE(Gauge()->Enabled());
        form.reset();
    }
}

TEST_F(MainListTest, NewMessageCounts) {
    modem->messages = {{1, 1, 1}, {2, 1, 3}};
    TFormMain& f = Start();
    EXPECT_EQ(Status(), "1 new message");
    EXPECT_EQ(f.ImageListAnimation, f.ImageListModemBlink);
    modem->messages[1].state = MsgStateNew;
    f.ToolButtonReloadClick(&f);
    EXPECT_EQ(Status(), "2 new messages");
    modem->messages = {{1, 1, 3}};
    f.ToolButtonReloadClick(&f);
    EXPECT_EQ(Status(), "");
    EXPECT_EQ(f.ImageListAnimation, f.ImageListModemStill);
}

TEST_F(MainListTest, ConnectedStatesAndTheFirstRowSelected) {
    modem->messages = {{1, 1, 1}, {2, 1, 3}};
    TFormMain& f = Start();
    ExpectOnly({"ToolButtonReload", "ToolButtonPlayNew", "ToolButtonPlay", "ToolButtonRelease", "ToolButtonErase",
                "ToolButtonModemSettings", "ToolButtonAbout"});
    EXPECT_TRUE(Enabled("MenuFileSaveAs"));
    ExpectMenusFollow();
    EXPECT_TRUE(Row(0)->isSelected());
    EXPECT_FALSE(Row(1)->isSelected());
    // Nothing new: no release and no playing of new messages.
    modem->messages[0].state = MsgStateOld;
    f.ToolButtonReloadClick(&f);
    ExpectOnly({"ToolButtonReload", "ToolButtonPlay", "ToolButtonErase", "ToolButtonModemSettings",
                "ToolButtonAbout"});
    ExpectMenusFollow();
}

TEST_F(MainListTest, EmptyModem) {
    TFormMain& f = Start();
    EXPECT_EQ(f.ExtListView1->topLevelItemCount(), 0);
    EXPECT_TRUE(f.ExtListView1->selectedItems().isEmpty());
    ExpectOnly({"ToolButtonReload", "ToolButtonModemSettings", "ToolButtonAbout"});
    ExpectMenusFollow();
}

TEST_F(MainListTest, BusyDisablesEverything) {
    modem->messages = {{1, 1, 1}};
    TFormMain& f = Start();
    f.Busy = true;
    f.UpdateControls();
    ExpectOnly({});
    EXPECT_FALSE(f.ToolBarMenu->isEnabled());
    EXPECT_FALSE(Enabled("MenuFileSaveAs"));
    ExpectMenusFollow();
    f.Busy = false;
    f.UpdateControls();
    EXPECT_TRUE(f.ToolBarMenu->isEnabled());
}

TEST_F(MainListTest, TheModemDialogControlsFollowTheModem) {
    modem->messages = {{1, 1, 1}};
    Start();
    for (const char* control : {"ToolButtonModemSettings", "ToolButtonAbout"}) EXPECT_TRUE(Enabled(control)) << control;
    ExpectMenusFollow();
    form.reset();
    detected = "";
    Start();
    for (const char* control : {"ToolButtonModemSettings", "ToolButtonAbout"}) EXPECT_FALSE(Enabled(control)) << control;
    ExpectMenusFollow();
}

TEST_F(MainListTest, PopupFollowsTheButtons) {
    modem->messages = {{1, 1, 3}};
    TFormMain& f = Start();
    f.PopupMenuPopup();
    EXPECT_TRUE(f.PopUpPlayView->isEnabled());
    EXPECT_TRUE(f.PopUpSave->isEnabled());
    EXPECT_TRUE(f.PopUpReload->isEnabled());
    EXPECT_FALSE(f.PopUpRelease->isEnabled());
    EXPECT_TRUE(f.PopUpErase->isEnabled());
    detected = "";
    form.reset();
    TFormMain& g = Start();
    emit g.PopupMenu->aboutToShow();
    EXPECT_FALSE(g.PopUpPlayView->isEnabled());
    EXPECT_FALSE(g.PopUpSave->isEnabled());
    EXPECT_TRUE(g.PopUpReload->isEnabled());
    EXPECT_FALSE(g.PopUpErase->isEnabled());
}

TEST_F(MainListTest, AnExceptionInReloadLeavesTheWindowUsable) {
    struct Failing : FakeModem {
        void Refresh() override { throw Exception("ERROR occured with \"ATE0V1+MSR=0\""); }
    };
    auto failing = std::make_unique<Failing>();
    modem = std::move(failing);
    Create();
    EXPECT_THROW(form->ToolButtonReloadClick(nullptr), Exception);
    EXPECT_FALSE(form->Busy);
    EXPECT_EQ(Status(), "");
    EXPECT_TRUE(Enabled("ToolButtonReload"));
    EXPECT_TRUE(form->ToolBarMenu->isEnabled());
}

TEST_F(MainListTest, AnExceptionInTheDetectionLeadsToANewDetection) {
    Create();
    TFormMain::DetectHook() = [](TCommClass&, int32_t, std::string&) { throw Exception("port gone"); };
    EXPECT_THROW(form->ToolButtonReloadClick(nullptr), Exception);
    EXPECT_FALSE(form->Busy);
    EXPECT_FALSE(form->ModemConnected);
    EXPECT_TRUE(form->NeedOpenPort);
    EXPECT_FALSE(Enabled("ToolButtonPlay"));
    EXPECT_TRUE(Enabled("ToolButtonReload"));
    EXPECT_EQ(form->ImageListAnimation, form->ImageListModemNotConnected);
    TCommClass* first = CommObject;
    TFormMain::DetectHook() = [](TCommClass&, int32_t, std::string& Result) { Result = "3comMsgPlus"; };
    modem->messages = {{1, 1, 3}};
    form->ToolButtonReloadClick(form.get());
    EXPECT_NE(CommObject, first);
    EXPECT_TRUE(form->ModemConnected);
    EXPECT_EQ(form->ExtListView1->topLevelItemCount(), 1);
}

TEST_F(MainListTest, AutostartExitWithNothingNewEndsBeforeTheList) {
    SetOption("AutoExit", true);
    modem->messages = {{1, 1, 3}};
    TFormMain& f = Start({"-AUTOSTART"});
    EXPECT_EQ(halts, std::vector<int>{0});
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.ExtListView1->topLevelItemCount(), 0);
}

TEST_F(MainListTest, AutostartExitWaitsForNewMessages) {
    SetOption("AutoExit", true);
    modem->messages = {{1, 1, 1}};
    TFormMain& f = Start({"-AUTOSTART"});
    EXPECT_TRUE(halts.empty());
    EXPECT_EQ(f.ExtListView1->topLevelItemCount(), 1);
    // Without the switch the option does nothing.
    form.reset();
    modem->messages = {{1, 1, 3}};
    Start();
    EXPECT_TRUE(halts.empty());
}

TEST_F(MainListTest, AutostartPlaysAndSavesOncePerRun) {
    SetOption("AutoPlayNewVoice", true);
    SetOption("AutoSaveNewFax", true);
    SetOption("FaxAutoSaveDir", home.Path().c_str());
    modem->messages = {{1, 1, 1}, {2, 1, 1, "", "", EncodeDate(2001, 3, 7) + EncodeTime(9, 5, 0, 0)}, {1, 1, 3}};
    TFormMain& f = Start({"-AUTOSTART"});
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(modem->calls, (std::vector<std::string>{"Refresh", "PlayMsg 1",
                                                      "SaveFaxMsg 2 " + home.Path() + "/ FAX2001.03.07 09.05.00.tif"}));
    EXPECT_TRUE(f.AutoPlayDone);
    EXPECT_TRUE(f.AutoSaveDone);
    f.ToolButtonReloadClick(&f);
    EXPECT_EQ(modem->calls.size(), 4u);
    EXPECT_EQ(modem->calls.back(), "Refresh");
}

}  // namespace
