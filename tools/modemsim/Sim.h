#pragma once
// The simulator's extension interface.
//
// The core plays the AT dialogue (echo, result codes, basic commands,
// S-registers, faults) and hands every extended command (one that starts with
// "+", "#" or "$") to the handler registered for the longest matching prefix.
// A modem family adds its commands, its models and its message memory from its
// own file, without touching the core: it registers from a static initialiser
//
//     namespace {
//     const modemsim::Registration registered([] {
//         modemsim::RegisterOption("bad-checksum", "send page checksums off by one");
//         modemsim::RegisterSetup("3com", SetUpMemory);
//         modemsim::RegisterCommand("3com", "+MSR", HandleStatusReport);
//     });
//     }
//
// and its handlers talk to the client only through the Session they are given.
// Everything runs on one thread inside one poll() loop: a handler must never
// block. Work that takes longer than one reply (a memory page at a throttled
// speed, a block transfer that waits for the client's ACK, a playback that a
// byte from the client interrupts) is a Task that the session steps.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <typeindex>
#include <typeinfo>
#include <vector>

#include "tools/modemsim/SimScenario.h"

namespace modemsim {

// Result codes and their numeric (V0) values.
enum class ResultCode {
    Ok = 0,
    Connect = 1,
    Ring = 2,
    NoCarrier = 3,
    Error = 4,
    NoDialtone = 6,
    Busy = 7,
    NoAnswer = 8,
};
// The verbose text of a result code ("OK", "NO CARRIER", ...).
const char* ResultText(ResultCode Code);

// What a handler leaves to the interpreter once it returns.
enum class Outcome {
    Ok,       // done: the rest of the line runs, and the line ends with OK
    Error,    // the line stops here and ends with ERROR
    Replied,  // the handler sent its final result itself (or wants none); the rest of the line is dropped
    Started,  // the handler started a Task; the rest of the line is dropped, the task sends the final result
};

// One extended command of a command line, as its handler sees it.
struct Command {
    std::string prefix;  // the registered prefix that matched, as registered: "+MTP"
    std::string text;    // the whole command as received: "+mtp=12"
    std::string args;    // what follows the prefix, as received: "=12"
    std::string line;    // the whole command line as received: "ATE0V1+mtp=12"
};

// A model that --model can select.
struct ModelInfo {
    std::string name;        // the --model value: "sportster"
    std::string family;      // whose handlers serve it: "3com", "elsa", "other", "silent"
    std::string modelReply;  // the reply line to AT#MDL? ("" answers ERROR)
    std::string productCode; // the reply to ATI0 (and ATI with no number)
    bool answers = true;     // false: the device never sends a byte
};

class Session;

using CommandHandler = std::function<Outcome(Session&, const Command&)>;
using SetupHook = std::function<void(Session&)>;

// Registration. Safe from static initialisers in any translation unit: the
// tables live in function-local statics, built on first use. Family names a
// family ("3com"), or a single model ("56k-pro"), or "" for every model.
// Among handlers with the same prefix, the model's own wins over its
// family's, and that over one for every model. The same prefix registered
// twice for the same target is a mistake: the simulator then refuses to
// start and names it. A prefix may also name a
// basic command ("I", "&B", "H"): its handler then replaces the core's.
void RegisterCommand(const std::string& Family, const std::string& Prefix, CommandHandler Handler);
// Runs once at start, after the options and the scenario are read, for
// sessions of that family or model ("" = every session), in registration
// order. A hook that throws ends the simulator with the exception's message.
void RegisterSetup(const std::string& Family, SetupHook Hook);
// An option the command line accepts: "--Name VALUE", "--Name=VALUE" or a bare
// "--Name" (value ""). Repeating an option keeps every value in order.
void RegisterOption(const std::string& Name, const std::string& Help);
// A model that --model can select; a later registration of a name replaces it.
void RegisterModel(const ModelInfo& Model);

// Runs its function once when constructed; for the static registrations.
struct Registration {
    explicit Registration(const std::function<void()>& Register) { Register(); }
};

// The parsed command line. Values keep their order; a name may repeat.
class Options {
public:
    void Add(const std::string& Name, const std::string& Value);
    bool Has(const std::string& Name) const;
    // The last value given, or Default when the option is absent.
    std::string Get(const std::string& Name, const std::string& Default = "") const;
    // As Get, read as a decimal integer; a value that is not one raises
    // std::invalid_argument naming the option.
    long long GetInt(const std::string& Name, long long Default) const;
    // Every value given, in order.
    std::vector<std::string> All(const std::string& Name) const;
    const std::map<std::string, std::vector<std::string>>& Values() const { return values_; }

private:
    std::map<std::string, std::vector<std::string>> values_;
};

// Something that takes more than one turn of the poll loop. While a task runs,
// every received byte goes to Session::Input() instead of the command
// interpreter; when it ends, the bytes it left there go back to the
// interpreter, as if they had just arrived.
class Task {
public:
    virtual ~Task() = default;
    // One turn; return false when the task has finished. It runs right after
    // Session::Start, whenever bytes came in, whenever the output queue has
    // drained completely, and when the time given to Session::WakeAfter has
    // come. Queue at most Session::Room() bytes per turn to keep memory bounded.
    virtual bool Step(Session& S) = 0;
};

// A family's own state, hung on the session (see Session::Extension).
class ExtensionState {
public:
    virtual ~ExtensionState() = default;
};

// The modem as the handlers see it: its settings, its output and its input.
class Session {
public:
    // How much a streaming task keeps queued ahead of the line.
    static constexpr std::size_t kStreamWindow = 4096;
    // Output beyond this much unsent is lost, as a modem's buffer overflows
    // when nobody reads the line.
    static constexpr std::size_t kOutputLimit = 16u << 20;
    // Received bytes beyond this much that a task has not taken are lost.
    static constexpr std::size_t kInputLimit = 1u << 20;

