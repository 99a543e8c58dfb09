#include "platform/AudioOut.h"

#include <alsa/asoundlib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QPointer>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/App.h"

namespace audio {
namespace {

uint16_t Word(std::string_view b, std::size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}

uint32_t Long(std::string_view b, std::size_t at) {
    return static_cast<uint32_t>(Word(b, at)) | static_cast<uint32_t>(Word(b, at + 2)) << 16;
}

std::optional<snd_pcm_format_t> SampleFormat(const WaveFormat& f) {
    if (f.formatTag != kFormatPcm || f.channels == 0 || f.samplesPerSec == 0) return std::nullopt;
    switch (f.bitsPerSample) {
    case 8: return SND_PCM_FORMAT_U8;
    case 16: return SND_PCM_FORMAT_S16_LE;
    case 24: return SND_PCM_FORMAT_S24_3LE;
    case 32: return SND_PCM_FORMAT_S32_LE;
    default: return std::nullopt;
    }
}

// The library reports every failed open on standard error as well; our
// callers get the reason in their error text instead.
void Quiet(const char*, int, const char*, int, const char*, ...) {}

using Clock = std::chrono::steady_clock;

// How far ahead of the real-time position the null sink is fed.
constexpr double kPacedLeadSeconds = 0.2;
constexpr unsigned kLatencyMicroseconds = 200000;

}  // namespace

std::optional<WaveFormat> ParseWaveFormat(std::string_view Bytes) {
    if (Bytes.size() < 16) return std::nullopt;
    WaveFormat f;
    f.formatTag = Word(Bytes, 0);
    f.channels = Word(Bytes, 2);
    f.samplesPerSec = Long(Bytes, 4);
    f.avgBytesPerSec = Long(Bytes, 8);
    f.blockAlign = Word(Bytes, 12);
    f.bitsPerSample = Word(Bytes, 14);
    // A compressed format says its samples per block in its extra bytes;
    // PCM has none, and what follows its 16 bytes is no part of it.
    if (f.formatTag != kFormatPcm && Bytes.size() >= 20 && Word(Bytes, 16) >= 2) f.samplesPerBlock = Word(Bytes, 18);
    return f;
}

std::optional<WaveImage> ParseWave(std::string_view Bytes) {
    if (Bytes.size() < 12 || Bytes.substr(0, 4) != "RIFF" || Bytes.substr(8, 4) != "WAVE") return std::nullopt;
    std::optional<WaveFormat> format;
    std::size_t at = 12;
    while (at + 8 <= Bytes.size()) {
        const std::string_view id = Bytes.substr(at, 4);
        const std::size_t size = Long(Bytes, at + 4);
        const std::size_t body = at + 8;
        const std::size_t there = std::min(size, Bytes.size() - body);
        if (id == "fmt ") {
            if (there < 16) return std::nullopt;
            format = ParseWaveFormat(Bytes.substr(body, there));
        } else if (id == "data") {
            if (!format) return std::nullopt;
            return WaveImage{*format, body, there, size};
        }
        if (size > Bytes.size() - body) break;
        at = body + size + (size & 1);  // chunks are padded to an even length
    }
    return std::nullopt;
}

std::string DeviceName() {
    const char* name = std::getenv("PELLOW_AUDIO_DEVICE");
    return name && *name ? name : "default";
}

WaveDoneEvent::WaveDoneEvent() : QEvent(EventType()) {}

QEvent::Type WaveDoneEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

DoneHandler PostDoneTo(QObject* Receiver) {
    return [Receiver] { app::PostEvent(Receiver, new WaveDoneEvent); };
}

struct WaveOut::Impl {
    enum class Request { None, Write, Pause, Restart, Reset, Quit };

    snd_pcm_t* pcm = nullptr;
    int wake = -1;
    bool paced = false;
    unsigned rate = 0;
    std::size_t frameBytes = 0;
    DoneHandler done;
    std::thread thread;

    // The request slot: the caller fills it and waits until the device
    // thread has emptied it.
    std::mutex lock;
    std::condition_variable handled;
    Request request = Request::None;
    const unsigned char* requestData = nullptr;
    std::size_t requestFrames = 0;
    bool result = false;
    bool out = false;  // a buffer is out; written by the device thread only

    // Playback, owned by the device thread.
    const unsigned char* data = nullptr;
    std::size_t frames = 0;
    std::size_t pos = 0;   // frames handed to ALSA
    bool paused = false;
    std::size_t base = 0;  // paced: the frame position when the clock started
    Clock::time_point started;

