#include "tools/modemsim/SimScenario.h"

#include <gtest/gtest.h>

#include "testkit/TestKit.h"

namespace modemsim {
namespace {

TEST(SimScenario, SectionsRepeatAndKeepTheirEntriesInOrder) {
    Scenario sc = ParseScenario(
        "# a modem with two messages\n"
        "memory = 30\n"
        "\n"
        "[message]\n"
        "type = voice\n"
        "caller = \"0815 4711 \"\n"
        "seconds=12\n"
        "[Message]\r\n"
        "type = fax\r\n"
        "new\n"
        "; comment\n"
        "[settings]\n"
        "rings = 4\n"
        "rings = 6\n");
    ASSERT_EQ(sc.sections.size(), 4u);
    EXPECT_EQ(sc.sections[0].name, "");
    EXPECT_EQ(sc.sections[0].Get("memory"), "30");
    auto messages = sc.All("message");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0]->line, 4);
    EXPECT_EQ(messages[0]->Get("TYPE"), "voice");
    EXPECT_EQ(messages[0]->Get("caller"), "0815 4711 ");
    EXPECT_EQ(messages[0]->GetInt("seconds", 0), 12);
    EXPECT_EQ(messages[1]->Get("type"), "fax");
    EXPECT_TRUE(messages[1]->Has("new"));
    EXPECT_EQ(messages[1]->Get("new", "x"), "");
    EXPECT_FALSE(messages[1]->Has("caller"));
    EXPECT_EQ(messages[1]->Get("caller", "none"), "none");
    ASSERT_NE(sc.Find("SETTINGS"), nullptr);
    EXPECT_EQ(sc.Find("settings")->Get("rings"), "6");  // the last one counts
    EXPECT_EQ(sc.Find("settings")->entries.size(), 2u);
    EXPECT_EQ(sc.Find("absent"), nullptr);
}

TEST(SimScenario, QuotedValuesCarryAnyByte) {
    Scenario sc = ParseScenario("[m]\ndata = \"a\\\\b\\\"c\\r\\n\\t\\x00\\xfF=;#\"\n");
    EXPECT_EQ(sc.sections[0].Get("data"), std::string("a\\b\"c\r\n\t\0\xff=;#", 13));
}

TEST(SimScenario, BadLinesNameTheirLine) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"[m]\nx = \"open\n", "scenario line 2: missing closing double quote"},
        {"[m\n", "scenario line 1: a heading ends with ]"},
        {"\n\n = 5\n", "scenario line 3: an entry needs a key"},
        {"a = \"\\q\"\n", "scenario line 1: unknown escape \\q"},
        {"a = \"\\x4\"\n", "scenario line 1: \\x needs two hex digits"},
        {"a = \"x\" y\n", "scenario line 1: text after the closing double quote"},
    };
    for (const auto& c : cases) {
        try {
            ParseScenario(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const ScenarioError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST(SimScenario, GetIntRefusesTextThatIsNoNumber) {
    Scenario sc = ParseScenario("[m]\nn = 12x\nempty =\nbig = 99999999999999999999\nneg = -3\n");
    const auto& m = sc.sections[0];
    EXPECT_THROW(m.GetInt("n", 0), ScenarioError);
    EXPECT_THROW(m.GetInt("empty", 0), ScenarioError);
    EXPECT_THROW(m.GetInt("big", 0), ScenarioError);
    EXPECT_EQ(m.GetInt("neg", 0), -3);
    EXPECT_EQ(m.GetInt("absent", 7), 7);
}

TEST(SimScenario, LoadsAFileAndKeepsItsPath) {
    testkit::TempHome home;
    std::string path = home.Path() + "/s.txt";
    testkit::WriteFile(path, "[a]\nk=v\n");
    Scenario sc = LoadScenario(path);
    EXPECT_EQ(sc.path, path);
    EXPECT_EQ(sc.Find("a")->Get("k"), "v");
    EXPECT_THROW(LoadScenario(home.Path() + "/missing.txt"), ScenarioError);
}

}  // namespace
}  // namespace modemsim
