#include "testkit/ModemSim.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "platform/Files.h"
#include "testkit/TestKit.h"

extern char** environ;

namespace testkit {

namespace {

namespace fs = std::filesystem;

// Whether Link names a line: a symbolic link to a device that exists.
bool LinkReady(const std::string& Link) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(Link, ec))) return false;
    return fs::exists(fs::status(Link, ec));
}

int StatusOf(int WaitStatus) {
    if (WIFEXITED(WaitStatus)) return WEXITSTATUS(WaitStatus);
    if (WIFSIGNALED(WaitStatus)) return 128 + WTERMSIG(WaitStatus);
    return -1;
}

}  // namespace

std::string PortLink(int Port) { return files::StateDir() + "/ports/COM" + std::to_string(Port); }

ModemSim::ModemSim(std::string Link, std::vector<std::string> Args)
    : link_(std::move(Link)), transcript_(link_ + ".transcript") {
    std::vector<std::string> argv = {BinDir() + "/modemsim", "--link", link_};
    auto own = std::find(Args.begin(), Args.end(), "--transcript");
    if (own != Args.end() && own + 1 != Args.end()) transcript_ = *(own + 1);
    else argv.insert(argv.end(), {"--transcript", transcript_});
    argv.insert(argv.end(), Args.begin(), Args.end());

    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(link_, ec))) fs::remove(link_, ec);
    fs::path folder = fs::path(link_).parent_path();
    if (!folder.empty()) fs::create_directories(folder, ec);

    std::vector<char*> raw;
    for (auto& a : argv) raw.push_back(a.data());
    raw.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The simulator must not hold the test's own descriptors (a client's end
    // of another line would keep that line from vanishing).
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    // The simulator ends with the test, also when the test is killed.
    std::vector<std::string> env = {"MODEMSIM_PARENT=" + std::to_string(::getpid())};
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "MODEMSIM_PARENT=", 16) != 0) env.emplace_back(*e);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    int rc = posix_spawn(&pid_, raw[0], &actions, nullptr, raw.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        pid_ = -1;
        throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(rc));
    }
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!LinkReady(link_)) {
        int ws = 0;
        if (waitpid(pid_, &ws, WNOHANG) == pid_) {
            pid_ = -1;
            status_ = StatusOf(ws);
            throw std::runtime_error("modemsim ended at start with status " + std::to_string(status_));
        }
        if (std::chrono::steady_clock::now() > until) {
            Kill();
            throw std::runtime_error("modemsim did not make its link " + link_);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

ModemSim::~ModemSim() {
    if (Running()) Stop();
}

int ModemSim::Reap() {
    int ws = 0;
    while (waitpid(pid_, &ws, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    status_ = StatusOf(ws);
    return status_;
}

int ModemSim::Stop() {
    if (!Running()) return status_;
    kill(pid_, SIGTERM);
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int ws = 0;
    while (std::chrono::steady_clock::now() < until) {
        pid_t r = waitpid(pid_, &ws, WNOHANG);
        if (r == pid_) {
            pid_ = -1;
            status_ = StatusOf(ws);
            return status_;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill(pid_, SIGKILL);
    return Reap();
}

void ModemSim::Kill() {
    if (!Running()) return;
    kill(pid_, SIGKILL);
    Reap();
}

std::vector<std::string> ModemSim::TranscriptLines() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(transcript_));
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

}  // namespace testkit
