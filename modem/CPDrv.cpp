#include "modem/CPDrv.h"

#include <QAbstractEventDispatcher>
#include <QTimer>
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>

#include "platform/App.h"
#include "platform/Checked.h"
#include "platform/Clock.h"
#include "platform/StrUtils.h"

namespace {

constexpr std::array<uint32_t, 15> kBaudTable = {110,   300,   600,   1200,   2400,   4800,   9600,  14400,
                                                 19200, 38400, 56000, 57600, 115200, 128000, 256000};
constexpr uint32_t kMinBufSize = 128;
constexpr uint32_t kMaxBufSize = 8192;
constexpr uint16_t kMinPollingDelay = 5;
constexpr uint32_t kClosedCount = 65535;

// Reads pump pending messages every 5e-7 day. A monotonic clock measures it,
// so neither midnight nor a change of the wall clock stops the pumping.
using PumpClock = std::chrono::steady_clock;
constexpr auto kPumpPeriod = std::chrono::microseconds(43200);

int MsCeil(PumpClock::duration d) {
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(d).count();
    return us <= 0 ? 0 : static_cast<int>((us + 999) / 1000);
}

int ClampMs(int64_t ms) { return static_cast<int>(std::clamp<int64_t>(ms, 0, 0x7FFFFFFF)); }

// Ticks since Start on the wrapping 32-bit tick count.
uint32_t TicksSince(uint32_t Start) { return GetTickCount() - Start; }

}  // namespace

std::string GetPlatformTag() { return ""; }

uint32_t GetOSVersion() {
    const std::string release = app::SystemRelease();
    const auto dot = release.find('.');
    if (dot == std::string::npos) return 0;
    const auto end = release.find_first_not_of("0123456789", dot + 1);
    const int major = StrToIntDef(release.substr(0, dot), -1);
    const int minor = StrToIntDef(release.substr(dot + 1, end - dot - 1), -1);
    if (major < 0 || minor < 0 || major > 0x7FFF || minor > 0xFFFF) return 0;
    return static_cast<uint32_t>(major) * 65536u + static_cast<uint32_t>(minor);
}

uint32_t BaudOf(TBaudRate BaudRate) {
    if (BaudRate == brCustom) return 0;
    return At(kBaudTable, static_cast<int>(BaudRate) - 1);
}

uint32_t PacketMs(TBaudRate BaudRate, uint32_t Bytes) { return PacketMsAt(BaudOf(BaudRate), Bytes); }

uint32_t PacketMsAt(uint32_t BaudValue, uint32_t Bytes) {
    if (BaudValue == 0) return 0;  // no known rate: no line time to credit
    const double ms = std::nearbyint(Bytes / (BaudValue / 10.0) * 1000.0);
    if (ms > 4294967295.0) throw EIntOverflow();
    return static_cast<uint32_t>(ms);
}

TCommPortDriver::TCommPortDriver(QObject* Owner)
    : QObject(Owner), NotifyWnd(new QTimer(this)), InBuffer(FInBufSize, 0) {
    QObject::connect(NotifyWnd, &QTimer::timeout, this, [this] { app::Guarded([this] { TimerWndProc(); }); });
}

TCommPortDriver::~TCommPortDriver() { Disconnect(); }

void TCommPortDriver::SetPort(TPortNumber Value) {
    if (Connected()) return;
    FPort = Value;
    if (Value != pnCustom) FPortName = "\\\\.\\COM" + std::to_string(static_cast<int>(Value));
}

void TCommPortDriver::SetPortName(const std::string& Value) {
    if (Connected()) return;
    FPortName = Value;
    FPort = pnCustom;
}

void TCommPortDriver::SetBaudRate(TBaudRate Value) {
    const uint32_t value = BaudOf(Value);
    FBaudRate = Value;
    if (Value != brCustom) FBaudRateValue = value;
    ReapplyWhenOpen();
}

void TCommPortDriver::SetBaudRateValue(uint32_t Value) {
    FBaudRateValue = Value;
    FBaudRate = brCustom;
    ReapplyWhenOpen();
}

void TCommPortDriver::SetDataBits(TDataBits Value) {
    FDataBits = Value;
    ReapplyWhenOpen();
}

