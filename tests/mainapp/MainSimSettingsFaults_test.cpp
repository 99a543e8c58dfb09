// The modem settings dialogs of both families as the main window opens them,
// with a fault on the line while the dialog loads the modem's values or while
// it saves them: silence, ERROR, noise, dropped bytes, the modem unplugged, a
// slow line. The faults strike one setting's query or set command. Whatever
// the fault, the dialog opens and closes within its bound, tells what it
// tells, writes into the modem no value it did not read from it, leaves the
// messages as they were, and on a clean modem afterwards the dialog loads and
// saves every setting.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <chrono>
#include <cstdio>
#include <map>

#include "mainapp/Settings3comMsg.h"
#include "mainapp/SettingsElsaMLOffice.h"
#include "modem/CommClass.h"
#include "tests/mainapp/MainSimKit.h"

using namespace maintest;

namespace {

using Texts = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

struct SettingsCell {
    std::string family;  // "3com" or "elsa"
    std::string phase;   // "load" (the fault strikes a query) or "save" (a set command)
    std::string fault;
    std::vector<std::string> options;
    Texts boxes;                 // what the showing tells (noise and drops are the seeded ones)
    bool unplugged = false;      // the modem is gone afterwards
    double bound = 8;            // seconds from the opening to the closing
    bool slow = false;           // no fault, a slow line: every setting loads and saves
};

void PrintTo(const SettingsCell& C, std::ostream* Out) { *Out << C.family << " " << C.phase << " " << C.fault; }

std::string Name(const ::testing::TestParamInfo<SettingsCell>& Info) {
    return Info.param.family + "_" + Info.param.phase + "_" + Info.param.fault;
}

// What one showing of the dialog left to see.
struct Showing {
    double seconds = 0;
    Texts boxes;
    bool opened = false;       // it came up and had read the modem
    bool stayedOpen = false;   // OK left it open (a 3Com save that failed)
    bool durationLoaded = false;  // the 3Com recording length's edit was enabled
    std::string duration;      // its text
    bool answering = false;    // the ELSA's answering machine box
};

class MainSimSettingsFaults : public MainSimTest, public ::testing::WithParamInterface<SettingsCell> {
protected:
    bool Elsa() const { return GetParam().family == "elsa"; }
    std::vector<std::string> Model() const { return {"--model", Elsa() ? "elsa" : "56k-pro"}; }
    // The boxes shown, without the wait notice of the 3Com's saving.
    Texts Boxes() {
        Texts texts;
        for (const auto& p : Prompts())
            if (p.kind != "notice") texts.push_back(p.text);
        return texts;
    }
    // Opens the family's settings dialog from the tool button; once it has
    // read the modem, Change edits it and OK closes it (Cancel after an OK
    // that left it open).
    Showing Show(const std::function<void()>& Change) {
        ui->ClearPrompts();
        Showing s;
        QObject context;
        TModemForm* dialog = Elsa() ? static_cast<TModemForm*>(FormElsaMLOfficeSettings)
                                    : static_cast<TModemForm*>(Form3ComMsgSettings);
        WhenReady(
            &context,
            [&] {
                return dialog->isVisible() && !dialog->Exchanging() &&
                       (!Elsa() || FormElsaMLOfficeSettings->LoadRuns() > loadRuns_);
            },
            [&] {
                s.opened = dialog->isVisible();
                if (Elsa()) {
                    loadRuns_ = FormElsaMLOfficeSettings->LoadRuns();
                    s.answering = FormElsaMLOfficeSettings->CheckBoxAWOnOff->isChecked();
                } else {
                    s.durationLoaded = Form3ComMsgSettings->EditDauer->isEnabled();
                    s.duration = Form3ComMsgSettings->EditDauer->text().toStdString();
                }
                Change();
                (Elsa() ? FormElsaMLOfficeSettings->ButtonOK : Form3ComMsgSettings->ButtonOK)->click();
                s.stayedOpen = dialog->isVisible();
                if (s.stayedOpen) Form3ComMsgSettings->ButtonCancel->click();
            },
            3000);
        const auto start = Clock::now();
        app::Guarded([&] { form->ToolButtonModemSettingsClick(); });
        s.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        s.boxes = Boxes();
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_FALSE(form->Busy);
        return s;
    }
    // The change a save makes: the 3Com's recording length, the ELSA's
    // answering machine switched over.
    std::function<void()> Change(int Seconds) {
        return [this, Seconds] {
            if (Elsa())
                FormElsaMLOfficeSettings->CheckBoxAWOnOff->click();
            else
                Form3ComMsgSettings->EditDauer->setText(QString::number(Seconds));
        };
    }
    long Sent(const std::string& Prefix) { return static_cast<long>(Received(Prefix).size()); }
    // The family's setting queries, the one the cell's fault strikes and the
    // one that reads the setting a save changes.
    std::vector<std::string> Queries() const {
        if (Elsa())
            return {"AT+GCI?",  "AT$JCFGF?", "AT$JCFGM?", "AT$JCFGT?", "AT$JCFGV?", "AT$JVGR?",
                    "AT$JVGT?", "AT$JVGM?",  "AT$JVGS?",  "AT$JFLI?",  "AT$JPWD?",  "AT$JRING?"};
        return {"ATE0V1+mct?\r\n", "ATE0V1+mcg?\r\n", "ATE0V1+mcv?\r\n", "ATE0V1+mcf?\r\n", "ATE0V1+mvd?\r\n",
                "ATE0V1+MFI?\r\n", "ATE0V1+mcd?\r\n", "ATE0V1+MCP?\r\n", "ATE0V1+mcr?\r\n", "ATE0V1+mcm?\r\n"};
    }
    std::string StruckQuery() const { return Elsa() ? "AT$JCFGV?" : "ATE0V1+mvd?\r\n"; }
    std::string ChangedQuery() const { return Elsa() ? "AT$JCFGF?" : "ATE0V1+mvd?\r\n"; }
    // What the modem holds, setting by setting, as its queries answer
    // (without the query the fault strikes while it loads).
    std::map<std::string, std::string> Holds() {
        std::map<std::string, std::string> held;
        for (const std::string& query : Queries()) {
            if (GetParam().phase == "load" && query == StruckQuery()) continue;
            std::string reply;
            try {
                CommObject->QueryLines(query, "test", reply);
            } catch (const std::exception& e) {
                reply = std::string("failed: ") + e.what();
            }
            held[query] = reply;
        }
        return held;
    }
    // The set commands a save sends, the family's last one to close it.
    std::string FirstSet() const { return Elsa() ? "AT$JCFGF=" : "ATE0V1+MCD="; }
    std::string LastSet() const { return Elsa() ? "AT$JVGM=" : "ATE0V1+MCW"; }

