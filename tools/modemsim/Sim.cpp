#include "tools/modemsim/Sim.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include "platform/Checked.h"

namespace modemsim {

const char* ResultText(ResultCode Code) {
    switch (Code) {
        case ResultCode::Ok: return "OK";
        case ResultCode::Connect: return "CONNECT";
        case ResultCode::Ring: return "RING";
        case ResultCode::NoCarrier: return "NO CARRIER";
        case ResultCode::Error: return "ERROR";
        case ResultCode::NoDialtone: return "NO DIALTONE";
        case ResultCode::Busy: return "BUSY";
        case ResultCode::NoAnswer: return "NO ANSWER";
    }
    return "ERROR";
}

// --- Options

void Options::Add(const std::string& Name, const std::string& Value) { values_[Name].push_back(Value); }

bool Options::Has(const std::string& Name) const { return values_.count(Name) > 0; }

std::string Options::Get(const std::string& Name, const std::string& Default) const {
    auto it = values_.find(Name);
    return it == values_.end() || it->second.empty() ? Default : it->second.back();
}

long long Options::GetInt(const std::string& Name, long long Default) const {
    if (!Has(Name)) return Default;
    std::string text = Get(Name);
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE)
        throw std::invalid_argument("--" + Name + " needs a whole number, not \"" + text + "\"");
    return v;
}

std::vector<std::string> Options::All(const std::string& Name) const {
    auto it = values_.find(Name);
    return it == values_.end() ? std::vector<std::string>{} : it->second;
}

// --- Session

namespace {

// Sends a prepared byte string Room() bytes at a time, then a final result.
class StreamTask : public Task {
public:
    StreamTask(std::string Data, ResultCode Code) : data_(std::move(Data)), code_(Code) {}

    bool Step(Session& S) override {
        std::size_t n = std::min(S.Room(), data_.size() - sent_);
        S.Send(std::string_view(data_).substr(sent_, n));
        sent_ += n;
        if (sent_ < data_.size()) return true;
        S.Final(code_);
        return false;
    }

private:
    std::string data_;
    std::size_t sent_ = 0;
    ResultCode code_;
};

}  // namespace

Session::Session(ModelInfo Model, Options Opts, Scenario Data)
    : model_(std::move(Model)), options_(std::move(Opts)), scenario_(std::move(Data)) {
    ResetSettings();
}

Session::~Session() = default;

uint8_t Session::S(int Register) const {
    CheckIndex(Register, sizeof sregs_);
    return sregs_[Register];
}

void Session::SetS(int Register, uint8_t Value) {
    CheckIndex(Register, sizeof sregs_);
    sregs_[Register] = Value;
}

void Session::ResetSettings() {
    echo_ = true;
    verbose_ = true;
    quiet_ = false;
    std::fill(std::begin(sregs_), std::end(sregs_), uint8_t{0});
    // Escape "+", CR, LF, backspace, dial wait, carrier wait, comma pause,
    // carrier detect, carrier loss, DTMF duration, guard time.
    const std::pair<int, uint8_t> defaults[] = {{2, 43}, {3, 13}, {4, 10}, {5, 8},  {6, 2},  {7, 60},
                                                {8, 2},  {9, 6},  {10, 7}, {11, 70}, {12, 50}};
    for (auto [reg, value] : defaults) sregs_[reg] = value;
}

void Session::Queue(std::string_view Bytes) {
    produced_ += Bytes.size();
    if (dropEvery_ > 0) {
        std::string kept;
        for (char c : Bytes) {
            ++sentCount_;
            if (sentCount_ % static_cast<unsigned long long>(dropEvery_) != 0) kept += c;
        }
        output_.append(kept, 0, std::min(kept.size(), kOutputLimit - std::min(kOutputLimit, output_.size())));
        return;
    }
    output_.append(Bytes.substr(0, kOutputLimit - std::min(kOutputLimit, output_.size())));
}

void Session::Send(std::string_view Bytes) {
    if (silent_) {
        produced_ += Bytes.size();
        return;
    }
    Queue(Bytes);
}

void Session::Info(std::string_view Text) {
    std::string framed;
    if (verbose_ && !inReply_) framed = "\r\n";
    framed.append(Text);
    framed += "\r\n";
    Send(framed);
    inReply_ = true;
}

void Session::SendCode(ResultCode Code) {
    if (quiet_) return;
    std::string framed;
    if (verbose_) {
        if (!inReply_) framed = "\r\n";
        framed += ResultText(Code);
        framed += "\r\n";
    } else {
        framed = std::to_string(static_cast<int>(Code)) + "\r";
    }
    Send(framed);
}

void Session::Final(ResultCode Code) {
    SendCode(Code);
    inReply_ = false;
}

void Session::Reply(std::string_view Text) {
    Info(Text);
    Final(ResultCode::Ok);
}

void Session::DropCarrier() { Final(ResultCode::NoCarrier); }

std::size_t Session::Room() const { return output_.size() < kStreamWindow ? kStreamWindow - output_.size() : 0; }

void Session::Start(std::unique_ptr<Task> T) {
    if (task_) throw std::logic_error("modemsim: a task is already running");
    task_ = std::move(T);
    stepNow_ = true;
}

void Session::WakeAfter(uint32_t Ms) {
    wakePending_ = true;
    wakeAt_ = now_ + Ms;
}

void Session::Note(std::string_view Line) {
    if (transcript_) transcript_(Line);
}

void Session::Stream(std::string Data, ResultCode Code) {
    Start(std::make_unique<StreamTask>(std::move(Data), Code));
}

}  // namespace modemsim
