#pragma once
// Holds the simulator's output to a line speed: a token bucket that fills at
// the byte rate and holds at most 2 ms of bytes (at least one), so the line
// never bursts ahead after a pause, and a slow line hands its bytes over one
// by one, as a real one does (up to 9600 baud and more, a byte at a time).
// While bytes wait to go out, the line runs on at its rate whatever the
// simulator does: one that wakes up late (a busy machine) sends at once what
// the line would have carried meanwhile, as a reader late on a real line
// finds it waiting, instead of losing that line time.
#include <cstddef>
#include <cstdint>

namespace modemsim {

class Throttle {
public:
    static constexpr uint64_t kBucketMs = 2;
    // The most line time a late simulator catches up.
    static constexpr uint64_t kCatchUpMs = 1000;
    // BytesPerSecond 0 means no limit.
    explicit Throttle(uint64_t BytesPerSecond = 0, uint64_t NowMs = 0);
    bool Limited() const { return rate_ != 0; }
    // How many bytes may go out at NowMs.
    std::size_t Allowed(uint64_t NowMs);
    // Count bytes went out at NowMs; More: bytes still wait to go, so the
    // line is running rather than resting.
    void Sent(std::size_t Count, uint64_t NowMs, bool More = false);
    // The earliest time at which Want bytes, clipped to half the bucket, may go out.
    uint64_t ReadyAt(std::size_t Want, uint64_t NowMs);

private:
    void Fill(uint64_t NowMs);

    uint64_t rate_;
    uint64_t capacity_;    // in milli-bytes, like tokens_
    uint64_t catchUp_;     // the cap while the line runs
    uint64_t tokens_;
    bool running_ = false;
    uint64_t last_;
};

}  // namespace modemsim
