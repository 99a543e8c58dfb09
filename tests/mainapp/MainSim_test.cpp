// The main window against the simulator: detection, both modem families and
// the operations on their messages, on a pseudo-terminal.
#include <sys/stat.h>
#include <tiffio.h>

#include <QDialog>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <filesystem>

#include "mainapp/MainDialogs.h"
#include "mainapp/MainRules.h"
#include "platform/Files.h"
#include "platform/Shell.h"
#include "platform/StrUtils.h"
#include "support/QelStatusBar.h"
#include "testkit/FaxLetter.h"
#include "testkit/G3Encode.h"
#include "testkit/LibTiffCheck.h"
#include "testkit/ModemSim.h"
#include "tests/mainapp/MainSimKit.h"

using namespace maintest;

namespace {

// ---------------------------------------------------------------- 3Com

TEST_F(MainSimTest, DefaultMemoryOfThe3comModem) {
    Modem({"--model", "sportster"});
    TFormMain& f = Run();
    ASSERT_TRUE(f.ModemConnected);
    EXPECT_EQ(families.size(), 0u);
    EXPECT_EQ(PellowOptions.CommPort, 1);
    ASSERT_EQ(f.ExtListView1->topLevelItemCount(), 4);
    const int images[] = {2, 3, 0, 1};
    const char* callers[] = {"0301 2345678", "+49 40 5550123", "0891 112233", "0221 987654"};
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(ImageAt(r, 0), images[r]) << r;
        // The 3Com info block pads the caller ID with blanks to its 20 places.
        EXPECT_EQ(Trim(Cell(r, 1)), callers[r]) << r;
        EXPECT_FALSE(Cell(r, 2).empty()) << r;
    }
    EXPECT_EQ(Cell(0, 3), "6 s");
    EXPECT_EQ(Cell(3, 3), "2 p");
    EXPECT_EQ(f.StatusText(), "2 new messages");
    TQelStatusPanel* gauge = f.StatusBar->Panels().Items(0);
    EXPECT_EQ(gauge->Text(), std::to_string(ModemObject->GetFreeMemory()) + "% free");
    EXPECT_EQ(f.ImageListAnimation, f.ImageListModemBlink);
    EXPECT_TRUE(f.ToolButtonRelease->isEnabled());
}

}  // namespace

// Each family's default memory holds two letters: one page in normal
// resolution and two in fine; saved as TIFF they are exactly those pages.
void maintest::MainSimTest::ExpectDefaultLetters() {
    TFormMain& f = Run();
    ASSERT_EQ(f.ExtListView1->topLevelItemCount(), 4);
    const struct {
        int row, letter, pages;
        bool fine;
    } faxes[] = {{1, 0, 1, false}, {3, 1, 2, true}};
    for (const auto& fax : faxes) {
        SCOPED_TRACE(fax.row);
        Select({fax.row});
        const std::string chosen = home.Path() + "/letter" + std::to_string(fax.row) + ".tif";
        ui->Answer(chosen);
        f.MenuFileSaveAsClick();
        const auto pages = DecodeTiff(chosen);
        ASSERT_EQ(pages.size(), static_cast<std::size_t>(fax.pages));
        for (int p = 0; p < fax.pages; ++p)
            EXPECT_TRUE(pages[static_cast<std::size_t>(p)] == testkit::FaxLetterPage(fax.letter, p, fax.pages, fax.fine))
                << "page " << p;
    }
}

