#include "fuzz/FuzzKit.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "platform/Ui.h"

namespace fuzz {

std::vector<std::string> SplitSession(std::string_view Data) {
    std::vector<std::string> pieces;
    for (;;) {
        const std::size_t mark = Data.find(kPieceMark);
        pieces.emplace_back(Data.substr(0, mark));
        if (mark == std::string_view::npos) return pieces;
        Data.remove_prefix(mark + kPieceMark.size());
    }
}

std::string JoinSession(const std::vector<std::string>& Pieces) {
    std::string out;
    for (std::size_t i = 0; i < Pieces.size(); ++i) {
        if (Pieces[i].find(kPieceMark) != std::string::npos)
            throw std::invalid_argument("a piece of a session holds the piece mark");
        if (i > 0) out += kPieceMark;
        out += Pieces[i];
    }
    return out;
}

SessionPort::SessionPort(std::string_view Data) {
    for (std::string& piece : SplitSession(Data)) pieces_.push_back(std::move(piece));
}

void SessionPort::NextPiece() {
    if (pieces_.empty()) return;
    input_.erase(0, taken_);
    taken_ = 0;
    input_ += pieces_.front();
    pieces_.pop_front();
}

bool SessionPort::Purge(bool input, bool) {
    if (input) {
        input_.clear();
        taken_ = 0;
    }
    return true;
}

bool SessionPort::QueueCounts(uint32_t& input, uint32_t& output) {
    input = static_cast<uint32_t>(std::min<std::size_t>(Waiting(), UINT32_MAX));
    output = 0;
    return true;
}

// Carrier and the other lines are off: a block receive does not wait for
// the call to end.
bool SessionPort::ModemStatus(uint8_t& lines) {
    lines = 0;
    return true;
}

bool SessionPort::Read(void* buffer, std::size_t count, std::size_t& got) {
    if (Waiting() == 0) NextPiece();
    got = std::min(count, Waiting());
    std::memcpy(buffer, input_.data() + taken_, got);
    taken_ += got;
    return true;
}

bool SessionPort::Write(const void* data, std::size_t count, std::size_t& written) {
    written_.append(static_cast<const char*>(data), count);
    written = count;
    NextPiece();
    return true;
}

bool SessionPort::WaitReadable(int) {
    if (Waiting() == 0) NextPiece();
    return Waiting() > 0;
}

bool SessionPort::Lost() { return Waiting() == 0 && pieces_.empty(); }

ScopedSessionPort::ScopedSessionPort(std::shared_ptr<SessionPort> Port, std::vector<std::string> Names) {
    std::vector<std::string> paths;
    for (const std::string& name : Names) paths.push_back(serial::DevicePath(name));
    previous_ = serial::SetPortFactory([port = std::move(Port), paths](const std::string& name) -> serial::PortPtr {
        const std::string path = serial::DevicePath(name);
        if (path.empty() || std::find(paths.begin(), paths.end(), path) == paths.end()) return nullptr;
        return port;
    });
}

ScopedSessionPort::~ScopedSessionPort() { serial::SetPortFactory(std::move(previous_)); }

ScopedSession::ScopedSession(const uint8_t* Data, std::size_t Size, const std::string& PortName)
    : port_((NewRun(), std::make_shared<SessionPort>(std::string_view(reinterpret_cast<const char*>(Data), Size)))),
      installed_(port_, {PortName}) {}

namespace {

// Kept to the very end of the process, past the static destructors, for
// the removal at exit.
const std::string* g_home = nullptr;

std::string MakeHome() {
    std::error_code ec;
    std::string base = std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : "";
    if (base.empty()) base = std::filesystem::temp_directory_path().string();
    std::string pattern = base + "/pellow-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make the fuzz home in " + base);
    const std::string home = pattern;
    g_home = new std::string(home);
    setenv("PELLOW_HOME", home.c_str(), 1);
    const struct {
        const char* variable;
        const char* folder;
    } xdg[] = {{"XDG_CONFIG_HOME", "/xdg"},
               {"XDG_CONFIG_DIRS", "/xdg-system"},
               {"XDG_DATA_HOME", "/xdg-data"},
               {"XDG_DATA_DIRS", "/xdg-system-data"}};
    for (const auto& x : xdg) {
        std::filesystem::create_directories(home + x.folder);
        setenv(x.variable, (home + x.folder).c_str(), 1);
    }
    setenv("HOME", home.c_str(), 1);
    setenv("TMPDIR", home.c_str(), 1);
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(*g_home, ignored);
    });
    ui::Install(std::make_unique<ui::ScriptedUi>());
    return home;
}

}  // namespace

const std::string& FuzzHome() {
    if (!g_home) MakeHome();
    return *g_home;
}

void NewRun() {
    FuzzHome();
    if (auto* scripted = dynamic_cast<ui::ScriptedUi*>(&ui::Current())) scripted->ClearPrompts();
}

}  // namespace fuzz
