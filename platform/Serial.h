#pragma once
// Serial ports as the programs use them: opened by name, held exclusively,
// set up with line settings, read and written within time-out limits that
// wait in poll() instead of spinning. A port is reached through the abstract
// Port, so the driver above can run on a real terminal device or on the
// scripted FakePort of the tests.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace serial {

enum class Parity { None, Odd, Even, Mark, Space };
enum class StopBits { One, OneAndHalf, Two };
// How an output line is driven: held off, held on, or by the flow control.
enum class LineControl { Off, On, Handshake };

struct LineSettings {
    uint32_t baudRate = 9600;
    int dataBits = 8;  // 5 to 8
    Parity parity = Parity::None;
    StopBits stopBits = StopBits::One;
    bool ctsOutputFlow = false;  // hold our output while CTS is off
    LineControl rts = LineControl::On;
    bool dtrOn = true;
    bool xonXoffOutput = false;  // stop sending when the other side sends XOFF
    bool xonXoffInput = false;   // send XOFF when our input fills up
    // The fill levels for XON/XOFF; the kernel's terminal layer uses its own
    // and ignores these.
    uint32_t xonLimit = 0;
    uint32_t xoffLimit = 0;
    uint8_t xonChar = 17;
    uint8_t xoffChar = 19;
    bool operator==(const LineSettings&) const = default;
};

// The terminal settings (as the kernel's termios2 holds them) that line
// settings come to; the devices get these.
struct TerminalFlags {
    uint32_t iflag = 0;
    uint32_t oflag = 0;
    uint32_t cflag = 0;
    uint32_t lflag = 0;
    uint32_t speed = 0;
    uint8_t startChar = 0;
    uint8_t stopChar = 0;
};
TerminalFlags MakeTerminalFlags(const LineSettings& settings);

// Read and write limits in milliseconds. A read ends when Count bytes came,
// when `readTotalMultiplier` * Count + `readTotalConstant` ms have passed
// (both 0: no total limit), or when more than `readInterval` ms pass between
// two bytes after the first (0: no gap limit). `readInterval` kReturnAtOnce
// with both totals 0 returns what is waiting. Writes likewise with their total.
struct Timeouts {
    static constexpr uint32_t kReturnAtOnce = 0xFFFFFFFFu;
    uint32_t readInterval = 0;
    uint32_t readTotalMultiplier = 0;
    uint32_t readTotalConstant = 0;
    uint32_t writeTotalMultiplier = 0;
    uint32_t writeTotalConstant = 0;
    bool operator==(const Timeouts&) const = default;
};

// Modem status lines as reported by ModemStatus.
enum StatusLine : uint8_t { LineCts = 1, LineDsr = 2, LineRing = 4, LineDcd = 8 };

class Port {
public:
    virtual ~Port() = default;
    virtual bool ApplySettings(const LineSettings& settings) = 0;
    // The queue sizes the caller means to use; the kernel's queues are fixed,
    // so this only checks them.
    virtual bool SetupQueues(uint32_t inSize, uint32_t outSize) = 0;
    virtual bool SetTimeouts(const Timeouts& timeouts) = 0;
    // Drops what waits in the chosen directions.
    virtual bool Purge(bool input, bool output) = 0;
    // Bytes waiting to be read and bytes not yet sent.
    virtual bool QueueCounts(uint32_t& input, uint32_t& output) = 0;
    // The StatusLine bits; a device that cannot report them gives 0 and True.
    virtual bool ModemStatus(uint8_t& lines) = 0;
    // Reads up to Count bytes within the read limits; False when the device failed.
    virtual bool Read(void* buffer, std::size_t count, std::size_t& got) = 0;
    virtual bool Write(const void* data, std::size_t count, std::size_t& written) = 0;
    // Waits until input waits or Ms pass. True when input waits. On a device
    // that has gone away it returns False at once: a caller that loops on it
    // asks Lost() and stops.
    virtual bool WaitReadable(int ms) = 0;
    // Waits until the port can take output or Ms pass; False at once on a
    // device that has gone away.
    virtual bool WaitWritable(int ms) = 0;
    // Whether the device has gone away under its open port (a USB adapter
    // pulled, the other end of a pseudo-terminal closed): it then never
    // comes back on this descriptor, every call fails and no wait waits.
    // The port is still to be closed; opening the name again may find the
    // device back.
    virtual bool Lost() = 0;
    virtual void Close() = 0;
};

using PortPtr = std::shared_ptr<Port>;

