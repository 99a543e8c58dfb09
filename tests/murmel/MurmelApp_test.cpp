// Murmel's start: the switches of a served start, the automation class in
// the HKCR hive, its object, and the tray dialog receiving a worker's
// messages as the application's main window.
#include "murmel/MurmelApp.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>

#include "murmel/DlgProxy.h"
#include "murmel/MurmelDlg.h"
#include "tests/support/QelTestApp.h"  // the tests' one application object
#include "murmel/MurmelProfile.h"
#include "murmel/WorkerMessages.h"
#include "platform/App.h"
#include "platform/Registry.h"
#include "tests/murmel/WorkerKit.h"

namespace {

using namespace murmel;

TEST(MurmelApp, EmbeddingAndAutomationSwitchesInAnyCase) {
    const struct {
        std::vector<std::string> args;
        bool served;
    } cases[] = {
        {{}, false},
        {{"-Embedding"}, true},
        {{"/Embedding"}, true},
        {{"-embedding"}, true},
        {{"/Automation"}, true},
        {{"-AUTOMATION"}, true},
        {{"x", "/automation"}, true},
        {{"Embedding"}, false},
        {{"--Embedding"}, false},
        {{"-Embedding2"}, false},
        {{"/Auto"}, false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsServedStart(c.args), c.served) << (c.args.empty() ? "" : c.args.back());
}

TEST(MurmelApp, TheClassRegistrationInTheHkcrHive) {
    testkit::TempHome home;
    RegisterAutomationClass("/opt/pellow/murmel");
    RegisterAutomationClass("/opt/pellow/murmel");  // rewritten at every start, the same
    registry::TRegistry reg(registry::THive::HKCR);
    const struct {
        std::string key;
        const char* value;
    } expected[] = {
        {"\\Murmel.Application", "Murmel.Application"},
        {"\\Murmel.Application\\CLSID", kClassId},
        {std::string("\\CLSID\\") + kClassId, "Murmel.Application"},
        {std::string("\\CLSID\\") + kClassId + "\\ProgID", "Murmel.Application"},
        {std::string("\\CLSID\\") + kClassId + "\\LocalServer32", "/opt/pellow/murmel"},
    };
    for (const auto& e : expected) {
        ASSERT_TRUE(reg.OpenKeyReadOnly(e.key)) << e.key;
        EXPECT_EQ(reg.ReadString(""), e.value) << e.key;
    }
    EXPECT_NE(std::string(kClassId), std::string(kDispatchId));
    EXPECT_EQ(std::string(kClassId).size(), 38u);
}

TEST(MurmelApp, TheAutomationObjectHoldsTheProgramAndKnowsItsDialog) {
    const int before = CMurmelDlgAutoProxy::Locks();
    auto dlg = std::make_unique<CMurmelDlg>();
    {
        CMurmelDlgAutoProxy proxy(dlg.get());
        EXPECT_EQ(CMurmelDlgAutoProxy::Locks(), before + 1);
        EXPECT_EQ(proxy.m_pDialog, dlg.get());
        EXPECT_EQ(dlg->m_pAutoProxy, &proxy);
        EXPECT_TRUE(CMurmelDlgAutoProxy::Answers(kDispatchId));
        EXPECT_TRUE(CMurmelDlgAutoProxy::Answers("{832e795d-4b6d-465e-8f48-9f20ca84c729}"));
        EXPECT_FALSE(CMurmelDlgAutoProxy::Answers("{00020400-0000-0000-C000-000000000046}"));
        EXPECT_FALSE(CMurmelDlgAutoProxy::Answers(kClassId));
        dlg.reset();  // the dialog goes first: the object forgets it
        EXPECT_EQ(proxy.m_pDialog, nullptr);
    }
    EXPECT_EQ(CMurmelDlgAutoProxy::Locks(), before);
}

TEST(MurmelApp, InstallPathIsTheProgramsFolder) {
    testkit::TempHome home;
    SetProfileName("Murmel");
    WriteInstallPath("/opt/pellow");
    EXPECT_EQ(GetProfileString(kInstall, "Path", ""), "/opt/pellow");
}

class DialogAndWorker : public workerkit::WorkerTest {
protected:
    testkit::ScopedScriptedUi ui;  // the dialog tells of the fax in a box
};

TEST_F(DialogAndWorker, TheDialogAsMainWindowGetsTheWorkersMessages) {
    StartSim(workerkit::Voice(1) + workerkit::Fax());
    WriteProfileFlag(kOptions, "Autodelete", true);  // a fax: nothing erased
    WriteProfileFlag(kOptions, "Autocheck", false);  // the test starts the check itself
    CMurmelDlg dlg;
    SetMainWindow(&dlg);
    testkit::WriteFile(out + "/Debug.txt", "");
    dlg.OnInitDialog();
    dlg.checkmodem();
    EXPECT_TRUE(dlg.m_bChecking);
    QElapsedTimer t;
    t.start();
    while (dlg.m_bChecking && t.elapsed() < 30000) QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_FALSE(dlg.m_bChecking);
    EXPECT_FALSE(dlg.m_hThread.joinable());
    SetMainWindow(&recorder);
    const std::string log = "\n" + testkit::ReadFile(out + "/Debug.txt");
    std::size_t at = 0;
    for (const char* line : {" \r\n", "-------------------- Beginn 2.06 4/2000 --------------------\r\n",
                             "OnInitDialog()\r\n", "checkmodem() (ruft Thread auf)\r\n", "OnNewmessagesfax() Anzahl: 1\r\n",
                             "OnNewmessages() 0, 16842753\r\n", "OnMessageready() Nummer: 1\r\n", "OnThreaderror() Code: 5\r\n",
                             "Auf Thread-Ende warten.\r\n", "   Thread-Ende erreicht.\r\n"}) {
        const std::size_t found = log.find(std::string("\n") + line, at);
        ASSERT_NE(found, std::string::npos) << line << log;
        at = found;
    }
    EXPECT_EQ(GetProfileString(kInstall, "Path", ""), app::ProgramFolder());
    EXPECT_EQ(WavFiles(), (std::vector<std::string>{"Debug.txt", "Voic0001.bin", "Voic0001.wav", "Voic0002.bin"}));
}

}  // namespace
