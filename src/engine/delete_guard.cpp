#include "engine/delete_guard.h"

#include "base/format.h"
#include "tasks/tansform.h"

namespace velmora {

std::string MirrorDeleteRefusal(int64_t deleting, int64_t held, int64_t sourceEntries, int32_t limit) {
    if (deleting == 0 || limit == CTansform::kDeleteAny) return {};
    const long long count = deleting;
    if (limit != CTansform::kDeleteGuarded) {
        if (deleting <= limit) return {};
        return Format("Nothing deleted: %lld entries of the destination would go, more than the limit of %d", count,
                      limit);
    }
    if (sourceEntries == 0)
        return Format("Nothing deleted: the source is empty, and all %lld entries of the destination would go",
                      count);
    if (deleting * 2 > held)
        return Format("Nothing deleted: %lld of the %lld entries of the destination would go, more than half", count,
                      static_cast<long long>(held));
    return {};
}

}  // namespace velmora
