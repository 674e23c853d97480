#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/api.h"

// The text form in which the job database keeps dates: local time written
// "mm/dd/yyyy hh:mm:ss". Both directions live here so that writing and
// reading always agree.
namespace velmora {

// The local date and time of `seconds` in the stored form; an empty text when
// the time has no local date.
VELMORA_API std::string FormatDBDate(int64_t seconds);

// Reads the stored form (the time of day, or just its seconds, may be
// missing; blanks around are allowed). Anything else (NULL, an empty text,
// garbage, a year before 1900, a part out of range, a day the month does not
// have) is time 0.
VELMORA_API int64_t ParseDBDate(std::string_view text);

}  // namespace velmora
