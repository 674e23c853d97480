#pragma once

#include <cstdint>
#include <string>

#include "platform/api.h"

namespace velmora {

// Whether a mirror may delete `deleting` of the `held` entries (files and
// folders) its destination holds, after a source that had `sourceEntries`,
// under a transform's limit (CTansform::GetMaxDelete). An empty text allows
// it; otherwise the text says why nothing is deleted. A source that is not
// there the way it used to be (an unmounted disk reads as an empty folder)
// must not empty the destination unasked.
VELMORA_API std::string MirrorDeleteRefusal(int64_t deleting, int64_t held, int64_t sourceEntries, int32_t limit);

}  // namespace velmora
