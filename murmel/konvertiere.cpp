#include "murmel/konvertiere.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

#include "murmel/DebugLog.h"
#include "murmel/GsmRepack.h"
#include "murmel/MessageWav.h"
#include "murmel/MurmelProfile.h"
#include "murmel/WorkerMessages.h"
#include "platform/AudioCodec.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Registry.h"

namespace murmel {

namespace {

constexpr uint8_t DLE = 0x10;
constexpr uint8_t CAN = 0x18;
constexpr std::size_t kEncapsulated = 38;
constexpr int kTestedFrames = 20;
constexpr uint8_t kVoice = 2;
constexpr uint8_t kUnknown = 0xFF;

std::mutex g_hookLock;
std::function<void(const std::string&)> g_wavWritten;

int LocalSeconds(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm.tm_sec;
}

bool Marked(uint8_t b) { return b == 0xFE || b == 0xB6; }

bool IsEncapsulatedFrame(const uint8_t* f) {
    return Marked(f[0]) && Marked(f[1]) && f[35] == 0 && f[36] == 0xA5 && f[37] == 0xA5;
}

std::string NumberedName(const char* format, int32_t number) {
    char name[32];
    std::snprintf(name, sizeof name, format, static_cast<int>(number));
    return OutputFolder() + name;
}

bool WriteAll(int fd, const uint8_t* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The raw dump of the debug log: header and data as they lie in the buffer.
void RawDump(const uint8_t* header, std::size_t size) {
    const std::string name = NumberedName("Voic%04d.bin", GetProfileInt(kOptions, "Counter", 1));
    if (name.size() > kMaxPath) return;
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return;
    if (!WriteAll(fd, header, size)) DebugLog("   Exception bei CFile::Write.");
    ::close(fd);
}

// The profile's numbers are 32-bit values that wrap as they are stored.
int32_t Next(int32_t n) { return static_cast<int32_t>(static_cast<uint32_t>(n) + 1); }

// A number that cannot be written to is skipped: the next message tries the
// next one.
int SkipNumber(int32_t counter) {
    WriteProfileInt(kOptions, "Counter", Next(counter));
    return 0;
}

// The finished file counts for the message and its number in one profile
// change, so that no crash can leave the file written and the message
// uncounted (it would be converted again under a new number) or counted
// without its number (the next message would overwrite its file).
void CountMessage(int32_t counter) {
    registry::TRegBatch batch;
    batch.WriteInteger(SectionKey(kOptions), "Counter", Next(counter));
    batch.WriteInteger(SectionKey(kModem), "Savedmsg", Next(GetProfileInt(kModem, "Savedmsg", 0)));
    try {
        batch.Commit();
    } catch (const std::exception&) {
        // The profile reports no errors.
    }
}

}  // namespace

std::time_t UnknownTimeMarker() { return LocalToTimeT(EncodeDate(1971, 1, 1) + EncodeTime(1, 1, 1, 0)); }

std::time_t LocalNow() { return LocalToTimeT(Now()); }

void SetWavWrittenHook(std::function<void(const std::string& Path)> Hook) {
    std::lock_guard<std::mutex> g(g_hookLock);
    g_wavWritten = std::move(Hook);
}

std::size_t DleUnstuff(uint8_t* Data, std::size_t Length) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < Length; ++i) {
        if (Data[i] != DLE) {
            Data[kept++] = Data[i];
            continue;
        }
        if (i + 1 == Length) break;
        const uint8_t next = Data[++i];
        if (next == DLE) Data[kept++] = DLE;
        else if (next == CAN) break;
    }
    return kept;
}

bool LooksEncapsulated(const uint8_t* Data, std::size_t Length) {
    if (Length <= kEncapsulated) return true;
    for (int k = 0; k < kTestedFrames; ++k) {
        const std::size_t at = static_cast<std::size_t>(k) * kEncapsulated;
        if (at + kEncapsulated >= Length) break;
        if (!IsEncapsulatedFrame(Data + at)) return false;
    }
    return true;
}

std::size_t PairsToBlocks(uint8_t* Data, std::size_t Length, bool Encapsulated) {
    const std::size_t step = Encapsulated ? 2 * kEncapsulated : 2 * kGsmFrameBytes;
    std::size_t blocks = 0;
    uint8_t pair[2 * kGsmFrameBytes];
    for (std::size_t at = 0; at + step <= Length; at += step) {
        if (Encapsulated) {
            std::memcpy(pair, Data + at + 2, kGsmFrameBytes);
            std::memcpy(pair + kGsmFrameBytes, Data + at + kEncapsulated + 2, kGsmFrameBytes);
        } else {
            std::memcpy(pair, Data + at, sizeof pair);
        }
        GsmPairToMsGsm(pair, Data + blocks * kGsmBlockBytes);
        ++blocks;
    }
    return blocks;
}

