#pragma once

#include <cstdarg>
#include <string>

#include "platform/api.h"

namespace velmora {

// printf-style formatting into a std::string. The format attribute lets the
// compiler check every argument against its conversion; pass strings as
// c_str() and 64-bit values with "%lld"/"%llu" (or PRId64).
VELMORA_API std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
VELMORA_API std::string FormatV(const char* format, va_list args) __attribute__((format(printf, 1, 0)));

}  // namespace velmora