namespace {

TEST_F(MainSimTest, The3comDefaultMemorysFaxesAreLetters) {
    Modem({"--model", "sportster"});
    ExpectDefaultLetters();
}

TEST_F(MainSimTest, TheElsaDefaultStoresFaxesAreLetters) {
    Modem({"--model", "elsa"});
    ExpectDefaultLetters();
}

TEST_F(MainSimTest, TypeTextsAndCellsOfTheModemsMessagesInAStoredColumnOrder) {
    // The 3Com modem reports an error status for faxes only.
    Modem({"--model", "sportster"},
          "[message]\ntype = voice\nstate = new\ncaller = \"0815\"\ntime = 66,9,5\n"
          "[message]\ntype = fax\nstate = new\n"
          "[message]\ntype = voice\nstate = old\n"
          "[message]\ntype = fax\nstate = old\n"
          "[message]\ntype = fax\nstate = new\nerror = 1\n"
          "[message]\ntype = fax\nstate = old\nerror = 1\n");
    SetOption("TypeShowText", true);
    SetOption("cColumn0", 3);  // Type last, Size first
    SetOption("cColumn3", 0);
    TFormMain& f = Run();
    ASSERT_EQ(f.ExtListView1->topLevelItemCount(), 6);
    EXPECT_EQ(HeaderAt(0), "Size");
    EXPECT_EQ(HeaderAt(3), "Type");
    const std::pair<int, const char*> types[] = {{0, "New Voice"}, {1, "New Fax"}, {2, "Voice"},
                                                 {3, "Fax"},       {5, "Fax: ERROR"}, {7, "Fax: ERROR"}};
    for (int r = 0; r < 6; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(ImageAt(r, 3), types[r].first);
        EXPECT_EQ(Cell(r, 3), types[r].second);
        EXPECT_EQ(ImageAt(r, 0), -1);
        std::string size;
        ModemObject->GetMsgSize(r + 1, size);
        EXPECT_EQ(Cell(r, 0), size);
    }
    EXPECT_EQ(Trim(Cell(0, 1)), "0815");
    const TDateTime first = ModemObject->GetMsgDateTime(1);
    ASSERT_NE(first, 0);
    EXPECT_EQ(Cell(0, 2), mainrules::DateCellText(first));
    EXPECT_EQ(f.StatusText(), "3 new messages");
}

TEST_F(MainSimTest, PlayAndViewAVoiceMailAndAFaxSelectedTogether) {
    // Without the viewer beside the program an outside viewer is started by name.
    const OutsideViewers viewers(home.Path() + "/bin", {"KODAKIMG"});
    Modem({"--model", "56k-message"},
          "[message]\ntype = voice\nstate = new\nseconds = 1\nago = 1h\n"
          "[message]\ntype = fax\nstate = new\npages = 2\nago = 30m\n");
    TFormMain& f = Run();
    ASSERT_EQ(f.ExtListView1->topLevelItemCount(), 2);
    Select({0, 1});
    f.ToolButtonPlayClick();
    const auto lines = sim->TranscriptLines();
    const auto play = std::find(lines.begin(), lines.end(), "ATE0V1s31=128+MVP=1");
    const auto page = std::find_if(lines.begin(), lines.end(),
                                   [](const std::string& l) { return SameText(l.substr(0, 11), "ATE0V1+mtp="); });
    ASSERT_NE(play, lines.end());
    ASSERT_NE(page, lines.end());
    EXPECT_LT(play - lines.begin(), page - lines.begin());
    ASSERT_EQ(starts.size(), 1u);
    ASSERT_EQ(starts[0].size(), 3u);
    const std::string viewer = shell::SiblingProgram("leafor");
    EXPECT_EQ(starts[0][0], files::FileExists(viewer) ? viewer : viewers.Path("KODAKIMG"));
    EXPECT_EQ(starts[0][2], "/TEMP");
    EXPECT_TRUE(Prompts().empty());
    const std::string fax = starts[0][1];
    EXPECT_EQ(fax.rfind(tmp + "/TMP", 0), 0u) << fax;
    EXPECT_EQ(DecodeTiff(fax).size(), 2u);
    EXPECT_FALSE(f.Busy);
    EXPECT_EQ(f.StatusText(), "");
}

TEST_F(MainSimTest, SaveAsWritesTheSimulatorsPagesAndVoiceMailIsNotSaved) {
    Modem({"--model", "sportster"},
          "[message]\ntype = voice\nstate = old\nseconds = 1\n[message]\ntype = fax\nstate = old\npages = 2\n");
    TFormMain& f = Run();
    Select({1});
    const std::string chosen = home.Path() + "/saved.tif";
    ui->Answer(chosen);
    f.MenuFileSaveAsClick();
    const auto pages = DecodeTiff(chosen);
    ASSERT_EQ(pages.size(), 2u);
    // The simulator draws page p of its message i from the seed 10 i + p + 1.
    for (int p = 0; p < 2; ++p) EXPECT_TRUE(pages[p] == testkit::G3TestPage(1143, 20 + p + 1)) << p;
    std::string folder;
    RegReadString("SaveFaxPath", PellowKey, "", folder);
    EXPECT_EQ(folder, home.Path());
    ui->ClearPrompts();
    Select({0});
    f.MenuFileSaveAsClick();
    const auto prompts = Prompts();
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].text, "Saving voice messages to a file is not implemented!");
}

