// The main window when the modem goes away under it (the adapter pulled, the
// simulator killed) and comes back on the same port, and a close asked for
// while an operation waits for the modem.
#include <QTimer>
#include <QToolButton>
#include <chrono>
#include <filesystem>

#include "modem/CommClass.h"
#include "tests/mainapp/MainSimKit.h"

using namespace maintest;

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point Start) { return std::chrono::duration<double>(Clock::now() - Start).count(); }

const char* const kMemory =
    "[message]\ntype = voice\nstate = new\nseconds = 1\n"
    "[message]\ntype = fax\nstate = new\npages = 2\n"
    "[message]\ntype = voice\nstate = old\nseconds = 2\n";

class MainSimLink : public MainSimTest {
protected:
    // An operation as the message loop runs it: an exception ends at the
    // default display (the scripted box).
    template <typename Operation>
    double Timed(const Operation& Op) {
        const auto start = Clock::now();
        app::Guarded(Op);
        return Since(start);
    }
    // The texts of the message boxes shown (not the file dialogs).
    std::vector<std::string> Texts() {
        std::vector<std::string> texts;
        for (const auto& p : Prompts())
            if (p.kind != "save" && p.kind != "open") texts.push_back(p.text);
        return texts;
    }
    // The window shows that it has no modem: only Reload, an empty list.
    void ExpectNotConnected(TFormMain& F) {
        EXPECT_FALSE(F.ModemConnected);
        EXPECT_FALSE(F.Busy);
        EXPECT_EQ(F.ExtListView1->topLevelItemCount(), 0) << "the old list is not shown as the modem's";
        EXPECT_EQ(F.StatusText(), "No Modem found!");
        EXPECT_EQ(F.ImageListAnimation, F.ImageListModemNotConnected);
        EXPECT_TRUE(F.ToolButtonReload->isEnabled());
        for (QToolButton* b : {F.ToolButtonPlay, F.ToolButtonRelease, F.ToolButtonErase, F.ToolButtonPlayNew})
            EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    }
    // The modem plugged in again: a new simulator on the same link.
    void PlugInAgain() {
        sim.reset();
        Modem({"--model", "sportster"}, kMemory);
    }
};

// The modem vanishes after the summary of a Reload: the exchange that waits
// ends at once with its error, the port is closed, and the window says that
// there is no modem. The next Reload opens the port again by its name and
// finds the modem plugged in again there, without a new search.
TEST_F(MainSimLink, TheModemGoneMidReloadAndBackOnTheSamePort) {
    Modem({"--model", "sportster", "--vanish-on", "ATE0V1+MSR=2"}, kMemory);
    Create();
    dialogs = std::make_unique<MainDialogs>(form.get());
    TFormMain& f = *form;
    EXPECT_LT(Timed([&] { f.ToolButtonReloadClick(nullptr); }), 2.0);
    EXPECT_EQ(Texts(), std::vector<std::string>{"ERROR occured with \"ATE0V1+MSR=2\r\n\""});
    ExpectNotConnected(f);
    ASSERT_TRUE(CommObject->LinkLost);
    TModemClass* const modem = ModemObject;
    TCommClass* const channel = CommObject;

    PlugInAgain();
    ui->ClearPrompts();
    EXPECT_LT(Timed([&] { f.ToolButtonReloadClick(&f); }), 3.0);
    EXPECT_TRUE(Prompts().empty());
    EXPECT_TRUE(f.ModemConnected);
    EXPECT_EQ(f.ExtListView1->topLevelItemCount(), 3);
    EXPECT_EQ(f.StatusText(), "2 new messages");
    EXPECT_EQ(ModemObject, modem) << "the same modem object serves on";
    EXPECT_EQ(CommObject, channel);
    EXPECT_FALSE(CommObject->LinkLost);
    EXPECT_TRUE(Received("AT#MDL?").empty()) << "the port's name led to the modem: no search";
}

