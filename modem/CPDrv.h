#pragma once
// TCommPortDriver: the serial port component under the AT command channel.
// It turns its properties into the port's line settings, sends and reads with
// a time-out on lack of progress (reads keep the window alive by processing
// pending messages every 43.2 ms), and polls the port between reads from a
// timer that drops or hands on what it finds.
#include <QObject>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Serial.h"

class QTimer;

enum TPortNumber {
    pnCustom, pnCOM1, pnCOM2, pnCOM3, pnCOM4, pnCOM5, pnCOM6, pnCOM7, pnCOM8,
    pnCOM9, pnCOM10, pnCOM11, pnCOM12, pnCOM13, pnCOM14, pnCOM15, pnCOM16
};
enum TBaudRate {
    brCustom, br110, br300, br600, br1200, br2400, br4800, br9600, br14400,
    br19200, br38400, br56000, br57600, br115200, br128000, br256000
};
enum TDataBits { db5BITS, db6BITS, db7BITS, db8BITS };
enum TStopBits { sb1BITS, sb1HALFBITS, sb2BITS };
enum TParity { ptNONE, ptODD, ptEVEN, ptMARK, ptSPACE };
enum THwFlowControl { hfNONE, hfNONERTSON, hfRTSCTS };
enum TSwFlowControl { sfNONE, sfXONXOFF };
enum TPacketMode { pmDiscard, pmPass };

class TCommPortDriver;
using TReceiveDataEvent = std::function<void(TCommPortDriver* Sender, const void* DataPtr, uint32_t DataSize)>;
using TReceivePacketEvent = std::function<void(TCommPortDriver* Sender, const void* Packet, uint32_t DataSize)>;

// Text of the running platform as the Windows version call named it: "W32S",
// "W95", "WNT"; empty on any other platform, which this one is.
std::string GetPlatformTag();
// Major version * 65536 + minor version of the running system; 0 when unknown.
uint32_t GetOSVersion();
// The baud table value of a rate, 0 for brCustom; ERangeError beyond the table.
uint32_t BaudOf(TBaudRate BaudRate);
// Milliseconds that Bytes take on the line at 10 bits per byte, rounded.
// The table has no value for brCustom, so it gives 0 there; PacketMsAt takes
// the actual rate.
uint32_t PacketMs(TBaudRate BaudRate, uint32_t Bytes);
uint32_t PacketMsAt(uint32_t BaudValue, uint32_t Bytes);

class TCommPortDriver : public QObject {
public:
    explicit TCommPortDriver(QObject* Owner = nullptr);
    ~TCommPortDriver() override;
    TCommPortDriver(const TCommPortDriver&) = delete;
    TCommPortDriver& operator=(const TCommPortDriver&) = delete;

    // Properties.
    TPortNumber Port() const { return FPort; }
    void SetPort(TPortNumber Value);
    const std::string& PortName() const { return FPortName; }
    void SetPortName(const std::string& Value);
    TBaudRate BaudRate() const { return FBaudRate; }
    void SetBaudRate(TBaudRate Value);
    uint32_t BaudRateValue() const { return FBaudRateValue; }
    void SetBaudRateValue(uint32_t Value);
    TDataBits DataBits() const { return FDataBits; }
    void SetDataBits(TDataBits Value);
    TStopBits StopBits() const { return FStopBits; }
    void SetStopBits(TStopBits Value);
    TParity Parity() const { return FParity; }
    void SetParity(TParity Value);
    THwFlowControl HwFlow() const { return FHwFlow; }
    void SetHwFlow(THwFlowControl Value);
    TSwFlowControl SwFlow() const { return FSwFlow; }
    void SetSwFlow(TSwFlowControl Value);
    uint32_t InBufSize() const { return FInBufSize; }
    void SetInBufSize(uint32_t Value);
    uint32_t OutBufSize() const { return FOutBufSize; }
    void SetOutBufSize(uint32_t Value);
    int16_t PacketSize() const { return FPacketSize; }
    void SetPacketSize(int16_t Value);
    int32_t PacketTimeout() const { return FPacketTimeout; }
    void SetPacketTimeout(int32_t Value);
    TPacketMode PacketMode() const { return FPacketMode; }
    void SetPacketMode(TPacketMode Value) { FPacketMode = Value; }
    uint16_t PollingDelay() const { return FPollingDelay; }
    void SetPollingDelay(uint16_t Value);
    bool EnableDTROnOpen() const { return FEnableDTROnOpen; }
    void SetEnableDTROnOpen(bool Value) { FEnableDTROnOpen = Value; }
    uint16_t OutputTimeout() const { return FOutputTimeout; }
    void SetOutputTimeout(uint16_t Value) { FOutputTimeout = Value; }
    uint32_t InputTimeout() const { return FInputTimeout; }
    void SetInputTimeout(uint32_t Value) { FInputTimeout = Value; }
    bool CheckLineStatus() const { return FCheckLineStatus; }
    void SetCheckLineStatus(bool Value) { FCheckLineStatus = Value; }
    TReceiveDataEvent OnReceiveData;
    TReceivePacketEvent OnReceivePacket;

