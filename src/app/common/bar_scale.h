#pragma once

#include <cstdint>

class QProgressBar;

namespace velmora {
class CProgressStatus;
}

namespace parcelo {

// A progress bar's range and position as the engine counts them: bytes, which
// pass what a bar holds (2 GB). Such a range is shown on a scale of 1000.
struct CBarState {
    static constexpr int kScale = 1000;

    int64_t lower = 0;
    int64_t upper = 100;
    int64_t pos = 0;

    // Sets the bar's range and value, changing only what differs.
    void Apply(QProgressBar* bar) const;
    // The run's bytes (processed of total) become the range and position;
    // false, and nothing changed, while the run has no bytes to count.
    bool FollowBytes(const velmora::CProgressStatus& status);
};

}  // namespace parcelo