// When the port's name leads nowhere any more, the next Reload searches the
// modem anew; once it is back, the Reload after that finds it.
TEST_F(MainSimLink, WhenTheNameLeadsNowhereTheNextReloadSearchesAgain) {
    Modem({"--model", "sportster"}, kMemory);
    TFormMain& f = Run();
    ASSERT_EQ(f.ExtListView1->topLevelItemCount(), 3);
    TModemClass* const modem = ModemObject;
    sim->Kill();
    // Nothing was asked of the modem meanwhile: the Reload finds it gone.
    EXPECT_LT(Timed([&] { f.ToolButtonReloadClick(&f); }), 3.0);
    EXPECT_TRUE(Prompts().empty());
    EXPECT_FALSE(f.ModemConnected);
    EXPECT_TRUE(f.NeedOpenPort) << "a failed search: the next Reload makes a channel and searches";
    EXPECT_EQ(f.StatusText(), "No Modem found!");
    const std::string log = testkit::ReadFile(PellowOptions.LogFileName);
    EXPECT_NE(log.find("ERROR: COM PORT LOST (DEVICE GONE)"), std::string::npos);
    EXPECT_NE(log.find("###Test if comm port1 avaiable"), std::string::npos);

    PlugInAgain();
    EXPECT_LT(Timed([&] { f.ToolButtonReloadClick(&f); }), 3.0);
    EXPECT_TRUE(Prompts().empty());
    EXPECT_TRUE(f.ModemConnected);
    EXPECT_EQ(f.ExtListView1->topLevelItemCount(), 3);
    EXPECT_EQ(ModemObject, modem);
    EXPECT_EQ(ModemObject->Comm, CommObject) << "the object serves on over the new channel";
}

// A modem plugged in again while nothing was asked of it is reached by the
// next Reload, with no error on the way.
TEST_F(MainSimLink, AModemReplacedWhileIdleIsReachedByTheNextReload) {
    Modem({"--model", "sportster"}, kMemory);
    TFormMain& f = Run();
    ASSERT_EQ(f.ExtListView1->topLevelItemCount(), 3);
    sim->Kill();
    PlugInAgain();
    EXPECT_LT(Timed([&] { f.ToolButtonReloadClick(&f); }), 3.0);
    EXPECT_TRUE(Prompts().empty());
    EXPECT_TRUE(f.ModemConnected);
    EXPECT_EQ(f.ExtListView1->topLevelItemCount(), 3);
    EXPECT_TRUE(Received("AT#MDL?").empty());
}

// The modem vanishes in the middle of a fax page: the download ends at once,
// with its one box; no file is written, and the window shows no modem.
TEST_F(MainSimLink, TheModemGoneMidDownloadEndsItAtOnceWithoutAFile) {
    Modem({"--model", "sportster", "--vanish-on", "ATE0V1+mtp=4:5000"}, kMemory);
    TFormMain& f = Run();
    ASSERT_EQ(f.ExtListView1->topLevelItemCount(), 3);
    Select({1});
    const std::string chosen = home.Path() + "/fax.tif";
    ui->Answer(chosen);
    EXPECT_LT(Timed([&] { f.MenuFileSaveAsClick(); }), 2.0);
    EXPECT_EQ(Texts(), std::vector<std::string>{"ERROR: Could not get page"});
    EXPECT_FALSE(std::filesystem::exists(chosen));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp), std::filesystem::directory_iterator{}), 0)
        << "no download is left in the temporary folder";
    EXPECT_FALSE(f.TransferRunning);
    ExpectNotConnected(f);
}

