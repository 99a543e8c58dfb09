#pragma once
// Holds the simulator's output to a line speed: a token bucket that fills at
// the byte rate and holds at most 2 ms of bytes (at least one), so the line
// never bursts ahead after a pause, and a slow line hands its bytes over one
// by one, as a real one does (up to 9600 baud and more, a byte at a time).
#include <cstddef>
#include <cstdint>

namespace modemsim {

class Throttle {
public:
    static constexpr uint64_t kBucketMs = 2;
    // BytesPerSecond 0 means no limit.
    explicit Throttle(uint64_t BytesPerSecond = 0, uint64_t NowMs = 0);
    bool Limited() const { return rate_ != 0; }
    // How many bytes may go out at NowMs.
    std::size_t Allowed(uint64_t NowMs);
    void Sent(std::size_t Count, uint64_t NowMs);
    // The earliest time at which Want bytes, clipped to half the bucket, may go out.
    uint64_t ReadyAt(std::size_t Want, uint64_t NowMs);

private:
    void Fill(uint64_t NowMs);

    uint64_t rate_;
    uint64_t capacity_;    // in milli-bytes, like tokens_
    uint64_t tokens_;
    uint64_t last_;
};

}  // namespace modemsim