    bool Connect();
    void Disconnect();
    bool Connected() const { return PortHandle != nullptr; }
    // The device has gone away under the open port (unplugged, its far end
    // closed): reads and sends then end at once instead of waiting out their
    // time-outs; the port is to be closed and may be opened again by name.
    bool PortLost() const;
    bool ApplySettings();
    // Bits 1 CTS, 2 DSR, 4 RING, 8 DCD; 0 when closed or unknown.
    uint8_t GetLineStatus();
    void SuspendPolling() { ++PollingPause; }
    void ResumePolling() { --PollingPause; }
    bool PurgeBuffers(bool Input, bool Output);
    uint32_t InputCount();   // 65535 when closed
    uint16_t OutputFree();   // 65535 when closed
    uint32_t SendDataTimeout(const void* Data, uint32_t Count, uint32_t TimeoutMs);
    uint32_t SendData(const void* Data, uint32_t Count);
    bool SendByte(uint8_t Value);
    bool SendString(const std::string& Text);
    uint32_t ReadData(void* Buffer, uint32_t Count);
    // Reads and drops what comes in until the line has been quiet for QuietMs
    // since its last byte in either direction, for at most LimitMs in all.
    // Like a send, it processes no messages.
    void DrainInput(uint32_t QuietMs, uint32_t LimitMs);
    bool ReadByte(uint8_t& Value);
    uint32_t LastReadCount() const { return ReadCount; }
    // The tick of the last byte that a read took or a send gave out (0 before any).
    uint32_t LastLineActivity() const { return LineActivity; }
    // Ends the waits of reads and sends at once, the one running (at its next
    // message pump) and every later one, until ResumeWaits: the program is
    // to close, and nothing may keep it waiting for the modem. Sends still
    // give out what the port takes without waiting.
    void AbortWaits() { WaitsAbortedFlag = true; }
    void ResumeWaits() { WaitsAbortedFlag = false; }
    bool WaitsAborted() const { return WaitsAbortedFlag; }
    // One tick of the polling timer.
    void TimerWndProc();

private:
    serial::LineSettings MakeLineSettings() const;
    void ReapplyWhenOpen();
    uint32_t ReadWaiting(uint32_t Count, void* Buffer);
    void PollPackets(uint32_t Waiting);

    TPortNumber FPort = pnCOM2;
    std::string FPortName = "\\\\.\\COM2";
    TBaudRate FBaudRate = br9600;
    uint32_t FBaudRateValue = 9600;
    TDataBits FDataBits = db8BITS;
    TStopBits FStopBits = sb1BITS;
    TParity FParity = ptNONE;
    THwFlowControl FHwFlow = hfNONERTSON;
    TSwFlowControl FSwFlow = sfNONE;
    uint32_t FInBufSize = 2048;
    uint32_t FOutBufSize = 2048;
    int16_t FPacketSize = -1;
    int32_t FPacketTimeout = -1;
    TPacketMode FPacketMode = pmDiscard;
    uint16_t FPollingDelay = 50;
    bool FEnableDTROnOpen = true;
    uint16_t FOutputTimeout = 500;
    uint32_t FInputTimeout = 200;
    bool FCheckLineStatus = false;

    serial::PortPtr PortHandle;  // null while closed
    QTimer* NotifyWnd;
    std::vector<uint8_t> InBuffer;
    int64_t PacketStart = -1;  // tick of the first byte of a pending packet; -1 none
    int PollingPause = 0;
    uint32_t ReadCount = 0;
    uint32_t LineActivity = 0;
    bool WaitsAbortedFlag = false;
};
