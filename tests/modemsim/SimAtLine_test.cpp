#include "tools/modemsim/SimAtLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace modemsim {
namespace {

// The commands as "text" for good ones and "!text" for the bad one that ends
// the split; extended ones as "+..." (they start with their own sign).
std::vector<std::string> Split(const std::string& Line) {
    std::vector<std::string> out;
    for (const auto& c : SplitAtLine(Line)) {
        EXPECT_EQ(c.extended, !c.text.empty() && (c.text[0] == '+' || c.text[0] == '#' || c.text[0] == '$'))
            << c.text;
        out.push_back(c.bad ? "!" + c.text : c.text);
    }
    return out;
}

struct SplitCase {
    const char* line;
    std::vector<std::string> commands;
};

TEST(SimAtLine, SplitsChainedCommands) {
    const SplitCase cases[] = {
        {"AT", {}},
        {"at", {}},
        {"ATE0", {"E0"}},
        {"ATE0V1S31=128+MVP=3", {"E0", "V1", "S31=128", "+MVP=3"}},
        {"ATE0V1s31=128+MVP=3", {"E0", "V1", "s31=128", "+MVP=3"}},
        {"AT&F1&B1E0Q0V1", {"&F1", "&B1", "E0", "Q0", "V1"}},
        {"ATE0V1+mtp=12", {"E0", "V1", "+mtp=12"}},
        {"AT#MDL?", {"#MDL?"}},
        {"AT$JDNL=3", {"$JDNL=3"}},
        {"AT+MCS=1;+MCR=4", {"+MCS=1", "+MCR=4"}},
        {"AT+MCS=1;E1", {"+MCS=1", "E1"}},
        {"AT$JPWD=\"a;b\",1", {"$JPWD=\"a;b\",1"}},
        {"AT S7? S7=30", {"S7?", "S7=30"}},
        {"ATS0=", {"S0="}},
        {"ATS12", {"S12"}},
        {"ATI", {"I"}},
        {"ATi7", {"i7"}},
        {"ATDT123;H", {"DT123", "H"}},
        {"ATE0=1", {"E0", "!=1"}},
        {"AT&", {"!&"}},
        {"AT&7", {"!&7"}},
        {"ATE0?V1", {"E0", "!?V1"}},
        {"AT5", {"!5"}},
    };
    for (const auto& c : cases) EXPECT_EQ(Split(c.line), c.commands) << c.line;
}

TEST(SimAtLine, RecognisesAtInAnyCase) {
    EXPECT_TRUE(IsAtLine("AT"));
    EXPECT_TRUE(IsAtLine("at+x"));
    EXPECT_TRUE(IsAtLine("aT"));
    EXPECT_TRUE(IsAtLine("At"));
    EXPECT_FALSE(IsAtLine("A"));
    EXPECT_FALSE(IsAtLine(""));
    EXPECT_FALSE(IsAtLine(" AT"));
    EXPECT_FALSE(IsAtLine("XAT"));
}

}  // namespace
}  // namespace modemsim