void TCommPortDriver::SetStopBits(TStopBits Value) {
    FStopBits = Value;
    ReapplyWhenOpen();
}

void TCommPortDriver::SetParity(TParity Value) {
    FParity = Value;
    ReapplyWhenOpen();
}

void TCommPortDriver::SetHwFlow(THwFlowControl Value) {
    FHwFlow = Value;
    ReapplyWhenOpen();
}

void TCommPortDriver::SetSwFlow(TSwFlowControl Value) {
    FSwFlow = Value;
    ReapplyWhenOpen();
}

void TCommPortDriver::SetInBufSize(uint32_t Value) {
    if (Connected()) return;
    FInBufSize = std::clamp(Value, kMinBufSize, kMaxBufSize);
    InBuffer.assign(FInBufSize, 0);
    SetPacketSize(FPacketSize);
}

void TCommPortDriver::SetOutBufSize(uint32_t Value) {
    if (Connected()) return;
    FOutBufSize = std::clamp(Value, kMinBufSize, kMaxBufSize);
}

// A packet never exceeds the largest receive buffer, and while the port is
// open the buffer cannot grow, so the packet is held to the buffer there.
void TCommPortDriver::SetPacketSize(int16_t Value) {
    if (Value <= 0) {
        FPacketSize = -1;
        return;
    }
    FPacketSize = static_cast<int16_t>(std::min<uint32_t>(static_cast<uint32_t>(Value), kMaxBufSize));
    if (static_cast<uint32_t>(FPacketSize) <= FInBufSize) return;
    if (Connected()) FPacketSize = static_cast<int16_t>(FInBufSize);
    else SetInBufSize(static_cast<uint32_t>(FPacketSize));
}

void TCommPortDriver::SetPacketTimeout(int32_t Value) {
    if (Value <= 0) FPacketTimeout = -1;
    else if (Value < FPollingDelay) FPacketTimeout = FPollingDelay + FPollingDelay * 40 / 100;
    else FPacketTimeout = Value;
}

void TCommPortDriver::SetPollingDelay(uint16_t Value) {
    const uint16_t value = std::max(Value, kMinPollingDelay);
    if (value == FPollingDelay) return;
    FPollingDelay = value;
    if (Connected() && NotifyWnd->isActive()) {
        NotifyWnd->stop();
        NotifyWnd->start(FPollingDelay);
    }
    SetPacketTimeout(FPacketTimeout);
}

void TCommPortDriver::ReapplyWhenOpen() {
    if (Connected()) ApplySettings();
}

bool TCommPortDriver::Connect() {
    if (Connected()) return true;
    PortHandle = serial::OpenPort(FPortName);
    if (!PortHandle) return false;
    if (!ApplySettings()) {
        Disconnect();
        return false;
    }
    // Reads and writes come back at once; the loops below do all the waiting.
    serial::Timeouts t;
    t.readInterval = 1;
    t.readTotalConstant = 1;
    t.writeTotalConstant = 1;
    PortHandle->SetTimeouts(t);
    // The polling timer only runs where messages are processed at all.
    if (QAbstractEventDispatcher::instance()) NotifyWnd->start(FPollingDelay);
    return true;
}

bool TCommPortDriver::PortLost() const { return Connected() && PortHandle->Lost(); }

void TCommPortDriver::Disconnect() {
    if (!Connected()) return;
    NotifyWnd->stop();
    PortHandle->Close();
    PortHandle.reset();
}

serial::LineSettings TCommPortDriver::MakeLineSettings() const {
    serial::LineSettings s;
    s.baudRate = FBaudRateValue;
    s.dtrOn = FEnableDTROnOpen;
    s.rts = FHwFlow == hfNONE ? serial::LineControl::Off
            : FHwFlow == hfRTSCTS ? serial::LineControl::Handshake
                                  : serial::LineControl::On;
    s.ctsOutputFlow = FHwFlow == hfRTSCTS;
    s.xonXoffOutput = s.xonXoffInput = FSwFlow == sfXONXOFF;
    uint32_t limit = FInBufSize / 4;
    if (GetPlatformTag() == "WNT" && GetOSVersion() >= 0x40000) limit = std::min<uint32_t>(limit, 4096);
    s.xonLimit = s.xoffLimit = limit;
    s.dataBits = static_cast<int>(FDataBits) + 5;
    static constexpr std::array kParities = {serial::Parity::None, serial::Parity::Odd, serial::Parity::Even,
                                             serial::Parity::Mark, serial::Parity::Space};
    static constexpr std::array kStops = {serial::StopBits::One, serial::StopBits::OneAndHalf,
                                          serial::StopBits::Two};
    s.parity = At(kParities, static_cast<int>(FParity));
    s.stopBits = At(kStops, static_cast<int>(FStopBits));
    s.xonChar = 17;
    s.xoffChar = 19;
    return s;
}

