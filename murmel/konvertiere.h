#pragma once
// One message of the modem memory, as it lies in the download worker's
// buffer, to one message WAV file "Voic%04d.wav" in the output folder: the
// modem's DLE stuffing undone, its 38-byte frame form recognised, the frames
// packed two by two into GSM 6.10 blocks and decoded by the platform's
// compression stream, the file given the message's recording time, the
// bookkeeping advanced and the dialog told. Faxes are recognised and skipped.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <span>
#include <string>

namespace murmel {

// The download buffer holds memory pages 4 to 63; page p lies at (p - 4) x 32768.
constexpr int kFirstMessagePage = 4;
constexpr int kLastMessagePage = 63;
constexpr std::size_t kPageBytes = 32768;
constexpr std::size_t kDownloadBytes = std::size_t{kLastMessagePage - kFirstMessagePage + 1} * kPageBytes;
constexpr std::size_t kMessageHeaderBytes = 34;

// Where a header named by its page and offset bytes lies in the buffer.
inline long long HeaderPosition(long Page, long High, long Low) {
    return (static_cast<long long>(Page) - kFirstMessagePage) * static_cast<long long>(kPageBytes) + High * 256 + Low;
}

// 1 January 1971, 01:01:01 local time: the clock base when the modem's clock is not known.
std::time_t UnknownTimeMarker();
// The current local time in whole seconds, from the platform's clock.
std::time_t LocalNow();

// Converts the message whose header starts at Position. 1 when it is done (a
// WAV file was written, or it is a fax and was skipped), 0 when it could not
// be converted or written.
int konvertiere(std::span<uint8_t> Buffer, std::size_t Position, std::time_t ClockBase);

// The steps as pure functions over the message data.

// Undoes the DLE stuffing in place: DLE DLE is one DLE, DLE CAN ends the
// data, DLE and any other byte (or nothing: a DLE at the end) keep neither.
// Returns the new length.
std::size_t DleUnstuff(uint8_t* Data, std::size_t Length);
// Whether the data counts as 38-byte frames: every tested frame (at most 20,
// each ending before the data does) has the marks; data of 38 bytes or less counts.
bool LooksEncapsulated(const uint8_t* Data, std::size_t Length);
// Packs every complete pair of frames into a 65-byte block at the start of
// Data, block k at 65 k; returns the number of blocks.
std::size_t PairsToBlocks(uint8_t* Data, std::size_t Length, bool Encapsulated);
// The recording time: the clock base plus header bytes 5 to 7 (days, hours,
// minutes), or the clock base itself when it or any of them is unknown.
std::time_t MessageTime(std::time_t ClockBase, const uint8_t* Header);
// The time the file gets: the message time (2 seconds later when its local
// seconds are 0 or 1, which readers take for "unknown") unless it is unknown
// or later than Now; otherwise the file's own creation time with its
// seconds set to zero.
std::time_t FileTimeFor(std::time_t MessageTime, std::time_t Created, std::time_t Now);

// Tests: called once a WAV file is complete under its name and before the
// bookkeeping counts it.
void SetWavWrittenHook(std::function<void(const std::string& Path)> Hook);

}  // namespace murmel