    int loadRuns_ = 0;
};

TEST_P(MainSimSettingsFaults, NoValueWrittenThatWasNotRead) {
    const SettingsCell& cell = GetParam();
    std::vector<std::string> args = Model();
    args.insert(args.end(), cell.options.begin(), cell.options.end());
    Modem(args);
    Run();
    ASSERT_TRUE(form->ModemConnected);
    const std::vector<std::string> rows = Rows();
    CommObject->LineTimes.BlockTimeoutMs = 600;
    // Each set command waits a minute for its OK; three seconds show the
    // same here.
    CommObject->LineTimes.LongWaitSeconds = 3;

    const auto before = Holds();

    const Showing s = Show(cell.phase == "save" ? Change(45) : [] {});
    EXPECT_LT(s.seconds, cell.bound);
    EXPECT_TRUE(s.opened) << "the dialog always opens";
    EXPECT_EQ(s.boxes, cell.boxes);
    if (cell.slow) {
        EXPECT_EQ(Sent(LastSet()), 1);
        EXPECT_FALSE(s.stayedOpen);
        if (!Elsa()) {
            EXPECT_TRUE(s.durationLoaded);
        }
    } else if (cell.phase == "load") {
        if (Elsa()) {
            // A load that did not end (it told so) keeps the controls as they
            // were: not the modem's values, so neither button writes them.
            EXPECT_EQ(Sent(FirstSet()), s.boxes.empty() ? 1 : 0) << "the dialog wrote values it never read";
        } else {
            // The recording length failed to load: its edit is disabled and
            // not saved, the others are unless the saving tells of an error.
            // A reply cut by dropped bytes can read as another number; the
            // saving's fresh query stands between that and the modem.
            if (cell.fault != "drops") {
                EXPECT_FALSE(s.durationLoaded);
            }
            EXPECT_EQ(Sent("ATE0V1+MVD="), 0);
            EXPECT_EQ(Sent(LastSet()), s.boxes.empty() ? 1 : 0);
        }
    } else {
        // A save that tells of an error stopped at the struck setting:
        // nothing after it went out.
        EXPECT_EQ(Sent(LastSet()), s.boxes.empty() ? 1 : 0);
        // The 3Com dialog stays open after an error in its saving.
        EXPECT_EQ(s.stayedOpen, !Elsa() && !s.boxes.empty());
    }
    std::string changed = "-";
    if (!cell.unplugged) {
        // Every setting the modem held is still there, but for the one the
        // save changed: that one holds the old value or the new one.
        const auto after = Holds();
        for (const auto& [query, reply] : before) {
            if (cell.phase == "save" && query == ChangedQuery()) continue;
            EXPECT_EQ(after.at(query), reply) << query;
        }
        if (cell.phase == "save") {
            const std::string& old = before.at(ChangedQuery());
            const std::string& now = after.at(ChangedQuery());
            changed = now == old ? "old" : "new";
            if (Elsa() || s.boxes.empty()) {
                EXPECT_NE(now, old) << "a setting saved before the fault, or by a save that went through, is lost";
            }
            if (!Elsa() && now != old) {
                EXPECT_NE(now.find("45"), std::string::npos) << now;
            }
        }
    }
    // One line for the table of results.
    const auto shown = [](const std::string& Text) {
        return QString::fromStdString(Text).replace("\r", "\\r").replace("\n", "\\n").toStdString();
    };
    std::string boxes;
    for (const std::string& b : s.boxes) boxes += (boxes.empty() ? "" : " + ") + shown(b);
    const std::string held = Elsa() || before.count(StruckQuery()) == 0 ? "" : shown(before.at(StruckQuery()));
    std::printf("CELL|%s|%s|%s|%.1f|%s|stayed open %d|changed setting %s|connected %d|duration %d '%s' held '%s'\n",
                cell.family.c_str(), cell.phase.c_str(), cell.fault.c_str(), s.seconds,
                boxes.empty() ? "-" : boxes.c_str(), s.stayedOpen ? 1 : 0, changed.c_str(),
                form->ModemConnected ? 1 : 0, s.durationLoaded ? 1 : 0, s.duration.c_str(),
                held.c_str());
    if (cell.unplugged) {
        EXPECT_FALSE(form->ModemConnected);
    } else {
        // The same modem on a line that works again for the messages: the
        // list is as before.
        app::Guarded([&] { form->ToolButtonReloadClick(form.get()); });
        EXPECT_EQ(Rows(), rows);
    }

    // A clean modem on the same port: the dialog loads and saves every setting.
    sim.reset();
    Modem(Model());
    app::Guarded([&] { form->ToolButtonReloadClick(form.get()); });
    ASSERT_TRUE(form->ModemConnected);
    EXPECT_EQ(Rows(), rows);
    const Showing clean = Show(Change(50));
    EXPECT_EQ(clean.boxes, Texts{});
    EXPECT_EQ(Sent(LastSet()), 1);
    const Showing after = Show([] {});
    EXPECT_EQ(after.boxes, Texts{});
    if (Elsa()) {
        EXPECT_NE(after.answering, clean.answering) << "the switch was not saved";
    } else {
        EXPECT_TRUE(after.durationLoaded);
        EXPECT_EQ(after.duration, "50");
    }
}

std::vector<SettingsCell> Cells() {
    std::vector<SettingsCell> cells;
    const auto add = [&](SettingsCell c) { cells.push_back(std::move(c)); };
    const Texts none = {};
    // --- 3Com: the recording length's query "ATE0V1+mvd?" (a number) and
    // its set "ATE0V1+MVD=45", fourth of the saving's ten.
    const Texts mvd = {"ERROR occured with \"ATE0V1+MVD=45\r\n\""};
    const Texts mvdQuery = {"ERROR occured with \"ATE0V1+mvd?\r\n\""};
    const Texts voice = {"ERROR occured with \"ATE0V1+MCV=1\r\n\""};
    add({"3com", "load", "silence", {"--fault-on", "+mvd?", "--silent"}, none});
    add({"3com", "load", "error", {"--error-on", "+mvd?"}, none});
    add({"3com", "load", "garbage", {"--fault-on", "+mvd?", "--garbage", "16"}, none});
    add({"3com", "load", "drops", {"--fault-on", "+mvd?", "--drop-every", "3"}, mvdQuery});
    add({"3com", "load", "unplugged", {"--vanish-on", "+mvd?"}, voice, true});
    add({"3com", "save", "silence", {"--fault-on", "+MVD=", "--silent"}, mvd});
    add({"3com", "save", "error", {"--error-on", "+MVD="}, mvd});
    add({"3com", "save", "garbage", {"--fault-on", "+MVD=", "--garbage", "16"}, none});
    add({"3com", "save", "drops", {"--fault-on", "+MVD=", "--drop-every", "3"}, mvd});
    add({"3com", "save", "unplugged", {"--vanish-on", "+MVD="}, mvd, true});
    // --- ELSA: the voice configuration's query "AT$JCFGV?" (fourth of the
    // loading's queries) and the fax/voice set "AT$JCFGT=..." (third of the
    // saving's eleven).
    const Texts cfgv = {"ERROR occured with \"AT$JCFGV?\""};
    const Texts cfgt = {"ERROR occured with \"AT$JCFGT=1,1,1,0,1,0\""};
    add({"elsa", "load", "silence", {"--fault-on", "$JCFGV?", "--silent"}, cfgv});
    add({"elsa", "load", "error", {"--error-on", "$JCFGV?"}, cfgv});
    add({"elsa", "load", "garbage", {"--fault-on", "$JCFGV?", "--garbage", "16"}, none});
    add({"elsa", "load", "drops", {"--fault-on", "$JCFGV?", "--drop-every", "3"}, cfgv});
    add({"elsa", "load", "unplugged", {"--vanish-on", "$JCFGV?"}, cfgv, true});
    add({"elsa", "save", "silence", {"--fault-on", "$JCFGT=", "--silent"}, cfgt});
    add({"elsa", "save", "error", {"--error-on", "$JCFGT="}, cfgt});
    add({"elsa", "save", "garbage", {"--fault-on", "$JCFGT=", "--garbage", "16"}, none});
    add({"elsa", "save", "drops", {"--fault-on", "$JCFGT=", "--drop-every", "3"}, cfgt});
    add({"elsa", "save", "unplugged", {"--vanish-on", "$JCFGT="}, cfgt, true});
    // --- A slow modem (2400 baud; the ELSA's replies also 300 ms late).
    for (const std::string phase : {"load", "save"}) {
        add({"3com", phase, "slow", {"--baud", "2400"}, none, false, 20, true});
        add({"elsa", phase, "slow", {"--baud", "2400", "--settings-ms", "300"}, none, false, 30, true});
    }
    return cells;
}

INSTANTIATE_TEST_SUITE_P(Faults, MainSimSettingsFaults, ::testing::ValuesIn(Cells()), Name);

}  // namespace
