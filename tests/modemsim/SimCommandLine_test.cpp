#include "tools/modemsim/SimCommandLine.h"

#include <gtest/gtest.h>

namespace modemsim {
namespace {

TEST(SimCommandLine, TakesTheThreeFormsAndKeepsRepeats) {
    Options o = ParseCommandLine({"--link", "/tmp/x", "--silent", "--error-on=+MSR", "--error-on", "ATE0",
                                  "--model-string=--odd", "--baud", "-5", "--garbage-crlf"});
    EXPECT_EQ(o.Get("link"), "/tmp/x");
    EXPECT_TRUE(o.Has("silent"));
    EXPECT_EQ(o.Get("silent", "unset"), "");
    EXPECT_EQ(o.All("error-on"), (std::vector<std::string>{"+MSR", "ATE0"}));
    EXPECT_EQ(o.Get("error-on"), "ATE0");
    EXPECT_EQ(o.Get("model-string"), "--odd");
    EXPECT_EQ(o.GetInt("baud", 0), -5);
    EXPECT_TRUE(o.Has("garbage-crlf"));
    EXPECT_FALSE(o.Has("scenario"));
    EXPECT_EQ(o.Get("scenario", "none"), "none");
    EXPECT_EQ(o.GetInt("ring-after", 12), 12);
}

TEST(SimCommandLine, RefusesWhatItDoesNotKnow) {
    EXPECT_THROW(ParseCommandLine({"--no-such-option"}), UsageError);
    EXPECT_THROW(ParseCommandLine({"stray"}), UsageError);
    EXPECT_THROW(ParseCommandLine({"--link", "a", "b"}), UsageError);
    EXPECT_THROW(ParseCommandLine({"--"}), UsageError);
    Options o = ParseCommandLine({"--baud", "fast"});
    EXPECT_THROW(o.GetInt("baud", 0), std::invalid_argument);
}

TEST(SimCommandLine, SelectsTheModelAndItsReply) {
    EXPECT_EQ(SelectModel(ParseCommandLine({})).name, "sportster");
    ModelInfo pro = SelectModel(ParseCommandLine({"--model", "56k-pro"}));
    EXPECT_EQ(pro.family, "3com");
    EXPECT_EQ(pro.modelReply, "U.S. Robotics 56K Pro Msg ");
    ModelInfo cut = SelectModel(ParseCommandLine({"--model", "56k-pro", "--model-string", "U.S. Robotics 56K Pro Msg"}));
    EXPECT_EQ(cut.modelReply, "U.S. Robotics 56K Pro Msg");
    EXPECT_FALSE(SelectModel(ParseCommandLine({"--model", "silent"})).answers);
    EXPECT_THROW(SelectModel(ParseCommandLine({"--model", "Sportster"})), UsageError);
}

TEST(SimCommandLine, UsageListsOptionsAndModels) {
    std::string text = Usage();
    for (const char* part : {"--link", "--baud", "--error-on", "--firmware", "sportster (3com)", "elsa (elsa)",
                             "silent (silent)"})
        EXPECT_NE(text.find(part), std::string::npos) << part;
}

}  // namespace
}  // namespace modemsim
