#pragma once
// The sound output: a wave output device that plays one PCM buffer at a time
// and tells its owner when the buffer has come back, and a synchronous play
// of a WAV file or image for callers that wait for the sound to end.
//
// The device is an ALSA PCM, named by the platform setting
// PELLOW_AUDIO_DEVICE ("default" when unset); tests name ALSA's "null" sink.
// That sink takes data at any speed, so the device paces it to real time: a
// message lasts as long there as on a sound card, and pausing, stopping and
// running out behave alike on both.
//
// Each device runs one thread of its own that alone talks to ALSA; the calls
// below hand it their request and return once it is carried out. A device is
// used from one thread at a time (the GUI thread).
#include <QEvent>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/WaveFormat.h"

class QObject;

namespace audio {

constexpr uint16_t kFormatPcm = 1;

// The description at the start of Bytes (16 little-endian bytes: tag,
// channels, samples per second, bytes per second, block align, bits per
// sample, and for a compressed format the samples per block of its extra
// bytes); nullopt when fewer than 16 bytes.
std::optional<WaveFormat> ParseWaveFormat(std::string_view Bytes);

// A RIFF/WAVE image: its "fmt " description and where its "data" chunk lies
// (its length cut to the bytes that are there, and the length it claims).
struct WaveImage {
    WaveFormat format;
    std::size_t dataOffset = 0;
    std::size_t dataSize = 0;
    std::size_t declaredSize = 0;
};
// Nullopt when Bytes is no RIFF/WAVE image or lacks a "fmt " of 16 bytes or
// more or a "data" chunk.
std::optional<WaveImage> ParseWave(std::string_view Bytes);

// The ALSA device the platform plays on: $PELLOW_AUDIO_DEVICE, else "default".
std::string DeviceName();

// Called on the device's thread when the buffer handed to Write comes back:
// played to its end, or taken back by Reset or Close.
using DoneHandler = std::function<void()>;

// The event that PostDoneTo delivers.
class WaveDoneEvent : public QEvent {
public:
    WaveDoneEvent();
    static QEvent::Type EventType();
};

// A DoneHandler that posts a WaveDoneEvent to Receiver (app::PostEvent), so
// that its handler runs on the receiver's thread. Receiver must outlive the
// device.
DoneHandler PostDoneTo(QObject* Receiver);

class WaveOut {
public:
    // Opens the device for Format (PCM of 8, 16, 24 or 32 bits, any channel
    // count and rate; the device resamples). Nullptr with the reason in Error
    // when the format is not PCM, the device is missing or busy: the open
    // never waits for a device that another program holds.
    static std::unique_ptr<WaveOut> Open(const WaveFormat& Format, DoneHandler Done, std::string* Error = nullptr);
    // Resets and closes.
    ~WaveOut();
    WaveOut(const WaveOut&) = delete;
    WaveOut& operator=(const WaveOut&) = delete;

    // Plays Size bytes from Data; the bytes must stay valid until the buffer
    // has come back. One buffer at a time: false while one is out. A paused
    // device keeps it until Restart.
    bool Write(const void* Data, std::size_t Size);
    // Holds playback where it is; Restart goes on from there.
    bool Pause();
    bool Restart();
    // Stops at once; a buffer that is out comes back now.
    bool Reset();
    // Whether a buffer is out (written, not yet come back).
    bool Busy() const;

    struct Impl;

private:
    explicit WaveOut(std::unique_ptr<Impl> D);
    std::unique_ptr<Impl> d_;
};

// Plays a WAV image or file to its end and then returns. False, at once, when
// it is no WAV the device can play or the device cannot be opened (missing,
// or held by another program).
bool PlayWaveImage(std::string_view Image);
bool PlayWaveFile(const std::string& Path);

}  // namespace audio
