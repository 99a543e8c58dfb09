// The 3Com/U.S. Robotics modems' announcements from the host's side: the
// upload of a new outgoing message (page 0) or memory-full message (page 1).
//
//   +MVC=0 / +MVC=1   CONNECT, then the client sends the message DLE-shielded
//                     and ended by DLE ETX; the modem goes back to command mode
//                     without a word, so the client's next "AT" gets OK. Data
//                     that does not fit the page is answered ERROR after its
//                     DLE ETX and the old message stays.
//
// Reading them back (+MTP=0, +MTP=1) and playing them (+MVP=0, +MVP=255) are
// the memory's own commands (Sim3com.cpp).
//
// Option: --greeting-encapsulated stores an uploaded message in the 38-byte
// frame form, as some modems keep their frames (a page of the scenario takes
// the same form with "encapsulated = yes").
#include <memory>
#include <string>

#include "tools/modemsim/Sim3com.h"
#include "tools/modemsim/Sim3comMemory.h"

namespace sim3com {
namespace {

using modemsim::Command;
using modemsim::Outcome;
using modemsim::ResultCode;
using modemsim::Session;

constexpr uint8_t kCan = 0x18;
// A client that stops sending in the middle of an upload has gone; the
// modem gives up after this much silence, as it would drop the line.
constexpr uint32_t kSilenceMs = 10000;

class UploadTask : public modemsim::Task {
public:
    explicit UploadTask(int message) : message_(message) {}

    bool Step(Session& S) override {
        std::string& in = S.Input();
        if (!started_) {
            started_ = true;
            lastInput_ = S.Now();
        }
        // The LF that ends the command line after its CR is no data: frames
        // begin with their signature, encapsulated frames with their mark.
        if (!sawInput_ && !in.empty()) {
            sawInput_ = true;
            if (in[0] == '\n') in.erase(0, 1);
        }
        std::size_t used = 0;
        bool ended = false;
        while (used < in.size() && !ended) {
            const auto c = static_cast<uint8_t>(in[used++]);
            if (!dle_) {
                if (c == DLE) dle_ = true;
                else plain_ += static_cast<char>(c);
                continue;
            }
            dle_ = false;
            if (c == DLE) plain_ += static_cast<char>(DLE);
            else if (c == ETX || c == kCan) ended = true;
            // DLE before anything else is a shielding the modem does not know: both go.
        }
        in.erase(0, used);
        if (used > 0) lastInput_ = S.Now();
        if (ended) {
            Finish(S);
            return false;
        }
        if (S.Now() - lastInput_ >= kSilenceMs) {
            S.Note("upload of message " + std::to_string(message_) + " timed out");
            S.Final(ResultCode::Error);
            return false;
        }
        S.WakeAfter(static_cast<uint32_t>(kSilenceMs - (S.Now() - lastInput_)));
        return true;
    }

private:
    void Finish(Session& S) {
        auto& state = S.Extension<State>();
        const bool encapsulated = S.Opts().Has("greeting-encapsulated");
        const std::string stored = Shield(encapsulated ? Encapsulate(plain_) : plain_);
        const int page = message_ == 0 ? 0 : 1;
        if (!state.memory || !state.memory->StoreAnnouncement(message_ == 0 ? 0 : 255, stored)) {
            S.Note("upload of " + std::to_string(plain_.size()) + " bytes to page " + std::to_string(page) +
                   " does not fit");
            S.Final(ResultCode::Error);
            return;
        }
        S.Note("upload of " + std::to_string(plain_.size()) + " bytes to page " + std::to_string(page) +
               (encapsulated ? " (encapsulated)" : ""));
    }

    int message_;
    bool started_ = false;
    bool sawInput_ = false;
    bool dle_ = false;
    uint64_t lastInput_ = 0;
    std::string plain_;
};

Outcome Upload(Session& S, const Command& C) {
    const auto n = Argument(C.args);
    if (!n || *n > 1) return Outcome::Error;
    S.Final(ResultCode::Connect);
    S.Start(std::make_unique<UploadTask>(static_cast<int>(*n)));
    return Outcome::Started;
}

const modemsim::Registration registered([] {
    modemsim::RegisterOption("greeting-encapsulated",
                             "store uploaded announcements (+MVC) in the 38-byte frame form (3Com)");
    modemsim::RegisterCommand("3com", "+MVC", Upload);
});

}  // namespace
}  // namespace sim3com