    ~Impl() {
        if (wake >= 0) ::close(wake);
        if (pcm) snd_pcm_close(pcm);
    }

    bool Ask(Request r, const unsigned char* bytes = nullptr, std::size_t count = 0) {
        std::unique_lock<std::mutex> guard(lock);
        request = r;
        requestData = bytes;
        requestFrames = count;
        Poke();
        handled.wait(guard, [this] { return request == Request::None; });
        return result;
    }

    // Wakes the device thread; a counter that is already set wakes it as well.
    void Poke() {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(wake, &one, sizeof one);
    }

    void Drain() {
        uint64_t count;
        while (::read(wake, &count, sizeof count) > 0) {
        }
    }

    // Frames that have reached the listener.
    std::size_t Played() {
        if (paced) {
            const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
            return std::min(pos, base + static_cast<std::size_t>(seconds * rate));
        }
        snd_pcm_sframes_t delay = 0;
        if (snd_pcm_delay(pcm, &delay) < 0 || delay < 0) delay = 0;
        return pos - std::min(pos, static_cast<std::size_t>(delay));
    }

    void StartClock() {
        base = pos;
        started = Clock::now();
    }

    void Stop() {
        snd_pcm_drop(pcm);
        snd_pcm_prepare(pcm);
    }

    void GiveBack() {
        Stop();
        data = nullptr;
        bool wasOut;
        {
            std::lock_guard<std::mutex> guard(lock);
            wasOut = out;
            out = false;
        }
        if (wasOut && done) done();
    }

    bool Serve(Request r, const unsigned char* bytes, std::size_t count) {
        switch (r) {
        case Request::Write: {
            {
                std::lock_guard<std::mutex> guard(lock);
                if (out) return false;
                out = true;
            }
            data = bytes;
            frames = count;
            pos = 0;
            snd_pcm_prepare(pcm);
            StartClock();
            if (frames == 0) GiveBack();
            return true;
        }
        case Request::Pause:
            if (!paused) {
                pos = Played();
                snd_pcm_drop(pcm);
                snd_pcm_prepare(pcm);
                paused = true;
            }
            return true;
        case Request::Restart:
            if (paused) {
                paused = false;
                StartClock();
            }
            return true;
        case Request::Reset:
        case Request::Quit:
            GiveBack();
            paused = false;
            return true;
        case Request::None: break;
        }
        return false;
    }

    // Waits for a request, for the device (when Device), or for Ms
    // milliseconds (-1: no limit).
    void Wait(bool Device, int Ms) {
        std::vector<pollfd> fds(1);
        fds[0] = {wake, POLLIN, 0};
        if (Device) {
            const int n = snd_pcm_poll_descriptors_count(pcm);
            if (n > 0) {
                fds.resize(1 + static_cast<std::size_t>(n));
                snd_pcm_poll_descriptors(pcm, fds.data() + 1, static_cast<unsigned>(n));
            }
        }
        ::poll(fds.data(), fds.size(), Ms);
    }

    // One turn of feeding the device or waiting for it to play out.
    void Feed() {
        if (pos < frames) {
            snd_pcm_sframes_t room = snd_pcm_avail_update(pcm);
            if (room < 0) {
                if (snd_pcm_recover(pcm, static_cast<int>(room), 1) < 0) GiveBack();
                return;
            }
            std::size_t n = std::min(static_cast<std::size_t>(room), frames - pos);
            int waitMs = -1;
            if (paced) {
                const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
                const auto allowed = base + static_cast<std::size_t>((seconds + kPacedLeadSeconds) * rate);
                const std::size_t ahead = allowed > pos ? allowed - pos : 0;
                if (ahead < n) {
                    n = ahead;
                    waitMs = 20;
                }
            }
            if (n == 0) {
                Wait(waitMs < 0, waitMs);
                return;
            }
            const snd_pcm_sframes_t written = snd_pcm_writei(pcm, data + pos * frameBytes, n);
            if (written == -EAGAIN) {
                Wait(true, -1);
            } else if (written < 0) {
                if (snd_pcm_recover(pcm, static_cast<int>(written), 1) < 0) GiveBack();
            } else {
                pos += static_cast<std::size_t>(written);
            }
            return;
        }
        // Everything is handed over: the device plays out what it holds.
        if (snd_pcm_state(pcm) == SND_PCM_STATE_PREPARED && snd_pcm_start(pcm) < 0) {
            GiveBack();
            return;
        }
        std::size_t left;
        if (paced) {
            left = frames - Played();
        } else {
            snd_pcm_sframes_t delay = 0;
            const bool running = snd_pcm_state(pcm) == SND_PCM_STATE_RUNNING;
            left = running && snd_pcm_delay(pcm, &delay) == 0 && delay > 0 ? static_cast<std::size_t>(delay) : 0;
        }
        if (left == 0) {
            GiveBack();
            return;
        }
        Wait(false, static_cast<int>(left * 1000 / rate) + 1);
    }