TEST_F(MainSimTest, ProgressTextAndSwallowedKeysDuringASlowDownload) {
    Modem({"--model", "sportster", "--baud", "230400"}, "[message]\ntype = fax\nstate = old\npages = 3\n");
    TFormMain& f = Run();
    KeyReleaseCounter probe;
    f.ExtListView1->installEventFilter(&probe);
    std::vector<std::string> texts;
    int releasesDuring = 0, sent = 0;
    QTimer watch;
    watch.setInterval(100);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!f.TransferRunning) return;
        texts.push_back(f.StatusText());
        QTest::keyRelease(f.ExtListView1, Qt::Key_Space);
        ++sent;
        releasesDuring = probe.releases;
    });
    watch.start();
    Select({0});
    ui->Answer(home.Path() + "/slow.tif");
    f.MenuFileSaveAsClick();
    watch.stop();
    ASSERT_GT(sent, 3);
    EXPECT_EQ(releasesDuring, 0);
    const std::string prefix = "Loading fax ... ";
    const auto progress = std::find_if(texts.begin(), texts.end(), [&](const std::string& t) {
        return t.rfind(prefix, 0) == 0 && t.find("%   -   ") != std::string::npos;
    });
    ASSERT_NE(progress, texts.end()) << (texts.empty() ? "" : texts.back());
    const int percent = std::stoi(progress->substr(prefix.size()));
    EXPECT_GT(percent, 0);
    EXPECT_LE(percent, 100);
    EXPECT_EQ(f.StatusText(), "");
    EXPECT_EQ(DecodeTiff(home.Path() + "/slow.tif").size(), 3u);
}

TEST_F(MainSimTest, SaveAllNewFaxesByName) {
    // The fax received with an error comes first, while it is still new:
    // reading the pages of a later message may mark it read in the modem.
    Modem({"--model", "sportster"},
          "[message]\ntype = fax\nstate = new\nerror = 1\ntime = 66,10,0\n"
          "[message]\ntype = fax\nstate = new\ntime = 66,9,5\n"
          "[message]\ntype = fax\nstate = old\ntime = 66,11,0\n"
          "[message]\ntype = fax\nstate = new\n");
    const std::string dir = home.Path() + "/faxes";
    mkdir(dir.c_str(), 0700);
    SetOption("FaxAutoSaveDir", dir.c_str());
    TFormMain& f = Run();
    ASSERT_EQ(f.ExtListView1->topLevelItemCount(), 4);
    ASSERT_TRUE(ModemObject->IsMsgNew(1));
    ASSERT_EQ(ModemObject->GetMsgStatus(1), MsgStatusError);
    const TDateTime second = ModemObject->GetMsgDateTime(2);
    ASSERT_NE(second, 0);
    EXPECT_EQ(ModemObject->GetMsgDateTime(4), 0);
    f.SaveAllNewFax();
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(dir + "/" + names[0], mainrules::AutoSaveFaxName(dir, second, 0));
    EXPECT_EQ(names[1].rfind("FAX-unkown", 0), 0u) << names[1];
    EXPECT_EQ(DecodeTiff(dir + "/" + names[0]).size(), 1u);
}

