#include "engine/rate_pacer.h"

#include <algorithm>

namespace velmora {

CRatePacer::Clock::duration CRatePacer::Take(uint64_t bytes, uint64_t bytesPerSecond, Clock::time_point now) {
    if (bytesPerSecond == 0) return Clock::duration::zero();
    const auto time = std::chrono::duration<double>(static_cast<double>(bytes) / static_cast<double>(bytesPerSecond));
    const std::lock_guard lock(m_mutex);
    m_due = std::max(m_due, now) + std::chrono::duration_cast<Clock::duration>(time);
    return m_due - now;
}

}  // namespace velmora
