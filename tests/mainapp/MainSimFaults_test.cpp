// The main window's fax save, release, Reload, modem search and erase, each
// under each fault the simulator can inject (silence, ERROR, dropped bytes, a
// wrong checksum, line noise, the modem unplugged, a slow line), on both
// modem families. Whatever the
// fault, no cell ends with a TIFF that differs from the one a clean line
// gives: a fax is saved right or not at all. Each cell also ends within its
// bound, leaves the window usable, tells the user what it tells, and a
// modem on a clean line afterwards gives the list it should.
#include <QToolButton>
#include <chrono>
#include <filesystem>
#include <optional>

#include "modem/CommClass.h"
#include "modem/Modem.h"
#include "tests/mainapp/MainSimKit.h"

using namespace maintest;

namespace {

using Texts = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

struct FaultCell {
    std::string family;     // "3com" or "elsa"
    // "fax", "release", "reload", "detect" (a Reload whose faults strike the
    // modem search), "eraseone" (the first row) or "eraseall" (every row)
    std::string operation;
    std::string fault;      // the name of the test
    std::vector<std::string> options;
    // The boxes the user sees; nothing: not fixed (a line that garbles
    // replies gives whatever the garbled replies say).
    std::optional<Texts> boxes;
    bool faxSaved = false;     // the fax is saved (and then exactly as on a clean line)
    bool unplugged = false;    // the modem is gone afterwards: the window shows it not connected
    std::optional<int> newAfter;  // new messages the modem reports afterwards
    // The status text the operation ends with (unplugged: "No Modem found!").
    std::optional<std::string> status = std::nullopt;
    // Messages the modem still holds afterwards (nothing: not asked).
    std::optional<int> kept = std::nullopt;
    double bound = 0;  // seconds the operation may take (0: 8, or 12 for a Reload)
};

bool Erases(const FaultCell& C) { return C.operation.starts_with("erase"); }
bool Reloads(const FaultCell& C) { return C.operation == "reload" || C.operation == "detect"; }

void PrintTo(const FaultCell& C, std::ostream* Out) { *Out << C.family << " " << C.operation << " " << C.fault; }

std::string Name(const ::testing::TestParamInfo<FaultCell>& Info) {
    return Info.param.family + "_" + Info.param.operation + "_" + Info.param.fault;
}

// What one run left to see.
struct Result {
    std::vector<std::string> rowsBefore;  // the list before the operation (after a clean Reload)
    std::vector<std::string> rows;
    std::optional<std::string> fax;
    Texts boxes;
    double seconds = 0;
    bool connected = false;
    std::string log;
};

class MainSimFaults : public MainSimTest, public ::testing::WithParamInterface<FaultCell> {
protected:
    bool Elsa() const { return GetParam().family == "elsa"; }
    std::vector<std::string> Model() const { return {"--model", Elsa() ? "elsa" : "sportster"}; }
    std::string Memory() const {
        if (Elsa())
            return "[message]\ntype = fax\ncaller = \"0221 987654\"\nlines = 300\nseed = 5\n"
                   "[message]\ntype = fax\nlines = 100\nseed = 6\n";
        // A fax of two pages, then a voice mail; both lie in memory page 4,
        // so reading that page marks both read.
        return "[message]\ntype = fax\nstate = new\ncaller = \"0221 987654\"\ntime = 66,9,5\npages = 2\n"
               "[message]\ntype = voice\nstate = new\nseconds = 1\n";
    }
    Texts Boxes() {
        Texts texts;
        for (const auto& p : Prompts())
            if (p.kind != "save" && p.kind != "question") texts.push_back(p.text);
        return texts;
    }
    // Shorter waits where only their bound matters, so that each cell of
    // silence costs a second or two rather than the modems' 20 s or 24 s.
    void QuickWaits() {
        CommObject->LineTimes.BlockTimeoutMs = 600;
        CommObject->XmodemTimes.ByteTimeoutMs = 300;
        CommObject->XmodemTimes.RetryPauseSeconds = 0;
    }
    // The window with a modem on a line with Options, and the operation.
    Result RunCell(const std::vector<std::string>& Options) {
        std::vector<std::string> args = Model();
        args.insert(args.end(), Options.begin(), Options.end());
        Modem(args, Memory());
        ui->ClearPrompts();
        Result result;
        const auto start = Clock::now();
        if (Reloads(GetParam())) {
            Create();
            dialogs = std::make_unique<MainDialogs>(form.get());
            app::Guarded([&] { form->ToolButtonReloadClick(nullptr); });
        } else {
            Run();
            result.rowsBefore = Rows();
            if (result.rowsBefore.size() != 2u) {
                ADD_FAILURE() << "the start did not list the modem's two messages:\n"
                              << testkit::ReadFile(PellowOptions.LogFileName);
                return result;
            }
            QuickWaits();
            if (GetParam().operation == "fax") {
                Select({0});
                ui->Answer(chosen);
                app::Guarded([&] { form->MenuFileSaveAsClick(); });
            } else if (Erases(GetParam())) {
                if (GetParam().operation == "eraseone")
                    Select({0});
                else
                    Select({0, 1});
                // The 3Com erase waits a minute for its OK; a second or two
                // shows the same here.
                CommObject->LineTimes.LongWaitSeconds = 3;
                ui->Answer("OK");
                app::Guarded([&] { form->ToolButtonEraseClick(); });
            } else {
                app::Guarded([&] { form->ToolButtonReleaseClick(); });
            }
        }
        result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        result.boxes = Boxes();
        result.rows = Rows();
        result.connected = form->ModemConnected;
        if (std::filesystem::exists(chosen)) result.fax = testkit::ReadFile(chosen);
        result.log = testkit::ReadFile(PellowOptions.LogFileName);
        return result;
    }
    // A fresh window and simulator for the next run.
    void Reset() {
        StartAfresh();
        std::filesystem::remove(chosen);
    }
    // Files that a failed transfer could have left: none at all.
    long FilesLeft() const {
        long n = 0;
        for (const auto& folder : {tmp, home.Path()})
            for (const auto& e : std::filesystem::directory_iterator(folder)) {
                const std::string name = e.path().filename().string();
                if (name.find(".tif") != std::string::npos || name.find(".part") != std::string::npos ||
                    name.find(".tmp") != std::string::npos || name.find(".TIF") != std::string::npos)
                    ++n;
            }
        return n;
    }

