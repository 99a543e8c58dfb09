// The ELSA download of the simulator: a file sent in 1024-byte blocks with a
// one-byte checksum, block by block as the receiver acknowledges, with the
// faults the options ask for.
#include <stdexcept>

#include "tools/modemsim/SimElsa.h"

namespace simelsa {

using modemsim::Session;

std::string Block(int Number, std::string_view Data, bool BadChecksum, bool Cut) {
    std::string data(Data.substr(0, kBlockSize));
    data.resize(kBlockSize, kFiller);
    unsigned sum = 0;
    for (char c : data) sum += static_cast<uint8_t>(c);
    if (BadChecksum) ++sum;
    std::string block;
    block += static_cast<char>(STX);
    block += static_cast<char>(Number & 0xFF);
    block += static_cast<char>(~Number & 0xFF);
    if (Cut) return block + data.substr(0, kBlockSize / 2);
    return block + data + static_cast<char>(sum & 0xFF);
}

namespace {

// "B" or "B:N" with B from 1; N is Default when left out.
std::pair<int, int> BlockAndNumber(const std::string& option, const std::string& value, int Default) {
    const std::size_t colon = value.find(':');
    try {
        std::size_t used = 0;
        const std::string b = value.substr(0, colon);
        const int block = std::stoi(b, &used);
        if (used != b.size() || block < 1) throw std::invalid_argument(b);
        if (colon == std::string::npos) return {block, Default};
        const std::string n = value.substr(colon + 1);
        const int number = std::stoi(n, &used);
        if (used != n.size() || number < 0) throw std::invalid_argument(n);
        return {block, number};
    } catch (const std::logic_error&) {
        throw std::invalid_argument("--" + option + " needs a block number from 1 (and :N), not \"" + value + "\"");
    }
}

// Line noise, none of it a control byte of the transfer.
const std::string kGarbage = "\x55\xAA\r\nRING\r\n\xFF\x13\x11\x7F";

// The receiver has this long to answer a block before it is sent again, and
// a sender that has sent a block this often without an answer gives up.
constexpr uint64_t kAnswerMs = 10000;
constexpr int kTries = 10;
// A garbled block's data follow after a NAK or after this pause.
constexpr uint64_t kAfterGarbageMs = 300;
// How long the line stays with the ended download.
constexpr uint64_t kClosingMs = 2000;

class Download : public modemsim::Task {
public:
    Download(std::string Name, std::string Data, Faults F)
        : name_(std::move(Name)), data_(std::move(Data)), faults_(std::move(F)) {
        blocks_ = static_cast<int>((data_.size() + kBlockSize - 1) / kBlockSize);
    }

    bool Step(Session& S) override {
        if (!started_) {
            started_ = true;
            S.Note("download " + name_ + ": " + std::to_string(blocks_) + " blocks");
            Await(S, Phase::FirstNak);
        }
        std::string& in = S.Input();
        while (!in.empty()) {
            // The client has gone back to commands: the line is for the interpreter.
            if (in[0] == 'A' || in[0] == 'a') {
                if (phase_ != Phase::Closing) S.Note("download " + name_ + " broken off by a command");
                return false;
            }
            const auto b = static_cast<uint8_t>(in[0]);
            in.erase(0, 1);
            OnByte(S, b);
        }
        if (S.Now() >= deadline_) {
            if (phase_ == Phase::Closing) return false;
            OnTime(S);
        }
        S.WakeAfter(static_cast<uint32_t>(deadline_ > S.Now() ? deadline_ - S.Now() : 0));
        return true;
    }

private:
    // Closing: the call has ended; what the receiver still sends before its
    // next command line is swallowed rather than taken for the start of one.
    enum class Phase { FirstNak, Pausing, AfterBadStart, AfterBlock, AfterEot, Closing };

    void Await(Session& S, Phase P, uint64_t Ms = kAnswerMs) {
        phase_ = P;
        deadline_ = S.Now() + Ms;
    }

