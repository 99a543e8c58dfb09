#include "murmel/ReadThread.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "murmel/DebugLog.h"
#include "murmel/ModemDialogue.h"
#include "murmel/ModemReplies.h"
#include "murmel/MurmelProfile.h"
#include "murmel/WorkerMessages.h"
#include "murmel/konvertiere.h"
#include "platform/Registry.h"

namespace murmel {

namespace {

constexpr int kRecords = 256;
constexpr std::size_t kRecordKeeps = 71;  // a record of 72 bytes holds 71 and its terminating zero
constexpr int kRecordRetries = 5;
constexpr int kPageRetries = 5;
constexpr std::size_t kBlock = 512;
constexpr int kVoiceType = 2;

[[noreturn]] void Fail(int code) { throw RunEnd{code}; }

std::atomic<bool> g_failAllocation{false};

std::string Numbered(const char* format, long n) {
    char text[48];
    std::snprintf(text, sizeof text, format, n);
    return text;
}

// The memory page that holds byte Position of the download buffer.
int PageOf(long long Position) { return static_cast<int>(Position / static_cast<long long>(kPageBytes)) + kFirstMessagePage; }

class Download {
public:
    explicit Download(serial::Port& port) : port_(port) {}

    void Run() {
        ModemInformation();
        RingSetup();
        ReadClock();
        ReadReport();
        Bookkeeping();
        if (voice_ == 0 || saved_ == voice_) {
            DebugLog("   Keine neuen Sprachnachrichten.");
        } else {
            Fetch();
        }
        AutoDelete();
    }

private:
    void ModemInformation() {
        const struct {
            const char* command;
            const char* log;
        } infos[] = {{"ATI4\r\n", "Modeminfo: (ATI4):\r\n%s"},
                     {"ATI7\r\n", "Modeminfo: (ATI7):\r\n%s"},
                     {"AT+MSI\r\n", "Modeminfo: (AT+MSI):\r\n%s"}};
        for (const auto& info : infos) {
            sendcommand(port_, info.command);
            const std::string text = readsome(port_, 2998);
            DebugLog(info.log, text.c_str());
        }
    }

    void RingSetup() {
        if (!GetProfileFlag(kOptions, "Ringsetup", kFlagOff)) return;
        const long rings = GetProfileInt(kOptions, "Ringnumber", 5);
        sendcommand(port_, Numbered("AT+MCR=%li\r\n", rings));
        requirereply(port_, "\r\nOK\r\n");
        DebugLog("   Ringanzahl gesetzt: %li", rings);
    }

    void ReadClock() {
        sendcommand(port_, "AT+MCC?\r\n");
        requirereply(port_, "\r\n");
        std::size_t length = 0;
        const std::string line = readline(port_, 15, length);
        const auto ago = ParseClockLine(line);
        clockBase_ = ago ? LocalNow() - *ago : UnknownTimeMarker();
        DebugLog("   Modemuhr: %s (%s)", line.c_str(), ago ? "bekannt" : "unbekannt");
        if (line.empty() || line[0] != 'E') requirereply(port_, "OK\r\n");
    }

    void ReadReport() {
        records_.assign(kRecords, std::string());
        count_ = kRecords;
        for (int i = 0; i < kRecords; ++i) {
            for (int mismatches = 0;; ++mismatches) {
                sendcommand(port_, Numbered("AT+MSR=%li\r\n", i));
                requirereply(port_, "\r\n");
                std::size_t length = 0;
                std::string line = readline(port_, kRecordKeeps, length);
                if (length <= kReportEndLength) {
                    count_ = i;
                    break;
                }
                DebugLog("   Statusstring %i: %s", i, line.c_str());
                const bool good = i == 0 || ParseMessageRecord(line).checksumOk;
                requirereply(port_, "OK\r\n");
                if (good) {
                    records_[static_cast<std::size_t>(i)] = std::move(line);
                    break;
                }
                if (mismatches == kRecordRetries) Fail(ErrorModem);
                DebugLog("   Prüfsumme falsch: Statusstring %i noch einmal.", i);
            }
            if (count_ == i) break;
        }
        DebugLog("   %i Statusstrings gelesen.", count_);
        if (count_ == 0) Fail(ErrorModem);
    }

    void Bookkeeping() {
        const MemorySummary summary = ParseSummary(records_[0]);
        used_ = summary.used;
        voice_ = summary.voice;
        fax_ = summary.fax;
        saved_ = GetProfileInt(kModem, "Savedmsg", 0);
        long savedFax = GetProfileInt(kModem, "Savedmsgfax", 0);
        registry::TRegBatch batch;
        if (voice_ == 0 && fax_ == 0) {
            batch.WriteString(SectionKey(kModem), "Identstring", "Empty");
            saved_ = savedFax = 0;
        } else {
            const std::string identity = MemoryIdentity(records_[1]);
            if (GetProfileString(kModem, "Identstring", "") != identity || saved_ > voice_ || savedFax > fax_) {
                batch.WriteString(SectionKey(kModem), "Identstring", identity);
                saved_ = savedFax = 0;
            }
        }
        // The identity and the counts that refer to it change together: a
        // new identity with the old content's counts would pass over as many
        // messages of the new content.
        batch.WriteInteger(SectionKey(kModem), "Savedmsg", static_cast<int32_t>(saved_));
        batch.WriteInteger(SectionKey(kModem), "Savedmsgfax", static_cast<int32_t>(fax_));
        try {
            batch.Commit();
        } catch (const std::exception&) {
            // The profile reports no errors.
        }
        DebugLog("   Speicher belegt: %li%%, Sprachnachrichten: %li (gespeichert %li), Faxe: %li (gemeldet %li)",
                 used_, voice_, saved_, fax_, savedFax);
        if (savedFax != fax_) PostToMainWindow(WM_NEWMESSAGESFAX, 0, fax_ - savedFax);
        const long long fresh = voice_ - saved_;
        PostToMainWindow(WM_NEWMESSAGES, GetProfileInt(kOptions, "Counter", 1) - 1LL,
                         fresh + 256LL * used_ + 65536LL * voice_ + 16777216LL * fax_);
    }