// Closed in autostart mode with AutoRelease on after the modem went away
// (killed while nothing was asked of it, or in the middle of the close's own
// release): the release ends at once with the one box of the exchange that
// met the loss, and the program ends. It used to hold the close for a
// minute and more of time-outs (an ELSA release for minutes, a box a message).
TEST_F(MainSimLink, AnAutostartReleaseWithTheModemGoneEndsTheCloseAtOnce) {
    struct Case {
        const char* name;
        const char* model;
        std::vector<std::string> options;
        bool killedBefore;
        std::vector<std::string> boxes;
    };
    const std::vector<std::string> pageLost = {"ERROR: Characters lost!"};
    const std::vector<std::string> blockLost = {"Timeout occoured!"};
    const Case cases[] = {
        // The release reads the message's info line first.
        {"3Com gone before the close", "sportster", {}, true, {"ERROR occured with \"ATE0V1+MSR=1\r\n\""}},
        {"3Com gone in its release", "sportster", {"--vanish-on", "+mtp:5000"}, false, pageLost},
        {"ELSA gone before the close", "elsa", {}, true, blockLost},
        {"ELSA gone in its release", "elsa", {"--vanish-on", "$JDNL:1500"}, false, blockLost},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = {"--model", c.model};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const bool elsa = std::string(c.model) == "elsa";
        Modem(args, elsa ? "[message]\ntype = fax\nlines = 100\nseed = 5\n[message]\ntype = fax\nlines = 100\nseed = 6\n"
                         : kMemory);
        SetOption("AutoRelease", true);
        TFormMain& f = Run({"-AUTOSTART"});
        ASSERT_TRUE(f.ModemConnected);
        ASSERT_TRUE(ModemObject->HasNewMsgs());
        if (c.killedBefore) sim->Kill();
        ui->ClearPrompts();
        halts.clear();
        EXPECT_LT(Timed([&] { f.close(); }), 3.0);
        EXPECT_EQ(Texts(), c.boxes);
        EXPECT_EQ(halts, std::vector<int>{0});
        EXPECT_TRUE(CommObject->LinkLost);
        // The next case on a window and a modem of its own.
        StartAfresh();
    }
}

// A close asked for while an operation waits for the modem (here a reply
// that does not come, 60 s) ends the wait within a second and closes the
// window, without an error box.
TEST_F(MainSimLink, ACloseDuringAWaitEndsItAndClosesTheWindow) {
    Modem({"--model", "sportster", "--fault-on", "+MCC", "--silent"}, kMemory);
    Create();
    dialogs = std::make_unique<MainDialogs>(form.get());
    TFormMain& f = *form;
    f.show();
    bool closed = false;
    QObject::connect(&f, &TFormMain::Closed, [&] { closed = true; });
    QTimer::singleShot(500, &f, [&] { f.close(); });
    const double seconds = Timed([&] { f.ToolButtonReloadClick(nullptr); });
    EXPECT_GE(seconds, 0.45);
    EXPECT_LT(seconds, 1.5) << "not the 60 s of the reply's wait";
    EXPECT_FALSE(f.Busy);
    for (int i = 0; i < 50 && !closed; ++i) QTest::qWait(20);
    EXPECT_TRUE(closed);
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(Prompts().empty());
    EXPECT_FALSE(CommObject->WaitsAborted()) << "the close's own work may wait again";
}

// A close during a modal wait of the operation (the playing dialog of a
// long message) ends that wait too.
TEST_F(MainSimLink, ACloseWhileAMessagePlaysEndsThePlayAndClosesTheWindow) {
    Modem({"--model", "sportster"}, "[message]\ntype = voice\nstate = old\nseconds = 60\n");
    TFormMain& f = Run();
    f.show();
    Select({0});
    bool closed = false;
    QObject::connect(&f, &TFormMain::Closed, [&] { closed = true; });
    QTimer::singleShot(500, &f, [&] { f.close(); });
    const double seconds = Timed([&] { f.ToolButtonPlayClick(); });
    EXPECT_LT(seconds, 1.5) << "not the message's 60 s";
    for (int i = 0; i < 50 && !closed; ++i) QTest::qWait(20);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(Prompts().empty());
    EXPECT_TRUE(WaitForLine("playing stopped", 1)) << "the modem was told to stop";
}

}  // namespace
