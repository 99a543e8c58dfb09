#pragma once
// The GSM message file (".gsm") and the modem's DLE framing of the two
// announcements: a ".gsm" file is 33-byte GSM 06.10 frames followed by the
// end pair DLE ETX, with no header. In the modem's memory page the message is
// DLE-shielded, and some modems keep each frame in a 38-byte form (two marks,
// the frame, 0x00, 0xA5 0xA5) that a saved file does not carry.
//
// Pure functions; the page and file buffers stay the caller's.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace echolet {

constexpr uint8_t DLE = 0x10;
constexpr uint8_t ETX = 0x03;
constexpr uint8_t CAN = 0x18;

constexpr std::size_t kPageSize = 32768;
constexpr std::size_t kEncapsulatedSize = 38;
constexpr std::size_t kGsmFrameSize = 33;
// The most of a ".gsm" file that is sent to the modem.
constexpr std::size_t kMaxFileRead = 32818;
// The most a ".gsm" file may hold to be converted or played.
constexpr std::size_t kMaxMessageFile = 32768;

// The modem's two announcements: page 0 and page 1 of its memory.
enum class TMessage { Outgoing, MemoryFull };

int PageOf(TMessage Message);
// The room of the message in its page, the end pair included.
std::size_t LimitOf(TMessage Message);

// Whether the first Limit bytes of Page are all 0xFF: nothing stored.
bool PageIsEmpty(const uint8_t* Page, std::size_t Limit);

// Undoes the shielding of the first Limit bytes of Buffer, in place: DLE DLE
// gives DLE, DLE ETX and DLE CAN end the data, DLE before anything else goes
// with that byte, and a DLE in the last place goes. Appends DLE ETX, so
// Buffer needs room for Limit + 2 bytes. Returns the length.
std::size_t UnshieldPage(uint8_t* Buffer, std::size_t Limit);

// Whether the 38 bytes at Piece carry the marks of an encapsulated frame.
bool IsEncapsulatedFrame(const uint8_t* Piece);

// Unshielded data of N bytes, end pair included, counts as encapsulated
// unless one of its first ten whole 38-byte pieces before the end lacks the
// marks; data of 38 bytes or less is not tested and counts as encapsulated.
bool CountsAsEncapsulated(const uint8_t* Data, std::size_t N);

// Takes the frames out of encapsulated data in place and ends them with DLE
// ETX; returns the new length. Data shorter than one 38-byte piece holds no
// frame to take out and stays as it is.
std::size_t StripEncapsulation(uint8_t* Data, std::size_t N);

// What modem2file writes for the first Limit bytes of a page, made in place:
// the unshielded message, without the encapsulation when it counts as
// encapsulated, ended by DLE ETX. Buffer needs room for Limit + 2 bytes.
// Returns the length.
std::size_t GsmFileOfPage(uint8_t* Buffer, std::size_t Limit);

// What file2modem sends for the bytes of a ".gsm" file: every DLE doubled up
// to the first DLE ETX (which ends the copy; what follows is not sent), then
// DLE ETX. A DLE as the last byte is data and doubled.
std::vector<uint8_t> ShieldFile(const uint8_t* File, std::size_t N);

// The value of a page checksum's two hexadecimal characters, most
// significant first, in either letter case; any other character counts 0.
uint8_t ParseChecksum(char High, char Low);
// The sum of the bytes modulo 256.
uint8_t PageSum(const uint8_t* Page, std::size_t N);

}  // namespace echolet
