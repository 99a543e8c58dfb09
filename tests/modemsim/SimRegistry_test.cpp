// The registration tables. This executable registers one prefix twice on
// purpose, so every engine in it refuses to start.
#include "tools/modemsim/SimRegistry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "tools/modemsim/SimEngine.h"

namespace modemsim {
namespace {

std::string& Chosen() {
    static std::string who;
    return who;
}

CommandHandler Says(const char* Who) {
    return [Who](Session&, const Command&) {
        Chosen() = Who;
        return Outcome::Ok;
    };
}

const Registration registered([] {
    RegisterCommand("regtest", "+DUP", Says("first"));
    RegisterCommand("regtest", "+dup", Says("second"));
    RegisterCommand("regtest", "+DU", Says("family, shorter"));
    RegisterCommand("", "+DUPX", Says("everyone"));
    RegisterCommand("regtest", "+DUPX", Says("family"));
    RegisterCommand("regtest-model", "+DUPX", Says("model"));
    RegisterModel({"regtest-model", "regtest", "R", "R0", true});
});

// Who answers Text in a session of Model, or "none".
std::string Answerer(const ModelInfo& Model, const std::string& Text, std::string* Prefix = nullptr) {
    std::string prefix;
    const CommandHandler* h = FindCommand(Model, Text, prefix);
    if (!h) return "none";
    Session s(Model, Options{}, Scenario{});
    Chosen().clear();
    (*h)(s, Command{prefix, Text, Text.substr(prefix.size()), "AT" + Text});
    if (Prefix) *Prefix = prefix;
    return Chosen();
}

TEST(SimRegistry, ATwiceRegisteredPrefixStopsTheStart) {
    EXPECT_EQ(RegistrationConflicts(), (std::vector<std::string>{"+dup for regtest"}));
    try {
        Engine e(*FindModel("regtest-model"), Options{}, Scenario{}, nullptr, 0);
        ADD_FAILURE() << "started";
    } catch (const std::logic_error& err) {
        EXPECT_STREQ(err.what(), "two handlers are registered for +dup for regtest");
    }
}

TEST(SimRegistry, TheLongestPrefixAndThenTheClosestTargetWin) {
    const ModelInfo& model = *FindModel("regtest-model");
    ModelInfo sibling{"regtest-sibling", "regtest", "", "", true};
    ModelInfo stranger{"stranger", "strangers", "", "", true};
    std::string prefix;
    EXPECT_EQ(Answerer(model, "+dupx=1", &prefix), "model");
    EXPECT_EQ(prefix, "+DUPX");
    EXPECT_EQ(Answerer(sibling, "+DUPX"), "family");
    EXPECT_EQ(Answerer(stranger, "+DUPX"), "everyone");
    EXPECT_EQ(Answerer(sibling, "+DUZ", &prefix), "family, shorter");
    EXPECT_EQ(prefix, "+DU");
    EXPECT_EQ(Answerer(stranger, "+DUP"), "none");
    EXPECT_EQ(Answerer(sibling, "+D"), "none");
}

TEST(SimRegistry, ModelsAndOptionsAreFoundByName) {
    ASSERT_NE(FindModel("elsa"), nullptr);
    EXPECT_EQ(FindModel("elsa")->family, "elsa");
    EXPECT_EQ(FindModel("ELSA"), nullptr);
    EXPECT_TRUE(IsRegisteredOption("garbage"));
    EXPECT_FALSE(IsRegisteredOption("Garbage"));
    auto options = RegisteredOptions();
    EXPECT_TRUE(std::is_sorted(options.begin(), options.end(),
                               [](const OptionInfo& a, const OptionInfo& b) { return a.name < b.name; }));
}

}  // namespace
}  // namespace modemsim
