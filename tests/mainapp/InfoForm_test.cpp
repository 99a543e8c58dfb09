// The modem info dialogs of both families against the simulated modems:
// each page shows the modem's whole reply; a refused query leaves the
// texts after it as they were and is reported, and the dialog opens anyway.
#include "mainapp/InfoForm.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>

#include "mainapp/InfoForm3com.h"
#include "mainapp/InfoFormElsa.h"
#include "mainapp/ModemDialogsRig.h"
#include "support/WndProp.h"

using dialogstest::Rig3com;
using dialogstest::RigElsa;

namespace {

// The memo's lines as it shows them.
std::vector<std::string> Lines(const QPlainTextEdit* Memo) {
    std::vector<std::string> out;
    for (QTextBlock b = Memo->document()->begin(); b.isValid(); b = b.next()) out.push_back(b.text().toStdString());
    return out;
}

// The reply of Command, as a bare exchange with the modem gives it, cut into lines.
std::vector<std::string> ReplyLines(TCommClass& Comm, const std::string& Command) {
    std::string text;
    Comm.QueryLines(Command, "test", text);
    std::vector<std::string> out;
    std::size_t at = 0;
    for (std::size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        out.push_back(text.substr(at, end - at));
    out.push_back(text.substr(at));
    return out;
}

std::vector<std::string> PageCaptions(const QTabWidget* Pages) {
    std::vector<std::string> out;
    for (int i = 0; i < Pages->count(); ++i) out.push_back(Pages->tabText(i).toStdString());
    return out;
}

TEST(InfoForm, TheOkButtonIsCentredWithExactHalvesToTheEvenSide) {
    const struct {
        int panel, button, left;
    } cases[] = {
        {175, 75, 50}, {176, 75, 50}, {178, 75, 52}, {177, 75, 51}, {75, 75, 0}, {74, 75, 0}, {72, 75, -2}, {0, 75, -38},
    };
    for (const auto& c : cases) EXPECT_EQ(CentredLeft(c.panel, c.button), c.left) << c.panel << " " << c.button;
}

TEST(InfoForm, The3comPagesShowTheModemsReplies) {
    Rig3com r("56k-message", "[settings]\n");
    TFormInfo3com& f = *FormInfo3com;
    const auto product = ReplyLines(r.comm, "ATi7\r\n");
    const auto connection = ReplyLines(r.comm, "ATi6\r\n");
    const auto registers = ReplyLines(r.comm, "ATi4\r\n");
    const std::size_t mark = r.Mark();
    f.show();
    EXPECT_EQ(r.Received(mark), (std::vector<std::string>{"AT#MDL?", "AT#REV?", "ATi7", "ATi6", "ATi4"}));
    EXPECT_EQ(f.windowTitle(), "Info");
    EXPECT_EQ(PageCaptions(f.PageControl1),
              (std::vector<std::string>{"General", "Product Info", "Last Connection", "Modem Registers"}));
    // Each reply whole, with the line end after its last line.
    EXPECT_EQ(f.ModemId->text(), "U.S. Robotics 56K Message\n");
    EXPECT_EQ(f.LabelModemVersion->text(), "1.0.42\n");
    EXPECT_EQ(f.LabelPort->text(), "2");
    EXPECT_EQ(Lines(f.ModemProductInfo), product);
    ASSERT_GE(product.size(), 3u);
    EXPECT_EQ(product.front(), "Configuration Profile...");
    EXPECT_EQ(product.back(), "");
    EXPECT_EQ(Lines(f.ModemLastConnection), connection);
    EXPECT_EQ(Lines(f.ModemRegister), registers);
    EXPECT_TRUE(f.ModemProductInfo->isReadOnly());
    EXPECT_TRUE(f.ModemProductInfo->font().fixedPitch());
    EXPECT_EQ(f.ModemProductInfo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(f.ModemProductInfo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(f.WndPropInfoForm->Key(), "SOFTWARE\\Norvale\\Pellow\\Version 0.50\\InfoForm3com");
    // The serial log tells each exchange by its description.
    const std::string log = r.log.Raw();
    std::size_t at = 0;
    for (const char* d : {"###Get Modem ID", "###Get Firmware revision", "###Get product info",
                          "###Get last connection info: ati6", "###Get last connection info\r\n"}) {
        at = log.find(d, at);
        EXPECT_NE(at, std::string::npos) << d;
    }
    // The button sits in the middle of its panel, and OK closes the dialog.
    f.resize(401, 300);
    QApplication::processEvents();
    EXPECT_EQ(f.ButtonOK->x(), CentredLeft(f.PanelOK->width(), f.ButtonOK->width()));
    QTest::mouseClick(f.ButtonOK, Qt::LeftButton);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.result(), mrOk);
    EXPECT_TRUE(r.Prompts().empty());
}

TEST(InfoForm, ARefusedQueryLeavesTheTextsAfterIt) {
    Rig3com r("sportster", "[settings]\n", {"--error-on", "#REV?"});
    TFormInfo3com& f = *FormInfo3com;
    f.show();
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.ModemId->text(), "U.S. Robotics Sportster MessagePlus 56000\n");
    EXPECT_EQ(f.LabelModemVersion->text(), "version");
    EXPECT_EQ(f.LabelPort->text(), "port");
    EXPECT_EQ(f.ModemProductInfo->toPlainText(), "");
    const auto p = r.Prompts();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].kind, "error");
    EXPECT_EQ(p[0].text, "ERROR occured with \"AT#REV?\r\n\"");
}

TEST(InfoForm, TheElsaShowsItsModelFirmwareAndPort) {
    RigElsa r("elsa", "[elsa]\n", {"--firmware", "1.20"});
    TFormInfoElsa& f = *FormInfoElsa;
    const std::size_t mark = r.Mark();
    f.show();
    EXPECT_EQ(r.Received(mark), (std::vector<std::string>{"AT#MDL?", "AT#REV?"}));
    EXPECT_EQ(PageCaptions(f.PageControl1), std::vector<std::string>{"General"});
    EXPECT_EQ(f.ModemId->text(), "\"MicroLink Office\"\n");
    EXPECT_EQ(f.LabelModemVersion->text(), "Version 1.20 MicroLink Office\n");
    EXPECT_EQ(f.LabelPort->text(), "2");
    EXPECT_EQ(f.WndPropInfoForm->Key(), "SOFTWARE\\Norvale\\Pellow\\Version 0.50\\InfoFormElsa");
    EXPECT_TRUE(r.Prompts().empty());
    // Every showing asks again.
    f.hide();
    f.show();
    EXPECT_EQ(r.Received(mark).size(), 4u);
}

}  // namespace
