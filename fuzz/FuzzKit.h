#pragma once
// What the fuzz targets share: the modem's side of a session as the fuzzer
// hands it over, played by a port of its own, and a private state directory.
//
// A session is what the modem sends, cut into pieces at kPieceMark. Each
// piece comes when the program writes to the port (a command line, a block
// receiver's NAK or ACK) or when it waits for bytes and none are there: a
// modem may send anything at any moment, so no input ever makes a target
// wait out a time-out. Once every piece is read the modem is gone, as a
// device that was pulled out, and every later read ends at once.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/Serial.h"

namespace fuzz {

inline constexpr std::string_view kPieceMark = "~~~~";

// The pieces of a session; a session without a mark is one piece.
std::vector<std::string> SplitSession(std::string_view Data);
// The session of these pieces (each must be free of the mark).
std::string JoinSession(const std::vector<std::string>& Pieces);

class SessionPort : public serial::Port {
public:
    explicit SessionPort(std::string_view Data);

    // Everything the program wrote, in order.
    const std::string& Written() const { return written_; }

    bool ApplySettings(const serial::LineSettings&) override { return true; }
    bool SetupQueues(uint32_t, uint32_t) override { return true; }
    bool SetTimeouts(const serial::Timeouts&) override { return true; }
    bool Purge(bool input, bool output) override;
    bool QueueCounts(uint32_t& input, uint32_t& output) override;
    bool ModemStatus(uint8_t& lines) override;
    bool Read(void* buffer, std::size_t count, std::size_t& got) override;
    bool Write(const void* data, std::size_t count, std::size_t& written) override;
    bool WaitReadable(int ms) override;
    bool WaitWritable(int) override { return !Lost(); }
    bool Lost() override;
    void Close() override {}

private:
    void NextPiece();
    std::size_t Waiting() const { return input_.size() - taken_; }

    std::deque<std::string> pieces_;
    std::string input_;  // sent; its first taken_ bytes have been read
    std::size_t taken_ = 0;
    std::string written_;
};

// Installs a port factory for the run: the port names in Names (matched as
// the programs pass them, "COM1", "\\.\COM1", ...) open Port, every other
// name opens nothing. Each open hands out the same port, so a program that
// closes and opens it again goes on in the same session.
class ScopedSessionPort {
public:
    ScopedSessionPort(std::shared_ptr<SessionPort> Port, std::vector<std::string> Names);
    ~ScopedSessionPort();
    ScopedSessionPort(const ScopedSessionPort&) = delete;
    ScopedSessionPort& operator=(const ScopedSessionPort&) = delete;

private:
    serial::PortFactory previous_;
};

// One input of a session target: a fresh run, the session's port under
// the name the program opens.
class ScopedSession {
public:
    ScopedSession(const uint8_t* Data, std::size_t Size, const std::string& PortName);
    SessionPort& Port() { return *port_; }

private:
    std::shared_ptr<SessionPort> port_;
    ScopedSessionPort installed_;
};

// Once per process: a fresh state directory (on a memory file system where
// there is one, since the registry syncs each write) with private XDG
// folders, removed at exit, and the scripted user interface in place of
// dialogs. Returns the directory.
const std::string& FuzzHome();
// Before each input: the prompts of the last one forgotten.
void NewRun();

// Runs Body; an exception of the system's own classes (the failures that the
// programs report to the user and go on from) ends it quietly. Anything else
// escapes and is a finding.
template <typename TBody>
void Tolerate(TBody&& Body) {
    try {
        Body();
    } catch (const Exception&) {
    }
}

}  // namespace fuzz
