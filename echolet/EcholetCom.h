#pragma once
// Echolet's dialogue with a 3Com/U.S. Robotics message modem: the port on
// Murmel's settings, the wake-up of the modem, and the moves of the outgoing
// and memory-full messages between the modem and ".gsm" files.
//
// Everything runs on the caller's thread and blocks it; the port's time-outs
// bound every read. Failures are silent (a result of 0); the only texts the
// user sees are "No message stored." and "Message too long.". After a
// failure the port may stay open, and the next operation then goes on with
// it without waking the modem again; only a port whose modem has gone is
// opened anew.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "echolet/GsmFile.h"
#include "platform/Serial.h"
#include "platform/Ui.h"

namespace echolet {

// The port's three time-out sets (milliseconds). A reply set for a wait of t
// seconds has t x ReplySecondMs in each read field.
struct TComTimeouts {
    serial::Timeouts echo{200, 10, 200, 10, 1000};        // while the echo is switched off
    serial::Timeouts standard{600, 16, 1600, 10, 1000};
    uint32_t replySecondMs = 1000;
    uint32_t replyWriteMultiplier = 10;
    uint32_t replyWriteConstant = 1000;

    serial::Timeouts Reply(int Seconds) const;
};

// A message box of Echolet: the text under the program's title.
void EcholetMessage(const std::string& Text, ui::Icon Icon);

class CEcholetCom {
public:
    CEcholetCom() = default;
    ~CEcholetCom();
    CEcholetCom(const CEcholetCom&) = delete;
    CEcholetCom& operator=(const CEcholetCom&) = delete;

    // 1 when the port is open and the modem ready; 1 at once when the port is
    // already open (after dropping what waits in it), unless its device has
    // gone: then it is closed and opened anew.
    int opencom();
    void closecom();
    bool IsOpen() const { return m_hCom != nullptr; }

    // One read of exactly as many bytes as Expected has; 1 when they are it.
    // A wait of Seconds other than 0 reads under the reply set.
    int ReadReply(std::string_view Expected, int Seconds);
    // Reads the message's memory page into Buffer (kPageSize bytes); 1 when
    // it came whole with its checksum. Closes the port then.
    int ReadPage(TMessage Message, uint8_t* Buffer);
    // The message to a ".gsm" file the user chooses; 1 also when the user
    // cancels or nothing is stored.
    int modem2file(TMessage Message);
    // A ".gsm" file the user chooses to the message; 1 also when cancelled.
    int file2modem(TMessage Message);
    // Has the modem play the message and waits until it has done so.
    void PlayMessage(TMessage Message);

    TComTimeouts timeouts;

private:
    // One write of the whole of Bytes.
    bool Send(std::string_view Bytes);
    bool ReadExactly(uint8_t* Buffer, std::size_t Count, std::size_t& Got);
    int WakeModem();

    serial::PortPtr m_hCom;
};

// The speed of a "Baudrate" text: its leading decimal digits, 0 without any.
uint32_t BaudOf(const std::string& Text);

}  // namespace echolet