    std::string chosen = home.Path() + "/saved fax.tif";
};

TEST_P(MainSimFaults, NoFaultGivesAWrongFax) {
    const FaultCell& cell = GetParam();
    // The same operation on a clean line.
    const Result clean = RunCell({});
    ASSERT_TRUE(clean.boxes.empty());
    // An erase of one message on the ELSA, of all on the 3Com (which erases
    // all or nothing), of both when both are chosen.
    const std::size_t cleanLeft = cell.operation == "eraseall" || (Erases(cell) && !Elsa()) ? 0u
                                  : Erases(cell)                                              ? 1u
                                                                                              : 2u;
    ASSERT_EQ(clean.rows.size(), cleanLeft);
    // The list of the modem's memory as it starts.
    const std::vector<std::string> cleanRows = Reloads(cell) ? clean.rows : clean.rowsBefore;
    if (cell.operation == "fax") {
        ASSERT_TRUE(clean.fax);
        ASSERT_EQ(DecodeTiff(chosen).size(), Elsa() ? 1u : 2u);
    }
    Reset();

    const Result r = RunCell(cell.options);
    EXPECT_LT(r.seconds, cell.bound > 0 ? cell.bound : Reloads(cell) ? 12.0 : 8.0);
    EXPECT_FALSE(form->Busy);
    EXPECT_FALSE(form->TransferRunning);
    EXPECT_TRUE(form->ToolButtonReload->isEnabled());
    if (cell.boxes) {
        EXPECT_EQ(r.boxes, *cell.boxes);
    }
    // The one rule of every cell: the fax exactly as on a clean line, or none.
    if (cell.faxSaved) {
        ASSERT_TRUE(r.fax);
        EXPECT_TRUE(*r.fax == *clean.fax) << "the fax differs from the clean line's";
    } else {
        EXPECT_FALSE(r.fax) << "a fax that did not come whole must not be saved";
    }
    EXPECT_EQ(FilesLeft(), r.fax ? 1 : 0) << "no download, no half-written fax, anywhere";
    if (cell.operation == "fax" && !cell.faxSaved) {
        // The serial log names what failed.
        EXPECT_NE(r.log.find(Elsa() ? "ERROR: Download of message 1" : "ERROR: Could not get page"), std::string::npos)
            << r.log;
        EXPECT_TRUE(starts.empty());
    }
    if (cell.status) {
        EXPECT_EQ(form->StatusText(), *cell.status);
    }
    if (cell.unplugged) {
        EXPECT_FALSE(r.connected);
        EXPECT_TRUE(r.rows.empty()) << "the old list is not shown as the modem's";
        if (!cell.status) {
            EXPECT_EQ(form->StatusText(), "No Modem found!");
        }
    } else if (cell.newAfter || cell.kept) {
        // The modem as the operation left it, on a clean line again (the
        // faults strike only the operation's own commands).
        app::Guarded([&] { form->ToolButtonReloadClick(form.get()); });
        ASSERT_TRUE(form->ModemConnected);
        if (cell.newAfter) {
            EXPECT_EQ(ModemObject->GetNewMsgCount(), *cell.newAfter);
        }
        if (cell.kept) {
            EXPECT_EQ(ModemObject->GetMsgCount(), *cell.kept);
            // What the window lists is what the modem holds.
            EXPECT_EQ(static_cast<int>(Rows().size()), *cell.kept);
        }
    }
    // A modem on a clean line on the same port: the list comes back.
    sim.reset();
    ui->ClearPrompts();
    Modem(Model(), Memory());
    app::Guarded([&] { form->ToolButtonReloadClick(form.get()); });
    EXPECT_EQ(Boxes(), Texts{});
    EXPECT_TRUE(form->ModemConnected);
    EXPECT_EQ(Rows(), cleanRows);
}

// Viewing a fax downloads it into a temporary file for the viewer. One that
// does not come whole starts no viewer and leaves no file; on a clean line
// the viewer gets the fax.
TEST_F(MainSimTest, AViewedFaxThatDoesNotComeWholeStartsNoViewer) {
    struct Case {
        const char* name;
        const char* model;
        std::vector<std::string> options;
        Texts boxes;
    };
    const Case cases[] = {
        {"3Com clean", "sportster", {}, {}},
        {"3Com wrong checksum", "sportster", {"--page-bad-checksum", "4"}, {"ERROR: Could not get page"}},
        {"3Com unplugged", "sportster", {"--vanish-on", "+mtp:10000"}, {"ERROR: Could not get page"}},
        {"ELSA clean", "elsa", {}, {}},
        {"ELSA error", "elsa", {"--error-on", "$JDNL"}, {"SOH errors!"}},
        {"ELSA unplugged", "elsa", {"--vanish-on", "$JDNL:1500"}, {"Timeout occoured!"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = {"--model", c.model};
        args.insert(args.end(), c.options.begin(), c.options.end());
        Modem(args, std::string(c.model) == "elsa" ? "[message]\ntype = fax\nlines = 300\nseed = 5\n"
                                                   : "[message]\ntype = fax\nstate = new\npages = 2\n");
        TFormMain& f = Run();
        ASSERT_EQ(f.ExtListView1->topLevelItemCount(), 1);
        CommObject->LineTimes.BlockTimeoutMs = 600;
        CommObject->XmodemTimes.ByteTimeoutMs = 300;
        CommObject->XmodemTimes.RetryPauseSeconds = 0;
        ui->ClearPrompts();
        starts.clear();
        Select({0});
        app::Guarded([&] { f.ToolButtonPlayClick(); });
        Texts boxes;
        for (const auto& p : Prompts()) boxes.push_back(p.text);
        EXPECT_EQ(boxes, c.boxes);
        const long files = std::distance(std::filesystem::directory_iterator(tmp), std::filesystem::directory_iterator{});
        if (c.boxes.empty()) {
            ASSERT_EQ(files, 1);
            const std::string fax = std::filesystem::directory_iterator(tmp)->path().string();
            EXPECT_EQ(DecodeTiff(fax).size(), std::string(c.model) == "elsa" ? 1u : 2u);
            ASSERT_EQ(starts.size(), 1u);
            EXPECT_NE(std::find(starts[0].begin(), starts[0].end(), fax), starts[0].end()) << "the viewer gets the fax";
        } else {
            EXPECT_TRUE(starts.empty()) << "no viewer for a fax that did not come";
            EXPECT_EQ(files, 0) << "no download and no fax is left in the temporary folder";
        }
        EXPECT_FALSE(f.TransferRunning);
        // The next case on a window and a modem of its own, and an empty folder.
        StartAfresh();
        for (const auto& e : std::filesystem::directory_iterator(tmp)) std::filesystem::remove(e.path());
    }
}

const Texts kNoPage = {"ERROR: Could not get page"};
const Texts kNone = {};

std::vector<FaultCell> Cells() {
    std::vector<FaultCell> cells;
    const auto add = [&](FaultCell c) { cells.push_back(std::move(c)); };
    // --- 3Com: the pages of the fax, the release's pages, the status lines.
    add({"3com", "fax", "silence", {"--fault-on", "+mtp", "--silent"}, kNoPage, false, false, 2});
    add({"3com", "fax", "error", {"--error-on", "+mtp"}, kNoPage, false, false, 2});
    // One byte lost in 20000: every sending of the page (32776 bytes) loses
    // one, so the page never comes right (a drop now and then is asked
    // for again and comes through: Modem_3com_test).
    add({"3com", "fax", "drops", {"--fault-on", "+mtp", "--drop-every", "20000"}, kNoPage, false, false, 0});
    // The modem sent the page its headers lie in: it counts both messages read.
    add({"3com", "fax", "checksum", {"--page-bad-checksum", "4"}, kNoPage, false, false, 0});
    add({"3com", "fax", "garbage", {"--fault-on", "+mtp", "--garbage", "16"}, kNoPage, false, false, 0});
    add({"3com", "fax", "unplugged", {"--vanish-on", "+mtp:10000"}, kNoPage, false, true, std::nullopt});
    add({"3com", "release", "silence", {"--fault-on", "+mtp", "--silent"}, Texts{"ERROR: Characters lost!"}, false,
         false, 2});
    add({"3com", "release", "error", {"--error-on", "+mtp"},
         Texts{"ERROR: Characters lost!", "ERROR: Releasing Message failed!", "ERROR: Characters lost!",
               "ERROR: Releasing Message failed!"},
         false, false, 2});
    add({"3com", "release", "drops", {"--fault-on", "+mtp", "--drop-every", "20000"}, std::nullopt, false, false, 0});
    add({"3com", "release", "checksum", {"--page-bad-checksum", "4"}, kNone, false, false, 0});
    add({"3com", "release", "garbage", {"--fault-on", "+mtp", "--garbage", "16"}, std::nullopt, false, false, 0});
    add({"3com", "release", "unplugged", {"--vanish-on", "+mtp:10000"}, Texts{"ERROR: Characters lost!"}, false,
         true, std::nullopt});
    add({"3com", "reload", "silence", {"--fault-on", "ATE0V1+MSR=1", "--silent"},
         Texts{"ERROR occured with \"ATE0V1+MSR=1\r\n\""}, false, false, std::nullopt});
    add({"3com", "reload", "error", {"--error-on", "ATE0V1+MSR=1"}, Texts{"ERROR occured with \"ATE0V1+MSR=1\r\n\""},
         false, false, std::nullopt});
    add({"3com", "reload", "drops", {"--fault-on", "+MSR", "--drop-every", "9"}, std::nullopt, false, false,
         std::nullopt});
    add({"3com", "reload", "checksum", {"--page-bad-checksum", "4"}, kNone, false, false, 2});
    add({"3com", "reload", "garbage", {"--fault-on", "+MSR", "--garbage", "16"}, std::nullopt, false, false,
         std::nullopt});
    add({"3com", "reload", "unplugged", {"--vanish-on", "ATE0V1+MSR=1"},
         Texts{"ERROR occured with \"ATE0V1+MSR=1\r\n\""}, false, true, std::nullopt});
    // --- ELSA: the download of the fax (and of each new message for the
    // release), the directory. The block receive tells its own failures.
    add({"elsa", "fax", "silence", {"--fault-on", "$JDNL", "--silent"}, Texts{"Timeout occoured!", "SOH errors!"},
         false, false, 2});
    add({"elsa", "fax", "error", {"--error-on", "$JDNL"}, Texts{"SOH errors!"}, false, false, 2});
    add({"elsa", "fax", "drops", {"--fault-on", "$JDNL", "--drop-every", "1500"}, kNone, true, false, 1});
    add({"elsa", "fax", "checksum", {"--dnl-bad-checksum", "1"}, kNone, true, false, 1});
    add({"elsa", "fax", "garbage", {"--fault-on", "$JDNL", "--garbage", "16"}, kNone, true, false, 1});
    add({"elsa", "fax", "unplugged", {"--vanish-on", "$JDNL:1500"}, Texts{"Timeout occoured!"}, false, true,
         std::nullopt});
    // A modem that sends nothing for the first download is not asked for the second.
    add({"elsa", "release", "silence", {"--fault-on", "$JDNL", "--silent"}, Texts{"Timeout occoured!", "SOH errors!"},
         false, false, 2});
    add({"elsa", "release", "error", {"--error-on", "$JDNL"}, Texts{"SOH errors!", "SOH errors!"}, false, false, 2});
    add({"elsa", "release", "drops", {"--fault-on", "$JDNL", "--drop-every", "1500"}, kNone, false, false, 0});
    add({"elsa", "release", "checksum", {"--dnl-bad-checksum", "1"}, kNone, false, false, 0});
    add({"elsa", "release", "garbage", {"--fault-on", "$JDNL", "--garbage", "16"}, kNone, false, false, 0});
    add({"elsa", "release", "unplugged", {"--vanish-on", "$JDNL:1500"}, Texts{"Timeout occoured!"}, false, true,
         std::nullopt});
    add({"elsa", "reload", "silence", {"--fault-on", "$JDIR", "--silent"}, Texts{"ERROR occured with \"AT$JDIR\""},
         false, false, std::nullopt});
    add({"elsa", "reload", "error", {"--error-on", "$JDIR"}, Texts{"ERROR occured with \"AT$JDIR\""}, false, false,
         std::nullopt});
    add({"elsa", "reload", "drops", {"--fault-on", "$JDIR", "--drop-every", "9"}, std::nullopt, false, false,
         std::nullopt});
    add({"elsa", "reload", "checksum", {"--dnl-bad-checksum", "1"}, kNone, false, false, 2});
    add({"elsa", "reload", "garbage", {"--fault-on", "$JDIR", "--garbage", "16"}, std::nullopt, false, false,
         std::nullopt});
    add({"elsa", "reload", "unplugged", {"--vanish-on", "$JDIR"}, Texts{"ERROR occured with \"AT$JDIR\""}, false,
         true, std::nullopt});
    // --- A slow modem: the line throttled well below the port's 57600
    // baud, on every operation above. A 3Com memory page is 32776 bytes on
    // the line (8.5 s at 38400 baud); the ELSA's blocks are 1 KB.
    for (const std::string op : {"fax", "release", "reload"}) {
        const bool fax = op == "fax", reload = op == "reload";
        add({"3com", op, "slow", {"--baud", "38400"}, kNone, fax, false, reload ? 2 : 0, std::nullopt, std::nullopt,
             reload ? 20.0 : 40.0});
        add({"elsa", op, "slow", {"--baud", "9600"}, kNone, fax, false, fax ? 1 : reload ? 2 : 0, std::nullopt,
             std::nullopt, 30.0});
    }
    // --- The modem search (a Reload that detects): the faults strike the
    // init probe "ATE0", the model query "AT#MDL?" or the ELSA's firmware
    // query "AT#REV?". A port that answers the init probe but not the
    // model is an unsupported modem; one that does not answer it, none. The
    // search carries no checksum.
    const std::string none = "No Modem found!", other = "Only not supported modem found!";
    for (const std::string family : {"3com", "elsa"}) {
        add({family, "detect", "silence", {"--silent"}, kNone, false, true, std::nullopt, none});
        add({family, "detect", "error_init", {"--error-on", "ATE0"}, kNone, false, true, std::nullopt, none});
        add({family, "detect", "error_model", {"--error-on", "#MDL?"}, kNone, false, true, std::nullopt, other});
        // A model line that does not come whole is not one of the supported.
        add({family, "detect", "drops", {"--drop-every", "7"}, kNone, false, true, std::nullopt, other});
        add({family, "detect", "garbage", {"--garbage", "16"}, kNone, false, true, std::nullopt, other});
        add({family, "detect", "unplugged_init", {"--vanish-on", "ATE0"}, kNone, false, true, std::nullopt, none});
        add({family, "detect", "unplugged_model", {"--vanish-on", "#MDL?"}, kNone, false, true, std::nullopt,
             other});
        add({family, "detect", "slow", {"--baud", "2400"}, kNone, false, false, std::nullopt, "2 new messages", 2,
             20.0});
    }
    add({"elsa", "detect", "error_firmware", {"--error-on", "#REV?"}, kNone, false, true, std::nullopt, other});
    add({"elsa", "detect", "unplugged_firmware", {"--vanish-on", "#REV?"}, kNone, false, true, std::nullopt, other});
    // --- Erase: the 3Com erases all or nothing ("ATE0V1+mem", one long
    // OK wait); the ELSA one message at a time ("AT$JDEL=" and its name),
    // so erasing all is one command per message. No reply carries a checksum.
    {
        const Texts mem = {"ERROR occured with \"ATE0V1+mem\""};
        add({"3com", "eraseall", "silence", {"--fault-on", "+mem", "--silent"}, mem, false, false, std::nullopt,
             std::nullopt, 2});
        add({"3com", "eraseall", "error", {"--error-on", "+mem"}, mem, false, false, std::nullopt, std::nullopt, 2});
        // The modem erases, but its OK does not come whole or comes late:
        // the erase is reported failed, and a Reload shows the empty memory.
        add({"3com", "eraseall", "drops", {"--fault-on", "+mem", "--drop-every", "3"}, mem, false, false,
             std::nullopt, std::nullopt, 0});
        add({"3com", "eraseall", "garbage", {"--fault-on", "+mem", "--garbage", "16"}, kNone, false, false,
             std::nullopt, std::nullopt, 0});
        add({"3com", "eraseall", "unplugged", {"--vanish-on", "+mem"}, mem, false, true});
        add({"3com", "eraseall", "slow", {"--baud", "2400"}, kNone, false, false, std::nullopt, "", 0, 30.0});
    }
    const Texts del = {"ERROR occured with \"AT$JDEL=\"MSG00001\"\""};
    for (const std::string op : {"eraseone", "eraseall"}) {
        const int left = op == "eraseone" ? 1 : 0;
        add({"elsa", op, "silence", {"--fault-on", "$JDEL", "--silent"}, del, false, false, std::nullopt,
             std::nullopt, 2});
        add({"elsa", op, "error", {"--error-on", "$JDEL"}, del, false, false, std::nullopt, std::nullopt, 2});
        // The modem erases the first message but its OK does not come
        // whole: the erase stops there, the second message stays.
        add({"elsa", op, "drops", {"--fault-on", "$JDEL", "--drop-every", "3"}, del, false, false, std::nullopt,
             std::nullopt, 1});
        add({"elsa", op, "garbage", {"--fault-on", "$JDEL", "--garbage", "16"}, kNone, false, false, std::nullopt,
             std::nullopt, left});
        add({"elsa", op, "unplugged", {"--vanish-on", "$JDEL"}, del, false, true});
        add({"elsa", op, "slow", {"--baud", "2400"}, kNone, false, false, std::nullopt, "", left, 30.0});
    }
    return cells;
}

INSTANTIATE_TEST_SUITE_P(Faults, MainSimFaults, ::testing::ValuesIn(Cells()), Name);

}  // namespace
