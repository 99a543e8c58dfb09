// The command interpreter, the faults and the task mechanics, driven
// in-process with a clock of the test's own.
#include "tools/modemsim/SimEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "modemsim/EngineRig.h"
#include "platform/Exceptions.h"

namespace modemsim {
namespace {

// A family of the tests' own, so its handlers serve only these sessions.
const char* const kFamily = "enginetest";

struct Probe : ExtensionState {
    int setups = 0;
    std::vector<std::string> args;
};

// Sends "<" + the received bytes + ">" for every byte batch until it sees "!",
// then OK. Reads the client's bytes as a block transfer reads ACK/NAK.
class EchoUntilBang : public Task {
public:
    bool Step(Session& S) override {
        ++steps;
        std::string& in = S.Input();
        std::size_t bang = in.find('!');
        std::string take = in.substr(0, bang == std::string::npos ? in.size() : bang + 1);
        in.erase(0, take.size());
        if (!take.empty()) S.Send("<" + take + ">");
        if (bang == std::string::npos) return true;
        S.Final(ResultCode::Ok);
        return false;
    }
    int steps = 0;
};

// OK after the given time, unless a byte comes first (then "STOPPED").
class Playback : public Task {
public:
    explicit Playback(uint32_t Ms) : ms_(Ms) {}
    bool Step(Session& S) override {
        if (!started_) {
            started_ = true;
            S.WakeAfter(ms_);
            return true;
        }
        if (!S.Input().empty()) {
            S.Input().erase(0, 1);  // the byte that stopped it; the rest is for the interpreter
            S.Info("STOPPED");
        }
        S.Final(ResultCode::Ok);
        return false;
    }

private:
    uint32_t ms_;
    bool started_ = false;
};

// Takes nothing and never ends: the client's bytes pile up.
class Hold : public Task {
public:
    bool Step(Session&) override { return true; }
};

const Registration testHandlers([] {
    RegisterCommand(kFamily, "+THOLD", [](Session& S, const Command&) {
        S.Start(std::make_unique<Hold>());
        return Outcome::Started;
    });
    RegisterSetup(kFamily, [](Session& S) { ++S.Extension<Probe>().setups; });
    RegisterCommand(kFamily, "+TINFO", [](Session& S, const Command& C) {
        S.Extension<Probe>().args.push_back(C.prefix + "|" + C.text + "|" + C.args + "|" + C.line);
        S.Info("info" + C.args);
        return Outcome::Ok;
    });
    RegisterCommand(kFamily, "+TINFO2", [](Session& S, const Command&) {
        S.Info("longer prefix wins");
        return Outcome::Ok;
    });
    RegisterCommand(kFamily, "+TFAIL", [](Session&, const Command&) { return Outcome::Error; });
    RegisterCommand(kFamily, "+TTHROW", [](Session&, const Command&) -> Outcome { throw std::runtime_error("boom"); });
    RegisterCommand(kFamily, "+TREPLY", [](Session& S, const Command&) {
        S.Final(ResultCode::Connect);
        return Outcome::Replied;
    });
    RegisterCommand(kFamily, "+TSTREAM", [](Session& S, const Command& C) {
        S.Stream(std::string(static_cast<std::size_t>(std::stoi(C.args.substr(1))), 'x'), ResultCode::Ok);
        return Outcome::Started;
    });
    RegisterCommand(kFamily, "+TECHO", [](Session& S, const Command&) {
        S.Send("\r\nCONNECT\r\n");
        S.Start(std::make_unique<EchoUntilBang>());
        return Outcome::Started;
    });
    RegisterCommand(kFamily, "+TPLAY", [](Session& S, const Command&) {
        S.Start(std::make_unique<Playback>(500));
        return Outcome::Started;
    });
    RegisterCommand(kFamily, "+TCARRIER", [](Session& S, const Command&) {
        S.DropCarrier();
        return Outcome::Replied;
    });
    // One prefix for every model, the family and the one model: the closest wins.
    for (const char* target : {"", kFamily, "enginetest-model"}) {
        std::string who = *target ? target : "everyone";
        RegisterCommand(target, "+TWHO", [who](Session& S, const Command&) {
            S.Info(who);
            return Outcome::Ok;
        });
    }
    // Overrides the shared ATI for this family only.
    RegisterCommand(kFamily, "I", [](Session& S, const Command& C) {
        S.Info("family page" + C.args);
        return Outcome::Ok;
    });
});

ModelInfo TestModel() { return {"enginetest-model", kFamily, "Test Modem 1", "T1", true}; }

using OptList = simtest::EngineRig::OptList;

// One engine of the test model, its clock, its transcript and everything it sent.
class Rig : public simtest::EngineRig {
public:
    explicit Rig(const OptList& Opts = {}, ModelInfo Model = TestModel())
        : EngineRig(std::move(Model), Opts, Scenario{}) {}
};

struct Exchange {
    const char* sent;
    const char* received;
};

void Expect(Rig& R, const std::vector<Exchange>& Steps) {
    for (const auto& s : Steps) EXPECT_EQ(R.Type(s.sent), s.received) << "sent: " << s.sent;
}

TEST(SimEngine, EchoesTheLineAsReceivedUntilE0) {
    Rig r;
    Expect(r, {
                  {"ATE0\r\n", "ATE0\r\n\r\nOK\r\n"},
                  {"AT\r\n", "\r\nOK\r\n"},
                  {"ATE1\r\n", "\r\nOK\r\n"},
                  {"at e1\r", "at e1\r\n\r\nOK\r\n"},
                  {"AtE0\r\n", "AtE0\r\n\r\nOK\r\n"},
              });
}

TEST(SimEngine, VerboseAndNumericResultCodes) {
    Rig r;
    Expect(r, {
                  {"ATE0V0\r", "ATE0V0\r\n0\r"},
                  {"AT+NOSUCH\r", "4\r"},
                  {"ATS7?\r", "060\r\n0\r"},
                  {"ATV1\r", "\r\nOK\r\n"},
                  {"AT+NOSUCH\r", "\r\nERROR\r\n"},
                  {"ATS7?\r", "\r\n060\r\nOK\r\n"},
              });
}

TEST(SimEngine, QuietSuppressesResultCodesButNotInformation) {
    Rig r;
    Expect(r, {
                  {"ATE0Q1\r", "ATE0Q1\r\n"},
                  {"AT\r", ""},
                  {"AT+NOSUCH\r", ""},
                  {"ATS3?\r", "\r\n013\r\n"},
                  {"ATQ0\r", "\r\nOK\r\n"},
              });
}

TEST(SimEngine, CrEndsALineLfAndEmptyLinesAreIgnored) {
    Rig r;
    EXPECT_EQ(r.Type("ATE0\r"), "ATE0\r\n\r\nOK\r\n");
    EXPECT_EQ(r.Type("\n\r\r\n\n"), "");
    EXPECT_EQ(r.Type("\nA"), "");
    EXPECT_EQ(r.Type("T\nS7?"), "");  // nothing until the CR
    EXPECT_EQ(r.Type("\r"), "\r\n060\r\nOK\r\n");
    EXPECT_EQ(r.Type("hello\r"), "");  // not a command line
    EXPECT_EQ(r.Type("A\r"), "");
}

TEST(SimEngine, ChainedBasicCommandsRunInOrderAndStopAtTheFirstError) {
    Rig r;
    EXPECT_EQ(r.Type("ATE0V1S31=128S31?\r"), "ATE0V1S31=128S31?\r\n\r\n128\r\nOK\r\n");
    EXPECT_EQ(r.Modem().S(31), 128);
    EXPECT_EQ(r.Type("ATS31=5E2S31=6\r"), "\r\nERROR\r\n");
    EXPECT_EQ(r.Modem().S(31), 5);  // what ran before the bad command stays done
    EXPECT_EQ(r.Type("ATV0+NOSUCHE1\r"), "4\r");
    EXPECT_FALSE(r.Modem().Echo());
    EXPECT_EQ(r.Type("ATV1&F1&B1E0Q0V1\r"), "\r\nOK\r\n");
    EXPECT_EQ(r.Type("AT&F\r"), "\r\nOK\r\n");
    EXPECT_EQ(r.Type("AT\r"), "AT\r\n\r\nOK\r\n");  // echo back on from the factory profile
}

TEST(SimEngine, RegistersKeepTheirValuesAndRefuseWhatDoesNotFit) {
    Rig r;
    struct Case {
        const char* line;
        const char* reply;
    };
    r.Type("ATE0\r");
    const Case cases[] = {
        {"ATS0=2\r", "\r\nOK\r\n"},      {"ATS0?\r", "\r\n002\r\nOK\r\n"},    {"ATS255=255\r", "\r\nOK\r\n"},
        {"ATS255?\r", "\r\n255\r\nOK\r\n"}, {"ATS256=1\r", "\r\nERROR\r\n"},   {"ATS1=256\r", "\r\nERROR\r\n"},
        {"ATS1=1000\r", "\r\nERROR\r\n"}, {"ATS=1\r", "\r\nERROR\r\n"},       {"ATS0=\r", "\r\nOK\r\n"},
        {"ATS0?\r", "\r\n000\r\nOK\r\n"}, {"ATS7\r", "\r\nOK\r\n"},           {"ATS12?S2?\r", "\r\n050\r\n043\r\nOK\r\n"},
        {"ATZ\r", "\r\nOK\r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(r.Type(c.line), c.reply) << c.line;
    EXPECT_EQ(r.Modem().S(255), 0);  // ATZ brought the defaults back
    EXPECT_TRUE(r.Modem().Echo());
    EXPECT_THROW(r.Modem().S(256), ERangeError);
    EXPECT_THROW(r.Modem().SetS(-1, 0), ERangeError);
}

TEST(SimEngine, UnknownCommandsAnswerError) {
    Rig r({}, ModelInfo{"plain-test", "nofamily", "X", "X0", true});
    r.Type("ATE0\r");
    for (const char* line : {"AT+FOO\r", "ATJ\r", "AT#XYZ?\r", "AT$\r", "AT&Q\r", "ATE5\r", "ATV1234\r", "AT?\r",
                             "ATI9\r", "AT#REV?\r"})
        EXPECT_EQ(r.Type(line), "\r\nERROR\r\n") << line;
}

TEST(SimEngine, OverlongLinesAnswerErrorAndTheNextLineWorks) {
    Rig r;
    r.Type("ATE0\r");
    std::string line = "AT" + std::string(Engine::kMaxLine + 100, 'S') + "\r";
    EXPECT_EQ(r.Type(line), "\r\nERROR\r\n");
    EXPECT_EQ(r.transcript.back().size(), Engine::kMaxLine);
    EXPECT_EQ(r.Type("AT\r"), "\r\nOK\r\n");
}

// A modem takes its command from the "AT" on: a stray byte before it (a
// receiver's NAK after a transfer, line noise) does not cost the command.
TEST(SimEngine, WhatComesBeforeTheAtIsNoPartOfTheCommand) {
    Rig r;
    r.Type("ATE0\r");
    EXPECT_EQ(r.Type(std::string("\x15\x15") + "AT+TINFO=1\r"), "\r\ninfo=1\r\nOK\r\n");
    EXPECT_EQ(r.Type("xyzat\r"), "\r\nOK\r\n");
    EXPECT_EQ(r.Type("no command here\r"), "");
    EXPECT_EQ(r.transcript.back(), "no command here");
}

TEST(SimEngine, TranscriptHoldsEveryReceivedLine) {
    Rig r;
    r.Type("ATE0\r\n\r\nnoise\rAT+NOSUCH\r\nat\r");
    EXPECT_EQ(r.transcript, (std::vector<std::string>{"ATE0", "", "noise", "AT+NOSUCH", "at"}));
}

TEST(SimEngine, ExtendedCommandsGoToTheLongestRegisteredPrefix) {
    Rig r;
    r.Type("ATE0\r");
    EXPECT_EQ(r.Modem().Extension<Probe>().setups, 1);
    EXPECT_EQ(r.Type("ATV1+tinfo=7;+TINFO2\r"), "\r\ninfo=7\r\nlonger prefix wins\r\nOK\r\n");
    EXPECT_EQ(r.Modem().Extension<Probe>().args,
              (std::vector<std::string>{"+TINFO|+tinfo=7|=7|ATV1+tinfo=7;+TINFO2"}));
    EXPECT_EQ(r.Type("AT+TFAIL;+TINFO\r"), "\r\nERROR\r\n");
    EXPECT_EQ(r.Type("AT+TTHROW\r"), "\r\nERROR\r\n");
    EXPECT_EQ(r.Type("AT+TREPLY;+TINFO\r"), "\r\nCONNECT\r\n");
    EXPECT_EQ(r.Type("AT+TCARRIER\r"), "\r\nNO CARRIER\r\n");
    EXPECT_EQ(r.Type("ATI4\r"), "\r\nfamily page4\r\nOK\r\n");
    EXPECT_EQ(r.Modem().Extension<Probe>().args.size(), 1u);
}

TEST(SimEngine, TheModelsOwnHandlerWinsOverItsFamilysAndEveryones) {
    Rig model;
    model.Type("ATE0\r");
    EXPECT_EQ(model.Type("AT+TWHO\r"), "\r\nenginetest-model\r\nOK\r\n");
    Rig sibling(OptList{}, ModelInfo{"enginetest-sibling", kFamily, "S", "S0", true});
    sibling.Type("ATE0\r");
    EXPECT_EQ(sibling.Type("AT+TWHO\r"), "\r\nenginetest\r\nOK\r\n");
    EXPECT_EQ(sibling.Modem().Extension<Probe>().setups, 1);
    Rig stranger(OptList{}, ModelInfo{"stranger", "strangers", "X", "X0", true});
    stranger.Type("ATE0\r");
    EXPECT_EQ(stranger.Type("AT+TWHO\r"), "\r\neveryone\r\nOK\r\n");
}

TEST(SimEngine, HandlersOfAnotherFamilyAreNotSeen) {
    Rig r({}, ModelInfo{"other-test", "someoneelse", "X", "X0", true});
    r.Type("ATE0\r");
    EXPECT_EQ(r.Type("AT+TINFO\r"), "\r\nERROR\r\n");
    EXPECT_EQ(r.Type("ATI0\r"), "\r\nX0\r\nOK\r\n");  // the shared page, not the family's
    EXPECT_EQ(r.Modem().Extension<Probe>().setups, 0);
}

TEST(SimEngine, StreamKeepsTheQueueWithinTheWindow) {
    Rig r;
    r.Type("ATE0\r");
    r.Core().Receive("AT+TSTREAM=20000\r", r.now);
    std::string out;
    std::size_t most = 0;
    for (int turn = 0; turn < 100 && (r.Modem().Busy() || r.Modem().Pending()); ++turn) {
        most = std::max(most, r.Modem().Pending());
        std::size_t n = std::min<std::size_t>(1000, r.Core().Writable(r.now));
        out.append(r.Core().Output().substr(0, n));
        r.Core().Written(n, r.now);
    }
    EXPECT_LE(most, Session::kStreamWindow);
    EXPECT_EQ(out, std::string(20000, 'x') + "\r\nOK\r\n");
    EXPECT_EQ(r.Type("AT\r"), "\r\nOK\r\n");
}

TEST(SimEngine, ATaskReadsTheClientsBytesAndHandsTheRestBack) {
    Rig r;
    r.Type("ATE0\r");
    EXPECT_EQ(r.Type("AT+TECHO\rab"), "\r\nCONNECT\r\n<ab>");
    EXPECT_TRUE(r.Modem().Busy());
    EXPECT_EQ(r.Type("AT\r"), "<AT\r>");  // a command line is data while the task runs
    EXPECT_EQ(r.Type("c!ATS3?\r"), "<c!>\r\nOK\r\n\r\n013\r\nOK\r\n");
    EXPECT_FALSE(r.Modem().Busy());
    EXPECT_EQ(r.transcript.back(), "ATS3?");
}

TEST(SimEngine, APlaybackEndsOnTimeOrOnAByte) {
    Rig r;
    r.Type("ATE0\r");
    EXPECT_EQ(r.Type("AT+TPLAY\r"), "");
    EXPECT_EQ(r.Core().NextDeadline(r.now), r.now + 500);
    EXPECT_EQ(r.Advance(499), "");
    EXPECT_EQ(r.Advance(1), "\r\nOK\r\n");
    EXPECT_EQ(r.Core().NextDeadline(r.now), Engine::kNever);

    EXPECT_EQ(r.Type("AT+TPLAY\r"), "");
    EXPECT_EQ(r.Advance(100), "");
    EXPECT_EQ(r.Type("\r\nAT\r\n"), "\r\nSTOPPED\r\nOK\r\n\r\nOK\r\n");
    EXPECT_FALSE(r.Modem().Busy());
}

TEST(SimEngine, UnreadOutputAndUntakenInputStayBounded) {
    Rig r(OptList{{"garbage", std::to_string(Session::kOutputLimit + 1000)}});
    r.Core().Receive("ATE0\r", r.now);  // nobody reads the line
    EXPECT_EQ(r.Modem().Pending(), Session::kOutputLimit);
    r.Core().Written(r.Modem().Pending(), r.now);
    r.Type("AT+THOLD\r");
    r.Core().Receive(std::string(Session::kInputLimit - 10, 'x'), r.now);
    r.Core().Receive(std::string(5000, 'y'), r.now);
    EXPECT_EQ(r.Modem().Input().size(), Session::kInputLimit);
    EXPECT_EQ(r.Modem().Input().substr(Session::kInputLimit - 11), "x" + std::string(10, 'y'));
}

TEST(SimEngine, StartingASecondTaskIsRefused) {
    Rig r;
    r.Type("ATE0\r");
    r.Type("AT+TPLAY\r");
    EXPECT_THROW(r.Modem().Start(std::make_unique<Playback>(1)), std::logic_error);
}

TEST(SimEngine, SilentModemRecordsButNeverAnswers) {
    Rig r(OptList{{"silent", ""}});
    EXPECT_EQ(r.Type("ATE0\r\nAT#MDL?\r\nAT+TSTREAM=9000\r\n"), "");
    EXPECT_FALSE(r.Modem().Busy());
    EXPECT_EQ(r.transcript, (std::vector<std::string>{"ATE0", "AT#MDL?", "AT+TSTREAM=9000"}));
}

TEST(SimEngine, ErrorOnMatchesAWholeLineOrACommand) {
    Rig r(OptList{{"error-on", "+TINFO"}, {"error-on", "ATS7?"}, {"error-on", "e1"}});
    r.Type("ATE0\r");
    EXPECT_EQ(r.Type("AT+tinfo=1\r"), "\r\nERROR\r\n");
    EXPECT_EQ(r.Type("AT+TINFO2\r"), "\r\nERROR\r\n");  // a prefix match
    EXPECT_EQ(r.Type("ats7?\r"), "\r\nERROR\r\n");
    EXPECT_EQ(r.Type("ATS7?S3?\r"), "\r\n060\r\n013\r\nOK\r\n");  // a line pattern matches only the whole line
    EXPECT_EQ(r.Type("ATV1E1\r"), "\r\nERROR\r\n");
    EXPECT_FALSE(r.Modem().Echo());
}

TEST(SimEngine, RingOnComesBeforeTheReply) {
    Rig r(OptList{{"ring-on", "+TINFO"}});
    r.Type("ATE0\r");
    EXPECT_EQ(r.Type("AT+TINFO\r"), "\r\nRING\r\n\r\ninfo\r\nOK\r\n");
    EXPECT_EQ(r.Type("AT\r"), "\r\nOK\r\n");
    r.Type("ATV0\r");
    EXPECT_EQ(r.Type("AT+TINFO\r"), "2\rinfo\r\n0\r");
}

TEST(SimEngine, RingAfterAndEveryComeWhenNoTaskRuns) {
    Rig r(OptList{{"ring-after", "300"}, {"ring-every", "1000"}});
    EXPECT_EQ(r.Advance(299), "");
    EXPECT_EQ(r.Advance(1), "\r\nRING\r\n");
    EXPECT_EQ(r.Advance(999), "");
    r.Type("ATE0\r");
    r.Type("AT+TPLAY\r");
    EXPECT_EQ(r.Advance(1), "");  // held back while the playback runs
    EXPECT_EQ(r.Advance(499), "\r\nOK\r\n\r\nRING\r\n");
    r.Type("ATQ1\r");
    EXPECT_EQ(r.Advance(1000), "");  // Q1 silences RING too
}

TEST(SimEngine, GarbageFollowsTheEchoAndKeepsOutOfTheLineEnds) {
    Rig r(OptList{{"garbage", "5000"}, {"seed", "7"}});
    std::string out = r.Type("ATE0\r");
    ASSERT_EQ(out.size(), 6 + 5000 + 6u);
    EXPECT_EQ(out.substr(0, 6), "ATE0\r\n");
    EXPECT_EQ(out.substr(out.size() - 6), "\r\nOK\r\n");
    std::string noise = out.substr(6, 5000);
    EXPECT_EQ(noise.find_first_of("\r\n"), std::string::npos);
    EXPECT_NE(noise.find('\0'), std::string::npos);
    EXPECT_TRUE(std::any_of(noise.begin(), noise.end(), [](char c) { return static_cast<unsigned char>(c) >= 128; }));
    uint64_t again = 7;
    EXPECT_EQ(noise, Noise(again, 5000, false));  // the same seed, the same noise
}

TEST(SimEngine, GarbageComesEvenFromASilentModem) {
    Rig r(OptList{{"garbage", "100"}, {"silent", ""}, {"garbage-crlf", ""}});
    std::string out = r.Type("AT\r");
    EXPECT_EQ(out.size(), 100u);
    uint64_t seed = 1;
    EXPECT_EQ(out, Noise(seed, 100, true));
}

TEST(SimEngine, DropEveryLosesThatManyBytes) {
    Rig r(OptList{{"drop-every", "3"}});
    EXPECT_EQ(r.Type("ATE0\r"), "AT0\r\r\nK\r");  // "ATE0\r\n\r\nOK\r\n" without every third byte
}

// With --fault-on the line faults strike only the replies to the lines
// named, and what those replies stream; every other line is answered cleanly.
TEST(SimEngine, FaultOnNarrowsTheLineFaultsToTheLinesNamed) {
    Rig drops(OptList{{"fault-on", "+TINFO"}, {"drop-every", "3"}});
    drops.Type("ATE0\r");
    EXPECT_EQ(drops.Type("AT\r"), "\r\nOK\r\n");
    EXPECT_EQ(drops.Type("AT+TINFO\r"), "\r\nnf\r\nK\r");  // "\r\ninfo\r\nOK\r\n" less every third byte
    EXPECT_EQ(drops.Type("AT+TSTREAM=4\r"), "xxxx\r\nOK\r\n");

    Rig silent(OptList{{"fault-on", "+TSTREAM"}, {"silent", ""}});
    silent.Type("ATE0\r");
    EXPECT_EQ(silent.Type("AT+TSTREAM=9000\r"), "");
    EXPECT_FALSE(silent.Modem().Busy()) << "a silent modem does not carry the command out";
    EXPECT_EQ(silent.Type("AT+TINFO\r"), "\r\ninfo\r\nOK\r\n");

    Rig noise(OptList{{"fault-on", "ATE0V1+TINFO"}, {"garbage", "8"}});
    noise.Type("ATE0\r");
    EXPECT_EQ(noise.Type("AT+TINFO\r"), "\r\ninfo\r\nOK\r\n");
    const std::string struck = noise.Type("ATE0V1+TINFO\r");
    ASSERT_EQ(struck.size(), 8 + 12u);
    EXPECT_EQ(struck.substr(8), "\r\ninfo\r\nOK\r\n");
}

// The modem vanishes at the line named, once the bytes given have gone out:
// nothing after them reaches the line.
TEST(SimEngine, VanishOnEndsTheLineAfterItsBytes) {
    Rig r(OptList{{"vanish-on", "+TSTREAM:100"}});
    EXPECT_EQ(r.Type("ATE0\r"), "ATE0\r\n\r\nOK\r\n");
    EXPECT_FALSE(r.Core().Vanishing());
    EXPECT_EQ(r.Type("AT+TSTREAM=9000\r"), std::string(100, 'x'));
    EXPECT_TRUE(r.Core().Vanishing());
    EXPECT_EQ(r.Advance(1000), "");
    EXPECT_EQ(r.transcript.back(), "vanishing after 100 more bytes");

    Rig at(OptList{{"vanish-on", "AT#MDL?"}});
    EXPECT_EQ(at.Type("AT#MDL?\r"), "") << "without a count, before any byte of the reply";
    EXPECT_TRUE(at.Core().Vanishing());

    EXPECT_THROW(Rig(OptList{{"vanish-on", "+TINFO:many"}}), std::invalid_argument);
}

TEST(SimEngine, BaudHoldsTheOutputToItsRate) {
    Rig r(OptList{{"baud", "9600"}, {"garbage", "960"}});  // 960 bytes per second
    r.Core().Receive("AT\r", r.now);
    std::size_t sent = 0;
    uint64_t start = r.now;
    while (r.Modem().Pending() > 0) {
        std::size_t n = r.Core().Writable(r.now);
        if (n == 0) {
            uint64_t next = r.Core().NextDeadline(r.now);
            ASSERT_NE(next, Engine::kNever);
            ASSERT_GT(next, r.now);
            r.now = next;
            continue;
        }
        EXPECT_LE(n, 1u);  // never more than 2 ms of bytes at once: one at this speed
        r.Core().Written(n, r.now);
        sent += n;
    }
    EXPECT_EQ(sent, 4 + 960 + 6u);
    // The first byte goes at once, the rest at 960 bytes per second.
    EXPECT_NEAR(static_cast<double>(r.now - start), (970.0 - 1) / 960 * 1000, 15);
}

// A simulator that wakes up 10 ms late every time (a busy machine) still
// holds the line to its speed, neither slower nor faster; the late bytes go
// together, as a late reader of a real line finds them. After the reply the
// line rests: the next reply starts a byte at a time again.
TEST(SimEngine, ALateSimulatorLosesNoLineTime) {
    Rig r(OptList{{"baud", "9600"}, {"garbage", "960"}});
    r.Core().Receive("AT\r", r.now);
    const uint64_t start = r.now;
    std::size_t sent = 0;
    while (r.Modem().Pending() > 0) {
        const std::size_t n = r.Core().Writable(r.now);
        if (n == 0) {
            const uint64_t next = r.Core().NextDeadline(r.now);
            ASSERT_NE(next, Engine::kNever);
            r.now = next + 10;
            continue;
        }
        r.Core().Written(n, r.now);
        sent += n;
    }
    EXPECT_EQ(sent, 4 + 960 + 6u);
    EXPECT_NEAR(static_cast<double>(r.now - start), (970.0 - 1) / 960 * 1000, 15);
    r.now += 500;
    r.Core().Receive("AT\r", r.now);
    EXPECT_EQ(r.Core().Writable(r.now), 1u);
}

TEST(SimEngine, NoiseIsDeterministicAndCoversAllBytes) {
    uint64_t a = 42, b = 42;
    std::string x = Noise(a, 100000, true);
    EXPECT_EQ(x, Noise(b, 100000, true));
    bool seen[256] = {};
    for (char c : x) seen[static_cast<unsigned char>(c)] = true;
    EXPECT_TRUE(std::all_of(std::begin(seen), std::end(seen), [](bool s) { return s; }));
}

}  // namespace
}  // namespace modemsim
