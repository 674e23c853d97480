#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/api.h"

// Sizes and rates as people read them, with IEC units (powers of 1024), the
// one form every window and every line of the command line shows.
namespace velmora {

// "0 B", "1023 B", "1.0 KiB", "1.5 KiB", "500.0 MiB", "2.0 GiB", ... up to
// EiB. One decimal from KiB on; a value that would round to 1024.0 of a unit
// is shown in the next one.
VELMORA_API std::string FormatSize(uint64_t bytes);
// The same for a measured amount such as bytes per second; negative values
// read as 0.
VELMORA_API std::string FormatSize(double bytes);

// A size written by a user: digits with an optional fraction, then an
// optional unit k, M, G or T (any letter case; each 1024 times the one
// before), optionally followed by "iB" or "B": "500", "100k", "1.5M",
// "2GiB". False for anything else, and for a value beyond 64 bits.
VELMORA_API bool ParseSize(std::string_view text, uint64_t& bytes);

}  // namespace velmora
