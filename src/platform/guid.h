#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/api.h"

namespace velmora::platform {

struct VELMORA_API Guid {
    uint32_t Data1 = 0;
    uint16_t Data2 = 0;
    uint16_t Data3 = 0;
    uint8_t Data4[8] = {};

    bool operator==(const Guid&) const = default;
};

// A random (version 4) identifier.
VELMORA_API Guid CreateGuid();

// Registry form: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hex.
VELMORA_API std::string GuidToString(const Guid& guid);

// Parses the registry form (braces optional, hex in any case). On failure
// returns false and sets `guid` to the all-zero identifier.
VELMORA_API bool ParseGuid(std::string_view text, Guid& guid);

}  // namespace velmora::platform