bool TCommPortDriver::ApplySettings() {
    if (!Connected()) return false;
    return PortHandle->ApplySettings(MakeLineSettings()) && PurgeBuffers(true, true) &&
           PortHandle->SetupQueues(FInBufSize, FOutBufSize);
}

uint8_t TCommPortDriver::GetLineStatus() {
    uint8_t lines = 0;
    if (!Connected() || !PortHandle->ModemStatus(lines)) return 0;
    return lines;
}

bool TCommPortDriver::PurgeBuffers(bool Input, bool Output) {
    if (!Connected() || !PortHandle->Purge(Input, Output)) return false;
    PacketStart = -1;
    return true;
}

uint32_t TCommPortDriver::InputCount() {
    if (!Connected()) return kClosedCount;
    uint32_t in = 0, out = 0;
    return PortHandle->QueueCounts(in, out) ? in : 0;
}

uint16_t TCommPortDriver::OutputFree() {
    if (!Connected()) return kClosedCount;
    uint32_t in = 0, out = 0;
    if (!PortHandle->QueueCounts(in, out)) return 0;
    return static_cast<uint16_t>(out >= FOutBufSize ? 0 : FOutBufSize - out);
}

uint32_t TCommPortDriver::SendDataTimeout(const void* Data, uint32_t Count, uint32_t TimeoutMs) {
    if (!Connected()) return 0;
    const auto* next = static_cast<const uint8_t*>(Data);
    uint32_t written = 0;
    uint32_t start = GetTickCount();
    while (written < Count) {
        const uint16_t free = OutputFree();
        if (free > 0) {
            if (FCheckLineStatus && GetLineStatus() == 0) return written;
            std::size_t n = 0;
            PortHandle->Write(next, std::min<uint32_t>(Count - written, free), n);
            if (n >= 1) {
                written += static_cast<uint32_t>(n);
                next += n;
                start = LineActivity = GetTickCount();
                continue;
            }
        }
        if (PortHandle->Lost() || WaitsAbortedFlag) return written;
        const uint32_t elapsed = TicksSince(start);
        if (elapsed > TimeoutMs) return written;
        PortHandle->WaitWritable(ClampMs(int64_t{TimeoutMs} - elapsed + 1));
    }
    return written;
}

uint32_t TCommPortDriver::SendData(const void* Data, uint32_t Count) {
    return SendDataTimeout(Data, Count, FOutputTimeout);
}

bool TCommPortDriver::SendByte(uint8_t Value) { return SendData(&Value, 1) == 1; }

bool TCommPortDriver::SendString(const std::string& Text) {
    const uint32_t count = CheckedCast<uint32_t>(Text.size());
    return SendData(Text.data(), count) == count;
}

uint32_t TCommPortDriver::ReadWaiting(uint32_t Count, void* Buffer) {
    std::size_t got = 0;
    PortHandle->Read(Buffer, Count, got);
    return static_cast<uint32_t>(got);
}

