#include "platform/Ui.h"

#include <gtest/gtest.h>

#include <QTimer>
#include <cstdlib>

#include "platform/App.h"
#include "platform/Exceptions.h"
#include "testkit/TestKit.h"

TEST(ScriptedUi, AnswersInOrderThenWithTheDefault) {
    testkit::ScopedScriptedUi ui;
    ui->Answer("No");
    ui->Answer("/tmp/x.tif");
    ui::MessageSpec q{"Erase?", "Pellow", ui::MbYesNo, ui::IconQuestion, 0};
    EXPECT_EQ(ui::MessageBox(q), ui::IdNo);
    EXPECT_EQ(ui::SaveFile({"Save as", "", "tif", "", ""}).value_or(""), "/tmp/x.tif");
    EXPECT_EQ(ui::MessageBox(q), ui::IdYes);  // queue empty: the default button
    q.defaultButton = 1;
    EXPECT_EQ(ui::MessageBox(q), ui::IdNo);
    EXPECT_FALSE(ui::OpenFile({}).has_value());  // a dialog without an answer is cancelled
    const auto p = ui->Prompts();
    ASSERT_EQ(p.size(), 5u);
    EXPECT_EQ(p[0].kind, "question");
    EXPECT_EQ(p[0].caption, "Pellow");
    EXPECT_EQ(p[0].text, "Erase?");
    EXPECT_EQ(p[1].kind, "save");
    EXPECT_EQ(p[4].kind, "open");
}

TEST(ScriptedUi, EnvironmentGivesLogAndAnswers) {
    testkit::TempHome home;
    const std::string log = home.Path() + "/ui.log";
    const std::string answers = home.Path() + "/answers";
    testkit::WriteFile(answers, "Cancel\r\ncancel\n");
    setenv("PELLOW_UI_LOG", log.c_str(), 1);
    setenv("PELLOW_UI_ANSWERS", answers.c_str(), 1);
    auto env = ui::FromEnvironment();
    unsetenv("PELLOW_UI_LOG");
    unsetenv("PELLOW_UI_ANSWERS");
    ASSERT_NE(dynamic_cast<ui::ScriptedUi*>(env.get()), nullptr);
    EXPECT_EQ(env->MessageBox({"Line 1\r\nLine 2\nend", "Cap", ui::MbOkCancel, ui::IconWarning, 0}), ui::IdCancel);
    EXPECT_FALSE(env->BrowseFolder("Pick", "/tmp").has_value());
    EXPECT_EQ(env->MessageBox({"x", "C", ui::MbOk, ui::IconNone, 0}), ui::IdOk);
    EXPECT_EQ(testkit::ReadFile(log),
              "warning\tCap\tLine 1\\nLine 2\\nend\n"
              "folder\tPick\t/tmp\n"
              "message\tC\tx\n");
}

TEST(DefaultHandler, ShowsTheMessageAndTheLoopGoesOn) {
    testkit::ScopedScriptedUi ui;
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    app::Application application(argc, argv);
    app::SetTitle("Pellow");
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (++ticks == 1) throw Exception("ERROR occured with \"AT\"");
        if (ticks == 2) throw Exception("Something failed");
        QCoreApplication::quit();
    });
    timer.start(1);
    QCoreApplication::exec();
    EXPECT_EQ(ticks, 3);
    const auto p = ui->Prompts();
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0].kind, "error");
    EXPECT_EQ(p[0].caption, "Pellow");
    EXPECT_EQ(p[0].text, "ERROR occured with \"AT\"");  // ends in a quote: no full stop
    EXPECT_EQ(p[1].text, "Something failed.");
    const auto before = app::PumpCount();
    app::ProcessMessages();
    EXPECT_EQ(app::PumpCount(), before + 1);
}

TEST(ScriptedPrint, AnswersNameThePagesAndWhereToPrint) {
    const struct {
        const char* answer;
        bool valid;
        ui::PrintChoice::Range range;
        int32_t from, to;
        const char* target;
    } cases[] = {
        {"all", true, ui::PrintChoice::AllPages, 1, 1, ""},
        {"ALL /tmp/a b.pdf", true, ui::PrintChoice::AllPages, 1, 1, "/tmp/a b.pdf"},
        {"current printer:Office", true, ui::PrintChoice::CurrentPage, 1, 1, "printer:Office"},
        {"2-4 /tmp/x.pdf", true, ui::PrintChoice::PageRange, 2, 4, "/tmp/x.pdf"},
        {"3-3", true, ui::PrintChoice::PageRange, 3, 3, ""},
        {"2-", false, {}, 0, 0, ""},
        {"-4", false, {}, 0, 0, ""},
        {"a-b", false, {}, 0, 0, ""},
        {"some", false, {}, 0, 0, ""},
        {"", false, {}, 0, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        const auto p = ui::ParsePrintAnswer(c.answer);
        ASSERT_EQ(p.has_value(), c.valid);
        if (!p) continue;
        EXPECT_EQ(p->choice.range, c.range);
        if (c.range == ui::PrintChoice::PageRange) {
            EXPECT_EQ(p->choice.fromPage, c.from);
            EXPECT_EQ(p->choice.toPage, c.to);
        }
        EXPECT_EQ(p->target, c.target);
    }
}