// Two new faxes in a row: the first one's last memory page holds the
// second one's header, so reading it marks the second read in the modem.
// Both are saved all the same, each with its own pages and resolution.
TEST_F(MainSimTest, SaveAllNewFaxesSavesTwoNewFaxesThatShareAPage) {
    const testkit::G3Page normal = testkit::G3TestPage(1143, 21), fine = testkit::G3TestPage(2287, 22);
    testkit::WriteFile(home.Path() + "/normal.g3", testkit::G3Encode(normal));
    testkit::WriteFile(home.Path() + "/fine.g3", testkit::G3Encode(fine));
    Modem({"--model", "sportster"}, "[message]\ntype = fax\nstate = new\ntime = 66,9,5\ng3 = " + home.Path() +
                                        "/normal.g3\ng3 = " + home.Path() + "/normal.g3\n"
                                        "[message]\ntype = fax\nstate = new\ntime = 66,9,7\ng3 = " + home.Path() +
                                        "/fine.g3\n");
    const std::string dir = home.Path() + "/faxes";
    mkdir(dir.c_str(), 0700);
    SetOption("FaxAutoSaveDir", dir.c_str());
    TFormMain& f = Run();
    ASSERT_EQ(f.ExtListView1->topLevelItemCount(), 2);
    const TDateTime first = ModemObject->GetMsgDateTime(1), second = ModemObject->GetMsgDateTime(2);
    f.SaveAllNewFax();
    const tiffcheck::Decoded a = tiffcheck::Read(mainrules::AutoSaveFaxName(dir, first, 0));
    const tiffcheck::Decoded b = tiffcheck::Read(mainrules::AutoSaveFaxName(dir, second, 0));
    EXPECT_TRUE(a.pages == (std::vector<testkit::G3Page>{normal, normal})) << a.pages.size() << " pages";
    EXPECT_EQ(a.yResolutions, (std::vector<float>{98, 98}));
    EXPECT_TRUE(b.pages == std::vector<testkit::G3Page>{fine}) << b.pages.size() << " pages";
    EXPECT_EQ(b.yResolutions, std::vector<float>{196});
    EXPECT_TRUE(a.errors.empty() && b.errors.empty());
    EXPECT_EQ(Received("ATE0V1+mtp=").size(), 3u) << "one page for the second fax too";
}

TEST_F(MainSimTest, ReleaseAndPlayAllNew) {
    Modem({"--model", "sportster"},
          "[message]\ntype = voice\nstate = new\nseconds = 1\n[message]\ntype = voice\nstate = old\nseconds = 1\n"
          "[message]\ntype = voice\nstate = new\nseconds = 1\n");
    TFormMain& f = Run();
    f.ToolButtonPlayClickNew();
    EXPECT_EQ(Received("ATE0V1s31=128+MVP="),
              (std::vector<std::string>{"ATE0V1s31=128+MVP=1", "ATE0V1s31=128+MVP=3"}));
    EXPECT_EQ(f.StatusText(), "");
    f.ToolButtonReleaseClick();
    EXPECT_FALSE(ModemObject->HasNewMsgs());
    EXPECT_EQ(f.StatusText(), "");
    EXPECT_FALSE(f.ToolButtonRelease->isEnabled());
    EXPECT_EQ(f.ImageListAnimation, f.ImageListModemStill);
    EXPECT_EQ(ImageAt(0, 0), 2);
}

TEST_F(MainSimTest, The3comModemErasesAllOrNothing) {
    Modem({"--model", "sportster"});
    TFormMain& f = Run();
    Select({1});
    ui->Answer("Cancel");
    f.ToolButtonEraseClick();
    EXPECT_TRUE(Received("ATE0V1+mem").empty());
    EXPECT_EQ(f.ExtListView1->topLevelItemCount(), 4);
    const long refreshes = Received("ATE0V1+MSR=0").size();
    ui->Answer("OK");
    f.ToolButtonEraseClick();
    const auto prompts = Prompts();
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_EQ(prompts[1].text, "Do you really want to erase all messages?");
    // The erase goes out once, and the list is read again after it. (Whether
    // the simulator gets to read the command before the next exchange purges
    // the line is up to the channel; see the log.)
    const std::string log = testkit::ReadFile(PellowOptions.LogFileName);
    EXPECT_NE(log.find("<- \"ATE0V1+mem\""), std::string::npos);
    EXPECT_EQ(log.find("<- \"ATE0V1+mem\""), log.rfind("<- \"ATE0V1+mem\""));
    ASSERT_TRUE(WaitForLine("ATE0V1+MSR=0", refreshes + 1));
    EXPECT_FALSE(f.Busy);
    EXPECT_TRUE(f.ToolButtonReload->isEnabled());
    EXPECT_EQ(f.ExtListView1->topLevelItemCount(), ModemObject->GetMsgCount());
}

// An erase that the modem refuses late: the failure names the erase, the
// list stays as the modem still holds it, and the next Reload reads its own
// replies. One it carries out late leaves the list empty.
class MainSimLateErase : public MainSimTest, public ::testing::WithParamInterface<bool> {};

