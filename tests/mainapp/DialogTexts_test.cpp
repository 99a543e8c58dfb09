// Every text of Pellow's options, modem settings and modem info dialogs fits
// its control in English and in German, page by page, at the size the
// dialog first shows with. With PELLOW_SHOTS_DIR set, each page is also
// saved there as a picture ("<dialog>-<language>-<page>.png").
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabBar>
#include <QTabWidget>
#include <cstdlib>

#include "mainapp/InfoForm3com.h"
#include "mainapp/InfoFormElsa.h"
#include "mainapp/ModemDialogsRig.h"
#include "mainapp/PellowSettings.h"
#include "mainapp/Settings3comMsg.h"
#include "mainapp/SettingsElsaMLOffice.h"
#include "support/lumbraAutostart.h"
#include "tests/mainapp/MainTestKit.h"

using namespace maintest;

namespace {

const struct {
    int id;
    const char* name;
} kLanguages[] = {{LangEnglish, "en"}, {LangGerman, "de"}};

// What a control needs to show its text whole.
QSize Needed(QWidget* W) {
    QSize need = W->minimumSizeHint();
    if (auto* list = qobject_cast<QComboBox*>(W)) {
        // The longest item, as the list shows it when chosen.
        int widest = 0;
        for (int i = 0; i < list->count(); ++i)
            widest = std::max(widest, list->fontMetrics().horizontalAdvance(list->itemText(i)));
        need.setWidth(std::max(need.width(), widest + 24));
    }
    return need;
}

// The width a line edit has for its text: its contents less the margins Qt
// keeps at both sides and the cursor.
int TextRoom(const QLineEdit* E) {
    QStyleOptionFrame opt;
    opt.initFrom(E);
    opt.rect = E->rect();
    opt.lineWidth = E->hasFrame() ? E->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, E) : 0;
    opt.state |= QStyle::State_Sunken;
    const QRect contents = E->style()->subElementRect(QStyle::SE_LineEditContents, &opt, E) - E->textMargins();
    return contents.width() - 2 * 2 - E->style()->pixelMetric(QStyle::PM_TextCursorWidth);
}

bool ShowsText(QWidget* W) {
    return qobject_cast<QLabel*>(W) || qobject_cast<QAbstractButton*>(W) || qobject_cast<QGroupBox*>(W) ||
           qobject_cast<QComboBox*>(W);
}

// Every visible text control of Window is at least as large as its text
// needs and lies wholly inside its parent; every line edit shows the value
// it holds whole; every tab shows its caption.
void ExpectTextsFit(QWidget* Window, const std::string& What) {
    for (QWidget* w : Window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(Window) || w->objectName().isEmpty() || !ShowsText(w)) continue;
        const std::string name = What + " " + w->objectName().toStdString();
        const QSize need = Needed(w);
        EXPECT_GE(w->width(), need.width()) << name;
        EXPECT_GE(w->height(), need.height()) << name;
        EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry())) << name;
    }
    for (QLineEdit* e : Window->findChildren<QLineEdit*>()) {
        if (!e->isVisibleTo(Window) || e->objectName().isEmpty()) continue;
        EXPECT_GE(TextRoom(e), e->fontMetrics().horizontalAdvance(e->displayText()))
            << What << " " << e->objectName().toStdString() << ": " << e->text().toStdString();
    }
    for (QTabBar* bar : Window->findChildren<QTabBar*>()) {
        for (int i = 0; i < bar->count(); ++i) {
            const QRect tab = bar->tabRect(i);
            EXPECT_LE(tab.right(), bar->width()) << What << " tab " << bar->tabText(i).toStdString();
            EXPECT_GE(tab.width(), bar->fontMetrics().horizontalAdvance(bar->tabText(i).remove('&'))) << What;
        }
    }
    const QRect screen(0, 0, 1024, 768);
    EXPECT_LE(Window->frameGeometry().width(), screen.width()) << What;
    EXPECT_LE(Window->frameGeometry().height(), screen.height()) << What;
}

void Shoot(QWidget* Window, const std::string& Name) {
    const char* dir = std::getenv("PELLOW_SHOTS_DIR");
    if (!dir || !*dir) return;
    QDir().mkpath(dir);
    Window->grab().save(QString::fromStdString(std::string(dir) + "/" + Name + ".png"));
}

// Shows Window, and checks and pictures it page by page.
void CheckPages(QWidget* Window, const std::string& Name) {
    Window->show();
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    auto* pages = Window->findChild<QTabWidget*>();
    const int count = pages ? pages->count() : 1;
    for (int p = 0; p < count; ++p) {
        if (pages) pages->setCurrentIndex(p);
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
        const std::string page = pages ? pages->widget(p)->objectName().toStdString() : "";
        ExpectTextsFit(Window, Name + (page.empty() ? "" : " " + page));
        Shoot(Window, Name + (page.empty() ? "" : "-" + page));
    }
    if (pages) pages->setCurrentIndex(0);
}

class DialogTexts : public MainWindowTest {};

TEST_F(DialogTexts, TheOptionsDialog) {
    for (const auto& l : kLanguages) {
        SCOPED_TRACE(l.name);
        TLumbraAutostart::ResetFirstWrite();
        SetOption("LanguageAuto", false);
        SetOption("LanguageID", l.id);
        Start();
        // The window owns it, as the program's window does.
        auto* dialog = new TFormPellowSettings(form.get());
        dialog->CheckBoxAutostart->setChecked(true);
        CheckPages(dialog, std::string("options-") + l.name);
        dialog->done(mrCancel);
        form.reset();
    }
}

TEST(DialogTextsOnTheModem, The3comDialogs) {
    for (const auto& l : kLanguages) {
        SCOPED_TRACE(l.name);
        dialogstest::Rig3com r("56k-pro",
                               // A fax ID as long as the modem takes.
                               "[settings]\nfaxid = \"+49 (030) 12345-6789\"\npassword = 4711\nduration = 120\n",
                               {}, l.id);
        CheckPages(Form3ComMsgSettings, std::string("settings3com-") + l.name);
        Form3ComMsgSettings->done(mrCancel);
        CheckPages(FormInfo3com, std::string("info3com-") + l.name);
        FormInfo3com->done(mrOk);
        EXPECT_TRUE(r.Prompts().empty());
    }
}

TEST(DialogTextsOnTheModem, TheElsaDialogs) {
    for (const auto& l : kLanguages) {
        SCOPED_TRACE(l.name);
        dialogstest::RigElsa r("elsa", "[settings]\nvgt = 200\n", {}, l.id);
        CheckPages(FormElsaMLOfficeSettings, std::string("settingsElsa-") + l.name);
        FormElsaMLOfficeSettings->done(mrCancel);
        CheckPages(FormInfoElsa, std::string("infoElsa-") + l.name);
        FormInfoElsa->done(mrOk);
        EXPECT_TRUE(r.Prompts().empty());
    }
}

}  // namespace