std::time_t MessageTime(std::time_t ClockBase, const uint8_t* Header) {
    if (ClockBase == UnknownTimeMarker() || Header[5] == kUnknown || Header[6] == kUnknown || Header[7] == kUnknown)
        return ClockBase;
    return ClockBase + ((Header[5] * 24LL + Header[6]) * 60 + Header[7]) * 60;
}

std::time_t FileTimeFor(std::time_t Message, std::time_t Created, std::time_t Now) {
    if (Message != UnknownTimeMarker() && Message <= Now) {
        const int s = LocalSeconds(Message);
        return s == 0 || s == 1 ? Message + 2 : Message;
    }
    return Created - LocalSeconds(Created);
}

int konvertiere(std::span<uint8_t> Buffer, std::size_t Position, std::time_t ClockBase) {
    DebugLog("konvertiere() beginnen.");
    if (Position + kMessageHeaderBytes > Buffer.size()) return 0;
    uint8_t* header = Buffer.data() + Position;
    const long long next = HeaderPosition(header[31], header[32], header[33]);
    const long long first = static_cast<long long>(Position + kMessageHeaderBytes);
    if (next < first || next > static_cast<long long>(Buffer.size())) return 0;
    std::size_t length = static_cast<std::size_t>(next - first);
    uint8_t* data = header + kMessageHeaderBytes;
    DebugLog("   Position %li, Daten %li Bytes.", static_cast<long>(Position), static_cast<long>(length));

    if (DebugSwitch()) RawDump(header, kMessageHeaderBytes + length);
    if (header[1] != kVoice) {
        DebugLog("   Fax-Message gefunden: Abbruch.");
        return 1;
    }
    const std::time_t messageTime = MessageTime(ClockBase, header);

    length = DleUnstuff(data, length);
    const bool encapsulated = LooksEncapsulated(data, length);
    const std::size_t gsmLength = PairsToBlocks(data, length, encapsulated) * kGsmBlockBytes;
    DebugLog("   %s, %li Bytes GSM.", encapsulated ? "38-Byte-Rahmen" : "33-Byte-Rahmen", static_cast<long>(gsmLength));

    auto stream = audio::CompressionStream::Open(audio::kGsm610, audio::kPcm8k16Mono);
    if (!stream) return 0;
    std::size_t estimate = 0;
    if (!stream->Size(gsmLength, estimate)) return 0;
    // Half again the stream's estimate, as the conversion's buffer; what the
    // conversion does not fill is never touched, so it is not cleared either.
    const std::size_t capacity = estimate * 3 / 2;
    std::unique_ptr<uint8_t[]> wav(new (std::nothrow) uint8_t[capacity + kWavHeaderBytes]);
    if (!wav) return 0;
    std::size_t used = 0, produced = 0;
    if (!stream->Convert(data, gsmLength, wav.get() + kWavHeaderBytes, capacity, used, produced)) return 0;
    WriteMessageWavHeader(wav.get(), static_cast<uint32_t>(produced));

    const int32_t counter = GetProfileInt(kOptions, "Counter", 1);
    const std::string name = NumberedName("Voic%04d.wav", counter);
    if (name.size() > kMaxPath || counter < 1) return SkipNumber(counter);

    // The file appears under its name only when it is complete, with its time.
    const std::string part = name.substr(0, name.size() - 4) + ".tmp";
    const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return SkipNumber(counter);
    const bool written = WriteAll(fd, wav.get(), kWavHeaderBytes + produced) && ::fsync(fd) == 0;
    ::close(fd);
    if (!written) {
        DebugLog("   Exception bei CFile::Write.");
        files::DeleteFile(part);
        return SkipNumber(counter);
    }
    if (files::FileStatus status; files::GetFileStatus(part, status)) {
        status.created = status.written = FileTimeFor(messageTime, status.created, LocalNow());
        files::SetFileStatus(part, status);
    }
    if (::rename(part.c_str(), name.c_str()) != 0) {
        files::DeleteFile(part);
        return SkipNumber(counter);
    }
    {
        std::lock_guard<std::mutex> g(g_hookLock);
        if (g_wavWritten) g_wavWritten(name);
    }
    CountMessage(counter);
    PostToMainWindow(WM_MESSAGEREADY, 0, counter);
    DebugLog("   konvertiere() fertig.");
    return 1;
}

}  // namespace murmel