TEST_P(MainSimLateErase, The3comModemAnsweringTheEraseLate) {
    const bool fails = GetParam();
    std::vector<std::string> args{"--model", "sportster", "--erase-ms", "1200"};
    if (fails) args.push_back("--erase-error");
    Modem(args);
    TFormMain& f = Run();
    ASSERT_EQ(f.ExtListView1->topLevelItemCount(), 4);
    ui->Answer("OK");
    if (fails) {
        try {
            f.ToolButtonEraseClick();
            ADD_FAILURE() << "no error";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "ERROR occured with \"ATE0V1+mem\"");
        }
    } else {
        f.ToolButtonEraseClick();
    }
    EXPECT_FALSE(f.Busy);
    EXPECT_EQ(f.ExtListView1->topLevelItemCount(), fails ? 4 : 0);
    f.ToolButtonReloadClick(nullptr);
    EXPECT_EQ(f.ExtListView1->topLevelItemCount(), fails ? 4 : 0);
    EXPECT_EQ(Received("ATE0V1+mem").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(RefusedOrDone, MainSimLateErase, ::testing::Bool());

TEST_F(MainSimTest, AnEmptyModem) {
    Modem({"--model", "sportster"}, "[memory]\nused = 70\n");
    TFormMain& f = Run();
    EXPECT_EQ(f.ExtListView1->topLevelItemCount(), 0);
    for (QToolButton* b : {f.ToolButtonPlay, f.ToolButtonPlayNew, f.ToolButtonRelease, f.ToolButtonErase})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    for (QToolButton* b : {f.ToolButtonReload, f.ToolButtonModemSettings, f.ToolButtonAbout})
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_EQ(f.StatusBar->Panels().Items(0)->GaugeAttrs().Position(), 30);
    EXPECT_EQ(f.StatusBar->Panels().Items(0)->GaugeAttrs().Color(), QColor(255, 0, 0));
}

TEST_F(MainSimTest, NoModemAnywhere) {
    std::filesystem::create_symlink(home.Path() + "/no-such-device", testkit::PortLink(1));
    TFormMain& f = Run();
    EXPECT_FALSE(f.ModemConnected);
    EXPECT_EQ(f.StatusText(), "No Modem found!");
    EXPECT_TRUE(f.ToolButtonReload->isEnabled());
    EXPECT_FALSE(f.ToolButtonPlay->isEnabled());
}

TEST_F(MainSimTest, AnUnsupportedModem) {
    Modem({"--model", "other"});
    TFormMain& f = Run();
    EXPECT_EQ(f.StatusText(), "Only not supported modem found!");
    EXPECT_EQ(ModemObject, nullptr);
}

// ---------------------------------------------------------------- ELSA

TEST_F(MainSimTest, TheElsaModemListsItsDirectoryDates) {
    Modem({"--model", "elsa"});
    TFormMain& f = Run();
    ASSERT_TRUE(f.ModemConnected);
    ASSERT_EQ(f.ExtListView1->topLevelItemCount(), 4);
    EXPECT_EQ(Cell(0, 2), mainrules::DateCellText(EncodeDate(2001, 4, 2) + EncodeTime(8, 15, 0, 0)));
    EXPECT_EQ(Cell(3, 2), mainrules::DateCellText(EncodeDate(2001, 4, 4) + EncodeTime(7, 30, 0, 0)));
    EXPECT_EQ(Cell(1, 1), "+49 40 5550123");
    EXPECT_EQ(f.StatusText(), "2 new messages");
}

TEST_F(MainSimTest, TheElsaModemCannotPlayButErasesSingleMessages) {
    Modem({"--model", "elsa"});
    TFormMain& f = Run();
    Select({0});
    f.ToolButtonPlayClick();
    ASSERT_EQ(Prompts().size(), 1u);
    EXPECT_TRUE(Received("ATE0V1s31").empty());
    ui->ClearPrompts();
    Select({0, 2});
    ui->Answer("OK");
    f.ToolButtonEraseClick();
    const auto prompts = Prompts();
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].text, "Do you really want to erase the selected 2 messages?");
    EXPECT_EQ(Received("AT$JDEL=").size(), 2u);
    EXPECT_EQ(f.ExtListView1->topLevelItemCount(), 2);
    EXPECT_EQ(Cell(0, 1), "+49 40 5550123");
}

TEST_F(MainSimTest, TheElsaModemSavesAFax) {
    Modem({"--model", "elsa"});
    TFormMain& f = Run();
    Select({3});
    const std::string chosen = home.Path() + "/elsa.tif";
    ui->Answer(chosen);
    f.MenuFileSaveAsClick();
    EXPECT_EQ(DecodeTiff(chosen).size(), 2u);
    EXPECT_FALSE(f.Busy);
}

}  // namespace
