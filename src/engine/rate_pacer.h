#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>

#include "platform/api.h"

namespace velmora {

// Keeps the bytes of a job, taken from any number of threads, to a rate:
// each taker learns how long to wait so that all bytes taken so far have not
// gone faster than the rate allows. Time without bytes is not saved up for a
// burst later: the rate holds from the first byte after it.
class VELMORA_API CRatePacer {
public:
    using Clock = std::chrono::steady_clock;

    // `bytes` went at `now`: how long the caller waits before it sends more;
    // no wait where `bytesPerSecond` is 0 (no limit).
    Clock::duration Take(uint64_t bytes, uint64_t bytesPerSecond, Clock::time_point now = Clock::now());

private:
    std::mutex m_mutex;
    Clock::time_point m_due{};  // when the bytes taken so far may have gone
};

}  // namespace velmora