// The device path of a port name: "COMn" and "\\.\COMn" (any letter case)
// mean the link <state dir>/ports/COMn when it exists, else /dev/ttyS(n-1); a
// name with "/" is a path. Empty for any other name.
std::string DevicePath(const std::string& name);

// Opens a port by name for this process alone (another open of the same
// device, in this or another process, fails until it is closed). Null when
// the name means nothing, the device cannot be opened, is not a terminal or
// is held. Goes through the factory when one is installed.
PortPtr OpenPort(const std::string& name);

// OpenPort without the factory: the device itself, for a factory that
// wraps the real ports (the benchmarks count the bytes that cross the line).
PortPtr OpenDevicePort(const std::string& name);

// A factory replaces the opening of devices (tests hand out FakePorts).
using PortFactory = std::function<PortPtr(const std::string& name)>;
PortFactory SetPortFactory(PortFactory factory);  // returns the previous one

class ScopedPortFactory {
public:
    explicit ScopedPortFactory(PortFactory factory) : previous_(SetPortFactory(std::move(factory))) {}
    ~ScopedPortFactory() { SetPortFactory(std::move(previous_)); }
    ScopedPortFactory(const ScopedPortFactory&) = delete;
    ScopedPortFactory& operator=(const ScopedPortFactory&) = delete;

private:
    PortFactory previous_;
};

// A port that plays back scripted input bytes and status lines and records
// what is written and set, for tests that need what a pseudo-terminal cannot
// show (DSR, CTS, RING, DCD, a full output queue, failing calls). Input can
// be fed from another thread; a waiting read wakes at once.
class FakePort : public Port {
public:
    // Makes Bytes readable after DelayMs from now.
    void Feed(const std::string& bytes, int delayMs = 0);
    void SetLines(uint8_t lines);
    // How many written bytes the port takes before its output stays full.
    void SetOutputRoom(std::size_t room);
    // What the port reports as not yet sent.
    void SetOutputQueued(uint32_t bytes);
    // The device goes away: every call fails from now on, waits return at
    // once and Lost() is True.
    void Vanish();
    // Plays the other side: each line written (up to its CR, LF left out) is
    // handed to Responder, and what it returns becomes readable at once. It
    // runs inside the port's lock and must not call the port.
    void SetResponder(std::function<std::string(const std::string& line)> responder);

    bool failApply = false;
    bool failSetup = false;
    bool failPurge = false;
    bool failStatus = false;

    std::string Written() const;
    LineSettings Settings() const;
    serial::Timeouts TimeoutsSet() const;
    uint32_t InQueueSize() const;
    uint32_t OutQueueSize() const;
    int ApplyCount() const;
    int PurgeCount() const;
    bool Closed() const;
    // Bytes fed and not yet due or read.
    std::size_t Pending() const;

    bool ApplySettings(const LineSettings& settings) override;
    bool SetupQueues(uint32_t inSize, uint32_t outSize) override;
    bool SetTimeouts(const serial::Timeouts& timeouts) override;
    bool Purge(bool input, bool output) override;
    bool QueueCounts(uint32_t& input, uint32_t& output) override;
    bool ModemStatus(uint8_t& lines) override;
    bool Read(void* buffer, std::size_t count, std::size_t& got) override;
    bool Write(const void* data, std::size_t count, std::size_t& written) override;
    bool WaitReadable(int ms) override;
    bool WaitWritable(int ms) override;
    bool Lost() override;
    void Close() override;

private:
    using Clock = std::chrono::steady_clock;
    struct Chunk {
        Clock::time_point due;
        std::string bytes;
        std::size_t taken = 0;  // bytes already read from the front
        std::size_t Left() const { return bytes.size() - taken; }
    };
    std::size_t DueCount() const;  // lock held
    std::string TakeDue(std::size_t count);  // lock held
    void Answer(std::string_view bytes);      // lock held

    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::deque<Chunk> input_;
    std::string written_;
    std::function<std::string(const std::string&)> responder_;
    std::string lineSoFar_;
    std::size_t outputRoom_ = SIZE_MAX;
    uint32_t outputQueued_ = 0;
    uint8_t lines_ = 0;
    bool vanished_ = false;
    bool closed_ = false;
    LineSettings settings_;
    serial::Timeouts timeouts_;
    uint32_t inQueue_ = 0;
    uint32_t outQueue_ = 0;
    int applyCount_ = 0;
    int purgeCount_ = 0;
};

}  // namespace serial
