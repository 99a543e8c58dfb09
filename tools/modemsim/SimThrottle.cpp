#include "tools/modemsim/SimThrottle.h"

#include <algorithm>
#include <limits>

namespace modemsim {

Throttle::Throttle(uint64_t BytesPerSecond, uint64_t NowMs)
    : rate_(BytesPerSecond),
      capacity_(std::max<uint64_t>(1000, BytesPerSecond * kBucketMs)),
      catchUp_(std::max(capacity_, BytesPerSecond * kCatchUpMs)),
      tokens_(capacity_),
      last_(NowMs) {}

void Throttle::Fill(uint64_t NowMs) {
    if (NowMs <= last_) return;
    uint64_t elapsed = NowMs - last_;
    last_ = NowMs;
    // A rate in bytes per second earns that many milli-bytes per millisecond.
    const uint64_t cap = running_ ? catchUp_ : capacity_;
    if (elapsed >= cap / rate_ + 1) tokens_ = cap;
    else tokens_ = std::min(cap, tokens_ + elapsed * rate_);
}

std::size_t Throttle::Allowed(uint64_t NowMs) {
    if (!Limited()) return std::numeric_limits<std::size_t>::max();
    Fill(NowMs);
    return static_cast<std::size_t>(tokens_ / 1000);
}

void Throttle::Sent(std::size_t Count, uint64_t NowMs, bool More) {
    if (!Limited()) return;
    Fill(NowMs);
    uint64_t cost = static_cast<uint64_t>(Count) * 1000;
    tokens_ = cost >= tokens_ ? 0 : tokens_ - cost;
    running_ = More;
    // A line that rests holds no more than its bucket, whatever it caught up.
    if (!running_) tokens_ = std::min(tokens_, capacity_);
}

uint64_t Throttle::ReadyAt(std::size_t Want, uint64_t NowMs) {
    if (!Limited()) return NowMs;
    Fill(NowMs);
    // Waiting for half the bucket leaves room for a late wake-up: tokens that
    // would overflow a full bucket are lost, and the line with them.
    uint64_t chunk = std::max<uint64_t>(1000, capacity_ / 2 / 1000 * 1000);
    uint64_t need = std::min<uint64_t>(static_cast<uint64_t>(Want) * 1000, chunk);
    if (need == 0) need = 1000;
    if (tokens_ >= need) return NowMs;
    return NowMs + (need - tokens_ + rate_ - 1) / rate_;
}

}  // namespace modemsim
