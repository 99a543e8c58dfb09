// The detection models over the line: what each answers to the probes a
// detection sends (the init string with its two line ends, the model query,
// the ELSA firmware query) and to the information pages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modemsim/SimClient.h"
#include "testkit/ModemSim.h"
#include "testkit/TestKit.h"

namespace {

using simtest::SimClient;
using testkit::ModemSim;

struct ModelCase {
    std::vector<std::string> args;
    const char* modelReply;     // the line AT#MDL? answers ("" = ERROR)
    const char* revisionReply;  // the line AT#REV? answers ("" = ERROR)
};

std::string Framed(const std::string& Line) { return Line.empty() ? "\r\nERROR\r\n" : "\r\n" + Line + "\r\nOK\r\n"; }

class SimModelsTest : public ::testing::Test {
protected:
    testkit::TempHome home;
};

TEST_F(SimModelsTest, EachModelAnswersTheProbesAsItsModemDoes) {
    const ModelCase cases[] = {
        {{"--model", "sportster"}, "U.S. Robotics Sportster MessagePlus 56000", "1.0.42"},
        {{}, "U.S. Robotics Sportster MessagePlus 56000", "1.0.42"},
        {{"--model", "56k-message"}, "U.S. Robotics 56K Message", "1.0.42"},
        {{"--model", "56k-pro"}, "U.S. Robotics 56K Pro Msg ", "1.0.42"},
        {{"--model", "56k-pro", "--model-string", "U.S. Robotics 56K Pro Msg"}, "U.S. Robotics 56K Pro Msg",
         "1.0.42"},
        {{"--model", "sportster", "--model-string", "56K Professional Message Modem"},
         "56K Professional Message Modem", "1.0.42"},
        {{"--model", "56k-message", "--error-on", "#REV?"}, "U.S. Robotics 56K Message", ""},
        {{"--model", "elsa"}, "\"MicroLink Office\"", "Version 2.05 MicroLink Office"},
        {{"--model", "elsa", "--mdl-prefix"}, "#MDL: \"MicroLink Office\"", "Version 2.05 MicroLink Office"},
        {{"--model", "elsa", "--firmware", "1.10"}, "\"MicroLink Office\"", "Version 1.10 MicroLink Office"},
        {{"--model", "elsa", "--firmware", "1.20"}, "\"MicroLink Office\"", "Version 1.20 MicroLink Office"},
        {{"--model", "elsa", "--rev-string", "V1.20"}, "\"MicroLink Office\"", "V1.20"},
        {{"--model", "elsa", "--rev-string", "Version 120"}, "\"MicroLink Office\"", "Version 120"},
        {{"--model", "other"}, "56K Voice Fax Data Modem V.90", ""},
    };
    for (const auto& c : cases) {
        std::string what;
        for (const auto& a : c.args) what += a + " ";
        SCOPED_TRACE(what);
        ModemSim sim(testkit::PortLink(2), c.args);
        SimClient line(sim.Link());
        // The init probe: "ATE0" with the channel's two line ends, echoed once.
        EXPECT_EQ(line.Exchange("ATE0\r\n\r\n", "ATE0\r\n\r\nOK\r\n"), "ATE0\r\n\r\nOK\r\n");
        std::string model = Framed(c.modelReply);
        EXPECT_EQ(line.Exchange("AT#MDL?\r\n", model), model);
        EXPECT_EQ(line.Exchange("AT#MDL?\r\n", model), model);  // the second probe asks again
        std::string rev = Framed(c.revisionReply);
        EXPECT_EQ(line.Exchange("AT#REV?\r\n", rev), rev);
        EXPECT_EQ(sim.Stop(), 0);
    }
}

TEST_F(SimModelsTest, TheSilentDeviceNeverAnswers) {
    ModemSim sim(testkit::PortLink(1), {"--model", "silent"});
    SimClient line(sim.Link());
    line.Send("ATE0\r\n\r\n");
    EXPECT_EQ(line.ReadQuiet(2100), "");
    line.Send("AT#MDL?\r\n");
    EXPECT_EQ(line.ReadQuiet(300), "");
    EXPECT_EQ(sim.TranscriptLines(), (std::vector<std::string>{"ATE0", "", "AT#MDL?"}));
}

TEST_F(SimModelsTest, InformationPagesEndInOk) {
    ModemSim sim(testkit::PortLink(1), {"--model", "56k-message"});
    SimClient line(sim.Link());
    line.Exchange("ATE0\r", "ATE0\r\n\r\nOK\r\n");
    EXPECT_EQ(line.Exchange("ATI0\r", "\r\n5631\r\nOK\r\n"), "\r\n5631\r\nOK\r\n");
    EXPECT_EQ(line.Exchange("ATI3\r", "\r\nU.S. Robotics 56K Message\r\nOK\r\n"),
              "\r\nU.S. Robotics 56K Message\r\nOK\r\n");
    for (const char* page : {"ATI4\r", "ati6\r", "ATi7\r"}) {
        line.Send(page);
        std::string reply = line.ReadQuiet(150);
        ASSERT_GE(reply.size(), 8u) << page;
        EXPECT_EQ(reply.substr(0, 2), "\r\n") << page;
        EXPECT_EQ(reply.substr(reply.size() - 6), "\r\nOK\r\n") << page;
        EXPECT_EQ(reply.find("\r\n\r\n"), std::string::npos) << page;  // no empty line inside
    }
    line.Send("ATI4\r");
    EXPECT_NE(line.ReadQuiet(150).find(" E0 "), std::string::npos);  // the settings page shows the echo setting
    EXPECT_EQ(line.Exchange("ATI9\r", "\r\nERROR\r\n"), "\r\nERROR\r\n");
}

}  // namespace