    Session(ModelInfo Model, Options Opts, Scenario Data);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // --- Settings kept by the basic commands.
    bool Echo() const { return echo_; }
    bool Verbose() const { return verbose_; }
    bool Quiet() const { return quiet_; }
    void SetEcho(bool On) { echo_ = On; }
    void SetVerbose(bool On) { verbose_ = On; }
    void SetQuiet(bool On) { quiet_ = On; }
    // S-registers 0 to 255, each a byte; an index outside raises ERangeError.
    uint8_t S(int Register) const;
    void SetS(int Register, uint8_t Value);
    // ATZ / AT&F: echo on, verbose, not quiet, S-registers at their defaults.
    void ResetSettings();

    const ModelInfo& Model() const { return model_; }
    const std::string& Family() const { return model_.family; }
    const Options& Opts() const { return options_; }
    const Scenario& ScenarioData() const { return scenario_; }
    const std::string& ScenarioPath() const { return scenario_.path; }

    // A family's state object of type T (derived from ExtensionState), made
    // with T's default constructor on first use and kept for the whole run.
    template <class T>
    T& Extension() {
        auto& slot = extensions_[std::type_index(typeid(T))];
        if (!slot) slot = std::make_unique<T>();
        return static_cast<T&>(*slot);
    }

    // --- Output. Everything goes out in order, throttled to the line speed
    // and through the fault injection (dropped bytes); nothing goes out at all
    // from a silent modem.
    void Send(std::string_view Bytes);
    // Information text framed as the modem frames it: verbose, CR LF before
    // the first line of a reply, then the text and CR LF; numeric, the text and
    // CR LF. Sent also under Q1.
    void Info(std::string_view Text);
    // A final result code: verbose CR LF, the text, CR LF (the leading CR LF
    // left out right after information text, whose CR LF serves); numeric the
    // digits and CR. Nothing under Q1. Ends the reply: the next Info starts a
    // new one with its CR LF.
    void Final(ResultCode Code);
    // Information text and OK: the usual reply of a query.
    void Reply(std::string_view Text);
    // The carrier is lost: NO CARRIER as a final result (the pseudo-terminal
    // has no DCD line to drop).
    void DropCarrier();
    // Bytes queued and not yet written to the line.
    std::size_t Pending() const { return output_.size(); }
    // How many more bytes a streaming task should queue now (0 when the
    // window is full; the task then runs again once the queue has drained).
    std::size_t Room() const;

    // --- Input for tasks: bytes received while a task runs, oldest first.
    // A task takes what it has used (erase from the front).
    std::string& Input() { return input_; }

    // --- Tasks. One at a time; Start while another runs raises std::logic_error.
    void Start(std::unique_ptr<Task> T);
    bool Busy() const { return task_ != nullptr; }
    // Step the running task again after Ms milliseconds (replaces an earlier wake).
    void WakeAfter(uint32_t Ms);
    // Milliseconds of the simulator's monotonic clock.
    uint64_t Now() const { return now_; }

    // A line of the transcript, written at once (the core writes every
    // received command line itself).
    void Note(std::string_view Line);

    // Sends Data and then the final result Code, Room() bytes at a time.
    void Stream(std::string Data, ResultCode Code);

private:
    friend class Engine;

    void Queue(std::string_view Bytes);  // through the faults, silent or not
    void SendCode(ResultCode Code);      // a result code, framed; the reply goes on

    ModelInfo model_;
    Options options_;
    Scenario scenario_;
    bool echo_ = true;
    bool verbose_ = true;
    bool quiet_ = false;
    bool silent_ = false;
    uint8_t sregs_[256];
    bool inReply_ = false;           // information text sent, no final result yet
    long long dropEvery_ = 0;        // fault: drop every n-th byte sent
    unsigned long long sentCount_ = 0;
    std::string output_;
    std::string input_;
    std::unique_ptr<Task> task_;
    bool stepNow_ = false;
    bool wakePending_ = false;
    uint64_t wakeAt_ = 0;
    std::size_t produced_ = 0;       // bytes handed to Send, dropped or not
    uint64_t now_ = 0;
    std::function<void(std::string_view)> transcript_;
    std::map<std::type_index, std::unique_ptr<ExtensionState>> extensions_;
};

}  // namespace modemsim
