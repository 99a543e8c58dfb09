// modemsim: plays a modem on a pseudo-terminal. One thread, one poll() loop:
// the line, the signals that end it, and the engine's timers.
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/modemsim/SimCommandLine.h"
#include "tools/modemsim/SimEngine.h"
#include "tools/modemsim/SimPty.h"

namespace modemsim {

namespace {

uint64_t NowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec) / 1000000;
}

// One line per received line, each written at once so that a reader sees it
// while the simulator runs and after it was killed.
class TranscriptFile {
public:
    explicit TranscriptFile(const std::string& Path) {
        if (Path.empty()) return;
        fd_ = ::open(Path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
        if (fd_ < 0) throw std::runtime_error("cannot write the transcript " + Path + ": " + std::strerror(errno));
    }
    ~TranscriptFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    TranscriptFile(const TranscriptFile&) = delete;
    TranscriptFile& operator=(const TranscriptFile&) = delete;

    void Write(std::string_view Line) {
        if (fd_ < 0) return;
        std::string text(Line);
        text += '\n';
        std::size_t done = 0;
        while (done < text.size()) {
            ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return;  // a full disk loses transcript lines, not the line
            done += static_cast<std::size_t>(n);
        }
    }

private:
    int fd_ = -1;
};

// SIGTERM, SIGINT and SIGHUP arrive as readable bytes on a descriptor, so the
// loop ends between two steps and the link is removed on the way out.
int TerminationSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&set, s);
    if (sigprocmask(SIG_BLOCK, &set, nullptr) != 0) throw std::runtime_error("sigprocmask failed");
    int fd = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd < 0) throw std::runtime_error(std::string("signalfd: ") + std::strerror(errno));
    return fd;
}

void ReadFromLine(Engine& E, int Master) {
    char buffer[4096];
    ssize_t n = ::read(Master, buffer, sizeof buffer);
    if (n > 0) E.Receive(std::string_view(buffer, static_cast<std::size_t>(n)), NowMs());
}

void WriteToLine(Engine& E, int Master) {
    uint64_t now = NowMs();
    std::size_t allowed = E.Writable(now);
    if (allowed == 0) return;
    ssize_t n = ::write(Master, E.Output().data(), allowed);
    if (n > 0) E.Written(static_cast<std::size_t>(n), now);
}

// How long a vanishing modem waits at most for its client to take the last
// bytes it sent, and how long the line must have held none of them.
constexpr uint64_t kDeliveryLimitMs = 2000;
constexpr uint64_t kDeliveryQuietMs = 100;

// Waits until the line has held no byte for its reader for kDeliveryQuietMs:
// the terminal layer passes written bytes on behind the reader's back, so
// one look at an empty line is not enough.
void AwaitReader(const PtyLine& Line) {
    const uint64_t start = NowMs();
    uint64_t heldAt = start;
    for (uint64_t now = start; now - start < kDeliveryLimitMs; now = NowMs()) {
        if (Line.Unread() > 0) heldAt = now;
        else if (now - heldAt >= kDeliveryQuietMs) return;
        ::poll(nullptr, 0, 2);
    }
}

// A modem unplugged says nothing more, tidies nothing up (the link stays,
// pointing nowhere) and is gone for its clients at once: the simulator dies
// as if killed hard. What it sent before has reached its client first, as a
// line carries its bytes while the reader takes them in: the kernel drops
// what the reader of a hung-up line has not read yet, so dying at once
// would leave it to the scheduler how much of them the client gets (on a
// busy machine, none).
void Vanish(const Engine& E, const PtyLine& Line) {
    if (!E.Vanishing()) return;
    if (E.VanishesAfterBytes()) AwaitReader(Line);
    ::raise(SIGKILL);
}

int Run(Engine& E, const PtyLine& Line, int Signals) {
    for (;;) {
        uint64_t now = NowMs();
        E.Service(now);
        Vanish(E, Line);
        uint64_t deadline = E.NextDeadline(now);
        int timeout = -1;
        if (deadline != Engine::kNever) timeout = deadline <= now ? 0 : static_cast<int>(std::min<uint64_t>(deadline - now, INT_MAX));
        pollfd fds[2] = {{Line.Master(), static_cast<short>(POLLIN | (E.Writable(now) > 0 ? POLLOUT : 0)), 0},
                         {Signals, POLLIN, 0}};
        if (::poll(fds, 2, timeout) < 0) {
            if (errno == EINTR) continue;
            throw std::runtime_error(std::string("poll: ") + std::strerror(errno));
        }
        if (fds[1].revents & POLLIN) return 0;
        if (fds[0].revents & POLLIN) ReadFromLine(E, Line.Master());
        if (fds[0].revents & POLLOUT) WriteToLine(E, Line.Master());
        Vanish(E, Line);
        // The simulator holds the slave itself, so a hang-up should not come;
        // if the line breaks anyway, end rather than spin on it.
        if ((fds[0].revents & (POLLHUP | POLLERR)) && !(fds[0].revents & POLLIN)) {
            std::fprintf(stderr, "modemsim: the line %s broke\n", Line.SlaveName().c_str());
            return 1;
        }
    }
}

int Main(const std::vector<std::string>& Args) {
    Options opts = ParseCommandLine(Args);
    if (opts.Has("help")) {
        std::fputs(Usage().c_str(), stdout);
        return 0;
    }
    if (opts.Get("link").empty()) throw UsageError("--link PATH is required");
    ModelInfo model = SelectModel(opts);
    Scenario scenario;
    if (opts.Has("scenario")) scenario = LoadScenario(opts.Get("scenario"));
    TranscriptFile transcript(opts.Get("transcript"));
    int signals = TerminationSignals();
    std::string link = opts.Get("link");
    Engine engine(std::move(model), std::move(opts), std::move(scenario),
                  [&transcript](std::string_view l) { transcript.Write(l); }, NowMs());
    // The link comes last: once it exists, the line answers.
    PtyLine line(link);
    int rc = Run(engine, line, signals);
    ::close(signals);
    return rc;
}

}  // namespace

}  // namespace modemsim

// Started by a test (MODEMSIM_PARENT holds its process number), the simulator
// ends with it: a killed test must not leave it behind holding the test's
// output. The signal arrives like any other SIGTERM and ends it cleanly.
static bool FollowParent() {
    const char* parent = std::getenv("MODEMSIM_PARENT");
    if (!parent || !*parent) return true;
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    return std::to_string(::getppid()) == parent;
}

int main(int argc, char** argv) {
    if (!FollowParent()) return 0;
    try {
        return modemsim::Main(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const modemsim::UsageError& e) {
        std::fprintf(stderr, "modemsim: %s\n(modemsim --help lists the options)\n", e.what());
        return 2;
    } catch (const std::invalid_argument& e) {  // an option value that is not a number
        std::fprintf(stderr, "modemsim: %s\n", e.what());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "modemsim: %s\n", e.what());
        return 1;
    }
}