    // The record of the first voice mail not yet written: the one after the
    // first `saved_` voice records. Faxes have records of their own in
    // memory order, but never count as saved.
    const std::string& FirstNewRecord() const {
        long voices = 0;
        for (int i = 1; i < count_; ++i) {
            const std::string& r = records_[static_cast<std::size_t>(i)];
            if (ParseMessageRecord(r).type == kVoiceType && ++voices == saved_ + 1) return r;
        }
        Fail(ErrorModem);
    }

    void Fetch() {
        const MessageRecord first = ParseMessageRecord(FirstNewRecord());
        if (first.page < kFirstMessagePage || first.page > kLastMessagePage) Fail(ErrorModem);
        long long current = HeaderPosition(first.page, first.high, first.low);
        CheckInBuffer(current);
        try {
            if (g_failAllocation) throw std::bad_alloc();
            buffer_.assign(kDownloadBytes, 0);
        } catch (const std::bad_alloc&) {
            Fail(ErrorMemory);
        }
        nextToRead_ = static_cast<int>(first.page);
        ReadThrough(PageOf(current + kMessageHeaderBytes - 1));
        long long previous = -1;
        for (;;) {
            if (previous >= 0 && !konvertiere(buffer_, static_cast<std::size_t>(previous), clockBase_)) Fail(ErrorFile);
            const uint8_t* header = buffer_.data() + current;
            if (header[0] == 0xFF) break;
            const long long next = HeaderPosition(header[31], header[32], header[33]);
            // The chain must run forward inside the memory; anything else is
            // no chain a working modem keeps, and would read outside the
            // buffer or go round for ever.
            if (header[31] < kFirstMessagePage || header[31] > kLastMessagePage ||
                next < current + static_cast<long long>(kMessageHeaderBytes))
                Fail(ErrorModem);
            CheckInBuffer(next);
            const int through = PageOf(next + kMessageHeaderBytes - 1);
            if (through >= nextToRead_) ReadThrough(through);
            previous = current;
            current = next;
        }
        buffer_.clear();
        buffer_.shrink_to_fit();
    }

    static void CheckInBuffer(long long position) {
        if (position < 0 || position + static_cast<long long>(kMessageHeaderBytes) > static_cast<long long>(kDownloadBytes))
            Fail(ErrorModem);
    }

    void ReadThrough(int last) {
        for (; nextToRead_ <= last; ++nextToRead_) ReadPage(nextToRead_);
    }

    void ReadPage(int page) {
        DebugLog("   Speicherseite %i lesen.", page);
        uint8_t* into = buffer_.data() + static_cast<std::size_t>(page - kFirstMessagePage) * kPageBytes;
        for (int retries = kPageRetries;; --retries) {
            if (ReadPageOnce(page, into)) return;
            if (retries == 0) Fail(ErrorModem);
            DebugLog("   Speicherseite %i noch einmal.", page);
        }
    }

    // One attempt: false when a block came short or the sum did not match.
    bool ReadPageOnce(int page, uint8_t* into) {
        sendcommand(port_, Numbered("AT+MTP=%li\r\n", page));
        char sum[2];
        std::size_t got = 0;
        if (!port_.Read(sum, 2, got) || got < 2) Fail(ErrorModem);
        for (std::size_t k = 0; k < kPageBytes / kBlock; ++k) {
            if (!port_.Read(into + k * kBlock, kBlock, got)) Fail(ErrorModem);
            if (got < kBlock) {
                DebugLog("   Block %li zu kurz (%li Bytes).", static_cast<long>(k + 1), static_cast<long>(got));
                return false;
            }
        }
        requirereply(port_, "\r\nOK\r\n");
        unsigned total = 0;
        for (std::size_t i = 0; i < kPageBytes; ++i) total += into[i];
        if (static_cast<int>(total & 0xFF) == ParsePageChecksum(sum[0], sum[1])) return true;
        DebugLog("   Prüfsumme der Speicherseite %i falsch.", page);
        return false;
    }

    void AutoDelete() {
        if (!GetProfileFlag(kOptions, "Autodelete", kFlagOff)) return;
        if (fax_ != 0) {
            DebugLog("Modemspeicher nicht gelöscht.");
            return;
        }
        sendcommand(port_, "AT+MCC\r\n");
        requirereply(port_, "\r\nOK\r\n");
        if (voice_ > 0) erasememory(port_);
    }

    serial::Port& port_;
    std::time_t clockBase_ = 0;
    std::vector<std::string> records_;
    int count_ = 0;
    long used_ = 0, voice_ = 0, fax_ = 0, saved_ = 0;
    std::vector<uint8_t> buffer_;
    int nextToRead_ = 0;
};

}  // namespace

void FailDownloadAllocation(bool Fail) { g_failAllocation = Fail; }

unsigned ReadThread(void*) {
    runworker("Read-Thread beginnen.", [](serial::PortPtr& port) {
        port = setupport();
        Download(*port).Run();
    });
    return 0;
}

}  // namespace murmel