    void Run() {
        for (;;) {
            Request r;
            const unsigned char* bytes;
            std::size_t count;
            {
                std::lock_guard<std::mutex> guard(lock);
                r = request;
                bytes = requestData;
                count = requestFrames;
            }
            if (r != Request::None) {
                Drain();
                const bool ok = Serve(r, bytes, count);
                {
                    std::lock_guard<std::mutex> guard(lock);
                    result = ok;
                    request = Request::None;
                }
                handled.notify_all();
                if (r == Request::Quit) return;
                continue;
            }
            if (data && !paused) {
                Feed();
            } else {
                Wait(false, -1);
                Drain();
            }
        }
    }
};

std::unique_ptr<WaveOut> WaveOut::Open(const WaveFormat& Format, DoneHandler Done, std::string* Error) {
    auto fail = [Error](const std::string& why) {
        if (Error) *Error = why;
        return nullptr;
    };
    const auto sample = SampleFormat(Format);
    if (!sample) return fail("the sound device plays PCM of 8, 16, 24 or 32 bits only");
    static std::once_flag quiet;
    std::call_once(quiet, [] { snd_lib_error_set_handler(Quiet); });

    auto d = std::make_unique<Impl>();
    const std::string name = DeviceName();
    // Without waiting: a device held by another program fails at once.
    int rc = snd_pcm_open(&d->pcm, name.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (rc < 0) {
        d->pcm = nullptr;
        return fail("cannot open the sound device \"" + name + "\": " + snd_strerror(rc));
    }
    rc = snd_pcm_set_params(d->pcm, *sample, SND_PCM_ACCESS_RW_INTERLEAVED, Format.channels, Format.samplesPerSec, 1,
                            kLatencyMicroseconds);
    if (rc < 0) return fail("the sound device \"" + name + "\" cannot play this format: " + snd_strerror(rc));
    d->wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (d->wake < 0) return fail(std::string("cannot make the sound device's wake-up: ") + std::strerror(errno));
    d->paced = snd_pcm_type(d->pcm) == SND_PCM_TYPE_NULL;
    d->rate = Format.samplesPerSec;
    d->frameBytes = static_cast<std::size_t>(Format.channels) * snd_pcm_format_physical_width(*sample) / 8;
    d->done = std::move(Done);
    Impl* raw = d.get();
    d->thread = std::thread([raw] { raw->Run(); });
    return std::unique_ptr<WaveOut>(new WaveOut(std::move(d)));
}

WaveOut::WaveOut(std::unique_ptr<Impl> D) : d_(std::move(D)) {}

WaveOut::~WaveOut() {
    d_->Ask(Impl::Request::Quit);
    d_->thread.join();
}

bool WaveOut::Write(const void* Data, std::size_t Size) {
    return d_->Ask(Impl::Request::Write, static_cast<const unsigned char*>(Data), Size / d_->frameBytes);
}

bool WaveOut::Pause() { return d_->Ask(Impl::Request::Pause); }
bool WaveOut::Restart() { return d_->Ask(Impl::Request::Restart); }
bool WaveOut::Reset() { return d_->Ask(Impl::Request::Reset); }

bool WaveOut::Busy() const {
    std::lock_guard<std::mutex> guard(d_->lock);
    return d_->out;
}

bool PlayWaveImage(std::string_view Image) {
    const auto wave = ParseWave(Image);
    if (!wave) return false;
    std::mutex lock;
    std::condition_variable cv;
    bool ended = false;
    auto device = WaveOut::Open(wave->format, [&] {
        std::lock_guard<std::mutex> guard(lock);
        ended = true;
        cv.notify_all();
    });
    if (!device || !device->Write(Image.data() + wave->dataOffset, wave->dataSize)) return false;
    std::unique_lock<std::mutex> guard(lock);
    cv.wait(guard, [&] { return ended; });
    return true;
}

bool PlayWaveFile(const std::string& Path) {
    std::ifstream in(Path, std::ios::binary);
    if (!in) return false;
    const std::string image{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return PlayWaveImage(image);
}

}  // namespace audio
