#pragma once
// A modem family on COM2 with the simulator playing its modem from a
// scenario of the test's own, as the current modem of the run, with the
// forms of the dialog provider made as at program start, the language
// object, the scripted UI and a serial log.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "mainapp/Globals.h"
#include "mainapp/Sim3comForms.h"
#include "modem/CommClass.h"
#include "modem/CommClassLog.h"
#include "modem/Modem_3com.h"
#include "modem/Modem_Elsa.h"
#include "support/Language.h"
#include "testkit/ModemSim.h"
#include "testkit/TestKit.h"

namespace dialogstest {

inline std::vector<std::string> SimArgs(const std::string& Model, const std::string& Scenario,
                                        std::vector<std::string> Extra) {
    Extra.insert(Extra.begin(), {"--model", Model, "--scenario", Scenario});
    return Extra;
}

template <class Family>
class Rig {
public:
    Rig(const std::string& Model, const std::string& ScenarioText, std::vector<std::string> Extra = {},
        int LanguageId = LangEnglish)
        : sim(testkit::PortLink(2), SimArgs(Model, Scenario(ScenarioText), std::move(Extra))),
          modem(&comm),
          current(&modem) {
        comm.SetPort(pnCOM2);
        comm.SetBaudRate(br115200);
        language.SetLanguage(LanguageId);
        previousLang_ = Lang;
        Lang = &language;
        // As detection leaves the modem: without its echo.
        comm.ExecuteCommand("ATE0", "Send Ini String");
    }
    ~Rig() { Lang = previousLang_; }
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    // The command lines received from the From-th line of the transcript
    // on, without the empty lines and the simulator's own notes.
    std::vector<std::string> Received(std::size_t From = 0) const {
        std::vector<std::string> out;
        const auto lines = sim.TranscriptLines();
        for (std::size_t i = From; i < lines.size(); ++i)
            if (lines[i].size() >= 2 && (lines[i][0] == 'A' || lines[i][0] == 'a') &&
                (lines[i][1] == 'T' || lines[i][1] == 't'))
                out.push_back(lines[i]);
        return out;
    }
    // As Received, once at least Count lines are there (or 3 s have passed):
    // the simulator writes what it takes without a reply a moment later.
    std::vector<std::string> ReceivedAtLeast(std::size_t From, std::size_t Count) const {
        for (int waited = 0; waited < 3000 && Received(From).size() < Count; waited += 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return Received(From);
    }
    std::size_t Mark() const { return sim.TranscriptLines().size(); }
    std::vector<ui::Prompt> Prompts() { return ui->Prompts(); }

    commtest::SerialLog log;  // first: it makes the private state directory
    testkit::ScopedScriptedUi ui;
    testkit::ModemSim sim;
    TCommClass comm;
    Family modem;
    formstest::CurrentModem current;
    LanguageClass language;
    formstest::FormDialogs dialogs;

private:
    std::string Scenario(const std::string& Text) {
        const std::string path = log.Home() + "/scenario.txt";
        testkit::WriteFile(path, Text);
        return path;
    }
    LanguageClass* previousLang_ = nullptr;
};

using Rig3com = Rig<TModem3comClass>;
using RigElsa = Rig<TModemElsaClass>;

// Processes events for Ms milliseconds (the reads of a form pump them too).
inline void Pump(int Ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < Ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace dialogstest
