#include "app/common/bar_scale.h"

#include <algorithm>
#include <limits>

#include <QProgressBar>

#include "messaging/progress_status.h"

namespace parcelo {

void CBarState::Apply(QProgressBar* bar) const {
    constexpr int64_t kMax = std::numeric_limits<int>::max();
    int low = 0, high = kScale, value = 0;
    if (lower >= 0 && upper <= kMax && lower <= upper) {
        low = static_cast<int>(lower);
        high = static_cast<int>(upper);
        value = static_cast<int>(std::clamp(pos, lower, upper));
    } else {
        const int64_t span = std::max<int64_t>(upper - lower, 1);
        value = static_cast<int>(std::clamp<int64_t>(pos - lower, 0, span) * kScale / span);
    }
    if (bar->minimum() != low || bar->maximum() != high) bar->setRange(low, high);
    if (bar->value() != value) bar->setValue(value);
}

bool CBarState::FollowBytes(const velmora::CProgressStatus& status) {
    if (status.TotalBytes() <= 0) return false;
    *this = CBarState{0, status.TotalBytes(), std::min(status.ProcessedBytes(), status.TotalBytes())};
    return true;
}

}  // namespace parcelo