uint32_t TCommPortDriver::ReadData(void* Buffer, uint32_t Count) {
    if (!Connected()) return 0;
    SuspendPolling();
    struct Resume {
        TCommPortDriver* driver;
        ~Resume() { driver->ResumePolling(); }
    } resume{this};
    auto* next = static_cast<uint8_t*>(Buffer);
    uint32_t total = 0;
    uint32_t start = GetTickCount();
    auto pumpMark = PumpClock::now() + kPumpPeriod;
    while (total < Count && !WaitsAbortedFlag) {
        if (PumpClock::now() - pumpMark >= kPumpPeriod) {
            pumpMark = PumpClock::now();
            app::ProcessMessages();
            // A handler run by the pump may have closed the port, or asked
            // that nothing wait any longer.
            if (!Connected() || WaitsAbortedFlag) break;
        }
        const uint32_t waiting = InputCount();
        if (waiting > 0) {
            const uint32_t n = ReadWaiting(std::min(Count - total, waiting), next);
            if (n > 0) {
                total += n;
                ReadCount = total;
                next += n;
                start = LineActivity = GetTickCount();
                continue;
            }
        }
        // Nothing more comes from a device that has gone away.
        if (PortHandle->Lost()) break;
        const uint32_t elapsed = TicksSince(start);
        if (elapsed > FInputTimeout) break;
        // Sleep in poll() until bytes come, the time-out is over or the next pump is due.
        const int untilTimeout = ClampMs(int64_t{FInputTimeout} - elapsed + 1);
        const int untilPump = MsCeil(pumpMark + kPumpPeriod - PumpClock::now());
        PortHandle->WaitReadable(std::min(untilTimeout, untilPump));
    }
    return total;
}

void TCommPortDriver::DrainInput(uint32_t QuietMs, uint32_t LimitMs) {
    if (!Connected()) return;
    SuspendPolling();
    struct Resume {
        TCommPortDriver* driver;
        ~Resume() { driver->ResumePolling(); }
    } resume{this};
    const uint32_t start = GetTickCount();
    std::array<uint8_t, 256> dropped{};
    while (!PortHandle->Lost() && TicksSince(start) < LimitMs) {
        const uint32_t waiting = InputCount();
        if (waiting > 0 && ReadWaiting(std::min<uint32_t>(waiting, dropped.size()), dropped.data()) > 0) {
            LineActivity = GetTickCount();
            continue;
        }
        const uint32_t quiet = TicksSince(LineActivity);
        if (quiet >= QuietMs) return;
        PortHandle->WaitReadable(ClampMs(std::min<int64_t>(QuietMs - quiet, int64_t{LimitMs} - TicksSince(start))));
    }
}

bool TCommPortDriver::ReadByte(uint8_t& Value) {
    uint8_t b = 0;
    if (ReadData(&b, 1) != 1) return false;
    Value = b;
    return true;
}

void TCommPortDriver::TimerWndProc() {
    if (!Connected() || PollingPause > 0) return;
    const uint32_t waiting = InputCount();
    if (FPacketSize > 0) {
        PollPackets(waiting);
        return;
    }
    if (waiting == 0) return;
    // More than the buffer holds is taken over several ticks, never past its end.
    const uint32_t n = ReadWaiting(std::min<uint32_t>(waiting, static_cast<uint32_t>(InBuffer.size())), InBuffer.data());
    if (n > 0 && OnReceiveData) OnReceiveData(this, InBuffer.data(), n);
}

void TCommPortDriver::PollPackets(uint32_t Waiting) {
    const auto size = static_cast<uint32_t>(FPacketSize);
    const uint32_t now = GetTickCount();
    if (Waiting < size) {
        if (FPacketTimeout > 0 && PacketStart != -1 &&
            static_cast<int32_t>(now - static_cast<uint32_t>(PacketStart)) > FPacketTimeout) {
            const uint32_t n = ReadWaiting(Waiting, InBuffer.data());
            if (n > 0 && FPacketMode == pmPass && OnReceivePacket) OnReceivePacket(this, InBuffer.data(), n);
            PacketStart = -1;
        } else if (Waiting > 0 && PacketStart == -1) {
            PacketStart = now;
        }
        return;
    }
    while (Waiting >= size && Connected()) {
        if (ReadWaiting(size, InBuffer.data()) < size) return;  // the device failed
        if (OnReceivePacket) OnReceivePacket(this, InBuffer.data(), size);
        // The rest began to arrive one packet's line time after this packet.
        const uint32_t base = PacketStart == -1 ? now : static_cast<uint32_t>(PacketStart);
        PacketStart = static_cast<uint32_t>(base + PacketMsAt(FBaudRateValue, size));
        Waiting -= size;
        if (Waiting == 0) PacketStart = -1;
    }
}
