#pragma once

#include <cstdint>

namespace velmora::test {

// Seconds since 1970 of a local date and time; throws when the parts do not
// make a time.
int64_t LocalTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

}  // namespace velmora::test