    void OnByte(Session& S, uint8_t B) {
        switch (phase_) {
            case Phase::FirstNak:
                if (B == NAK) Offer(S, 1);
                break;
            case Phase::Pausing:
            case Phase::AfterBadStart:
                if (B == NAK) Offer(S, current_);
                break;
            case Phase::AfterBlock:
                if (B == ACK) Offer(S, current_ + 1);
                else if (B == NAK) Offer(S, current_);
                break;
            case Phase::AfterEot:
                if (B == ACK) Complete(S);
                else if (B == NAK) Offer(S, current_);
                break;
            case Phase::Closing:
                break;
        }
    }

    void OnTime(Session& S) {
        if (phase_ == Phase::Pausing) {
            Offer(S, current_);
            return;
        }
        if (phase_ == Phase::FirstNak || ++silentTries_ >= kTries) {
            S.Note("download " + name_ + ": no answer from the receiver");
            if (phase_ != Phase::FirstNak) S.Send(std::string(2, static_cast<char>(CAN)));
            End(S);
            return;
        }
        Offer(S, current_);
    }

    // Block K (blocks_ + 1: the EOT), or the fault that stands in its place.
    void Offer(Session& S, int K) {
        if (K != current_) silentTries_ = 0;
        current_ = K;
        if (faults_.cancel.count(K)) {
            S.Note("download " + name_ + " cancelled at block " + std::to_string(K));
            S.Send(std::string(1, static_cast<char>(CAN)));
            End(S);
            return;
        }
        if (faults_.garbage.count(K) && garbled_.insert(K).second) {
            S.Send(kGarbage);
            Await(S, Phase::Pausing, kAfterGarbageMs);
            return;
        }
        if (auto p = faults_.pauses.find(K); p != faults_.pauses.end() && paused_.insert(K).second) {
            Await(S, Phase::Pausing, static_cast<uint64_t>(p->second));
            return;
        }
        if (auto b = faults_.badStarts.find(K); b != faults_.badStarts.end() && b->second > 0) {
            --b->second;
            S.Send(std::string(1, static_cast<char>(SOH)));
            Await(S, Phase::AfterBadStart);
            return;
        }
        if (K > blocks_) {
            S.Send(std::string(1, static_cast<char>(EOT)));
            Await(S, Phase::AfterEot);
            return;
        }
        const std::size_t at = static_cast<std::size_t>(K - 1) * kBlockSize;
        const bool cut = faults_.shortBlock.count(K) && cutOnce_.insert(K).second;
        S.Send(Block(K, std::string_view(data_).substr(at), faults_.badChecksum.count(K) > 0, cut));
        Await(S, Phase::AfterBlock);
    }

    void Complete(Session& S) {
        if (File* f = S.Extension<State>().store->Find(name_)) std::erase(f->flags, 'N');
        S.Note("download " + name_ + " complete");
        End(S);
    }

    void End(Session& S) {
        S.DropCarrier();
        Await(S, Phase::Closing, kClosingMs);
    }

    std::string name_;
    std::string data_;
    Faults faults_;
    int blocks_ = 0;
    bool started_ = false;
    Phase phase_ = Phase::FirstNak;
    uint64_t deadline_ = 0;
    int current_ = 0;
    int silentTries_ = 0;
    std::set<int> garbled_, paused_, cutOnce_;
};

void AddBlocks(const modemsim::Options& Opts, const std::string& Name, std::set<int>& Into) {
    for (const auto& v : Opts.All(Name)) Into.insert(BlockAndNumber(Name, v, 0).first);
}

}  // namespace

Faults ReadFaults(const modemsim::Options& Opts) {
    Faults f;
    for (const auto& v : Opts.All("dnl-bad-start")) {
        const auto [block, n] = BlockAndNumber("dnl-bad-start", v, 1);
        f.badStarts[block] += n;
    }
    for (const auto& v : Opts.All("dnl-pause")) {
        const auto [block, ms] = BlockAndNumber("dnl-pause", v, 1500);
        f.pauses[block] = ms;
    }
    AddBlocks(Opts, "dnl-cancel", f.cancel);
    AddBlocks(Opts, "dnl-bad-checksum", f.badChecksum);
    AddBlocks(Opts, "dnl-short", f.shortBlock);
    AddBlocks(Opts, "dnl-garbage", f.garbage);
    return f;
}

std::unique_ptr<modemsim::Task> MakeDownload(const std::string& Name, std::string Data, Faults F) {
    return std::make_unique<Download>(Name, std::move(Data), std::move(F));
}

}  // namespace simelsa
